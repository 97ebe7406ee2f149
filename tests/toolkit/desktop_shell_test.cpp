// The route through the desktop's shell, against stand-ins for the shell's objects that
// note every call with its parameters and count the references handed out and given
// back; and the bounded wait for it, against a shell that does not answer.
//
// The stand-ins use the shell's interfaces as C structures (CINTERFACE), so that each
// fills only the methods the route calls, in the slots the headers give.
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
// SW_SHOWNORMAL 1.
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
    "CoAllowSetForegroundWindow IShellDispatch2",
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
std::string Text(const VARIANT& value) {
    std::string text = std::to_string(value.vt) + ":";
    if (value.vt == VT_I4) text += std::to_string(value.lVal);
    if (value.vt == VT_BSTR && value.bstrVal != nullptr) {
        for (const wchar_t* c = value.bstrVal; *c != 0; ++c) text += static_cast<char>(*c);
    }
    return text;
}

struct ShellStandIn;

// One object of the shell; `lpVtbl` first, where a caller looks for the methods.
struct StandInObject {
    const void* lpVtbl = nullptr;
    ShellStandIn* shell = nullptr;
    std::string offers;  // asked for this interface, the object hands out `next`
    StandInObject* next = nullptr;
    // The worker gives its last reference back after the wait for its answer.
    std::atomic<LONG> added{0};
    std::atomic<LONG> released{0};
    HANDLE holdsRelease = nullptr;  // set: Release waits for it, as a hung shell would
};

// The shell's objects in the order the route reaches them; the step that fails, and
// what it answers there, without an object; every call made.
struct ShellStandIn {
    std::array<StandInObject, 9> objects;
    size_t failingStep = 0;  // 1-based index into kWholeRoute; 0: none fails
    HRESULT failure = S_OK;
    std::vector<std::string> calls;

    // Notes the call; true when it is the one to fail.
    bool Fails(const std::string& call) {
        calls.push_back(call);
        return calls.size() == failingStep;
    }
    // The answer of a call that hands out object `index`, with the receiver's reference.
    HRESULT Answer(const std::string& call, size_t index, void** out) {
        *out = nullptr;
        if (Fails(call)) return failure;
        ++objects[index].added;
        *out = &objects[index];
        return S_OK;
    }
};

ShellStandIn* g_shell = nullptr;

StandInObject& Of(void* self) {
    return *static_cast<StandInObject*>(self);
}
size_t IndexOf(void* self, size_t step) {
    return static_cast<size_t>(&Of(self) - Of(self).shell->objects.data()) + step;
}

template <typename Interface>
HRESULT STDMETHODCALLTYPE QueryInterface(Interface* self, REFIID id, void** out) {
    StandInObject& object = Of(self);
    *out = nullptr;
    if (Text(id) != object.offers) return kNoInterface;
    return object.shell->Answer("QueryInterface " + Text(id), IndexOf(self, 1), out);
}
template <typename Interface>
ULONG STDMETHODCALLTYPE AddRef(Interface* self) {
    return static_cast<ULONG>(++Of(self).added);
}
template <typename Interface>
ULONG STDMETHODCALLTYPE Release(Interface* self) {
    StandInObject& object = Of(self);
    if (object.holdsRelease != nullptr) WaitForSingleObject(object.holdsRelease, INFINITE);
    return static_cast<ULONG>(++object.released);
}
template <typename Vtbl, typename Interface>
Vtbl UnknownOnly() {
    Vtbl table{};
    table.QueryInterface = &QueryInterface<Interface>;
    table.AddRef = &AddRef<Interface>;
    table.Release = &Release<Interface>;
    return table;
}

HRESULT STDMETHODCALLTYPE CreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID id, LPVOID* out) {
    return g_shell->Answer("CoCreateInstance " + Text(clsid) + " outer " + std::to_string(outer != nullptr) +
                               " context " + std::to_string(context) + " " + Text(id),
                           0, out);
}

HRESULT STDMETHODCALLTYPE AllowSetForegroundWindow(IUnknown* object, LPVOID) {
    const bool shell = static_cast<void*>(object) == &g_shell->objects[8];
    return g_shell->Fails(std::string("CoAllowSetForegroundWindow ") + (shell ? "IShellDispatch2" : "another"))
               ? g_shell->failure
               : S_OK;
}

