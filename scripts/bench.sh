#!/usr/bin/env bash
# Reruns the benchmarks (never part of the tests): the scan and the removal on the
# in-memory registry, then the start-up under Wine with 1,000 seeded entries against
# a bare window program.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
tdm_install_missing
[ -f /usr/include/benchmark/benchmark.h ] || apt-get install -y -qq libbenchmark-dev >/dev/null

cmake --preset bench >/dev/null
cmake --build --preset bench -j"$(nproc)" >/dev/null
build/bench/bench/bench_window --benchmark_min_time=0.5

cmake -S . -B build/windows-bench -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DTDM_BENCHMARKS=ON >/dev/null
cmake --build build/windows-bench -j"$(nproc)" --target TalvorinDeviceManager bare_window startup_bench >/dev/null

prefix=$(mktemp -d /tmp/tdm-bench-prefix.XXXXXX)
tdm_wine_env "$prefix"
run() {
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wineserver -w
    wineserver -p >/dev/null 2>&1
    wine rundll32.exe >/dev/null 2>&1 </dev/null || true
    wine build/windows-bench/bench/startup_bench.exe build/windows-bench/TalvorinDeviceManager.exe \
        build/windows-bench/bench/bare_window.exe 1000 7
    wineserver -k >/dev/null 2>&1 || true
}
if [ -z "${DISPLAY:-}" ]; then
    export -f run tdm_wine_env
    xvfb-run -a -s "-screen 0 1600x1200x24" bash -c run
else
    run
fi
rm -rf "$prefix"
