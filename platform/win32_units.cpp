#include "platform/win32_units.h"

#include <cmath>

#include "platform/win32_handles.h"

namespace {

constexpr int kFallbackDpi = 96;

// The per-monitor DPI functions came with Windows 10 (1607). They are looked up at
// run time, so that the program still starts where user32 lacks them.
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);

template <typename Function>
Function User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    FARPROC found = user32 != nullptr ? GetProcAddress(user32, name) : nullptr;
    // Through the generic function type, which the compiler accepts as a cast to any
    // other.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

struct DpiFunctions {
    GetDpiForWindowFn getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    AdjustWindowRectExForDpiFn adjustWindowRectExForDpi =
        User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    SystemParametersInfoForDpiFn systemParametersInfoForDpi =
        User32Function<SystemParametersInfoForDpiFn>("SystemParametersInfoForDpi");
};

const DpiFunctions& Dpi() {
    static const DpiFunctions functions;
    return functions;
}

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
    if (hwnd == nullptr || Dpi().getDpiForWindow == nullptr) return SystemDpi();
    const UINT dpi = Dpi().getDpiForWindow(hwnd);
    return dpi > 0 ? static_cast<int>(dpi) : SystemDpi();
}

bool FrameForClient(RECT& rect, DWORD style, DWORD exStyle, int dpi) {
    if (Dpi().adjustWindowRectExForDpi != nullptr) {
        return Dpi().adjustWindowRectExForDpi(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi)) != FALSE;
    }
    return AdjustWindowRectEx(&rect, style, FALSE, exStyle) != FALSE;
}

bool MessageFontForDpi(LOGFONTW& font, int dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (Dpi().systemParametersInfoForDpi != nullptr &&
        Dpi().systemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0,
                                         static_cast<UINT>(dpi))) {
        font = metrics.lfMessageFont;
        return true;
    }
    // Without the DPI-aware query the metrics come at the system's DPI; scale them.
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return false;
    font = metrics.lfMessageFont;
    font.lfHeight = MulDiv(font.lfHeight, dpi, SystemDpi());
    return true;
}
