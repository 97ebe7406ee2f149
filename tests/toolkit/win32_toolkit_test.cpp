// The Win32 toolkit against the real platform (under Wine on Linux): the window and
// its controls as the design table describes them, the events they raise, the
// keyboard rules, and the services. The window's logic is replaced by a recorder of
// its events, so each case sees exactly what the platform delivered.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "assets/resource_ids.h"
#include "base/app_error.h"
#include "platform/win32_fonts.h"
#include "platform/win32_form.h"
#include "platform/win32_toolkit.h"
#include "tests/toolkit/pump.h"
#include "window/control_ids.h"
#include "window/frm_list_design.h"

namespace {

class RecordingEvents : public FormEvents {
public:
    std::vector<std::string> calls;
    std::function<void()> onUnload;

    int Count(const std::string& name) const { return static_cast<int>(std::count(calls.begin(), calls.end(), name)); }

    void Form_Load() override { calls.push_back("Form_Load"); }
    void Form_Resize() override { calls.push_back("Form_Resize"); }
    void Form_Unload() override {
        calls.push_back("Form_Unload");
        if (onUnload) onUnload();
    }
    void List1_Click() override { calls.push_back("List1_Click"); }
    void Command1_Click() override { calls.push_back("Command1_Click"); }
    void Command2_Click() override { calls.push_back("Command2_Click"); }
    void Command3_Click() override { calls.push_back("Command3_Click"); }
    void Label2_Click() override { calls.push_back("Label2_Click"); }
    void Image1_Click() override { calls.push_back("Image1_Click"); }
};

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

LONG_PTR StyleOf(HWND hwnd) {
    return GetWindowLongPtrW(hwnd, GWL_STYLE);
}

RECT ClientPlace(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

SIZE TextExtent(HWND control, const std::wstring& text) {
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return size;
}

class Win32ToolkitTest : public ::testing::Test {
protected:
    void SetUp() override {
        form_ = std::make_unique<Win32Form>(GetModuleHandleW(nullptr), kFrmListDesign);
        ASSERT_TRUE(form_->Create());
        form_->SetEvents(&events_);
        toolkit_ = std::make_unique<Win32Toolkit>(*form_);
    }
    void TearDown() override {
        form_->SetEvents(nullptr);
        toolkit_.reset();
        form_.reset();
        Pump();
    }

    HWND Child(FrmListControlIndex index) const { return form_->Child(index); }
    FrmListControls& Controls() { return form_->Controls(); }
    const TwipsScale& Scale() const { return form_->Scale(); }
    // A length in twips as the toolkit reports it back after placing it in pixels.
    int32_t RoundTrip(int32_t twips) const {
        return static_cast<int32_t>(Scale().ToTwips(Scale().ToPixels(twips)) + 0.5f);
    }
    void ShowAndFocusList() {
        form_->Show(SW_SHOWNORMAL);
        Pump();
        SetFocus(Child(kList1));
    }
    bool Keyboard(HWND target, UINT message, WPARAM key, LPARAM flags = 0) {
        MSG msg{target, message, key, flags, 0, {0, 0}};
        const bool used = form_->TranslateKeyboard(msg);
        if (!used) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Pump();
        return used;
    }

    RecordingEvents events_;
    std::unique_ptr<Win32Form> form_;
    std::unique_ptr<Win32Toolkit> toolkit_;
};

// ---- the window and its controls ---------------------------------------------------

TEST_F(Win32ToolkitTest, WindowHasTheDesignedFrameClientSizeAndNoMaximiseBox) {
    HWND hwnd = form_->Handle();
    EXPECT_EQ(ClassOf(hwnd), kFormClassName);
    const LONG_PTR style = StyleOf(hwnd);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_TRUE(style & WS_THICKFRAME) << "sizable frame";
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_VISIBLE) << "created hidden, shown after loading";
    RECT client{};
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client.right, Scale().ToPixels(kFrmListDesign.clientWidth));
    EXPECT_EQ(client.bottom, Scale().ToPixels(kFrmListDesign.clientHeight));
    EXPECT_EQ(form_->Caption(), kFrmListDesign.caption);
    EXPECT_NE(GetClassLongPtrW(hwnd, GCLP_HICON), 0) << "the program icon";
    EXPECT_NE(GetClassLongPtrW(hwnd, GCLP_HICONSM), 0);
}

