#include "tests/e2e/display_class.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "registry/win32_registry_api.h"
#include "tests/display_class_key.h"

namespace display_class {

const std::wstring kPath = DisplayClassKeyW();

namespace {

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

UniqueHkey OpenForReading(const std::wstring& relative) {
    UniqueHkey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, PathOf(relative).c_str(), 0, KEY_READ, key.Put()) !=
        ERROR_SUCCESS) {
        key.Reset();
    }
    return key;
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
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, value.data.data(), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.data.resize(size);
    return value;
}

std::wstring Utf16(const std::vector<BYTE>& data) {
    std::wstring text(data.size() / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    return text;
}

// The value as text before NULs are dropped: the form in which emptiness is judged.
std::wstring RawText(const RawValue& value) {
    switch (value.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ: {
        std::wstring text = Utf16(value.data);
        // The terminator belongs to the storage, not to the text.
        if (!text.empty() && text.back() == L'\0') text.pop_back();
        if (value.type != REG_EXPAND_SZ) return text;
        wchar_t expanded[4096] = {};
        const std::wstring source = text.c_str();
        if (ExpandEnvironmentStringsW(source.c_str(), expanded, 4096) == 0) return source;
        return expanded;
    }
    case REG_DWORD: {
        int32_t number = 0;
        if (value.data.size() >= sizeof(number)) {
            std::memcpy(&number, value.data.data(), sizeof(number));
        }
        return std::to_wstring(number);
    }
    default:
        return Utf16(value.data);
    }
}

std::wstring WithoutNuls(std::wstring text) {
    text.erase(std::remove(text.begin(), text.end(), L'\0'), text.end());
    return text;
}

std::wstring DisplayText(HKEY key, const std::wstring& name) {
    const auto value = ReadRaw(key, name);
    return value ? WithoutNuls(RawText(*value)) : std::wstring();
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
        if (RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    return names;
}

void SnapshotKey(const std::wstring& relative, std::vector<std::wstring>& lines) {
    lines.push_back(L"key [" + relative + L"]");
    const UniqueHkey key = OpenForReading(relative);
    if (!key) {
        lines.push_back(L"  (cannot be opened)");
        return;
    }
    std::vector<std::wstring> names = ValueNames(key.Get());
    std::sort(names.begin(), names.end());
    for (const std::wstring& name : names) {
        const auto value = ReadRaw(key.Get(), name);
        if (!value) continue;
        lines.push_back(L"  " + name + L" = " + std::to_wstring(value->type) + L":" +
                        Hex(value->data));
    }
    for (const std::wstring& child : Subkeys(relative)) {
        SnapshotKey(relative.empty() ? child : relative + L"\\" + child, lines);
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
    std::vector<std::wstring> names;
    const UniqueHkey key = OpenForReading(relative);
    if (!key) return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    return names;
}

std::vector<std::wstring> Snapshot() {
    std::vector<std::wstring> lines;
    SnapshotKey(L"", lines);
    return lines;
}

std::optional<AdapterView> ReadAdapter(const std::wstring& subkey) {
    const UniqueHkey key = OpenForReading(subkey);
    if (!key) return std::nullopt;

    std::wstring name;
    for (const wchar_t* valueName : {L"DriverDesc", L"HardwareInformation.AdapterString"}) {
        const auto value = ReadRaw(key.Get(), valueName);
        if (!value) continue;
        name = RawText(*value);
        if (!name.empty()) break;
    }
    if (name.empty()) return std::nullopt;

    AdapterView adapter;
    adapter.name = WithoutNuls(name);
    adapter.manufacturer = DisplayText(key.Get(), L"ProviderName");
    adapter.biosVersion = DisplayText(key.Get(), L"HardwareInformation.BiosString");
    adapter.driverVersion = DisplayText(key.Get(), L"DriverVersion");
    adapter.driverDate = DisplayText(key.Get(), L"DriverDate");
    return adapter;
}

std::vector<AdapterView> Adapters() {
    std::vector<AdapterView> adapters;
    for (const std::wstring& subkey : Subkeys()) {
        if (auto adapter = ReadAdapter(subkey)) adapters.push_back(*adapter);
    }
    return adapters;
}

std::wstring DetailsText(const AdapterView& adapter) {
    return L"Adapter Name:\t" + adapter.name + L"\r\n" +
           L"Manufacturer:\t" + adapter.manufacturer + L"\r\n" +
           L"BIOS Version:\t" + adapter.biosVersion + L"\r\n" +
           L"Driver Version:\t" + adapter.driverVersion + L"\r\n" +
           L"Driver Date:\t" + adapter.driverDate + L"\r\n";
}

}  // namespace display_class
