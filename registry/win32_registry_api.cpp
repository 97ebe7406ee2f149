#include "registry/win32_registry_api.h"

#include <windows.h>

// ntdll's delete of an open key (documented as ZwDeleteKey; user mode calls it by this
// name). ntdll is part of every Windows; the function is as old as the registry.
extern "C" __declspec(dllimport) LONG NTAPI NtDeleteKey(HANDLE key);

namespace {

// A root key is held as a signed 32-bit number; as a handle it is sign-extended.
HKEY ToHkey(RegKey key) {
    return reinterpret_cast<HKEY>(key);
}

}  // namespace

int32_t Win32RegistryApi::RegOpenKeyExA(RegKey key, const std::string& subKey, uint32_t options, uint32_t access,
                                        RegKey* result) {
    HKEY opened = nullptr;
    const LONG rc = ::RegOpenKeyExA(ToHkey(key), subKey.c_str(), options, access, &opened);
    if (rc == ERROR_SUCCESS) *result = reinterpret_cast<RegKey>(opened);
    return rc;
}

int32_t Win32RegistryApi::RegCreateKeyExA(RegKey key, const std::string& subKey, uint32_t reserved, uint32_t options,
                                          uint32_t access, RegKey* result, uint32_t* disposition) {
    // Length 0, no descriptor, not inheritable.
    SECURITY_ATTRIBUTES security{};
    HKEY created = nullptr;
    DWORD how = 0;
    const LONG rc = ::RegCreateKeyExA(ToHkey(key), subKey.c_str(), reserved, const_cast<char*>(""), options, access,
                                      &security, &created, &how);
    if (rc == ERROR_SUCCESS) *result = reinterpret_cast<RegKey>(created);
    if (disposition) *disposition = how;
    return rc;
}

int32_t Win32RegistryApi::RegCloseKey(RegKey key) {
    return ::RegCloseKey(ToHkey(key));
}

int32_t Win32RegistryApi::RegQueryValueExA(RegKey key, const std::string& valueName, uint32_t* type, uint8_t* data,
                                           uint32_t* size) {
    DWORD t = 0;
    DWORD s = size ? *size : 0;
    const LONG rc = ::RegQueryValueExA(ToHkey(key), valueName.c_str(), nullptr, &t, data, size ? &s : nullptr);
    if (type) *type = t;
    if (size) *size = s;
    return rc;
}

int32_t Win32RegistryApi::RegSetValueExA(RegKey key, const std::string& valueName, uint32_t type, const uint8_t* data,
                                         uint32_t size) {
    return ::RegSetValueExA(ToHkey(key), valueName.c_str(), 0, type, data, size);
}

int32_t Win32RegistryApi::RegDeleteKeyA(RegKey key, const std::string& subKey) {
    return ::RegDeleteKeyA(ToHkey(key), subKey.c_str());
}

int32_t Win32RegistryApi::RegDeleteValueA(RegKey key, const std::string& valueName) {
    return ::RegDeleteValueA(ToHkey(key), valueName.c_str());
}

int32_t Win32RegistryApi::RegEnumKeyA(RegKey key, uint32_t index, char* name, uint32_t nameLength) {
    return ::RegEnumKeyA(ToHkey(key), index, name, nameLength);
}

int32_t Win32RegistryApi::RegEnumValueA(RegKey key, uint32_t index, char* name, uint32_t* nameLength) {
    DWORD length = *nameLength;
    const LONG rc = ::RegEnumValueA(ToHkey(key), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    *nameLength = length;
    return rc;
}

int32_t Win32RegistryApi::RegQueryInfoKeyA(RegKey key, RegKeyInfo* info) {
    char className[1] = {'\0'};
    DWORD classLength = 0;
    DWORD subKeys = 0, maxSubKeyLen = 0, maxClassLen = 0, values = 0, maxValueNameLen = 0, maxValueLen = 0,
          securityDescriptor = 0;
    FILETIME lastWrite{};
    const LONG rc =
        ::RegQueryInfoKeyA(ToHkey(key), className, &classLength, nullptr, &subKeys, &maxSubKeyLen, &maxClassLen,
                           &values, &maxValueNameLen, &maxValueLen, &securityDescriptor, &lastWrite);
    if (rc == ERROR_SUCCESS)
        *info =
            RegKeyInfo{subKeys, maxSubKeyLen, maxClassLen, values, maxValueNameLen, maxValueLen, securityDescriptor};
    return rc;
}

int32_t Win32RegistryApi::RegOpenKeyExW(RegKey key, const std::wstring& subKey, uint32_t options, uint32_t access,
                                        RegKey* result) {
    HKEY opened = nullptr;
    const LONG rc = ::RegOpenKeyExW(ToHkey(key), subKey.c_str(), options, access, &opened);
    if (rc == ERROR_SUCCESS) *result = reinterpret_cast<RegKey>(opened);
    return rc;
}

int32_t Win32RegistryApi::RegEnumKeyExW(RegKey key, uint32_t index, wchar_t* name, uint32_t* nameLength) {
    DWORD length = *nameLength;
    const LONG rc = ::RegEnumKeyExW(ToHkey(key), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    *nameLength = length;
    return rc;
}

int32_t Win32RegistryApi::NtDeleteKey(RegKey key) {
    return ::NtDeleteKey(reinterpret_cast<HANDLE>(key));
}

uint32_t Win32RegistryApi::ExpandEnvironmentStringsA(const std::string& source, char* destination, uint32_t size) {
    return ::ExpandEnvironmentStringsA(source.c_str(), destination, size);
}

std::string Win32RegistryApi::ToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, &out[0], bytes, nullptr, nullptr);
    return out;
}

std::wstring Win32RegistryApi::FromAnsi(const std::string& text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int chars = ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    std::wstring out(static_cast<size_t>(chars), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), length, &out[0], chars);
    return out;
}

std::wstring Win32RegistryApi::ExecutableBaseName() {
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, length);
    const size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos) name.erase(0, slash + 1);
    const size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    return name;
}
