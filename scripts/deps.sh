# Installs the Debian packages the build and the tests need, where any is missing.
# Sourced by every command; runs apt-get only when something is absent.
tdm_install_missing() {
    local need=()
    command -v cmake >/dev/null || need+=(cmake)
    command -v g++ >/dev/null || need+=(g++)
    command -v make >/dev/null || need+=(make)
    command -v clang-format >/dev/null || need+=(clang-format)
    command -v clang-tidy >/dev/null || need+=(clang-tidy)
    command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64-posix)
    command -v x86_64-w64-mingw32-windres >/dev/null || need+=(binutils-mingw-w64-x86-64)
    command -v wine >/dev/null || need+=(wine wine64)
    # Wine's preloader reserves the fixed Windows ranges (0x7ffe0000, the shared user
    # data, among them) before Linux maps anything into the process. Without it, the
    # kernel's heap, placed at random within 1 GB above Wine's loader, now and then
    # takes that range and the program dies at its start, before any output.
    [ -e /usr/lib/wine/wine64-preloader ] || need+=(wine64-preloader)
    command -v Xvfb >/dev/null || need+=(xvfb)
    command -v iconv >/dev/null || need+=(libc-bin)
    command -v xdotool >/dev/null || need+=(xdotool)
    # import (ImageMagick's screen grab) crops the demo's screenshots; GraphicsMagick
    # has a command of the same name.
    command -v import >/dev/null && import -version 2>/dev/null | grep -q ImageMagick || need+=(imagemagick)
    command -v python3 >/dev/null || need+=(python3)
    [ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
    command -v clang++ >/dev/null || need+=(clang)
    ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1 || need+=(libclang-rt-dev)
    # With their recommended packages: Wine draws with XRender, XRandR and its own
    # fonts, and the window's look and sizes depend on them.
    [ "${#need[@]}" -eq 0 ] || tdm_install_packages "${need[@]}"
}

# Installs the given Debian packages: as root directly, otherwise through sudo. Without
# root and without sudo it stops the command with one line that names the packages and
# how to install them.
tdm_install_packages() {
    local as_root=()
    if [ "$(id -u)" != 0 ]; then
        if ! command -v sudo >/dev/null; then
            echo "Missing packages: $*. Install them as root with: apt-get install $*" >&2
            exit 1
        fi
        as_root=(sudo)
    fi
    echo "Installing: $*"
    ${as_root[@]+"${as_root[@]}"} env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    ${as_root[@]+"${as_root[@]}"} env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$@" >/dev/null
}

# A private Wine prefix for this run: never the user's own.
tdm_wine_env() {
    export WINEPREFIX="$1"
    export WINEDEBUG="${WINEDEBUG:--all}"
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    mkdir -p "$WINEPREFIX"
}
