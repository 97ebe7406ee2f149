// Small owners for the handle kinds the toolkit creates, so that no early return
// leaks a GDI object or leaves a device context borrowed.
#pragma once

#include <windows.h>

#include <utility>

// Owns one GDI object (font, bitmap, brush) and deletes it. Movable, not copyable.
template <typename Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : handle_(handle) {}
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    ~GdiObject() { Reset(); }

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Reset(Handle handle = nullptr) {
        if (handle_ != nullptr) DeleteObject(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = nullptr;
};

using FontHandle = GdiObject<HFONT>;
using BitmapHandle = GdiObject<HBITMAP>;

// Borrows a window's device context (the screen's for a null window) for one scope.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_ != nullptr) ReleaseDC(hwnd_, dc_);
    }
    HDC Get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// A memory device context compatible with another, deleted at the end of the scope.
class MemoryDc {
public:
    explicit MemoryDc(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    ~MemoryDc() {
        if (dc_ != nullptr) DeleteDC(dc_);
    }
    HDC Get() const { return dc_; }

private:
    HDC dc_;
};

// Selects an object into a device context and puts the previous one back, because a
// DC must not be released or deleted with one of our objects still selected.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (previous_ != nullptr) SelectObject(dc_, previous_);
    }

private:
    HDC dc_;
    HGDIOBJ previous_;
};
