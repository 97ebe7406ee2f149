#include "tests/e2e/display_class_seed.h"

#include <stdexcept>

#include "registry/win32_registry_api.h"
#include "tests/e2e/display_class.h"

namespace {

std::runtime_error SeedError(const std::wstring& what, const std::wstring& path, LONG code) {
    std::string narrow(what.begin(), what.end());
    narrow += " ";
    narrow.append(path.begin(), path.end());
    return std::runtime_error(narrow + " (error " + std::to_string(code) + ")");
}

void WriteKey(const std::wstring& path, const std::vector<SeedValue>& values) {
    UniqueHkey key;
    const LONG created =
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.Put(), nullptr);
    if (created != ERROR_SUCCESS) throw SeedError(L"cannot create", path, created);
    for (const SeedValue& value : values) {
        const LONG written = RegSetValueExW(key.Get(), value.name.c_str(), 0, value.type, value.data.data(),
                                            static_cast<DWORD>(value.data.size()));
        if (written != ERROR_SUCCESS) {
            throw SeedError(L"cannot write " + value.name + L" in", path, written);
        }
    }
}

std::vector<BYTE> Utf16Bytes(const std::wstring& text) {
    std::vector<BYTE> bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<BYTE>(c & 0xff));
        bytes.push_back(static_cast<BYTE>((c >> 8) & 0xff));
    }
    return bytes;
}

}  // namespace

SeedValue TextValue(const std::wstring& name, const std::wstring& text) {
    return {name, REG_SZ, Utf16Bytes(text + L'\0')};
}

SeedValue NumberValue(const std::wstring& name, DWORD number) {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&number);
    return {name, REG_DWORD, std::vector<BYTE>(bytes, bytes + sizeof(number))};
}

SeedValue Utf16BinaryValue(const std::wstring& name, const std::wstring& text) {
    return {name, REG_BINARY, Utf16Bytes(text + L'\0')};
}

DisplayClassSeed::~DisplayClassSeed() {
    for (const std::wstring& subkey : seeded_) {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, display_class::PathOf(subkey).c_str());
    }
}

void DisplayClassSeed::Add(const SeedEntry& entry) {
    if (display_class::KeyExists(entry.subkey)) {
        throw SeedError(L"refusing to seed over the existing key", entry.subkey, ERROR_ALREADY_EXISTS);
    }
    // Recorded first, so that a half-written entry is still removed.
    seeded_.push_back(entry.subkey);
    const std::wstring root = display_class::PathOf(entry.subkey);
    WriteKey(root, entry.values);
    for (const SeedKey& below : entry.below) {
        WriteKey(below.path.empty() ? root : root + L"\\" + below.path, below.values);
    }
}
