// The fonts of the window's controls, made from the design table.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32_handles.h"
#include "platform/win32_units.h"
#include "window/frm_list_design.h"

// True when a font family of that name is installed.
bool FontFaceInstalled(const std::wstring& face);

// The face to ask for: the design's own where it is installed, otherwise the first
// installed of the sans-serif faces that stand in for it, otherwise the design's
// face anyway (the font mapper then picks a sans-serif face, as the request says).
std::wstring SansSerifFaceFor(const std::wstring& designFace);

// A font as the design describes it (ANSI character set, neither italic nor struck
// through), sized for the scale's DPI. A design without a face means the platform's
// message font at that DPI, which is what dialogs and message boxes use.
FontHandle CreateDesignFont(const FontDesign& design, const TwipsScale& scale);
