// The route through the desktop's shell, and the bounded wait for it, against stand-ins
// for the shell's objects that note every call and count the references handed out and
// given back. They use the interfaces as C structures (CINTERFACE), so that each fills
// only the methods the route calls, in the slots the headers give.
#define CINTERFACE

#include <gtest/gtest.h>

#include <windows.h>

#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shobjidl.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32_desktop_shell.h"
#include "platform/win32_dyn_calls.h"
#include "platform/win32_handles.h"

// shellapi.h names the wide function ShellExecute too; here it is the method of
// IShellDispatch2.
#undef ShellExecute

namespace {

// Every call of the route when every step answers, with the parameters the
// documentation gives: CLSID_ShellWindows as a local server (CLSCTX_LOCAL_SERVER 4) for
// IID_IShellWindows; the desktop (CSIDL_DESKTOP 0 as VT_I4 3, no root: VT_EMPTY 0) of
// class SWC_DESKTOP 8 with SWFO_NEEDDISPATCH 1; IID_IServiceProvider;
// SID_STopLevelBrowser for IID_IShellBrowser; SVGIO_BACKGROUND 0 as IID_IDispatch;
// IID_IShellFolderViewDual; IID_IShellDispatch2; the foreground for the shell's object;
// the address as a BSTR, then VT_BSTR 8 arguments, folder and verb and VT_I4 3
// SW_SHOWNORMAL 1. Each but the first is made on the object the step before handed out.
const std::vector<std::string> kWholeRoute = {
    "CoCreateInstance {9BA05972-F6A8-11CF-A442-00A0C90A8F39} outer 0 context 4 {85CB6900-4D95-11CF-960C-0080C7F4EE85}",
    "FindWindowSW location 3:0 root 0: class 8 options 1",
    "QueryInterface {6D5140C1-7436-11CE-8034-00AA006009FA}",
    "QueryService {4C96BE40-915C-11CF-99D3-00AA004AE837} {000214E2-0000-0000-C000-000000000046}",
    "QueryActiveShellView",
    "GetItemObject 0 {00020400-0000-0000-C000-000000000046}",
    "QueryInterface {E7A1AF80-4D96-11CF-960C-0080C7F4EE85}",
    "get_Application",
    "QueryInterface {A4C6892C-3BA9-11D2-9DEA-00C04FB16162}",
    "CoAllowSetForegroundWindow",
    "ShellExecute https://talvorin.example/ 8: 8: 8:Open 3:1",
};
constexpr HRESULT kClassNotRegistered = static_cast<HRESULT>(0x80040154);
constexpr HRESULT kNoInterface = static_cast<HRESULT>(0x80004002);
constexpr HRESULT kFail = static_cast<HRESULT>(0x80004005);

std::string Text(const GUID& id) {
    char text[40] = {};
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0], id.Data4[1], id.Data4[2],
                  id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6], id.Data4[7]);
    return text;
}
std::string Text(const wchar_t* text) {
    std::string narrow;
    for (const wchar_t* c = text; c != nullptr && *c != 0; ++c) narrow += static_cast<char>(*c);
    return narrow;
}
std::string Text(const VARIANT& value) {
    if (value.vt == VT_I4) return "3:" + std::to_string(value.lVal);
    return std::to_string(value.vt) + ":" + (value.vt == VT_BSTR ? Text(value.bstrVal) : "");
}

// One object of the shell; `lpVtbl` first, where a caller looks for the methods.
struct StandInObject {
    const void* lpVtbl = nullptr;
    std::atomic<LONG> added{0};
    std::atomic<LONG> released{0};
    HANDLE holdsRelease = nullptr;  // set: Release waits for it, as a hung shell would
};

// The shell's objects in the order the route reaches them, each step that hands one out
// handing out the next; the step that fails, and what it answers there, without an
// object; every call made, marked when not made on the object handed out last.
struct ShellStandIn {
    ShellStandIn(size_t failingStep = 0, HRESULT failure = S_OK);
    std::array<StandInObject, 9> objects;
    size_t handedOut = 0;
    size_t failingStep;  // 1-based index into kWholeRoute; 0: none fails
    HRESULT failure;
    std::vector<std::string> calls;
    HANDLE holdsCreate = nullptr;   // set: CoCreateInstance waits for it, as a hung shell would
    HANDLE holdsExecute = nullptr;  // set: ShellExecute waits for it
    std::atomic<bool> executing{false};
    std::atomic<DWORD> createThread{0};

