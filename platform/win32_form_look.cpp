// The window's look: the labels' and the details box's colours, high contrast, and
// the pointer (the hand over the link and the picture, the hourglass over all).
#include "platform/win32_form.h"

LRESULT Win32Form::OnColorStatic(HDC dc, HWND control) {
    // A read-only edit box asks here too; the details box keeps the white of an
    // editable one, as it still lets the user select and copy.
    if (control == children_[kText1]) {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    for (size_t i = 0; i < children_.size(); ++i) {
        if (children_[i] != control || design_.controls[i].kind != ControlKind::Label) continue;
        const uint32_t colour = design_.controls[i].textColor;
        if (colour != kDefaultColor && highContrast_) {
            // The link's own colour would be unreadable on a dark theme; the theme
            // names the colour of links and the background they are readable on.
            SetTextColor(dc, GetSysColor(COLOR_HOTLIGHT));
            SetBkColor(dc, GetSysColor(COLOR_WINDOW));
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        }
        SetTextColor(dc, colour == kDefaultColor ? GetSysColor(COLOR_BTNTEXT) : static_cast<COLORREF>(colour));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    return DefWindowProcW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
}

bool Win32Form::HighContrastOn() const {
    HIGHCONTRASTW setting{};
    setting.cbSize = sizeof(setting);
    if (!calls_.systemParametersInfo(SPI_GETHIGHCONTRAST, sizeof(setting), &setting, 0)) return false;
    return (setting.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

void Win32Form::OnSysColorChange(WPARAM wParam, LPARAM lParam) {
    // The controls are told too, as the platform asks of every top-level window.
    for (HWND child : children_) {
        if (child != nullptr) SendMessageW(child, WM_SYSCOLORCHANGE, wParam, lParam);
    }
    OnThemeChanged(true);
}

void Win32Form::OnThemeChanged(bool coloursChanged) {
    const bool wasHighContrast = highContrast_;
    highContrast_ = HighContrastOn();
    if (hwnd_ == nullptr || (!coloursChanged && highContrast_ == wasHighContrast)) return;
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

bool Win32Form::OnSetCursor(HWND target, int hitTest) {
    // Controls pass WM_SETCURSOR to their parent first, so this decides for all of them.
    if (pointer_ == kPointerHourglass) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return true;
    }
    if (hitTest != HTCLIENT || hand_ == nullptr) return false;
    for (size_t i = 0; i < children_.size(); ++i) {
        if (children_[i] == target && design_.controls[i].handCursor) {
            SetCursor(hand_);
            return true;
        }
    }
    return false;
}

void Win32Form::SetMousePointer(int32_t pointer) {
    if (pointer != kPointerDefault && pointer != kPointerHourglass) {
        RaiseInvalidPropertyValue();
    }
    pointer_ = pointer;
    if (pointer_ == kPointerHourglass) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return;
    }
    RefreshCursor();
}

void Win32Form::RefreshCursor() const {
    // Ask the window under the pointer for its cursor again, as a mouse move would.
    POINT point{};
    if (hwnd_ == nullptr || !GetCursorPos(&point)) return;
    HWND under = WindowFromPoint(point);
    if (under == nullptr || (under != hwnd_ && !IsChild(hwnd_, under))) return;
    const LRESULT hit = SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y));
    SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under), MAKELPARAM(LOWORD(hit), WM_MOUSEMOVE));
}
