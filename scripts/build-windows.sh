#!/bin/sh
# Cross-builds the program for 64-bit Windows: tolvanire-uninstaller.exe and
# tolvanire-uninstaller-cli.exe (both linking the Windows backend directly,
# the MinGW run-time and a static Qt 5.15 inside), their Resources\, QSS\
# and uiconfig, the tests (run under Wine by scripts/test-windows.sh) and
# the installer tolvanire-uninstaller-setup.exe.
#
#   scripts/build-windows.sh [BUILD_DIR] [-- NINJA_TARGET...]
#
# BUILD_DIR defaults to build-win/. The static Qt for MinGW is unpacked
# once into BUILD_DIR/qt5-mingw from qt5-mingw-static.tar.xz, looked for in
# $TOLVANIRE_QT_MINGW_ARCHIVE, then ../shared/sdk/ beside the checkout;
# without it, the same Qt is built once from Debian's source package into
# BUILD_DIR/qt5-mingw-source (scripts/build-qt5-mingw.sh).
# TOLVANIRE_QT_MINGW=DIR uses a Qt already unpacked or built by
# scripts/build-qt5-mingw.sh instead. TOLVANIRE_WARNINGS_AS_ERRORS=ON (or
# OFF) and TOLVANIRE_UNITY_BUILD=ON (or OFF) set the CMake options of those
# names (scripts/test-windows.sh: both ON).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/lib.sh"
build="$root/build-win"
if [ $# -gt 0 ] && [ "$1" != "--" ]; then build=$1; shift; fi
[ "${1:-}" = "--" ] && shift
mkdir -p "$build"
build=$(cd "$build" && pwd)

qt=${TOLVANIRE_QT_MINGW:-}
if [ -z "$qt" ]; then
    qt="$build/qt5-mingw"
    if archive=$(tolvanire_find_qt_mingw_archive); then
        # Unpacked again only when the archive changes.
        stamp="$build/qt5-mingw.stamp"
        signature=$(ls -l --time-style=+%s "$archive" | awk '{ print $5, $6 }')
        if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$signature" ] || [ ! -d "$qt/lib/cmake/Qt5" ]; then
            echo "build-windows: unpacking $archive" >&2
            rm -rf "$qt" "$stamp"
            tar xf "$archive" -C "$build"
            echo "$signature" >"$stamp"
        fi
    else
        # A machine without the archive builds the same Qt from Debian's
        # source package once (about 16 minutes on 2 cores) and keeps it.
        qt="$build/qt5-mingw-source"
        if [ ! -f "$qt/lib/cmake/Qt5/Qt5Config.cmake" ]; then
            echo "build-windows: no qt5-mingw-static.tar.xz found (TOLVANIRE_QT_MINGW_ARCHIVE, ../shared/sdk/);" \
                "building Qt for MinGW from Debian's sources into $qt" >&2
            "$root/scripts/build-qt5-mingw.sh" "$qt"
        fi
    fi
fi
[ -f "$qt/lib/cmake/Qt5/Qt5Config.cmake" ] || { echo "build-windows: no Qt 5 in $qt" >&2; exit 1; }

tolvanire_use_ccache
jobs=$(nproc 2>/dev/null || echo 2)
# Release: the static Qt is a release build, and the programs ship as such.
# shellcheck disable=SC2086 # the launcher and the settings are one word or none
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DTOLVANIRE_QT_MINGW="$qt" $TOLVANIRE_LAUNCHER \
    ${TOLVANIRE_WARNINGS_AS_ERRORS:+-DTOLVANIRE_WARNINGS_AS_ERRORS=$TOLVANIRE_WARNINGS_AS_ERRORS} \
    ${TOLVANIRE_UNITY_BUILD:+-DTOLVANIRE_UNITY_BUILD=$TOLVANIRE_UNITY_BUILD}
if [ $# -gt 0 ]; then
    cmake --build "$build" -j "$jobs" --target "$@"
else
    cmake --build "$build" -j "$jobs"
fi
echo "build-windows: programs in $build/bin"