HRESULT STDMETHODCALLTYPE FindWindowSW(IShellWindows* self, VARIANT* location, VARIANT* root, int windowClass,
                                       LONG* window, int options, IDispatch** out) {
    *window = 0;
    return Of(self).shell->Answer("FindWindowSW location " + Text(*location) + " root " + Text(*root) + " class " +
                                      std::to_string(windowClass) + " options " + std::to_string(options),
                                  1, reinterpret_cast<void**>(out));
}
HRESULT STDMETHODCALLTYPE QueryService(IServiceProvider* self, REFGUID service, REFIID id, void** out) {
    return Of(self).shell->Answer("QueryService " + Text(service) + " " + Text(id), 3, out);
}
HRESULT STDMETHODCALLTYPE QueryActiveShellView(IShellBrowser* self, IShellView** out) {
    return Of(self).shell->Answer("QueryActiveShellView", 4, reinterpret_cast<void**>(out));
}
HRESULT STDMETHODCALLTYPE GetItemObject(IShellView* self, UINT item, REFIID id, void** out) {
    return Of(self).shell->Answer("GetItemObject " + std::to_string(item) + " " + Text(id), 5, out);
}
HRESULT STDMETHODCALLTYPE GetApplication(IShellFolderViewDual* self, IDispatch** out) {
    return Of(self).shell->Answer("get_Application", 7, reinterpret_cast<void**>(out));
}
HRESULT STDMETHODCALLTYPE ShellExecuteMethod(IShellDispatch2* self, BSTR file, VARIANT arguments, VARIANT directory,
                                             VARIANT operation, VARIANT show) {
    VARIANT fileText{};
    fileText.vt = VT_BSTR;
    fileText.bstrVal = file;
    const std::string call = "ShellExecute " + Text(fileText).substr(2) + " " + Text(arguments) + " " +
                             Text(directory) + " " + Text(operation) + " " + Text(show);
    return Of(self).shell->Fails(call) ? Of(self).shell->failure : S_OK;
}

// The method tables, each with the methods the route calls.
struct Tables {
    IShellWindowsVtbl windows = UnknownOnly<IShellWindowsVtbl, IShellWindows>();
    IDispatchVtbl dispatch = UnknownOnly<IDispatchVtbl, IDispatch>();
    IServiceProviderVtbl provider = UnknownOnly<IServiceProviderVtbl, IServiceProvider>();
    IShellBrowserVtbl browser = UnknownOnly<IShellBrowserVtbl, IShellBrowser>();
    IShellViewVtbl view = UnknownOnly<IShellViewVtbl, IShellView>();
    IShellFolderViewDualVtbl folderView = UnknownOnly<IShellFolderViewDualVtbl, IShellFolderViewDual>();
    IShellDispatch2Vtbl shellDispatch = UnknownOnly<IShellDispatch2Vtbl, IShellDispatch2>();
    Tables() {
        windows.FindWindowSW = &FindWindowSW;
        provider.QueryService = &QueryService;
        browser.QueryActiveShellView = &QueryActiveShellView;
        view.GetItemObject = &GetItemObject;
        folderView.get_Application = &GetApplication;
        shellDispatch.ShellExecute = &ShellExecuteMethod;
    }
};
const Tables kTables;