    // Notes the call; the answer of the step, with the next object and the receiver's
    // reference when it finds one (`out` set) and does not fail.
    HRESULT Answer(const std::string& call, const void* self, void** out = nullptr) {
        const bool onTheLast = handedOut == 0 || self == &objects[handedOut - 1];
        calls.push_back(call + (onTheLast ? "" : " on another object"));
        if (out != nullptr) *out = nullptr;
        if (calls.size() == failingStep) return failure;
        if (out == nullptr) return S_OK;
        if (handedOut == objects.size()) return kNoInterface;
        ++objects[handedOut].added;
        *out = &objects[handedOut++];
        return S_OK;
    }
};

ShellStandIn* g_shell = nullptr;

// A method table with only IUnknown's methods. A query hands out the next object
// whatever it asks for: the calls noted show what was asked.
template <typename Vtbl, typename Interface>
Vtbl UnknownOnly() {
    Vtbl table{};
    table.QueryInterface = [](Interface* self, REFIID id, void** out) {
        return g_shell->Answer("QueryInterface " + Text(id), self, out);
    };
    table.AddRef = [](Interface* self) { return static_cast<ULONG>(++reinterpret_cast<StandInObject*>(self)->added); };
    table.Release = [](Interface* self) {
        StandInObject& object = *reinterpret_cast<StandInObject*>(self);
        if (object.holdsRelease != nullptr) WaitForSingleObject(object.holdsRelease, INFINITE);
        return static_cast<ULONG>(++object.released);
    };
    return table;
}

// The method tables, each with the methods the route calls (lambdas: x64 has a single
// calling convention).
struct Tables {
    IShellWindowsVtbl windows = UnknownOnly<IShellWindowsVtbl, IShellWindows>();
    IDispatchVtbl dispatch = UnknownOnly<IDispatchVtbl, IDispatch>();
    IServiceProviderVtbl provider = UnknownOnly<IServiceProviderVtbl, IServiceProvider>();
    IShellBrowserVtbl browser = UnknownOnly<IShellBrowserVtbl, IShellBrowser>();
    IShellViewVtbl view = UnknownOnly<IShellViewVtbl, IShellView>();
    IShellFolderViewDualVtbl folderView = UnknownOnly<IShellFolderViewDualVtbl, IShellFolderViewDual>();
    IShellDispatch2Vtbl shellDispatch = UnknownOnly<IShellDispatch2Vtbl, IShellDispatch2>();
    Tables() {
        windows.FindWindowSW = [](IShellWindows* self, VARIANT* location, VARIANT* root, int windowClass, LONG* window,
                                  int options, IDispatch** out) {
            *window = 0;
            return g_shell->Answer("FindWindowSW location " + Text(*location) + " root " + Text(*root) + " class " +
                                       std::to_string(windowClass) + " options " + std::to_string(options),
                                   self, reinterpret_cast<void**>(out));
        };
        provider.QueryService = [](IServiceProvider* self, REFGUID service, REFIID id, void** out) {
            return g_shell->Answer("QueryService " + Text(service) + " " + Text(id), self, out);
        };
        browser.QueryActiveShellView = [](IShellBrowser* self, IShellView** out) {
            return g_shell->Answer("QueryActiveShellView", self, reinterpret_cast<void**>(out));
        };
        view.GetItemObject = [](IShellView* self, UINT item, REFIID id, void** out) {
            return g_shell->Answer("GetItemObject " + std::to_string(item) + " " + Text(id), self, out);
        };
        folderView.get_Application = [](IShellFolderViewDual* self, IDispatch** out) {
            return g_shell->Answer("get_Application", self, reinterpret_cast<void**>(out));
        };
        shellDispatch.ShellExecute = [](IShellDispatch2* self, BSTR file, VARIANT arguments, VARIANT directory,
                                        VARIANT operation, VARIANT show) {
            g_shell->executing = true;
            if (g_shell->holdsExecute != nullptr) WaitForSingleObject(g_shell->holdsExecute, INFINITE);
            return g_shell->Answer("ShellExecute " + Text(file) + " " + Text(arguments) + " " + Text(directory) + " " +
                                       Text(operation) + " " + Text(show),
                                   self);
        };
    }
};
const Tables kTables;

