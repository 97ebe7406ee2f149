// Start-up time under Wine: from starting the program to its filled window, with
// 1,000 adapter entries seeded below the real Display class key, set against a bare
// window program that only opens a window. Prints the medians and their ratio.
//
//   startup_bench <TalvorinDeviceManager.exe> <bare_window.exe> [entries] [runs]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tests/display_class_key.h"
#include "tests/e2e/display_class_seed.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Found {
    DWORD processId;
    const wchar_t* className;
    HWND window;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM param) {
    auto* found = reinterpret_cast<Found*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (owner == found->processId && IsWindowVisible(window) && wcscmp(name, found->className) == 0) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

// Starts the program and waits until its window is visible and, for the adapter
// manager, its list holds the expected rows. Returns milliseconds, or -1.
double TimeToWindow(const std::wstring& program, const wchar_t* className, int expectedRows) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + program + L"\"";
    const auto start = Clock::now();
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return -1;
    double elapsed = -1;
    Found found{process.dwProcessId, className, nullptr};
    while (Clock::now() - start < std::chrono::seconds(60)) {
        if (!found.window) EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&found));
        HWND list = found.window && expectedRows > 0 ? GetDlgItem(found.window, 101) : nullptr;
        const bool ready = found.window &&
                           (expectedRows == 0 || (list && SendMessageW(list, LB_GETCOUNT, 0, 0) == expectedRows));
        if (ready) {
            elapsed = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (found.window) PostMessageW(found.window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return elapsed;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

int CountAdapterRows() {
    // Wine's own adapter is there beside the seeded ones.
    HKEY key = nullptr;
    const std::wstring path = DisplayClassKeyW();
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return -1;
    int rows = 0;
    wchar_t name[256];
    for (DWORD i = 0; RegEnumKeyW(key, i, name, 256) == ERROR_SUCCESS; ++i) {
        wchar_t value[512];
        DWORD size = sizeof value;
        const std::wstring subkey = path + L"\\" + name;
        if (RegGetValueW(HKEY_LOCAL_MACHINE, subkey.c_str(), L"DriverDesc", RRF_RT_REG_SZ, nullptr, value, &size) ==
            ERROR_SUCCESS && size > sizeof(wchar_t))
            ++rows;
    }
    RegCloseKey(key);
    return rows;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: startup_bench <program> <bare window program> [entries] [runs]\n");
        return 2;
    }
    const int entries = argc > 3 ? _wtoi(argv[3]) : 1000;
    const int runs = argc > 4 ? _wtoi(argv[4]) : 5;

    DisplayClassSeed seed;
    for (int i = 0; i < entries; ++i) {
        wchar_t subkey[32];
        swprintf(subkey, 32, L"%04d", 1000 + i);
        seed.Add(SeedEntry{subkey,
                           {TextValue(L"DriverDesc", L"Stale Graphics Adapter " + std::to_wstring(i)),
                            TextValue(L"ProviderName", L"Talvorin"), TextValue(L"DriverVersion", L"31.0.15.4601"),
                            TextValue(L"DriverDate", L"6-1-2024"),
                            TextValue(L"HardwareInformation.BiosString", L"Version 1.2")},
                           {}});
    }
    const int rows = CountAdapterRows();

    // One warm-up run of each, so that both find Wine's files in the page cache.
    TimeToWindow(argv[2], L"TalvorinBareWindow", 0);
    TimeToWindow(argv[1], L"TalvorinDeviceManagerWindow", rows);
    std::vector<double> bare, program;
    for (int run = 0; run < runs; ++run) {
        bare.push_back(TimeToWindow(argv[2], L"TalvorinBareWindow", 0));
        program.push_back(TimeToWindow(argv[1], L"TalvorinDeviceManagerWindow", rows));
    }
    const double bareMs = Median(bare), programMs = Median(program);
    std::printf("entries seeded: %d, list rows expected: %d, runs: %d\n", entries, rows, runs);
    std::printf("bare window opened:        %8.1f ms (median)\n", bareMs);
    std::printf("program with filled list:  %8.1f ms (median)\n", programMs);
    std::printf("ratio:                     %8.2f\n", bareMs > 0 ? programMs / bareMs : -1.0);
    return bareMs > 0 && programMs > 0 ? 0 : 1;
}
