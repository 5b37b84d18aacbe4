#!/bin/sh
# Benchmark of the leftover collection against `find` on the Linux side
# (not a test; prints figures).
#
#   bench/leftovers-bench.sh [--cli PATH] [--work DIR] [--folders N] [--files-per-folder N] [--runs N] [--clean]
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
#
# With --clean, the deep clean is timed instead: "Bench Tree", whose
# AppData folder is the whole tree, is cleaned --runs times (default 5)
# with restore points on and as often with them off, in turn (a fresh
# copy of the tree, its key imported again and the store emptied before
# each run, untimed; a first round warms up), and the ratio on / off of
# the medians is printed (goal: 1.3 or less). The setting is written to
# the userconfig the CLI reads and put back afterwards.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
. "$root/scripts/lib.sh"
cli="$root/build/bin/tolvanire-uninstaller-cli"
work=""
folders=10000
per_folder=10
runs=""
clean=0
while [ $# -gt 0 ]; do
    case "$1" in
    --clean) clean=1; shift ;;
    --cli) cli="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    --folders) folders="$2"; shift 2 ;;
    --files-per-folder) per_folder="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    *) echo "usage: $0 [--cli PATH] [--work DIR] [--folders N] [--files-per-folder N] [--runs N] [--clean]" >&2; exit 2 ;;
    esac
done
if [ -z "$runs" ]; then if [ "$clean" = 1 ]; then runs=5; else runs=7; fi; fi
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

if [ "$clean" = 1 ]; then
    clean_reg="$work/clean.reg"
    printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
        '[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\BenchTree]' \
        '"DisplayName"="Bench Tree"' \
        '"UninstallString"="\"C:\\Program Files\\Bench Tree\\uninst.exe\""' \
        '"InstallLocation"="C:\\Program Files\\Bench Tree"' > "$clean_reg"
    template="$work/tree-template"
    rm -rf "$template"
    mv "$tree" "$template"
    store="$HOME/.local/share/tolvanire-uninstaller/restore"
    config="$(dirname "$cli")/userconfig"
    saved="$work/userconfig.saved"
    rm -f "$saved"
    if [ -f "$config" ]; then cp "$config" "$saved"; fi
    put_back() {
        if [ -f "$saved" ]; then cp "$saved" "$config"; else rm -f "$config"; fi
        wineserver -k 2>/dev/null || true
    }
    trap put_back EXIT
    restore_points() { # true|false
        printf '[Restore]\nEnabled=%s\n' "$1" > "$config"
    }
    fresh() {
        rm -rf "$tree" "$store"
        cp -a "$template" "$tree"
        wine reg import "$clean_reg" /reg:64 >/dev/null 2>&1
    }
    on="" off=""
    i=0
    while [ $i -le "$runs" ]; do
        for mode in true false; do
            restore_points $mode
            fresh
            ms=$(time_cmd "$cli" clean "Bench Tree" --prefix "$WINEPREFIX")
            if [ -d "$tree" ]; then echo "leftovers-bench: the clean left $tree" >&2; exit 1; fi
            if [ $i -eq 0 ]; then continue; fi
            if [ $mode = true ]; then on="$on $ms"; else off="$off $ms"; fi
        done
        i=$((i + 1))
    done
    case "$on $off" in
    *fail*) echo "leftovers-bench: a timed run failed" >&2; exit 1 ;;
    esac
    on_ms=$(echo "$on" | median)
    off_ms=$(echo "$off" | median)
    echo "entries under AppData\\Roaming: $entries"
    echo "clean with restore points (median of $runs):    ${on_ms} ms   [runs:$on ]"
    echo "clean without restore points (median of $runs): ${off_ms} ms   [runs:$off ]"
    awk -v a="$on_ms" -v b="$off_ms" 'BEGIN { printf "ratio on / off: %.2f (goal 1.3 or less)\n", a / b }'
    exit 0
fi

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
