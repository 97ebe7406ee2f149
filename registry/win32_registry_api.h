// The platform's registry functions behind the registry seam: a thin forwarder to
// advapi32 and kernel32.
#pragma once

#include <windows.h>

#include "base/unique_handle.h"
#include "registry/registry_api.h"

// A key opened with the platform's own functions, outside the seam.
struct HkeyTraits : NullHandleTraits<HKEY> {
    static void Close(HKEY key) { ::RegCloseKey(key); }
};
using UniqueHkey = UniqueHandle<HkeyTraits>;

class Win32RegistryApi : public RegistryApi {
public:
    int32_t RegOpenKeyExA(RegKey key, const std::string& subKey, uint32_t options, uint32_t access,
                          RegKey* result) override;
    int32_t RegCreateKeyExA(RegKey key, const std::string& subKey, uint32_t reserved, uint32_t options, uint32_t access,
                            RegKey* result, uint32_t* disposition) override;
    int32_t RegCloseKey(RegKey key) override;
    int32_t RegQueryValueExA(RegKey key, const std::string& valueName, uint32_t* type, uint8_t* data,
                             uint32_t* size) override;
    int32_t RegSetValueExA(RegKey key, const std::string& valueName, uint32_t type, const uint8_t* data,
                           uint32_t size) override;
    int32_t RegDeleteKeyA(RegKey key, const std::string& subKey) override;
    int32_t RegDeleteValueA(RegKey key, const std::string& valueName) override;
    int32_t RegEnumKeyA(RegKey key, uint32_t index, char* name, uint32_t nameLength) override;
    int32_t RegEnumValueA(RegKey key, uint32_t index, char* name, uint32_t* nameLength) override;
    int32_t RegQueryInfoKeyA(RegKey key, RegKeyInfo* info) override;
    int32_t RegOpenKeyExW(RegKey key, const std::wstring& subKey, uint32_t options, uint32_t access,
                          RegKey* result) override;
    int32_t RegEnumKeyExW(RegKey key, uint32_t index, wchar_t* name, uint32_t* nameLength) override;
    int32_t NtDeleteKey(RegKey key) override;
    uint32_t ExpandEnvironmentStringsA(const std::string& source, char* destination, uint32_t size) override;
    std::string ToAnsi(const std::wstring& text) override;
    std::wstring FromAnsi(const std::string& text) override;
    std::wstring ExecutableBaseName() override;
};
