// Start-up time under Wine: from starting the program to its filled window, with a
// number of adapter entries seeded below the real Display class key, set side by side
// with yardsticks started the same way, in the same session and in turn with it: a
// bare window program that only opens a window of the program's size; the same making
// the registry calls of the program's scan before it opens its window; where given,
// the same set up with the program's manifest and common controls; and, where given,
// the program's own window made from its design, with one row and no registry. Each start
// is timed three ways: as the platform sees it from outside, until the process first
// has a visible window and until it first waits for input (WaitForInputIdle); and
// until its window is visible, painted and answering with the list filled. Prints the
// medians and their ratios, and the README's start-up table rows ready to paste.
//
// Given the program's trace build, it then starts that and the yardsticks in turn and
// prints the median time of each stage of their starts, as the README's rows too.
//
// Given another build of the program (--compare, for example one from before a
// change), it starts that in turn too.
//
//   startup_bench --program <exe> --bare <exe> [--bare-controls <exe>] [--design <exe>]
//                 [--traced <exe>] [--compare <exe>] [--entries <n>] [--runs <n>]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/startup_trace.h"
#include "tests/display_class_key.h"
#include "tests/e2e/display_class_seed.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const wchar_t* kProgramClass = L"TalvorinDeviceManagerWindow";
constexpr const wchar_t* kBareClass = L"TalvorinBareWindow";
constexpr const wchar_t* kDesignClass = L"TalvorinDesignWindow";
// The one row the window made from the design shows.
constexpr int kDesignRows = 1;
constexpr DWORD kSettleMs = 300;

// A visible top-level window of a process, of a given class or (className null) any.
struct Found {
    DWORD processId;
    const wchar_t* className;
    HWND window;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM param) {
    auto* found = reinterpret_cast<Found*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != found->processId || !IsWindowVisible(window)) return TRUE;
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (found->className == nullptr || wcscmp(name, found->className) == 0) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

LONGLONG Counter() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// One start, timed from just before the process was created, in ms (-1: never seen):
// as the platform sees it, until the process first has a visible window and until it
// first waits for input (WaitForInputIdle returns); and until its window is visible,
// painted and answering with the list filled.
struct StartTimes {
    double firstVisible = -1;
    double inputIdle = -1;
    double ready = -1;
};

// Starts the program and waits until its window is visible and answers a message:
// every program here answers only once it has shown and painted its window and waits
// for input, so all are timed to the same point. For the adapter manager its list must
// then hold the expected rows. Meanwhile notes when the process first has any visible
// window, and another thread when WaitForInputIdle returns. With a trace file, a
// traced program writes its stages there, timed from the moment just before it is
// created.
StartTimes TimeStart(const std::wstring& program, const std::wstring& arguments, const wchar_t* className,
                     int expectedRows, const std::wstring& traceFile = L"") {
    StartTimes times;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    SetEnvironmentVariableW(L"TDM_STARTUP_TRACE_FILE", traceFile.empty() ? nullptr : traceFile.c_str());
    const auto start = Clock::now();
    SetEnvironmentVariableW(L"TDM_STARTUP_TRACE_T0", std::to_wstring(Counter()).c_str());
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return times;
    std::thread idleWatch([&] {
        if (WaitForInputIdle(process.hProcess, 60000) == 0) times.inputIdle = MillisecondsSince(start);
    });
    Found anyVisible{process.dwProcessId, nullptr, nullptr};
    Found found{process.dwProcessId, className, nullptr};
    while (Clock::now() - start < std::chrono::seconds(60)) {
        if (!anyVisible.window) {
            EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&anyVisible));
            if (!anyVisible.window) {
                // Until the first window shows, look often: that moment is the one measured.
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            times.firstVisible = MillisecondsSince(start);
        }
        if (!found.window) EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&found));
        DWORD_PTR answer = 0;
        const bool answers =
            found.window && SendMessageTimeoutW(found.window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &answer) != 0;
        HWND list = answers && expectedRows > 0 ? GetDlgItem(found.window, 101) : nullptr;
        const bool ready =
            answers && (expectedRows == 0 || (list && SendMessageW(list, LB_GETCOUNT, 0, 0) == expectedRows));
        if (ready) {
            times.ready = MillisecondsSince(start);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    idleWatch.join();
    if (found.window) PostMessageW(found.window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    // The desktop and the display still tidy up after a window that went; the next
    // start should not pay for that.
    Sleep(kSettleMs);
    return times;
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
                ERROR_SUCCESS &&
            size > sizeof(wchar_t))
            ++rows;
    }
    RegCloseKey(key);
    return rows;
}

