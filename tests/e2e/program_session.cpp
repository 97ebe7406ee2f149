#include "tests/e2e/program_session.h"

#include <windows.h>

#include <cstdlib>
#include <stdexcept>

#include "tests/support/text.h"

namespace {

// Under Wine a path of the Linux side (as the build knows the program) must become a
// Windows path before CreateProcess can use it; Wine's kernel32 offers the conversion.
std::wstring ToWindowsPath(const std::string& path) {
    using Convert = LPWSTR(CDECL*)(LPCSTR);
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto convert =
        reinterpret_cast<Convert>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
    if (!path.empty() && path[0] == '/' && convert != nullptr) {
        if (LPWSTR converted = convert(path.c_str())) {
            std::wstring result = converted;
            HeapFree(GetProcessHeap(), 0, converted);
            return result;
        }
    }
    std::wstring result = Widen(path);
    for (wchar_t& c : result) {
        if (c == L'/') c = L'\\';
    }
    return result;
}

}  // namespace

std::wstring ProgramPath() {
    if (const char* chosen = std::getenv("TDM_E2E_PROGRAM"); chosen != nullptr && *chosen) {
        return ToWindowsPath(chosen);
    }
#ifdef TDM_PROGRAM_PATH
    return ToWindowsPath(TDM_PROGRAM_PATH);
#else
    throw std::runtime_error("no program to test: set TDM_E2E_PROGRAM");
#endif
}

ProgramSession::ProgramSession(const std::vector<SeedEntry>& entries, std::optional<WORD> showCommand) {
    // Wine starts its desktop process on demand, as a child of the first process that
    // needs it. Needing it here first keeps it out of the processes the program starts
    // (and out of the watcher's reach).
    GetDesktopWindow();
    for (const SeedEntry& entry : entries) seed_.Add(entry);
    process_ = std::make_unique<ProgramProcess>(ProgramPath(), showCommand);
    window_ = AppWindow::WaitForMainWindow(process_->Id());
    if (!window_) throw std::runtime_error("the program showed no window");
}

ProgramSession::~ProgramSession() = default;

std::optional<MessageBoxView> ProgramSession::MessageBoxNow() const {
    return message_box::Find(window_->ThreadId());
}

std::optional<MessageBoxView> ProgramSession::WaitForMessageBox(std::chrono::milliseconds timeout) const {
    return message_box::WaitFor(window_->ThreadId(), timeout);
}

ProgramSession::Ending ProgramSession::WaitForEnd(std::chrono::milliseconds timeout) const {
    Ending ending;
    ::WaitFor(
        [&] {
            ending.exited = process_->HasExited();
            if (!ending.exited) ending.box = MessageBoxNow();
            return ending.exited || ending.box.has_value();
        },
        timeout);
    return ending;
}
