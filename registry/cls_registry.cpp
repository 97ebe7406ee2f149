#include "registry/cls_registry.h"

#include <cstring>
#include <new>
#include <vector>

namespace {

// How often the value read probes again when the value changed under it.
constexpr int kValueReadAttempts = 4;
// How often an expansion is sized again when the environment grew under it.
constexpr int kExpandAttempts = 4;

// A subkey name has at most 255 characters; through the single-byte interface a
// character may take two bytes in a multibyte code page, plus the terminator.
constexpr uint32_t kSubkeyNameBufferBytes = 2 * 255 + 2;

bool IsStringType(uint32_t type) {
    return type == static_cast<uint32_t>(kRegSz) || type == static_cast<uint32_t>(kRegExpandSz) ||
           type == static_cast<uint32_t>(kRegMultiSz);
}

}  // namespace

std::wstring CLS_Registry::ErrorSource() const {
    return api_.ExecutableBaseName() + L".cRegistry";
}

OpenedKey CLS_Registry::OpenSection(uint32_t access, KeyOpening how) const {
    RegKey key = 0;
    int32_t rc = kErrorSuccess;
    if (how == KeyOpening::Create) {
        uint32_t disposition = 0;
        rc = api_.RegCreateKeyExA(Root(), AnsiSection(), 0, 0, access, &key, &disposition);
    } else {
        rc = api_.RegOpenKeyExA(Root(), AnsiSection(), 0, access, &key);
    }
    // Only a key the platform reports as opened is ever closed.
    return OwnKey(api_, rc == kErrorSuccess ? key : 0);
}

bool CLS_Registry::KeyExists() const {
    return static_cast<bool>(OpenSection(kKeyQueryValue));
}

bool CLS_Registry::KeyDeletable() const {
    return static_cast<bool>(OpenSection(kKeyDelete));
}

Variant CLS_Registry::Value() {
    const OpenedKey opened = OpenSection(kKeyQueryValue);
    if (!opened) return default_;
    return ValueIn(opened.Get());
}

Variant CLS_Registry::ValueIn(RegKey key) {
    // Another program may change the value between the probe and the read; then the
    // probe is repeated for its new size. A value that keeps changing counts as missing.
    const int32_t typeBefore = valueType_;
    for (int attempt = 0; attempt < kValueReadAttempts; ++attempt) {
        // The probe: a small buffer and a byte count of 0 make the platform report the
        // stored type and size without handing over any data.
        uint8_t probe[4] = {};
        uint32_t type = 0;
        uint32_t size = 0;
        const int32_t rc = api_.RegQueryValueExA(key, AnsiValueName(), &type, probe, &size);
        if (rc != kErrorSuccess && rc != kErrorMoreData) break;
        valueType_ = static_cast<int32_t>(type);
        if (std::optional<Variant> value = ReadStoredValue(key, type, size)) return *std::move(value);
    }
    valueType_ = typeBefore;
    return default_;
}

std::optional<Variant> CLS_Registry::ReadStoredValue(RegKey key, uint32_t type, uint32_t size) const {
    const std::string& name = AnsiValueName();
    uint32_t count = size;
    uint32_t typeRead = type;
    // The read succeeds only when it finds the value the probe described. A number or
    // byte result must also fill exactly the bytes announced: one that shrank in between
    // would come back padded with zeros. A text may come back shorter after the
    // code-page conversion, so its count is not compared.
    auto read = [&](uint8_t* data) {
        return api_.RegQueryValueExA(key, name, &typeRead, data, &count) == kErrorSuccess && typeRead == type &&
               (IsStringType(type) || count == size);
    };
    if (IsStringType(type)) {
        // A text value without even its terminator cannot be read into a text of
        // size - 1 characters.
        if (size == 0) RaiseInvalidArgument();
        std::string buffer(size, '\0');
        if (!read(reinterpret_cast<uint8_t*>(&buffer[0]))) return std::nullopt;
        buffer.resize(size - 1);  // the whole buffer, NULs included, less the terminator
        std::wstring text = api_.FromAnsi(buffer);
        if (type == static_cast<uint32_t>(kRegExpandSz)) return Variant(ExpandEnvironmentText(text));
        return Variant(std::move(text));
    }
    if (type == static_cast<uint32_t>(kRegDword) || type == static_cast<uint32_t>(kRegDwordBigEndian)) {
        // The read is given the stored size; a value longer than 4 bytes goes into a
        // buffer of its own size so that nothing is written past the integer.
        std::vector<uint8_t> buffer(size < 4 ? 4 : size, 0);
        if (!read(buffer.data())) return std::nullopt;
        int32_t number = 0;
        std::memcpy(&number, buffer.data(), sizeof number);
        if (type == static_cast<uint32_t>(kRegDwordBigEndian)) number = ReverseDwordBytes(number);
        return Variant(number);
    }
    std::vector<uint8_t> bytes(size, 0);
    if (size > 0 && !read(bytes.data())) return std::nullopt;
    return Variant(ByteArray(0, std::move(bytes)));
}