// One program started in each round, with the times of its starts.
struct Start {
    const char* label;
    const char* column;  // its column in the README's tables; null: it has none
    std::wstring path;
    const wchar_t* arguments;
    const wchar_t* className;
    int rows;
    std::vector<StartTimes> times;

    double Median(double StartTimes::*field) const {
        std::vector<double> values;
        for (const StartTimes& one : times) values.push_back(one.*field);
        return ::Median(values);
    }
    // The median over the rounds of this start's time over another's in the same
    // round: a start is compared with one a few seconds apart, not with a median that
    // may come from a quieter or busier minute of the machine.
    double RatioTo(const Start& other, double StartTimes::*field) const {
        std::vector<double> ratios;
        for (size_t i = 0; i < times.size() && i < other.times.size(); ++i) {
            const double mine = times[i].*field;
            const double theirs = other.times[i].*field;
            if (mine > 0 && theirs > 0) ratios.push_back(mine / theirs);
        }
        return ::Median(ratios);
    }
};

// The stages of traced starts, in the order they were first written, with every
// run's time of each in milliseconds.
struct Stages {
    std::vector<std::string> order;
    std::map<std::string, std::vector<double>> times;

    // Takes in and removes one start's trace file.
    void Read(const std::wstring& path) {
        FILE* file = _wfopen(path.c_str(), L"r");
        char line[256];
        while (file != nullptr && std::fgets(line, sizeof line, file) != nullptr) {
            char* tab = std::strchr(line, '\t');
            if (tab == nullptr) continue;
            const std::string name(line, tab);
            if (times.find(name) == times.end()) order.push_back(name);
            times[name].push_back(std::strtod(tab + 1, nullptr) / 1000.0);
        }
        if (file != nullptr) std::fclose(file);
        DeleteFileW(path.c_str());
    }
    double MedianOf(const std::string& name) const {
        const auto found = times.find(name);
        return found == times.end() ? -1 : Median(found->second);
    }
    // The mean, for a time the platform counts in coarse ticks (Wine: 10 ms), which a
    // median would only round to a tick.
    double MeanOf(const std::string& name) const {
        const auto found = times.find(name);
        if (found == times.end() || found->second.empty()) return -1;
        double sum = 0;
        for (double ms : found->second) sum += ms;
        return sum / static_cast<double>(found->second.size());
    }
};

std::wstring TempFile() {
    wchar_t folder[MAX_PATH + 1];
    wchar_t path[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, folder);
    GetTempFileNameW(folder, L"tdm", 0, path);
    DeleteFileW(path);
    return path;
}

