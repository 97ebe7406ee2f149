#!/usr/bin/env bash
# The Wine session every command starts (scripts/wine_session.sh) leaves nothing behind
# on any way out: a command is started without a display, stopped half-way (Ctrl-C while
# the prefix is being made, SIGTERM while a Wine program runs, a failing step), and then
# no process of that prefix (the server included), no process of the command and no
# prefix folder may be left; and its programs start through Wine's preloader. Prints
# "ok <case>" or "FAIL <case>" per case and exits non-zero on any failure.
set -u
cd "$(dirname "$0")/../.."
root=$(pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source tests/scripts/check.sh
# Each command in a process group of its own, as a terminal runs it: Ctrl-C and kill
# reach the whole group.
set -m

# The processes started with WINEPREFIX=$1 (a process's environment as it started).
prefix_processes() {
    grep -lzxF "WINEPREFIX=$1" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3
    return 0
}

prefix_server_is_up() {
    local pid
    for pid in $(prefix_processes "$1"); do
        case "$(cat "/proc/$pid/comm" 2>/dev/null)" in wineserver*) return 0 ;; esac
    done
    return 1
}

no_process_of() { [ -z "$(prefix_processes "$1")" ]; }
no_process_in_group() { ! pgrep -g "$1" >/dev/null; }

# Waits up to $1 seconds for the command "${@:2}" to succeed.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.2
    done
}

# Starts a command that opens a session and then runs $2, in $work/$1; leaves its
# process id (and group) in $pid.
start_command() {
    dir=$work/$1
    mkdir -p "$dir"
    TMPDIR=$dir bash -c '
        set -euo pipefail
        unset DISPLAY
        source scripts/deps.sh
        source scripts/wine_session.sh
        tdm_session_start
        touch "$TMPDIR/up"
        eval "$1"' _ "$2" >"$dir/out" 2>&1 &
    pid=$!
}

the_prefix() { ls -d "$dir"/tdm-wineprefix.* 2>/dev/null | head -n 1; }
prefix_made() { [ -n "$(the_prefix)" ]; }
session_up() { [ -e "$dir/up" ]; }

# Waits for the command's end; leaves its exit status in $status.
finish_command() {
    if ! wait_until 90 bash -c "! kill -0 $pid 2>/dev/null"; then
        kill -KILL -- "-$pid" 2>/dev/null
        echo "the command did not end: $(cat "$dir/out")"
    fi
    wait "$pid"
    status=$?
}

# Nothing is left: no prefix folder, no process of the prefix, no process of the
# command's group (its virtual display among them).
nothing_left() {
    local expected_status=$1 left=""
    [ "$status" -eq "$expected_status" ] || { echo "exit status $status, not $expected_status"; return 1; }
    [ -n "$prefix" ] || { echo "the command made no prefix"; return 1; }
    [ ! -e "$prefix" ] || { echo "$prefix is left"; return 1; }
    # A killed process may take a moment to go.
    wait_until 5 no_process_of "$prefix" || left=$(prefix_processes "$prefix")
    [ -z "$left" ] || { echo "processes of the prefix are left: $(ps -o pid=,comm= -p "${left//$'\n'/,}")"; return 1; }
    wait_until 5 no_process_in_group "$pid" || left=$(pgrep -g "$pid")
    [ -z "$left" ] || { echo "processes of the command are left: $(ps -o pid=,comm= -p "${left//$'\n'/,}")"; return 1; }
}

# Ctrl-C while the prefix is being made, once its server runs.
start_command interrupted 'sleep 300'
wait_until 60 prefix_made
prefix=$(the_prefix)
wait_until 60 prefix_server_is_up "$prefix"
session_up && echo "the session was up before the interrupt"
kill -INT -- "-$pid"
finish_command
check "Ctrl-C while the prefix is made leaves nothing" nothing_left 130

# Without Wine's preloader the kernel's random heap now and then takes the address of
# Windows' shared user data, and a program dies before its first line.
notepad_runs_from_the_preloader() {
    local pid
    for pid in $(prefix_processes "$prefix"); do
        [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = notepad.exe ] &&
            [[ "$(readlink "/proc/$pid/exe")" == */wine64-preloader* ]] && return 0
    done
    return 1
}

# SIGTERM while a Wine program with a window runs.
start_command terminated 'wine notepad.exe; sleep 300'
wait_until 120 session_up
prefix=$(the_prefix)
check "a Wine program starts through the preloader" wait_until 30 notepad_runs_from_the_preloader
sleep 1
kill -TERM -- "-$pid"
finish_command
check "SIGTERM while a Wine program runs leaves nothing" nothing_left 143

# A failing step once the session is up.
start_command failed 'false; sleep 300'
wait_until 120 session_up
prefix=$(the_prefix)
finish_command
check "a failing step leaves nothing and fails the command" nothing_left 1

[ "$failures" -eq 0 ]
