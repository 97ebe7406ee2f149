#!/usr/bin/env bash
# Checks the code's formatting against .clang-format and runs clang-tidy (.clang-tidy)
# over the product code: the host build for base/, registry/ and window/, and for the
# in-memory registry that the tests stand on (stand_in/); the MinGW build for the Win32
# side. Any difference or finding fails. Part of the test command.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
status=0

echo "-- clang-format"
mapfile -t sources < <(git ls-files '*.c' '*.cpp' '*.h')
if ! clang-format --dry-run --Werror "${sources[@]}"; then
    echo "Formatting differs: clang-format -i \$(git ls-files '*.c' '*.cpp' '*.h')"
    status=1
fi

# Configures a build tree only for its compile commands.
compile_db() {
    local dir=$1
    shift
    cmake -S "$root" -B "$dir" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DTDM_TESTS=OFF "$@" >"$dir.log" 2>&1 ||
        { cat "$dir.log"; return 1; }
}

# The product's own sources in a compile database.
product_sources() {
    python3 - "$1" "$root" <<'PY'
import json, os, sys
db, root = sys.argv[1], sys.argv[2]
for entry in json.load(open(os.path.join(db, "compile_commands.json"))):
    rel = os.path.relpath(entry["file"], root)
    if rel.split(os.sep)[0] in ("base", "registry", "window", "platform", "stand_in"):
        print(entry["file"])
PY
}

# clang-tidy over one build tree's product sources; extra arguments go to every run.
tidy() {
    local dir=$1
    shift
    local files
    mapfile -t files < <(product_sources "$dir")
    [ "${#files[@]}" -gt 0 ] || { echo "no product sources in $dir"; return 1; }
    printf '%s\n' "${files[@]}" |
        xargs -P "$(nproc 2>/dev/null || echo 2)" -n 1 clang-tidy -p "$dir" --quiet "$@" 2>&1 |
        grep -vE '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$' >"$dir.tidy"
    if grep -qE '(warning|error):' "$dir.tidy"; then
        grep -E '(warning|error):' "$dir.tidy" | sort -u
        return 1
    fi
}

mkdir -p build
echo "-- clang-tidy (host)"
# With the tests configured, so that the stand-in is in the database.
if compile_db build/lint-host -DTDM_TESTS=ON; then
    tidy build/lint-host || status=1
else
    status=1
fi

echo "-- clang-tidy (Windows)"
# clang parses the MinGW build with its own intrinsics and the MinGW C and C++ headers;
# GCC's own intrinsic headers use builtins that clang does not have.
gcc_cxx=$(echo | x86_64-w64-mingw32-g++-posix -E -x c++ - -v 2>&1 | grep -E '^ /.*/include/c\+\+$' | head -n 1 | sed 's/^ //')
mingw_args=(
    --extra-arg-before=--target=x86_64-w64-mingw32
    "--extra-arg-before=-isystem$gcc_cxx"
    "--extra-arg-before=-isystem$gcc_cxx/x86_64-w64-mingw32"
    --extra-arg-before=-isystem/usr/x86_64-w64-mingw32/include
)
if compile_db build/lint-windows -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release; then
    tidy build/lint-windows "${mingw_args[@]}" || status=1
else
    status=1
fi

[ "$status" -eq 0 ] && echo "lint: clean"
exit "$status"