// Starts the program's trace build and the yardsticks in turn and prints the median of
// each stage as the rows of the README's stage table: the program's stages in their
// order, then those only a yardstick has.
void PrintStages(const std::wstring& traced, const std::vector<const Start*>& yardsticks, int rows, int runs) {
    Stages program;
    std::vector<Stages> traces(yardsticks.size());
    const std::wstring file = TempFile();
    for (int run = 0; run < runs; ++run) {
        for (size_t i = 0; i < yardsticks.size(); ++i) {
            const Start& yardstick = *yardsticks[i];
            TimeStart(yardstick.path, yardstick.arguments, yardstick.className, yardstick.rows, file);
            traces[i].Read(file);
        }
        TimeStart(traced, L"", kProgramClass, rows, file);
        program.Read(file);
    }
    // The processor time is no stage: it comes after the sum.
    std::vector<std::string> order = program.order;
    for (const Stages& trace : traces) {
        for (const std::string& name : trace.order) {
            if (std::find(order.begin(), order.end(), name) == order.end()) order.push_back(name);
        }
    }
    order.erase(std::remove(order.begin(), order.end(), std::string(startup_trace::kProcessorTime)), order.end());
    std::printf(
        "\nREADME stage rows (medians of %d traced starts each, in ms; each stage from the end of the one\n"
        "before; fonts are taken out of the stage they fall in):\n",
        runs);
    std::printf("| Stage | Program |");
    for (const Start* yardstick : yardsticks) std::printf(" %s |", yardstick->column);
    std::printf("\n|---|---|");
    for (size_t i = 0; i < yardsticks.size(); ++i) std::printf("---|");
    std::printf("\n");
    std::vector<const Stages*> columns{&program};
    for (const Stages& trace : traces) columns.push_back(&trace);
    std::vector<double> totals(columns.size(), 0.0);
    for (const std::string& name : order) {
        std::printf("| %s |", name.c_str());
        for (size_t c = 0; c < columns.size(); ++c) {
            const double ms = columns[c]->MedianOf(name);
            if (ms < 0) {
                std::printf(" - |");
                continue;
            }
            totals[c] += ms;
            std::printf(" %.1f |", ms);
        }
        std::printf("\n");
    }
    std::printf("| Sum |");
    for (double total : totals) std::printf(" %.1f |", total);
    std::printf("\n| %s (mean) |", startup_trace::kProcessorTime);
    for (const Stages* column : columns) std::printf(" %.1f |", column->MeanOf(startup_trace::kProcessorTime));
    std::printf("\n");
}

struct Measure {
    const char* title;
    const char* row;  // the measure as the README's start-up table names it
    double StartTimes::*field;
};

constexpr Measure kMeasures[] = {
    {"to the first visible window of the process (outside)", "To the first visible window of the process",
     &StartTimes::firstVisible},
    {"to WaitForInputIdle returning (outside)", "To `WaitForInputIdle` returning", &StartTimes::inputIdle},
    {"to the window visible, painted and answering, list filled", "To the filled window, painted and answering",
     &StartTimes::ready},
};

// The yardsticks that have a column in the README's tables, in their order.
std::vector<const Start*> Columns(const std::vector<Start>& starts) {
    std::vector<const Start*> columns;
    for (const Start& start : starts) {
        if (start.column != nullptr) columns.push_back(&start);
    }
    return columns;
}

// The rows of the README's start-up table, ready to paste: the program against each
// yardstick that has a column, each ratio the median of the rounds' ratios.
void PrintReadmeRows(const Start& program, const std::vector<const Start*>& columns, int runs) {
    std::printf("\nREADME rows (medians of %d starts each; each ratio the median of the rounds' ratios):\n", runs);
    std::printf("| Start-up | Program |");
    for (const Start* column : columns) std::printf(" %s | Ratio |", column->column);
    std::printf("\n|---|---|");
    for (size_t i = 0; i < columns.size(); ++i) std::printf("---|---|");
    std::printf("\n");
    for (const Measure& measure : kMeasures) {
        const double p = program.Median(measure.field);
        std::printf("| %s | %.0f ms |", measure.row, p);
        for (const Start* column : columns) {
            const double ms = column->Median(measure.field);
            std::printf(" %.0f ms | %.2fx |", ms, program.RatioTo(*column, measure.field));
        }
        std::printf("\n");
    }
}

// The value after a named option, or the fallback.
std::wstring Option(int argc, wchar_t** argv, const wchar_t* name, const wchar_t* fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (wcscmp(argv[i], name) == 0) return argv[i + 1];
    }
    return fallback;
}

void SeedEntries(DisplayClassSeed& seed, int entries) {
    for (int i = 0; i < entries; ++i) {
        wchar_t subkey[32];
        swprintf(subkey, 32, L"%04d", 1000 + i);
        seed.Add(SeedEntry{
            subkey,
            {TextValue(L"DriverDesc", L"Stale Graphics Adapter " + std::to_wstring(i)),
             TextValue(L"ProviderName", L"Talvorin"), TextValue(L"DriverVersion", L"31.0.15.4601"),
             TextValue(L"DriverDate", L"6-1-2024"), TextValue(L"HardwareInformation.BiosString", L"Version 1.2")},
            {}});
    }
}

