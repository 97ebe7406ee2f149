#include "window/adapter_name.h"

#include <algorithm>
#include <vector>

#include "base/app_error.h"

namespace {

constexpr int32_t kErrObjectNotSet = 91;

constexpr const wchar_t* kDriverDesc = L"DriverDesc";
constexpr const wchar_t* kAdapterString = L"HardwareInformation.AdapterString";

// The text of a read before its NULs are removed.
std::wstring RawValueText(const Variant& value) {
    if (value.IsEmpty()) return L"";
    if (value.IsText()) return value.AsText();
    if (value.IsLong()) return std::to_wstring(value.AsLong());
    if (value.IsInteger()) return std::to_wstring(value.AsInteger());
    if (!value.IsBytes()) return value.ToText();
    // Binary data is taken as UTF-16LE without any code-page conversion; an odd
    // last byte belongs to no character.
    const std::vector<uint8_t>& bytes = value.AsBytes().Items();
    std::wstring text;
    text.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return text;
}

}  // namespace

std::wstring ValueText(const Variant& value) {
    std::wstring text = RawValueText(value);
    text.erase(std::remove(text.begin(), text.end(), L'\0'), text.end());
    return text;
}

bool IsEmptyResult(const Variant& value) {
    return RawValueText(value).empty();
}

CLS_Registry& Use(CLS_Registry* registry) {
    if (!registry) throw AppError(kErrObjectNotSet, L"", L"Object variable or With block variable not set");
    return *registry;
}

Variant ReadSelected(CLS_Registry& registry, RegKey heldKey) {
    return heldKey != 0 ? registry.ValueIn(heldKey) : registry.Value();
}

void SelectAdapterNameValue(CLS_Registry* registry, RegKey heldKey, Guarded& guard) {
    guard.Step([&] { Use(registry).ValueType(kRegSz); });
    guard.Step([&] { Use(registry).ValueKey(kDriverDesc); });
    if (guard.Test([&] { return IsEmptyResult(ReadSelected(Use(registry), heldKey)); })) {
        guard.Step([&] { Use(registry).ValueKey(kAdapterString); });
    }
}

bool AdapterNameIn(RegistryApi& api, RegKey heldKey, std::wstring& name) {
    CLS_Registry registry(api);
    Guarded guard;
    SelectAdapterNameValue(&registry, heldKey, guard);
    bool named = false;
    guard.Step([&] {
        const Variant value = ReadSelected(registry, heldKey);
        named = !IsEmptyResult(value);
        name = ValueText(value);
    });
    return named;
}
