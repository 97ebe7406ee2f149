#include "tests/e2e/message_box.h"

#include <algorithm>

namespace message_box {
namespace {

// The static control that holds the message text of a standard message box.
constexpr int kTextControlId = 0xFFFF;

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

// Cross-process WM_GETTEXT, with a bound on the wait.
std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
        return {};
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             5000, &copied)) {
        return {};
    }
    text.resize(copied);
    return text;
}

BOOL CALLBACK MatchDialog(HWND window, LPARAM context) {
    if (!IsWindowVisible(window) || ClassOf(window) != L"#32770") return TRUE;
    *reinterpret_cast<HWND*>(context) = window;
    return FALSE;
}

BOOL CALLBACK CollectPart(HWND child, LPARAM context) {
    auto* box = reinterpret_cast<MessageBoxView*>(context);
    if (!IsWindowVisible(child) || GetParent(child) != box->handle) return TRUE;
    const std::wstring kind = ClassOf(child);
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    if (_wcsicmp(kind.c_str(), L"Button") == 0) {
        box->buttons.push_back(GetDlgCtrlID(child));
    } else if (_wcsicmp(kind.c_str(), L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
        DWORD_PTR icon = 0;
        SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 5000, &icon);
        box->hasIcon = box->hasIcon || icon != 0;
    }
    return TRUE;
}

}  // namespace

std::optional<MessageBoxView> Find(DWORD threadId) {
    HWND dialog = nullptr;
    EnumThreadWindows(threadId, MatchDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr) return std::nullopt;

    MessageBoxView box;
    box.handle = dialog;
    box.title = TextOf(dialog);
    if (HWND text = GetDlgItem(dialog, kTextControlId)) box.text = TextOf(text);
    EnumChildWindows(dialog, CollectPart, reinterpret_cast<LPARAM>(&box));
    std::sort(box.buttons.begin(), box.buttons.end());
    return box;
}

std::optional<MessageBoxView> WaitFor(DWORD threadId, std::chrono::milliseconds timeout) {
    std::optional<MessageBoxView> box;
    ::WaitFor([&] { return (box = Find(threadId)).has_value(); }, timeout);
    return box;
}

bool Answer(const MessageBoxView& box, int buttonId, std::chrono::milliseconds timeout) {
    const HWND button = GetDlgItem(box.handle, buttonId);
    if (button == nullptr || !IsWindowVisible(button)) return false;
    SendNotifyMessageW(button, BM_CLICK, 0, 0);
    return ::WaitFor([&] { return IsWindow(box.handle) == FALSE; }, timeout);
}

}  // namespace message_box
