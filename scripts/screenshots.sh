#!/bin/bash
# Starts the program under Xvfb against a Wine prefix and saves screenshots
# of the splash, the main window, a message box, the busy dialog, the list
# of "Leftovers..." and a message box over the main window's overlay.
#
# Usage: scripts/screenshots.sh [BUILD_DIR [WINE_PREFIX]]
#   BUILD_DIR    defaults to ./build; the program is BUILD_DIR/bin/tolvanire-uninstaller
#   WINE_PREFIX  defaults to a demo prefix made once under BUILD_DIR/screenshots/
# Pictures land in BUILD_DIR/screenshots/*.png. SCALE=2 takes them on a
# doubled screen (QT_SCALE_FACTOR=2) to check the high-DPI pictures; they
# then land in BUILD_DIR/screenshots/x2/.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/lib.sh"
build=$(cd "${1:-$root/build}" && pwd)
out="$build/screenshots"
scale=${SCALE:-1}
program="$build/bin/tolvanire-uninstaller"
[ -x "$program" ] || { echo "screenshots: $program not built" >&2; exit 1; }
mkdir -p "$out"

if [ -n "${2:-}" ]; then
    prefix=$2
    tolvanire_wine_env "$out/home"
    export WINEPREFIX="$prefix"
else
    prefix="$out/demo-prefix"
    tolvanire_fill_demo_prefix "$prefix" "$out/demo-fixtures"
fi
tolvanire_on_exit "wineserver -k"

tolvanire_start_xvfb $((1280 * scale))x$((800 * scale))
app=""
tolvanire_on_exit 'kill $app'
shots="$out"
if [ "$scale" != 1 ]; then
    export QT_SCALE_FACTOR="$scale"
    shots="$out/x$scale"
    mkdir -p "$shots"
fi
# Keep clear of a real running instance.
export TOLVANIRE_INSTANCE_KEY="tolvanire-screenshots-$$"

# Waits until a top-level window named $1 maps (at most $2 seconds).
wait_for_window() {
    local deadline=$((SECONDS + $2))
    while [ $SECONDS -lt "$deadline" ]; do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && return 0
        sleep 0.2
    done
    echo "screenshots: no window '$1' after $2 s" >&2
    return 1
}

# shot NAME SETTLE_SECONDS WINDOW_NAME [ENV=VALUE ...]: one run, one picture.
shot() {
    local name=$1 settle=$2 window=$3
    shift 3
    env "$@" "$program" --prefix "${shot_prefix:-$prefix}" &
    app=$!
    if [ -n "$window" ]; then wait_for_window "$window" 60 || true; fi
    sleep "$settle"
    import -window root "$shots/$name.png"
    kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
    app=""
    echo "screenshots: $shots/$name.png"
}

shot splash 1.5 "" TOLVANIRE_SPLASH_HOLD_MS=8000
shot main 1.0 "Tolvanire Uninstaller"
shot message 1.0 "Tolvanire Uninstaller" TOLVANIRE_DEMO_DIALOG=message
shot overlay 1.0 "Tolvanire Uninstaller" TOLVANIRE_DEMO_DIALOG=message TOLVANIRE_FORCE_OVERLAY=1
shot busy 1.0 "Tolvanire Uninstaller" TOLVANIRE_DEMO_DIALOG=busy
# "Leftovers...": folders that no sample program claims, made for the shot
# and removed after it.
orphans=("$prefix/drive_c/Program Files/Old Photo Tool/bin" "$prefix/drive_c/ProgramData/Retired Sync Service"
    "$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Old Photo Tool")
mkdir -p "${orphans[@]}"
head -c 300000 /dev/zero >"${orphans[0]}/photo.exe"
shot orphans 2.0 "Tolvanire Uninstaller" TOLVANIRE_DEMO_DIALOG=orphans
rm -rf "$prefix/drive_c/Program Files/Old Photo Tool" "${orphans[1]}" "${orphans[2]}"
# A second start while the first runs: the "already running" box.
"$program" --prefix "$prefix" &
first=$!
wait_for_window "Tolvanire Uninstaller" 60 || true
sleep 1
shot secondinstance 1.5 ""
kill "$first" 2>/dev/null || true
wait "$first" 2>/dev/null || true

# A prefix that cannot exist (its parent is missing): the start-up failure box.
shot_prefix=/nonexistent/tolvanire-prefix shot startfailure 1.0 "Tolvanire Uninstaller"
