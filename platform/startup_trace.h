// Timestamps of the stages of the program's start, for the start-up benchmark.
//
// Only a build configured with TDM_STARTUP_TRACE records them; in every other build
// the two macros below are empty and the program holds no trace code at all. The
// traced program appends one line per stage, "<stage>\t<microseconds>", to the file
// named by TDM_STARTUP_TRACE_FILE, and measures its first stage from the performance
// counter value in TDM_STARTUP_TRACE_T0 (the launcher's, taken just before it created
// the process; the counter is the same in every process of the machine).
//
//   TDM_TRACE_MARK(stage)  the time since the previous mark was spent in `stage`
//   TDM_TRACE_SPAN(stage)  the time until the end of this scope was spent in `stage`,
//                          wherever it falls: it is added up over every such scope and
//                          taken out of the mark around it
#pragma once

namespace startup_trace {
// The name of the last line a trace file holds: not a stage but the processor time
// the process has used so far, its threads together, in user and kernel mode. A busy
// machine stretches the stages' times; it barely moves this one.
constexpr const char* kProcessorTime = "processor time of the process to here";
}  // namespace startup_trace

#ifdef TDM_STARTUP_TRACE

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace startup_trace {

struct Stage {
    const char* name;
    LONGLONG ticks;
};

constexpr int kMaxMarks = 16;
constexpr int kMaxSpans = 8;

struct Trace {
    Stage marks[kMaxMarks] = {};
    int markCount = 0;
    Stage spans[kMaxSpans] = {};
    int spanCount = 0;
    LONGLONG last = 0;          // counter at the previous mark
    LONGLONG spannedSince = 0;  // ticks spent in spans since the previous mark
};

inline LONGLONG Now() {
    LARGE_INTEGER now{};
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

inline Trace& Get() {
    static Trace trace;
    if (trace.last == 0) {
        const char* t0 = std::getenv("TDM_STARTUP_TRACE_T0");
        trace.last = t0 != nullptr ? std::strtoll(t0, nullptr, 10) : Now();
    }
    return trace;
}

inline void Mark(const char* name) {
    Trace& trace = Get();
    const LONGLONG now = Now();
    if (trace.markCount < kMaxMarks)
        trace.marks[trace.markCount++] = Stage{name, now - trace.last - trace.spannedSince};
    trace.last = now;
    trace.spannedSince = 0;
}

class Span {
public:
    explicit Span(const char* name) : name_(name), start_(Now()) { Get(); }
    Span(const Span&) = delete;
    Span& operator=(const Span&) = delete;
    ~Span() {
        Trace& trace = Get();
        const LONGLONG spent = Now() - start_;
        trace.spannedSince += spent;
        for (int i = 0; i < trace.spanCount; ++i) {
            if (std::strcmp(trace.spans[i].name, name_) == 0) {
                trace.spans[i].ticks += spent;
                return;
            }
        }
        if (trace.spanCount < kMaxSpans) trace.spans[trace.spanCount++] = Stage{name_, spent};
    }

private:
    const char* name_;
    LONGLONG start_;
};

inline LONGLONG ProcessorTicks100ns() {
    FILETIME created{}, ended{}, kernel{}, user{};
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0;
    auto ticks = [](const FILETIME& time) {
        return static_cast<LONGLONG>((static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    };
    return ticks(kernel) + ticks(user);
}

// Appends the stages recorded so far to the trace file: the marks in their order,
// then the spans, then the processor time.
inline void Write() {
    const char* path = std::getenv("TDM_STARTUP_TRACE_FILE");
    if (path == nullptr) return;
    FILE* file = std::fopen(path, "a");
    if (file == nullptr) return;
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    const Trace& trace = Get();
    auto write = [&](const Stage& stage) {
        std::fprintf(file, "%s\t%.0f\n", stage.name, stage.ticks * 1e6 / static_cast<double>(frequency.QuadPart));
    };
    for (int i = 0; i < trace.markCount; ++i) write(trace.marks[i]);
    for (int i = 0; i < trace.spanCount; ++i) write(trace.spans[i]);
    std::fprintf(file, "%s\t%.0f\n", kProcessorTime, ProcessorTicks100ns() / 10.0);
    std::fclose(file);
}

}  // namespace startup_trace

#define TDM_TRACE_MARK(stage) ::startup_trace::Mark(stage)
#define TDM_TRACE_SPAN(stage) ::startup_trace::Span tdmTraceSpan(stage)
#define TDM_TRACE_WRITE() ::startup_trace::Write()

#else

#define TDM_TRACE_MARK(stage) ((void)0)
#define TDM_TRACE_SPAN(stage) ((void)0)
#define TDM_TRACE_WRITE() ((void)0)

#endif
