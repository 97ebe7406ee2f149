// The Win32 toolkit's focus and keyboard: the tab order, the focus when shown and when
// activated again, Enter and Escape, the access keys, and a disabled focused button.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/toolkit/win32_toolkit_fixture.h"
#include "window/control_ids.h"
#include "window/frm_list_design.h"

namespace toolkit_test {
namespace {

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

}  // namespace
}  // namespace toolkit_test
