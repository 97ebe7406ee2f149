// The window's keyboard: the focus given back on activation, dialog navigation with
// Tab and the access keys, and Enter and Escape, which press nothing.
#include "platform/win32_form.h"

namespace {

bool IsEnterOrEscape(const MSG& message) {
    switch (message.message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_CHAR:
            return message.wParam == VK_RETURN || message.wParam == VK_ESCAPE;
        default:
            return false;
    }
}

}  // namespace

void Win32Form::SaveFocus() {
    // Remember which control had the focus, to give it back on reactivation.
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(hwnd_, focus)) savedFocus_ = focus;
}

void Win32Form::RestoreFocus() {
    HWND target = savedFocus_;
    const bool usable = target != nullptr && IsChild(hwnd_, target) && IsWindowEnabled(target) &&
                        (GetWindowLongPtrW(target, GWL_STYLE) & WS_VISIBLE) != 0;
    if (!usable) target = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    if (target != nullptr) SetFocus(target);
}

void Win32Form::MoveFocus(bool backwards) {
    HWND focus = GetFocus();
    if (focus != nullptr && !IsChild(hwnd_, focus)) focus = nullptr;
    HWND next = GetNextDlgTabItem(hwnd_, focus, backwards ? TRUE : FALSE);
    if (next != nullptr) SetFocus(next);
}

void Win32Form::OnNextDlgCtl(WPARAM wParam, LPARAM lParam) {
    // The keyboard handling asks for the next control this way, as in a dialog.
    if (LOWORD(lParam) != 0) {
        SetFocus(reinterpret_cast<HWND>(wParam));
    } else {
        MoveFocus(wParam != 0);
    }
}

bool Win32Form::TranslateKeyboard(MSG& message) {
    if (hwnd_ == nullptr || (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd))) return false;
    // The window has neither a default nor a cancel button. A multi-line edit box in
    // dialog mode would even close the window on Escape, so these keys go nowhere.
    if (IsEnterOrEscape(message)) return true;
    // Plain letters are typing (the list's search by first letter); only Alt+letter
    // presses a button by its access key.
    if (message.message == WM_CHAR) return false;
    return IsDialogMessageW(hwnd_, &message) != FALSE;
}
