// The window under test with an in-memory registry and the scripted toolkit, and
// helpers to seed adapter entries below the Display class key.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stand_in/memory_devices.h"
#include "stand_in/memory_registry.h"
#include "tests/display_class_key.h"
#include "tests/support/text.h"
#include "tests/unit/fake_toolkit.h"
#include "window/frm_list.h"

namespace window_test {

// The Display class key below HKEY_LOCAL_MACHINE, without its trailing backslash.
inline const std::string kClass = DisplayClassKeyA();

// UTF-16LE bytes of text, as a binary adapter string is stored.
inline std::vector<uint8_t> Utf16(const std::wstring& text) {
    std::vector<uint8_t> bytes;
    for (wchar_t c : text) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>((c >> 8) & 0xFF));
    }
    return bytes;
}

class FrmListTest : public ::testing::Test {
protected:
    FrmListTest() {
        registry.AddKey(kHkeyLocalMachine, kClass);
        window.Attach(form);
    }
    // Every scan and removal closes what it opens.
    void TearDown() override {
        EXPECT_EQ(registry.OpenHandleCount(), 0u) << "a registry key was left open";
        EXPECT_EQ(devices.OpenSetCount(), 0u) << "a device set was left open";
    }

    static std::string Key(const std::string& subkey) { return kClass + "\\" + subkey; }

    void AddKey(const std::string& subkey) { registry.AddKey(kHkeyLocalMachine, Key(subkey)); }
    void SetText(const std::string& subkey, const std::string& name, const std::string& text) {
        registry.SetString(kHkeyLocalMachine, Key(subkey), name, text);
    }
    void SetBytes(const std::string& subkey, const std::string& name, uint32_t type, std::vector<uint8_t> data) {
        registry.SetValue(kHkeyLocalMachine, Key(subkey), name, type, std::move(data));
    }
    // An adapter entry with its description only.
    void AddAdapter(const std::string& subkey, const std::string& description) {
        AddKey(subkey);
        SetText(subkey, "DriverDesc", description);
    }

    // The entry a user picks: sets the row, which runs the click handler.
    void Select(int32_t row) { window.List1.SetListIndex(row); }

    std::vector<fake::FakeToolkit::Box>& Boxes() { return window.toolkit.boxes; }
    std::vector<std::wstring>& Rows() { return window.List1.rows; }
    bool HasKey(const std::string& subkey) const { return registry.HasKey(kHkeyLocalMachine, Key(subkey)); }

    MemoryRegistry registry;
    MemoryDevices devices;
    fake::FakeWindow window;
    frmList form{registry, window.toolkit, window.controls, &devices};
};

}  // namespace window_test
