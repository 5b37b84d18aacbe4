#!/bin/sh
# The Windows program under Wine, on a prefix with the sample programs:
# it starts and its splash closes, the command line lists the prefix's
# programs, a second start finds the first by its window class, raises it,
# says so and ends with 0, a deliberate crash leaves "zelwudump0.dmp" and
# signals the crash event, and the log lines reach the log file beside the
# executable. Screenshots land in WORK/screenshots.
#
#   check-program.sh BIN_DIR CRASHWATCH_EXE WORK
set -eu
here=$(cd "$(dirname "$0")" && pwd)
TOLVANIRE_ROOT=$(cd "$here/../.." && pwd)
. "$TOLVANIRE_ROOT/scripts/lib.sh"
bin=$1
crashwatch=$2
work=$3

rm -rf "$work/app" "$work/screenshots"
mkdir -p "$work/app" "$work/screenshots"
work=$(cd "$work" && pwd)
# A copy of the program folder: the log and the dump land beside the executable.
app="$work/app"
shots="$work/screenshots"
cp "$bin/tolvanire-uninstaller.exe" "$bin/tolvanire-uninstaller-cli.exe" "$bin/uiconfig" "$crashwatch" "$app/"
cp -r "$bin/Resources" "$bin/QSS" "$app/"
# The log goes where the program puts it on Windows, beside the executable.
unset TOLVANIRE_LOG_FILE
export QT_QPA_PLATFORM=windows

# Xvfb first: every Wine process of the run, the installers included,
# then talks to the same display.
tolvanire_start_xvfb 1600x1000
tolvanire_fill_demo_prefix "$work/prefix" "$work/fixtures"
tolvanire_on_exit "wineserver -k"

failures=0
pass() { echo "ok   $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

# How many windows of the size $1 ("434x240") exist.
windows_sized() { xwininfo -root -tree 2>/dev/null | grep -c " $1+" || true; }
# Waits until at least $2 windows of the size $1 exist (at most $3 seconds).
wait_for_windows() {
    _end=$(($(date +%s) + $3))
    while [ "$(date +%s)" -lt "$_end" ]; do
        [ "$(windows_sized "$1")" -ge "$2" ] && return 0
        sleep 0.5
    done
    return 1
}

cd "$app"

# The command line reads the prefix's programs in process, through the real
# registry calls.
if wine tolvanire-uninstaller-cli.exe list --json >"$work/list.json" 2>"$work/list.err"; then
    missing=""
    for name in "Plain Tool" "Café Münster" "Thirty-Two Bit Tool" "User Tool"; do
        grep -q "\"$name\"" "$work/list.json" || missing="$missing $name;"
    done
    [ -z "$missing" ] && pass "list shows the sample programs" || fail "list misses:$missing"
else
    fail "list ended with $? ($(cat "$work/list.err"))"
fi

# First start: the splash, then the main window (960x640). Under Wine on
# Xvfb the main window now and then never maps although the program runs
# on (seen on fresh prefixes); that start is ended and tried once more, and
# the retry is reported.
main_window_shown() { xwininfo -root -tree 2>/dev/null | grep -q '"Tolvanire Uninstaller": .* 960x640'; }
wait_for_main_window() {
    _end=$(($(date +%s) + $1))
    while [ "$(date +%s)" -lt "$_end" ]; do
        main_window_shown && return 0
        sleep 0.5
    done
    return 1
}
first=""
for attempt in 1 2; do
    wine tolvanire-uninstaller.exe >"$work/first.out" 2>&1 &
    first=$!
    tolvanire_on_exit "kill $first"
    wait_for_main_window 60 && break
    echo "WARN the main window did not map within 60 s (attempt $attempt)"
    kill "$first" 2>/dev/null || true
    wait "$first" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
done
if main_window_shown; then
    sleep 2
    import -window root "$shots/main.png"
    pass "the main window opened after the splash (screenshots/main.png)"
else
    import -window root "$shots/main.png"
    fail "no main window"
fi
kill -0 "$first" 2>/dev/null && pass "the program runs" || fail "the program ended"

# Second start: finds the first by its window class, raises it, shows the
# box (434x240; closed by the test hook after 10 s) and ends with 0.
TOLVANIRE_AUTOCLOSE_DIALOGS_MS=10000 wine tolvanire-uninstaller.exe >"$work/second.out" 2>&1 &
second=$!
if wait_for_windows 434x240 1 60; then
    sleep 3
    import -window root "$shots/secondinstance.png"
    pass "the second start shows its box (screenshots/secondinstance.png)"
else
    fail "the second start showed no box"
fi
if wait "$second"; then pass "the second start ended with 0"; else fail "the second start ended with $?"; fi
kill -0 "$first" 2>/dev/null && pass "the first instance still runs" || fail "the first instance ended"
kill "$first" 2>/dev/null || true
wait "$first" 2>/dev/null || true
wineserver -w

# A message box over the main window, for the eye.
TOLVANIRE_DEMO_DIALOG=message wine tolvanire-uninstaller.exe >/dev/null 2>&1 &
demo=$!
wait_for_windows 434x240 1 120 || true
sleep 2
import -window root "$shots/message.png"
kill "$demo" 2>/dev/null || true
wait "$demo" 2>/dev/null || true
wineserver -w

# The log lines of these runs, beside the executable.
if [ -s "$app/tolvanire-uninstaller.log" ]; then
    pass "log lines in tolvanire-uninstaller.log ($(wc -l <"$app/tolvanire-uninstaller.log") lines)"
else
    fail "no log lines beside the executable"
fi

# A deliberate crash of the real program.
rm -f "$app"/zelwudump*.dmp
if TOLVANIRE_CRASH_AFTER_START=1 wine crashwatch.exe "$(winepath -w "$app/tolvanire-uninstaller.exe")"; then
    pass "the crash signalled the event and left zelwudump0.dmp"
else
    fail "the crash left no dump or signalled no event"
fi

echo "screenshots in $shots"
[ "$failures" -eq 0 ] || { echo "check-program: $failures checks failed" >&2; exit 1; }
echo "check-program: all checks passed"
