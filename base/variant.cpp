#include "base/variant.h"

#include <cstdio>

namespace {

std::wstring DoubleText(double v) {
    wchar_t buf[64];
    std::swprintf(buf, sizeof buf / sizeof buf[0], L"%.15g", v);
    return buf;
}

std::wstring HexPairs(const ByteArray& bytes) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring out;
    for (uint8_t b : bytes.Items()) {
        if (!out.empty()) out.push_back(L' ');
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 0xF]);
    }
    return out;
}

}  // namespace

std::wstring Variant::ToText() const {
    struct Visitor {
        std::wstring operator()(Empty) const { return L""; }
        std::wstring operator()(int16_t v) const { return std::to_wstring(v); }
        std::wstring operator()(int32_t v) const { return std::to_wstring(v); }
        std::wstring operator()(double v) const { return DoubleText(v); }
        std::wstring operator()(bool v) const { return v ? L"True" : L"False"; }
        std::wstring operator()(uint8_t v) const { return std::to_wstring(v); }
        std::wstring operator()(const std::wstring& v) const { return v; }
        std::wstring operator()(const ByteArray& v) const { return HexPairs(v); }
    };
    return std::visit(Visitor{}, value_);
}
