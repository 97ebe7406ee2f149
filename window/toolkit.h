// The windowing toolkit as the window sees it: its controls as small objects and the
// platform services it calls. Plain C++; the Win32 implementation lives behind it and
// tests drive the window through doubles of it. Positions and sizes are in twips.
#pragma once

#include <cstdint>
#include <string>

// Message box styles (one button set plus at most one icon) and answers.
constexpr int32_t kMbOkOnly = 0;
constexpr int32_t kMbYesNo = 4;
constexpr int32_t kMbCritical = 16;
constexpr int32_t kMbInformation = 64;
constexpr int32_t kAnswerOk = 1;
constexpr int32_t kAnswerYes = 6;
constexpr int32_t kAnswerNo = 7;

// Application-wide mouse pointers.
constexpr int32_t kPointerDefault = 0;
constexpr int32_t kPointerHourglass = 11;

// Window states and the show styles of a started process.
constexpr int32_t kStateNormal = 0;
constexpr int32_t kStateMinimized = 1;
constexpr int32_t kStateMaximized = 2;
constexpr int32_t kShowNormal = 1;
constexpr int32_t kShowMinimizedFocus = 2;

// The elevation of the program's token, as the platform reports it.
constexpr int32_t kElevationUnknown = 0;
constexpr int32_t kElevationDefault = 1;  // no split token: not elevated, or nothing to split
constexpr int32_t kElevationFull = 2;     // run as administrator; the user's everyday token is a limited one
constexpr int32_t kElevationLimited = 3;  // the limited everyday token of an administrator

// Any control operation may raise an AppError; the window absorbs it.

class ListBoxControl {
public:
    virtual ~ListBoxControl() = default;
    // -1 when no row is selected.
    virtual int32_t ListIndex() = 0;
    // Selects a row (-1 clears the selection) and runs the list's click handler at
    // once, exactly as a user's click does.
    virtual void SetListIndex(int32_t index) = 0;
    virtual int32_t ListCount() = 0;
    virtual std::wstring List(int32_t index) = 0;
    // Removes every row without running the click handler.
    virtual void Clear() = 0;
    virtual void AddItem(const std::wstring& item) = 0;
    virtual void Refresh() = 0;
};

class TextBoxControl {
public:
    virtual ~TextBoxControl() = default;
    virtual std::wstring Text() = 0;
    virtual void SetText(const std::wstring& text) = 0;
};

class LabelControl {
public:
    virtual ~LabelControl() = default;
    virtual std::wstring Caption() = 0;
    // An auto-sizing label takes the size of its new caption.
    virtual void SetCaption(const std::wstring& caption) = 0;
    virtual int32_t Width() = 0;
};

class CommandButtonControl {
public:
    virtual ~CommandButtonControl() = default;
    virtual bool Enabled() = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Visible() = 0;
    virtual int32_t Width() = 0;
};

class ImageControl {
public:
    virtual ~ImageControl() = default;
    virtual int32_t Width() = 0;
    virtual void SetWidth(int32_t width) = 0;
};

// The top-level window. Left, Top, Width and Height are those of the outer frame in
// screen coordinates.
class FormControl {
public:
    virtual ~FormControl() = default;
    virtual std::wstring Caption() = 0;
    virtual void SetCaption(const std::wstring& caption) = 0;
    virtual float Left() = 0;
    virtual float Top() = 0;
    virtual float Width() = 0;
    virtual float Height() = 0;
    virtual void Move(float left, float top, float width, float height) = 0;
    virtual int32_t WindowState() = 0;
    // Unloads the window: runs the unload handler (once, however often it is asked)
    // and destroys the window.
    virtual void Unload() = 0;
};

// The controls of the window, addressed by their names.
struct FrmListControls {
    FormControl& Me;
    ListBoxControl& List1;
    TextBoxControl& Text1;
    LabelControl& Label1_0;  // "Display details:", above the details box
    LabelControl& Label1_1;  // the heading above the list, later the count line
    LabelControl& Label2;
    ImageControl& Image1;
    CommandButtonControl& Command1;
    CommandButtonControl& Command2;
    CommandButtonControl& Command3;

    LabelControl& Label1(int index) { return index == 0 ? Label1_0 : Label1_1; }
};

// Platform services.
class Toolkit {
public:
    virtual ~Toolkit() = default;
    // Modal. An empty title means the application's title. Returns the answer.
    virtual int32_t MsgBox(const std::wstring& prompt, int32_t style, const std::wstring& title) = 0;
    // Hands a document or web address to the shell with a verb ("Open"), as the user's
    // double click would, with the window as owner; the result is ignored.
    virtual void OpenWithShell(const std::wstring& operation, const std::wstring& file, const std::wstring& parameters,
                               const std::wstring& directory, int32_t showCommand) = 0;
    // The same through the shell of the user's desktop, which runs with the user's
    // everyday rights. False when there is no such shell to ask: nothing was opened.
    virtual bool OpenWithDesktopShell(const std::wstring& operation, const std::wstring& file,
                                      const std::wstring& parameters, const std::wstring& directory,
                                      int32_t showCommand) = 0;
    // The elevation of the program's token: one of the kElevation codes.
    virtual int32_t ElevationType() = 0;
    // Starts a program as a separate process with the given window style and does
    // not wait for it. The program is named by its full path, so nothing is searched for.
    virtual void StartProgram(const std::wstring& programPath, const std::wstring& arguments, int32_t windowStyle) = 0;
    // The folder of the system's own programs, without a trailing backslash; empty
    // when the platform cannot tell.
    virtual std::wstring SystemDirectory() = 0;
    virtual void SetMousePointer(int32_t pointer) = 0;
    virtual float ScreenWidth() = 0;
    virtual float ScreenHeight() = 0;
    virtual int32_t VersionMajor() = 0;
    virtual int32_t VersionMinor() = 0;
    virtual int32_t VersionRevision() = 0;
    // Ends the process once the current handler returns.
    virtual void EndProcess() = 0;
};

// The window's event handlers, named by object and event, that the toolkit calls.
class FormEvents {
public:
    virtual ~FormEvents() = default;
    virtual void Form_Load() = 0;
    virtual void Form_Resize() = 0;
    virtual void Form_Unload() = 0;
    virtual void List1_Click() = 0;
    virtual void Command1_Click() = 0;
    virtual void Command2_Click() = 0;
    virtual void Command3_Click() = 0;
    virtual void Label2_Click() = 0;
    virtual void Image1_Click() = 0;
};
