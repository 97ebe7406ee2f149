#include "platform/win32_shell.h"

#include "platform/win32_desktop_shell.h"
#include "platform/win32_dyn_calls.h"
#include "platform/win32_handles.h"

namespace {

// How long the window waits for the desktop's shell, which answers at once when it is
// well; a shell that takes longer is taken for one that is not there.
constexpr DWORD kDesktopShellWaitMs = 5000;

const wchar_t* NullIfEmpty(const std::wstring& text) {
    return text.empty() ? nullptr : text.c_str();
}

// Loads COM and the shell and enters the thread into a single-threaded apartment, once;
// the apartment lasts as long as the thread.
void PrepareShell() {
    static const bool entered = [] {
        LoadShellCalls();
        return DynCoInitializeEx != nullptr &&
               SUCCEEDED(DynCoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    }();
    (void)entered;
}

}  // namespace

int32_t ProcessElevationType() {
    KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put())) return 0;
    TOKEN_ELEVATION_TYPE type{};
    DWORD size = 0;
    if (!GetTokenInformation(token.Get(), TokenElevationType, &type, sizeof(type), &size) || size != sizeof(type))
        return 0;
    return static_cast<int32_t>(type);
}

void ShellExecuteFromProgram(HWND owner, const std::wstring& operation, const std::wstring& file,
                             const std::wstring& parameters, const std::wstring& directory, int showCommand) {
    PrepareShell();
    if (DynShellExecuteW == nullptr) return;
    DynShellExecuteW(owner, NullIfEmpty(operation), file.c_str(), NullIfEmpty(parameters), NullIfEmpty(directory),
                     showCommand);
}

bool ShellExecuteFromDesktop(const std::wstring& operation, const std::wstring& file, const std::wstring& parameters,
                             const std::wstring& directory, int showCommand) {
    LoadShellCalls();
    if (DynCoCreateInstance == nullptr) return false;
    const DesktopShellCalls calls{DynCoCreateInstance, DynCoAllowSetForegroundWindow};
    return HandToDesktopShellWithin(calls, {operation, file, parameters, directory, showCommand}, kDesktopShellWaitMs);
}
