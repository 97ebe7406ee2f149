// What the files of the window share: its style and the places of its labels in the
// design. Only the window's own files include this.
#pragma once

#include <windows.h>

#include "window/frm_list_design.h"

// Sizable, with a caption, a system menu and a minimise box, but no maximise box: the
// window keeps one size. Children are clipped so that the background never paints
// over them.
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

// The design places of the labels, in the order of Win32Form::labels_.
constexpr FrmListControlIndex kLabelIndexes[] = {kLabel1_0, kLabel1_1, kLabel2};
