// Twips, the window's unit (1/1440 inch), and the screen's pixels. The layout is
// given in twips so that it has the same size on every screen: at 96 dots per inch
// one pixel is 15 twips, at 120 it is 12.
#pragma once

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

// The dots per inch of the screen, as a system-DPI-aware program sees them.
int SystemDpi();
