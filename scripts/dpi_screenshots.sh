#!/usr/bin/env bash
# Screenshots of the program's window at 96, 144 and 192 dots per inch: builds
# TalvorinDeviceManager.exe with the windows preset, starts it under Wine on a virtual
# display in a demo prefix of its own (build/dpi-demo-prefix, never ~/.wine), with the
# same stale sample adapter entries as the run command, and saves the window, cropped,
# to build/screenshot-96dpi.png, build/screenshot-144dpi.png and
# build/screenshot-192dpi.png. Installs missing Debian packages first (as root).
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

# A display of its own, large enough for the window at 192 dpi (the platform keeps a
# window within the screen); one session for all three: the DPI is read by every
# program when it starts.
tdm_session_start --screen 2560x1600x24 --own-display --marlett --prefix "$root/build/dpi-demo-prefix"
demo_prepare_session 1

for dpi in 96 144 192; do
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wine "$exe" >/dev/null 2>&1 &
    demo_screenshot_and_close $! "$root/build/screenshot-${dpi}dpi.png"
done

mkdir -p "$root/docs"
cp "$root/build/screenshot-96dpi.png" "$root/build/screenshot-144dpi.png" "$root/docs/"
echo "Copied the 96 and 144 dpi screenshots to docs/"
