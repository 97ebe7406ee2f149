#include "tests/e2e/app_window.h"

#include <stdexcept>

#include "window/control_ids.h"

namespace {

// A window that has not answered in this time counts as hung; the test fails rather
// than waits forever.
constexpr UINT kAnswerMilliseconds = 5000;

struct Search {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK MatchMainWindow(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    wchar_t className[256] = {};
    GetClassNameW(window, className, 256);
    if (std::wstring(className) != kFormClassName) return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindMainWindow(DWORD processId) {
    Search search{processId, nullptr};
    EnumWindows(MatchMainWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// An absolute move through the input queue, so that it keeps its place between the
// button events, with a button pressed or released there in the same input when given.
// Under Wine the display reports the pointer's moves back to the program that owns the
// window, late, and such a move to where the pointer was before may come between two
// inputs, never into one. The system scales 0..65535 to the screen, rounding down.
void MoveMouseTo(POINT point, DWORD button = 0) {
    const LONG width = GetSystemMetrics(SM_CXSCREEN);
    const LONG height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | button;
    input.mi.dx = (point.x * 65536 + width - 1) / width;
    input.mi.dy = (point.y * 65536 + height - 1) / height;
    SendInput(1, &input, sizeof(input));
}

bool InMoveSize(DWORD threadId) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(threadId, &info) && (info.flags & GUI_INMOVESIZE) != 0;
}

void SendMouseButton(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
}

}  // namespace

std::optional<AppWindow> AppWindow::WaitForMainWindow(DWORD processId, std::chrono::milliseconds timeout) {
    HWND window = nullptr;
    if (!WaitFor([&] { return (window = FindMainWindow(processId)) != nullptr; }, timeout)) {
        return std::nullopt;
    }
    return AppWindow(window, GetWindowThreadProcessId(window, nullptr));
}

LRESULT AppWindow::Send(HWND target, UINT message, WPARAM wParam, LPARAM lParam) const {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(target, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerMilliseconds, &result)) {
        throw std::runtime_error("the window did not answer message " + std::to_string(message));
    }
    return static_cast<LRESULT>(result);
}

std::wstring AppWindow::ClassName() const {
    wchar_t name[256] = {};
    GetClassNameW(window_, name, 256);
    return name;
}

std::wstring AppWindow::Caption() const {
    return TextOf(window_);
}

RECT AppWindow::Rect() const {
    RECT rect{};
    GetWindowRect(window_, &rect);
    return rect;
}

LONG_PTR AppWindow::Style() const {
    return GetWindowLongPtrW(window_, GWL_STYLE);
}

bool AppWindow::IsMinimized() const {
    return IsIconic(window_) != FALSE;
}

HWND AppWindow::Control(int id) const {
    HWND control = GetDlgItem(window_, id);
    if (control == nullptr) throw std::runtime_error("no control with id " + std::to_string(id));
    return control;
}

std::wstring AppWindow::ControlText(int id) const {
    return TextOf(Control(id));
}

// WM_GETTEXT rather than GetWindowText: across processes only the message reaches the
// text an edit control keeps itself.
std::wstring AppWindow::TextOf(HWND target) const {
    const LRESULT length = Send(target, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied = Send(target, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied));
    return text;
}

bool AppWindow::ControlEnabled(int id) const {
    return IsWindowEnabled(Control(id)) != FALSE;
}

bool AppWindow::ControlVisible(int id) const {
    return IsWindowVisible(Control(id)) != FALSE;
}

RECT AppWindow::ControlRect(int id) const {
    RECT rect{};
    GetWindowRect(Control(id), &rect);
    return rect;
}

std::vector<std::wstring> AppWindow::ListRows() const {
    const HWND list = Control(kIdList1);
    const LRESULT count = Send(list, LB_GETCOUNT, 0, 0);
    std::vector<std::wstring> rows;
    for (LRESULT row = 0; row < count; ++row) {
        const LRESULT length = Send(list, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
        if (length == LB_ERR) {
            throw std::runtime_error("cannot read list row " + std::to_string(row));
        }
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        const LRESULT copied = Send(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.data()));
        text.resize(copied == LB_ERR ? 0 : static_cast<size_t>(copied));
        rows.push_back(text);
    }
    return rows;
}

int AppWindow::ListSelection() const {
    return static_cast<int>(Send(Control(kIdList1), LB_GETCURSEL, 0, 0));
}

void AppWindow::SelectRow(int row) const {
    const HWND list = Control(kIdList1);
    Send(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    Send(window_, WM_COMMAND, MAKEWPARAM(kIdList1, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

bool AppWindow::ClickRow(int row) const {
    const HWND list = Control(kIdList1);
    const LRESULT top = Send(list, LB_GETTOPINDEX, 0, 0);
    const LRESULT height = Send(list, LB_GETITEMHEIGHT, 0, 0);
    POINT point{10, static_cast<LONG>((row - top) * height + height / 2)};
    ClientToScreen(list, &point);
    // The press selects the row; the release completes the click.
    const bool pressed = PressWhereTheWindowIs(point, [&] { return ListSelection() == row; });
    SendMouseButton(MOUSEEVENTF_LEFTUP);
    return pressed;
}

void AppWindow::PressButton(int id) const {
    const HWND button = Control(id);
    // A person can press neither a hidden nor a disabled button; BM_CLICK would.
    if (!IsWindowVisible(button) || !IsWindowEnabled(button)) {
        throw std::logic_error("button " + std::to_string(id) + " cannot be pressed now");
    }
    SendNotifyMessageW(button, BM_CLICK, 0, 0);
}

void AppWindow::PressCloseBox() const {
    PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void AppWindow::Minimize() const {
    PostMessageW(window_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
}

void AppWindow::Restore() const {
    PostMessageW(window_, WM_SYSCOMMAND, SC_RESTORE, 0);
}

void AppWindow::Sync() const {
    // Sent messages are handled in the order they were sent.
    Send(window_, WM_NULL, 0, 0);
}

bool AppWindow::DragEdge(int edge, int distance, const std::function<bool(int moved)>& took) const {
    const RECT frame = Rect();
    const bool horizontal = edge == WMSZ_LEFT || edge == WMSZ_RIGHT;
    // Two pixels inside the outer frame: within the sizing border on any theme.
    POINT from{(frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2};
    LRESULT expectedHit = 0;
    switch (edge) {
        case WMSZ_LEFT:
            from.x = frame.left + 2;
            expectedHit = HTLEFT;
            break;
        case WMSZ_RIGHT:
            from.x = frame.right - 3;
            expectedHit = HTRIGHT;
            break;
        case WMSZ_TOP:
            from.y = frame.top + 2;
            expectedHit = HTTOP;
            break;
        case WMSZ_BOTTOM:
            from.y = frame.bottom - 3;
            expectedHit = HTBOTTOM;
            break;
        default:
            return false;
    }
    if (Send(window_, WM_NCHITTEST, 0, MAKELPARAM(from.x, from.y)) != expectedHit) {
        return false;
    }
    if (!PressWhereTheWindowIs(from, [&] { return InMoveSize(threadId_); })) {
        if (WindowFromPoint(from) != window_) return false;
        throw std::runtime_error("pressing the frame edge started no sizing");
    }

    // Wine keeps a move in the queue until the window has taken it, and folds the next
    // move into it meanwhile, so the window never sees the later position: each step waits
    // until the window has taken the one before.
    constexpr int kSteps = 4;
    POINT target = from;
    for (int step = 1; step <= kSteps; ++step) {
        const int moved = distance * step / kSteps;
        target = horizontal ? POINT{from.x + moved, from.y} : POINT{from.x, from.y + moved};
        MoveMouseTo(target);
        WaitFor([&] { return took(moved); }, kShortTimeout);
    }
    MoveMouseTo(target, MOUSEEVENTF_LEFTUP);
    if (!WaitFor([&] { return !InMoveSize(threadId_); }, kShortTimeout)) {
        throw std::runtime_error("releasing the button did not end the sizing");
    }
    return true;
}

// The display is shared: another test's window may come up over this one, or the window
// may still be settling after it was shown, and then a press goes astray. So the press is
// made only where this window is on top, and made again (released first) when it had no
// effect; a few tries tell a lost press from a window that does not react.
bool AppWindow::PressWhereTheWindowIs(POINT point, const std::function<bool()>& pressed) const {
    constexpr int kTries = 3;
    constexpr std::chrono::milliseconds kReaction{1000};
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if (attempt > 0) SendMouseButton(MOUSEEVENTF_LEFTUP);
        const HWND top = WindowFromPoint(point);
        if (top != window_ && GetAncestor(top, GA_ROOT) != window_) {
            SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            continue;
        }
        Sync();
        MoveMouseTo(point, MOUSEEVENTF_LEFTDOWN);
        if (WaitFor(pressed, kReaction)) return true;
    }
    SendMouseButton(MOUSEEVENTF_LEFTUP);
    return false;
}

void AppWindow::SetFrame(const RECT& frame) const {
    SetWindowPos(window_, nullptr, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}
