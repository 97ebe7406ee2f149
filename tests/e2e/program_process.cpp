#include "tests/e2e/program_process.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <map>
#include <stdexcept>

namespace {

// The loader stops every debugged process at a breakpoint when it starts; Wine reports
// it under either code.
constexpr DWORD kWx86Breakpoint = 0x4000001F;

// How long the watcher waits, after a stop request, for the end of the program it has
// just terminated; processes the program started are left running on their own.
constexpr int kIdlePollsAfterStop = 100;

// Every exception but the loader's start-up breakpoint belongs to the program: passing it
// on lets the program's own handlers run exactly as without a watcher.
DWORD ContinueStatus(const EXCEPTION_DEBUG_INFO& info) {
    const DWORD code = info.ExceptionRecord.ExceptionCode;
    if (info.dwFirstChance && (code == EXCEPTION_BREAKPOINT || code == kWx86Breakpoint)) {
        return DBG_CONTINUE;
    }
    return DBG_EXCEPTION_NOT_HANDLED;
}

std::wstring ReadRemoteString(HANDLE process, const UNICODE_STRING& text) {
    if (text.Buffer == nullptr || text.Length == 0) return {};
    std::wstring copy(text.Length / sizeof(wchar_t), L'\0');
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, text.Buffer, copy.data(), text.Length, &read)) return {};
    copy.resize(read / sizeof(wchar_t));
    return copy;
}

// Reads the command line and image path from the process's own parameter block.
bool ReadProcessParameters(HANDLE process, StartedProcess& record) {
    PROCESS_BASIC_INFORMATION basic{};
    ULONG length = 0;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof(basic), &length) != 0 ||
        basic.PebBaseAddress == nullptr) {
        return false;
    }
    PEB peb{};
    SIZE_T read = 0;
    if (!ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof(peb), &read) ||
        peb.ProcessParameters == nullptr) {
        return false;
    }
    RTL_USER_PROCESS_PARAMETERS parameters{};
    if (!ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof(parameters), &read)) {
        return false;
    }
    record.commandLine = ReadRemoteString(process, parameters.CommandLine);
    record.imagePath = ReadRemoteString(process, parameters.ImagePathName);
    return !record.commandLine.empty();
}

}  // namespace

ProgramProcess::ProgramProcess(const std::wstring& executable, std::optional<WORD> showCommand) {
    // The process has to be created by the thread that then waits for its debug events.
    watcher_ = std::thread([this, executable, showCommand] { Watch(executable, showCommand); });
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return startDone_; });
    if (startError_ == 0) return;
    const DWORD error = startError_;
    lock.unlock();
    watcher_.join();
    const std::string path(executable.begin(), executable.end());
    throw std::runtime_error("cannot start " + path + " (error " + std::to_string(error) + ")");
}

ProgramProcess::~ProgramProcess() {
    if (process_ && WaitForSingleObject(process_.Get(), 0) != WAIT_OBJECT_0) {
        TerminateProcess(process_.Get(), 1);
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopRequested_ = true;
    }
    // Leaving the watcher thread ends any process it still debugs.
    watcher_.join();
}

bool ProgramProcess::HasExited() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return exitSeen_;
}

bool ProgramProcess::WaitForExit(std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return exitSeen_; });
}

DWORD ProgramProcess::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.Get(), &code);
    return code;
}

std::vector<StartedProcess> ProgramProcess::Children() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return children_;
}

std::vector<std::wstring> ProgramProcess::Modules() const {
    // ERROR_BAD_LENGTH: the list changed while it was read (a DLL was loading); asked again.
    KernelHandle snapshot;
    for (int attempt = 0; attempt < 10 && !snapshot; ++attempt) {
        snapshot.Reset(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId_));
        if (!snapshot && GetLastError() != ERROR_BAD_LENGTH) break;
    }
    if (!snapshot) {
        throw std::runtime_error("no module snapshot of the program (error " + std::to_string(GetLastError()) + ")");
    }
    std::vector<std::wstring> names;
    MODULEENTRY32W module{};
    module.dwSize = sizeof(module);
    for (BOOL found = Module32FirstW(snapshot.Get(), &module); found; found = Module32NextW(snapshot.Get(), &module)) {
        names.emplace_back(module.szModule);
    }
    return names;
}

