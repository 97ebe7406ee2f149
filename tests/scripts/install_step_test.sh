#!/usr/bin/env bash
# The install step that every command runs (scripts/deps.sh): apt-get directly as root,
# through sudo for anyone else, and with neither one line that names the packages and
# how to install them. Runs it against stand-ins for id, sudo and apt-get that note how
# they were called, on a PATH that holds nothing else. Prints "ok <case>" or
# "FAIL <case>" per case and exits non-zero on any failure.
set -u
cd "$(dirname "$0")/../.."
deps=$(pwd)/scripts/deps.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
env_program=$(command -v env)
source tests/scripts/check.sh

# Runs the install step for "cmake xvfb" as the given user id, with or without sudo.
# Leaves the stand-ins' calls in $dir/calls, the output in $dir/out and $dir/err, and
# the exit status in $status.
install_as() {
    local uid=$1 with_sudo=$2
    dir=$work/$uid-$with_sudo
    mkdir -p "$dir"
    printf '#!/bin/bash\necho %s\n' "$uid" >"$dir/id"
    printf '#!/bin/bash\necho "apt-get $*" >>"%s/calls"\n' "$dir" >"$dir/apt-get"
    if [ "$with_sudo" = 1 ]; then
        printf '#!/bin/bash\necho "sudo $1" >>"%s/calls"\nexec "$@"\n' "$dir" >"$dir/sudo"
    fi
    ln -s "$env_program" "$dir/env"
    chmod +x "$dir"/*
    (
        PATH=$dir
        source "$deps"
        tdm_install_packages cmake xvfb
    ) >"$dir/out" 2>"$dir/err"
    status=$?
}

calls_are() { [ "$(cat "$dir/calls" 2>/dev/null)" = "$1" ]; }
succeeded_with() { [ "$status" -eq 0 ] && calls_are "$1"; }
stopped_before_apt_get() { [ "$status" -ne 0 ] && [ ! -e "$dir/calls" ]; }
one_line_naming() { [ "$(wc -l <"$dir/err")" -eq 1 ] && grep -q "$1" "$dir/err"; }

install_as 0 1
check "root runs apt-get itself" \
    succeeded_with $'apt-get update -qq\napt-get install -y -qq cmake xvfb'

install_as 1000 1
check "a user goes through sudo" \
    succeeded_with $'sudo env\napt-get update -qq\nsudo env\napt-get install -y -qq cmake xvfb'

install_as 1000 0
check "a user without sudo is stopped before apt-get" stopped_before_apt_get
check "a user without sudo is told in one line what to install and how" \
    one_line_naming 'cmake xvfb.*apt-get install cmake xvfb'

[ "$failures" -eq 0 ]
