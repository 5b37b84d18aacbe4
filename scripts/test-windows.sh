#!/bin/sh
# Builds the Windows programs (scripts/build-windows.sh) and runs their
# tests under Wine: the core tests as Windows programs (and the GUI tests
# with TOLVANIRE_WINDOWS_GUI_TESTS=1),
# then the real programs started, raised and crashed, and the installer
# installed and uninstalled (tests/windows/). Screenshots land in
# build-win/tests/windows/program/screenshots.
#
#   scripts/test-windows.sh [BUILD_DIR]      (default build-win/)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/lib.sh"
build=${1:-$root/build-win}
jobs=$(nproc 2>/dev/null || echo 2)

start=$(date +%s)
if [ "${TOLVANIRE_WINDOWS_GUI_TESTS:-0}" = 1 ]; then
    "$root/scripts/build-windows.sh" "$build"
else
    # Each QtTest program links the whole static Qt: left out of the CI run
    # while their results do not count (TOLVANIRE_WINDOWS_GUI_TESTS=1 builds
    # and runs them).
    "$root/scripts/build-windows.sh" "$build" -- tolvanire-uninstaller tolvanire-uninstaller-cli \
        tolvanire_installer crashwatch tolvanire_core_tests tolvanire_leftover_tests
fi
built=$(date +%s)

# One quiet prefix for the unit and GUI tests; the program and installer
# checks make their own.
tolvanire_wine_env "$build/test-home"
export WINEPREFIX="$build/test-prefix" QT_QPA_PLATFORM=offscreen
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1
    wineserver -w
fi
# A persistent server with its services already running: a Wine process
# that starts them hands them its output pipe, and CTest (listing the cases
# of a GoogleTest program) would then wait for that pipe until it times out.
wineserver -p 2>/dev/null || true
tolvanire_on_exit "wineserver -k"
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
status=0
(cd "$build" && ctest --output-on-failure -j "$jobs" --timeout 900 -LE 'gui|wine') || status=1
(cd "$build" && ctest --output-on-failure --timeout 900 -L 'wine') || status=1
# The QtTest programs: several wait for windows to be exposed, which the
# offscreen platform of the static Qt does not report under Wine yet.
# Their results are shown but do not fail the run until that is fixed.
if [ "${TOLVANIRE_WINDOWS_GUI_TESTS:-0}" = 1 ]; then
    (cd "$build" && ctest -j "$jobs" --timeout 300 -L gui -LE wine) ||
        echo "test-windows: QtTest programs failed under Wine (known, not counted)" >&2
fi
end=$(date +%s)
echo "test-windows: build $((built - start)) s, tests $((end - built)) s"
exit $status