void ProgramProcess::Started(DWORD processId, HANDLE process) {
    std::lock_guard<std::mutex> lock(mutex_);
    processId_ = processId;
    process_.Reset(process);
    startDone_ = true;
    changed_.notify_all();
}

// The debug events come in the order things happened: a process the program started was
// reported before the program's own end.
void ProgramProcess::ProgramEnded() {
    std::lock_guard<std::mutex> lock(mutex_);
    exitSeen_ = true;
    changed_.notify_all();
}

void ProgramProcess::RecordChild(DWORD processId, HANDLE process) {
    StartedProcess record;
    record.processId = processId;
    ReadProcessParameters(process, record);
    std::lock_guard<std::mutex> lock(mutex_);
    children_.push_back(record);
}

// The parameter block may not be readable yet when the creation is reported; every later
// event of the same process gives another chance.
void ProgramProcess::FillCommandLine(DWORD processId, HANDLE process) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        bool missing = false;
        for (const StartedProcess& child : children_) {
            if (child.processId == processId && child.commandLine.empty()) missing = true;
        }
        if (!missing) return;
    }
    StartedProcess record;
    if (!ReadProcessParameters(process, record)) return;
    std::lock_guard<std::mutex> lock(mutex_);
    for (StartedProcess& child : children_) {
        if (child.processId != processId) continue;
        child.commandLine = record.commandLine;
        child.imagePath = record.imagePath;
    }
}

void ProgramProcess::Watch(const std::wstring& executable, std::optional<WORD> showCommand) {
    std::wstring commandLine = L"\"" + executable + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (showCommand) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = *showCommand;
    }
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE, DEBUG_PROCESS, nullptr,
                        nullptr, &startup, &info)) {
        std::lock_guard<std::mutex> lock(mutex_);
        startError_ = GetLastError();
        startDone_ = true;
        changed_.notify_all();
        return;
    }
    // The program's first thread is not watched; its handle goes when the watch ends.
    const KernelHandle firstThread(info.hThread);
    // When the watcher stops, whatever still runs goes on without it instead of being
    // killed with it: the program itself is ended on purpose, by the destructor.
    DebugSetProcessKillOnExit(FALSE);
    Started(info.dwProcessId, info.hProcess);

    // The debug events hand out process handles that the system closes itself.
    std::map<DWORD, HANDLE> debugged;
    int idlePolls = 0;
    for (;;) {
        DEBUG_EVENT event{};
        if (!WaitForDebugEvent(&event, 50)) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (stopRequested_ && (exitSeen_ || ++idlePolls > kIdlePollsAfterStop)) break;
            continue;
        }
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
            case CREATE_PROCESS_DEBUG_EVENT: {
                // The handle of the image file is the debugger's to close.
                const KernelHandle image(event.u.CreateProcessInfo.hFile);
                debugged[event.dwProcessId] = event.u.CreateProcessInfo.hProcess;
                if (event.dwProcessId != info.dwProcessId) {
                    RecordChild(event.dwProcessId, event.u.CreateProcessInfo.hProcess);
                }
                break;
            }
            case LOAD_DLL_DEBUG_EVENT: {
                const KernelHandle dll(event.u.LoadDll.hFile);
                break;
            }
            case EXCEPTION_DEBUG_EVENT:
                status = ContinueStatus(event.u.Exception);
                break;
            default:
                break;
        }
        const auto found = debugged.find(event.dwProcessId);
        if (found != debugged.end() && event.dwProcessId != info.dwProcessId) {
            FillCommandLine(event.dwProcessId, found->second);
        }
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) debugged.erase(event.dwProcessId);
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT && event.dwProcessId == info.dwProcessId) {
            ProgramEnded();
        }
    }
}
