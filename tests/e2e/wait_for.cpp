#include "tests/e2e/wait_for.h"

#include <windows.h>

namespace {
// Short enough not to slow the tests down, long enough not to steal the program's CPU.
constexpr DWORD kPollMilliseconds = 10;
}  // namespace

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) return true;
        Sleep(kPollMilliseconds);
    }
    return condition();
}
