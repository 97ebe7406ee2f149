#include "platform/win32_form.h"

#include <cwchar>
#include <iterator>
#include <tuple>
#include <utility>

#include "assets/resource_ids.h"
#include "base/app_error.h"
#include "platform/startup_trace.h"
#include "platform/win32_fonts.h"
#include "window/control_ids.h"

namespace {

// Sizable, with a caption, a system menu and a minimise box, but no maximise box: the
// window keeps one size. Children are clipped so that the background never paints
// over them.
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

constexpr int32_t kErrCannotMoveForm = 384;

bool SameFont(const FontDesign& a, const FontDesign& b) {
    const bool sameFace = (a.face == nullptr || b.face == nullptr) ? a.face == b.face : wcscmp(a.face, b.face) == 0;
    return sameFace && a.points == b.points && a.weight == b.weight && a.underline == b.underline;
}

struct ControlClass {
    const wchar_t* className;
    DWORD style;
    DWORD exStyle;
};

// The platform control and styles for each kind of control.
ControlClass ClassFor(const ControlDesign& control) {
    switch (control.kind) {
        case ControlKind::ListBox:
            // One selected row, rows kept in the order they are added (no LBS_SORT), and
            // a scroll bar only when the rows do not fit.
            return {L"LISTBOX", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY, WS_EX_CLIENTEDGE};
        case ControlKind::TextBox:
            // Read-only: the user can still place the cursor, select and copy.
            return {L"EDIT", WS_TABSTOP | WS_BORDER | ES_MULTILINE | ES_READONLY | ES_LEFT | ES_AUTOVSCROLL, 0};
        case ControlKind::Label:
            // One line, and an "&" in a count line stays an ampersand.
            return {L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX | (control.handCursor ? SS_NOTIFY : 0u), 0};
        case ControlKind::CommandButton:
            return {L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, 0};
        case ControlKind::Image:
            return {L"STATIC", SS_OWNERDRAW | SS_NOTIFY, 0};
    }
    return {L"STATIC", 0, 0};
}

// Creation order is the z-order, which gives both the Tab order and the names screen
// readers speak: a list box or edit box without text of its own is named after the
// label just before it. So each heading label comes directly before the control it
// heads; labels take no focus, so the Tab order stays that of the tab indexes. The
// picture, which has no tab index, comes last.
constexpr FrmListControlIndex kCreationOrder[] = {kLabel1_1, kList1,    kLabel1_0, kText1, kCommand1,
                                                  kCommand2, kCommand3, kLabel2,   kImage1};
static_assert(std::size(kCreationOrder) == kFrmListControlCount, "every control is created once");

// The design places of the labels, in the order of Win32Form::labels_.
constexpr FrmListControlIndex kLabelIndexes[] = {kLabel1_0, kLabel1_1, kLabel2};

// The show command for the window's first showing, from the one the program was
// started with. The window has one size and no maximise box, so a launcher's
// "maximised" (a shortcut's setting, start /max) would leave it maximised for good,
// and a hidden start would leave it out of reach: both open it as designed. A
// minimised start, or one that leaves the focus where it is, is kept.
int FirstShowCommand(int requested) {
    if (requested == SW_SHOWDEFAULT) {
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        GetStartupInfoW(&startup);
        requested = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : SW_SHOWNORMAL;
    }
    switch (requested) {
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
        case SW_SHOWMINNOACTIVE:
        case SW_SHOWNOACTIVATE:
        case SW_SHOWNA:
            return requested;
        case SW_FORCEMINIMIZE:
            return SW_MINIMIZE;
        default:
            return SW_SHOWNORMAL;
    }
}

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

FormPlatformCalls SystemFormCalls() {
    return FormPlatformCalls{ShowWindow, SystemParametersInfoW};
}

Win32Form::Win32Form(HINSTANCE instance, const FormDesign& design, FormPlatformCalls calls)
    : instance_(instance), design_(design), calls_(std::move(calls)), scale_(SystemDpi()) {}

Win32Form::~Win32Form() {
    events_ = nullptr;
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

// ---- creation ----------------------------------------------------------------------

bool Win32Form::RegisterWindowClass() const {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance_;
    // Shared icons belong to the system, which frees them with the module.
    windowClass.hIcon =
        static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(TDM_ICON_APP), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), LR_SHARED));
    windowClass.hIconSm =
        static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(TDM_ICON_APP), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kFormClassName;
    if (RegisterClassExW(&windowClass) != 0) return true;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool Win32Form::Create() {
    if (hwnd_ != nullptr) return true;
    TDM_TRACE_MARK("screen DPI");
    highContrast_ = HighContrastOn();
    if (!RegisterWindowClass()) return false;
    TDM_TRACE_MARK("window class with the program icon");
    const SIZE outer = OuterSizeFor(scale_.Dpi());
    // Created where the load handler centres it, the way it computes the place, so
    // that its move finds the window there already and the window is placed once.
    const int left = scale_.ToPixels((scale_.ToTwips(GetSystemMetrics(SM_CXSCREEN)) - scale_.ToTwips(outer.cx)) / 2.0f);
    const int top = scale_.ToPixels((scale_.ToTwips(GetSystemMetrics(SM_CYSCREEN)) - scale_.ToTwips(outer.cy)) / 2.0f);
    // WM_NCCREATE stores the handle in hwnd_.
    CreateWindowExW(0, kFormClassName, design_.caption, kFormStyle, left, top, outer.cx, outer.cy, nullptr, nullptr,
                    instance_, this);
    if (hwnd_ == nullptr) return false;
    // The window may have landed on a screen with a DPI other than the system's.
    const int dpi = WindowDpi(hwnd_);
    if (dpi != scale_.Dpi()) {
        scale_ = TwipsScale(dpi);
        const SIZE sized = OuterSizeFor(dpi);
        SetWindowPos(hwnd_, nullptr, 0, 0, sized.cx, sized.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    FitClientArea();
    TDM_TRACE_MARK("main window");
    if (CreateControls()) return true;
    DestroyWindow(hwnd_);
    return false;
}

SIZE Win32Form::OuterSizeFor(int dpi) const {
    const TwipsScale scale(dpi);
    RECT frame{0, 0, scale.ToPixels(design_.clientWidth), scale.ToPixels(design_.clientHeight)};
    FrameForClient(frame, kFormStyle, 0, scale.Dpi());
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

void Win32Form::FitClientArea() {
    RECT client{};
    if (hwnd_ == nullptr || IsIconic(hwnd_) || !GetClientRect(hwnd_, &client)) return;
    const int dx = scale_.ToPixels(design_.clientWidth) - client.right;
    const int dy = scale_.ToPixels(design_.clientHeight) - client.bottom;
    if (dx == 0 && dy == 0) return;
    const RECT frame = FrameRect();
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left + dx, frame.bottom - frame.top + dy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HFONT Win32Form::FontFor(const FontDesign& font) {
    for (size_t i = 0; i < fontCount_; ++i) {
        if (SameFont(fonts_[i].design, font)) return fonts_[i].font.Get();
    }
    if (fontCount_ == fonts_.size()) return nullptr;
    fonts_[fontCount_].design = font;
    fonts_[fontCount_].font = CreateDesignFont(font, scale_);
    return fonts_[fontCount_++].font.Get();
}

HWND Win32Form::CreateControl(const ControlDesign& control, int id) {
    const ControlClass kind = ClassFor(control);
    const DWORD style = WS_CHILD | kind.style | (control.visible ? WS_VISIBLE : 0u);
    HWND hwnd =
        CreateWindowExW(kind.exStyle, kind.className, control.caption, style, scale_.ToPixels(control.left),
                        scale_.ToPixels(control.top), scale_.ToPixels(control.width), scale_.ToPixels(control.height),
                        hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    if (hwnd != nullptr && control.kind != ControlKind::Image) {
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control.font)), FALSE);
    }
    return hwnd;
}

bool Win32Form::CreateControls() {
    for (FrmListControlIndex index : kCreationOrder) {
        children_[index] = CreateControl(design_.controls[index], ControlId(index));
        if (children_[index] == nullptr) return false;
    }

    hand_ = LoadCursorW(instance_, MAKEINTRESOURCEW(TDM_CURSOR_HAND));
    if (hand_ == nullptr) hand_ = LoadCursorW(nullptr, IDC_HAND);

    list1_ = std::make_unique<Win32ListBox>(children_[kList1], [this] {
        if (events_ != nullptr) events_->List1_Click();
    });
    text1_ = std::make_unique<Win32TextBox>(children_[kText1]);
    for (size_t i = 0; i < labels_.size(); ++i) {
        const FrmListControlIndex index = kLabelIndexes[i];
        labels_[i] = std::make_unique<Win32Label>(children_[index], FontFor(design_.controls[index].font), scale_);
        labels_[i]->AutoSize();
    }
    const FrmListControlIndex buttons[] = {kCommand1, kCommand2, kCommand3};
    for (size_t i = 0; i < buttons_.size(); ++i) {
        buttons_[i] = std::make_unique<Win32CommandButton>(children_[buttons[i]], scale_);
    }
    // The logo keeps its natural size in twips at every DPI: it is drawn, never
    // stretched to the control's width.
    BitmapHandle logo(static_cast<HBITMAP>(
        LoadImageW(instance_, MAKEINTRESOURCEW(TDM_BITMAP_LOGO), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    image1_ =
        std::make_unique<Win32Image>(children_[kImage1], std::move(logo), design_.controls[kImage1].width, scale_);

    controls_.reset(new FrmListControls{*this, *list1_, *text1_, *labels_[0], *labels_[1], *labels_[2], *image1_,
                                        *buttons_[0], *buttons_[1], *buttons_[2]});
    savedFocus_ = children_[kList1];
    return true;
}

// ---- start-up ----------------------------------------------------------------------

void Win32Form::Load() {
    Raise(&FormEvents::Form_Load);
}

void Win32Form::Show(int showCommand) {
    if (hwnd_ == nullptr) return;
    const unsigned sizeEventsBefore = sizeEvents_;
    calls_.showWindow(hwnd_, FirstShowCommand(showCommand));
    // Windows ignores the show command of a program's first ShowWindow when its
    // launcher named one (STARTF_USESHOWWINDOW) and applies the launcher's instead,
    // which may hide the window or maximise it. Later calls are applied as given.
    if (!IsWindowVisible(hwnd_)) calls_.showWindow(hwnd_, SW_SHOWNORMAL);
    if (IsZoomed(hwnd_)) calls_.showWindow(hwnd_, SW_RESTORE);
    // Showing a window that already has its size need not send WM_SIZE, but the window
    // counts on a size event at its first showing.
    if (sizeEventsBefore == sizeEvents_) Raise(&FormEvents::Form_Resize);
    if (hwnd_ == nullptr) return;
    if (GetActiveWindow() == hwnd_) RestoreFocus();
    UpdateWindow(hwnd_);
}

// ---- messages ----------------------------------------------------------------------

LRESULT CALLBACK Win32Form::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Win32Form* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<Win32Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    } else {
        self = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The controls die with the window; nothing may reach them through old handles.
        self->hwnd_ = nullptr;
        self->children_.fill(nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT Win32Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_CTLCOLORSTATIC:
            return OnColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_DRAWITEM:
            if (wParam == static_cast<WPARAM>(kIdImage1) && image1_) {
                image1_->Paint(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
                return TRUE;
            }
            break;
        case WM_SETCURSOR:
            if (OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam))) return TRUE;
            break;
        case WM_SIZE:
            // A DPI change raises its one size event when the window is complete.
            if (changingDpi_) return 0;
            if (wParam != SIZE_MINIMIZED && pendingDpiSize_) {
                // Restored after a DPI change that came while it was minimised.
                const RECT frame = FrameRect();
                ResizeForDpi(frame.left, frame.top);
                return 0;
            }
            ++sizeEvents_;
            Raise(&FormEvents::Form_Resize);
            return 0;
        case WM_GETDPISCALEDSIZE:
            // Asked before WM_DPICHANGED, with the new DPI itself as wParam (unlike
            // WM_DPICHANGED, which packs it in two words): the size whose client area
            // keeps the design's twips, rather than the old pixels scaled.
            *reinterpret_cast<SIZE*>(lParam) = OuterSizeFor(static_cast<int>(wParam));
            return TRUE;
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_ACTIVATE:
            // Remember which control had the focus, to give it back on reactivation.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus != nullptr && IsChild(hwnd_, focus)) savedFocus_ = focus;
            }
            break;
        case WM_SETFOCUS:
            RestoreFocus();
            return 0;
        case WM_NEXTDLGCTL:
            // The keyboard handling asks for the next control this way, as in a dialog.
            if (LOWORD(lParam) != 0) {
                SetFocus(reinterpret_cast<HWND>(wParam));
            } else {
                MoveFocus(wParam != 0);
            }
            return 0;
        case WM_SETTINGCHANGE:
            // Sent with SPI_SETHIGHCONTRAST when high contrast is turned on or off, and
            // for many other settings.
            OnThemeChanged(false);
            return 0;
        case WM_SYSCOLORCHANGE:
            // The controls are told too, as the platform asks of every top-level window.
            for (HWND child : children_) {
                if (child != nullptr) SendMessageW(child, WM_SYSCOLORCHANGE, wParam, lParam);
            }
            OnThemeChanged(true);
            return 0;
        case WM_CLOSE:
            Unload();
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void Win32Form::Raise(void (FormEvents::*handler)()) {
    if (events_ == nullptr) return;
    try {
        (events_->*handler)();
    } catch (...) {
        // Dropped: an error must not end the program or cross the platform's frames.
    }
}

void Win32Form::OnCommand(int id, int code) {
    switch (id) {
        case kIdList1:
            if (code == LBN_SELCHANGE) Raise(&FormEvents::List1_Click);
            return;
        case kIdCommand1:
            if (code == BN_CLICKED) Raise(&FormEvents::Command1_Click);
            return;
        case kIdCommand2:
            if (code == BN_CLICKED) Raise(&FormEvents::Command2_Click);
            return;
        case kIdCommand3:
            if (code == BN_CLICKED) Raise(&FormEvents::Command3_Click);
            return;
        case kIdLabel2:
            if (code == STN_CLICKED) Raise(&FormEvents::Label2_Click);
            return;
        case kIdImage1:
            if (code == STN_CLICKED) Raise(&FormEvents::Image1_Click);
            return;
        default:
            return;
    }
}

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

// ---- DPI changes -------------------------------------------------------------------

void Win32Form::OnDpiChanged(int dpi, const RECT& suggested) {
    if (hwnd_ == nullptr || dpi <= 0) return;
    // The outer size in twips as the window logic has measured and recorded it; a
    // size still waiting from an earlier change while minimised is that size.
    if (!pendingDpiSize_) {
        const SIZE before = RestoredOuterSize();
        pendingDpiSize_ =
            TwipsSize{scale_.ToTwips(before.cx) + widthOffset_, scale_.ToTwips(before.cy) + heightOffset_};
    }
    scale_ = TwipsScale(dpi);
    if (controls_) {
        ReplaceFonts();
        PlaceControls();
    }
    // A minimised window keeps its icon; it takes its new size when it is restored.
    if (IsIconic(hwnd_)) return;
    ResizeForDpi(suggested.left, suggested.top);
}

void Win32Form::ReplaceFonts() {
    // The controls draw with the old fonts until they have the new ones, so the old
    // ones are deleted only when this function ends.
    std::array<FontHandle, std::tuple_size<decltype(fonts_)>::value> old;
    for (size_t i = 0; i < fontCount_; ++i) {
        old[i] = std::move(fonts_[i].font);
        fonts_[i].font = CreateDesignFont(fonts_[i].design, scale_);
    }
    for (size_t i = 0; i < design_.controls.size(); ++i) {
        const ControlDesign& control = design_.controls[i];
        if (control.kind == ControlKind::Image || control.kind == ControlKind::Label) continue;
        SendMessageW(children_[i], WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control.font)), FALSE);
    }
    for (size_t i = 0; i < labels_.size(); ++i) {
        labels_[i]->SetFont(FontFor(design_.controls[kLabelIndexes[i]].font));
    }
}

void Win32Form::PlaceControls() {
    // Every control goes back to its twips, converted at the new DPI; only the
    // picture's width may have been changed from the design.
    for (size_t i = 0; i < design_.controls.size(); ++i) {
        const ControlDesign& control = design_.controls[i];
        const int32_t width = i == kImage1 ? image1_->LayoutWidth() : control.width;
        SetWindowPos(children_[i], nullptr, scale_.ToPixels(control.left), scale_.ToPixels(control.top),
                     scale_.ToPixels(width), scale_.ToPixels(control.height), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (const auto& label : labels_) label->AutoSize();
}

void Win32Form::ResizeForDpi(int left, int top) {
    if (!pendingDpiSize_) return;
    const TwipsSize recorded = *pendingDpiSize_;
    pendingDpiSize_.reset();
    // The client area takes the design's twips at the new DPI: the size asked for with
    // WM_GETDPISCALEDSIZE, where the platform asks.
    const SIZE outer = OuterSizeFor(scale_.Dpi());
    changingDpi_ = true;
    SetWindowPos(hwnd_, nullptr, left, top, outer.cx, outer.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    FitClientArea();
    changingDpi_ = false;

    // The outer size in twips stays what the window logic recorded.
    const RECT frame = FrameRect();
    widthOffset_ = recorded.width - scale_.ToTwips(frame.right - frame.left);
    heightOffset_ = recorded.height - scale_.ToTwips(frame.bottom - frame.top);
    // So the window logic finds nothing to correct; the event still tells it that
    // the pixels changed.
    ++sizeEvents_;
    Raise(&FormEvents::Form_Resize);

    // Moving a control keeps the pixels it had drawn, rows in the old font included,
    // and a new font alone does not repaint it: everything is drawn again, now that
    // the new layout is in place.
    if (hwnd_ != nullptr)
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

SIZE Win32Form::RestoredOuterSize() const {
    RECT frame = FrameRect();
    if (IsIconic(hwnd_)) {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof(placement);
        if (GetWindowPlacement(hwnd_, &placement)) frame = placement.rcNormalPosition;
    }
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

// ---- focus and keyboard ------------------------------------------------------------

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

// ---- the form's own properties -----------------------------------------------------

std::wstring Win32Form::Caption() {
    return hwnd_ ? WindowText(hwnd_) : std::wstring();
}

void Win32Form::SetCaption(const std::wstring& caption) {
    if (hwnd_ != nullptr) SetWindowTextW(hwnd_, caption.c_str());
}

RECT Win32Form::FrameRect() const {
    RECT frame{};
    if (hwnd_ != nullptr) GetWindowRect(hwnd_, &frame);
    return frame;
}

float Win32Form::Left() {
    return scale_.ToTwips(FrameRect().left);
}

float Win32Form::Top() {
    return scale_.ToTwips(FrameRect().top);
}

float Win32Form::Width() {
    const RECT frame = FrameRect();
    return static_cast<float>(scale_.ToTwips(frame.right - frame.left) + widthOffset_);
}

float Win32Form::Height() {
    const RECT frame = FrameRect();
    return static_cast<float>(scale_.ToTwips(frame.bottom - frame.top) + heightOffset_);
}

void Win32Form::Move(float left, float top, float width, float height) {
    if (hwnd_ == nullptr) return;
    if (IsIconic(hwnd_) || IsZoomed(hwnd_)) {
        throw AppError(kErrCannotMoveForm, L"", L"A form can't be moved or sized while minimized or maximized");
    }
    const int x = scale_.ToPixels(left);
    const int y = scale_.ToPixels(top);
    const int cx = scale_.ToPixels(width - widthOffset_);
    const int cy = scale_.ToPixels(height - heightOffset_);
    const RECT frame = FrameRect();
    // Moving to where the window already is would only send another size event.
    if (frame.left == x && frame.top == y && frame.right - frame.left == cx && frame.bottom - frame.top == cy) return;
    SetWindowPos(hwnd_, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

int32_t Win32Form::WindowState() {
    if (hwnd_ != nullptr && IsIconic(hwnd_)) return kStateMinimized;
    if (hwnd_ != nullptr && IsZoomed(hwnd_)) return kStateMaximized;
    return kStateNormal;
}

void Win32Form::Unload() {
    if (hwnd_ == nullptr) return;
    // The close box and the program may both ask; the handler runs once.
    if (!unloaded_) {
        unloaded_ = true;
        Raise(&FormEvents::Form_Unload);
    }
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

// ---- message loop ------------------------------------------------------------------

int RunMessageLoop(Win32Form& form) {
    MSG message{};
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);
        if (got == -1) return 1;
        if (form.TranslateKeyboard(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}
