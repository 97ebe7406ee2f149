#include "platform/win32_desktop_shell.h"

#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include <atomic>
#include <memory>

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

template <typename Interface>
ComRef<Interface> Query(IUnknown* from, REFIID id) {
    ComRef<Interface> found;
    if (from == nullptr || FAILED(from->QueryInterface(id, reinterpret_cast<void**>(found.Put())))) return {};
    return found;
}

// The Application object (IShellDispatch2) of the desktop's folder view: the shell of
// the desktop's own process. Only Explorer's process serves the list of shell windows,
// so it is asked for as a local server, never loaded into the program.
ComRef<IShellDispatch2> DesktopShellDispatch(const DesktopShellCalls& calls) {
    ComRef<IShellWindows> windows;
    if (FAILED(calls.createInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                    reinterpret_cast<void**>(windows.Put()))))
        return {};
    VARIANT desktop{};
    desktop.vt = VT_I4;
    desktop.lVal = CSIDL_DESKTOP;
    VARIANT none{};  // VT_EMPTY
    long window = 0;
    ComRef<IDispatch> found;
    // S_FALSE: there is no desktop window.
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

bool Execute(IShellDispatch2* shell, const DesktopShellCalls& calls, const ShellRequest& request,
             const std::function<bool()>& mayHandOver) {
    const Bstr fileText(DynSysAllocString(request.file.c_str()));
    const Bstr parametersText(DynSysAllocString(request.parameters.c_str()));
    const Bstr directoryText(DynSysAllocString(request.directory.c_str()));
    const Bstr operationText(DynSysAllocString(request.operation.c_str()));
    if (!fileText || !parametersText || !directoryText || !operationText) return false;
    // First whether the request is still the shell's to open: a worker the wait gave up
    // on makes no further call to the desktop's process (each may hang) and grants it
    // nothing.
    if (!mayHandOver()) return false;
    // The program has the foreground, the user having just clicked; the desktop's
    // process may pass it on to the browser it starts, which would open behind otherwise.
    if (calls.allowSetForegroundWindow != nullptr) calls.allowSetForegroundWindow(shell, nullptr);
    VARIANT show{};
    show.vt = VT_I4;
    show.lVal = request.showCommand;
    return SUCCEEDED(shell->ShellExecute(fileText.Get(), TextArgument(parametersText), TextArgument(directoryText),
                                         TextArgument(operationText), show));
}

// Who opens the document, settled once: the worker when it comes to hand the request to
// the shell, the waiting thread when it gives up on the shell and opens it itself.
enum class Opener { Undecided, Shell, Program };

// What the waiting thread and the worker share. Either may be the last to let go: the
// waiting thread gives up on a hung shell and returns, the worker goes on with its own
// copy of the request.
struct RouteJob {
    DesktopShellCalls calls;
    ShellRequest request;
    KernelHandle answeredEvent;
    std::atomic<bool> taken{false};
    std::atomic<Opener> opener{Opener::Undecided};

    // True when `claimant` is the one that opens the document; the other one stands back.
    bool Claim(Opener claimant) {
        Opener undecided = Opener::Undecided;
        return opener.compare_exchange_strong(undecided, claimant);
    }
};

// An apartment the worker thread entered: left again.
struct ApartmentTraits : NullHandleTraits<bool> {
    static void Close(bool) { DynCoUninitialize(); }
};
using Apartment = UniqueHandle<ApartmentTraits>;

DWORD WINAPI RunRoute(void* parameter) {
    const std::unique_ptr<std::shared_ptr<RouteJob>> owned(static_cast<std::shared_ptr<RouteJob>*>(parameter));
    RouteJob& job = **owned;
    const auto answer = [&job](bool taken) {
        job.taken = taken;
        SetEvent(job.answeredEvent.Get());
    };
    const Apartment apartment(SUCCEEDED(DynCoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)));
    if (apartment) {
        HandToDesktopShell(
            job.calls, job.request, [&job] { return job.Claim(Opener::Shell); }, answer);
    } else {
        answer(false);
    }
    return 0;
}

// What the wait dispatches: messages sent from other threads and processes, posted
// messages and timers, and painting. The user's keys and clicks stay in the queue
// until the handler that waits has ended, as they would for any other handler: a
// second click on the link, or Close, must not run inside this one.
constexpr DWORD kAnsweredWake = QS_SENDMESSAGE | QS_POSTMESSAGE | QS_TIMER | QS_PAINT;
constexpr UINT kAnsweredPeek = PM_QS_SENDMESSAGE | PM_QS_POSTMESSAGE | PM_QS_PAINT;

// Waits for `event` at most `milliseconds`, dispatching the thread's messages other
// than input meanwhile, so that its windows paint and answer. True when the event came.
bool WaitDispatching(HANDLE event, DWORD milliseconds) {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    bool quitMet = false;
    WPARAM quitCode = 0;
    bool signalled = false;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        // After a WM_QUIT the loop that posted it is to end: no more dispatching.
        const DWORD woke = quitMet ? WaitForSingleObject(event, left)
                                   : MsgWaitForMultipleObjectsEx(1, &event, left, kAnsweredWake, MWMO_INPUTAVAILABLE);
        if (woke != WAIT_OBJECT_0 + 1) {
            signalled = woke == WAIT_OBJECT_0;
            break;
        }
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | kAnsweredPeek)) {
            if (message.message == WM_QUIT) {
                quitMet = true;
                quitCode = message.wParam;
                break;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    if (quitMet) PostQuitMessage(static_cast<int>(quitCode));
    return signalled;
}

}  // namespace

void HandToDesktopShell(const DesktopShellCalls& calls, const ShellRequest& request,
                        const std::function<bool()>& mayHandOver, const std::function<void(bool taken)>& answered) {
    if (calls.createInstance == nullptr || DynSysAllocString == nullptr || DynSysFreeString == nullptr) {
        answered(false);
        return;
    }
    const ComRef<IShellDispatch2> shell = DesktopShellDispatch(calls);
    answered(shell && Execute(shell.Get(), calls, request, mayHandOver));
}

bool HandToDesktopShellWithin(const DesktopShellCalls& calls, const ShellRequest& request, DWORD waitMilliseconds) {
    LoadShellCalls();
    if (DynCoInitializeEx == nullptr || DynCoUninitialize == nullptr) return false;
    auto job = std::make_shared<RouteJob>();
    job->calls = calls;
    job->request = request;
    job->answeredEvent.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!job->answeredEvent) return false;
    auto* handedOver = new std::shared_ptr<RouteJob>(job);
    const KernelHandle worker(CreateThread(nullptr, 0, &RunRoute, handedOver, 0, nullptr));
    if (!worker) {
        delete handedOver;
        return false;
    }
    if (WaitDispatching(job->answeredEvent.Get(), waitMilliseconds)) return job->taken;
    if (job->Claim(Opener::Program)) return false;
    // The worker had handed the request over already: the shell has it, though it has not
    // answered, unless its answer has just come and was a refusal.
    return WaitForSingleObject(job->answeredEvent.Get(), 0) != WAIT_OBJECT_0 || job->taken;
}
