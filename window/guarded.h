// How the window's handlers survive the errors their statements raise. A handler
// runs its statements one by one through a Guarded: a statement that raises is
// abandoned where it stands (an assignment whose right side failed does not happen),
// the error is handed to the reporter, if there is one, and the handler goes on with
// its next statement. A condition that raises counts as true, so the handler goes on
// inside the branch that the condition guards. Nothing a statement raises leaves the
// handler, so no error ever reaches the toolkit's message loop.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "base/app_error.h"

class Guarded {
public:
    // Receives the description of every absorbed error, in the order they happen.
    using Reporter = std::function<void(const std::wstring& description)>;

    // A silent guard: errors are absorbed and forgotten.
    Guarded() = default;
    explicit Guarded(Reporter reporter) : reporter_(std::move(reporter)) {}

    // Runs one statement. Returns false when it raised.
    template <typename Statement>
    bool Step(Statement&& statement) noexcept {
        try {
            std::forward<Statement>(statement)();
            return true;
        } catch (...) {
            Absorb();
            return false;
        }
    }

    // Evaluates the condition of an If. A condition that raises gives true.
    template <typename Condition>
    bool Test(Condition&& condition) noexcept {
        try {
            return static_cast<bool>(std::forward<Condition>(condition)());
        } catch (...) {
            Absorb();
            return true;
        }
    }

private:
    // Called only from inside a catch block: describes the error in flight.
    void Absorb() noexcept {
        if (!reporter_) return;
        try {
            reporter_(DescribeCurrentException());
        } catch (...) {
            // A reporter that fails itself (a message box that cannot be shown)
            // must not take the handler down with it.
        }
    }

    Reporter reporter_;
};
