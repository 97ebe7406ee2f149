// The Win32 toolkit's list box: setting and clearing the row, rows outside the list,
// and a user's click.
#include <gtest/gtest.h>

#include <windows.h>

#include "base/app_error.h"
#include "tests/toolkit/win32_toolkit_fixture.h"
#include "window/frm_list_design.h"

namespace toolkit_test {
namespace {

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

}  // namespace
}  // namespace toolkit_test
