// The Win32 toolkit against the real platform (under Wine on Linux): the window and
// its controls as the design table describes them, the events they raise, the
// keyboard rules, and the services. The window's logic is replaced by a recorder of
// its events, so each case sees exactly what the platform delivered. The recorder,
// the window under test and the helpers that more than one toolkit_*_test.cpp uses.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32_form.h"
#include "platform/win32_toolkit.h"
#include "tests/toolkit/pump.h"
#include "window/frm_list_design.h"

namespace toolkit_test {

class RecordingEvents : public FormEvents {
public:
    std::vector<std::string> calls;
    std::function<void()> onUnload;
    std::function<void()> onLinkClick;

    int Count(const std::string& name) const { return static_cast<int>(std::count(calls.begin(), calls.end(), name)); }

    void Form_Load() override { calls.push_back("Form_Load"); }
    void Form_Resize() override { calls.push_back("Form_Resize"); }
    void Form_Unload() override {
        calls.push_back("Form_Unload");
        if (onUnload) onUnload();
    }
    void List1_Click() override { calls.push_back("List1_Click"); }
    void Command1_Click() override { calls.push_back("Command1_Click"); }
    void Command2_Click() override { calls.push_back("Command2_Click"); }
    void Command3_Click() override { calls.push_back("Command3_Click"); }
    void Label2_Click() override {
        calls.push_back("Label2_Click");
        if (onLinkClick) onLinkClick();
    }
    void Image1_Click() override { calls.push_back("Image1_Click"); }
};

inline LONG_PTR StyleOf(HWND hwnd) {
    return GetWindowLongPtrW(hwnd, GWL_STYLE);
}

inline RECT ClientPlace(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

class Win32ToolkitTest : public ::testing::Test {
protected:
    void SetUp() override {
        form_ = std::make_unique<Win32Form>(GetModuleHandleW(nullptr), kFrmListDesign);
        ASSERT_TRUE(form_->Create());
        form_->SetEvents(&events_);
        toolkit_ = std::make_unique<Win32Toolkit>(*form_);
    }
    void TearDown() override {
        form_->SetEvents(nullptr);
        toolkit_.reset();
        form_.reset();
        Pump();
    }

    HWND Child(FrmListControlIndex index) const { return form_->Child(index); }
    FrmListControls& Controls() { return form_->Controls(); }
    const TwipsScale& Scale() const { return form_->Scale(); }
    // A length in twips as the toolkit reports it back after placing it in pixels.
    int32_t RoundTrip(int32_t twips) const {
        return static_cast<int32_t>(Scale().ToTwips(Scale().ToPixels(twips)) + 0.5f);
    }
    void ShowAndFocusList() {
        form_->Show(SW_SHOWNORMAL);
        Pump();
        SetFocus(Child(kList1));
    }
    // A key message as the message loop gets it. lParam: bits 0-15 the repeat count,
    // bit 29 Alt held (WM_SYSCHAR), bits 30 and 31 set for a key going up (WM_KEYUP).
    static constexpr LPARAM kKeyDown = 0x00000001;
    static constexpr LPARAM kKeyUp = static_cast<LPARAM>(0xC0000001u);
    static constexpr LPARAM kAltChar = 0x20000001;
    bool Keyboard(HWND target, UINT message, WPARAM key, LPARAM flags = kKeyDown) {
        MSG msg{target, message, key, flags, 0, {0, 0}};
        const bool used = form_->TranslateKeyboard(msg);
        if (!used) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Pump();
        return used;
    }

    RecordingEvents events_;
    std::unique_ptr<Win32Form> form_;
    std::unique_ptr<Win32Toolkit> toolkit_;
};

}  // namespace toolkit_test
