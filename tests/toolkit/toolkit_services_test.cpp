// The Win32 toolkit's services: the version numbers, the system folder, the shell and
// the desktop's shell, the elevation type, the device-installation functions, the
// functions found at run time, starting programs, message boxes, and ending.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "base/app_error.h"
#include "platform/win32_device_setup_api.h"
#include "platform/win32_dyn_calls.h"
#include "platform/win32_form.h"
#include "platform/win32_handles.h"
#include "platform/win32_toolkit.h"
#include "tests/toolkit/win32_toolkit_fixture.h"
#include "window/adapter_presence.h"
#include "window/display_class_key.h"
#include "window/frm_list_design.h"

namespace toolkit_test {
namespace {

TEST_F(Win32ToolkitTest, VersionNumbersComeFromTheProgramsVersionResource) {
    EXPECT_EQ(toolkit_->VersionMajor(), TDM_PROJECT_VERSION_MAJOR);
    EXPECT_EQ(toolkit_->VersionMinor(), TDM_PROJECT_VERSION_MINOR);
    EXPECT_EQ(toolkit_->VersionRevision(), TDM_PROJECT_VERSION_PATCH);
}

TEST_F(Win32ToolkitTest, SystemDirectoryIsAnExistingFolderWithoutTrailingBackslash) {
    const std::wstring folder = toolkit_->SystemDirectory();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), L'\\');
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A marker file that a started "cmd.exe /c echo" writes, removed again by the case.
class Marker {
public:
    explicit Marker(const wchar_t* name) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + name;
        DeleteFileW(path_.c_str());
    }
    ~Marker() { DeleteFileW(path_.c_str()); }
    std::wstring EchoArguments() const { return L"/c echo opened>\"" + path_ + L"\""; }
    bool Appears() const {
        for (int i = 0; i < 200; ++i) {
            if (GetFileAttributesW(path_.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
            Sleep(50);
        }
        return false;
    }

private:
    std::wstring path_;
};

TEST_F(Win32ToolkitTest, TheShellIsLoadedWhenADocumentIsFirstOpenedAndOpensIt) {
    // The window is shown without the shell, a good part of a start; the first
    // document opened loads it.
    EXPECT_EQ(GetModuleHandleW(L"shell32.dll"), nullptr);
    const Marker marker(L"tdm-shell-opened.txt");
    toolkit_->OpenWithShell(L"Open", toolkit_->SystemDirectory() + L"\\cmd.exe", marker.EchoArguments(), L"", SW_HIDE);
    EXPECT_NE(GetModuleHandleW(L"shell32.dll"), nullptr);
    EXPECT_TRUE(marker.Appears()) << "the command was not started";
}

TEST_F(Win32ToolkitTest, ElevationTypeIsTheTokensAsDocumented) {
    // GetTokenInformation(TokenElevationType) fills a TOKEN_ELEVATION_TYPE, an enum of 4
    // bytes: 1 default, 2 full, 3 limited. Too small a buffer fails with
    // ERROR_INSUFFICIENT_BUFFER (122) and reports the 4 bytes needed.
    KernelHandle token;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put()));
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_FALSE(GetTokenInformation(token.Get(), TokenElevationType, &type, 0, &size));
    EXPECT_EQ(GetLastError(), 122u);
    EXPECT_EQ(size, 4u);
    ASSERT_TRUE(GetTokenInformation(token.Get(), TokenElevationType, &type, 4, &size));
    EXPECT_EQ(size, 4u);
    EXPECT_GE(type, 1u);
    EXPECT_LE(type, 3u);
    EXPECT_EQ(toolkit_->ElevationType(), static_cast<int32_t>(type));
}

TEST_F(Win32ToolkitTest, TheDesktopsShellOpensADocument) {
    // Wine's desktop process (explorer.exe, on every display) serves the shell windows as
    // Explorer does; without it, 0x80040154 (REGDB_E_CLASSNOTREG): the program opens it.
    const Marker marker(L"tdm-desktop-opened.txt");
    const bool taken = toolkit_->OpenWithDesktopShell(L"Open", toolkit_->SystemDirectory() + L"\\cmd.exe",
                                                      marker.EchoArguments(), L"", SW_HIDE);
    std::printf("the desktop's shell %s the document\n", taken ? "took" : "did not take");
    EXPECT_TRUE(taken) << "no desktop's shell";
    EXPECT_TRUE(marker.Appears()) << "not opened";
}

