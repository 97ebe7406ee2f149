// The Win32 toolkit's labels, link and picture: the labels' sizes, their colours (in
// high contrast too), the pointer over the link and picture, their clicks, and the
// picture's natural size.
#include <gtest/gtest.h>

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <atomic>
#include <string>
#include <thread>

#include "assets/resource_ids.h"
#include "base/app_error.h"
#include "platform/win32_form.h"
#include "platform/win32_handles.h"
#include "tests/toolkit/win32_toolkit_fixture.h"
#include "window/control_ids.h"
#include "window/frm_list_design.h"

namespace toolkit_test {
namespace {

SIZE TextExtent(HWND control, const std::wstring& text) {
    const WindowDc dc = BorrowDc(control);
    const SelectedObject font = SelectInto(dc.Get(), reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
    return size;
}

TEST_F(Win32ToolkitTest, LabelsTakeTheSizeOfTheirCaptionOnOneLineWithTheTopLeftFixed) {
    for (FrmListControlIndex index : {kLabel1_0, kLabel1_1, kLabel2}) {
        const ControlDesign& design = kFrmListDesign.controls[index];
        const SIZE text = TextExtent(Child(index), design.caption);
        const RECT place = ClientPlace(Child(index));
        EXPECT_EQ(place.right - place.left, text.cx) << "design caption of " << index;
        EXPECT_EQ(place.bottom - place.top, text.cy);
        EXPECT_TRUE(StyleOf(Child(index)) & 0x80) << "SS_NOPREFIX: an & in a caption is drawn as itself";
    }

    LabelControl& heading = Controls().Label1(1);
    const RECT before = ClientPlace(Child(kLabel1_1));
    const int32_t designWidth = heading.Width();
    heading.SetCaption(L"1 graphics adapter found");
    const int32_t shortWidth = heading.Width();
    heading.SetCaption(L"12 graphics adapters found");
    const int32_t longWidth = heading.Width();
    EXPECT_LT(shortWidth, designWidth);
    EXPECT_LT(shortWidth, longWidth);
    EXPECT_EQ(heading.Caption(), L"12 graphics adapters found");
    const RECT after = ClientPlace(Child(kLabel1_1));
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right - after.left, TextExtent(Child(kLabel1_1), L"12 graphics adapters found").cx);
    EXPECT_EQ(longWidth, static_cast<int32_t>(Scale().ToTwips(after.right - after.left) + 0.5f));
    heading.SetCaption(L"");
    EXPECT_EQ(ClientPlace(Child(kLabel1_1)).bottom - after.top, after.bottom - after.top) << "empty, one line high";
}

TEST_F(Win32ToolkitTest, TheLinkIsPureBlueAndTheOtherLabelsUseTheNormalTextColour) {
    struct Case {
        FrmListControlIndex index;
        COLORREF colour;
    };
    const Case cases[] = {
        {kLabel2, RGB(0, 0, 255)}, {kLabel1_0, GetSysColor(COLOR_BTNTEXT)}, {kLabel1_1, GetSysColor(COLOR_BTNTEXT)}};
    for (const Case& c : cases) {
        const WindowDc dc = BorrowDc(Child(c.index));
        SetTextColor(dc.Get(), RGB(1, 2, 3));
        const LRESULT brush = SendMessageW(form_->Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()),
                                           reinterpret_cast<LPARAM>(Child(c.index)));
        EXPECT_NE(brush, 0);
        EXPECT_EQ(GetTextColor(dc.Get()), c.colour) << "label " << c.index;
    }
}

// The colours a label is drawn in, as the window answers WM_CTLCOLORSTATIC (wParam the
// label's device context, lParam the label; the result is the background brush).
struct LabelColours {
    COLORREF text;
    COLORREF background;
    LRESULT brush;
};
LabelColours ColoursOf(HWND form, HWND label) {
    const WindowDc dc = BorrowDc(label);
    SetTextColor(dc.Get(), RGB(1, 2, 3));
    SetBkColor(dc.Get(), RGB(4, 5, 6));
    const LRESULT brush =
        SendMessageW(form, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()), reinterpret_cast<LPARAM>(label));
    return LabelColours{GetTextColor(dc.Get()), GetBkColor(dc.Get()), brush};
}

int listColourChanges = 0;
LRESULT CALLBACK CountSysColourChanges(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_SYSCOLORCHANGE) ++listColourChanges;
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

