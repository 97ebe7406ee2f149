// The yardstick of the adapter manager's own start-up: its window as the design table
// draws it, and nothing else. It carries the program's resources (manifest, icon,
// logo, link pointer), sets up common controls 6, makes the nine controls with the
// program's classes, styles, places and fonts, the labels sized to their text, shows
// one row with its details and count line and gives the list the focus. It reads no registry and has
// no window logic, no toolkit seam and no DPI handling after creation: what it takes
// to start is the cost of the design itself.
//
// Traced like the adapter manager's trace build (TDM_STARTUP_TRACE_FILE), with the
// same names for the stages they share.
#include <windows.h>

#include <commctrl.h>

#include <array>
#include <memory>

#include "assets/resource_ids.h"
#include "platform/startup_trace.h"
#include "platform/win32_control_classes.h"
#include "platform/win32_controls.h"
#include "platform/win32_fonts.h"
#include "platform/win32_units.h"
#include "window/control_ids.h"
#include "window/frm_list_design.h"

namespace {

constexpr const wchar_t* kDesignClassName = L"TalvorinDesignWindow";

// What the program shows for Wine's own adapter: its caption, count line, one row and
// the details, each set once: the captions where the window and label are made, the
// row and the details once the list and the box have their fonts (an edit box lays its
// text out again for a new font).
constexpr const wchar_t* kCaption = L"Talvorin Device Manager Version 0.9.4";
constexpr const wchar_t* kCountLine = L"1 graphics adapter found";
constexpr const wchar_t* kRow = L"Wine Adapter";
constexpr const wchar_t* kDetails =
    L"Adapter Name:\tWine Adapter\r\nManufacturer:\t\r\nBIOS Version:\tWine Adapter\r\n"
    L"Driver Version:\t\r\nDriver Date:\t12-8-2026\r\n";

// The caption a control is made with.
const wchar_t* CaptionOf(FrmListControlIndex index) {
    switch (index) {
        case kLabel1_1:
            return kCountLine;
        default:
            return kFrmListDesign.controls[index].caption;
    }
}

struct DesignWindow {
    TwipsScale scale{96};
    HWND hwnd = nullptr;
    std::array<HWND, kFrmListControlCount> children{};
    std::array<FontHandle, kFrmListControlCount> fonts;  // one per distinct design font
    std::unique_ptr<Win32Image> logo;
    HCURSOR hand = nullptr;
};

DesignWindow window;

// The control's font: made once for each distinct font of the design.
HFONT FontFor(size_t index) {
    const FontDesign& font = kFrmListDesign.controls[index].font;
    for (size_t i = 0; i < index; ++i) {
        if (SameFontDesign(kFrmListDesign.controls[i].font, font) && window.fonts[i]) return window.fonts[i].Get();
    }
    window.fonts[index] = CreateDesignFont(font, window.scale);
    return window.fonts[index].Get();
}

bool CreateControls(HINSTANCE instance) {
    for (FrmListControlIndex index : kCreationOrder) {
        const ControlDesign& control = kFrmListDesign.controls[index];
        const ControlClass kind = ClassFor(control);
        const HFONT font = control.kind == ControlKind::Image ? nullptr : FontFor(index);
        SIZE size{window.scale.ToPixels(control.width), window.scale.ToPixels(control.height)};
        if (control.kind == ControlKind::Label) size = CaptionSize(BorrowDc(nullptr).Get(), font, CaptionOf(index));
        window.children[index] = CreateWindowExW(
            kind.exStyle, kind.className, CaptionOf(index), ControlStyle(control), window.scale.ToPixels(control.left),
            window.scale.ToPixels(control.top), size.cx, size.cy, window.hwnd,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(index))), instance, nullptr);
        if (window.children[index] == nullptr) return false;
        if (font != nullptr) SendMessageW(window.children[index], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    window.hand = LoadCursorW(instance, MAKEINTRESOURCEW(TDM_CURSOR_HAND));
    BitmapHandle logo(static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(TDM_BITMAP_LOGO), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    window.logo = std::make_unique<Win32Image>(window.children[kImage1], std::move(logo),
                                               kFrmListDesign.controls[kImage1].width, window.scale);
    return true;
}

// The design's colours: the details box keeps an editable box's white, the labels
// their text colour on the window's face.
LRESULT ColorStatic(HDC dc, HWND control) {
    if (control == window.children[kText1]) {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    for (size_t i = 0; i < kFrmListControlCount; ++i) {
        if (window.children[i] != control) continue;
        const uint32_t colour = kFrmListDesign.controls[i].textColor;
        SetTextColor(dc, colour == kDefaultColor ? GetSysColor(COLOR_BTNTEXT) : static_cast<COLORREF>(colour));
        SetBkMode(dc, TRANSPARENT);
        break;
    }
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

bool SetHandCursor(HWND target) {
    for (size_t i = 0; i < kFrmListControlCount; ++i) {
        if (window.children[i] == target && kFrmListDesign.controls[i].handCursor && window.hand != nullptr) {
            SetCursor(window.hand);
            return true;
        }
    }
    return false;
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CTLCOLORSTATIC:
            return ColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_DRAWITEM:
            if (wParam != static_cast<WPARAM>(kIdImage1) || !window.logo) break;
            window.logo->Paint(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT && SetHandCursor(reinterpret_cast<HWND>(wParam))) return TRUE;
            break;
        case WM_SETFOCUS:
            if (window.children[kList1] != nullptr) SetFocus(window.children[kList1]);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(TDM_ICON_APP), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                      GetSystemMetrics(SM_CYICON), LR_SHARED));
    windowClass.hIconSm =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(TDM_ICON_APP), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kDesignClassName;
    return RegisterClassExW(&windowClass) != 0;
}

// The main window, hidden, centred on the screen, its client area of the design's size.
bool CreateMainWindow(HINSTANCE instance) {
    RECT frame{0, 0, window.scale.ToPixels(kFrmListDesign.clientWidth),
               window.scale.ToPixels(kFrmListDesign.clientHeight)};
    FrameForClient(frame, kFormStyle, 0, window.scale.Dpi());
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    window.hwnd = CreateWindowExW(
        0, kDesignClassName, kCaption, kFormStyle, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
        (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr, nullptr, instance, nullptr);
    return window.hwnd != nullptr;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    TDM_TRACE_MARK("process start to WinMain (the program and its DLLs loaded)");
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    TDM_TRACE_MARK("DLL search and common controls set up");
    window.scale = TwipsScale(SystemDpi());
    TDM_TRACE_MARK("screen DPI");
    if (!RegisterWindowClass(instance)) return 1;
    TDM_TRACE_MARK("window class with the program icon");
    if (!CreateMainWindow(instance)) return 1;
    TDM_TRACE_MARK("main window");
    if (!CreateControls(instance)) return 1;
    TDM_TRACE_MARK("controls created (fonts apart)");
    SendMessageW(window.children[kList1], LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kRow));
    SendMessageW(window.children[kList1], LB_SETCURSEL, 0, 0);
    SetWindowTextW(window.children[kText1], kDetails);
    TDM_TRACE_MARK("one row and its details");
    ShowWindow(window.hwnd, showCommand);
    UpdateWindow(window.hwnd);
    TDM_TRACE_MARK("show and first paint");
    TDM_TRACE_WRITE();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(window.hwnd, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
