// The yardsticks for start-up under Wine: a window program that does nothing but open
// one empty window of the adapter manager's size and wait to be closed. Started with
// "scan", it first makes the registry calls of the adapter manager's scan of the
// Display class key, in the same order, and nothing else. Built with
// TDM_BARE_COMMON_CONTROLS (and the adapter manager's manifest), it also sets up the
// common controls 6 as the adapter manager does, and creates no control.
//
// Traced like the adapter manager's trace build (TDM_STARTUP_TRACE_FILE), so that the
// starts can be set side by side stage by stage.
#include <windows.h>

#ifdef TDM_BARE_COMMON_CONTROLS
#include <commctrl.h>
#endif

#include <cwchar>
#include <string>

#include "platform/startup_trace.h"
#include "window/frm_list_design.h"

namespace {

// The adapter manager's frame: sizable, caption, system menu, minimise box.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;

const std::string kClassKey = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4d36e968-e325-11ce-bfc1-08002be10318}\\";

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// One value read as the registry object reads it: open, probe with a 4-byte buffer and
// a byte count of 0, read with the size the probe gave, close. Returns the bytes read.
DWORD ReadValue(const std::string& key, const char* name, std::string& buffer) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return 0;
    BYTE probe[4] = {};
    DWORD type = 0;
    DWORD size = 0;
    const LONG rc = RegQueryValueExA(handle, name, nullptr, &type, probe, &size);
    if (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA) {
        buffer.assign(size, '\0');
        RegQueryValueExA(handle, name, nullptr, &type, reinterpret_cast<BYTE*>(&buffer[0]), &size);
    } else {
        size = 0;
    }
    RegCloseKey(handle);
    return size;
}

bool KeyExists(const std::string& key) {
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return false;
    RegCloseKey(handle);
    return true;
}

// A text value of n bytes holds something when it is more than its terminator.
bool HoldsText(DWORD size) {
    return size > 1;
}

// The scan's registry calls: the subkeys of the class key; for each, the name value
// read for the emptiness test, for the keep test and for the row; then each optional
// value after a test that the key is there. Returns the number of entries kept.
int Scan() {
    HKEY classKey = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kClassKey.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &classKey) != ERROR_SUCCESS)
        return 0;
    std::string names;
    char name[512];
    for (DWORD i = 0; RegEnumKeyA(classKey, i, name, sizeof name) == ERROR_SUCCESS; ++i) {
        names.append(name).push_back('\n');
    }
    RegCloseKey(classKey);

    int kept = 0;
    std::string buffer;
    for (size_t start = 0, end; (end = names.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string key = kClassKey + names.substr(start, end - start);
        const char* nameValue = "DriverDesc";
        if (!HoldsText(ReadValue(key, nameValue, buffer))) nameValue = "HardwareInformation.AdapterString";
        if (!HoldsText(ReadValue(key, nameValue, buffer))) continue;
        ++kept;
        ReadValue(key, nameValue, buffer);
        for (const char* optional : {"HardwareInformation.BiosString", "DriverDate", "DriverVersion", "ProviderName"}) {
            if (KeyExists(key)) ReadValue(key, optional, buffer);
        }
    }
    return kept;
}

// The outer size of a window whose client area has the adapter manager's twips.
SIZE OuterSize() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    RECT frame{0, 0, MulDiv(kFrmListDesign.clientWidth, dpi, 1440), MulDiv(kFrmListDesign.clientHeight, dpi, 1440)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand) {
    TDM_TRACE_MARK("process start to WinMain (the program and its DLLs loaded)");
#ifdef TDM_BARE_COMMON_CONTROLS
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    TDM_TRACE_MARK("DLL search and common controls set up");
#endif
    const bool scan = wcsstr(commandLine, L"scan") != nullptr;
    if (scan) {
        Scan();
        TDM_TRACE_MARK("the scan's registry calls");
    }
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"TalvorinBareWindow";
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassW(&windowClass);
    const SIZE size = OuterSize();
    HWND window = CreateWindowExW(0, L"TalvorinBareWindow", L"Bare window", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                  size.cx, size.cy, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    TDM_TRACE_MARK("main window");
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    TDM_TRACE_MARK("show and first paint");
    TDM_TRACE_WRITE();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