TEST(HighContrast, TheLinkTakesTheThemesHotLightColourOnTheWindowColourWhileItIsOn) {
    // SystemParametersInfoW(SPI_GETHIGHCONTRAST = 0x42, sizeof(HIGHCONTRASTW), &setting,
    // 0) fills setting.dwFlags, where HCF_HIGHCONTRASTON is 0x00000001. Wine never
    // reports it on, so the answer is Windows's, given here. A change arrives as
    // WM_SETTINGCHANGE with wParam SPI_SETHIGHCONTRAST (0x43), and as WM_SYSCOLORCHANGE
    // (no parameters) when the theme's colours change with it.
    DWORD flags = 0x00000001;
    FormPlatformCalls calls = SystemFormCalls();
    calls.systemParametersInfo = [&](UINT action, UINT size, void* data, UINT update) -> BOOL {
        if (action != 0x42) return SystemParametersInfoW(action, size, data, update);
        auto* setting = static_cast<HIGHCONTRASTW*>(data);
        if (size != sizeof(HIGHCONTRASTW) || setting->cbSize != sizeof(HIGHCONTRASTW)) return FALSE;
        setting->dwFlags = flags | 0x00000002;  // HCF_AVAILABLE beside it
        return TRUE;
    };
    Win32Form form(GetModuleHandleW(nullptr), kFrmListDesign, calls);
    ASSERT_TRUE(form.Create());
    form.Show(SW_SHOWNORMAL);
    listColourChanges = 0;
    SetWindowSubclass(form.Child(kList1), CountSysColourChanges, 1, 0);
    const COLORREF hotLight = GetSysColor(26);  // COLOR_HOTLIGHT
    ASSERT_NE(hotLight, RGB(0, 0, 255)) << "the theme's link colour cannot be told from the design's";

    struct Step {
        const char* what;
        DWORD flags;
        UINT message;
        WPARAM wParam;
        bool themed;
    };
    const Step steps[] = {
        {"started with it on", 0x00000001, 0, 0, true},
        {"turned off", 0, WM_SETTINGCHANGE, 0x43, false},
        {"turned on with the colours", 0x00000001, WM_SYSCOLORCHANGE, 0, true},
        {"turned off with the colours", 0, WM_SYSCOLORCHANGE, 0, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        flags = step.flags;
        Pump();
        if (step.message != 0) {
            SendMessageW(form.Handle(), step.message, step.wParam, 0);
            EXPECT_TRUE(GetUpdateRect(form.Child(kLabel2), nullptr, FALSE)) << "the link is drawn again";
        }
        const LabelColours link = ColoursOf(form.Handle(), form.Child(kLabel2));
        EXPECT_EQ(link.text, step.themed ? hotLight : RGB(0, 0, 255));
        EXPECT_EQ(link.brush,
                  reinterpret_cast<LRESULT>(GetSysColorBrush(step.themed ? 5 : 15)));  // COLOR_WINDOW, COLOR_BTNFACE
        EXPECT_EQ(link.background, GetSysColor(step.themed ? 5 : 15));
        EXPECT_EQ(ColoursOf(form.Handle(), form.Child(kLabel1_1)).text, GetSysColor(18)) << "COLOR_BTNTEXT";
        EXPECT_EQ(ColoursOf(form.Handle(), form.Child(kText1)).background, GetSysColor(5)) << "the details box's";
    }
    EXPECT_EQ(listColourChanges, 2) << "WM_SYSCOLORCHANGE is passed on to the controls";
}

// Counts the pointer messages sent from another thread, as another program's window gets
// them: InSendMessageEx(nullptr) has ISMEX_SEND (0x00000001) set, not for its own input.
std::atomic<int> sentPointerMessages{0};
LRESULT CALLBACK CountSentPointerMessages(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const bool sent = (InSendMessageEx(nullptr) & 0x00000001) != 0;
    if (sent && (message == WM_NCHITTEST || message == WM_SETCURSOR)) ++sentPointerMessages;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST_F(Win32ToolkitTest, TheHandOverTheLinkAndPictureGivesWayToTheHourglass) {
    HCURSOR hand = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(TDM_CURSOR_HAND));
    ASSERT_NE(hand, nullptr);
    HCURSOR hourglass = LoadCursorW(nullptr, IDC_WAIT);
    auto cursorOver = [&](FrmListControlIndex index) {
        SetCursor(nullptr);
        SendMessageW(form_->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Child(index)),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    EXPECT_EQ(cursorOver(kLabel2), hand);
    EXPECT_EQ(cursorOver(kImage1), hand);
    EXPECT_NE(cursorOver(kLabel1_1), hand);
    EXPECT_NE(cursorOver(kList1), hand);

    SetCursor(nullptr);
    toolkit_->SetMousePointer(kPointerHourglass);
    EXPECT_EQ(GetCursor(), hourglass) << "at once, before the pointer moves";
    EXPECT_EQ(cursorOver(kLabel2), hourglass);
    EXPECT_EQ(cursorOver(kList1), hourglass);
    toolkit_->SetMousePointer(kPointerDefault);
    EXPECT_EQ(cursorOver(kImage1), hand);
    EXPECT_NE(cursorOver(kList1), hourglass);

    EXPECT_THROW(toolkit_->SetMousePointer(5), AppError);
    EXPECT_EQ(form_->MousePointer(), kPointerDefault);

    // The window asks the window under the pointer for its pointer again, but only its
    // own: a message sent to a hung window of another program never returns.
    POINT pointer{};
    ASSERT_TRUE(GetCursorPos(&pointer));
    std::atomic<HWND> other{nullptr};
    std::thread otherThread([&] {
        HWND hwnd = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE, pointer.x - 100,
                                    pointer.y - 100, 200, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountSentPointerMessages));
        other = hwnd;
        MSG message{};
        while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
        DestroyWindow(hwnd);
    });
    while (other == nullptr) Sleep(5);
    EXPECT_EQ(WindowFromPoint(pointer), other.load());
    sentPointerMessages = 0;
    toolkit_->SetMousePointer(kPointerHourglass);
    toolkit_->SetMousePointer(kPointerDefault);
    EXPECT_EQ(sentPointerMessages, 0) << "another program's window asked for its pointer";
    PostThreadMessageW(GetWindowThreadProcessId(other, nullptr), WM_QUIT, 0, 0);
    otherThread.join();
}

