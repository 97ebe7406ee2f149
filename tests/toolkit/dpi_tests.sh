#!/usr/bin/env bash
# Runs the DPI layout tests (dpi_layout_tests.exe) under Wine at one screen DPI, in a
# Wine prefix and on a virtual display of their own. Wine reads the DPI from the
# prefix (HKCU\Control Panel\Desktop, LogPixels) whenever a program starts, so setting
# it in the prefix that the other Windows tests share would change theirs as well;
# and a display of their own keeps their windows from taking the focus from the
# windows of other tests.
#
#   dpi_tests.sh create PREFIX            makes the prefix
#   dpi_tests.sh run PREFIX DPI PROGRAM   runs the test program at that DPI
#   dpi_tests.sh remove PREFIX            deletes the prefix
set -euo pipefail

action=${1:?create, run or remove}
prefix=${2:?the prefix folder}

export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

xvfb_pid=""
stop() {
    wineserver -k 2>/dev/null || true
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap stop EXIT

# Large enough for the window at 192 dpi: the platform keeps a window within the
# screen's size.
start_display() {
    local number_file
    number_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 2560x1600x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 50); do
        [ -s "$number_file" ] && break
        sleep 0.1
    done
    if [ ! -s "$number_file" ]; then
        rm -f "$number_file"
        echo "Xvfb did not start" >&2
        exit 1
    fi
    export DISPLAY=":$(tr -d '\n' <"$number_file")"
    rm -f "$number_file"
}

case "$action" in
create)
    rm -rf "$prefix"
    mkdir -p "$prefix"
    start_display
    wineboot -i >/dev/null 2>&1
    wineserver -w
    # Wine draws its caption buttons with Marlett; Debian's Wine does not always load
    # it from its own data folder.
    if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
        cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"
    fi
    [ -f "$prefix/system.reg" ] || { echo "wineboot made no prefix in $prefix" >&2; exit 1; }
    # A virtual display has no window manager, and Wine would wait two seconds for one
    # at every window it shows; unmanaged windows are shown at once, with the frame
    # Wine draws itself.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    ;;
run)
    dpi=${3:?the DPI}
    program=${4:?the test program}
    [ -f "$prefix/system.reg" ] || { echo "no prefix in $prefix: run 'create' first" >&2; exit 1; }
    start_display
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    TDM_EXPECTED_DPI="$dpi" wine "$program"
    ;;
remove)
    rm -rf "$prefix"
    ;;
*)
    echo "unknown action $action" >&2
    exit 2
    ;;
esac
