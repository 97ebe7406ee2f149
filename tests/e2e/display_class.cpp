#include "tests/e2e/display_class.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <optional>

#include "registry/win32_registry_api.h"
#include "tests/display_class_key.h"

namespace display_class {

const std::wstring kPath = DisplayClassKeyW();

namespace {

UniqueHkey OpenFull(const std::wstring& path) {
    UniqueHkey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) {
        key.Reset();
    }
    return key;
}

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

UniqueHkey OpenForReading(const std::wstring& relative) {
    return OpenFull(PathOf(relative));
}

std::optional<RawValue> ReadRaw(HKEY key, const std::wstring& name) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    RawValue value;
    value.type = type;
    value.data.resize(size);
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, value.data.data(), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.data.resize(size);
    return value;
}

std::wstring Hex(const std::vector<BYTE>& data) {
    std::wstring hex;
    wchar_t byte[4];
    for (BYTE b : data) {
        swprintf(byte, 4, L"%02x", b);
        hex += byte;
    }
    return hex;
}

std::vector<std::wstring> ValueNames(HKEY key) {
    std::vector<std::wstring> names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD length = 16384;
        if (RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    return names;
}

// The names of the direct subkeys, in the platform's enumeration order.
std::vector<std::wstring> SubkeysOf(HKEY key) {
    std::vector<std::wstring> names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

// The key at path, named in the lines by its path below the snapshot's top, relative.
void SnapshotKey(const std::wstring& path, const std::wstring& relative, std::vector<std::wstring>& lines) {
    lines.push_back(L"key [" + relative + L"]");
    const UniqueHkey key = OpenFull(path);
    if (!key) {
        lines.push_back(L"  (cannot be opened)");
        return;
    }
    std::vector<std::wstring> names = ValueNames(key.Get());
    std::sort(names.begin(), names.end());
    for (const std::wstring& name : names) {
        const auto value = ReadRaw(key.Get(), name);
        if (!value) continue;
        lines.push_back(L"  " + name + L" = " + std::to_wstring(value->type) + L":" + Hex(value->data));
    }
    for (const std::wstring& child : SubkeysOf(key.Get())) {
        SnapshotKey(path + L"\\" + child, relative.empty() ? child : relative + L"\\" + child, lines);
    }
}

}  // namespace

std::wstring PathOf(const std::wstring& relative) {
    if (relative.empty()) return kPath;
    return kPath + L"\\" + relative;
}

bool KeyExists(const std::wstring& relative) {
    return static_cast<bool>(OpenForReading(relative));
}

std::vector<std::wstring> Subkeys(const std::wstring& relative) {
    const UniqueHkey key = OpenForReading(relative);
    return key ? SubkeysOf(key.Get()) : std::vector<std::wstring>{};
}

std::vector<std::wstring> Snapshot() {
    return SnapshotOf(kPath);
}

std::vector<std::wstring> SnapshotOf(const std::wstring& path) {
    std::vector<std::wstring> lines;
    SnapshotKey(path, L"", lines);
    return lines;
}

}  // namespace display_class
