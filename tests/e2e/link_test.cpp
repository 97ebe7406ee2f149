// The web link of the running program: a click on the link or on the logo hands the
// site's address to the shell's handler for https addresses. Wine runs every process
// as an administrator with a split token (TokenElevationTypeFull), so under Wine this
// is the route through the desktop's shell, which Wine's desktop process serves.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32_handles.h"
#include "registry/win32_registry_api.h"
#include "tests/e2e/program_session.h"
#include "window/control_ids.h"

namespace {

const wchar_t kCommandKey[] = L"Software\\Classes\\https\\shell\\open\\command";

// The command the shell runs for an https address, replaced by one that writes the
// address it was given into a file; the platform's own is put back at the end.
class HttpsHandler {
public:
    HttpsHandler() {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        marker_ = std::wstring(temp) + L"tdm-link-opened.txt";
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kCommandKey, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                            key_.Put(), nullptr) != ERROR_SUCCESS) {
            key_.Reset();
            return;
        }
        DWORD size = 0;
        if (RegQueryValueExW(key_.Get(), nullptr, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
            saved_.resize(size);
            RegQueryValueExW(key_.Get(), nullptr, nullptr, nullptr, saved_.data(), &size);
        }
        Set(L"\"" + std::wstring(system) + L"\\cmd.exe\" /c echo %1>\"" + marker_ + L"\"");
        Clear();
    }
    ~HttpsHandler() {
        if (!key_) return;
        if (saved_.empty()) {
            RegDeleteValueW(key_.Get(), nullptr);
        } else {
            RegSetValueExW(key_.Get(), nullptr, 0, REG_SZ, saved_.data(), static_cast<DWORD>(saved_.size()));
        }
        Clear();
    }
    HttpsHandler(const HttpsHandler&) = delete;
    HttpsHandler& operator=(const HttpsHandler&) = delete;

    bool Installed() const { return static_cast<bool>(key_); }
    void Clear() const { DeleteFileW(marker_.c_str()); }
    // The address the handler was started with, once it has written it.
    std::string Opened() const {
        std::string text;
        WaitFor([&] {
            const std::unique_ptr<FILE, int (*)(FILE*)> file(_wfopen(marker_.c_str(), L"rb"), &std::fclose);
            if (!file) return false;
            char chunk[256] = {};
            text.assign(chunk, std::fread(chunk, 1, sizeof chunk, file.get()));
            return text.find('\n') != std::string::npos;
        });
        return text.substr(0, text.find_last_not_of(" \r\n") + 1);
    }

private:
    void Set(const std::wstring& command) const {
        RegSetValueExW(key_.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
    }

    UniqueHkey key_;
    std::vector<BYTE> saved_;
    std::wstring marker_;
};

// Whether this process, started like the program, runs elevated from a split token (TokenElevationTypeFull 2).
bool RunsElevatedFromASplitToken() {
    KernelHandle token;
    DWORD type = 0;
    DWORD size = 0;
    return OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put()) &&
           GetTokenInformation(token.Get(), TokenElevationType, &type, sizeof(type), &size) && type == 2;
}

TEST(WebLink, TheLinkAndTheLogoOpenTheSiteWithTheHttpsHandler) {
    HttpsHandler handler;
    ASSERT_TRUE(handler.Installed());
    ProgramSession session;
    const AppWindow& window = session.Window();
    for (const int id : {kIdLabel2, kIdImage1}) {
        handler.Clear();
        // A click on a static control with SS_NOTIFY: WM_COMMAND to its parent, the
        // control's id in the low word of wParam, STN_CLICKED (0) in the high word and
        // the control's handle in lParam.
        PostMessageW(window.Handle(), WM_COMMAND, MAKEWPARAM(id, 0), reinterpret_cast<LPARAM>(window.Control(id)));
        EXPECT_EQ(handler.Opened(), "https://talvorin.example/") << "control " << id;
    }
    // Elevated (as under Wine), the desktop's shell starts the handler; not elevated, the program.
    EXPECT_EQ(session.Process().Children().empty(), RunsElevatedFromASplitToken());
}

}  // namespace
