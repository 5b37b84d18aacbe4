#!/bin/sh
# The installer under Wine, in a fresh prefix with three NSIS programs whose
# uninstallers relaunch themselves from the temp folder (Quill Writer's
# quits at once, as when cancelled):
# - it installs the program with its Resources, QSS and uiconfig and
#   registers it under the Uninstall key (both uninstall strings, icon,
#   size, version), the installed command line lists it, and its own
#   uninstaller removes the folder and the key;
# - installed again, the program itself, driven with the mouse under Xvfb:
#   Quill Writer's trash button, confirmed, ends "Not removed" with a result
#   dialog that names it; then Tolvanire Uninstaller, Cobalt Draw and Birch
#   Player ticked and confirmed with "Automatically remove residual files":
#   the other two are removed first and their result is shown; once it is
#   closed, the program starts its own uninstaller and ends about a second
#   later without a further result dialog, and
#   its install folder and Uninstall key are gone.
# Screenshots land in WORK/screenshots.
#
#   check-installer.sh SETUP_EXE WORK
set -eu
here=$(cd "$(dirname "$0")" && pwd)
TOLVANIRE_ROOT=$(cd "$here/../.." && pwd)
. "$TOLVANIRE_ROOT/scripts/lib.sh"
setup=$1
work=$2
mkdir -p "$work"
work=$(cd "$work" && pwd)
shots="$work/screenshots"
rm -rf "$shots"
mkdir -p "$shots"
unset TOLVANIRE_LOG_FILE

# Xvfb first: every Wine process of the run then talks to the same display.
tolvanire_start_xvfb 1280x800
"$TOLVANIRE_ROOT/tests/fixtures/nsis/install-fixtures.sh" --prefix "$work/prefix" --work "$work/fixtures" \
    runner/cobalt-draw.nsi runner/birch-player.nsi runner/quill-writer.nsi
tolvanire_wine_env "$work/fixtures/home"
export WINEPREFIX="$work/prefix"
tolvanire_on_exit "wineserver -k"

