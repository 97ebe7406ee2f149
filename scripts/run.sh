#!/usr/bin/env bash
# Builds TalvorinDeviceManager.exe with the windows preset and starts it under Wine in
# the project's own demo prefix (build/demo-prefix, never ~/.wine), where a few stale
# sample adapter entries sit beside Wine's own adapter.
#
# With a display it simply runs the program until it is closed. Without one it starts
# a virtual display, waits for the window, saves a screenshot to build/screenshot.png
# and closes the program again. Installs missing Debian packages first (as root).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
source scripts/deps.sh
source scripts/wine_session.sh
source scripts/demo.sh
tdm_install_missing

cmake --preset windows >/dev/null
cmake --build --preset windows -j2 --target TalvorinDeviceManager
exe="$root/build/windows/TalvorinDeviceManager.exe"

[ -f "$root/build/demo-prefix/system.reg" ] || echo "Creating the demo Wine prefix in $root/build/demo-prefix"
tdm_session_start --screen 1024x768x24 --marlett --prefix "$root/build/demo-prefix"
headless=0
[ -z "$tdm_session_xvfb_pid" ] || headless=1
demo_prepare_session "$headless"

if [ "$headless" = 0 ]; then
    echo "Starting $exe"
    wine "$exe"
    exit 0
fi
wine "$exe" >/dev/null 2>&1 &
demo_screenshot_and_close $! "$root/build/screenshot.png"
echo "Program ended"
