// The registry functions the program calls, one virtual function per platform
// function, with the platform's arguments and result codes. The registry object's
// texts are in the single-byte code page, as the A functions take them; the removal's
// walk uses the few wide, handle-relative functions at the end.
#pragma once

#include <cstdint>
#include <string>

#include "base/unique_handle.h"

// A key handle as the platform passes it. Root keys are the sign-extended 32-bit
// constants (HKEY_LOCAL_MACHINE is 0x80000002, seen as -2147483646).
using RegKey = intptr_t;

constexpr int32_t kHkeyClassesRoot = static_cast<int32_t>(0x80000000u);
constexpr int32_t kHkeyCurrentUser = static_cast<int32_t>(0x80000001u);
constexpr int32_t kHkeyLocalMachine = static_cast<int32_t>(0x80000002u);
constexpr int32_t kHkeyUsers = static_cast<int32_t>(0x80000003u);

// Platform result codes the program relies on.
constexpr int32_t kErrorSuccess = 0;
constexpr int32_t kErrorFileNotFound = 2;
constexpr int32_t kErrorAccessDenied = 5;
constexpr int32_t kErrorInvalidHandle = 6;
constexpr int32_t kErrorInvalidData = 13;
constexpr int32_t kErrorInvalidParameter = 87;
constexpr int32_t kErrorBadPathname = 161;
constexpr int32_t kErrorMoreData = 234;
constexpr int32_t kErrorNoMoreItems = 259;

// NTSTATUS codes of the delete of an open key.
constexpr int32_t kStatusSuccess = 0;
constexpr int32_t kStatusInvalidHandle = static_cast<int32_t>(0xC0000008u);
constexpr int32_t kStatusAccessDenied = static_cast<int32_t>(0xC0000022u);
constexpr int32_t kStatusKeyDeleted = static_cast<int32_t>(0xC000017Cu);

// Value types.
constexpr int32_t kRegNone = 0;
constexpr int32_t kRegSz = 1;
constexpr int32_t kRegExpandSz = 2;
constexpr int32_t kRegBinary = 3;
constexpr int32_t kRegDword = 4;
constexpr int32_t kRegDwordBigEndian = 5;
constexpr int32_t kRegLink = 6;
constexpr int32_t kRegMultiSz = 7;
constexpr int32_t kRegQword = 11;

// Access masks.
constexpr uint32_t kKeyQueryValue = 0x0001;
constexpr uint32_t kKeySetValue = 0x0002;
constexpr uint32_t kKeyCreateSubKey = 0x0004;
constexpr uint32_t kKeyEnumerateSubKeys = 0x0008;
constexpr uint32_t kKeyAllSpecificRights = 0x003F;  // the six rights of a registry key, without the standard ones
constexpr uint32_t kKeyDelete = 0x00010000;         // DELETE, the standard right to delete the key itself

// Options of opening and creating keys.
constexpr uint32_t kRegOptionCreateLink = 0x2;  // the new key is a symbolic link
constexpr uint32_t kRegOptionOpenLink = 0x8;    // the path's last key is opened as itself, not as its link's target
// The value of a link key that names its target, as "\Registry\Machine\...", type REG_LINK.
constexpr const char* kSymbolicLinkValue = "SymbolicLinkValue";
// The longest key name, in characters, without its terminator.
constexpr uint32_t kMaxKeyNameLength = 255;

struct RegKeyInfo {
    uint32_t subKeys = 0;
    uint32_t maxSubKeyLen = 0;
    uint32_t maxClassLen = 0;
    uint32_t values = 0;
    uint32_t maxValueNameLen = 0;
    uint32_t maxValueLen = 0;
    uint32_t securityDescriptor = 0;
};

class RegistryApi {
public:
    virtual ~RegistryApi() = default;

    virtual int32_t RegOpenKeyExA(RegKey key, const std::string& subKey, uint32_t options, uint32_t access,
                                  RegKey* result) = 0;
    // reserved must be 0; the platform refuses anything else.
    virtual int32_t RegCreateKeyExA(RegKey key, const std::string& subKey, uint32_t reserved, uint32_t options,
                                    uint32_t access, RegKey* result, uint32_t* disposition) = 0;
    virtual int32_t RegCloseKey(RegKey key) = 0;
    // data may be null; size is the byte count in and out.
    virtual int32_t RegQueryValueExA(RegKey key, const std::string& valueName, uint32_t* type, uint8_t* data,
                                     uint32_t* size) = 0;
    virtual int32_t RegSetValueExA(RegKey key, const std::string& valueName, uint32_t type, const uint8_t* data,
                                   uint32_t size) = 0;
    virtual int32_t RegDeleteKeyA(RegKey key, const std::string& subKey) = 0;
    virtual int32_t RegDeleteValueA(RegKey key, const std::string& valueName) = 0;
    // nameLength is the buffer's size in bytes, terminator included.
    virtual int32_t RegEnumKeyA(RegKey key, uint32_t index, char* name, uint32_t nameLength) = 0;
    // nameLength: buffer size in, name length without terminator out.
    virtual int32_t RegEnumValueA(RegKey key, uint32_t index, char* name, uint32_t* nameLength) = 0;
    virtual int32_t RegQueryInfoKeyA(RegKey key, RegKeyInfo* info) = 0;
    // Returns the size needed, terminator included, or 0 on failure.
    virtual uint32_t ExpandEnvironmentStringsA(const std::string& source, char* destination, uint32_t size) = 0;

    // The removal's walk: keys named in UTF-16 as the registry holds them, opened
    // relative to a parent's handle and deleted through their own handle.
    virtual int32_t RegOpenKeyExW(RegKey key, const std::wstring& subKey, uint32_t options, uint32_t access,
                                  RegKey* result) = 0;
    // nameLength: buffer size in characters, terminator included, in; name length without
    // terminator out.
    virtual int32_t RegEnumKeyExW(RegKey key, uint32_t index, wchar_t* name, uint32_t* nameLength) = 0;
    // Deletes the key the handle was opened on (with DELETE), which must have no
    // subkeys; the handle stays to be closed. An NTSTATUS: 0 on success.
    virtual int32_t NtDeleteKey(RegKey key) = 0;

    // Conversions between the program's wide texts and the single-byte code page.
    virtual std::string ToAnsi(const std::wstring& text) = 0;
    virtual std::wstring FromAnsi(const std::string& text) = 0;

    // The executable's file name without folder and extension.
    virtual std::wstring ExecutableBaseName() = 0;
};

// A key opened through the seam is closed through the same seam.
struct OpenedKeyTraits : NullHandleTraits<RegKey> {
    RegistryApi* api = nullptr;
    void Close(RegKey key) const { api->RegCloseKey(key); }
};
using OpenedKey = UniqueHandle<OpenedKeyTraits>;
// Takes over a key that the seam has just opened or created (0: none).
inline OpenedKey OwnKey(RegistryApi& api, RegKey key) {
    return OpenedKey(key, OpenedKeyTraits{{}, &api});
}
