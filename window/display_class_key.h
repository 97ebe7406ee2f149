// Where the window looks for display adapters: the Display device class key below
// HKEY_LOCAL_MACHINE. Every helper that seeds or reads adapter entries (tests,
// benchmarks, the fuzzer) names the key through this one definition.
#pragma once

// With its trailing backslash, so that a subkey's path is this text followed directly
// by the subkey's name.
constexpr const wchar_t* kDisplayClassKeyPath =
    L"SYSTEM\\CurrentControlSet\\Control\\Class\\{4d36e968-e325-11ce-bfc1-08002be10318}\\";
