// The program under test as a process, started under a watcher that sees every process it
// starts in turn (it debugs the program and its children, passing every exception on), so
// a test can tell whether, and with which command line, the restart command was started.
#pragma once

#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32_handles.h"
#include "tests/e2e/wait_for.h"

struct StartedProcess {
    DWORD processId = 0;
    std::wstring imagePath;
    std::wstring commandLine;
};

class ProgramProcess {
public:
    // Starts the program, with the show command a launcher names (a shortcut's "Run"
    // setting) when one is given; throws std::runtime_error when it cannot be started.
    explicit ProgramProcess(const std::wstring& executable, std::optional<WORD> showCommand = std::nullopt);
    // Ends the program (and whatever it started) if it still runs.
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    DWORD Id() const { return processId_; }
    HANDLE Handle() const { return process_.Get(); }

    // True once the program's end has been reported to the watcher. By then every process
    // it started has been reported too, so Children() is complete.
    bool HasExited() const;
    bool WaitForExit(std::chrono::milliseconds timeout = kDefaultTimeout) const;
    DWORD ExitCode() const;

    // The processes the program started so far, in the order they were created.
    std::vector<StartedProcess> Children() const;

    // The file names (without folder) of the modules loaded in the program's process now,
    // the program's own file first, read from outside through a module snapshot
    // (CreateToolhelp32Snapshot(TH32CS_SNAPMODULE)). Throws std::runtime_error when no
    // snapshot could be taken.
    std::vector<std::wstring> Modules() const;

private:
    void Watch(const std::wstring& executable, std::optional<WORD> showCommand);
    void Started(DWORD processId, HANDLE process);
    void ProgramEnded();
    void RecordChild(DWORD processId, HANDLE process);
    void FillCommandLine(DWORD processId, HANDLE process);

    DWORD processId_ = 0;
    KernelHandle process_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool startDone_ = false;
    bool exitSeen_ = false;
    DWORD startError_ = 0;
    bool stopRequested_ = false;
    std::vector<StartedProcess> children_;

    std::thread watcher_;
};
