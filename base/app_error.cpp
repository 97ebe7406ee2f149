#include "base/app_error.h"

#include <new>

namespace {

std::string Narrow(const std::wstring& text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

std::wstring Widen(const char* text) {
    std::wstring out;
    for (const char* p = text; *p; ++p) out.push_back(static_cast<unsigned char>(*p));
    return out;
}

}  // namespace

AppError::AppError(int32_t number, std::wstring source, std::wstring description)
    : std::runtime_error(Narrow(description)),
      number_(number),
      source_(std::move(source)),
      description_(std::move(description)) {}

void RaiseInvalidArgument() {
    throw AppError(kErrInvalidArgument, L"", L"Invalid procedure call or argument");
}

void RaiseSubscriptOutOfRange() {
    throw AppError(kErrSubscriptOutOfRange, L"", L"Subscript out of range");
}

std::wstring DescribeCurrentException() {
    try {
        throw;
    } catch (const AppError& e) {
        return e.Description();
    } catch (const std::bad_alloc&) {
        return L"Out of memory";
    } catch (const std::exception& e) {
        return Widen(e.what());
    } catch (...) {
        return L"Unknown error";
    }
}
