// Bounded waiting for a condition that another process brings about.
#pragma once

#include <chrono>
#include <functional>

// Long enough for a slow Wine start on a busy machine; a passing test never waits it out.
constexpr std::chrono::milliseconds kDefaultTimeout{15000};

// For what follows at once from a message the window's thread has already handled.
constexpr std::chrono::milliseconds kShortTimeout{3000};

// Polls the condition until it holds or the time is up; returns whether it held. The
// condition is tested once more at the end, so a zero timeout is a plain test.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = kDefaultTimeout);
