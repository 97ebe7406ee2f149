// The platform's window classes and styles for the window and for each kind of
// control of the design table, and the order the controls are made in.
#pragma once

#include <windows.h>

#include <cstddef>
#include <iterator>

#include "window/frm_list_design.h"

// Sizable, with a caption, a system menu and a minimise box, but no maximise box: the
// window keeps one size. Children are clipped so that the background never paints
// over them.
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

struct ControlClass {
    const wchar_t* className;
    DWORD style;
    DWORD exStyle;
};

// The platform control and styles for each kind of control.
inline ControlClass ClassFor(const ControlDesign& control) {
    switch (control.kind) {
        case ControlKind::ListBox:
            // One selected row, rows kept in the order they are added (no LBS_SORT), and
            // a scroll bar only when the rows do not fit.
            return {L"LISTBOX", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY, WS_EX_CLIENTEDGE};
        case ControlKind::TextBox:
            // Read-only: the user can still place the cursor, select and copy.
            return {L"EDIT", WS_TABSTOP | WS_BORDER | ES_MULTILINE | ES_READONLY | ES_LEFT | ES_AUTOVSCROLL, 0};
        case ControlKind::Label:
            // One line, and an "&" in a count line stays an ampersand.
            return {L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX | (control.handCursor ? SS_NOTIFY : 0u), 0};
        case ControlKind::CommandButton:
            return {L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0};
        case ControlKind::Image:
            return {L"STATIC", SS_OWNERDRAW | SS_NOTIFY, 0};
    }
    return {L"STATIC", 0, 0};
}

// The style a control is created with: a child, visible as the design says.
inline DWORD ControlStyle(const ControlDesign& control) {
    return WS_CHILD | ClassFor(control).style | (control.visible ? WS_VISIBLE : 0u);
}

// Creation order is the z-order, which gives both the Tab order and the names screen
// readers speak: a list box or edit box without text of its own is named after the
// label just before it. So each heading label comes directly before the control it
// heads; labels take no focus, so the Tab order stays that of the tab indexes. The
// picture, which has no tab index, comes last.
constexpr FrmListControlIndex kCreationOrder[] = {kLabel1_1, kList1,    kLabel1_0, kText1, kCommand1,
                                                  kCommand2, kCommand3, kLabel2,   kImage1};
static_assert(std::size(kCreationOrder) == kFrmListControlCount, "every control is created once");
