#!/bin/sh
# Sets up a fresh Debian 12 machine, builds everything and runs every test:
# the format check (scripts/check-format.sh); unit, GUI (offscreen), Wine
# integration and end to end (label "wine") in the Release build build/;
# the unit and GUI tests again in an AddressSanitizer+UBSan build
# (build-asan/); the unit and GUI tests that start threads (label
# "threads") in a ThreadSanitizer build (build-tsan/); and, beside the
# two sanitizer steps, the Windows build (scripts/test-windows.sh). Warnings are errors in every
# build, compilers run through ccache, and the sanitizer builds take
# winehost.exe from build/'s MinGW sub-build instead of compiling it again.
# Ends non-zero when any test fails. TOLVANIRE_SKIP_DEPS=1 skips the
# package installation, TOLVANIRE_SKIP_WINDOWS=1 the Windows build.
set -eu
started=$(date +%s)

root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/lib.sh"
jobs=$(nproc 2>/dev/null || echo 2)
[ "${TOLVANIRE_SKIP_DEPS:-0}" = 1 ] || "$root/scripts/setup-deps.sh"

tolvanire_use_ccache
# Wine and the tests write nothing into the real home.
tolvanire_wine_env "$root/build/test-home"
export QT_QPA_PLATFORM=offscreen
export TOLVANIRE_LOG_FILE="$root/build/test-tolvanire.log"

