#include "platform/win32_shell.h"

#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include "platform/win32_dyn_calls.h"
#include "platform/win32_handles.h"

// shellapi.h names the wide function ShellExecute too; here it is the method of
// IShellDispatch2.
#undef ShellExecute

namespace {

// A COM interface pointer the program holds: released.
template <typename Interface>
struct ComTraits : NullHandleTraits<Interface*> {
    static void Close(Interface* object) { object->Release(); }
};
template <typename Interface>
using ComRef = UniqueHandle<ComTraits<Interface>>;

// A text allocated for COM: freed. Only made once oleaut32 has been found.
struct BstrTraits : NullHandleTraits<BSTR> {
    static void Close(BSTR text) { DynSysFreeString(text); }
};
using Bstr = UniqueHandle<BstrTraits>;

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

template <typename Interface>
ComRef<Interface> Query(IUnknown* from, REFIID id) {
    ComRef<Interface> found;
    if (from == nullptr || FAILED(from->QueryInterface(id, reinterpret_cast<void**>(found.Put())))) return {};
    return found;
}

// The Application object (IShellDispatch2) of the desktop's folder view: the shell of
// the desktop's own process.
ComRef<IShellDispatch2> DesktopShellDispatch() {
    ComRef<IShellWindows> windows;
    if (FAILED(DynCoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IShellWindows,
                                   reinterpret_cast<void**>(windows.Put()))))
        return {};
    VARIANT desktop{};
    desktop.vt = VT_I4;
    desktop.lVal = CSIDL_DESKTOP;
    VARIANT none{};  // VT_EMPTY
    long window = 0;
    ComRef<IDispatch> found;
    if (windows.Get()->FindWindowSW(&desktop, &none, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, found.Put()) != S_OK)
        return {};
    const auto provider = Query<IServiceProvider>(found.Get(), IID_IServiceProvider);
    ComRef<IShellBrowser> browser;
    if (!provider || FAILED(provider.Get()->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                                         reinterpret_cast<void**>(browser.Put()))))
        return {};
    ComRef<IShellView> view;
    if (!browser || FAILED(browser.Get()->QueryActiveShellView(view.Put())) || !view) return {};
    ComRef<IDispatch> background;
    if (FAILED(view.Get()->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, reinterpret_cast<void**>(background.Put()))))
        return {};
    const auto folderView = Query<IShellFolderViewDual>(background.Get(), IID_IShellFolderViewDual);
    ComRef<IDispatch> application;
    if (!folderView || FAILED(folderView.Get()->get_Application(application.Put()))) return {};
    return Query<IShellDispatch2>(application.Get(), IID_IShellDispatch2);
}

VARIANT TextArgument(const Bstr& text) {
    VARIANT argument{};
    argument.vt = VT_BSTR;
    argument.bstrVal = text.Get();
    return argument;
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
    PrepareShell();
    if (DynCoCreateInstance == nullptr || DynSysAllocString == nullptr || DynSysFreeString == nullptr) return false;
    const ComRef<IShellDispatch2> shell = DesktopShellDispatch();
    if (!shell) return false;
    const Bstr fileText(DynSysAllocString(file.c_str()));
    const Bstr parametersText(DynSysAllocString(parameters.c_str()));
    const Bstr directoryText(DynSysAllocString(directory.c_str()));
    const Bstr operationText(DynSysAllocString(operation.c_str()));
    if (!fileText || !parametersText || !directoryText || !operationText) return false;
    // The program has the foreground, the user having just clicked; the desktop's
    // process may pass it on to the browser it starts, which would open behind otherwise.
    if (DynCoAllowSetForegroundWindow != nullptr) DynCoAllowSetForegroundWindow(shell.Get(), nullptr);
    VARIANT show{};
    show.vt = VT_I4;
    show.lVal = showCommand;
    return SUCCEEDED(shell.Get()->ShellExecute(fileText.Get(), TextArgument(parametersText),
                                               TextArgument(directoryText), TextArgument(operationText), show));
}