TEST_F(Win32ToolkitTest, LinkAndPictureClicksReachTheirHandlers) {
    SendMessageW(Child(kLabel2), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(Child(kLabel2), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    SendMessageW(Child(kImage1), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(138, 2));  // the strip beside the logo
    SendMessageW(Child(kImage1), WM_LBUTTONUP, 0, MAKELPARAM(138, 2));
    Pump();
    EXPECT_EQ(events_.Count("Label2_Click"), 1);
    EXPECT_EQ(events_.Count("Image1_Click"), 1);
}

TEST_F(Win32ToolkitTest, ThePictureStaysAtItsNaturalSizeWhenTheControlWidens) {
    auto& image = dynamic_cast<Win32Image&>(Controls().Image1);
    const SIZE picture = image.PictureSize();
    ASSERT_EQ(picture.cx, 137);
    ASSERT_EQ(picture.cy, 137);
    EXPECT_EQ(image.Width(), RoundTrip(2055));
    image.SetWidth(2085);
    EXPECT_EQ(image.Width(), RoundTrip(2085));
    const RECT place = ClientPlace(Child(kImage1));
    EXPECT_EQ(place.bottom - place.top, Scale().ToPixels(2055)) << "the height stays";

    // Paint it into a bitmap of our own and look at the pixels on both sides of the
    // logo's right edge.
    const int width = place.right - place.left;
    const int height = place.bottom - place.top;
    const WindowDc screen = BorrowDc(nullptr);
    const MemoryDc dc = CreateMemoryDc(screen.Get());
    const BitmapHandle target(CreateCompatibleBitmap(screen.Get(), width, height));
    const SelectedObject selected = SelectInto(dc.Get(), target.Get());
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_STATIC;
    item.CtlID = kIdImage1;
    item.hwndItem = Child(kImage1);
    item.hDC = dc.Get();
    item.rcItem = RECT{0, 0, width, height};
    item.itemAction = ODA_DRAWENTIRE;
    // WM_DRAWITEM: wParam the control's id, lParam the DRAWITEMSTRUCT; TRUE when drawn.
    EXPECT_EQ(SendMessageW(form_->Handle(), WM_DRAWITEM, kIdImage1, reinterpret_cast<LPARAM>(&item)), TRUE);
    const COLORREF edge = GetPixel(dc.Get(), picture.cx - 1, 60);
    const COLORREF beside = GetPixel(dc.Get(), picture.cx, 60);
    const COLORREF below = height > picture.cy ? GetPixel(dc.Get(), 10, picture.cy) : GetSysColor(COLOR_BTNFACE);
    EXPECT_NE(edge, GetSysColor(COLOR_BTNFACE)) << "the logo reaches its 137th column";
    EXPECT_EQ(beside, GetSysColor(COLOR_BTNFACE)) << "and no further: not stretched";
    EXPECT_EQ(below, GetSysColor(COLOR_BTNFACE));
}

}  // namespace
}  // namespace toolkit_test
