// What the files of the window share: its style (win32_control_classes.h) and the
// places of its labels in the design. Only the window's own files include this.
#pragma once

#include <windows.h>

#include "platform/win32_control_classes.h"
#include "window/frm_list_design.h"

// The design places of the labels, in the order of Win32Form::labels_.
constexpr FrmListControlIndex kLabelIndexes[] = {kLabel1_0, kLabel1_1, kLabel2};