TEST_F(Win32ToolkitTest, EveryControlSitsAtItsDesignPlaceUnderItsFixedId) {
    struct Case {
        FrmListControlIndex index;
        int id;
        const wchar_t* className;
    };
    const Case cases[] = {
        {kList1, kIdList1, L"ListBox"},      {kText1, kIdText1, L"Edit"},         {kLabel1_0, kIdLabel1_0, L"Static"},
        {kLabel1_1, kIdLabel1_1, L"Static"}, {kCommand1, kIdCommand1, L"Button"}, {kCommand2, kIdCommand2, L"Button"},
        {kCommand3, kIdCommand3, L"Button"}, {kLabel2, kIdLabel2, L"Static"},     {kImage1, kIdImage1, L"Static"},
    };
    for (const Case& c : cases) {
        const ControlDesign& design = kFrmListDesign.controls[c.index];
        SCOPED_TRACE(std::string(design.name, design.name + wcslen(design.name)));
        HWND control = GetDlgItem(form_->Handle(), c.id);
        ASSERT_EQ(control, Child(c.index));
        EXPECT_EQ(_wcsicmp(ClassOf(control).c_str(), c.className), 0);
        const RECT place = ClientPlace(control);
        EXPECT_EQ(place.left, Scale().ToPixels(design.left));
        EXPECT_EQ(place.top, Scale().ToPixels(design.top));
        EXPECT_EQ((StyleOf(control) & WS_VISIBLE) != 0, design.visible);
        EXPECT_TRUE(IsWindowEnabled(control)) << "every control starts enabled";
        if (design.kind == ControlKind::CommandButton || design.kind == ControlKind::TextBox ||
            design.kind == ControlKind::Image) {
            EXPECT_EQ(place.right - place.left, Scale().ToPixels(design.width));
            EXPECT_EQ(place.bottom - place.top, Scale().ToPixels(design.height));
        }
        if (design.kind == ControlKind::ListBox) {
            EXPECT_EQ(place.right - place.left, Scale().ToPixels(design.width));
            // Whole rows only: never taller than designed, at most one row shorter.
            const int rowHeight = static_cast<int>(SendMessageW(control, LB_GETITEMHEIGHT, 0, 0));
            EXPECT_LE(place.bottom - place.top, Scale().ToPixels(design.height));
            EXPECT_GT(place.bottom - place.top, Scale().ToPixels(design.height) - rowHeight - 1);
        }
    }
}