// The calls that reach the shell from outside its objects.
HRESULT STDMETHODCALLTYPE CreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID id, LPVOID* out) {
    g_shell->createThread = GetCurrentThreadId();
    if (g_shell->holdsCreate != nullptr) WaitForSingleObject(g_shell->holdsCreate, INFINITE);
    return g_shell->Answer("CoCreateInstance " + Text(clsid) + " outer " + std::to_string(outer != nullptr) +
                               " context " + std::to_string(context) + " " + Text(id),
                           nullptr, out);
}
HRESULT STDMETHODCALLTYPE AllowSetForegroundWindow(IUnknown* object, LPVOID) {
    return g_shell->Answer("CoAllowSetForegroundWindow", object);
}

// The shell's windows; the desktop's view, its background and the application, each
// found as IDispatch; and what a query on each finds. The newest stand-in takes the calls.
ShellStandIn::ShellStandIn(size_t failing, HRESULT answer) : failingStep(failing), failure(answer) {
    const std::array<const void*, 9> tables = {&kTables.windows,    &kTables.dispatch, &kTables.provider,
                                               &kTables.browser,    &kTables.view,     &kTables.dispatch,
                                               &kTables.folderView, &kTables.dispatch, &kTables.shellDispatch};
    for (size_t i = 0; i < tables.size(); ++i) objects[i].lpVtbl = tables[i];
    g_shell = this;
}

// The calls were the route's first `count`, and every reference was given back.
void ExpectRoute(const ShellStandIn& shell, size_t count) {
    EXPECT_EQ(shell.calls, std::vector<std::string>(kWholeRoute.begin(), kWholeRoute.begin() + count));
    for (size_t i = 0; i < shell.objects.size(); ++i) {
        EXPECT_EQ(shell.objects[i].released, shell.objects[i].added) << "object " << i << " of the route";
    }
}

