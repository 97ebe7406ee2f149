// The window's DPI rules: its outer size for a DPI, the client area kept at the
// design's twips, and what a DPI change does (new fonts, controls placed again at
// their twips, the frame resized, everything redrawn).
#include "platform/win32_form.h"

#include <tuple>
#include <utility>

#include "platform/win32_fonts.h"
#include "platform/win32_form_internal.h"

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

void Win32Form::OnSize(WPARAM sizeType) {
    // A DPI change raises its one size event when the window is complete.
    if (changingDpi_) return;
    if (sizeType != SIZE_MINIMIZED && pendingDpiSize_) {
        // Restored after a DPI change that came while it was minimised.
        const RECT frame = FrameRect();
        ResizeForDpi(frame.left, frame.top);
        return;
    }
    ++sizeEvents_;
    Raise(&FormEvents::Form_Resize);
}

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