TEST_F(Win32ToolkitTest, TheListSelectsOneRowAndTheDetailsBoxShowsLinesTheUserCannotChange) {
    // A single-selection list has no selection count to give.
    Controls().List1.AddItem(L"First");
    Controls().List1.AddItem(L"Second");
    EXPECT_EQ(SendMessageW(Child(kList1), LB_GETSELCOUNT, 0, 0), LB_ERR);

    // Every line shows, with no scroll bar even when they do not fit: the client area
    // stays the whole control (the edit box draws its border inside it).
    HWND text = Child(kText1);
    std::wstring lines;
    for (int i = 0; i < 30; ++i) lines += L"Line " + std::to_wstring(i) + L"\r\n";
    Controls().Text1.SetText(lines);
    EXPECT_EQ(SendMessageW(text, EM_GETLINECOUNT, 0, 0), 31);
    RECT outer{};
    RECT client{};
    GetWindowRect(text, &outer);
    GetClientRect(text, &client);
    EXPECT_EQ(client.right, outer.right - outer.left);
    EXPECT_EQ(client.bottom, outer.bottom - outer.top);

    // Typing, deleting and pasting change nothing; the text can still be selected.
    ShowAndFocusList();
    SetFocus(text);
    SendMessageW(text, EM_SETSEL, 0, 4);
    SendMessageW(text, WM_CHAR, 'x', 0);
    SendMessageW(text, WM_KEYDOWN, VK_DELETE, 0);
    SendMessageW(text, WM_PASTE, 0, 0);
    Pump();
    EXPECT_EQ(Controls().Text1.Text(), lines);
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(text, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(end - start, 4u);
}

TEST_F(Win32ToolkitTest, FontsFollowTheDesignOrTheirSansSerifStandIn) {
    for (size_t i = 0; i < kFrmListDesign.controls.size(); ++i) {
        const ControlDesign& design = kFrmListDesign.controls[i];
        if (design.font.face == nullptr) continue;
        SCOPED_TRACE(std::string(design.name, design.name + wcslen(design.name)));
        auto font = reinterpret_cast<HFONT>(SendMessageW(Child(static_cast<FrmListControlIndex>(i)), WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        LOGFONTW logical{};
        ASSERT_NE(GetObjectW(font, sizeof(logical), &logical), 0);
        EXPECT_EQ(logical.lfHeight, Scale().FontHeight(design.font.points));
        EXPECT_EQ(logical.lfWeight, design.font.weight);
        EXPECT_EQ(logical.lfUnderline != 0, design.font.underline);
        EXPECT_EQ(logical.lfItalic, 0);
        EXPECT_EQ(logical.lfStrikeOut, 0);
        EXPECT_EQ(logical.lfCharSet, ANSI_CHARSET);
        EXPECT_EQ(logical.lfFaceName, SansSerifFaceFor(design.font.face));
    }
    EXPECT_NE(SendMessageW(Child(kCommand1), WM_GETFONT, 0, 0), 0) << "buttons get the message font";
}

// ---- focus and keyboard ------------------------------------------------------------

TEST_F(Win32ToolkitTest, EachHeadingLabelComesJustBeforeItsControlAndTabSkipsLabelsAndHiddenButtons) {
    // Screen readers name the list and the details box after the label just before
    // each in the z-order.
    std::vector<int> zOrder;
    for (HWND child = GetWindow(form_->Handle(), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        zOrder.push_back(GetDlgCtrlID(child));
    }
    EXPECT_EQ(zOrder, (std::vector<int>{kIdLabel1_1, kIdList1, kIdLabel1_0, kIdText1, kIdCommand1, kIdCommand2,
                                        kIdCommand3, kIdLabel2, kIdImage1}));

    struct Case {
        bool command2Enabled;
        std::vector<FrmListControlIndex> order;
    };
    const Case cases[] = {
        {true, {kList1, kText1, kCommand1, kCommand2, kList1}},
        {false, {kList1, kText1, kCommand1, kList1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command2Enabled ? "Command2 enabled" : "Command2 disabled");
        Controls().Command2.SetEnabled(c.command2Enabled);
        Controls().Command3.SetEnabled(true);  // hidden buttons stay out even when enabled
        for (size_t k = 0; k + 1 < c.order.size(); ++k) {
            EXPECT_EQ(GetNextDlgTabItem(form_->Handle(), Child(c.order[k]), FALSE), Child(c.order[k + 1]))
                << "after step " << k;
        }
    }
}

TEST_F(Win32ToolkitTest, TheListHasTheFocusWhenFirstShownAndTabMovesIt) {
    form_->Show(SW_SHOWNORMAL);
    Pump();
    EXPECT_EQ(GetFocus(), Child(kList1));
    EXPECT_GE(events_.Count("Form_Resize"), 1) << "the first showing raises the size event";
    Controls().Command2.SetEnabled(true);
    const FrmListControlIndex expected[] = {kText1, kCommand1, kCommand2, kList1};
    for (FrmListControlIndex next : expected) {
        EXPECT_TRUE(Keyboard(GetFocus(), WM_KEYDOWN, VK_TAB));
        EXPECT_EQ(GetFocus(), Child(next));
    }
}

TEST_F(Win32ToolkitTest, EnterAndEscapePressNoButtonAndCloseNothing) {
    ShowAndFocusList();
    Controls().Command2.SetEnabled(true);
    for (FrmListControlIndex focus : {kList1, kText1, kCommand1, kCommand2}) {
        SetFocus(Child(focus));
        for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
            EXPECT_TRUE(Keyboard(Child(focus), WM_KEYDOWN, key));
            EXPECT_TRUE(Keyboard(Child(focus), WM_KEYUP, key));
        }
    }
    EXPECT_TRUE(IsWindow(form_->Handle()));
    EXPECT_EQ(events_.Count("Command1_Click") + events_.Count("Command2_Click") + events_.Count("Form_Unload"), 0);
}

TEST_F(Win32ToolkitTest, AccessKeysPressOnlyVisibleEnabledButtonsAndNeedAlt) {
    ShowAndFocusList();
    const LPARAM alt = LPARAM{1} << 29;
    struct Case {
        const char* what;
        bool command2Enabled;
        UINT message;
        WPARAM key;
        const char* expected;  // nullptr: no click
    };
    const Case cases[] = {
        {"Alt+C", false, WM_SYSCHAR, 'c', "Command1_Click"},
        {"Alt+R enabled", true, WM_SYSCHAR, 'r', "Command2_Click"},
        {"Alt+R disabled", false, WM_SYSCHAR, 'r', nullptr},
        {"Alt+A, hidden button", true, WM_SYSCHAR, 'a', nullptr},
        {"plain r", true, WM_CHAR, 'r', nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        events_.calls.clear();
        Controls().Command2.SetEnabled(c.command2Enabled);
        Controls().Command3.SetEnabled(true);
        SetFocus(Child(kCommand1));
        Keyboard(GetFocus(), c.message, c.key, c.message == WM_SYSCHAR ? alt : 0);
        std::vector<std::string> clicks;
        for (const std::string& call : events_.calls) {
            if (call.find("_Click") != std::string::npos) clicks.push_back(call);
        }
        if (c.expected == nullptr) {
            EXPECT_TRUE(clicks.empty()) << clicks.front();
        } else {
            EXPECT_EQ(clicks, std::vector<std::string>{c.expected});
        }
    }
}

TEST_F(Win32ToolkitTest, DisablingTheFocusedButtonHandsTheFocusOn) {
    ShowAndFocusList();
    Controls().Command2.SetEnabled(true);
    SetFocus(Child(kCommand2));
    Controls().Command2.SetEnabled(false);
    EXPECT_FALSE(Controls().Command2.Enabled());
    EXPECT_EQ(GetFocus(), Child(kList1));
}

// ---- list box ----------------------------------------------------------------------

TEST_F(Win32ToolkitTest, SettingTheRowRunsTheClickAtOnceAndClearingDoesNot) {
    ListBoxControl& list = Controls().List1;
    for (const wchar_t* row : {L"Zeta adapter", L"Alpha adapter", L"Mid adapter"}) list.AddItem(row);
    EXPECT_EQ(list.ListCount(), 3);
    EXPECT_EQ(list.List(0), L"Zeta adapter") << "not sorted";
    EXPECT_EQ(list.List(2), L"Mid adapter");
    EXPECT_EQ(list.ListIndex(), -1);

    list.SetListIndex(1);
    EXPECT_EQ(events_.Count("List1_Click"), 1);
    EXPECT_EQ(list.ListIndex(), 1);
    list.SetListIndex(1);
    EXPECT_EQ(events_.Count("List1_Click"), 2) << "every set runs the click, also to the same row";
    list.SetListIndex(-1);
    EXPECT_EQ(events_.Count("List1_Click"), 3);
    EXPECT_EQ(list.ListIndex(), -1);

    list.SetListIndex(2);
    list.Clear();
    EXPECT_EQ(events_.Count("List1_Click"), 4) << "clearing runs no click";
    EXPECT_EQ(list.ListCount(), 0);
    EXPECT_EQ(list.ListIndex(), -1);
}

TEST_F(Win32ToolkitTest, ARowOutsideTheListRaisesAndRunsNoClick) {
    ListBoxControl& list = Controls().List1;
    list.AddItem(L"Only adapter");
    struct Case {
        int32_t index;
    };
    for (const Case c : {Case{1}, Case{-2}, Case{7}}) {
        try {
            list.SetListIndex(c.index);
            ADD_FAILURE() << "row " << c.index << " was accepted";
        } catch (const AppError& error) {
            EXPECT_EQ(error.Number(), 380);
        }
    }
    EXPECT_EQ(events_.Count("List1_Click"), 0);
    EXPECT_EQ(list.ListIndex(), -1);
    try {
        list.List(1);
        ADD_FAILURE() << "row 1 was read";
    } catch (const AppError& error) {
        EXPECT_EQ(error.Number(), 381);
    }
}

TEST_F(Win32ToolkitTest, AUserClickOnARowRunsTheClickOnce) {
    ShowAndFocusList();
    ListBoxControl& list = Controls().List1;
    list.AddItem(L"First");
    list.AddItem(L"Second");
    RECT row{};
    SendMessageW(Child(kList1), LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
    const LPARAM point = MAKELPARAM(row.left + 5, (row.top + row.bottom) / 2);
    SendMessageW(Child(kList1), WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageW(Child(kList1), WM_LBUTTONUP, 0, point);
    Pump();
    EXPECT_EQ(list.ListIndex(), 1);
    EXPECT_EQ(events_.Count("List1_Click"), 1);
}

// ---- labels, link and picture ------------------------------------------------------

TEST_F(Win32ToolkitTest, LabelsTakeTheSizeOfTheirCaptionOnOneLineWithTheTopLeftFixed) {
    for (FrmListControlIndex index : {kLabel1_0, kLabel1_1, kLabel2}) {
        const ControlDesign& design = kFrmListDesign.controls[index];
        const SIZE text = TextExtent(Child(index), design.caption);
        const RECT place = ClientPlace(Child(index));
        EXPECT_EQ(place.right - place.left, text.cx) << "design caption of " << index;
        EXPECT_EQ(place.bottom - place.top, text.cy);
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
}

TEST_F(Win32ToolkitTest, TheLinkIsPureBlueAndTheOtherLabelsUseTheNormalTextColour) {
    struct Case {
        FrmListControlIndex index;
        COLORREF colour;
    };
    const Case cases[] = {
        {kLabel2, RGB(0, 0, 255)}, {kLabel1_0, GetSysColor(COLOR_BTNTEXT)}, {kLabel1_1, GetSysColor(COLOR_BTNTEXT)}};
    for (const Case& c : cases) {
        HDC dc = GetDC(Child(c.index));
        SetTextColor(dc, RGB(1, 2, 3));
        const LRESULT brush = SendMessageW(form_->Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                           reinterpret_cast<LPARAM>(Child(c.index)));
        EXPECT_NE(brush, 0);
        EXPECT_EQ(GetTextColor(dc), c.colour) << "label " << c.index;
        ReleaseDC(Child(c.index), dc);
    }
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

    toolkit_->SetMousePointer(kPointerHourglass);
    EXPECT_EQ(cursorOver(kLabel2), hourglass);
    EXPECT_EQ(cursorOver(kList1), hourglass);
    toolkit_->SetMousePointer(kPointerDefault);
    EXPECT_EQ(cursorOver(kImage1), hand);
    EXPECT_NE(cursorOver(kList1), hourglass);

    EXPECT_THROW(toolkit_->SetMousePointer(5), AppError);
    EXPECT_EQ(form_->MousePointer(), kPointerDefault);
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
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(dc, target);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_STATIC;
    item.hwndItem = Child(kImage1);
    item.hDC = dc;
    item.rcItem = RECT{0, 0, width, height};
    image.Paint(item);
    const COLORREF edge = GetPixel(dc, picture.cx - 1, 60);
    const COLORREF beside = GetPixel(dc, picture.cx, 60);
    const COLORREF below = height > picture.cy ? GetPixel(dc, 10, picture.cy) : GetSysColor(COLOR_BTNFACE);
    SelectObject(dc, previous);
    DeleteObject(target);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    EXPECT_NE(edge, GetSysColor(COLOR_BTNFACE)) << "the logo reaches its 137th column";
    EXPECT_EQ(beside, GetSysColor(COLOR_BTNFACE)) << "and no further: not stretched";
    EXPECT_EQ(below, GetSysColor(COLOR_BTNFACE));
}

// ---- the form ----------------------------------------------------------------------

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

// ---- services ----------------------------------------------------------------------

TEST_F(Win32ToolkitTest, VersionNumbersComeFromTheProgramsVersionResource) {
    EXPECT_EQ(toolkit_->VersionMajor(), TDM_PROJECT_VERSION_MAJOR);
    EXPECT_EQ(toolkit_->VersionMinor(), TDM_PROJECT_VERSION_MINOR);
    EXPECT_EQ(toolkit_->VersionRevision(), TDM_PROJECT_VERSION_PATCH);
}

TEST_F(Win32ToolkitTest, SystemDirectoryIsAnExistingFolderWithoutTrailingBackslash) {
    const std::wstring folder = toolkit_->SystemDirectory();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), L'\\');
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(Win32ToolkitTest, TheShellIsLoadedWhenADocumentIsFirstOpenedAndOpensIt) {
    // The window is shown without the shell, a good part of a start; the first
    // document opened loads it.
    EXPECT_EQ(GetModuleHandleW(L"shell32.dll"), nullptr);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring marker = std::wstring(temp) + L"tdm-shell-opened.txt";
    DeleteFileW(marker.c_str());
    toolkit_->OpenWithShell(L"Open", toolkit_->SystemDirectory() + L"\\cmd.exe", L"/c echo opened>\"" + marker + L"\"",
                            L"", SW_HIDE);
    EXPECT_NE(GetModuleHandleW(L"shell32.dll"), nullptr);
    bool opened = false;
    for (int i = 0; i < 200 && !opened; ++i) {
        opened = GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (!opened) Sleep(50);
    }
    EXPECT_TRUE(opened) << "the command was not started";
    DeleteFileW(marker.c_str());
}

TEST(CommandLine, QuotesTheProgramPathAndAppendsTheArguments) {
    struct Case {
        const wchar_t* path;
        const wchar_t* arguments;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"C:\\Windows\\system32\\shutdown.exe", L"-r -t 00", L"\"C:\\Windows\\system32\\shutdown.exe\" -r -t 00"},
        {L"C:\\Program Files\\x.exe", L"", L"\"C:\\Program Files\\x.exe\""},
    };
    for (const Case& c : cases) EXPECT_EQ(CommandLineFor(c.path, c.arguments), c.expected);
}

TEST_F(Win32ToolkitTest, StartProgramNeedsTheProgramsFullPath) {
    // A bare name is not looked up along the search path: from a folder without
    // cmd.exe, "cmd.exe" is not found although the system folder holds it.
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    SetCurrentDirectoryW(temp);
    for (const std::wstring& path :
         {std::wstring(L"cmd.exe"), toolkit_->SystemDirectory() + L"\\no-such-program.exe"}) {
        try {
            toolkit_->StartProgram(path, L"/c exit 0", kShowMinimizedFocus);
            ADD_FAILURE() << "started " << std::string(path.begin(), path.end());
        } catch (const AppError& error) {
            EXPECT_EQ(error.Number(), 53);
        }
    }
    SetCurrentDirectoryW(previous);
    EXPECT_NO_THROW(
        toolkit_->StartProgram(toolkit_->SystemDirectory() + L"\\cmd.exe", L"/c exit 0", kShowMinimizedFocus));
}

TEST_F(Win32ToolkitTest, AMessageBoxWithoutTitleCarriesTheApplicationsTitle) {
    struct Case {
        const wchar_t* title;
        int32_t style;
        const wchar_t* shownTitle;
        WPARAM button;
        int32_t answer;
    };
    const Case cases[] = {
        {L"", kMbOkOnly, L"TalvorinDeviceManager", IDOK, kAnswerOk},
        {L"Reboot recommended", kMbYesNo, L"Reboot recommended", IDNO, kAnswerNo},
        {L"Registry Changes", kMbYesNo, L"Registry Changes", IDYES, kAnswerYes},
    };
    for (const Case& c : cases) {
        std::atomic<bool> found{false};
        std::thread presser([&] {
            for (int i = 0; i < 400 && !found; ++i) {
                HWND box = FindWindowW(L"#32770", c.shownTitle);
                if (box != nullptr) {
                    found = true;
                    PostMessageW(box, WM_COMMAND, c.button, 0);
                }
                Sleep(25);
            }
        });
        const int32_t answer = toolkit_->MsgBox(L"Prompt", c.style, c.title);
        presser.join();
        EXPECT_TRUE(found) << "no box titled as expected";
        EXPECT_EQ(answer, c.answer);
    }
}

TEST_F(Win32ToolkitTest, EndProcessEndsTheMessageLoop) {
    toolkit_->EndProcess();
    EXPECT_EQ(RunMessageLoop(*form_), 0);
}

// ---- the program's resources -------------------------------------------------------

TEST(ProgramResources, HandCursorHotSpotAndIconImagesAreCompiledIn) {
    HINSTANCE self = GetModuleHandleW(nullptr);
    HCURSOR hand = LoadCursorW(self, MAKEINTRESOURCEW(TDM_CURSOR_HAND));
    ASSERT_NE(hand, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(hand, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 13u);
    EXPECT_EQ(info.yHotspot, 9u);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);

    HRSRC group = FindResourceW(self, MAKEINTRESOURCEW(TDM_ICON_APP), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const auto* directory = static_cast<const BYTE*>(LockResource(LoadResource(self, group)));
    ASSERT_NE(directory, nullptr);
    EXPECT_EQ(directory[4] | directory[5] << 8, 4) << "four images";
    for (int size : {16, 32, 48, 64}) {
        HICON icon = static_cast<HICON>(LoadImageW(self, MAKEINTRESOURCEW(TDM_ICON_APP), IMAGE_ICON, size, size, 0));
        EXPECT_NE(icon, nullptr) << size;
        if (icon) DestroyIcon(icon);
    }
}

}  // namespace
