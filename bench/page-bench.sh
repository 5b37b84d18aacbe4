#!/bin/sh
# Benchmark of the program page (not a test; prints figures): on a prefix
# with 1,000 Uninstall entries (the one bench/list-bench.sh makes, with a
# program carrying an icon put where each entry's "DisplayIcon" points), the
# wall time from starting the program to the painted list against the wall
# time of "tolvanire-uninstaller-cli list" in the same run (goal: 3x or
# less), then one search keystroke and one sort over all rows, and the time
# until every icon is in, cold (empty icon cache) and from the cache, with
# the number of icons the cold run drew.
#
#   bench/page-bench.sh [--build DIR] [--work DIR] [--runs N]
#
# Needs the targets tolvanire-uninstaller-cli and tolvanire_page_bench
# (ninja -C build tolvanire_page_bench). Runs under Xvfb when there is no
# display. One wineserver serves every run, and each program runs once
# before timing.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
build="$here/../build"
work=""
runs=5
while [ $# -gt 0 ]; do
    case "$1" in
    --build) build="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    *) echo "usage: $0 [--build DIR] [--work DIR] [--runs N]" >&2; exit 2 ;;
    esac
done
build=$(cd "$build" && pwd)
cli="$build/bin/tolvanire-uninstaller-cli"
page="$build/bin/tolvanire_page_bench"
for program in "$cli" "$page"; do
    [ -x "$program" ] || { echo "page-bench: no $program (build it first)" >&2; exit 1; }
done
[ -n "$work" ] || work="$build/bench-list"

# The prefix with 1,000 entries, made (or reused) by the list benchmark.
"$here/list-bench.sh" --cli "$cli" --work "$work" --runs 1 --reuse >/dev/null
work=$(cd "$work" && pwd)
export HOME="$work/home" WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# Every entry's "DisplayIcon" names "<its folder>\app.exe,0": put a real
# program with an icon there, so that each row's icon is drawn from a file
# of its own. Five small NSIS-built programs with icons of their own,
# hard-linked into the 1,000 folders on the Linux side.
apps="$work/bench-apps"
if [ ! -f "$WINEPREFIX/drive_c/Program Files/Bench Vendor 0/Bench App 0999/app.exe" ]; then
    mkdir -p "$apps"
    k=0
    for look in "#2e86de circle" "#27ae60 triangle" "#e67e22 bars" "#8e44ad diamond" "#c0392b circle"; do
        # shellcheck disable=SC2086 # colour and shape
        "$here/../tests/fixtures/nsis/make-icon.sh" "$apps/app$k.ico" $look
        printf 'Unicode true\nTarget amd64-unicode\nOutFile "%s"\nIcon "%s"\nSection\nSectionEnd\n' \
            "$apps/app$k.exe" "$apps/app$k.ico" > "$apps/app$k.nsi"
        makensis -V1 "$apps/app$k.nsi" >/dev/null
        k=$((k + 1))
    done
    i=0
    while [ $i -lt 1000 ]; do
        dir=$(printf '%s/drive_c/Program Files/Bench Vendor %d/Bench App %04d' "$WINEPREFIX" $((i % 37)) $i)
        mkdir -p "$dir"
        ln -f "$apps/app$((i % 5)).exe" "$dir/app.exe" 2>/dev/null || cp "$apps/app$((i % 5)).exe" "$dir/app.exe"
        i=$((i + 1))
    done
fi
export TOLVANIRE_LOG_FILE="$work/tolvanire.log"
icons="$HOME/.cache/tolvanire-uninstaller/icons"

xvfb=""
if [ -z "${DISPLAY:-}" ]; then
    export DISPLAY=":$(( $$ % 100 + 150 ))"
    Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    sleep 1
fi
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    export XDG_RUNTIME_DIR="$work/runtime"
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
fi
wineserver -p 2>/dev/null || true
cleanup() {
    wineserver -k 2>/dev/null || true
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT

cd "$build/bin"
now_ms() { date +%s%N | cut -b1-13; }
run_cli() { t0=$(now_ms); "$cli" list --prefix "$WINEPREFIX" >/dev/null; t1=$(now_ms); cli_ms=$((t1 - t0)); }
run_page() { t0=$(now_ms); "$page" --prefix "$WINEPREFIX" --exit-at-paint >/dev/null; t1=$(now_ms); page_ms=$((t1 - t0)); }
run_cli
run_page
cli_times=""
page_times=""
ratios=""
i=0
while [ $i -lt "$runs" ]; do
    if [ $((i % 2)) = 0 ]; then run_cli; run_page; else run_page; run_cli; fi
    cli_times="$cli_times $cli_ms"
    page_times="$page_times $page_ms"
    ratios="$ratios $(awk -v a="$page_ms" -v b="$cli_ms" 'BEGIN { printf "%.2f", a / b }')"
    i=$((i + 1))
done
median() { echo "$@" | tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

rm -rf "$icons"
cold=$("$page" --prefix "$WINEPREFIX")
# Cache entries of drawn icons begin with "TIC1", those of files without one
# with "TIC0".
drawn=0
for entry in "$icons"/*.icon; do
    [ -f "$entry" ] && [ "$(head -c 4 "$entry")" = TIC1 ] && drawn=$((drawn + 1))
done
warm=$("$page" --prefix "$WINEPREFIX")
field() { echo "$1" | tr ' ' '\n' | awk -v k="$2" 'prev == k { print; exit } { prev = $0 }'; }

echo "rows:                          $(field "$warm" rows)"
echo "list command (median):         $(median $cli_times) ms"
echo "program to painted (median):   $(median $page_times) ms"
echo "ratio painted / list (median): $(median $ratios)  (goal: 3 or less)"
echo "one search keystroke:          $(field "$warm" search_keystroke_ms) ms"
echo "one sort by size:              $(field "$warm" sort_ms) ms"
echo "icons drawn (cold run):        $drawn"
echo "all icons in, cold cache:      $(field "$cold" icons_in_ms) ms after start"
echo "all icons in, from the cache:  $(field "$warm" icons_in_ms) ms after start"
