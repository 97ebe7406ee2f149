// The Win32 toolkit's form: unloading, a close from another program, position and size
// in twips, drawing again after a DPI change or a grown label, showing, minimising, and
// an error escaping a handler.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "base/app_error.h"
#include "platform/win32_desktop_shell.h"
#include "platform/win32_form.h"
#include "platform/win32_handles.h"
#include "tests/toolkit/win32_toolkit_fixture.h"
#include "window/control_ids.h"
#include "window/frm_list_design.h"

namespace toolkit_test {
namespace {

TEST_F(Win32ToolkitTest, UnloadRunsTheUnloadHandlerOnceHoweverItIsAsked) {
    struct Case {
        const char* how;
        bool byCloseBox;
    };
    for (const Case c : {Case{"close box", true}, Case{"Unload", false}}) {
        SCOPED_TRACE(c.how);
        auto form = std::make_unique<Win32Form>(GetModuleHandleW(nullptr), kFrmListDesign);
        ASSERT_TRUE(form->Create());
        RecordingEvents events;
        events.onUnload = [&] { form->Unload(); };  // asked again from inside the handler
        form->SetEvents(&events);
        HWND hwnd = form->Handle();
        if (c.byCloseBox) {
            SendMessageW(hwnd, WM_CLOSE, 0, 0);
        } else {
            form->Unload();
        }
        EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_EQ(form->Handle(), nullptr);
        form->Unload();
        EXPECT_EQ(events.Count("Form_Unload"), 1);
        MSG quit{};
        EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "no window is left";
    }
}

// A desktop's shell that, asked for its windows, has the program's window closed from its
// own thread, as a task manager would, before it answers as missing (REGDB_E_CLASSNOTREG
// 0x80040154).
HWND g_closedWhileAsked = nullptr;
HRESULT STDMETHODCALLTYPE CloseWhileAsked(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*) {
    SendMessageW(g_closedWhileAsked, WM_CLOSE, 0, 0);
    return static_cast<HRESULT>(0x80040154);
}

TEST_F(Win32ToolkitTest, AnotherProgramsCloseWaitsForTheLinksHandler) {
    g_closedWhileAsked = form_->Handle();
    events_.onLinkClick = [&] {
        HandToDesktopShellWithin({&CloseWhileAsked, nullptr}, {L"Open", L"https://talvorin.example/", L"", L""}, 10000);
        EXPECT_EQ(events_.Count("Form_Unload"), 0) << "closed inside the link's handler";
    };
    // WM_COMMAND: LOWORD(wParam) the control's id, HIWORD(wParam) STN_CLICKED 0, lParam the control.
    SendMessageW(form_->Handle(), WM_COMMAND, MAKEWPARAM(kIdLabel2, 0), reinterpret_cast<LPARAM>(Child(kLabel2)));
    Pump();
    EXPECT_EQ(events_.Count("Form_Unload"), 1) << "the Close was lost";
}

TEST_F(Win32ToolkitTest, PositionAndSizeAreTwipsOfTheOuterFrame) {
    form_->Show(SW_SHOWNORMAL);
    Pump();
    const float width = form_->Width();
    const float height = form_->Height();
    RECT frame{};
    GetWindowRect(form_->Handle(), &frame);
    EXPECT_FLOAT_EQ(width, Scale().ToTwips(frame.right - frame.left));
    EXPECT_FLOAT_EQ(height, Scale().ToTwips(frame.bottom - frame.top));

    events_.calls.clear();
    form_->Move(1500, 900, width, height);
    GetWindowRect(form_->Handle(), &frame);
    EXPECT_EQ(frame.left, Scale().ToPixels(1500));
    EXPECT_EQ(frame.top, Scale().ToPixels(900));
    EXPECT_FLOAT_EQ(form_->Left(), Scale().ToTwips(Scale().ToPixels(1500)));
    EXPECT_FLOAT_EQ(form_->Top(), Scale().ToTwips(Scale().ToPixels(900)));
    EXPECT_EQ(events_.Count("Form_Resize"), 0) << "a move alone is no size change";

    form_->Move(form_->Left(), form_->Top(), width + 300, height);
    EXPECT_EQ(events_.Count("Form_Resize"), 1);
    EXPECT_FLOAT_EQ(form_->Width(), Scale().ToTwips(Scale().ToPixels(width + 300)));
    form_->Move(form_->Left(), form_->Top(), form_->Width(), form_->Height());
    EXPECT_EQ(events_.Count("Form_Resize"), 1) << "moving to where it is raises nothing";
}

// Stands in for Windows, which keeps the pixels a window or control has drawn where
// they still fit when it is moved or resized (Wine paints it again whole): each move
// of a window given this procedure is made without a redraw (SWP_NOREDRAW, 0x0008, set
// in the WINDOWPOS that WM_WINDOWPOSCHANGING's lParam points to).
constexpr wchar_t kOwnProcedure[] = L"tdm-test-own-procedure";
LRESULT CALLBACK KeepPixelsWhenMoved(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto own = reinterpret_cast<WNDPROC>(GetPropW(hwnd, kOwnProcedure));
    if (message == WM_WINDOWPOSCHANGING) reinterpret_cast<WINDOWPOS*>(lParam)->flags |= 0x0008;
    if (message == WM_NCDESTROY) RemovePropW(hwnd, kOwnProcedure);
    return CallWindowProcW(own, hwnd, message, wParam, lParam);
}
void KeepPixelsWhenMovedIn(HWND hwnd) {
    SetPropW(hwnd, kOwnProcedure,
             reinterpret_cast<HANDLE>(
                 SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&KeepPixelsWhenMoved))));
}

