#!/usr/bin/env bash
# Reruns the benchmarks (never part of the tests): the scan and the removal on the
# in-memory registry, then the start-up under Wine against bare window programs of the
# same size and against the program's own window made from its design without the
# registry, with only Wine's own adapter and with 1,000 seeded entries, and the time
# of each stage of the start from the program's trace build; then "Remove All" of
# 1,000 stale entries on the real registry against the single removal. Without a display it
# runs on a virtual one (scripts/wine_session.sh). Installs what is missing first.
#
#   scripts/bench.sh [runs]     runs of each start, in turn (default 11)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
source scripts/wine_session.sh
runs=${1:-11}

tdm_install_missing
[ -f /usr/include/benchmark/benchmark.h ] || tdm_install_packages libbenchmark-dev

cmake --preset bench >/dev/null
cmake --build --preset bench -j2 >/dev/null
build/bench/bench/bench_window --benchmark_min_time=0.5

# The program as it ships, the yardsticks and the start-up driver; and the program
# once more, built to write the times of its stages.
cmake --no-warn-unused-cli -S . -B build/windows-bench -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DTDM_BENCHMARKS=ON >/dev/null
cmake --build build/windows-bench -j2 \
    --target TalvorinDeviceManager bare_window bare_window_controls design_window startup_bench remove_all_bench >/dev/null
cmake --no-warn-unused-cli -S . -B build/windows-trace -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DTDM_TESTS=OFF -DCMAKE_CXX_FLAGS=-DTDM_STARTUP_TRACE >/dev/null
cmake --build build/windows-trace -j2 --target TalvorinDeviceManager >/dev/null

# One Wine session for every start: the seeded entries live as long as it.
tdm_session_start --screen 1600x1200x24
bench=build/windows-bench
for entries in 0 1000; do
    echo
    echo "== start-up with $entries seeded entries beside Wine's own adapter"
    wine "$bench/bench/startup_bench.exe" --program "$bench/TalvorinDeviceManager.exe" \
        --bare "$bench/bench/bare_window.exe" --bare-controls "$bench/bench/bare_window_controls.exe" \
        --design "$bench/bench/design_window.exe" \
        --traced build/windows-trace/TalvorinDeviceManager.exe --entries "$entries" --runs "$runs"
done
echo
echo "== Remove All of 1,000 stale entries of 10 keys, against the single removal"
wine "$bench/bench/remove_all_bench.exe" 1000 21
tdm_session_end
echo
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
