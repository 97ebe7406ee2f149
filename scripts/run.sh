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
tdm_install_missing

cmake --preset windows >/dev/null
cmake --build --preset windows -j2 --target TalvorinDeviceManager
exe="$root/build/windows/TalvorinDeviceManager.exe"
screenshot="$root/build/screenshot.png"
window_name="Talvorin Device Manager"
class_key='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{4d36e968-e325-11ce-bfc1-08002be10318}'

tdm_wine_env "$root/build/demo-prefix"

xvfb_pid=""
cleanup() {
    wineserver -k 2>/dev/null || true
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    rm -f "$root/build/demo-seed.reg"
}
trap cleanup EXIT

# A virtual display of our own when there is none; Xvfb picks a free number.
start_virtual_display() {
    local number_file="$root/build/demo-display"
    rm -f "$number_file"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 50); do
        [ -s "$number_file" ] && break
        sleep 0.2
    done
    [ -s "$number_file" ] || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(tr -d '\n' <"$number_file")"
    rm -f "$number_file"
}

# Text as the hex bytes of a UTF-16LE string with its terminating NUL, the way the
# platform stores a binary adapter string.
utf16_hex() {
    printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 | tr -s ' \n' ',,' | sed 's/^,//'
    printf '00,00'
}

# Sample entries of adapters that are long gone, as Windows leaves them behind: full
# driver entries, one that only carries the binary adapter string, and a settings key
# without any name that the program passes over.
write_seed_file() {
    cat <<EOF
Windows Registry Editor Version 5.00

[$class_key\\0001]
"DriverDesc"="NVIDIA GeForce GTX 970"
"ProviderName"="NVIDIA"
"DriverVersion"="27.21.14.5671"
"DriverDate"="6-14-2021"
"HardwareInformation.BiosString"="Version 84.4.31.0.28"

[$class_key\\0002]
"DriverDesc"="AMD Radeon RX 580 Series"
"ProviderName"="Advanced Micro Devices, Inc."
"DriverVersion"="30.0.13025.1000"
"DriverDate"="9-9-2021"
"HardwareInformation.BiosString"=hex:$(utf16_hex "113-1E3871U-O4C")

[$class_key\\0003]
"DriverDesc"="Intel(R) HD Graphics 4600"
"ProviderName"="Intel Corporation"
"DriverVersion"="20.19.15.5166"
"DriverDate"="8-3-2020"
"HardwareInformation.BiosString"="Intel Video BIOS"

[$class_key\\0004]
"HardwareInformation.AdapterString"=hex:$(utf16_hex "Standard VGA Graphics Adapter")

[$class_key\\Properties]
"Cache"=dword:00000001
EOF
}

if [ -z "${DISPLAY:-}" ]; then
    start_virtual_display
    headless=1
else
    headless=0
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the demo Wine prefix in $WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
fi
# Wine draws its caption buttons with Marlett; Debian's Wine does not always load it
# from its own data folder.
if [ -f /usr/share/wine/fonts/marlett.ttf ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ]; then
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
fi

# Wine rebuilds the Display class key when a session brings up its desktop, so the
# server stays up from the seeding to the program's end, and a first program with a
# window (rundll32 without arguments does nothing else) brings the desktop up before
# the seeding.
wineserver -k 2>/dev/null || true
wineserver -p
wine rundll32.exe >/dev/null 2>&1 || true
# On a virtual display there is no window manager: Wine draws the window's frame.
if [ "$headless" = 1 ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
else
    wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Decorated /f >/dev/null 2>&1 || true
fi
write_seed_file >"$root/build/demo-seed.reg"
wine reg import "$root/build/demo-seed.reg" >/dev/null 2>&1
echo "Seeded sample adapter entries below $class_key"

if [ "$headless" = 0 ]; then
    echo "Starting $exe"
    wine "$exe"
    exit 0
fi

wine "$exe" >/dev/null 2>&1 &
program_pid=$!
window=""
for _ in $(seq 1 60); do
    window=$(xdotool search --name "$window_name" 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    sleep 0.5
done
if [ -z "$window" ]; then
    echo "The window did not appear" >&2
    exit 1
fi
sleep 2  # let it paint
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$screenshot"
echo "Screenshot saved to $screenshot"

# Close it as a user would, with its own Close button (Alt+C).
xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool key alt+c
for _ in $(seq 1 40); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.25
done
echo "Program ended"
