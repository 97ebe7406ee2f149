// The program's message boxes, found and answered from outside: the modal dialog
// (#32770) that the program's window thread shows.
#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/wait_for.h"

struct MessageBoxView {
    HWND handle = nullptr;
    std::wstring title;
    std::wstring text;
    // The ids (IDOK, IDYES, IDNO ...) of the buttons it shows, ascending.
    std::vector<int> buttons;
    bool hasIcon = false;
};

namespace message_box {

// The message box the thread shows now, if any.
std::optional<MessageBoxView> Find(DWORD threadId);

std::optional<MessageBoxView> WaitFor(DWORD threadId, std::chrono::milliseconds timeout = kDefaultTimeout);

// Presses the button with the given id, as a click does, and waits until the box has
// gone; returns whether it went.
bool Answer(const MessageBoxView& box, int buttonId, std::chrono::milliseconds timeout = kDefaultTimeout);

}  // namespace message_box
