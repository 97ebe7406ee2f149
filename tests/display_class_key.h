// The Display class key as the seeding helpers, benchmarks and the fuzzer name it: the
// window's own path without its trailing backslash, wide for the platform's W
// functions and single-byte for the in-memory registry (the path is plain ASCII).
#pragma once

#include <string>

#include "window/display_class_key.h"

inline std::wstring DisplayClassKeyW() {
    std::wstring path = kDisplayClassKeyPath;
    path.pop_back();
    return path;
}

inline std::string DisplayClassKeyA() {
    std::string path;
    for (wchar_t c : DisplayClassKeyW()) path.push_back(static_cast<char>(c));
    return path;
}
