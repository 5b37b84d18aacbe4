#!/bin/sh
# Benchmark of "tolvanire-uninstaller-cli list" against Wine's own
# "wine uninstaller --list" on the same prefix (not a test; prints figures).
#
#   bench/list-bench.sh [--cli PATH] [--work DIR] [--entries N] [--runs N] [--reuse]
#
# --reuse keeps the prefix of an earlier run with the same --work folder.
# A fresh prefix gets N Uninstall entries (default 1,000: 60 % in the 64-bit
# view, 30 % in the 32-bit view, 10 % for the current user) imported with
# "wine reg import". One persistent wineserver serves every run, and each
# program runs once before timing, so both start equally warm. Each
# program then runs --runs times in turn (default 11), each first in every
# other round, and the median wall times are reported with their ratio
# list / wine uninstaller (goal: 0.25 or less), and beside it the median of
# the ratios of each round's pair, which a machine busy with other work
# disturbs less.
# Peak memory: the maximum resident set of the list process and, sampled
# from /proc while it runs, of winehost.exe, which it starts under Wine.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
. "$root/scripts/lib.sh"
cli="$root/build/bin/tolvanire-uninstaller-cli"
work=""
entries=1000
runs=11
reuse=0
while [ $# -gt 0 ]; do
    case "$1" in
    --cli) cli="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    --entries) entries="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    --reuse) reuse=1; shift ;;
    *) echo "usage: $0 [--cli PATH] [--work DIR] [--entries N] [--runs N] [--reuse]" >&2; exit 2 ;;
    esac
done
[ -x "$cli" ] || { echo "list-bench: no $cli (build first or pass --cli)" >&2; exit 1; }
[ -n "$work" ] || work=$(dirname "$(dirname "$cli")")/bench-list
mkdir -p "$work/home"
work=$(cd "$work" && pwd)

tolvanire_wine_env "$work/home"
export WINEPREFIX="$work/prefix"
export TOLVANIRE_LOG_FILE="$work/tolvanire.log"

# The registry file: N entries shaped like real installers' entries.
reg="$work/entries.reg"
awk -v n="$entries" 'BEGIN {
    print "Windows Registry Editor Version 5.00\n"
    for (i = 0; i < n; i++) {
        if (i % 10 < 6) root = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft";
        else if (i % 10 < 9) root = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft";
        else root = "HKEY_CURRENT_USER\\Software\\Microsoft";
        key = sprintf("BenchApp%04d", i);
        dir = sprintf("C:\\\\Program Files\\\\Bench Vendor %d\\\\Bench App %04d", i % 37, i);
        printf "[%s\\Windows\\CurrentVersion\\Uninstall\\%s]\n", root, key
        printf "\"DisplayName\"=\"Bench App %04d\"\n", i
        printf "\"DisplayVersion\"=\"%d.%d.%d\"\n", i % 7, i % 13, i
        printf "\"Publisher\"=\"Bench Vendor %d\"\n", i % 37
        printf "\"InstallLocation\"=\"%s\"\n", dir
        printf "\"DisplayIcon\"=\"%s\\\\app.exe,0\"\n", dir
        printf "\"UninstallString\"=\"\\\"%s\\\\uninst.exe\\\"\"\n", dir
        if (i % 2) printf "\"QuietUninstallString\"=\"\\\"%s\\\\uninst.exe\\\" /S\"\n", dir
        printf "\"EstimatedSize\"=dword:%08x\n", (i * 97) % 500000
        printf "\"NoModify\"=dword:00000001\n\"NoRepair\"=dword:00000001\n\n"
    }
}' > "$reg"

if [ "$reuse" = 1 ] && [ -f "$work/prefix.stamp" ] && [ "$(cat "$work/prefix.stamp")" = "$entries" ]; then
    echo "list-bench: reusing the prefix $WINEPREFIX" >&2
else
    echo "list-bench: making a fresh prefix with $entries entries in $WINEPREFIX" >&2
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX" "$work/prefix.stamp"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    wine reg import "$reg" /reg:64 >/dev/null 2>&1
    wineserver -w
    echo "$entries" > "$work/prefix.stamp"
fi

# One wineserver for the whole measurement.
wineserver -p 2>/dev/null || true # fails when one already runs for this prefix
trap 'wineserver -k 2>/dev/null || true' EXIT

now_ms() { date +%s%N | cut -b1-13; }
listed=$("$cli" list --json --prefix "$WINEPREFIX" | grep -c '"displayName"')
theirs=$(wine uninstaller --list | wc -l)
echo "list-bench: list shows $listed programs, wine uninstaller --list $theirs" >&2

ours_times=""
theirs_times=""
pair_ratios=""
run_ours() {
    t0=$(now_ms); "$cli" list --json --prefix "$WINEPREFIX" >/dev/null; t1=$(now_ms)
    ours_ms=$((t1 - t0))
}
run_theirs() {
    t0=$(now_ms); wine uninstaller --list >/dev/null; t1=$(now_ms)
    theirs_ms=$((t1 - t0))
}
i=0
while [ $i -lt "$runs" ]; do
    # Each goes first in every other round, so neither always follows the other.
    if [ $((i % 2)) = 0 ]; then run_ours; run_theirs; else run_theirs; run_ours; fi
    ours_times="$ours_times $ours_ms"
    theirs_times="$theirs_times $theirs_ms"
    pair_ratios="$pair_ratios $(awk -v a="$ours_ms" -v b="$theirs_ms" 'BEGIN { printf "%.3f", a / b }')"
    i=$((i + 1))
done
median() { echo "$@" | tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ours=$(median $ours_times)
theirs=$(median $theirs_times)
pair_ratio=$(median $pair_ratios)

# Peak memory: GNU time gives the largest resident set of the list process
# and of the children it waited for (winehost.exe runs as its child); the
# host's own peak (VmHWM) is sampled from /proc while it runs.
hwm_file="$work/winehost.hwm"
echo 0 > "$hwm_file"
rm -f "$work/.stop"
(
    peak=0
    while [ ! -e "$work/.stop" ]; do
        for pid in $(pgrep -f 'winehost[.]exe' || true); do
            kb=$(awk '/^VmHWM:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || true)
            if [ -n "$kb" ] && [ "$kb" -gt "$peak" ]; then
                peak=$kb
                echo "$peak" > "$hwm_file"
            fi
        done
        sleep 0.005
    done
) &
sampler=$!
/usr/bin/time -f '%M' -o "$work/list.rss" "$cli" list --json --prefix "$WINEPREFIX" >/dev/null
touch "$work/.stop"
wait $sampler
rm -f "$work/.stop"
list_kb=$(tail -n1 "$work/list.rss")
host_kb=$(cat "$hwm_file")

echo "entries:                        $entries"
echo "runs:                           $runs"
echo "list, wall times (ms):         $ours_times"
echo "wine uninstaller, times (ms):  $theirs_times"
echo "list, median (ms):              $ours"
echo "wine uninstaller, median (ms):  $theirs"
awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "ratio list / wine uninstaller:  %.2f (goal 0.25 or less)\n", a / b }'
awk -v r="$pair_ratio" 'BEGIN { printf "median ratio of the pairs:      %.2f (each list run against its neighbour)\n", r }'
echo "list, peak RSS (KiB):           $list_kb (the larger of the list process and winehost.exe)"
echo "winehost.exe, peak RSS (KiB):   $host_kb (sampled; 0 if it ran too briefly to be seen)"
awk -v a="$list_kb" -v b="$host_kb" 'BEGIN { printf "both together, at most (MiB):   %.1f (goal under 64)\n", (a + b) / 1024 }'
