// The window's controls as the toolkit seam sees them, each a thin wrapper around
// one child window. The wrappers own no window (the form does); the image owns its
// picture.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "platform/win32_handles.h"
#include "platform/win32_units.h"
#include "window/toolkit.h"

// The toolkit's error for a property set to a value it does not take.
[[noreturn]] void RaiseInvalidPropertyValue();

// The whole text of a window (its caption, or an edit control's contents).
std::wstring WindowText(HWND hwnd);

// The width of a window's outer rectangle, in twips.
int32_t WindowWidthTwips(HWND hwnd, const TwipsScale& scale);

class Win32ListBox : public ListBoxControl {
public:
    // onClick runs whenever the selected row is set, by the user or by the program.
    Win32ListBox(HWND hwnd, std::function<void()> onClick);

    int32_t ListIndex() override;
    // The list box does not notify its parent when the program sets the selection,
    // so the click runs from here.
    void SetListIndex(int32_t index) override;
    int32_t ListCount() override;
    std::wstring List(int32_t index) override;
    void Clear() override;
    void AddItem(const std::wstring& item) override;
    void Refresh() override;

private:
    HWND hwnd_;
    std::function<void()> onClick_;
};

class Win32TextBox : public TextBoxControl {
public:
    explicit Win32TextBox(HWND hwnd) : hwnd_(hwnd) {}
    std::wstring Text() override;
    void SetText(const std::wstring& text) override;

private:
    HWND hwnd_;
};

// The size of a caption on one line in a font, as the device context measures it; an
// empty caption keeps the height of one line.
SIZE CaptionSize(HDC dc, HFONT font, const std::wstring& caption);

// A label that takes the size of its caption on one line in its own font, with its
// top-left corner fixed.
class Win32Label : public LabelControl {
public:
    Win32Label(HWND hwnd, HFONT font, const TwipsScale& scale);
    std::wstring Caption() override;
    void SetCaption(const std::wstring& caption) override;
    int32_t Width() override;
    // Sizes the label to its current caption.
    void AutoSize();
    // The font the label is drawn and measured in (the window owns it). The label
    // keeps its size until the next AutoSize.
    void SetFont(HFONT font);

private:
    HWND hwnd_;
    HFONT font_;
    const TwipsScale& scale_;
};

class Win32CommandButton : public CommandButtonControl {
public:
    Win32CommandButton(HWND hwnd, const TwipsScale& scale) : hwnd_(hwnd), scale_(scale) {}
    bool Enabled() override;
    // Disabling the button that has the focus hands the focus on to the next control
    // in the tab order, so the keyboard never ends up on a dead control.
    void SetEnabled(bool enabled) override;
    bool Visible() override;
    int32_t Width() override;

private:
    HWND hwnd_;
    const TwipsScale& scale_;
};

// A picture shown at its natural size at the control's top-left corner; the rest of
// the control is background. The control is owner-drawn so that widening it never
// stretches the picture. The natural size is in twips, like the layout: the picture's
// pixels are those of a 96-dpi screen, so on a screen of more dots it is drawn larger,
// smoothly scaled, and keeps its place in the layout.
class Win32Image : public ImageControl {
public:
    // width: the control's width in twips as it was created.
    Win32Image(HWND hwnd, BitmapHandle picture, int32_t width, const TwipsScale& scale);
    int32_t Width() override;
    void SetWidth(int32_t width) override;
    // The width in twips that the control was last given, to place it again at
    // another DPI without the rounding of the old one's pixels.
    int32_t LayoutWidth() const { return width_; }
    // Paints the control for WM_DRAWITEM.
    void Paint(const DRAWITEMSTRUCT& item) const;
    // The picture's own pixels.
    SIZE PictureSize() const;

private:
    // The pixels it takes on the screen: its natural size at the window's DPI.
    SIZE DrawnSize() const;

    HWND hwnd_;
    BitmapHandle picture_;
    int32_t width_;
    const TwipsScale& scale_;
};
