// The one error type of the program: a number, a source and a description.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

class AppError : public std::runtime_error {
public:
    AppError(int32_t number, std::wstring source, std::wstring description);

    int32_t Number() const { return number_; }
    const std::wstring& Source() const { return source_; }
    const std::wstring& Description() const { return description_; }

private:
    int32_t number_;
    std::wstring source_;
    std::wstring description_;
};

// The standard errors of the program's own text and array operations.
constexpr int32_t kErrInvalidArgument = 5;
constexpr int32_t kErrSubscriptOutOfRange = 9;

[[noreturn]] void RaiseInvalidArgument();
[[noreturn]] void RaiseSubscriptOutOfRange();

// The description of whatever was caught: an AppError's own text, otherwise the
// standard library's message widened byte for byte.
std::wstring DescribeCurrentException();
