#include "platform/win32_units.h"

#include <cmath>

#include "platform/win32_dyn_calls.h"
#include "platform/win32_handles.h"

namespace {

constexpr int kFallbackDpi = 96;

}  // namespace

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
    const WindowDc screen = BorrowDc(nullptr);
    if (screen.Get() == nullptr) return kFallbackDpi;
    const int dpi = GetDeviceCaps(screen.Get(), LOGPIXELSY);
    return dpi > 0 ? dpi : kFallbackDpi;
}

int WindowDpi(HWND hwnd) {
    if (hwnd == nullptr || DynGetDpiForWindow == nullptr) return SystemDpi();
    const UINT dpi = DynGetDpiForWindow(hwnd);
    return dpi > 0 ? static_cast<int>(dpi) : SystemDpi();
}

bool FrameForClient(RECT& rect, DWORD style, DWORD exStyle, int dpi) {
    if (DynAdjustWindowRectExForDpi != nullptr) {
        return DynAdjustWindowRectExForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi)) != FALSE;
    }
    return AdjustWindowRectEx(&rect, style, FALSE, exStyle) != FALSE;
}

bool MessageFontForDpi(LOGFONTW& font, int dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (DynSystemParametersInfoForDpi != nullptr &&
        DynSystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, static_cast<UINT>(dpi))) {
        font = metrics.lfMessageFont;
        return true;
    }
    // Without the DPI-aware query the metrics come at the system's DPI; scale them.
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return false;
    font = metrics.lfMessageFont;
    font.lfHeight = MulDiv(font.lfHeight, dpi, SystemDpi());
    return true;
}
