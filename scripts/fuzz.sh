#!/usr/bin/env bash
# Runs the fuzzer of the window logic for a bounded time (seconds, default 60),
# starting from the committed seed corpus. New inputs go to a scratch copy, so the
# committed corpus stays as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)" >/dev/null
# The scratch corpus and the fuzzer's log in one folder, removed on every way out.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus"
cp fuzz/corpus/* "$work/corpus/"
# libFuzzer exits non-zero on a crash, a sanitizer report or an abort.
rc=0
build/fuzz/fuzz/fuzz_window -artifact_prefix=build/fuzz/ -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    "$work/corpus" >"$work/log" 2>&1 || rc=$?
# A log with none of these lines (the fuzzer did not start) still ends with the
# fuzzer's own status.
{ grep -E '^(Done|stat::number_of_executed_units|==[0-9]+==|SUMMARY)|ERROR' "$work/log" || true; } | head -n 40
exit "$rc"
