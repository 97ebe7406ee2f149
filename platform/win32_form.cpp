// The window's class and life: registration, creation of the window and its
// controls, the first showing, the window procedure, the form's own properties and
// the message loop. The DPI rules, the look and the keyboard have files of their own
// (win32_form_dpi.cpp, win32_form_look.cpp, win32_form_keyboard.cpp).
#include "platform/win32_form.h"

#include <utility>

#include "assets/resource_ids.h"
#include "base/app_error.h"
#include "platform/startup_trace.h"
#include "platform/win32_fonts.h"
#include "platform/win32_form_internal.h"
#include "window/control_ids.h"

namespace {

constexpr int32_t kErrCannotMoveForm = 384;

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

}  // namespace

FormPlatformCalls SystemFormCalls() {
    return FormPlatformCalls{ShowWindow, SystemParametersInfoW, WindowDpi};
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
    const int dpi = calls_.windowDpi(hwnd_);
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

HFONT Win32Form::FontFor(const FontDesign& font) {
    for (size_t i = 0; i < fontCount_; ++i) {
        if (SameFontDesign(fonts_[i].design, font)) return fonts_[i].font.Get();
    }
    if (fontCount_ == fonts_.size()) return nullptr;
    fonts_[fontCount_].design = font;
    fonts_[fontCount_].font = CreateDesignFont(font, scale_);
    return fonts_[fontCount_++].font.Get();
}

HWND Win32Form::CreateControl(const ControlDesign& control, int id) {
    const ControlClass kind = ClassFor(control);
    const HFONT font = control.kind == ControlKind::Image ? nullptr : FontFor(control.font);
    SIZE size{scale_.ToPixels(control.width), scale_.ToPixels(control.height)};
    // A label is made at the size of its caption, as it would size itself: sizing it
    // afterwards would cost a move and a redraw of each.
    if (control.kind == ControlKind::Label) size = CaptionSize(BorrowDc(nullptr).Get(), font, control.caption);
    HWND hwnd = CreateWindowExW(kind.exStyle, kind.className, control.caption, ControlStyle(control),
                                scale_.ToPixels(control.left), scale_.ToPixels(control.top), size.cx, size.cy, hwnd_,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    if (hwnd != nullptr && font != nullptr) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
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
            if (!HoldWhileHandling(message, wParam, lParam)) OnCommand(LOWORD(wParam), HIWORD(wParam));
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
            OnSize(wParam);
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
            if (LOWORD(wParam) == WA_INACTIVE) SaveFocus();
            break;
        case WM_SETFOCUS:
            RestoreFocus();
            return 0;
        case WM_NEXTDLGCTL:
            OnNextDlgCtl(wParam, lParam);
            return 0;
        case WM_SETTINGCHANGE:
            // Sent with SPI_SETHIGHCONTRAST when high contrast is turned on or off, and
            // for many other settings.
            OnThemeChanged(false);
            return 0;
        case WM_SYSCOLORCHANGE:
            OnSysColorChange(wParam, lParam);
            return 0;
        case WM_CLOSE:
            // Also the taskbar's and the system menu's SC_CLOSE, which DefWindowProc
            // turns into this message.
            if (!HoldWhileHandling(message, wParam, lParam)) Unload();
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void Win32Form::Raise(Handler handler) {
    if (events_ == nullptr) return;
    ++handlersRunning_;
    try {
        (events_->*handler)();
    } catch (...) {
        // Dropped: an error must not end the program or cross the platform's frames.
    }
    if (--handlersRunning_ > 0) return;
    // The handlers have all returned: what was held comes after them, in its order.
    for (const MSG& held : heldCommands_) {
        if (hwnd_ != nullptr) PostMessageW(hwnd_, held.message, held.wParam, held.lParam);
    }
    heldCommands_.clear();
}

// A handler that shows a message box or waits for the desktop's shell keeps dispatching
// what other programs send and post, so that the window answers; but a task manager's
// Close, or an accessibility tool's BM_CLICK on a button, must not run another handler
// inside it: a removal's question would open inside another's, and a rebuilt list move
// the rows the first one's Yes was given for.
bool Win32Form::HoldWhileHandling(UINT message, WPARAM wParam, LPARAM lParam) {
    if (handlersRunning_ == 0) return false;
    if (message == WM_COMMAND && EventOf(LOWORD(wParam), HIWORD(wParam)) == nullptr) return false;
    heldCommands_.push_back(MSG{hwnd_, message, wParam, lParam, 0, {0, 0}});
    return true;
}

// The handler a control's notification runs; null for the notifications the window
// leaves alone (an edit box's changes, a list's focus).
Win32Form::Handler Win32Form::EventOf(int id, int code) {
    switch (id) {
        case kIdList1:
            return code == LBN_SELCHANGE ? &FormEvents::List1_Click : nullptr;
        case kIdCommand1:
            return code == BN_CLICKED ? &FormEvents::Command1_Click : nullptr;
        case kIdCommand2:
            return code == BN_CLICKED ? &FormEvents::Command2_Click : nullptr;
        case kIdCommand3:
            return code == BN_CLICKED ? &FormEvents::Command3_Click : nullptr;
        case kIdLabel2:
            return code == STN_CLICKED ? &FormEvents::Label2_Click : nullptr;
        case kIdImage1:
            return code == STN_CLICKED ? &FormEvents::Image1_Click : nullptr;
        default:
            return nullptr;
    }
}

void Win32Form::OnCommand(int id, int code) {
    if (const Handler handler = EventOf(id, code)) Raise(handler);
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
