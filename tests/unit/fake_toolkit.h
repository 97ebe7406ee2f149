// A scripted double of the toolkit seam for the window's tests. Every control and
// service writes what it was asked into one shared call log ("List1.SetListIndex(2)",
// "Command2.SetEnabled(0)", "MsgBox"), message boxes answer from a script, and any
// operation can be told to raise an AppError, as a failing control would. Like the
// Win32 list box wrapper, setting the list's row runs List1_Click at once and
// clearing the rows does not; like the Win32 form, Unload runs Form_Unload once.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/app_error.h"
#include "window/toolkit.h"

namespace fake {

constexpr int32_t kErrInvalidPropertyValue = 380;

// The call log and the injected failures, shared by every fake of one window.
class Recorder {
public:
    // The next `times` calls of op (a name such as "List1.ListIndex" or "MsgBox")
    // raise AppError number; times < 0 makes every call raise.
    void FailOn(const std::wstring& op, int32_t number = 5, int times = -1) { failures_[op] = Failure{number, times}; }
    void ClearFailures() { failures_.clear(); }

    // Logs the call and raises if a failure is due.
    void Enter(const std::wstring& op, const std::wstring& args = L"") {
        calls.push_back(args.empty() ? op : op + L"(" + args + L")");
        auto it = failures_.find(op);
        if (it == failures_.end() || it->second.times == 0) return;
        if (it->second.times > 0) --it->second.times;
        throw AppError(it->second.number, L"FakeToolkit", L"Injected failure of " + op);
    }

    // The logged calls that start with prefix, in order.
    std::vector<std::wstring> Calls(const std::wstring& prefix) const {
        std::vector<std::wstring> out;
        for (const auto& call : calls) {
            if (call.compare(0, prefix.size(), prefix) == 0) out.push_back(call);
        }
        return out;
    }
    // Position of the first logged call equal to call at or after from; -1 if none.
    long IndexOf(const std::wstring& call, size_t from = 0) const {
        for (size_t i = from; i < calls.size(); ++i) {
            if (calls[i] == call) return static_cast<long>(i);
        }
        return -1;
    }

    std::vector<std::wstring> calls;

private:
    struct Failure {
        int32_t number;
        int times;
    };
    std::map<std::wstring, Failure> failures_;
};

class FakeList : public ListBoxControl {
public:
    explicit FakeList(Recorder& recorder) : recorder_(recorder) {}

    int32_t ListIndex() override {
        recorder_.Enter(L"List1.ListIndex");
        return index;
    }
    void SetListIndex(int32_t value) override {
        recorder_.Enter(L"List1.SetListIndex", std::to_wstring(value));
        if (value < -1 || value >= static_cast<int32_t>(rows.size())) {
            throw AppError(kErrInvalidPropertyValue, L"FakeToolkit", L"Invalid property value");
        }
        index = value;
        if (events) events->List1_Click();
        if (afterClick) afterClick();
    }
    int32_t ListCount() override {
        recorder_.Enter(L"List1.ListCount");
        return static_cast<int32_t>(rows.size());
    }
    std::wstring List(int32_t row) override {
        recorder_.Enter(L"List1.List", std::to_wstring(row));
        if (row < 0 || row >= static_cast<int32_t>(rows.size())) return L"";
        return rows[static_cast<size_t>(row)];
    }
    void Clear() override {
        recorder_.Enter(L"List1.Clear");
        rows.clear();
        index = -1;
    }
    void AddItem(const std::wstring& item) override {
        recorder_.Enter(L"List1.AddItem", item);
        rows.push_back(item);
    }
    void Refresh() override { recorder_.Enter(L"List1.Refresh"); }