failures=0
pass() { echo "ok   $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
key="$uninstall_key\\Tolvanire Uninstaller"
folder="$WINEPREFIX/drive_c/Program Files/Tolvanire Uninstaller"
run_log="$WINEPREFIX/drive_c/TolvanireRunLog"
registered() { wine reg query "$uninstall_key\\$1" /reg:64 >/dev/null 2>&1; }

install() {
    wine "$setup" /S && wineserver -w || fail "the installer ended with $?"
}

install
for file in tolvanire-uninstaller.exe tolvanire-uninstaller-cli.exe uiconfig uninst.exe QSS/WU.qss Resources/Logo.ico; do
    [ -e "$folder/$file" ] || fail "not installed: $file"
done

wine reg query "$key" /reg:64 >"$work/key.txt" 2>&1 || true
tr -d '\r' <"$work/key.txt" >"$work/key.clean"
expect_value() { # NAME PATTERN
    if grep -Eq "^ *$1 +REG_[A-Z_]+ +$2\$" "$work/key.clean"; then pass "registered $1"; else fail "$1 not as expected"; fi
}
expect_value DisplayName "Tolvanire Uninstaller"
expect_value DisplayVersion "3\.2"
expect_value Publisher "Tolvanire"
expect_value UninstallString '"C:\\Program Files\\Tolvanire Uninstaller\\uninst\.exe"'
expect_value QuietUninstallString '"C:\\Program Files\\Tolvanire Uninstaller\\uninst\.exe" /S'
expect_value DisplayIcon 'C:\\Program Files\\Tolvanire Uninstaller\\tolvanire-uninstaller\.exe,0'
expect_value InstallLocation 'C:\\Program Files\\Tolvanire Uninstaller'
# More than 10 MB: the two programs with the static Qt inside.
size=$(awk '$1 == "EstimatedSize" { print $3 }' "$work/key.clean")
[ -n "$size" ] && [ $((size)) -gt 10240 ] && pass "EstimatedSize $((size)) KiB" || fail "EstimatedSize '$size'"

# The installed command line lists the program it belongs to.
if wine "C:\\Program Files\\Tolvanire Uninstaller\\tolvanire-uninstaller-cli.exe" list --json >"$work/list.json" 2>&1 &&
    grep -q '"displayName": *"Tolvanire Uninstaller"' "$work/list.json" &&
    grep -q '"displayVersion": *"3.2"' "$work/list.json"; then
    pass "list shows Tolvanire Uninstaller 3.2"
else
    fail "list does not show Tolvanire Uninstaller 3.2"
fi
wineserver -w

# Its uninstaller copies itself away and runs from there: wait for it.
wine "C:\\Program Files\\Tolvanire Uninstaller\\uninst.exe" /S || fail "the uninstaller ended with $?"
wineserver -w
[ ! -e "$folder" ] && pass "its own uninstaller removes the install folder" ||
    fail "left behind: $(ls -A "$folder" | tr '\n' ' ')"
registered "Tolvanire Uninstaller" && fail "its own uninstaller left the Uninstall key" ||
    pass "its own uninstaller removes the Uninstall key"

# --- The installed program removes the others and then itself. ---
install
[ -e "$folder/tolvanire-uninstaller.exe" ] || fail "not installed again"

# The geometry "WxH+X+Y" of the first mapped window of that size, or nothing.
window_at() { # SIZE
    xwininfo -root -tree 2>/dev/null | grep -v '"Default IME"' |
        sed -n "s/.* $1+\([0-9]*\)+\([0-9]*\) .*/\1 \2/p" | head -n 1
}
has_window() { [ -n "$(window_at "$1")" ]; }
no_window() { [ -z "$(window_at "$1")" ]; }
# True as soon as COMMAND succeeds, false after SECONDS.
wait_until() { # SECONDS COMMAND...
    _end=$(($(date +%s) + $1))
    shift
    while [ "$(date +%s)" -lt "$_end" ]; do
        "$@" && return 0
        sleep 0.2
    done
    return 1
}
# Clicks at X,Y inside the window of SIZE (fixed layout: the main window is
# 960x640, the uninstall dialogs 640x427).
click_in() { # SIZE X Y
    set -- "$1" "$2" "$3" $(window_at "$1")
    [ $# -eq 5 ] || { fail "no window of $1 to click in"; return 1; }
    xdotool mousemove $(($4 + $2)) $(($5 + $3)) click 1
    sleep 0.5
}
# Rows of the list, by name descending: 0 Tolvanire Uninstaller,
# 1 Quill Writer, 2 Cobalt Draw, 3 Birch Player.
tick_row() { click_in 960x640 52 $((108 + 48 * $1)); }
trash_of_row() { click_in 960x640 661 $((108 + 48 * $1)); }
press_uninstall() { click_in 960x640 864 608; }
confirm() { click_in 640x427 457 355; }
close_dialog() { click_in 640x427 620 16; }

# As a shortcut starts it: from its folder, whose Resources\ and QSS\ it reads.
(cd "$folder" && exec wine "C:\\Program Files\\Tolvanire Uninstaller\\tolvanire-uninstaller.exe") \
    >"$work/program.out" 2>&1 &
program=$!
tolvanire_on_exit "kill $program"
if wait_until 120 has_window 960x640; then
    sleep 3
    import -window root "$shots/installed-main.png"
    pass "the installed program shows its list (screenshots/installed-main.png)"
else
    import -window root "$shots/installed-main.png"
    fail "the installed program shows no main window"
fi

# A cancelled uninstaller: nothing deleted, the result names the program.
trash_of_row 1
if wait_until 20 has_window 640x427; then
    sleep 1
    import -window root "$shots/confirm-one.png"
    confirm
else
    fail "no confirmation dialog for Quill Writer"
fi
wait_until 10 no_window 640x427 || fail "the confirmation dialog stays open"
if wait_until 60 has_window 640x427; then
    sleep 1
    import -window root "$shots/result-not-removed.png"
    pass "the result dialog follows the cancelled run (screenshots/result-not-removed.png)"
    close_dialog
else
    fail "no result dialog after the cancelled run"
fi
registered QuillWriter && [ -e "$WINEPREFIX/drive_c/Program Files/Quill Writer/quill.exe" ] &&
    pass "a cancelled program keeps its key and files" || fail "a cancelled program lost its key or files"
sleep 3

# The run that ends with this uninstaller removing itself.
tick_row 0
tick_row 2
tick_row 3
press_uninstall
if wait_until 20 has_window 640x427; then
    sleep 1
    import -window root "$shots/confirm-three.png"
    confirm
else
    fail "no confirmation dialog for the three programs"
fi
wait_until 10 no_window 640x427 || fail "the confirmation dialog stays open"

# Watch the run: the others' result, which comes first and is closed; the
# moment its own uninstaller (or the copy it makes of itself, which names
# the install folder in "_?=") appears, whether the others are done by then
# and their result was shown, when the program ends, and that no result
# dialog shows after its own uninstaller started.
own_started=""
others_done_first=""
result_shown=""
result_after_own=""
ended=""
deadline=$(($(date +%s) + 180))
shot=0
while [ "$(date +%s)" -lt "$deadline" ]; do
    if [ -z "$own_started" ] && pgrep -f 'Tolvanire Uninstaller.uninst\.exe|_\?=C:.Program Files.Tolvanire Uninstaller' >/dev/null; then
        own_started=$(date +%s.%N)
        others_done_first=yes
        for app in CobaltDraw BirchPlayer; do
            grep -q '^end' "$run_log/$app.txt" 2>/dev/null && ! registered "$app" || others_done_first=""
        done
    fi
    if has_window 640x427; then
        if [ -n "$own_started" ]; then
            result_after_own=yes
        elif [ -z "$result_shown" ]; then
            result_shown=yes
            sleep 1
            import -window root "$shots/result-before-own.png"
            close_dialog
        fi
    fi
    if ! kill -0 "$program" 2>/dev/null; then
        ended=$(date +%s.%N)
        break
    fi
    shot=$((shot + 1))
    [ $((shot % 15)) -eq 5 ] && import -window root "$shots/run-$shot.png"
    sleep 0.2
done
wait "$program" && status=0 || status=$?

if [ -z "$ended" ]; then
    fail "the program did not end within 180 s"
elif [ -z "$own_started" ]; then
    fail "the program ended (status $status) without starting its own uninstaller"
else
    pass "the program started its own uninstaller and ended with status $status"
    [ "$status" -eq 0 ] || fail "the program ended with $status, not 0"
    [ -n "$others_done_first" ] && pass "Cobalt Draw and Birch Player were removed first" ||
        fail "the program started its own uninstaller before the others were removed"
    gap=$(echo "$ended $own_started" | awk '{ printf "%.1f", $1 - $2 }')
    # About a second, and never long enough for a result dialog.
    if awk -v g="$gap" 'BEGIN { exit !(g >= 0.3 && g <= 5) }'; then
        pass "it ended ${gap} s after starting its own uninstaller"
    else
        fail "it ended ${gap} s after starting its own uninstaller, not about 1 s"
    fi
fi
[ -n "$result_shown" ] && pass "the others' result came before its own uninstaller (screenshots/result-before-own.png)" ||
    fail "no result dialog for the others"
[ -z "$result_after_own" ] && pass "no result dialog after its own uninstaller started" ||
    fail "a result dialog showed although the program removed itself"

wineserver -w
[ ! -e "$folder" ] && pass "its install folder is gone" || fail "left behind: $(ls -A "$folder" | tr '\n' ' ')"
registered "Tolvanire Uninstaller" && fail "its Uninstall key is still there" || pass "its Uninstall key is gone"
for app in "Cobalt Draw" "Birch Player"; do
    [ ! -e "$WINEPREFIX/drive_c/Program Files/$app" ] && [ ! -e "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/$app" ] &&
        pass "$app is gone with its leftovers" || fail "$app left files behind"
done
registered QuillWriter && pass "Quill Writer, not ticked, stays" || fail "Quill Writer was removed"

echo "screenshots in $shots"
[ "$failures" -eq 0 ] || { echo "check-installer: $failures checks failed" >&2; exit 1; }
echo "check-installer: all checks passed"
