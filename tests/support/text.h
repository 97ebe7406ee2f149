// Test texts are written as plain ASCII and passed where the program takes wide text.
#pragma once

#include <string>

// Each byte becomes the character of the same number: exact for ASCII, which is all
// the tests pass through it.
inline std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}
