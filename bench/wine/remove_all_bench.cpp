// "Remove All" on the real registry functions under Wine, against the removal of one
// entry: stale entries of ten keys each are written below the Display class key, the
// window's logic removes them with the real presence of the platform's devices, and the
// time per key of each is printed. The window is the test's scripted stand-in; the
// registry, the devices and the deletions are the platform's.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/win32_device_setup_api.h"
#include "registry/win32_registry_api.h"
#include "tests/unit/fake_toolkit.h"
#include "window/display_class_key.h"
#include "window/frm_list.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kKeysPerEntry = 10;

std::wstring EntryName(int i) {
    wchar_t name[16];
    std::swprintf(name, 16, L"%04d", i);
    return name;
}

// The entry's own key and nine below it, three levels deep.
bool SeedEntry(const std::wstring& subkey) {
    const std::wstring entry = std::wstring(kDisplayClassKeyPath) + subkey;
    for (const wchar_t* sub : {L"\\A\\A1\\A2", L"\\A\\A3", L"\\B\\B1\\B2", L"\\C\\C1"}) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, (entry + sub).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
    }
    const wchar_t name[] = L"Stale Adapter";
    return RegSetKeyValueW(HKEY_LOCAL_MACHINE, entry.c_str(), L"DriverDesc", REG_SZ, name, sizeof name) ==
           ERROR_SUCCESS;
}

double Microseconds(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// One removal of a ten-key entry through "&Remove Adapter", timed from the click.
double SingleRemoval(Win32RegistryApi& registry, Win32DeviceSetupApi& devices) {
    if (!SeedEntry(L"9000")) return -1;
    fake::FakeWindow window;
    window.toolkit.unscriptedYesNo = kAnswerYes;
    frmList form(registry, window.toolkit, window.controls, &devices);
    window.Attach(form);
    form.FillList();
    const auto row = std::find(window.List1.rows.begin(), window.List1.rows.end(), L"Stale Adapter");
    window.List1.SetListIndex(static_cast<int32_t>(row - window.List1.rows.begin()));
    const Clock::time_point start = Clock::now();
    form.RemoveAdapter();
    return Microseconds(Clock::now() - start);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int entries = argc > 1 ? _wtoi(argv[1]) : 1000;
    const int singles = argc > 2 ? _wtoi(argv[2]) : 21;
    Win32RegistryApi registry;
    Win32DeviceSetupApi devices;

    std::vector<double> single;
    for (int i = 0; i < singles; ++i) single.push_back(SingleRemoval(registry, devices));
    std::sort(single.begin(), single.end());
    const double singlePerKey = single[single.size() / 2] / kKeysPerEntry;

    for (int i = 1; i <= entries; ++i) {
        if (!SeedEntry(EntryName(1000 + i))) {
            std::fprintf(stderr, "could not write the entries\n");
            return 1;
        }
    }
    fake::FakeWindow window;
    window.toolkit.unscriptedYesNo = kAnswerYes;
    frmList form(registry, window.toolkit, window.controls, &devices);
    window.Attach(form);
    form.FillList();
    const Clock::time_point start = Clock::now();
    form.RemoveAll();
    const double all = Microseconds(Clock::now() - start);
    const double allPerKey = all / (static_cast<double>(entries) * kKeysPerEntry);

    std::printf("single removal of a %d-key entry: %.0f us, %.1f us per key (median of %d)\n", kKeysPerEntry,
                single[single.size() / 2], singlePerKey, singles);
    std::printf(
        "Remove All of %d entries of %d keys: %.0f ms, %.1f us per key, %.2fx the single removal's; "
        "%d entries left listed\n",
        entries, kKeysPerEntry, all / 1000, allPerKey, allPerKey / singlePerKey, form.AdapterCount);
    return form.AdapterCount == 1 ? 0 : 1;
}
