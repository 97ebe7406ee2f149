// The fonts of the window's controls, made from the design table.
#pragma once

#include <windows.h>

#include <cwchar>
#include <functional>
#include <string>

#include "platform/win32_handles.h"
#include "platform/win32_units.h"
#include "window/frm_list_design.h"

// True when two design fonts are the same font: the controls that use it share one.
inline bool SameFontDesign(const FontDesign& a, const FontDesign& b) {
    const bool sameFace = (a.face == nullptr || b.face == nullptr) ? a.face == b.face : wcscmp(a.face, b.face) == 0;
    return sameFace && a.points == b.points && a.weight == b.weight && a.underline == b.underline;
}

// True when a font family of that name is installed.
bool FontFaceInstalled(const std::wstring& face);

// The face to ask for: the design's own where it is installed, otherwise the first
// installed of the sans-serif faces that stand in for it, otherwise the design's
// face anyway (the font mapper then picks a sans-serif face, as the request says).
std::wstring SansSerifFaceFor(const std::wstring& designFace);

// The scalable face drawn to the metrics of the old bitmap face "MS Sans Serif".
constexpr const wchar_t* kScalableSansSerif = L"Microsoft Sans Serif";

// Reads the metrics of a font as the platform made it; false when it cannot.
using FontMetricsReader = std::function<bool(HFONT, TEXTMETRICW&)>;
bool ReadFontMetrics(HFONT font, TEXTMETRICW& metrics);

// True when the platform made a bitmap (raster) font, neither vector nor TrueType,
// whose height is not the one asked for (a LOGFONT height: negative for the
// character height, positive for the cell height). A bitmap face holds a few pixel
// sizes only; for any other the platform picks another size or scales the bitmaps
// by whole factors.
bool IsBitmapFontOfAnotherHeight(const TEXTMETRICW& metrics, LONG askedHeight);

// A font as the design describes it (ANSI character set, neither italic nor struck
// through), sized for the scale's DPI. A design without a face means the platform's
// message font at that DPI, which is what dialogs and message boxes use. Where the
// platform's font for the design's face is a bitmap font of another height, the
// scalable kScalableSansSerif at the asked size takes its place; readMetrics tells.
FontHandle CreateDesignFont(const FontDesign& design, const TwipsScale& scale,
                            const FontMetricsReader& readMetrics = ReadFontMetrics);