TEST(DeviceSetup, ThePresentDisplayDevicesNameTheirDriverKeysAsDocumented) {
    Win32DeviceSetupApi api;
    // SetupDiGetClassDevsW(GUID_DEVCLASS_DISPLAY, nullptr, nullptr, DIGCF_PRESENT 0x2): a set,
    // not INVALID_HANDLE_VALUE.
    int32_t error = -1;
    const DeviceInfoSet set = api.GetClassDevs(kDisplayClassGuid, 0x2, &error);
    ASSERT_NE(set, 0) << error;
    EXPECT_NE(GetModuleHandleW(L"setupapi.dll"), nullptr);
    // SP_DEVINFO_DATA: cbSize 32 on 64-bit Windows; SPDRP_DRIVER (9) is a REG_SZ (1); too
    // small a buffer gives 122 (ERROR_INSUFFICIENT_BUFFER) and the size in bytes with the
    // terminator; past the last device, 259 (ERROR_NO_MORE_ITEMS).
    DeviceInfoData device;
    EXPECT_EQ(device.size, 32u);
    ASSERT_EQ(0, api.EnumDeviceInfo(set, 0, &device));
    uint8_t small[2] = {};
    uint32_t type = 0;
    uint32_t required = 0;
    EXPECT_EQ(122, api.GetDeviceRegistryProperty(set, device, 9, &type, small, 2, &required));
    std::vector<uint8_t> bytes(required);
    ASSERT_EQ(0, api.GetDeviceRegistryProperty(set, device, 9, &type, bytes.data(), required, &required));
    EXPECT_EQ(type, 1u);
    const std::wstring driverKey(reinterpret_cast<const wchar_t*>(bytes.data()));
    EXPECT_EQ(required, (driverKey.size() + 1) * 2);
    // Wine spells the class GUID in capitals; Windows writes it in lower case.
    EXPECT_EQ(driverKey.rfind(L"{4D36E968-E325-11CE-BFC1-08002BE10318}\\", 0), 0u) << testing::PrintToString(driverKey);
    // SetupDiGetDeviceInstanceIdW: too small a buffer gives 122 and the size in characters
    // with the terminator; then the ID itself.
    wchar_t none[1] = {};
    uint32_t idChars = 0;
    EXPECT_EQ(122, api.GetDeviceInstanceId(set, device, none, 1, &idChars));
    std::vector<wchar_t> id(idChars);
    ASSERT_EQ(0, api.GetDeviceInstanceId(set, device, id.data(), idChars, &idChars));
    EXPECT_EQ(std::wstring(id.data()).size() + 1, idChars);
    uint32_t index = 1;
    while (api.EnumDeviceInfo(set, index, &device) == 0) ++index;
    EXPECT_EQ(259, api.EnumDeviceInfo(set, index, &device));
    api.DestroyDeviceInfoList(set);
    // Wine's own adapter uses entry 0000, and every device is present under Wine.
    std::vector<DisplayDevice> devices;
    ASSERT_TRUE(DisplayDevices(&api, devices));
    const std::wstring entry = kDisplayClassKeyPath + std::wstring(L"0000");
    EXPECT_EQ(UseOf(devices, entry), EntryUse::InUse);
}

TEST(DynCalls, EveryFunctionOfTheListIsFoundWhereThePlatformHasIt) {
    // Wine 8, like Windows 10 (1607) and later, has every function of the list: none may
    // be left null, or the program would quietly fall back to the system's DPI or leave
    // the DLL search as it is. COM and the shell only once they are loaded.
    EXPECT_EQ(GetModuleHandleW(L"shell32.dll"), nullptr);
#define TDM_EXPECT_FOUND(name) EXPECT_NE(Dyn##name, nullptr) << #name;
    TDM_KERNEL32_CALLS(TDM_EXPECT_FOUND)
    TDM_USER32_CALLS(TDM_EXPECT_FOUND)
    LoadShellCalls();
    TDM_OLE32_CALLS(TDM_EXPECT_FOUND)
    TDM_OLEAUT32_CALLS(TDM_EXPECT_FOUND)
    TDM_SHELL32_CALLS(TDM_EXPECT_FOUND)
    LoadSetupCalls();
    TDM_SETUPAPI_CALLS(TDM_EXPECT_FOUND)
#undef TDM_EXPECT_FOUND
}

