#!/bin/sh
# Builds the Windows programs (scripts/build-windows.sh) and runs their
# tests under Wine: the core and GUI tests as Windows programs (the GUI
# ones on the offscreen platform), then the real programs started, raised
# and crashed, and the installer installed and uninstalled
# (tests/windows/). Screenshots land in
# build-win/tests/windows/program/screenshots.
#
#   scripts/test-windows.sh [BUILD_DIR]      (default build-win/)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/lib.sh"
build=${1:-$root/build-win}
jobs=$(nproc 2>/dev/null || echo 2)

start=$(date +%s)
# Warnings are errors in the project's own test builds; the product
# libraries compile in batches, as in the sanitizer builds (a clean machine
# builds them from scratch).
TOLVANIRE_WARNINGS_AS_ERRORS=${TOLVANIRE_WARNINGS_AS_ERRORS:-ON} TOLVANIRE_UNITY_BUILD=${TOLVANIRE_UNITY_BUILD:-ON} \
    "$root/scripts/build-windows.sh" "$build"
built=$(date +%s)

# One quiet prefix for the unit and GUI tests; the program and installer
# checks make their own, copies of one booted prefix (test.sh shares
# build/'s).
export TOLVANIRE_PREFIX_TEMPLATE="${TOLVANIRE_PREFIX_TEMPLATE:-$build/wine-template}"
tolvanire_wine_env "$build/test-home"
export WINEPREFIX="$build/test-prefix"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >"$build/wineboot.log" 2>&1 ||
        { cat "$build/wineboot.log" >&2; echo "test-windows: wineboot failed (its output above)" >&2; exit 1; }
    wineserver -w
fi
# A persistent server with its services already running: a Wine process
# that starts them hands them its output pipe, and CTest (listing the cases
# of a GoogleTest program) would then wait for that pipe until it times out.
wineserver -p 2>/dev/null || true
tolvanire_on_exit "wineserver -k"
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
status=0
# A test that fails is run once more: under Wine a program now and then
# fails to start at all (no output, exit at once). The Linux build runs the
# same tests without a second chance, so a fault of ours still shows there.
# test.sh names the failed tests and shows their output from ctest's lists
# of the last run, which the second run writes anew: the first run's go
# back into them.
lists="$build/Testing/Temporary"
rm -f "$build/first-failed.log" "$build/first-output.log"
(cd "$build" && ctest --output-on-failure -j "$jobs" --timeout 900 -LE wine --repeat until-pass:2) || {
    status=1
    cp "$lists/LastTestsFailed.log" "$build/first-failed.log" 2>/dev/null || true
    cp "$lists/LastTest.log" "$build/first-output.log" 2>/dev/null || true
}
second=0
(cd "$build" && ctest --output-on-failure --timeout 900 -L wine) || { status=1; second=1; }
if [ -f "$build/first-failed.log" ]; then
    # A second run that passed may leave the first run's list in place.
    [ "$second" = 1 ] || : >"$lists/LastTestsFailed.log"
    cat "$build/first-failed.log" >>"$lists/LastTestsFailed.log"
    cat "$build/first-output.log" >>"$lists/LastTest.log" 2>/dev/null || true
fi
end=$(date +%s)
echo "test-windows: build $((built - start)) s, tests $((end - built)) s"
exit $status
