#!/bin/sh
# Sets up a fresh Debian 12 machine, builds everything and runs every test:
# unit, GUI (offscreen), Wine integration and end to end (label "wine"),
# then the unit and GUI tests again in an AddressSanitizer+UBSan build, and
# the core unit tests and the notification centre in a ThreadSanitizer
# build, then the Windows build (scripts/test-windows.sh). Ends non-zero
# when any test fails. TOLVANIRE_SKIP_DEPS=1 skips the package
# installation, TOLVANIRE_SKIP_WINDOWS=1 the Windows build.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/lib.sh"
jobs=$(nproc 2>/dev/null || echo 2)
[ "${TOLVANIRE_SKIP_DEPS:-0}" = 1 ] || "$root/scripts/setup-deps.sh"

# Wine and the tests write nothing into the real home.
tolvanire_wine_env "$root/build/test-home"
export QT_QPA_PLATFORM=offscreen
export TOLVANIRE_LOG_FILE="$root/build/test-tolvanire.log"

step() { printf '\n=== %s\n' "$*"; }
# A failing test step is remembered and the next step still runs, so that
# one run shows every failure; a failing build ends the script at once.
failed=""
fail() { failed="$failed
  $*"; }

step "build"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" -j "$jobs"

step "all tests, Wine included"
(cd "$root/build" && ctest --output-on-failure -j "$jobs" --timeout 900) || fail "tests (build/)"

step "unit and GUI tests with AddressSanitizer and UBSan"
cmake -S "$root" -B "$root/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug "-DTOLVANIRE_SANITIZE=address;undefined"
cmake --build "$root/build-asan" -j "$jobs"
(cd "$root/build-asan" &&
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 LSAN_OPTIONS="suppressions=$root/tests/lsan-qt.supp:print_suppressions=0" \
        UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        ctest --output-on-failure -j "$jobs" --timeout 900 -LE wine) || fail "AddressSanitizer tests (build-asan/)"

step "core unit tests and the notification centre with ThreadSanitizer"
cmake -S "$root" -B "$root/build-tsan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOLVANIRE_SANITIZE=thread
cmake --build "$root/build-tsan" -j "$jobs" --target tolvanire_inventory_tests tolvanire_support_tests tst_notifycentor
for program in tolvanire_inventory_tests tolvanire_support_tests; do
    TSAN_OPTIONS=halt_on_error=1 "$root/build-tsan/bin/$program" || fail "ThreadSanitizer $program (build-tsan/)"
done
(cd "$root/build-tsan" && ctest --output-on-failure -R '^widgetlib\.notifycentor$') ||
    fail "ThreadSanitizer notification centre tests (build-tsan/)"

if [ "${TOLVANIRE_SKIP_WINDOWS:-0}" != 1 ]; then
    step "Windows build (MinGW, static Qt) and its tests under Wine"
    "$root/scripts/test-windows.sh" || fail "Windows build tests (build-win/)"
fi

if [ -n "$failed" ]; then
    step "FAILED:$failed"
    exit 1
fi
step "all tests passed"