bool CLS_Registry::EnumerateValues(NameArray& sKeyNames, int32_t& iKeyCount) const {
    iKeyCount = 0;
    sKeyNames.Erase();
    const OpenedKey opened = OpenSection(kKeyQueryValue);
    if (!opened) return true;
    const RegKey key = opened.Get();

    RegKeyInfo info;
    if (api_.RegQueryInfoKeyA(key, &info) != kErrorSuccess) return true;
    // The longest name is counted in characters; in a multibyte code page each may
    // take two bytes, so the buffer leaves room for that.
    const uint32_t bufferBytes = 2 * info.maxValueNameLen + 2;
    for (uint32_t index = 0;; ++index) {
        std::string buffer(bufferBytes, '\0');
        uint32_t length = bufferBytes;
        if (api_.RegEnumValueA(key, index, &buffer[0], &length) != kErrorSuccess) break;
        if (length > bufferBytes) length = bufferBytes;
        buffer.resize(length);
        sKeyNames.Append(api_.FromAnsi(buffer));
        iKeyCount = sKeyNames.Count();
    }
    return true;
}

bool CLS_Registry::EnumerateSections(NameArray& sSect, int32_t& iSectCount) const {
    try {
        iSectCount = 0;
        sSect.Erase();
        // Closed as the error leaves this block, before it is reported.
        const OpenedKey opened = OpenSection(kKeyEnumerateSubKeys);
        for (uint32_t index = 0; opened; ++index) {
            std::vector<char> buffer(kSubkeyNameBufferBytes, '\0');
            if (api_.RegEnumKeyA(opened.Get(), index, buffer.data(), kSubkeyNameBufferBytes) != kErrorSuccess) break;
            const size_t length = strnlen(buffer.data(), buffer.size());
            sSect.Append(api_.FromAnsi(std::string(buffer.data(), length)));
            iSectCount = sSect.Count();
        }
    } catch (...) {
        throw AppError(kErrEnumerateSections, ErrorSource(), DescribeCurrentException());
    }
    return true;
}

int32_t CLS_Registry::ReverseDwordBytes(int32_t value) {
    int32_t result = 0;
    const auto* from = reinterpret_cast<const unsigned char*>(&value);
    auto* to = reinterpret_cast<unsigned char*>(&result);
    for (int i = 0; i < 4; ++i) std::memcpy(to + (3 - i), from + i, 1);
    return result;
}

std::wstring CLS_Registry::ExpandEnvironmentText(const std::wstring& text) const {
    const std::string source = api_.ToAnsi(text);
    char none[1] = {'\0'};
    uint32_t needed = api_.ExpandEnvironmentStringsA(source, none, 0);
    // The single-byte function needs a byte more than the size it reports (which may
    // or may not count that byte already). Only an answer below the buffer's size is an
    // expanded text: at the buffer's size or above it, the environment grew since the
    // size was asked for and nothing was written, so ask again with the new size, a few
    // times at most. An answer of 0, or a text that never fits, is an expansion that failed.
    for (int attempt = 0; attempt < kExpandAttempts && needed != 0; ++attempt) {
        const uint32_t size = needed + 1;
        std::string buffer(size, '\0');
        const uint32_t answer = api_.ExpandEnvironmentStringsA(source, &buffer[0], size);
        if (answer != 0 && answer < size) {
            buffer.resize(std::strlen(buffer.c_str()));
            return api_.FromAnsi(buffer);
        }
        needed = answer;
    }
    RaiseInvalidArgument();
}

