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
source scripts/demo.sh
tdm_install_missing

cmake --preset windows >/dev/null
cmake --build --preset windows -j2 --target TalvorinDeviceManager
exe="$root/build/windows/TalvorinDeviceManager.exe"

tdm_wine_env "$root/build/demo-prefix"
trap demo_cleanup EXIT

headless=0
if [ -z "${DISPLAY:-}" ]; then
    demo_start_virtual_display 1024x768x24
    headless=1
fi
demo_prepare_session "$headless"

if [ "$headless" = 0 ]; then
    echo "Starting $exe"
    wine "$exe"
    exit 0
fi
wine "$exe" >/dev/null 2>&1 &
demo_screenshot_and_close $! "$root/build/screenshot.png"
echo "Program ended"