class DesktopShellRoute : public ::testing::Test {
protected:
    void SetUp() override {
        LoadShellCalls();
        // An apartment, as the worker has.
        ASSERT_TRUE(SUCCEEDED(DynCoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    }
    void TearDown() override { DynCoUninitialize(); }

    // The route from a worker, held by the shell on `hold` until the wait of `milliseconds`
    // has ended: whether the request was taken. Once let go, the worker goes on by itself,
    // making the route's first `callsMade` calls.
    bool RunHeldBy(HANDLE& hold, DWORD milliseconds, size_t callsMade) {
        const KernelHandle letGo(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        hold = letGo.Get();
        const bool taken = HandToDesktopShellWithin(kCalls, kRequest, milliseconds);
        SetEvent(letGo.Get());
        for (int i = 0; i < 200 && shell_.objects[8].released == 0; ++i) Sleep(50);
        ExpectRoute(shell_, callsMade);
        return taken;
    }

    const DesktopShellCalls kCalls{&CreateInstance, &AllowSetForegroundWindow};
    const ShellRequest kRequest{L"Open", L"https://talvorin.example/", L"", L"", SW_SHOWNORMAL};
    ShellStandIn shell_;
};

const std::function<bool()> kAlwaysHandOver = [] { return true; };

TEST_F(DesktopShellRoute, HandsTheRequestToTheDesktopsShellOrEndsAtTheStepThatFails) {
    struct Case {
        size_t failingStep;  // in kWholeRoute, from 1; 0: none
        HRESULT answer;
        size_t callsMade;
        bool taken;
    };
    const Case cases[] = {
        {0, S_OK, 11, true},          {1, kClassNotRegistered, 1, false},  // no desktop process: Wine without a display
        {2, S_FALSE, 2, false},                                            // documented: no such window
        {3, kNoInterface, 3, false},  {4, kNoInterface, 4, false},
        {5, kFail, 5, false},         {5, S_OK, 5, false},  // says it succeeded, but gives no view
        {6, kNoInterface, 6, false},  {7, kNoInterface, 7, false},
        {8, kFail, 8, false},         {9, kNoInterface, 9, false},  // a shell older than IShellDispatch2
        {10, kNoInterface, 11, true},                               // the foreground is a courtesy
        {11, S_FALSE, 11, true},                                    // taken; its own start of the document failed
        {11, kFail, 11, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("step " + std::to_string(c.failingStep) + " answers " + std::to_string(c.answer));
        const ShellStandIn shell(c.failingStep, c.answer);
        // The route on this thread, as the worker runs it: it answers once.
        std::vector<bool> answers;
        const auto answered = [&answers](bool taken) { answers.push_back(taken); };
        HandToDesktopShell(kCalls, kRequest, kAlwaysHandOver, answered);
        EXPECT_EQ(answers, std::vector<bool>{c.taken});
        ExpectRoute(shell, c.callsMade);
        if (c.taken) {
            EXPECT_EQ(shell.objects[8].added, 1) << "the shell's object was not handed out";
        }
    }
}

TEST_F(DesktopShellRoute, AWorkerGivenUpOnGrantsTheDesktopNothingAndHandsNothingOver) {
    // The wait gave up before the worker had the shell's object: the worker makes no
    // further call to the desktop's process, the foreground's grant included (it grants
    // the desktop's process the foreground, and may hang as any call to it may).
    std::vector<bool> answers;
    HandToDesktopShell(
        kCalls, kRequest, [] { return false; }, [&answers](bool taken) { answers.push_back(taken); });
    EXPECT_EQ(answers, std::vector<bool>{false});
    ExpectRoute(shell_, kWholeRoute.size() - 2);
}

TEST_F(DesktopShellRoute, AShellThatTookTheRequestHasTakenItThoughItHangsAfterwards) {
    // The shell takes the request, then hangs when its last reference is given back:
    // the site is being opened, and the program must not open it a second time.
    EXPECT_TRUE(RunHeldBy(shell_.objects[8].holdsRelease, 10000, kWholeRoute.size()));
}

TEST_F(DesktopShellRoute, AShellThatHangsInShellExecuteHasTheRequest) {
    // Handed over before the wait gave up, the request may still open the site. A thread
    // timer's tick keeps the wait from giving up before the worker is in ShellExecute.
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) {
        for (int i = 0; i < 1000 && !g_shell->executing; ++i) Sleep(10);
    });
    EXPECT_TRUE(RunHeldBy(shell_.holdsExecute, 300, kWholeRoute.size()));
    KillTimer(nullptr, timer);
}

struct WindowTraits : NullHandleTraits<HWND> {
    static void Close(HWND window) { DestroyWindow(window); }
};

// At a timer's first tick the user presses a key (VK_F5 0x74, down then up:
// KEYEVENTF_KEYUP 2); its second ends the loop that runs the window, as Close would.
int g_timerTicks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) {
    if (++g_timerTicks == 2) PostQuitMessage(7);
    if (g_timerTicks != 1) return;
    std::array<INPUT, 2> keys{};
    for (INPUT& key : keys) key.type = INPUT_KEYBOARD, key.ki.wVk = 0x74;
    keys[1].ki.dwFlags = 2;
    SendInput(2, keys.data(), sizeof(INPUT));
}

TEST_F(DesktopShellRoute, AShellThatDoesNotAnswerIsGivenUpWhileTheWindowKeepsAnswering) {
    // The thread's window has the focus, so the key is queued for this thread.
    const UniqueHandle<WindowTraits> window(
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr));
    SetForegroundWindow(window.Get());
    SetFocus(window.Get());
    // A timer of the thread: only a dispatched WM_TIMER calls it.
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, &CountTick);

    // CoCreateInstance does not answer in time; once it does, the route ends before it
    // grants the foreground, since the program opens the site itself.
    EXPECT_FALSE(RunHeldBy(shell_.holdsCreate, 300, kWholeRoute.size() - 2));
    KillTimer(nullptr, timer);
    EXPECT_EQ(g_timerTicks, 2) << "the thread's messages waited for the shell, or went on after WM_QUIT";
    EXPECT_NE(shell_.createThread, 0u);
    EXPECT_NE(shell_.createThread, GetCurrentThreadId()) << "the shell was called from the window's thread";
    MSG message{};
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the WM_QUIT was lost";
    EXPECT_EQ(message.wParam, 7u);
    // The key waits for the end of the click's handler: nothing of the user's ran inside it.
    EXPECT_TRUE(PeekMessageW(&message, window.Get(), WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) << "the key was handled";
}

}  // namespace
