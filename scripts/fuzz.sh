#!/usr/bin/env bash
# Runs the fuzzer of the window logic for a bounded time (seconds, default 60),
# starting from the committed seed corpus. New inputs go to a scratch copy, so the
# committed corpus stays as it is.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp fuzz/corpus/* "$work"/
# libFuzzer exits non-zero on a crash, a sanitizer report or an abort.
rc=0
build/fuzz/fuzz/fuzz_window -artifact_prefix=build/fuzz/ -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 "$work" \
    >"$work.log" 2>&1 || rc=$?
grep -E '^(Done|stat::number_of_executed_units|==[0-9]+==|SUMMARY)|ERROR' "$work.log" | head -n 40
rm -f "$work.log"
exit "$rc"
