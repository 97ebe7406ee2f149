// The Win32 handle kinds the toolkit and the program hold, each an instance of the one
// owner, so that no early return leaks a GDI object, leaves a device context
// borrowed or a process handle open.
#pragma once

#include <windows.h>

#include "base/unique_handle.h"

// A GDI object (font, bitmap) the program created: deleted.
template <typename Handle>
struct GdiObjectTraits : NullHandleTraits<Handle> {
    static void Close(Handle handle) { DeleteObject(handle); }
};
using FontHandle = UniqueHandle<GdiObjectTraits<HFONT>>;
using BitmapHandle = UniqueHandle<GdiObjectTraits<HBITMAP>>;

// A window's device context (the screen's for a null window), borrowed: given back to
// the window it came from.
struct WindowDcTraits : NullHandleTraits<HDC> {
    HWND window = nullptr;
    void Close(HDC dc) const { ReleaseDC(window, dc); }
};
using WindowDc = UniqueHandle<WindowDcTraits>;
inline WindowDc BorrowDc(HWND window) {
    return WindowDc(GetDC(window), WindowDcTraits{{}, window});
}

// A memory device context the program created: deleted.
struct MemoryDcTraits : NullHandleTraits<HDC> {
    static void Close(HDC dc) { DeleteDC(dc); }
};
using MemoryDc = UniqueHandle<MemoryDcTraits>;
inline MemoryDc CreateMemoryDc(HDC compatibleWith) {
    return MemoryDc(CreateCompatibleDC(compatibleWith));
}

// The object a device context had selected before one of ours, put back, because a DC
// must not be released or deleted with one of our objects still selected.
struct SelectionTraits : NullHandleTraits<HGDIOBJ> {
    HDC dc = nullptr;
    void Close(HGDIOBJ previous) const { SelectObject(dc, previous); }
};
using SelectedObject = UniqueHandle<SelectionTraits>;
inline SelectedObject SelectInto(HDC dc, HGDIOBJ object) {
    return SelectedObject(object != nullptr ? SelectObject(dc, object) : nullptr, SelectionTraits{{}, dc});
}

// A kernel handle (a process, a thread): closed. Some functions report failure with
// INVALID_HANDLE_VALUE, others with null.
struct KernelHandleTraits : NullHandleTraits<HANDLE> {
    static bool Valid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
using KernelHandle = UniqueHandle<KernelHandleTraits>;

// An icon loaded without LR_SHARED: destroyed.
struct IconTraits : NullHandleTraits<HICON> {
    static void Close(HICON icon) { DestroyIcon(icon); }
};
using IconHandle = UniqueHandle<IconTraits>;