# Each step says how long the script has run so far.
step() {
    _s=$(($(date +%s) - started))
    printf '\n=== %s [%d:%02d]\n' "$*" $((_s / 60)) $((_s % 60))
}
# A failing test step is remembered and the next step still runs, so that
# one run shows every failure; a failing build ends the script at once.
# fail WHAT [BUILD_DIR]: with a build folder, the end of the output also
# names the tests that failed there and repeats the end of their output, so
# that a log cut to its last lines still says what failed and why.
failed=""
fail() {
    failed="$failed
  $1"
    _log="$root/${2:-.}/Testing/Temporary"
    [ -n "${2:-}" ] && [ -f "$_log/LastTestsFailed.log" ] || return 0
    while IFS=: read -r _number _name; do
        failed="$failed
    $_name, its output ends:
$(awk -v name="$_name" '
            / Test: / && substr($0, index($0, " Test: ") + 7) == name { on = 1 }
            on { print }
            on && index($0, "\"" name "\" end time") == 1 { exit }' "$_log/LastTest.log" | tail -n 40 | sed 's/^/      | /')"
    done <"$_log/LastTestsFailed.log"
}
# configure DIR CMAKE_ARGUMENT...: the settings every build here shares.
configure() {
    _dir=$1
    shift
    # shellcheck disable=SC2086 # the launcher is one word or none
    cmake -S "$root" -B "$root/$_dir" -G Ninja -DTOLVANIRE_WARNINGS_AS_ERRORS=ON $TOLVANIRE_LAUNCHER "$@"
}
# test_programs CTEST_ARGUMENT...: the programs (build targets) of the tests
# that ctest selects in build/. The sanitizer builds build only those: a
# whole sanitized build, benchmarks and Wine test programs included, took
# as long again as the rest of the run.
test_programs() {
    (cd "$root/build" && ctest -N -V "$@" |
        sed -n "s|.*Test command: $root/build/\([^ ]*\).*|\1|p" | xargs -n1 basename | sort -u)
}
# The sanitizer builds keep line tables only (-g1): a report still names
# each frame's file and line, and the builds compile and link faster. They
# also compile the product libraries in batches (TOLVANIRE_UNITY_BUILD),
# which on a clean machine takes half the time, and run each GoogleTest
# program's cases in one process (TOLVANIRE_GTEST_PER_PROGRAM): a sanitized
# program takes 0.2 s to start, which one process per case paid 1,200
# times, more than half of those steps.
sanitizer_build="-DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1 -DTOLVANIRE_UNITY_BUILD=ON -DTOLVANIRE_GTEST_PER_PROGRAM=ON"
# The Windows programs of the Linux builds are the same in each: the other
# builds enter build/'s MinGW sub-build, which rebuilds what changed.
shared_mingw="-DTOLVANIRE_MINGW_BINARY_DIR=$root/build/mingw"

step "format"
"$root/scripts/check-format.sh" || fail "format (scripts/check-format.sh)"

# Release, as users and packagers build it (GCC at -O3 warns where -O2
# does not), so that the build every test runs in is the Release build.
step "build (Release)"
configure build -DCMAKE_BUILD_TYPE=Release
cmake --build "$root/build" -j "$jobs"

step "all tests, Wine included"
# One test more than there are cores: the Wine tests wait on Wine for much
# of their time (a third of the CPU stayed idle with one per core).
(cd "$root/build" && ctest --output-on-failure -j $((jobs + 1)) --timeout 900) || fail "tests (build/)" build

# The Windows step waits on Wine for most of its time, and the sanitizer
# steps keep both cores busy: it runs beside them, into a file of its own
# that is shown once it has ended. A build that fails ends the script
# early: it then waits for the Windows step, whose output stays in that file.
windows_pid=""
windows_log="$root/build/test-windows.log"
windows_output() {
    [ -n "$windows_pid" ] || return 0
    step "Windows build (MinGW, static Qt) and its tests under Wine, run beside the sanitizer steps"
    _status=0
    wait "$windows_pid" || _status=$?
    windows_pid=""
    cat "$windows_log"
    [ "$_status" = 0 ] || fail "Windows build tests (build-win/)" build-win
}
if [ "${TOLVANIRE_SKIP_WINDOWS:-0}" != 1 ]; then
    TOLVANIRE_PREFIX_TEMPLATE="$root/build/tests/wine-template" "$root/scripts/test-windows.sh" >"$windows_log" 2>&1 &
    windows_pid=$!
    tolvanire_on_exit "wait $windows_pid"
fi

step "unit and GUI tests with AddressSanitizer and UBSan"
# shellcheck disable=SC2086 # one argument per word
configure build-asan -DCMAKE_BUILD_TYPE=Debug $sanitizer_build "-DTOLVANIRE_SANITIZE=address;undefined" "$shared_mingw"
# The install layout is checked once, in build/: this build is partial, and
# the GoogleTest programs it does not build stand in as "<target>_NOT_BUILT".
asan_tests="-LE wine -E ^packaging\.|_NOT_BUILT$"
# shellcheck disable=SC2046,SC2086 # one target, one argument per word
cmake --build "$root/build-asan" -j "$jobs" --target $(test_programs $asan_tests)
(cd "$root/build-asan" &&
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 LSAN_OPTIONS="suppressions=$root/tests/lsan-qt.supp:print_suppressions=0" \
        UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        ctest --output-on-failure -j "$jobs" --timeout 900 $asan_tests) || fail "AddressSanitizer tests (build-asan/)" build-asan

# Without the Wine tests: under a sanitizer they are slow, and what they
# add is the Wine host, which these builds do not sanitize.
step "tests that start threads with ThreadSanitizer"
# shellcheck disable=SC2086 # one argument per word
configure build-tsan -DCMAKE_BUILD_TYPE=Debug $sanitizer_build -DTOLVANIRE_SANITIZE=thread "$shared_mingw"
# shellcheck disable=SC2046 # one target per word
cmake --build "$root/build-tsan" -j "$jobs" --target $(test_programs -L threads -LE wine)
(cd "$root/build-tsan" && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j "$jobs" --timeout 900 -L threads -LE wine) ||
    fail "ThreadSanitizer tests (build-tsan/)" build-tsan

windows_output

if [ -n "$failed" ]; then
    step "FAILED:$failed"
    exit 1
fi
step "all tests passed"