// ---- writing ----

std::wstring CLS_Registry::SetValueDescription(const Variant& value) const {
    return L"Failed to set registry value Key: '" + RootText() + L"',Section: '" + sectionKey_ + L"',Key: '" +
           valueKey_ + L"' to value: '" + value.ToText() + L"'";
}

std::wstring CLS_Registry::DeleteDescription() const {
    return L"Failed to delete registry Key: '" + RootText() + L"',Section: '" + sectionKey_;
}

bool CLS_Registry::CreateKey() {
    if (!OpenSection(kKeyAllSpecificRights, KeyOpening::Create))
        throw AppError(kErrRegistryOperation, ErrorSource(), L"Failed to create registry Key: '" + sectionKey_);
    return true;
}

bool CLS_Registry::DeleteKey() {
    if (api_.RegDeleteKeyA(Root(), AnsiSection()) != kErrorSuccess)
        throw AppError(kErrRegistryOperation, ErrorSource(), DeleteDescription());
    return true;
}

bool CLS_Registry::DeleteValue() {
    OpenedKey opened = OpenSection(kKeyAllSpecificRights);
    if (!opened)
        throw AppError(kErrRegistryOperation, ErrorSource(),
                       L"Failed to open key '" + RootText() + L"',Section: '" + sectionKey_ + L"' for delete access");
    const int32_t rc = api_.RegDeleteValueA(opened.Get(), AnsiValueName());
    opened.Reset();
    if (rc != kErrorSuccess)
        throw AppError(kErrRegistryOperation, ErrorSource(), DeleteDescription() + L"',Key: '" + valueKey_);
    return true;
}

void CLS_Registry::Value(const Variant& vValue) {
    OpenedKey opened = OpenSection(kKeyAllSpecificRights, KeyOpening::Create);
    if (!opened) throw AppError(kErrRegistryOperation, ErrorSource(), SetValueDescription(vValue));
    const int32_t rc = WriteValue(opened.Get(), vValue);
    opened.Reset();
    if (rc != kErrorSuccess) throw AppError(kErrSetValue, ErrorSource(), SetValueDescription(vValue));
}

namespace {

// A text is expandable when it holds a "%" and, two or more places after it, another.
bool LooksExpandable(const std::wstring& text) {
    const size_t first = text.find(L'%');
    return first != std::wstring::npos && text.find(L'%', first + 2) != std::wstring::npos;
}

}  // namespace

int32_t CLS_Registry::WriteValue(RegKey key, const Variant& value) const {
    const std::string name = AnsiValueName();
    switch (valueType_) {
        case kRegSz:
        case kRegExpandSz: {
            const std::wstring text = value.ToText();
            const uint32_t type = LooksExpandable(text) ? kRegExpandSz : kRegSz;
            // The byte count is that of the converted text: in a multibyte code page a
            // character may take two bytes, and the terminator must be stored too.
            const std::string ansi = api_.ToAnsi(text);
            return api_.RegSetValueExA(key, name, type, reinterpret_cast<const uint8_t*>(ansi.c_str()),
                                       static_cast<uint32_t>(ansi.size() + 1));
        }
        case kRegBinary: {
            if (!value.IsBytes())
                throw AppError(kErrRegistryOperation, L"", L"Application-defined or object-defined error");
            const ByteArray& bytes = value.AsBytes();
            // The data runs from element 0 through the upper bound: an array without an
            // element 0 has nothing to start from.
            if (!bytes.Contains(0)) RaiseSubscriptOutOfRange();
            return api_.RegSetValueExA(key, name, kRegBinary, &bytes(0), static_cast<uint32_t>(bytes.UBound() + 1));
        }
        case kRegDword:
        case kRegDwordBigEndian: {
            int32_t number = 0;
            if (value.IsLong()) {
                number = value.AsLong();
            } else if (value.IsInteger()) {
                number = value.AsInteger();
            } else {
                // Only the integer kinds make a number; anything else is refused as the
                // platform refuses data it cannot store, rather than reported as written.
                return kErrorInvalidData;
            }
            uint8_t data[4];
            std::memcpy(data, &number, sizeof data);
            return api_.RegSetValueExA(key, name, kRegDword, data, sizeof data);
        }
        default:
            return kErrorInvalidData;
    }
}
