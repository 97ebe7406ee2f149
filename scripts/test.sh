#!/usr/bin/env bash
# Runs every test: the host unit tests, the same under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the Windows-side tests under Wine in a throw-away
# prefix on a virtual display (scripts/wine_session.sh); then builds the program a second
# time from a copy in another folder and compares the bytes. Installs what is missing
# first. Ends with one line "N passed, N failed" and exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
source scripts/deps.sh
source scripts/wine_session.sh
tdm_install_missing

jobs=$(nproc 2>/dev/null || echo 2)
passed=0
failed=0
broken=()

# Adds a ctest run's counts to the totals, from its closing summary line.
count_ctest() {
    local log=$1 name=$2 line total bad
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    if [ -z "$line" ]; then
        echo "== $name: no test summary (build or configure failed?)"
        failed=$((failed + 1))
        broken+=("$name")
        return
    fi
    bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    [ "$bad" -eq 0 ] || broken+=("$name")
}

run_preset() {
    local preset=$1 log="$root/build/test-$1.log"
    mkdir -p "$root/build"
    echo "== $preset"
    {
        cmake --preset "$preset" >/dev/null &&
            cmake --build --preset "$preset" -j"$jobs" &&
            ctest --preset "$preset" -j"$jobs"
    } >"$log" 2>&1
    grep -E '\*\*\*(Failed|Timeout|Exception)|Not Run|tests passed|warning:|error:' "$log" | head -n 60
    count_ctest "$log" "$preset"
}

# Formatting and clang-tidy over the product code: one pass or one failure.
mkdir -p "$root/build"
echo "== lint"
if scripts/lint.sh >"$root/build/test-lint.log" 2>&1; then
    passed=$((passed + 1))
    tail -n 1 "$root/build/test-lint.log"
else
    failed=$((failed + 1))
    broken+=(lint)
    grep -E 'error:|warning:|differs' "$root/build/test-lint.log" | head -n 20
fi

run_preset host
run_preset host-sanitize

# The commands' own install step, against stand-ins for id, sudo and apt-get; and their
# Wine session, stopped half-way.
echo "== scripts"
{
    tests/scripts/install_step_test.sh
    tests/scripts/wine_session_test.sh
} >"$root/build/test-scripts.log" 2>&1
grep '^FAIL' "$root/build/test-scripts.log"
script_passed=$(grep -c '^ok ' "$root/build/test-scripts.log")
script_failed=$(grep -c '^FAIL ' "$root/build/test-scripts.log")
# A run that ended before its cases counts as one failure.
[ "$script_passed" -gt 0 ] || [ "$script_failed" -gt 0 ] || script_failed=1
passed=$((passed + script_passed))
failed=$((failed + script_failed))
[ "$script_failed" -eq 0 ] || broken+=(scripts)

# The fuzzer, for about a minute from the committed seeds: one pass or one failure.
echo "== fuzz"
if scripts/fuzz.sh "${TDM_FUZZ_SECONDS:-60}" >"$root/build/test-fuzz.log" 2>&1; then
    passed=$((passed + 1))
    grep -E '^Done' "$root/build/test-fuzz.log"
else
    failed=$((failed + 1))
    broken+=(fuzz)
    tail -n 20 "$root/build/test-fuzz.log"
fi

# Windows side: a fresh prefix and one Wine session for the whole run (on a virtual
# display when there is none), so that the entries the tests seed live as long as the
# programs that read them.
if tdm_session_start --screen 1600x1200x24; then
    run_preset windows
else
    echo "== windows: the Wine session did not start"
    failed=$((failed + 1))
    broken+=(windows)
fi
tdm_session_end

# The program file anyone can reproduce: the same sources, copied to another folder and
# built there into another folder, give the same bytes. The copy has no git history, so
# its time stamp comes from SOURCE_DATE_EPOCH, as in a build from a source archive.
echo "== reproducible"
other=$(mktemp -d /tmp/tdm-rebuild.XXXXXX)
mkdir -p "$other/src"
tar --exclude=./build --exclude=./.git -cf - . | tar -xf - -C "$other/src"
stamp=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null)}
program=TalvorinDeviceManager.exe
if (cd "$other/src" && SOURCE_DATE_EPOCH=$stamp cmake --preset windows -B "$other/build" -DTDM_TESTS=OFF &&
    cmake --build "$other/build" -j"$jobs" --target TalvorinDeviceManager) >"$root/build/test-reproducible.log" 2>&1 &&
    cmp "$root/build/windows/$program" "$other/build/$program" >>"$root/build/test-reproducible.log" 2>&1; then
    passed=$((passed + 1))
    echo "same bytes: $(sha256sum "$other/build/$program" | cut -d' ' -f1)"
else
    failed=$((failed + 1))
    broken+=(reproducible)
    tail -n 20 "$root/build/test-reproducible.log"
fi
rm -rf "$other"

echo
[ "${#broken[@]}" -eq 0 ] || echo "Failing: ${broken[*]} (logs in build/test-*.log)"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
