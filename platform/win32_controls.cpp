#include "platform/win32_controls.h"

#include <cmath>
#include <utility>
#include <vector>

#include "base/app_error.h"

namespace {

// The toolkit's own errors for a bad property value or row number.
constexpr int32_t kErrInvalidPropertyValue = 380;
constexpr int32_t kErrInvalidPropertyIndex = 381;
constexpr int32_t kErrOutOfMemory = 7;

// A picture's pixels are those of a 96-dpi screen: 15 twips each.
constexpr int kTwipsPerPicturePixel = kTwipsPerInch / 96;

[[noreturn]] void RaiseControlError(int32_t number, const wchar_t* description) {
    throw AppError(number, L"", description);
}

}  // namespace

void RaiseInvalidPropertyValue() {
    RaiseControlError(kErrInvalidPropertyValue, L"Invalid property value");
}

std::wstring WindowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    if (length <= 0) return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    const int copied = GetWindowTextW(hwnd, buffer.data(), length + 1);
    return std::wstring(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

int32_t WindowWidthTwips(HWND hwnd, const TwipsScale& scale) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return static_cast<int32_t>(std::lround(scale.ToTwips(rect.right - rect.left)));
}

// ---- list box ----------------------------------------------------------------------

Win32ListBox::Win32ListBox(HWND hwnd, std::function<void()> onClick) : hwnd_(hwnd), onClick_(std::move(onClick)) {}

int32_t Win32ListBox::ListIndex() {
    const LRESULT index = SendMessageW(hwnd_, LB_GETCURSEL, 0, 0);
    return index == LB_ERR ? -1 : static_cast<int32_t>(index);
}

void Win32ListBox::SetListIndex(int32_t index) {
    if (index < -1 || index >= ListCount()) RaiseInvalidPropertyValue();
    SendMessageW(hwnd_, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    if (onClick_) onClick_();
}

int32_t Win32ListBox::ListCount() {
    const LRESULT count = SendMessageW(hwnd_, LB_GETCOUNT, 0, 0);
    return count == LB_ERR ? 0 : static_cast<int32_t>(count);
}

std::wstring Win32ListBox::List(int32_t index) {
    if (index < 0 || index >= ListCount()) RaiseControlError(kErrInvalidPropertyIndex, L"Invalid property array index");
    const LRESULT length = SendMessageW(hwnd_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR || length == 0) return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    const LRESULT copied =
        SendMessageW(hwnd_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    return copied == LB_ERR ? std::wstring() : std::wstring(buffer.data(), static_cast<size_t>(copied));
}

void Win32ListBox::Clear() {
    SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
}

void Win32ListBox::AddItem(const std::wstring& item) {
    const LRESULT result = SendMessageW(hwnd_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    if (result == LB_ERR || result == LB_ERRSPACE) RaiseControlError(kErrOutOfMemory, L"Out of memory");
}

void Win32ListBox::Refresh() {
    InvalidateRect(hwnd_, nullptr, TRUE);
    UpdateWindow(hwnd_);
}

// ---- text box ----------------------------------------------------------------------

std::wstring Win32TextBox::Text() {
    return WindowText(hwnd_);
}

void Win32TextBox::SetText(const std::wstring& text) {
    SetWindowTextW(hwnd_, text.c_str());
}

// ---- label -------------------------------------------------------------------------

Win32Label::Win32Label(HWND hwnd, HFONT font, const TwipsScale& scale) : hwnd_(hwnd), font_(font), scale_(scale) {}

std::wstring Win32Label::Caption() {
    return WindowText(hwnd_);
}

void Win32Label::SetCaption(const std::wstring& caption) {
    SetWindowTextW(hwnd_, caption.c_str());
    AutoSize();
}

int32_t Win32Label::Width() {
    return WindowWidthTwips(hwnd_, scale_);
}

SIZE CaptionSize(HDC dc, HFONT font, const std::wstring& caption) {
    const SelectedObject selected = SelectInto(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
    if (caption.empty()) {
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        size.cy = metrics.tmHeight;
    }
    return size;
}

void Win32Label::AutoSize() {
    const WindowDc dc = BorrowDc(hwnd_);
    if (dc.Get() == nullptr) return;
    const SIZE size = CaptionSize(dc.Get(), font_, WindowText(hwnd_));
    SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A grown label has to paint its new part too, not just the part it had.
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void Win32Label::SetFont(HFONT font) {
    font_ = font;
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

// ---- push button -------------------------------------------------------------------

bool Win32CommandButton::Enabled() {
    return IsWindowEnabled(hwnd_) != FALSE;
}

void Win32CommandButton::SetEnabled(bool enabled) {
    const bool hadFocus = GetFocus() == hwnd_;
    EnableWindow(hwnd_, enabled ? TRUE : FALSE);
    if (enabled || !hadFocus) return;
    HWND parent = GetParent(hwnd_);
    HWND next = parent ? GetNextDlgTabItem(parent, hwnd_, FALSE) : nullptr;
    if (next != nullptr && next != hwnd_) SetFocus(next);
}

bool Win32CommandButton::Visible() {
    // The style bit, not IsWindowVisible: the form is still hidden while it loads.
    return (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
}

int32_t Win32CommandButton::Width() {
    return WindowWidthTwips(hwnd_, scale_);
}

// ---- picture -----------------------------------------------------------------------

Win32Image::Win32Image(HWND hwnd, BitmapHandle picture, int32_t width, const TwipsScale& scale)
    : hwnd_(hwnd), picture_(std::move(picture)), width_(width), scale_(scale) {}

int32_t Win32Image::Width() {
    return WindowWidthTwips(hwnd_, scale_);
}

void Win32Image::SetWidth(int32_t width) {
    if (width < 0) RaiseInvalidPropertyValue();
    RECT rect{};
    GetWindowRect(hwnd_, &rect);
    width_ = width;
    SetWindowPos(hwnd_, nullptr, 0, 0, scale_.ToPixels(width), rect.bottom - rect.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

SIZE Win32Image::PictureSize() const {
    BITMAP info{};
    if (!picture_ || GetObjectW(picture_.Get(), sizeof(info), &info) == 0) return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
}

SIZE Win32Image::DrawnSize() const {
    const SIZE size = PictureSize();
    return SIZE{scale_.ToPixels(size.cx * kTwipsPerPicturePixel), scale_.ToPixels(size.cy * kTwipsPerPicturePixel)};
}

void Win32Image::Paint(const DRAWITEMSTRUCT& item) const {
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    if (!picture_) return;
    const SIZE size = PictureSize();
    const SIZE drawn = DrawnSize();
    const MemoryDc source = CreateMemoryDc(item.hDC);
    if (source.Get() == nullptr) return;
    const SelectedObject picture = SelectInto(source.Get(), picture_.Get());
    // Halftone averages the picture's pixels under each screen pixel, so an enlarged
    // logo has smooth edges instead of doubled pixels. It uses the brush origin, which
    // has to be set after the mode.
    const int previousMode = SetStretchBltMode(item.hDC, HALFTONE);
    POINT previousOrigin{};
    SetBrushOrgEx(item.hDC, 0, 0, &previousOrigin);
    StretchBlt(item.hDC, item.rcItem.left, item.rcItem.top, drawn.cx, drawn.cy, source.Get(), 0, 0, size.cx, size.cy,
               SRCCOPY);
    SetBrushOrgEx(item.hDC, previousOrigin.x, previousOrigin.y, nullptr);
    if (previousMode != 0) SetStretchBltMode(item.hDC, previousMode);
}