class DesktopShellRoute : public ::testing::Test {
protected:
    void SetUp() override {
        LoadShellCalls();
        // An apartment, as the worker has.
        ASSERT_TRUE(SUCCEEDED(DynCoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        // Each in the order the route reaches it, with the interface a query on it finds.
        const std::array<std::pair<const void*, const char*>, 9> design = {{
            {&kTables.windows, ""},
            {&kTables.dispatch, "{6D5140C1-7436-11CE-8034-00AA006009FA}"},  // the desktop's view: IServiceProvider
            {&kTables.provider, ""},
            {&kTables.browser, ""},
            {&kTables.view, ""},
            {&kTables.dispatch, "{E7A1AF80-4D96-11CF-960C-0080C7F4EE85}"},  // its background: IShellFolderViewDual
            {&kTables.folderView, ""},
            {&kTables.dispatch, "{A4C6892C-3BA9-11D2-9DEA-00C04FB16162}"},  // the application: IShellDispatch2
            {&kTables.shellDispatch, ""},
        }};
        for (size_t i = 0; i < design.size(); ++i) {
            shell_.objects[i].lpVtbl = design[i].first;
            shell_.objects[i].shell = &shell_;
            shell_.objects[i].offers = design[i].second;
        }
        g_shell = &shell_;
    }
    void TearDown() override {
        g_shell = nullptr;
        DynCoUninitialize();
    }

    // The route on this thread, as the worker runs it: the answers it gave.
    std::vector<bool> Run() {
        std::vector<bool> answers;
        HandToDesktopShell(kCalls, kRequest, [&answers](bool taken) { answers.push_back(taken); });
        return answers;
    }
    void ExpectEveryReferenceGivenBack() {
        for (size_t i = 0; i < shell_.objects.size(); ++i) {
            EXPECT_EQ(shell_.objects[i].released, shell_.objects[i].added) << "object " << i << " of the route";
        }
    }

    const DesktopShellCalls kCalls{&CreateInstance, &AllowSetForegroundWindow};
    const ShellRequest kRequest{L"Open", L"https://talvorin.example/", L"", L"", SW_SHOWNORMAL};
    ShellStandIn shell_;
};

TEST_F(DesktopShellRoute, AsksTheDesktopsFolderViewForItsShellAndHandsItTheRequest) {
    EXPECT_EQ(Run(), std::vector<bool>{true});
    EXPECT_EQ(shell_.calls, kWholeRoute);
    ExpectEveryReferenceGivenBack();
    EXPECT_EQ(shell_.objects[8].added, 1) << "the shell's object was not handed out";
}

TEST_F(DesktopShellRoute, AStepThatFailsEndsTheRouteWithEveryReferenceGivenBack) {
    struct Case {
        size_t failingStep;  // in kWholeRoute, from 1
        HRESULT answer;
        size_t callsMade;
        bool taken;
    };
    const Case cases[] = {
        {1, kClassNotRegistered, 1, false},  // no desktop process: Wine without a display
        {2, S_FALSE, 2, false},              // documented: no such window
        {3, kNoInterface, 3, false},
        {4, kNoInterface, 4, false},
        {5, kFail, 5, false},
        {5, S_OK, 5, false},  // says it succeeded, but gives no view
        {6, kNoInterface, 6, false},
        {7, kNoInterface, 7, false},
        {8, kFail, 8, false},
        {9, kNoInterface, 9, false},   // a shell older than IShellDispatch2
        {10, kNoInterface, 11, true},  // the foreground is a courtesy
        {11, S_FALSE, 11, true},       // taken; its own start of the document failed
        {11, kFail, 11, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("step " + std::to_string(c.failingStep) + " answers " + std::to_string(c.answer));
        for (StandInObject& object : shell_.objects) object.added = object.released = 0;
        shell_.calls.clear();
        shell_.failingStep = c.failingStep;
        shell_.failure = c.answer;
        EXPECT_EQ(Run(), std::vector<bool>{c.taken});
        EXPECT_EQ(shell_.calls, std::vector<std::string>(kWholeRoute.begin(), kWholeRoute.begin() + c.callsMade));
        ExpectEveryReferenceGivenBack();
    }
}

// ---- the wait ------------------------------------------------------------------

// A shell that does not answer until the case lets it: CoCreateInstance blocks. It
// outlives the case, as the worker may still be waiting in it when the case ends.
struct HungShell {
    KernelHandle letGo{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    KernelHandle returned{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    DWORD callingThread = 0;
};
HungShell& TheHungShell() {
    static HungShell shell;
    return shell;
}
HRESULT STDMETHODCALLTYPE CreateInHungShell(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID* out) {
    HungShell& shell = TheHungShell();
    shell.callingThread = GetCurrentThreadId();
    *out = nullptr;
    WaitForSingleObject(shell.letGo.Get(), INFINITE);
    SetEvent(shell.returned.Get());
    return kClassNotRegistered;
}

struct WindowTraits : NullHandleTraits<HWND> {
    static void Close(HWND window) { DestroyWindow(window); }
};
using WindowHandle = UniqueHandle<WindowTraits>;

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
    HungShell& hung = TheHungShell();
    // The thread's window has the focus, so the key is queued for this thread.
    const WindowHandle window(
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr));
    SetForegroundWindow(window.Get());
    SetFocus(window.Get());
    // A timer of the thread: only a dispatched WM_TIMER calls it.
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, &CountTick);

    EXPECT_FALSE(HandToDesktopShellWithin({&CreateInHungShell, nullptr}, kRequest, 300));
    KillTimer(nullptr, timer);
    EXPECT_EQ(g_timerTicks, 2) << "the thread's messages waited for the shell, or went on after WM_QUIT";
    EXPECT_NE(hung.callingThread, 0u);
    EXPECT_NE(hung.callingThread, GetCurrentThreadId()) << "the shell was called from the window's thread";
    MSG message{};
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the WM_QUIT was lost";
    EXPECT_EQ(message.wParam, 7u);
    // The key waits for the end of the click's handler: nothing of the user's ran inside it.
    EXPECT_TRUE(PeekMessageW(&message, window.Get(), WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) << "the key was handled";

    // The worker goes on by itself once the shell answers.
    SetEvent(hung.letGo.Get());
    EXPECT_EQ(WaitForSingleObject(hung.returned.Get(), 10000), WAIT_OBJECT_0);
}

TEST_F(DesktopShellRoute, AShellThatTookTheRequestHasTakenItThoughItHangsAfterwards) {
    // The shell takes the request, then hangs when its last reference is given back:
    // the site is being opened, and the program must not open it a second time.
    const KernelHandle letGo(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    shell_.objects[8].holdsRelease = letGo.Get();
    EXPECT_TRUE(HandToDesktopShellWithin(kCalls, kRequest, 10000));
    EXPECT_EQ(shell_.calls, kWholeRoute);
    SetEvent(letGo.Get());
    for (int i = 0; i < 200 && shell_.objects[8].released != shell_.objects[8].added; ++i) Sleep(50);
    ExpectEveryReferenceGivenBack();
}

}  // namespace
