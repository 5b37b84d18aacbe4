#!/bin/sh
# The real program on one X display: a window for each of two Wine
# prefixes side by side, then a later start for the first prefix, which
# hands over to its window and ends with 0 while both windows stay.
#
#   two-prefixes.sh PROGRAM FIRST_PREFIX SECOND_PREFIX WORK_DIR
#
# Saves WORK_DIR/two-prefixes.png, the display with both windows.
set -eu
TOLVANIRE_ROOT=$(cd "$(dirname "$0")/../.." && pwd)
. "$TOLVANIRE_ROOT/scripts/lib.sh"
program=$1 first=$2 second=$3 work=$4
mkdir -p "$work"
tolvanire_wine_env "$work/home"
tolvanire_runtime_dir "$work/runtime"
unset WINEPREFIX QT_QPA_PLATFORM
export TOLVANIRE_INSTANCE_KEY="tolvanire-test-twoprefixes-$$"
tolvanire_start_xvfb 1280x800
# The windows are killed: their lock files and sockets stay behind.
tolvanire_on_exit "rm -f /tmp/$TOLVANIRE_INSTANCE_KEY-*"
tolvanire_on_exit "WINEPREFIX=$first wineserver -k"
tolvanire_on_exit "WINEPREFIX=$second wineserver -k"

fail() {
    echo "two-prefixes: $*" >&2
    exit 1
}

# Prints the main window of process $1 and succeeds when it shows one: named
# like the program and at least as large as the main window's minimum (its
# message boxes are smaller).
main_window() {
    for id in $(xdotool search --onlyvisible --pid "$1" --name '^Tolvanire Uninstaller$' 2>/dev/null); do
        width=$(xdotool getwindowgeometry --shell "$id" | sed -n 's/^WIDTH=//p')
        [ "${width:-0}" -ge 960 ] && echo "$id" && return 0
    done
    return 1
}

"$program" --prefix "$first" &
a=$!
tolvanire_on_exit "kill $a"
"$program" --prefix "$second" &
b=$!
tolvanire_on_exit "kill $b"

deadline=$(($(date +%s) + 240))
until main_window "$a" >/dev/null && main_window "$b" >/dev/null; do
    kill -0 "$a" 2>/dev/null || fail "the window for $first ended"
    kill -0 "$b" 2>/dev/null || fail "the window for $second ended"
    [ "$(date +%s)" -lt "$deadline" ] || fail "no two main windows after 240 s"
    sleep 0.5
done
# Both open centred: the second is moved aside for the picture.
xdotool windowmove --sync "$(main_window "$b")" 320 160 || true
sleep 1
import -window root "$work/two-prefixes.png" || true

# Another start for the first prefix, by WINEPREFIX this time.
status=0
WINEPREFIX="$first" TOLVANIRE_AUTOCLOSE_DIALOGS_MS=300 timeout 60 "$program" || status=$?
[ "$status" -eq 0 ] || fail "a second start for $first ended with $status"
kill -0 "$a" 2>/dev/null || fail "the window for $first ended after the second start"
kill -0 "$b" 2>/dev/null || fail "the window for $second ended after the second start"
main_window "$a" >/dev/null || fail "the window for $first went away"
echo "two-prefixes: two windows, and a second start for one prefix ended with 0"