TEST(CommandLine, QuotesTheProgramPathAndAppendsTheArguments) {
    struct Case {
        const wchar_t* path;
        const wchar_t* arguments;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"C:\\Windows\\system32\\shutdown.exe", L"-r -t 00", L"\"C:\\Windows\\system32\\shutdown.exe\" -r -t 00"},
        {L"C:\\Program Files\\x.exe", L"", L"\"C:\\Program Files\\x.exe\""},
    };
    for (const Case& c : cases) EXPECT_EQ(CommandLineFor(c.path, c.arguments), c.expected);
}

TEST_F(Win32ToolkitTest, StartProgramNeedsTheProgramsFullPath) {
    // A bare name is not looked up along the search path: from a folder without
    // cmd.exe, "cmd.exe" is not found although the system folder holds it.
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    SetCurrentDirectoryW(temp);
    for (const std::wstring& path :
         {std::wstring(L"cmd.exe"), toolkit_->SystemDirectory() + L"\\no-such-program.exe"}) {
        try {
            toolkit_->StartProgram(path, L"/c exit 0", kShowMinimizedFocus);
            ADD_FAILURE() << "started " << std::string(path.begin(), path.end());
        } catch (const AppError& error) {
            EXPECT_EQ(error.Number(), 53);
        }
    }
    SetCurrentDirectoryW(previous);
    EXPECT_NO_THROW(
        toolkit_->StartProgram(toolkit_->SystemDirectory() + L"\\cmd.exe", L"/c exit 0", kShowMinimizedFocus));

    // With STARTF_USESHOWWINDOW (0x1), STARTUPINFOW's wShowWindow is the show command of
    // the program's first ShowWindow; kShowMinimizedFocus is SW_SHOWMINIMIZED (2).
    toolkit_->StartProgram(toolkit_->SystemDirectory() + L"\\notepad.exe", L"", kShowMinimizedFocus);
    HWND started = nullptr;
    for (int i = 0; i < 200 && !IsWindowVisible(started); ++i) {
        Sleep(50);
        started = FindWindowW(L"Notepad", nullptr);
    }
    ASSERT_NE(started, nullptr);
    EXPECT_TRUE(IsIconic(started));
    PostMessageW(started, WM_CLOSE, 0, 0);
}

TEST_F(Win32ToolkitTest, AMessageBoxWithoutTitleCarriesTheApplicationsTitle) {
    struct Case {
        const wchar_t* title;
        int32_t style;
        const wchar_t* shownTitle;
        WPARAM button;
        int32_t answer;
    };
    const Case cases[] = {
        {L"", kMbOkOnly, L"TalvorinDeviceManager", IDOK, kAnswerOk},
        {L"Reboot recommended", kMbYesNo, L"Reboot recommended", IDNO, kAnswerNo},
        {L"Registry Changes", kMbYesNo, L"Registry Changes", IDYES, kAnswerYes},
    };
    for (const Case& c : cases) {
        std::atomic<bool> found{false};
        std::atomic<bool> windowDisabled{false};
        std::thread presser([&] {
            for (int i = 0; i < 400 && !found; ++i) {
                HWND box = FindWindowW(L"#32770", c.shownTitle);
                if (box != nullptr) {
                    found = true;
                    windowDisabled = !IsWindowEnabled(form_->Handle());
                    PostMessageW(box, WM_COMMAND, c.button, 0);
                }
                Sleep(25);
            }
        });
        const int32_t answer = toolkit_->MsgBox(L"Prompt", c.style, c.title);
        presser.join();
        EXPECT_TRUE(found) << "no box titled as expected";
        EXPECT_TRUE(windowDisabled) << "modal to the window";
        EXPECT_EQ(answer, c.answer);
    }
}

TEST_F(Win32ToolkitTest, EndProcessEndsTheMessageLoopWhichHandlesTheKeyboardOnTheWay) {
    ShowAndFocusList();
    PostMessageW(Child(kList1), WM_KEYDOWN, VK_TAB, kKeyDown);
    toolkit_->EndProcess();
    EXPECT_EQ(RunMessageLoop(*form_), 0);
    EXPECT_EQ(GetFocus(), Child(kText1)) << "Tab moved the focus";
}

}  // namespace
}  // namespace toolkit_test