// Prints the median of every start for each measure, and the program's ratio to each
// of the others. False when a start was never seen.
bool PrintMedians(const std::vector<Start>& starts, int runs) {
    bool complete = true;
    for (const Measure& measure : kMeasures) {
        std::printf("\n%s, median of %d starts each:\n", measure.title, runs);
        for (const Start& start : starts) {
            const double ms = start.Median(measure.field);
            complete = complete && ms > 0;
            std::printf("  %-56s %8.1f ms\n", (std::string(start.label) + ":").c_str(), ms);
        }
        const double programMs = starts.back().Median(measure.field);
        for (size_t i = 0; i + 1 < starts.size(); ++i) {
            const double ms = starts[i].Median(measure.field);
            std::printf("  program / %-44s %8.2f of the medians, %5.2f within the rounds\n",
                        (std::string(starts[i].label) + ":").c_str(), ms > 0 ? programMs / ms : -1.0,
                        starts.back().RatioTo(starts[i], measure.field));
        }
    }
    return complete;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring programPath = Option(argc, argv, L"--program", L"");
    const std::wstring barePath = Option(argc, argv, L"--bare", L"");
    const std::wstring bareControlsPath = Option(argc, argv, L"--bare-controls", L"");
    const std::wstring designPath = Option(argc, argv, L"--design", L"");
    const std::wstring tracedPath = Option(argc, argv, L"--traced", L"");
    const std::wstring comparePath = Option(argc, argv, L"--compare", L"");
    const int entries = _wtoi(Option(argc, argv, L"--entries", L"1000").c_str());
    const int runs = _wtoi(Option(argc, argv, L"--runs", L"5").c_str());
    if (programPath.empty() || barePath.empty() || runs < 1) {
        std::fprintf(stderr,
                     "usage: startup_bench --program <exe> --bare <exe> [--bare-controls <exe>] [--design <exe>]\n"
                     "                     [--traced <exe>] [--compare <exe>] [--entries <n>] [--runs <n>]\n");
        return 2;
    }

    DisplayClassSeed seed;
    SeedEntries(seed, entries);
    const int rows = CountAdapterRows();

    // What is started in each round, in turn; the program last.
    std::vector<Start> starts{
        {"bare window opened", "Bare window", barePath, L"", kBareClass, 0, {}},
        {"bare window after the scan's registry calls", nullptr, barePath, L"scan", kBareClass, 0, {}},
    };
    if (!bareControlsPath.empty()) {
        starts.push_back({"bare window with common controls 6",
                          "Bare + common controls 6",
                          bareControlsPath,
                          L"",
                          kBareClass,
                          0,
                          {}});
    }
    if (!designPath.empty()) {
        starts.push_back({"same window without the registry",
                          "Same window, no registry",
                          designPath,
                          L"",
                          kDesignClass,
                          kDesignRows,
                          {}});
    }
    if (!comparePath.empty()) {
        starts.push_back({"other build of the program", nullptr, comparePath, L"", kProgramClass, rows, {}});
    }
    starts.push_back({"program with filled list", nullptr, programPath, L"", kProgramClass, rows, {}});

    // One warm-up round, so that all find Wine's files in the page cache.
    for (Start& start : starts) TimeStart(start.path, start.arguments, start.className, start.rows);
    // Each round in another order: turning the same order round would still start
    // each program after the same other one (the program after another build of it,
    // say, whose files the system has just read). A fixed seed gives every run of the
    // benchmark the same orders.
    std::vector<size_t> order(starts.size());
    for (size_t k = 0; k < order.size(); ++k) order[k] = k;
    std::mt19937 shuffler(20);
    for (int run = 0; run < runs; ++run) {
        std::shuffle(order.begin(), order.end(), shuffler);
        for (size_t k : order) {
            Start& start = starts[k];
            start.times.push_back(TimeStart(start.path, start.arguments, start.className, start.rows));
        }
    }
    std::printf("entries seeded: %d, list rows expected: %d, runs: %d, in turn\n", entries, rows, runs);
    const bool complete = PrintMedians(starts, runs);
    PrintReadmeRows(starts.back(), Columns(starts), runs);

    if (!tracedPath.empty()) PrintStages(tracedPath, Columns(starts), rows, runs);
    return complete ? 0 : 1;
}
