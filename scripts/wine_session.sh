# One Wine session for a command: a virtual display when there is none, a private Wine
# prefix, one server kept up for the whole run, and all of it removed again on every
# way out of the command (normal end, a failing step, Ctrl-C, SIGTERM).
# Sourced by every command that runs Wine; expects scripts/deps.sh to be sourced.
#
#   tdm_session_start [--screen WxHxD] [--own-display] [--marlett] [--prefix DIR]
#
#   --screen WxHxD   the virtual display's screen (default 1600x1200x24)
#   --own-display    a virtual display even when $DISPLAY is set (a display of its own
#                    keeps the command's windows from taking the focus from others)
#   --marlett        Wine's Marlett font copied into the prefix: Wine draws its caption
#                    buttons with it, and Debian's Wine does not always load it from its
#                    own data folder
#   --prefix DIR     this prefix (made when missing), kept at the end; without it a
#                    fresh one in $TMPDIR or /tmp, removed at the end
#
# It owns the command's EXIT, INT and TERM traps. tdm_session_end ends the session
# early; it is safe to call twice. After tdm_session_start: $WINEPREFIX, $DISPLAY,
# and $tdm_session_xvfb_pid (empty when the display was there before).

tdm_session_xvfb_pid=""
tdm_session_prefix=""
tdm_session_remove_prefix=0

# Kills the prefix's server and every Wine process of it, stops the display the session
# started and removes a prefix it made. Keeps the command's exit status.
tdm_session_end() {
    local status=$?
    if [ -n "$tdm_session_prefix" ] && [ -d "$tdm_session_prefix" ]; then
        WINEPREFIX=$tdm_session_prefix wineserver -k >/dev/null 2>&1 || true
        # Until the server has gone: it still holds the prefix's files.
        WINEPREFIX=$tdm_session_prefix timeout 20 wineserver -w >/dev/null 2>&1 || true
        [ "$tdm_session_remove_prefix" = 1 ] && rm -rf "$tdm_session_prefix"
    fi
    tdm_session_prefix=""
    if [ -n "$tdm_session_xvfb_pid" ]; then
        kill "$tdm_session_xvfb_pid" 2>/dev/null || true
        wait "$tdm_session_xvfb_pid" 2>/dev/null || true
        tdm_session_xvfb_pid=""
    fi
    return "$status"
}

# A virtual display; Xvfb writes the number it found free to a pipe of ours.
tdm_session_display() {
    local screen=$1 number_file
    number_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    tdm_session_xvfb_pid=$!
    for _ in $(seq 1 100); do
        [ -s "$number_file" ] && break
        kill -0 "$tdm_session_xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ ! -s "$number_file" ]; then
        rm -f "$number_file"
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$(tr -d '\n' <"$number_file")"
    rm -f "$number_file"
}

# Makes the prefix when it is new, and starts the one session of the run. $1: 1 to
# copy Wine's Marlett into it.
tdm_session_boot() {
    local marlett=/usr/share/wine/fonts/marlett.ttf
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot -i >/dev/null 2>&1 || true
        # The server writes the registry files when it exits.
        wineserver -w
        [ -f "$WINEPREFIX/system.reg" ] || { echo "wineboot made no prefix in $WINEPREFIX" >&2; return 1; }
    fi
    if [ "$1" = 1 ] && [ -f "$marlett" ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ]; then
        cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/"
    fi
    # No window manager runs on a virtual display: Wine draws the frames itself, which
    # spares every shown window a wait for a manager that never answers.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    # Let that session end, then keep one server up for the whole run: Wine rebuilds
    # the Display class key when a new session starts, so entries seeded into this one
    # live as long as the programs that read them. The session's first program starts
    # Wine's services, which live on with the server and keep the output handles they
    # inherited: start them from a program whose output goes nowhere, or whoever reads
    # a later program's output (ctest) would wait for its end for ever.
    wineserver -w
    wineserver -p >/dev/null 2>&1
    wine rundll32.exe >/dev/null 2>&1 </dev/null || true
}

tdm_session_start() {
    local screen=1600x1200x24 own_display=0 marlett=0 prefix=""
    while [ $# -gt 0 ]; do
        case "$1" in
        --screen) screen=$2; shift 2 ;;
        --own-display) own_display=1; shift ;;
        --marlett) marlett=1; shift ;;
        --prefix) prefix=$2; shift 2 ;;
        *) echo "tdm_session_start: unknown option $1" >&2; return 2 ;;
        esac
    done
    trap tdm_session_end EXIT
    # A signal ends the command, and so runs the EXIT trap.
    trap 'exit 130' INT
    trap 'exit 143' TERM
    if [ -z "${DISPLAY:-}" ] || [ "$own_display" = 1 ]; then
        tdm_session_display "$screen" || return 1
    fi
    if [ -n "$prefix" ]; then
        mkdir -p "$prefix"
        tdm_session_remove_prefix=0
    else
        prefix=$(mktemp -d "${TMPDIR:-/tmp}/tdm-wineprefix.XXXXXX")
        tdm_session_remove_prefix=1
    fi
    tdm_session_prefix=$prefix
    tdm_wine_env "$prefix"
    tdm_session_boot "$marlett"
}
