// The tagged value that registry reads return and writes take.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "base/based_array.h"

using ByteArray = BasedArray<uint8_t>;

class Variant {
public:
    struct Empty {
        friend bool operator==(Empty, Empty) { return true; }
    };

    Variant() = default;
    Variant(int16_t v) : value_(v) {}
    Variant(int32_t v) : value_(v) {}
    Variant(double v) : value_(v) {}
    Variant(bool v) : value_(v) {}
    Variant(uint8_t v) : value_(v) {}
    Variant(std::wstring v) : value_(std::move(v)) {}
    Variant(const wchar_t* v) : value_(std::wstring(v)) {}
    Variant(ByteArray v) : value_(std::move(v)) {}

    bool IsEmpty() const { return std::holds_alternative<Empty>(value_); }
    bool IsInteger() const { return std::holds_alternative<int16_t>(value_); }
    bool IsLong() const { return std::holds_alternative<int32_t>(value_); }
    bool IsText() const { return std::holds_alternative<std::wstring>(value_); }
    bool IsBytes() const { return std::holds_alternative<ByteArray>(value_); }

    int16_t AsInteger() const { return std::get<int16_t>(value_); }
    int32_t AsLong() const { return std::get<int32_t>(value_); }
    const std::wstring& AsText() const { return std::get<std::wstring>(value_); }
    const ByteArray& AsBytes() const { return std::get<ByteArray>(value_); }

    // The text form a value takes where text is expected: numbers in decimal, an
    // empty variant as the empty text, a Boolean as True/False, bytes as hex pairs.
    std::wstring ToText() const;

    friend bool operator==(const Variant& a, const Variant& b) { return a.value_ == b.value_; }
    friend bool operator!=(const Variant& a, const Variant& b) { return !(a == b); }

private:
    std::variant<Empty, int16_t, int32_t, double, bool, uint8_t, std::wstring, ByteArray> value_;
};
