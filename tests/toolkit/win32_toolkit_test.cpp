// The Win32 toolkit against the real platform (under Wine on Linux): the window and
// its controls as the design table describes them, the events they raise, the
// keyboard rules, and the services. The window's logic is replaced by a recorder of
// its events, so each case sees exactly what the platform delivered.
#include <gtest/gtest.h>

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "assets/resource_ids.h"
#include "base/app_error.h"
#include "platform/win32_desktop_shell.h"
#include "platform/win32_device_setup_api.h"
#include "platform/win32_dyn_calls.h"
#include "platform/win32_fonts.h"
#include "platform/win32_form.h"
#include "platform/win32_handles.h"
#include "platform/win32_toolkit.h"
#include "tests/toolkit/pump.h"
#include "window/adapter_presence.h"
#include "window/control_ids.h"
#include "window/frm_list_design.h"

namespace {

class RecordingEvents : public FormEvents {
public:
    std::vector<std::string> calls;
    std::function<void()> onUnload;
    std::function<void()> onLinkClick;

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
    void Label2_Click() override {
        calls.push_back("Label2_Click");
        if (onLinkClick) onLinkClick();
    }
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
    const WindowDc dc = BorrowDc(control);
    const SelectedObject font = SelectInto(dc.Get(), reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
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
    // A key message as the message loop gets it. lParam: bits 0-15 the repeat count,
    // bit 29 Alt held (WM_SYSCHAR), bits 30 and 31 set for a key going up (WM_KEYUP).
    static constexpr LPARAM kKeyDown = 0x00000001;
    static constexpr LPARAM kKeyUp = static_cast<LPARAM>(0xC0000001u);
    static constexpr LPARAM kAltChar = 0x20000001;
    bool Keyboard(HWND target, UINT message, WPARAM key, LPARAM flags = kKeyDown) {
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

TEST(DesignFonts, ABitmapFaceOfAnotherHeightGivesWayToTheScalableFaceAtTheAskedSize) {
    // 12 points at 144 dpi ask for a character height of 24 pixels (lfHeight -24); the
    // character height the platform made is tmHeight - tmInternalLeading. The metrics
    // stand in for what Windows makes of its bitmap face "MS Sans Serif". In
    // tmPitchAndFamily, 0x20 is FF_SWISS and 0x01 TMPF_FIXED_PITCH (set for a variable
    // pitch); 0x02 TMPF_VECTOR and 0x04 TMPF_TRUETYPE, set for a TrueType font
    // together, are both clear for a bitmap font.
    struct Case {
        const char* what;
        BYTE pitchAndFamily;
        LONG height, internalLeading;
        bool scalableInstead;
    };
    const Case cases[] = {
        {"bitmap, 26 pixels for 24", 0x21, 29, 3, true},
        {"bitmap, 20 pixels for 24", 0x21, 23, 3, true},
        {"bitmap of the asked height", 0x21, 27, 3, false},
        {"TrueType of another height", 0x27, 29, 3, false},
        {"vector of another height", 0x23, 29, 3, false},
        {"bitmap, 24 pixels under 5 of leading", 0x21, 29, 5, false},
    };
    const FontDesign design{L"MS Sans Serif", 12.0f, 700, true};
    const std::wstring ownFace = SansSerifFaceFor(design.face);
    ASSERT_NE(ownFace, L"Microsoft Sans Serif") << "this platform's face cannot tell the cases apart";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int read = 0;
        const FontHandle font = CreateDesignFont(design, TwipsScale(144), [&](HFONT, TEXTMETRICW& metrics) {
            ++read;
            metrics = TEXTMETRICW{};
            metrics.tmHeight = c.height;
            metrics.tmInternalLeading = c.internalLeading;
            metrics.tmPitchAndFamily = c.pitchAndFamily;
            return TRUE;
        });
        ASSERT_TRUE(font);
        EXPECT_EQ(read, 1) << "decided from the made font's own metrics, once";
        LOGFONTW logical{};
        ASSERT_NE(GetObjectW(font.Get(), sizeof(logical), &logical), 0);
        EXPECT_EQ(std::wstring(logical.lfFaceName), c.scalableInstead ? L"Microsoft Sans Serif" : ownFace);
        EXPECT_EQ(logical.lfHeight, -24) << "at the size asked for";
        EXPECT_EQ(logical.lfWeight, 700);
        EXPECT_EQ(logical.lfUnderline, TRUE);
    }
}

TEST(DesignFonts, AnInstalledFaceIsKeptAndAMissingOneGivesWayToAnInstalledStandIn) {
    EXPECT_FALSE(FontFaceInstalled(L"No Such Face"));
    for (const wchar_t* face : {L"MS Sans Serif", L"Tahoma", L"No Such Face"}) {
        const std::wstring asked = SansSerifFaceFor(face);
        EXPECT_TRUE(FontFaceInstalled(asked)) << face;
        if (FontFaceInstalled(face)) {
            EXPECT_EQ(asked, face);
        }
    }
}

// ---- focus and keyboard ------------------------------------------------------------

TEST_F(Win32ToolkitTest, EachHeadingLabelComesJustBeforeItsControlAndTabSkipsLabelsAndDisabledButtons) {
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
        {true, {kList1, kText1, kCommand1, kCommand2, kCommand3, kList1}},
        {false, {kList1, kText1, kCommand1, kCommand3, kList1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command2Enabled ? "Command2 enabled" : "Command2 disabled");
        Controls().Command2.SetEnabled(c.command2Enabled);
        Controls().Command3.SetEnabled(true);
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
    const FrmListControlIndex expected[] = {kText1, kCommand1, kCommand2, kCommand3, kList1};
    for (FrmListControlIndex next : expected) {
        EXPECT_TRUE(Keyboard(GetFocus(), WM_KEYDOWN, VK_TAB));
        EXPECT_EQ(GetFocus(), Child(next));
    }

    // WM_NEXTDLGCTL, as the dialog keyboard handling sends it: with LOWORD(lParam) 0,
    // wParam 0 asks for the next control and any other value for the previous one;
    // with LOWORD(lParam) non-zero, wParam is the control to focus.
    SendMessageW(form_->Handle(), WM_NEXTDLGCTL, 1, 0);
    EXPECT_EQ(GetFocus(), Child(kCommand3)) << "the one before the list";
    SendMessageW(form_->Handle(), WM_NEXTDLGCTL, 0, 0);
    EXPECT_EQ(GetFocus(), Child(kList1));
    SendMessageW(form_->Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Child(kText1)), 1);
    EXPECT_EQ(GetFocus(), Child(kText1));
}

TEST_F(Win32ToolkitTest, ActivatedAgainTheWindowGivesTheFocusBackToTheControlThatHadIt) {
    ShowAndFocusList();
    SetFocus(Child(kCommand1));
    // WM_ACTIVATE: LOWORD(wParam) is WA_INACTIVE (0) when the window loses the
    // activation, HIWORD(wParam) non-zero when it is minimised; lParam the window that
    // takes the activation. Minimising deactivates with both.
    SendMessageW(form_->Handle(), WM_ACTIVATE, MAKEWPARAM(0, 1), 0);
    SetFocus(Child(kText1));
    // WM_SETFOCUS: wParam is the window that lost the focus; the result is 0.
    EXPECT_EQ(SendMessageW(form_->Handle(), WM_SETFOCUS, reinterpret_cast<WPARAM>(Child(kText1)), 0), 0);
    EXPECT_EQ(GetFocus(), Child(kCommand1));

    // Activated again (WA_ACTIVE, 1), it gives the focus to the first control if the last was disabled.
    SendMessageW(form_->Handle(), WM_ACTIVATE, MAKEWPARAM(0, 1), 0);
    EnableWindow(Child(kCommand1), FALSE);
    SetFocus(Child(kText1));
    SendMessageW(form_->Handle(), WM_ACTIVATE, 1, 0);
    EXPECT_EQ(GetFocus(), Child(kList1));
}

TEST_F(Win32ToolkitTest, EnterAndEscapePressNoButtonAndCloseNothing) {
    ShowAndFocusList();
    Controls().Command2.SetEnabled(true);
    for (FrmListControlIndex focus : {kList1, kText1, kCommand1, kCommand2}) {
        SetFocus(Child(focus));
        for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
            // The character code of Enter is 0x0D and of Escape 0x1B, their key codes too.
            EXPECT_TRUE(Keyboard(Child(focus), WM_KEYDOWN, key));
            EXPECT_TRUE(Keyboard(Child(focus), WM_CHAR, key));
            EXPECT_TRUE(Keyboard(Child(focus), WM_KEYUP, key, kKeyUp));
        }
    }
    EXPECT_TRUE(IsWindow(form_->Handle()));
    EXPECT_EQ(events_.Count("Command1_Click") + events_.Count("Command2_Click") + events_.Count("Form_Unload"), 0);
}

TEST_F(Win32ToolkitTest, AccessKeysPressOnlyVisibleEnabledButtonsAndNeedAlt) {
    ShowAndFocusList();
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
        {"Alt+A", true, WM_SYSCHAR, 'a', "Command3_Click"},
        {"plain r", true, WM_CHAR, 'r', nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        events_.calls.clear();
        Controls().Command2.SetEnabled(c.command2Enabled);
        Controls().Command3.SetEnabled(true);
        SetFocus(Child(kCommand1));
        Keyboard(GetFocus(), c.message, c.key, c.message == WM_SYSCHAR ? kAltChar : kKeyDown);
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
    // Enabling the focused button, or disabling one without the focus, leaves it be.
    SetFocus(Child(kCommand1));
    Controls().Command1.SetEnabled(true);
    EXPECT_TRUE(Controls().Command1.Enabled());
    EXPECT_EQ(GetFocus(), Child(kCommand1));
    Controls().Command2.SetEnabled(true);
    SetFocus(Child(kText1));
    Controls().Command2.SetEnabled(false);
    EXPECT_FALSE(Controls().Command2.Enabled());
    EXPECT_EQ(GetFocus(), Child(kText1));
    Controls().Command2.SetEnabled(true);
    SetFocus(Child(kCommand2));
    Controls().Command2.SetEnabled(false);
    EXPECT_FALSE(Controls().Command2.Enabled());
    EXPECT_EQ(GetFocus(), Child(kCommand3)) << "the next in the tab order";
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
    for (const int32_t row : {1, -1}) {
        try {
            list.List(row);
            ADD_FAILURE() << "row " << row << " was read";
        } catch (const AppError& error) {
            EXPECT_EQ(error.Number(), 381);
        }
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

// A marker file that a started "cmd.exe /c echo" writes, removed again by the case.
class Marker {
public:
    explicit Marker(const wchar_t* name) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + name;
        DeleteFileW(path_.c_str());
    }
    ~Marker() { DeleteFileW(path_.c_str()); }
    std::wstring EchoArguments() const { return L"/c echo opened>\"" + path_ + L"\""; }
    bool Appears() const {
        for (int i = 0; i < 200; ++i) {
            if (GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
            Sleep(50);
        }
        return false;
    }

private:
    std::wstring path_;
};

TEST_F(Win32ToolkitTest, TheShellIsLoadedWhenADocumentIsFirstOpenedAndOpensIt) {
    // The window is shown without the shell, a good part of a start; the first
    // document opened loads it.
    EXPECT_EQ(GetModuleHandleW(L"shell32.dll"), nullptr);
    const Marker marker(L"tdm-shell-opened.txt");
    toolkit_->OpenWithShell(L"Open", toolkit_->SystemDirectory() + L"\\cmd.exe", marker.EchoArguments(), L"", SW_HIDE);
    EXPECT_NE(GetModuleHandleW(L"shell32.dll"), nullptr);
    EXPECT_TRUE(marker.Appears()) << "the command was not started";
}

TEST_F(Win32ToolkitTest, ElevationTypeIsTheTokensAsDocumented) {
    // GetTokenInformation(TokenElevationType) fills a TOKEN_ELEVATION_TYPE, an enum of 4
    // bytes: 1 default, 2 full, 3 limited. Too small a buffer fails with
    // ERROR_INSUFFICIENT_BUFFER (122) and reports the 4 bytes needed.
    KernelHandle token;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put()));
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_FALSE(GetTokenInformation(token.Get(), TokenElevationType, &type, 0, &size));
    EXPECT_EQ(GetLastError(), 122u);
    EXPECT_EQ(size, 4u);
    ASSERT_TRUE(GetTokenInformation(token.Get(), TokenElevationType, &type, 4, &size));
    EXPECT_EQ(size, 4u);
    EXPECT_GE(type, 1u);
    EXPECT_LE(type, 3u);
    EXPECT_EQ(toolkit_->ElevationType(), static_cast<int32_t>(type));
}

TEST_F(Win32ToolkitTest, TheDesktopsShellOpensADocument) {
    // Wine's desktop process (explorer.exe, on every display) serves the shell windows as
    // Explorer does; without it, 0x80040154 (REGDB_E_CLASSNOTREG): the program opens it.
    const Marker marker(L"tdm-desktop-opened.txt");
    const bool taken = toolkit_->OpenWithDesktopShell(L"Open", toolkit_->SystemDirectory() + L"\\cmd.exe",
                                                      marker.EchoArguments(), L"", SW_HIDE);
    std::printf("the desktop's shell %s the document\n", taken ? "took" : "did not take");
    EXPECT_TRUE(taken) << "no desktop's shell";
    EXPECT_TRUE(marker.Appears()) << "not opened";
}

TEST(DeviceSetup, ThePresentDisplayDevicesNameTheirDriverKeysAsDocumented) {
    // The device-installation DLL is loaded when presence is first asked.
    EXPECT_EQ(GetModuleHandleW(L"setupapi.dll"), nullptr);
    Win32DeviceSetupApi api;
    // SetupDiGetClassDevsW(GUID_DEVCLASS_DISPLAY, nullptr, nullptr, DIGCF_PRESENT 0x2): a set,
    // not INVALID_HANDLE_VALUE.
    int32_t error = -1;
    const DeviceInfoSet set = api.GetClassDevs(kDisplayClassGuid, 0x2, &error);
    ASSERT_NE(set, 0) << error;
    EXPECT_NE(GetModuleHandleW(L"setupapi.dll"), nullptr);
    // SP_DEVINFO_DATA: cbSize 32 on 64-bit Windows; SPDRP_DRIVER (9) is a REG_SZ (1); too
    // small a buffer gives 122 (ERROR_INSUFFICIENT_BUFFER) and the size in bytes with the
    // terminator; past the last device, 259 (ERROR_NO_MORE_ITEMS).
    DeviceInfoData device;
    EXPECT_EQ(device.size, 32u);
    ASSERT_EQ(0, api.EnumDeviceInfo(set, 0, &device));
    uint8_t small[2] = {};
    uint32_t type = 0;
    uint32_t required = 0;
    EXPECT_EQ(122, api.GetDeviceRegistryProperty(set, device, 9, &type, small, 2, &required));
    std::vector<uint8_t> bytes(required);
    ASSERT_EQ(0, api.GetDeviceRegistryProperty(set, device, 9, &type, bytes.data(), required, &required));
    EXPECT_EQ(type, 1u);
    const std::wstring driverKey(reinterpret_cast<const wchar_t*>(bytes.data()));
    EXPECT_EQ(required, (driverKey.size() + 1) * 2);
    EXPECT_EQ(driverKey.rfind(L"{4D36E968-E325-11CE-BFC1-08002BE10318}\\", 0), 0u) << testing::PrintToString(driverKey);
    uint32_t index = 1;
    while (api.EnumDeviceInfo(set, index, &device) == 0) ++index;
    EXPECT_EQ(259, api.EnumDeviceInfo(set, index, &device));
    api.DestroyDeviceInfoList(set);
    // Wine's own adapter uses entry 0000.
    std::vector<std::wstring> keys;
    ASSERT_TRUE(PresentDisplayDriverKeys(&api, keys));
    EXPECT_NE(std::find(keys.begin(), keys.end(), L"{4D36E968-E325-11CE-BFC1-08002BE10318}\\0000"), keys.end());
}

TEST(DynCalls, EveryFunctionOfTheListIsFoundWhereThePlatformHasIt) {
    // Wine 8, like Windows 10 (1607) and later, has every function of the list: none may
    // be left null, or the program would quietly fall back to the system's DPI or leave
    // the DLL search as it is. COM and the shell only once they are loaded.
    EXPECT_EQ(GetModuleHandleW(L"shell32.dll"), nullptr);
#define TDM_EXPECT_FOUND(name) EXPECT_NE(Dyn##name, nullptr) << #name;
    TDM_KERNEL32_CALLS(TDM_EXPECT_FOUND)
    TDM_USER32_CALLS(TDM_EXPECT_FOUND)
    LoadShellCalls();
    TDM_OLE32_CALLS(TDM_EXPECT_FOUND)
    TDM_OLEAUT32_CALLS(TDM_EXPECT_FOUND)
    TDM_SHELL32_CALLS(TDM_EXPECT_FOUND)
    LoadSetupCalls();
    TDM_SETUPAPI_CALLS(TDM_EXPECT_FOUND)
#undef TDM_EXPECT_FOUND
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

    // With STARTF_USESHOWWINDOW (0x1), STARTUPINFOW's wShowWindow is the show command of
    // the program's first ShowWindow; kShowMinimizedFocus is SW_SHOWMINIMIZED (2).
    toolkit_->StartProgram(toolkit_->SystemDirectory() + L"\\notepad.exe", L"", kShowMinimizedFocus);
    HWND started = nullptr;
    for (int i = 0; i < 200 && !IsWindowVisible(started); ++i) {
        Sleep(50);
        started = FindWindowW(L"Notepad", nullptr);
    }
    ASSERT_NE(started, nullptr);
    EXPECT_TRUE(IsIconic(started));
    PostMessageW(started, WM_CLOSE, 0, 0);
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
        std::atomic<bool> windowDisabled{false};
        std::thread presser([&] {
            for (int i = 0; i < 400 && !found; ++i) {
                HWND box = FindWindowW(L"#32770", c.shownTitle);
                if (box != nullptr) {
                    found = true;
                    windowDisabled = !IsWindowEnabled(form_->Handle());
                    PostMessageW(box, WM_COMMAND, c.button, 0);
                }
                Sleep(25);
            }
        });
        const int32_t answer = toolkit_->MsgBox(L"Prompt", c.style, c.title);
        presser.join();
        EXPECT_TRUE(found) << "no box titled as expected";
        EXPECT_TRUE(windowDisabled) << "modal to the window";
        EXPECT_EQ(answer, c.answer);
    }
}

TEST_F(Win32ToolkitTest, EndProcessEndsTheMessageLoopWhichHandlesTheKeyboardOnTheWay) {
    ShowAndFocusList();
    PostMessageW(Child(kList1), WM_KEYDOWN, VK_TAB, kKeyDown);
    toolkit_->EndProcess();
    EXPECT_EQ(RunMessageLoop(*form_), 0);
    EXPECT_EQ(GetFocus(), Child(kText1)) << "Tab moved the focus";
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
    // GetIconInfo hands over copies of the cursor's bitmaps.
    const BitmapHandle mask(info.hbmMask);
    const BitmapHandle colour(info.hbmColor);

    HRSRC group = FindResourceW(self, MAKEINTRESOURCEW(TDM_ICON_APP), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const auto* directory = static_cast<const BYTE*>(LockResource(LoadResource(self, group)));
    ASSERT_NE(directory, nullptr);
    EXPECT_EQ(directory[4] | directory[5] << 8, 4) << "four images";
    for (int size : {16, 32, 48, 64}) {
        const IconHandle icon(
            static_cast<HICON>(LoadImageW(self, MAKEINTRESOURCEW(TDM_ICON_APP), IMAGE_ICON, size, size, 0)));
        EXPECT_TRUE(icon) << size;
    }
}

}  // namespace
