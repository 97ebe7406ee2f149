// The program's main window, driven from outside through its controls, the way a person
// at the desktop or an accessibility tool reaches it: window messages to the controls,
// and real mouse input where the click itself matters.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/wait_for.h"

class AppWindow {
public:
    // Waits until the process shows a visible top-level window of the program's class.
    static std::optional<AppWindow> WaitForMainWindow(DWORD processId,
                                                      std::chrono::milliseconds timeout = kDefaultTimeout);

    HWND Handle() const { return window_; }
    // The thread that runs the window, and so every message box of the program.
    DWORD ThreadId() const { return threadId_; }
    bool Exists() const { return IsWindow(window_) != FALSE; }

    std::wstring ClassName() const;
    std::wstring Caption() const;
    RECT Rect() const;
    LONG_PTR Style() const;
    bool IsMinimized() const;

    HWND Control(int id) const;
    // The text of a label, a button or the details box, as the control itself reports it.
    std::wstring ControlText(int id) const;
    bool ControlEnabled(int id) const;
    bool ControlVisible(int id) const;
    RECT ControlRect(int id) const;

    std::vector<std::wstring> ListRows() const;
    // -1 when no row is selected.
    int ListSelection() const;

    // Selects a row as a click does: the list box changes its selection and tells its
    // parent that the selection changed.
    void SelectRow(int row) const;
    // A real left click on the row, through the system's input queue. False when the
    // press never selected the row.
    bool ClickRow(int row) const;
    // Clicks a push button without waiting for what the click does: it may open a modal
    // message box that only the test can close.
    void PressButton(int id) const;
    // The close box of the caption bar (the system menu's Close), without waiting.
    void PressCloseBox() const;
    void Minimize() const;
    void Restore() const;
    // Returns once the window's thread has dealt with the messages sent to it before (the
    // clicks of PressButton and of a message box answer): whatever their handlers were
    // going to show is on the screen by then, since a modal box handles this one too.
    void Sync() const;
    // Drags the middle of a frame edge (WMSZ_LEFT, WMSZ_RIGHT, WMSZ_TOP or WMSZ_BOTTOM) by
    // a distance in pixels (positive: right or down) with real mouse input, in steps, each
    // once `took(moved)` holds for the step before: the window has taken the pointer
    // `moved` pixels from where the drag began. False, with nothing done, when the edge is
    // not the program's to drag: under a window manager that draws the frames, or with
    // none running, where Wine leaves the frame to the absent manager.
    bool DragEdge(int edge, int distance, const std::function<bool(int moved)>& took) const;
    // Asks for a new outer frame, as the end of a drag on a frame edge does.
    void SetFrame(const RECT& frame) const;

private:
    AppWindow(HWND window, DWORD threadId) : window_(window), threadId_(threadId) {}

    LRESULT Send(HWND target, UINT message, WPARAM wParam, LPARAM lParam) const;
    std::wstring TextOf(HWND target) const;
    // Presses the left button at a point of this window until the press shows (the
    // condition holds); the button stays down. False when no press showed.
    bool PressWhereTheWindowIs(POINT point, const std::function<bool()>& pressed) const;

    HWND window_;
    DWORD threadId_;
};
