// The fixed identities of the window and its controls. The end-to-end driver finds
// the window by its class name and each control by its child-window id, so these
// numbers never change.
#pragma once

#include "window/frm_list_design.h"

constexpr const wchar_t* kFormClassName = L"TalvorinDeviceManagerWindow";

// The application's title: the title of every message box without one of its own.
constexpr const wchar_t* kApplicationTitle = L"TalvorinDeviceManager";

constexpr int kIdList1 = 101;
constexpr int kIdText1 = 102;
constexpr int kIdLabel1_0 = 103;
constexpr int kIdLabel1_1 = 104;
constexpr int kIdCommand1 = 105;
constexpr int kIdCommand2 = 106;
constexpr int kIdCommand3 = 107;
constexpr int kIdLabel2 = 108;
constexpr int kIdImage1 = 109;

// The id of the control at a place of the design table.
constexpr int ControlId(FrmListControlIndex index) {
    constexpr int ids[] = {kIdList1,    kIdText1,    kIdLabel1_0, kIdLabel1_1, kIdCommand1,
                           kIdCommand2, kIdCommand3, kIdLabel2,   kIdImage1};
    return ids[index];
}

static_assert(ControlId(kList1) == kIdList1 && ControlId(kImage1) == kIdImage1,
              "the ids follow the order of the design table");
