#!/bin/sh
# Benchmark of the leftover collection against `find` on the Linux side
# (not a test; prints figures).
#
#   bench/leftovers-bench.sh [--cli PATH] [--work DIR] [--folders N] [--files-per-folder N] [--runs N]
#
# A fresh prefix gets a roaming AppData tree of N folders (default 10,000:
# 100 groups of 100) with M files each (default 10, so 100,000 files), made
# directly on the Linux side, and one registered program, "Bench App",
# whose leaf name matches nothing in the tree: its collection walks the
# whole AppData tree, ProgramData, the common Start Menu and the common
# desktop and finds only its uninstall key.
#
# Timed, in turn, --runs times each (default 7; the median is reported),
# after one untimed warm-up run of each so that both start with a warm page
# cache and one persistent wineserver:
#   ours   tolvanire-uninstaller-cli leftovers "Bench App"   (start of the Wine
#          host, enumeration of the programs, the collection, exit)
#   base   the same command for "Bench Empty", whose install folder has no
#          leaf worth searching: everything but the AppData/ProgramData walk
#   find   find over the same AppData folder on the Linux side
# and the ratio ours / find (goal: 2 or less). "walk" = ours - base is the
# part the tree walk itself costs.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
. "$root/scripts/lib.sh"
cli="$root/build/bin/tolvanire-uninstaller-cli"
work=""
folders=10000
per_folder=10
runs=7
while [ $# -gt 0 ]; do
    case "$1" in
    --cli) cli="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    --folders) folders="$2"; shift 2 ;;
    --files-per-folder) per_folder="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    *) echo "usage: $0 [--cli PATH] [--work DIR] [--folders N] [--files-per-folder N] [--runs N]" >&2; exit 2 ;;
    esac
done
[ -x "$cli" ] || { echo "leftovers-bench: no $cli (build first or pass --cli)" >&2; exit 1; }
[ -n "$work" ] || work=$(dirname "$(dirname "$cli")")/bench-leftovers
mkdir -p "$work/home"
work=$(cd "$work" && pwd)

tolvanire_wine_env "$work/home"
export WINEPREFIX="$work/prefix"
export TOLVANIRE_LOG_FILE="$work/tolvanire.log"

echo "leftovers-bench: making a fresh prefix in $WINEPREFIX" >&2
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1
wineserver -w

reg="$work/programs.reg"
cat > "$reg" <<'EOF'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\BenchApp]
"DisplayName"="Bench App"
"UninstallString"="\"C:\\Program Files\\Bench App\\uninst.exe\""
"InstallLocation"="C:\\Program Files\\Bench App"

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\BenchEmpty]
"DisplayName"="Bench Empty"
"UninstallString"="\"C:\\Program Files\\Bench Empty\\uninst.exe\""
EOF
wine reg import "$reg" /reg:64 >/dev/null 2>&1
wineserver -w

user=$(ls "$WINEPREFIX/drive_c/users" | grep -v '^Public$' | head -n 1)
roaming="$WINEPREFIX/drive_c/users/$user/AppData/Roaming"
tree="$roaming/Bench Tree"
echo "leftovers-bench: writing $folders folders with $per_folder files each under $tree" >&2
groups=$(awk -v n="$folders" 'BEGIN { g = int(sqrt(n)); print (g < 1 ? 1 : g) }')
awk -v n="$folders" -v g="$groups" -v t="$tree" 'BEGIN {
    for (i = 0; i < n; i++) printf "%s/group%03d/folder%05d\n", t, i % g, i }' | xargs -d '\n' mkdir -p
awk -v n="$folders" -v g="$groups" -v m="$per_folder" -v t="$tree" 'BEGIN {
    for (i = 0; i < n; i++) for (j = 0; j < m; j++) printf "%s/group%03d/folder%05d/file%02d.dat\n", t, i % g, i, j }' |
    xargs -d '\n' touch
entries=$(find "$roaming" | wc -l)
echo "leftovers-bench: $entries entries under AppData\\Roaming" >&2

# One wineserver for the whole measurement.
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT

now_ns() { date +%s%N; }
time_cmd() { # prints the wall time of "$@" in ms
    start=$(now_ns)
    if ! "$@" >/dev/null 2>&1; then echo fail; return; fi
    end=$(now_ns)
    echo $(( (end - start) / 1000000 ))
}
median() { tr ' ' '\n' | grep -v '^$' | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

found=$("$cli" leftovers "Bench App" --prefix "$WINEPREFIX" | tail -n 1)
echo "leftovers-bench: leftovers \"Bench App\": $found" >&2
"$cli" leftovers "Bench Empty" --prefix "$WINEPREFIX" >/dev/null
find "$roaming" >/dev/null

ours="" base="" theirs=""
i=0
while [ $i -lt "$runs" ]; do
    ours="$ours $(time_cmd "$cli" leftovers "Bench App" --prefix "$WINEPREFIX")"
    base="$base $(time_cmd "$cli" leftovers "Bench Empty" --prefix "$WINEPREFIX")"
    theirs="$theirs $(time_cmd find "$roaming")"
    i=$((i + 1))
done
case "$ours $base $theirs" in
*fail*) echo "leftovers-bench: a timed run failed" >&2; exit 1 ;;
esac
ours_ms=$(echo "$ours" | median)
base_ms=$(echo "$base" | median)
find_ms=$(echo "$theirs" | median)
walk_ms=$((ours_ms - base_ms))
[ "$find_ms" -gt 0 ] || find_ms=1
echo "entries under AppData\\Roaming: $entries"
echo "leftovers \"Bench App\" (median of $runs): ${ours_ms} ms   [runs:$ours ]"
echo "leftovers without the walk:      ${base_ms} ms   [runs:$base ]"
echo "the walk itself (difference):    ${walk_ms} ms"
echo "find over the same folder:       ${find_ms} ms   [runs:$theirs ]"
awk -v a="$ours_ms" -v b="$find_ms" -v w="$walk_ms" 'BEGIN {
    printf "ratio leftovers / find: %.2f (goal 2 or less); walk only / find: %.2f\n", a / b, w / b }'