TEST_F(Win32ToolkitTest, ADpiChangePaintsEveryControlAgainWhole) {
    form_->Show(SW_SHOWNORMAL);
    Pump();
    KeepPixelsWhenMovedIn(form_->Handle());
    for (size_t i = 0; i < kFrmListControlCount; ++i) KeepPixelsWhenMovedIn(Child(static_cast<FrmListControlIndex>(i)));
    const int dpi = Scale().Dpi() == 144 ? 192 : 144;
    RECT suggested{};
    GetWindowRect(form_->Handle(), &suggested);
    // WM_DPICHANGED: wParam the DPI in both words (x low, y high), lParam the RECT.
    SendMessageW(form_->Handle(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    for (size_t i = 0; i < kFrmListDesign.controls.size(); ++i) {
        HWND control = Child(static_cast<FrmListControlIndex>(i));
        if (!IsWindowVisible(control)) continue;
        SCOPED_TRACE(std::string(kFrmListDesign.controls[i].name,
                                 kFrmListDesign.controls[i].name + wcslen(kFrmListDesign.controls[i].name)));
        RECT client{};
        GetClientRect(control, &client);
        HRGN whole = CreateRectRgnIndirect(&client);
        HRGN update = CreateRectRgn(0, 0, 0, 0);
        EXPECT_NE(GetUpdateRgn(control, update, FALSE), ERROR);
        EXPECT_TRUE(EqualRgn(update, whole)) << "part of it keeps what it drew at the old DPI";
        DeleteObject(update);
        DeleteObject(whole);
    }
    Pump();
}

TEST_F(Win32ToolkitTest, AGrownLabelIsDrawnAgainWhole) {
    ShowAndFocusList();
    HWND heading = Child(kLabel1_1);
    KeepPixelsWhenMovedIn(heading);
    Controls().Label1(1).SetCaption(L"1234 graphics adapters found in all");
    RECT client{};
    GetClientRect(heading, &client);
    const UniqueHandle<GdiObjectTraits<HRGN>> whole(CreateRectRgnIndirect(&client)), update(CreateRectRgn(0, 0, 0, 0));
    EXPECT_NE(GetUpdateRgn(heading, update.Get(), FALSE), ERROR);
    EXPECT_TRUE(EqualRgn(update.Get(), whole.Get())) << "the part it grew by is not drawn";
}

TEST_F(Win32ToolkitTest, ShownWithoutActivationItLeavesTheActiveWindowActive) {
    // SW_SHOWNOACTIVATE (4): the active window stays active (here or in another program).
    HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(other);
    SetActiveWindow(other);
    const HWND before = GetActiveWindow();
    form_->Show(4);
    Pump();
    EXPECT_TRUE(IsWindowVisible(form_->Handle()));
    EXPECT_EQ(GetActiveWindow(), before);
    EXPECT_NE(GetActiveWindow(), form_->Handle());
    DestroyWindow(other);
}

TEST(FirstShow, TheWindowOpensShownAtItsSizeWhateverShowCommandThePlatformPutsInPlace) {
    // When the launcher set STARTF_USESHOWWINDOW, Windows ignores the show command of
    // the program's first ShowWindow and applies the launcher's wShowWindow instead;
    // later calls are applied as given. Wine applies the program's, so this stands in.
    struct Case {
        const char* launcher;
        int command;
    };
    const Case cases[] = {{"hidden", 0 /* SW_HIDE */}, {"maximised", 3 /* SW_SHOWMAXIMIZED */}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.launcher);
        std::vector<int> asked;
        FormPlatformCalls calls = SystemFormCalls();
        calls.showWindow = [&](HWND hwnd, int command) {
            asked.push_back(command);
            return ShowWindow(hwnd, asked.size() == 1 ? c.command : command);
        };
        Win32Form form(GetModuleHandleW(nullptr), kFrmListDesign, calls);
        ASSERT_TRUE(form.Create());
        RecordingEvents events;
        form.SetEvents(&events);
        form.Show(1 /* SW_SHOWNORMAL */);
        Pump();
        ASSERT_FALSE(asked.empty());
        EXPECT_EQ(asked.front(), 1);
        EXPECT_TRUE(IsWindowVisible(form.Handle()));
        EXPECT_FALSE(IsZoomed(form.Handle()));
        EXPECT_FALSE(IsIconic(form.Handle()));
        RECT client{};
        GetClientRect(form.Handle(), &client);
        EXPECT_EQ(client.right, form.Scale().ToPixels(11355));
        EXPECT_EQ(client.bottom, form.Scale().ToPixels(9510));
        EXPECT_GE(events.Count("Form_Resize"), 1);
        form.SetEvents(nullptr);
    }
}

TEST(FirstShow, RaisesOneSizeEventWhetherShowingSendsASizeMessageOrNot) {
    // Windows sends WM_SIZE (SIZE_RESTORED, 0; 757 x 634 at 96 dpi in lParam's words) at a
    // first showing unless it was sent before; a platform may show a sized window without.
    for (const bool sizeMessage : {true, false}) {
        SCOPED_TRACE(sizeMessage ? "with WM_SIZE" : "without WM_SIZE");
        FormPlatformCalls calls = SystemFormCalls();
        calls.showWindow = [&](HWND hwnd, int) {
            const BOOL wasVisible = IsWindowVisible(hwnd);
            SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
            if (sizeMessage) SendMessageW(hwnd, WM_SIZE, 0, MAKELPARAM(757, 634));
            return wasVisible;
        };
        RecordingEvents events;
        Win32Form form(GetModuleHandleW(nullptr), kFrmListDesign, calls);
        ASSERT_TRUE(form.Create());
        form.SetEvents(&events);
        form.Show(1 /* SW_SHOWNORMAL */);
        Pump();
        EXPECT_EQ(events.Count("Form_Resize"), 1);
    }
}

TEST_F(Win32ToolkitTest, MinimisingIsStateOneRaisesTheSizeEventAndRefusesMoves) {
    form_->Show(SW_SHOWNORMAL);
    Pump();
    EXPECT_EQ(form_->WindowState(), kStateNormal);
    events_.calls.clear();
    ShowWindow(form_->Handle(), SW_MINIMIZE);
    Pump();
    EXPECT_EQ(form_->WindowState(), kStateMinimized);
    EXPECT_GE(events_.Count("Form_Resize"), 1);
    try {
        form_->Move(0, 0, 6000, 6000);
        ADD_FAILURE() << "a minimised window was moved";
    } catch (const AppError& error) {
        EXPECT_EQ(error.Number(), 384);
    }
    events_.calls.clear();
    ShowWindow(form_->Handle(), SW_RESTORE);
    Pump();
    EXPECT_EQ(form_->WindowState(), kStateNormal);
    EXPECT_GE(events_.Count("Form_Resize"), 1) << "restoring raises it too";
}

TEST_F(Win32ToolkitTest, AnErrorEscapingAHandlerStopsAtTheWindow) {
    struct Throwing : RecordingEvents {
        void Command1_Click() override {
            calls.push_back("Command1_Click");
            throw AppError(5, L"test", L"escaped");
        }
        void Command2_Click() override {
            calls.push_back("Command2_Click");
            throw std::bad_alloc();
        }
    } throwing;
    form_->SetEvents(&throwing);
    SendMessageW(form_->Handle(), WM_COMMAND, MAKEWPARAM(kIdCommand1, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Child(kCommand1)));
    SendMessageW(form_->Handle(), WM_COMMAND, MAKEWPARAM(kIdCommand2, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Child(kCommand2)));
    EXPECT_EQ(throwing.calls, (std::vector<std::string>{"Command1_Click", "Command2_Click"}));

    // The window still answers, and its next event still reaches its handler.
    wchar_t caption[64] = {};
    DWORD_PTR copied = 0;
    EXPECT_NE(SendMessageTimeoutW(form_->Handle(), WM_GETTEXT, 64, reinterpret_cast<LPARAM>(caption), SMTO_BLOCK, 2000,
                                  &copied),
              0);
    EXPECT_STREQ(caption, L"Talvorin Device Manager");
    SendMessageW(form_->Handle(), WM_COMMAND, MAKEWPARAM(kIdLabel2, STN_CLICKED),
                 reinterpret_cast<LPARAM>(Child(kLabel2)));
    EXPECT_EQ(throwing.Count("Label2_Click"), 1);
    form_->SetEvents(&events_);
}

}  // namespace
}  // namespace toolkit_test
