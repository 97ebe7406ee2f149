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
cd "$(dirname "$0")/../.."
source scripts/deps.sh
source scripts/wine_session.sh

action=${1:?create, run or remove}
prefix=${2:?the prefix folder}

# Large enough for the window at 192 dpi: the platform keeps a window within the
# screen's size.
start_session() {
    tdm_session_start --screen 2560x1600x24 --own-display --marlett --prefix "$prefix"
}

case "$action" in
create)
    rm -rf "$prefix"
    start_session
    ;;
run)
    dpi=${3:?the DPI}
    program=${4:?the test program}
    [ -f "$prefix/system.reg" ] || { echo "no prefix in $prefix: run 'create' first" >&2; exit 1; }
    start_session
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
