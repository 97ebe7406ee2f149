// Twips, the window's unit (1/1440 inch), the screen's pixels, and the dots per inch
// that relate them. The layout is given in twips so that it has the same size on
// every screen: at 96 dots per inch one pixel is 15 twips, at 144 it is 10. Each
// screen of a machine may have its own DPI, so a window converts with its own.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr int kTwipsPerInch = 1440;
constexpr int kPointsPerInch = 72;

class TwipsScale {
public:
    explicit TwipsScale(int dpi);

    int Dpi() const { return dpi_; }
    // Nearest whole pixel of a length or position in twips.
    int ToPixels(double twips) const;
    float ToTwips(int pixels) const;
    // The height a font of the given point size takes, as the platform's font
    // functions want it: negative, so that it names the character height.
    int FontHeight(float points) const;

private:
    int dpi_;
};

// The dots per inch of the system: those of the primary screen when the process
// started.
int SystemDpi();

// The dots per inch of the screen a window is on. Windows before 10 (1607) know
// only the system's; there, and for a null window, that is the answer.
int WindowDpi(HWND hwnd);

// The outer rectangle of a window whose client area is the given rectangle, with
// the frame's parts (borders, caption bar) as they are drawn at the given dots per
// inch. Before Windows 10 (1607) the frame has the system's size at every DPI.
bool FrameForClient(RECT& rect, DWORD style, DWORD exStyle, int dpi);

// The platform's message font (the one dialogs, message boxes and push buttons
// use) at the given dots per inch.
bool MessageFontForDpi(LOGFONTW& font, int dpi);
