# The demo shared by the run command and the DPI screenshots: a Wine prefix of the
# project's own with stale sample adapter entries beside Wine's own adapter, and a
# screenshot of the program's window. Sourced after scripts/wine_session.sh, whose
# session the demo runs in.

demo_class_key='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Class\{4d36e968-e325-11ce-bfc1-08002be10318}'

# Text as the hex bytes of a UTF-16LE string with its terminating NUL, the way the
# platform stores a binary adapter string.
demo_utf16_hex() {
    printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 | tr -s ' \n' ',,' | sed 's/^,//'
    printf '00,00'
}

# Sample entries of adapters that are long gone, as Windows leaves them behind: full
# driver entries, one that only carries the binary adapter string, and a settings key
# without any name that the program passes over.
demo_seed_file() {
    local key=$demo_class_key
    cat <<REG
Windows Registry Editor Version 5.00

[$key\\0001]
"DriverDesc"="NVIDIA GeForce GTX 970"
"ProviderName"="NVIDIA"
"DriverVersion"="27.21.14.5671"
"DriverDate"="6-14-2021"
"HardwareInformation.BiosString"="Version 84.4.31.0.28"

[$key\\0002]
"DriverDesc"="AMD Radeon RX 580 Series"
"ProviderName"="Advanced Micro Devices, Inc."
"DriverVersion"="30.0.13025.1000"
"DriverDate"="9-9-2021"
"HardwareInformation.BiosString"=hex:$(demo_utf16_hex "113-1E3871U-O4C")

[$key\\0003]
"DriverDesc"="Intel(R) HD Graphics 4600"
"ProviderName"="Intel Corporation"
"DriverVersion"="20.19.15.5166"
"DriverDate"="8-3-2020"
"HardwareInformation.BiosString"="Intel Video BIOS"

[$key\\0004]
"HardwareInformation.AdapterString"=hex:$(demo_utf16_hex "Standard VGA Graphics Adapter")

[$key\\Properties]
"Cache"=dword:00000001
REG
}

# Sets up the session the demo runs in (started with tdm_session_start) and seeds the
# sample entries into it: Wine rebuilds the Display class key when a session starts,
# and this one stays up until the program's end. $1: 1 when Wine draws the window
# frames itself (no window manager on a virtual display).
demo_prepare_session() {
    local own_frames=$1 seed_file
    if [ "$own_frames" = 1 ]; then
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    else
        wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Decorated /f >/dev/null 2>&1 || true
        wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 || true
    fi
    seed_file=$(mktemp --suffix=.reg)
    demo_seed_file >"$seed_file"
    wine reg import "$seed_file" >/dev/null 2>&1
    rm -f "$seed_file"
    echo "Seeded sample adapter entries below $demo_class_key"
}

# Waits for the program's window (by title), saves it cropped to $2 and closes the
# program by its own Close button (Alt+C). $1: the program's process id.
demo_screenshot_and_close() {
    local program_pid=$1 shot=$2 window="" WIDTH HEIGHT X Y SCREEN WINDOW
    for _ in $(seq 1 60); do
        window=$(xdotool search --onlyvisible --name "Talvorin Device Manager" 2>/dev/null | head -n 1 || true)
        [ -n "$window" ] && break
        sleep 0.5
    done
    if [ -z "$window" ]; then
        echo "The window did not appear" >&2
        exit 1
    fi
    sleep 2  # let it paint
    eval "$(xdotool getwindowgeometry --shell "$window")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shot"
    echo "Screenshot (${WIDTH}x${HEIGHT}) saved to $shot"
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key alt+c
    for _ in $(seq 1 40); do
        kill -0 "$program_pid" 2>/dev/null || break
        sleep 0.25
    done
}