    std::vector<std::wstring> rows;
    int32_t index = -1;
    FormEvents* events = nullptr;
    // Runs after the click handler: another event arriving while the click's caller
    // (the scan, the load handler) has not finished yet.
    std::function<void()> afterClick;

private:
    Recorder& recorder_;
};

class FakeTextBox : public TextBoxControl {
public:
    explicit FakeTextBox(Recorder& recorder) : recorder_(recorder) {}
    std::wstring Text() override {
        recorder_.Enter(L"Text1.Text");
        return text;
    }
    void SetText(const std::wstring& value) override {
        recorder_.Enter(L"Text1.SetText");
        text = value;
    }
    std::wstring text;

private:
    Recorder& recorder_;
};

class FakeLabel : public LabelControl {
public:
    FakeLabel(Recorder& recorder, std::wstring name, std::wstring initial)
        : caption(std::move(initial)), recorder_(recorder), name_(std::move(name)) {}
    std::wstring Caption() override {
        recorder_.Enter(name_ + L".Caption");
        return caption;
    }
    void SetCaption(const std::wstring& value) override {
        recorder_.Enter(name_ + L".SetCaption", value);
        caption = value;
    }
    // An auto-sizing label: the width follows the caption.
    int32_t Width() override {
        recorder_.Enter(name_ + L".Width");
        return static_cast<int32_t>(caption.size()) * 80;
    }
    std::wstring caption;

private:
    Recorder& recorder_;
    std::wstring name_;
};

class FakeButton : public CommandButtonControl {
public:
    FakeButton(Recorder& recorder, std::wstring name, bool isVisible = true)
        : visible(isVisible), recorder_(recorder), name_(std::move(name)) {}
    bool Enabled() override {
        recorder_.Enter(name_ + L".Enabled");
        return enabled;
    }
    void SetEnabled(bool value) override {
        recorder_.Enter(name_ + L".SetEnabled", value ? L"1" : L"0");
        enabled = value;
    }
    bool Visible() override {
        recorder_.Enter(name_ + L".Visible");
        return visible;
    }
    int32_t Width() override {
        recorder_.Enter(name_ + L".Width");
        return width;
    }
    bool enabled = true;
    bool visible;
    int32_t width = 2085;

private:
    Recorder& recorder_;
    std::wstring name_;
};

class FakeImage : public ImageControl {
public:
    explicit FakeImage(Recorder& recorder) : recorder_(recorder) {}
    int32_t Width() override {
        recorder_.Enter(L"Image1.Width");
        return width;
    }
    void SetWidth(int32_t value) override {
        recorder_.Enter(L"Image1.SetWidth", std::to_wstring(value));
        width = value;
    }
    int32_t width = 2055;

private:
    Recorder& recorder_;
};

class FakeForm : public FormControl {
public:
    explicit FakeForm(Recorder& recorder) : recorder_(recorder) {}
    std::wstring Caption() override {
        recorder_.Enter(L"Me.Caption");
        return caption;
    }
    void SetCaption(const std::wstring& value) override {
        recorder_.Enter(L"Me.SetCaption", value);
        caption = value;
    }
    float Left() override {
        recorder_.Enter(L"Me.Left");
        return left;
    }
    float Top() override {
        recorder_.Enter(L"Me.Top");
        return top;
    }
    float Width() override {
        recorder_.Enter(L"Me.Width");
        return width;
    }
    float Height() override {
        recorder_.Enter(L"Me.Height");
        return height;
    }
    void Move(float l, float t, float w, float h) override {
        recorder_.Enter(L"Me.Move");
        left = l;
        top = t;
        width = w;
        height = h;
        ++moves;
    }
    int32_t WindowState() override {
        recorder_.Enter(L"Me.WindowState");
        return state;
    }
    void Unload() override {
        recorder_.Enter(L"Me.Unload");
        if (unloaded) return;
        unloaded = true;
        if (events) events->Form_Unload();
    }

    std::wstring caption = L"design caption";
    // The outer frame of the 11355 x 9510 client area with a sizable frame and a
    // caption bar at 96 dpi.
    float left = 0;
    float top = 0;
    float width = 11595;
    float height = 10020;
    int32_t state = kStateNormal;
    int moves = 0;
    bool unloaded = false;
    FormEvents* events = nullptr;

private:
    Recorder& recorder_;
};

class FakeToolkit : public Toolkit {
public:
    struct Box {
        std::wstring prompt;
        int32_t style;
        std::wstring title;
    };
    struct Shell {
        std::wstring operation, file, parameters, directory;
        int32_t showCommand;
    };
    struct Start {
        std::wstring programPath, arguments;
        int32_t windowStyle;
    };

    explicit FakeToolkit(Recorder& recorder) : recorder_(recorder) {}

