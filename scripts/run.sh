#!/bin/sh
# Sets up a fresh Debian 12 machine, builds the program and runs it.
#
#   scripts/run.sh [--prefix DIR]
#
# Without --prefix the program manages a demo Wine prefix of its own,
# build/demo-prefix, filled once with the sample programs the tests install
# (never ~/.wine). With a display the window opens; without one it runs
# under Xvfb and a screenshot is saved to build/screenshots/run.png.
# TOLVANIRE_SKIP_DEPS=1 skips the package installation.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/lib.sh"
build="$root/build"
prefix=""
while [ $# -gt 0 ]; do
    case "$1" in
    --prefix) prefix="$2"; shift 2 ;;
    --prefix=*) prefix="${1#--prefix=}"; shift ;;
    *) echo "usage: $0 [--prefix DIR]" >&2; exit 2 ;;
    esac
done

[ "${TOLVANIRE_SKIP_DEPS:-0}" = 1 ] || "$root/scripts/setup-deps.sh"

jobs=$(nproc 2>/dev/null || echo 2)
tolvanire_use_ccache
# shellcheck disable=SC2086 # the launcher is one word or none
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release $TOLVANIRE_LAUNCHER
cmake --build "$build" -j "$jobs"

# The log stays in the real per-user state folder, whatever HOME Wine gets.
export XDG_STATE_HOME="${XDG_STATE_HOME:-$HOME/.local/state}"
if [ -z "$prefix" ]; then
    # The demo prefix and Wine's sandbox home live in the build folder, so
    # that the demo touches neither ~/.wine nor the real home.
    prefix="$build/demo-prefix"
    tolvanire_fill_demo_prefix "$prefix" "$build/demo-fixtures"
else
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
fi
export WINEPREFIX="$prefix"

gui="$build/bin/tolvanire-uninstaller"
[ -x "$gui" ] || exit 0
# It finds its pictures and style sheets beside itself, from any folder.
if [ -n "${DISPLAY:-}" ]; then
    exec "$gui" --prefix "$prefix"
fi

# No display: run under Xvfb and keep a picture of the window.
shots="$build/screenshots"
mkdir -p "$shots"
tolvanire_start_xvfb 1280x800
tolvanire_runtime_dir "$build/runtime"
"$gui" --prefix "$prefix" &
app=$!
tolvanire_on_exit "kill $app"
# Long enough for the Wine host to start and the list to be read.
sleep "${TOLVANIRE_SCREENSHOT_DELAY:-10}"
if kill -0 "$app" 2>/dev/null; then
    import -window root "$shots/run.png"
    echo "run: the program runs under Xvfb; screenshot saved to $shots/run.png"
else
    wait "$app" || true
    echo "run: the program ended before the screenshot" >&2
    exit 1
fi
