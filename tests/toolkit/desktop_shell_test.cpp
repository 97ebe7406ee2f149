// The route through the desktop's shell, against stand-ins for the shell's objects that
// note every call, its parameters and every reference handed out and given back; and
// the bounded wait for it, against a shell that does not answer.
//
// The stand-ins are written against the shell's interfaces as C structures (CINTERFACE),
// so that each fills only the methods the route calls, in the slots the headers give.
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

// The ids and constants as the platform's documentation and headers give them.
constexpr GUID kClsidShellWindows = {0x9ba05972, 0xf6a8, 0x11cf, {0xa4, 0x42, 0x00, 0xa0, 0xc9, 0x0a, 0x8f, 0x39}};
constexpr GUID kIidShellWindows = {0x85cb6900, 0x4d95, 0x11cf, {0x96, 0x0c, 0x00, 0x80, 0xc7, 0xf4, 0xee, 0x85}};
constexpr GUID kIidServiceProvider = {0x6d5140c1, 0x7436, 0x11ce, {0x80, 0x34, 0x00, 0xaa, 0x00, 0x60, 0x09, 0xfa}};
constexpr GUID kSidTopLevelBrowser = {0x4c96be40, 0x915c, 0x11cf, {0x99, 0xd3, 0x00, 0xaa, 0x00, 0x4a, 0xe8, 0x37}};
constexpr GUID kIidShellBrowser = {0x000214e2, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kIidDispatch = {0x00020400, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr GUID kIidShellFolderViewDual = {0xe7a1af80, 0x4d96, 0x11cf, {0x96, 0x0c, 0x00, 0x80, 0xc7, 0xf4, 0xee, 0x85}};
constexpr GUID kIidShellDispatch2 = {0xa4c6892c, 0x3ba9, 0x11d2, {0x9d, 0xea, 0x00, 0xc0, 0x4f, 0xb1, 0x61, 0x62}};
constexpr DWORD kClsctxLocalServer = 4;
constexpr int kSwcDesktop = 8;
constexpr int kSwfoNeedDispatch = 1;
constexpr UINT kSvgioBackground = 0;
constexpr LONG kCsidlDesktop = 0;
constexpr VARTYPE kVtEmpty = 0, kVtI4 = 3, kVtBstr = 8;
constexpr HRESULT kClassNotRegistered = static_cast<HRESULT>(0x80040154);
constexpr HRESULT kNoInterface = static_cast<HRESULT>(0x80004002);
constexpr HRESULT kFail = static_cast<HRESULT>(0x80004005);

// Every call the route makes when every step answers, in order.
const std::vector<std::string> kWholeRoute = {"CoCreateInstance",
                                              "FindWindowSW",
                                              "QueryInterface(IServiceProvider)",
                                              "QueryService",
                                              "QueryActiveShellView",
                                              "GetItemObject",
                                              "QueryInterface(IShellFolderViewDual)",
                                              "get_Application",
                                              "QueryInterface(IShellDispatch2)",
                                              "CoAllowSetForegroundWindow",
                                              "ShellExecute"};

struct ShellStandIn;

// One object of the shell. `lpVtbl` comes first, where a caller looks for the methods.
struct StandInObject {
    const void* lpVtbl = nullptr;
    ShellStandIn* shell = nullptr;
    GUID offers{};  // asked for this interface, the object hands out `next`
    const char* offersName = "";
    StandInObject* next = nullptr;
    // References handed out and given back; the worker gives the last one back after
    // the wait for its answer has ended.
    std::atomic<LONG> added{0};
    std::atomic<LONG> released{0};
    HANDLE holdsRelease = nullptr;  // set: a Release waits for it, as a hung shell would
};

struct Argument {
    VARTYPE type = kVtEmpty;
    std::wstring text;
    LONG number = 0;
};

Argument Read(const VARIANT& value) {
    Argument argument{value.vt, {}, 0};
    if (value.vt == kVtBstr && value.bstrVal != nullptr) argument.text = value.bstrVal;
    if (value.vt == kVtI4) argument.number = value.lVal;
    return argument;
}

// The shell: its objects, the step that fails and what it answers there, and every
// call with the parameters the route passed.
struct ShellStandIn {
    StandInObject windows, desktopView, provider, browser, view, background, folderView, application, dispatch;
    std::string failingCall;
    HRESULT failure = S_OK;
    std::vector<std::string> calls;
    // Parameters as passed.
    GUID clsid{}, clsidInterface{}, service{}, serviceInterface{}, itemInterface{};
    const void* outer = nullptr;
    DWORD context = 0;
    Argument location, locationRoot;
    int windowClass = -1, options = -1;
    UINT item = 99;
    const void* foregroundObject = nullptr;
    std::wstring file;
    Argument arguments, directory, operation, show;

    std::array<StandInObject*, 9> All() {
        return {&windows, &desktopView, &provider, &browser, &view, &background, &folderView, &application, &dispatch};
    }

    // Notes the call; true when it is the one to fail.
    bool Fails(const std::string& call) {
        calls.push_back(call);
        return call == failingCall;
    }
    // Hands out an object, with the reference its receiver owns.
    static HRESULT HandOut(StandInObject& object, void** out) {
        ++object.added;
        *out = &object;
        return S_OK;
    }
};

ShellStandIn* g_shell = nullptr;

StandInObject& Of(void* self) {
    return *static_cast<StandInObject*>(self);
}

template <typename Interface>
HRESULT STDMETHODCALLTYPE QueryInterface(Interface* self, REFIID id, void** out) {
    StandInObject& object = Of(self);
    *out = nullptr;
    if (!IsEqualGUID(id, object.offers) || object.next == nullptr) return kNoInterface;
    if (object.shell->Fails(std::string("QueryInterface(") + object.offersName + ")")) return object.shell->failure;
    return ShellStandIn::HandOut(*object.next, out);
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
    ShellStandIn& shell = *g_shell;
    shell.clsid = clsid;
    shell.outer = outer;
    shell.context = context;
    shell.clsidInterface = id;
    *out = nullptr;
    if (shell.Fails("CoCreateInstance")) return shell.failure;
    return ShellStandIn::HandOut(shell.windows, out);
}

HRESULT STDMETHODCALLTYPE AllowSetForegroundWindow(IUnknown* object, LPVOID) {
    g_shell->foregroundObject = object;
    return g_shell->Fails("CoAllowSetForegroundWindow") ? g_shell->failure : S_OK;
}

HRESULT STDMETHODCALLTYPE FindWindowSW(IShellWindows* self, VARIANT* location, VARIANT* root, int windowClass,
                                       LONG* window, int options, IDispatch** out) {
    ShellStandIn& shell = *Of(self).shell;
    shell.location = Read(*location);
    shell.locationRoot = Read(*root);
    shell.windowClass = windowClass;
    shell.options = options;
    *out = nullptr;
    if (shell.Fails("FindWindowSW")) return shell.failure;
    *window = 0x10020;
    return ShellStandIn::HandOut(shell.desktopView, reinterpret_cast<void**>(out));
}

HRESULT STDMETHODCALLTYPE QueryService(IServiceProvider* self, REFGUID service, REFIID id, void** out) {
    ShellStandIn& shell = *Of(self).shell;
    shell.service = service;
    shell.serviceInterface = id;
    *out = nullptr;
    if (shell.Fails("QueryService")) return shell.failure;
    return ShellStandIn::HandOut(shell.browser, out);
}

HRESULT STDMETHODCALLTYPE QueryActiveShellView(IShellBrowser* self, IShellView** out) {
    ShellStandIn& shell = *Of(self).shell;
    *out = nullptr;
    if (shell.Fails("QueryActiveShellView")) return shell.failure;
    return ShellStandIn::HandOut(shell.view, reinterpret_cast<void**>(out));
}

HRESULT STDMETHODCALLTYPE GetItemObject(IShellView* self, UINT item, REFIID id, void** out) {
    ShellStandIn& shell = *Of(self).shell;
    shell.item = item;
    shell.itemInterface = id;
    *out = nullptr;
    if (shell.Fails("GetItemObject")) return shell.failure;
    return ShellStandIn::HandOut(shell.background, out);
}

HRESULT STDMETHODCALLTYPE GetApplication(IShellFolderViewDual* self, IDispatch** out) {
    ShellStandIn& shell = *Of(self).shell;
    *out = nullptr;
    if (shell.Fails("get_Application")) return shell.failure;
    return ShellStandIn::HandOut(shell.application, reinterpret_cast<void**>(out));
}

HRESULT STDMETHODCALLTYPE ShellExecuteMethod(IShellDispatch2* self, BSTR file, VARIANT arguments, VARIANT directory,
                                             VARIANT operation, VARIANT show) {
    ShellStandIn& shell = *Of(self).shell;
    shell.file = file != nullptr ? file : L"(null)";
    shell.arguments = Read(arguments);
    shell.directory = Read(directory);
    shell.operation = Read(operation);
    shell.show = Read(show);
    return shell.Fails("ShellExecute") ? shell.failure : S_OK;
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

void Wire(StandInObject& object, ShellStandIn& shell, const void* table, const GUID& offers = GUID{},
          const char* offersName = "", StandInObject* next = nullptr) {
    object.lpVtbl = table;
    object.shell = &shell;
    object.offers = offers;
    object.offersName = offersName;
    object.next = next;
}

class DesktopShellRoute : public ::testing::Test {
protected:
    void SetUp() override {
        LoadShellCalls();
        ASSERT_NE(DynCoInitializeEx, nullptr);
        // The window's thread, as in the program.
        ASSERT_TRUE(SUCCEEDED(DynCoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        ShellStandIn& s = shell_;
        Wire(s.windows, s, &kTables.windows);
        Wire(s.desktopView, s, &kTables.dispatch, kIidServiceProvider, "IServiceProvider", &s.provider);
        Wire(s.provider, s, &kTables.provider);
        Wire(s.browser, s, &kTables.browser);
        Wire(s.view, s, &kTables.view);
        Wire(s.background, s, &kTables.dispatch, kIidShellFolderViewDual, "IShellFolderViewDual", &s.folderView);
        Wire(s.folderView, s, &kTables.folderView);
        Wire(s.application, s, &kTables.dispatch, kIidShellDispatch2, "IShellDispatch2", &s.dispatch);
        Wire(s.dispatch, s, &kTables.shellDispatch);
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
        const auto objects = shell_.All();
        for (size_t i = 0; i < objects.size(); ++i) {
            EXPECT_EQ(objects[i]->released, objects[i]->added) << "object " << i << " of the route";
        }
    }

    const DesktopShellCalls kCalls{&CreateInstance, &AllowSetForegroundWindow};
    const ShellRequest kRequest{L"Open", L"https://talvorin.example/", L"", L"", SW_SHOWNORMAL};
    ShellStandIn shell_;
};

TEST_F(DesktopShellRoute, AsksTheDesktopsFolderViewForItsShellAndHandsItTheRequest) {
    EXPECT_EQ(Run(), std::vector<bool>{true});
    EXPECT_EQ(shell_.calls, kWholeRoute);
    // Explorer's list of shell windows, from its own process.
    EXPECT_TRUE(IsEqualGUID(shell_.clsid, kClsidShellWindows));
    EXPECT_EQ(shell_.outer, nullptr);
    EXPECT_EQ(shell_.context, kClsctxLocalServer);
    EXPECT_TRUE(IsEqualGUID(shell_.clsidInterface, kIidShellWindows));
    // The desktop (CSIDL_DESKTOP as a VT_I4 location, no root), its dispatch wanted.
    EXPECT_EQ(shell_.location.type, kVtI4);
    EXPECT_EQ(shell_.location.number, kCsidlDesktop);
    EXPECT_EQ(shell_.locationRoot.type, kVtEmpty);
    EXPECT_EQ(shell_.windowClass, kSwcDesktop);
    EXPECT_EQ(shell_.options, kSwfoNeedDispatch);
    EXPECT_TRUE(IsEqualGUID(shell_.service, kSidTopLevelBrowser));
    EXPECT_TRUE(IsEqualGUID(shell_.serviceInterface, kIidShellBrowser));
    EXPECT_EQ(shell_.item, kSvgioBackground);
    EXPECT_TRUE(IsEqualGUID(shell_.itemInterface, kIidDispatch));
    // The foreground goes to the process that starts the browser.
    EXPECT_EQ(shell_.foregroundObject, &shell_.dispatch);
    EXPECT_EQ(shell_.file, L"https://talvorin.example/");
    for (const Argument* text : {&shell_.arguments, &shell_.directory}) {
        EXPECT_EQ(text->type, kVtBstr);
        EXPECT_EQ(text->text, L"");
    }
    EXPECT_EQ(shell_.operation.type, kVtBstr);
    EXPECT_EQ(shell_.operation.text, L"Open");
    EXPECT_EQ(shell_.show.type, kVtI4);
    EXPECT_EQ(shell_.show.number, 1);  // SW_SHOWNORMAL
    ExpectEveryReferenceGivenBack();
    EXPECT_EQ(shell_.dispatch.added, 1);
}

TEST_F(DesktopShellRoute, AStepThatFailsEndsTheRouteWithEveryReferenceGivenBack) {
    struct Case {
        const char* failingCall;
        HRESULT answer;
        size_t callsMade;
        bool taken;
    };
    const Case cases[] = {
        {"CoCreateInstance", kClassNotRegistered, 1, false},  // no Explorer: Wine without a desktop
        {"FindWindowSW", S_FALSE, 2, false},                  // documented: no such window
        {"QueryInterface(IServiceProvider)", kNoInterface, 3, false},
        {"QueryService", kNoInterface, 4, false},
        {"QueryActiveShellView", kFail, 5, false},
        {"QueryActiveShellView", S_OK, 5, false},  // no view, though it says it succeeded
        {"GetItemObject", kNoInterface, 6, false},
        {"QueryInterface(IShellFolderViewDual)", kNoInterface, 7, false},
        {"get_Application", kFail, 8, false},
        {"QueryInterface(IShellDispatch2)", kNoInterface, 9, false},  // a shell older than IShellDispatch2
        {"CoAllowSetForegroundWindow", kNoInterface, 11, true},       // the foreground is only a courtesy
        {"ShellExecute", S_FALSE, 11, true},                          // taken; its own start of the document failed
        {"ShellExecute", kFail, 11, false},
    };
    for (const Case& c : cases) {
        char answer[16] = {};
        std::snprintf(answer, sizeof answer, "0x%08lX", static_cast<unsigned long>(c.answer));
        SCOPED_TRACE(std::string(c.failingCall) + " answers " + answer);
        for (StandInObject* object : shell_.All()) object->added = object->released = 0;
        shell_.calls.clear();
        shell_.failingCall = c.failingCall;
        shell_.failure = c.answer;
        EXPECT_EQ(Run(), std::vector<bool>{c.taken});
        EXPECT_EQ(shell_.calls, std::vector<std::string>(kWholeRoute.begin(), kWholeRoute.begin() + c.callsMade));
        ExpectEveryReferenceGivenBack();
    }
}

// ---- the wait ------------------------------------------------------------------

// A shell that does not answer until the case lets it: CoCreateInstance blocks. The
// event outlives the case, as the worker may still be waiting on it when the case ends.
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

// A window that counts the messages it is sent, WM_APP for the case.
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) ++*reinterpret_cast<int*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(DesktopShellRoute, AShellThatDoesNotAnswerIsGivenUpWhileTheWindowKeepsAnswering) {
    HungShell& hung = TheHungShell();
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &CountingProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TdmRouteWaitCounter";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowW(L"TdmRouteWaitCounter", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    int dispatched = 0;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&dispatched));
    // A message waiting for the window, then the end of the loop that runs it.
    PostMessageW(window, WM_APP, 0, 0);
    PostQuitMessage(7);

    const DesktopShellCalls hungCalls{&CreateInHungShell, nullptr};
    EXPECT_FALSE(HandToDesktopShellWithin(hungCalls, kRequest, 300));
    EXPECT_EQ(dispatched, 1) << "the window's message waited for the shell";
    EXPECT_NE(hung.callingThread, 0u);
    EXPECT_NE(hung.callingThread, GetCurrentThreadId()) << "the shell was called from the window's thread";
    MSG message{};
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the WM_QUIT was lost";
    EXPECT_EQ(message.wParam, 7u);

    // The worker goes on by itself once the shell answers.
    SetEvent(hung.letGo.Get());
    EXPECT_EQ(WaitForSingleObject(hung.returned.Get(), 10000), WAIT_OBJECT_0);
    DestroyWindow(window);
}

TEST_F(DesktopShellRoute, AShellThatTookTheRequestHasTakenItThoughItHangsAfterwards) {
    // The shell takes the request, then hangs when its last reference is given back:
    // the site is being opened, and the program must not open it a second time.
    const KernelHandle letGo(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    shell_.dispatch.holdsRelease = letGo.Get();
    EXPECT_TRUE(HandToDesktopShellWithin(kCalls, kRequest, 10000));
    EXPECT_EQ(shell_.calls, kWholeRoute);
    SetEvent(letGo.Get());
    for (int i = 0; i < 200 && shell_.dispatch.released != shell_.dispatch.added; ++i) Sleep(50);
    ExpectEveryReferenceGivenBack();
}

}  // namespace