    // Answers are taken from the script in order; without one an OK box answers OK
    // and a Yes/No box answers unscriptedYesNo.
    int32_t MsgBox(const std::wstring& prompt, int32_t style, const std::wstring& title) override {
        recorder_.Enter(L"MsgBox");
        boxes.push_back(Box{prompt, style, title});
        // The box is modal: whatever happens to the registry while it is open happens here.
        if (whileShown) whileShown(boxes.back());
        if (!answers.empty()) {
            const int32_t answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return (style & 7) == kMbYesNo ? unscriptedYesNo : kAnswerOk;
    }
    void OpenWithShell(const std::wstring& operation, const std::wstring& file, const std::wstring& parameters,
                       const std::wstring& directory, int32_t showCommand) override {
        recorder_.Enter(L"OpenWithShell");
        shells.push_back(Shell{operation, file, parameters, directory, showCommand});
    }
    bool OpenWithDesktopShell(const std::wstring& operation, const std::wstring& file, const std::wstring& parameters,
                              const std::wstring& directory, int32_t showCommand) override {
        recorder_.Enter(L"OpenWithDesktopShell");
        if (!desktopShell) return false;
        desktopShells.push_back(Shell{operation, file, parameters, directory, showCommand});
        return true;
    }
    int32_t ElevationType() override {
        recorder_.Enter(L"ElevationType");
        return elevationType;
    }
    void StartProgram(const std::wstring& programPath, const std::wstring& arguments, int32_t windowStyle) override {
        recorder_.Enter(L"StartProgram");
        starts.push_back(Start{programPath, arguments, windowStyle});
    }
    // As on the platform, an unknown folder is the empty text, never a raised error.
    std::wstring SystemDirectory() override {
        recorder_.calls.push_back(L"SystemDirectory");
        return systemDirectory;
    }
    void SetMousePointer(int32_t pointer) override {
        recorder_.Enter(L"SetMousePointer", std::to_wstring(pointer));
        pointers.push_back(pointer);
    }
    float ScreenWidth() override {
        recorder_.Enter(L"ScreenWidth");
        return screenWidth;
    }
    float ScreenHeight() override {
        recorder_.Enter(L"ScreenHeight");
        return screenHeight;
    }
    int32_t VersionMajor() override {
        recorder_.Enter(L"VersionMajor");
        return major;
    }
    int32_t VersionMinor() override {
        recorder_.Enter(L"VersionMinor");
        return minor;
    }
    int32_t VersionRevision() override {
        recorder_.Enter(L"VersionRevision");
        return revision;
    }
    void EndProcess() override {
        recorder_.Enter(L"EndProcess");
        ++endProcessCalls;
    }

    std::deque<int32_t> answers;
    int32_t unscriptedYesNo = kAnswerNo;
    // Runs while each box is shown, before it is answered.
    std::function<void(const Box&)> whileShown;
    std::vector<Box> boxes;
    std::vector<Shell> shells;
    std::vector<Shell> desktopShells;
    // What GetTokenInformation(TokenElevationType) answers: 1 for a process that is not
    // elevated through a split token.
    int32_t elevationType = 1;
    // Whether a desktop shell is there to take a document.
    bool desktopShell = true;
    std::vector<Start> starts;
    std::vector<int32_t> pointers;
    std::wstring systemDirectory = L"C:\\windows\\system32";
    float screenWidth = 19200;  // 1280 x 1024 pixels at 15 twips each
    float screenHeight = 15360;
    int32_t major = 0;
    int32_t minor = 9;
    int32_t revision = 4;
    int endProcessCalls = 0;

private:
    Recorder& recorder_;
};

// One window's worth of fakes with the design state of its controls.
struct FakeWindow {
    FakeWindow() = default;
    FakeWindow(const FakeWindow&) = delete;
    FakeWindow& operator=(const FakeWindow&) = delete;

    // Routes the list's clicks and the form's unload to the window under test.
    void Attach(FormEvents& handlers) {
        List1.events = &handlers;
        Me.events = &handlers;
    }

    Recorder recorder;
    FakeForm Me{recorder};
    FakeList List1{recorder};
    FakeTextBox Text1{recorder};
    FakeLabel Label1_0{recorder, L"Label1(0)", L"Display details:"};
    FakeLabel Label1_1{recorder, L"Label1(1)", L"List of all registered display adapters"};
    FakeLabel Label2{recorder, L"Label2", L"talvorin.example"};
    FakeImage Image1{recorder};
    FakeButton Command1{recorder, L"Command1"};
    FakeButton Command2{recorder, L"Command2"};
    FakeButton Command3{recorder, L"Command3", false};
    FakeToolkit toolkit{recorder};
    FrmListControls controls{Me, List1, Text1, Label1_0, Label1_1, Label2, Image1, Command1, Command2, Command3};
};

}  // namespace fake
