#include "platform/win32_units.h"

#include <windows.h>

#include <cmath>

#include "platform/win32_handles.h"

namespace {
constexpr int kFallbackDpi = 96;
}

TwipsScale::TwipsScale(int dpi) : dpi_(dpi > 0 ? dpi : kFallbackDpi) {}

int TwipsScale::ToPixels(double twips) const {
    return static_cast<int>(std::lround(twips * dpi_ / kTwipsPerInch));
}

float TwipsScale::ToTwips(int pixels) const {
    return static_cast<float>(static_cast<double>(pixels) * kTwipsPerInch / dpi_);
}

int TwipsScale::FontHeight(float points) const {
    return -static_cast<int>(std::lround(static_cast<double>(points) * dpi_ / kPointsPerInch));
}

int SystemDpi() {
    WindowDc screen(nullptr);
    if (screen.Get() == nullptr) return kFallbackDpi;
    return GetDeviceCaps(screen.Get(), LOGPIXELSY);
}
