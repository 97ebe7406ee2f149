#!/usr/bin/env bash
# Screenshots of the program's window at 96, 144 and 192 dots per inch: builds
# TalvorinDeviceManager.exe with the windows preset, starts it under Wine on a virtual
# display in a demo prefix of its own (build/dpi-demo-prefix, never ~/.wine), with the
# same stale sample adapter entries as scripts/run.sh, and saves the window, cropped,
# to build/screenshot-96dpi.png, build/screenshot-144dpi.png and
# build/screenshot-192dpi.png. Installs missing Debian packages first (as root).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
source scripts/deps.sh
tdm_install_missing

cmake --preset windows >/dev/null
cmake --build --preset windows -j2 --target TalvorinDeviceManager
exe="$root/build/windows/TalvorinDeviceManager.exe"
window_name="Talvorin Device Manager Version"

# The sample entries and the text helper they need come from the run command, so
# that both show the same list.
eval "$(sed -n -e "/^class_key=/p" -e '/^utf16_hex() {/,/^}/p' -e '/^write_seed_file() {/,/^}/p' scripts/run.sh)"
if ! declare -F write_seed_file >/dev/null || [ -z "${class_key:-}" ]; then
    echo "scripts/run.sh no longer defines class_key and write_seed_file" >&2
    exit 1
fi

tdm_wine_env "$root/build/dpi-demo-prefix"
seed_file="$root/build/dpi-demo-seed.reg"

xvfb_pid=""
cleanup() {
    wineserver -k 2>/dev/null || true
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
    rm -f "$seed_file"
}
trap cleanup EXIT

# A virtual display of our own, large enough for the window at 192 dpi (the platform
# keeps a window within the screen's size). Xvfb picks a free number.
number_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 2560x1600x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 50); do
    [ -s "$number_file" ] && break
    sleep 0.2
done
[ -s "$number_file" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(tr -d '\n' <"$number_file")"
rm -f "$number_file"

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

# One Wine session for all three: Wine rebuilds the Display class key when a session
# brings up its desktop, so the server stays up from the seeding to the last
# screenshot. The DPI, on the other hand, is read by every program when it starts.
wineserver -k 2>/dev/null || true
wineserver -p
wine rundll32.exe >/dev/null 2>&1 || true
# No window manager: Wine draws the frame itself and shows windows at once.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
write_seed_file >"$seed_file"
wine reg import "$seed_file" >/dev/null 2>&1
echo "Seeded sample adapter entries below $class_key"

# Starts the program at the DPI, saves its window and closes it again.
screenshot_at() {
    local dpi=$1 shot="$root/build/screenshot-$1dpi.png" window="" program_pid
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    wine "$exe" >/dev/null 2>&1 &
    program_pid=$!
    for _ in $(seq 1 60); do
        window=$(xdotool search --onlyvisible --name "$window_name" 2>/dev/null | head -n 1 || true)
        [ -n "$window" ] && break
        sleep 0.5
    done
    if [ -z "$window" ]; then
        echo "The window did not appear at $dpi dpi" >&2
        exit 1
    fi
    sleep 2  # let it paint
    local WIDTH HEIGHT X Y SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$window")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shot"
    echo "Screenshot at $dpi dpi (${WIDTH}x${HEIGHT}) saved to $shot"
    # Closed as by its close box: taskkill without /f asks the window to close.
    wine taskkill /im TalvorinDeviceManager.exe >/dev/null 2>&1 || true
    for _ in $(seq 1 40); do
        kill -0 "$program_pid" 2>/dev/null || break
        sleep 0.25
    done
}

for dpi in 96 144 192; do
    screenshot_at "$dpi"
done

mkdir -p "$root/docs"
cp "$root/build/screenshot-96dpi.png" "$root/build/screenshot-144dpi.png" "$root/docs/"
echo "Copied the 96 and 144 dpi screenshots to docs/"
