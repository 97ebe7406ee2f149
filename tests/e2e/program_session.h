// One run of the program for one test: seeds the entries, starts the program under the
// watcher and waits for its window; at the end ends the program if it still runs and
// removes the seeded entries.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/app_window.h"
#include "tests/e2e/display_class_seed.h"
#include "tests/e2e/message_box.h"
#include "tests/e2e/program_process.h"
#include "tests/e2e/wait_for.h"

// The program under test: the path in the environment variable TDM_E2E_PROGRAM when it
// is set, else the program this build made; as a Windows path.
std::wstring ProgramPath();

class ProgramSession {
public:
    // Throws std::runtime_error when seeding, starting or finding the window fails.
    // showCommand: the one a launcher names, if any (see ProgramProcess).
    explicit ProgramSession(const std::vector<SeedEntry>& entries = {}, std::optional<WORD> showCommand = std::nullopt);
    ~ProgramSession();
    ProgramSession(const ProgramSession&) = delete;
    ProgramSession& operator=(const ProgramSession&) = delete;

    const AppWindow& Window() const { return *window_; }
    const ProgramProcess& Process() const { return *process_; }

    std::optional<MessageBoxView> MessageBoxNow() const;
    std::optional<MessageBoxView> WaitForMessageBox(std::chrono::milliseconds timeout = kDefaultTimeout) const;

    // What happened after the window was asked to close: the process ended, or a message
    // box came up first (and is still open), or neither in time.
    struct Ending {
        bool exited = false;
        std::optional<MessageBoxView> box;
    };
    Ending WaitForEnd(std::chrono::milliseconds timeout = kDefaultTimeout) const;

private:
    // Destroyed last: the seeds go only after the program has ended.
    DisplayClassSeed seed_;
    std::unique_ptr<ProgramProcess> process_;
    std::optional<AppWindow> window_;
};
