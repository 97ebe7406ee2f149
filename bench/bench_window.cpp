// How the scan and the removal scale, on the in-memory registry. The scan is set
// against the same registry calls made bare (no registry object, no window logic) on
// the same data, so the difference is the program's own overhead.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "stand_in/memory_devices.h"
#include "stand_in/memory_registry.h"
#include "tests/display_class_key.h"
#include "tests/unit/fake_toolkit.h"
#include "window/frm_list.h"

namespace {

const std::string kClass = DisplayClassKeyA();
const RegKey kHklm = static_cast<RegKey>(kHkeyLocalMachine);

std::string SubkeyName(int i) {
    char name[16];
    std::snprintf(name, sizeof name, "%04d", i);
    return name;
}

void Seed(MemoryRegistry& registry, int adapters) {
    for (int i = 0; i < adapters; ++i) {
        const std::string key = kClass + "\\" + SubkeyName(i);
        registry.SetString(kHkeyLocalMachine, key, "DriverDesc", "Talvorin Graphics Adapter " + std::to_string(i));
        registry.SetString(kHkeyLocalMachine, key, "ProviderName", "Talvorin");
        registry.SetString(kHkeyLocalMachine, key, "DriverVersion", "31.0.15.4601");
        registry.SetString(kHkeyLocalMachine, key, "DriverDate", "6-1-2024");
        registry.SetString(kHkeyLocalMachine, key, "HardwareInformation.BiosString", "Version 1.2");
    }
}

void BM_FillList(benchmark::State& state) {
    MemoryRegistry registry;
    Seed(registry, static_cast<int>(state.range(0)));
    fake::FakeWindow window;
    frmList form(registry, window.toolkit, window.controls);
    window.Attach(form);
    for (auto _ : state) {
        window.recorder.calls.clear();
        form.FillList();
        benchmark::DoNotOptimize(form.AdapterCount);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// One value read as the registry object makes it: open, probe, read, close.
size_t BareRead(MemoryRegistry& registry, const std::string& key, const char* name, std::string& buffer) {
    RegKey handle = 0;
    if (registry.RegOpenKeyExA(kHklm, key, 0, kKeyQueryValue, &handle) != kErrorSuccess) return 0;
    uint8_t probe[4];
    uint32_t type = 0;
    uint32_t size = 0;
    const int32_t rc = registry.RegQueryValueExA(handle, name, &type, probe, &size);
    if (rc == kErrorSuccess || rc == kErrorMoreData) {
        buffer.assign(size, '\0');
        registry.RegQueryValueExA(handle, name, &type, reinterpret_cast<uint8_t*>(&buffer[0]), &size);
    }
    registry.RegCloseKey(handle);
    return size;
}

bool BareExists(MemoryRegistry& registry, const std::string& key) {
    RegKey handle = 0;
    if (registry.RegOpenKeyExA(kHklm, key, 0, kKeyQueryValue, &handle) != kErrorSuccess) return false;
    registry.RegCloseKey(handle);
    return true;
}

// The scan's registry calls, in the scan's order, and nothing else.
void BM_BareScan(benchmark::State& state) {
    MemoryRegistry registry;
    Seed(registry, static_cast<int>(state.range(0)));
    std::string buffer;
    char name[512];
    for (auto _ : state) {
        size_t total = 0;
        RegKey classKey = 0;
        registry.RegOpenKeyExA(kHklm, kClass + "\\", 0, kKeyEnumerateSubKeys, &classKey);
        for (uint32_t i = 0; registry.RegEnumKeyA(classKey, i, name, sizeof name) == kErrorSuccess; ++i) {
            const std::string key = kClass + "\\" + name;
            for (int read = 0; read < 3; ++read) total += BareRead(registry, key, "DriverDesc", buffer);
            for (const char* optional :
                 {"HardwareInformation.BiosString", "DriverDate", "DriverVersion", "ProviderName"}) {
                if (BareExists(registry, key)) total += BareRead(registry, key, optional, buffer);
            }
        }
        registry.RegCloseKey(classKey);
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// An entry with `keys` keys below it in a tree six levels deep.
void SeedTree(MemoryRegistry& registry, const std::string& entry, int keys) {
    registry.SetString(kHkeyLocalMachine, entry, "DriverDesc", "Stale Adapter");
    int made = 0;
    std::string level1;
    for (int a = 0; made < keys; ++a) {
        std::string path = entry + "\\L" + std::to_string(a);
        for (int depth = 0; depth < 6 && made < keys; ++depth) {
            for (int b = 0; b < 3 && made < keys; ++b, ++made)
                registry.AddKey(kHkeyLocalMachine, path + "\\K" + std::to_string(b));
            path += "\\K0";
        }
    }
}

// Entries of ten keys each: the entry's own and nine below it, three levels deep.
void SeedTenKeyEntry(MemoryRegistry& registry, const std::string& entry) {
    registry.SetString(kHkeyLocalMachine, entry, "DriverDesc", "Stale Adapter");
    for (const char* sub : {"A\\A1\\A2", "A\\A3", "B\\B1\\B2", "C\\C1"})
        registry.AddKey(kHkeyLocalMachine, entry + "\\" + sub);
}

// The removal of entry 0001, made by seedEntry beside two plain entries, timed from the click.
template <typename SeedEntry>
void TimeRemovals(benchmark::State& state, SeedEntry seedEntry) {
    for (auto _ : state) {
        state.PauseTiming();
        MemoryRegistry registry;
        Seed(registry, 3);
        seedEntry(registry, kClass + "\\0001");
        fake::FakeWindow window;
        window.toolkit.unscriptedYesNo = kAnswerYes;
        frmList form(registry, window.toolkit, window.controls);
        window.Attach(form);
        form.FillList();
        window.List1.SetListIndex(1);
        state.ResumeTiming();
        form.RemoveAdapter();
        state.PauseTiming();
        if (registry.HasKey(kHkeyLocalMachine, kClass + "\\0001")) state.SkipWithError("entry not removed");
        state.ResumeTiming();
    }
}

void BM_RemoveAdapter(benchmark::State& state) {
    const int keys = static_cast<int>(state.range(0));
    TimeRemovals(state,
                 [keys](MemoryRegistry& registry, const std::string& entry) { SeedTree(registry, entry, keys); });
    state.SetComplexityN(keys);
}

// The cost per key of one removal of a ten-key entry, the yardstick of "Remove All".
void BM_RemoveAdapterTenKeys(benchmark::State& state) {
    TimeRemovals(state, SeedTenKeyEntry);
    state.counters["s_per_key"] = benchmark::Counter(static_cast<double>(state.iterations()) * 10,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// "Remove All" over stale entries of ten keys each beside the one in use: one question,
// every entry through the single removal's procedure, one scan at the end.
void BM_RemoveAll(benchmark::State& state) {
    const int entries = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        MemoryRegistry registry;
        Seed(registry, 1);
        for (int i = 1; i <= entries; ++i) SeedTenKeyEntry(registry, kClass + "\\" + SubkeyName(i));
        MemoryDevices devices;
        devices.devices = {{L"{4D36E968-E325-11CE-BFC1-08002BE10318}\\0000", true}};
        fake::FakeWindow window;
        window.toolkit.unscriptedYesNo = kAnswerYes;
        frmList form(registry, window.toolkit, window.controls, &devices);
        window.Attach(form);
        form.FillList();
        state.ResumeTiming();
        form.RemoveAll();
        state.PauseTiming();
        if (form.AdapterCount != 1) state.SkipWithError("stale entries left");
        state.ResumeTiming();
    }
    state.counters["s_per_key"] = benchmark::Counter(static_cast<double>(state.iterations()) * 10 * entries,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_RemoveAdapterTenKeys)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RemoveAll)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FillList)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareScan)->Arg(10)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RemoveAdapter)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

BENCHMARK_MAIN();
