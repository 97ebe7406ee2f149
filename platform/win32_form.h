// The top-level window: its class, its window procedure, its nine controls built
// from the design table, and the message loop. It turns the platform's messages
// into the window's events and offers the window itself as the seam's FormControl.
// It converts twips with the DPI of the screen it is on and lays itself out again
// when that DPI changes.
// One class in four files: its class and life (win32_form.cpp), the DPI rules
// (win32_form_dpi.cpp), the look (win32_form_look.cpp) and the keyboard
// (win32_form_keyboard.cpp).
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/win32_controls.h"
#include "platform/win32_handles.h"
#include "platform/win32_units.h"
#include "window/frm_list_design.h"
#include "window/toolkit.h"

// The platform calls whose answers differ between Windows and Wine: Windows may put
// a launcher's show command in place of the window's first one, only Windows has
// high-contrast themes, and only Windows opens a window on a screen whose DPI differs
// from the system's. The window makes these calls through here, so that a test can
// answer as Windows does.
struct FormPlatformCalls {
    std::function<BOOL(HWND, int)> showWindow;
    std::function<BOOL(UINT, UINT, void*, UINT)> systemParametersInfo;
    std::function<int(HWND)> windowDpi;
};

// ShowWindow, SystemParametersInfoW and WindowDpi themselves.
FormPlatformCalls SystemFormCalls();

class Win32Form : public FormControl {
public:
    Win32Form(HINSTANCE instance, const FormDesign& design, FormPlatformCalls calls = SystemFormCalls());
    ~Win32Form() override;
    Win32Form(const Win32Form&) = delete;
    Win32Form& operator=(const Win32Form&) = delete;

    // Creates the window, hidden, with every control in its design state. False when
    // the platform refuses the window.
    bool Create();
    // The controls by their names; valid after Create.
    FrmListControls& Controls() { return *controls_; }
    // The handlers that the window's events run; null runs none.
    void SetEvents(FormEvents* events) { events_ = events; }

    // Runs the load handler.
    void Load();
    // Shows the window for the first time and gives the first control the focus. The
    // window's size event always follows its first showing, and the window ends up
    // visible whatever show command the platform applied in place of the program's.
    void Show(int showCommand);

    // Keyboard handling of the window for one queued message: Tab, Shift+Tab and the
    // access keys. Enter and Escape press nothing, since the window has no default or
    // cancel button. True when the message was used up.
    bool TranslateKeyboard(MSG& message);

    // The application-wide pointer: kPointerHourglass over every part of the window,
    // kPointerDefault back to each control's own.
    void SetMousePointer(int32_t pointer);
    int32_t MousePointer() const { return pointer_; }

    HWND Handle() const { return hwnd_; }
    HWND Child(FrmListControlIndex index) const { return children_[index]; }
    // Twips and pixels at the DPI of the screen the window is on.
    const TwipsScale& Scale() const { return scale_; }
    // The outer size in pixels of a window whose client area has its designed size at
    // the given DPI, with the frame drawn at that DPI.
    SIZE OuterSizeFor(int dpi) const;

    // FormControl.
    std::wstring Caption() override;
    void SetCaption(const std::wstring& caption) override;
    float Left() override;
    float Top() override;
    float Width() override;
    float Height() override;
    void Move(float left, float top, float width, float height) override;
    int32_t WindowState() override;
    void Unload() override;

private:
    // The class and life (win32_form.cpp).
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool RegisterWindowClass() const;
    bool CreateControls();
    HWND CreateControl(const ControlDesign& control, int id);
    HFONT FontFor(const FontDesign& font);
    using Handler = void (FormEvents::*)();
    // Runs one handler. Handlers absorb their own errors; whatever still escapes stops
    // here, because nothing may unwind through the platform's window procedure.
    void Raise(Handler handler);
    // Holds a command or a Close that arrives while a handler runs, until the outermost
    // one has returned; true when held.
    bool HoldWhileHandling(UINT message, WPARAM wParam, LPARAM lParam);
    static Handler EventOf(int id, int code);
    void OnCommand(int id, int code);
    RECT FrameRect() const;

    // The DPI rules (win32_form_dpi.cpp).
    // The size event, held back or turned into the delayed DPI layout while a DPI
    // change is under way.
    void OnSize(WPARAM sizeType);
    // The window moved to a screen of another DPI, or its screen's DPI changed.
    void OnDpiChanged(int dpi, const RECT& suggested);
    void ReplaceFonts();
    void PlaceControls();
    // Gives the window the size for its new DPI, with its top-left corner there.
    void ResizeForDpi(int left, int top);
    // Grows or shrinks the frame until the client area has its designed size, for
    // platforms whose frame at a DPI differs from what they compute for it.
    void FitClientArea();
    // The outer size, as it is or as it will be when the window is restored.
    SIZE RestoredOuterSize() const;

    // The look (win32_form_look.cpp).
    LRESULT OnColorStatic(HDC dc, HWND control);
    void OnSysColorChange(WPARAM wParam, LPARAM lParam);
    // A setting or the theme's colours changed while the window runs: it follows high
    // contrast and draws itself again where its colours change.
    void OnThemeChanged(bool coloursChanged);
    bool HighContrastOn() const;
    bool OnSetCursor(HWND target, int hitTest);
    void RefreshCursor() const;

    // The keyboard (win32_form_keyboard.cpp).
    void SaveFocus();
    void RestoreFocus();
    void MoveFocus(bool backwards);
    void OnNextDlgCtl(WPARAM wParam, LPARAM lParam);

    HINSTANCE instance_;
    const FormDesign& design_;
    FormPlatformCalls calls_;
    TwipsScale scale_;
    HWND hwnd_ = nullptr;
    std::array<HWND, kFrmListControlCount> children_{};

    // One font per distinct design font, shared by the controls that use it.
    struct SharedFont {
        FontDesign design;
        FontHandle font;
    };
    std::array<SharedFont, kFrmListControlCount> fonts_{};
    size_t fontCount_ = 0;
    HCURSOR hand_ = nullptr;

    std::unique_ptr<Win32ListBox> list1_;
    std::unique_ptr<Win32TextBox> text1_;
    std::array<std::unique_ptr<Win32Label>, 3> labels_;  // Label1(0), Label1(1), Label2
    std::array<std::unique_ptr<Win32CommandButton>, 3> buttons_;
    std::unique_ptr<Win32Image> image1_;
    std::unique_ptr<FrmListControls> controls_;

    FormEvents* events_ = nullptr;
    unsigned handlersRunning_ = 0;
    std::vector<MSG> heldCommands_;
    bool unloaded_ = false;
    int32_t pointer_ = kPointerDefault;
    HWND savedFocus_ = nullptr;
    unsigned sizeEvents_ = 0;
    bool changingDpi_ = false;
    // High contrast is on: the link takes the theme's hot-light colour.
    bool highContrast_ = false;

    // Twips added to the measured outer size. The frame does not grow in proportion
    // with the DPI (its borders barely grow at all), so after a DPI change the same
    // client area needs a frame of other twips. The window logic holds on to the
    // outer size in twips, so a DPI change keeps that number and adjusts this one
    // instead. Zero until the first change.
    double widthOffset_ = 0.0;
    double heightOffset_ = 0.0;
    // The outer size in twips to keep through a DPI change that is still to be
    // applied to the window's pixels.
    struct TwipsSize {
        double width;
        double height;
    };
    std::optional<TwipsSize> pendingDpiSize_;
};

// Dispatches the thread's messages until the window is gone or the process is asked
// to end. Returns the exit code.
int RunMessageLoop(Win32Form& form);
