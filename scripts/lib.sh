# Shared by the scripts (run.sh, screenshots.sh, test.sh, build-windows.sh)
# and the benchmarks: sourced, never run. POSIX sh.
#
#   . "$root/scripts/lib.sh"
#
# sets TOLVANIRE_ROOT (the top of the checkout) and offers:
#   tolvanire_wine_env HOME_DIR      Wine with a sandbox HOME (never the real
#                                    one), quiet, without Mono and Gecko
#   tolvanire_runtime_dir DIR        a private XDG_RUNTIME_DIR when none is set
#   tolvanire_on_exit COMMAND        run COMMAND when the script ends (in
#                                    reverse order of registration)
#   tolvanire_start_xvfb WxH         an Xvfb server on a free display, DISPLAY
#                                    set, ended when the script ends
#   tolvanire_fill_demo_prefix PREFIX WORK
#                                    a prefix with the sample programs, made
#                                    once and again when their installers
#                                    change (stamped); HOME becomes WORK/home,
#                                    the sandbox Wine ran with
#   tolvanire_find_qt_mingw_archive  prints the path of the static Qt for
#                                    MinGW (qt5-mingw-static.tar.xz)
#   tolvanire_use_ccache             sets TOLVANIRE_LAUNCHER to the CMake
#                                    option that runs the compilers through
#                                    ccache (empty without ccache) and
#                                    exports CCACHE_DIR, the real home's
#                                    cache unless set, before a sandbox HOME
#                                    would hide it

TOLVANIRE_ROOT=${TOLVANIRE_ROOT:-$(cd "$(dirname "$0")/.." && pwd)}
# The programs the demo prefix holds; the list tests install the same set
# (tests/fixtures/nsis/fixtures.cmake).
TOLVANIRE_SAMPLE_INSTALLERS="plain.nsi quietonly.nsi syscomp.nsi update.nsi view32.nsi user.nsi cafe.nsi"

tolvanire_wine_env() {
    mkdir -p "$1"
    export HOME="$1"
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_CACHE_HOME="$HOME/.cache"
}

tolvanire_runtime_dir() {
    # Qt wants a private runtime folder; a headless session often has none.
    if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "${XDG_RUNTIME_DIR:-}" ]; then
        export XDG_RUNTIME_DIR="$1"
        mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
    fi
}

_tolvanire_exit_commands=""
_tolvanire_run_exit_commands() {
    eval "$_tolvanire_exit_commands"
}
tolvanire_on_exit() {
    # Newest first, so that what was started last is ended first.
    _tolvanire_exit_commands="$1 >/dev/null 2>&1 || true
$_tolvanire_exit_commands"
    trap _tolvanire_run_exit_commands EXIT
    trap 'exit 130' INT TERM
}

tolvanire_start_xvfb() {
    _tolvanire_n=$(( $$ % 400 + 100 ))
    # A display whose lock file exists belongs to another server.
    while [ -e "/tmp/.X${_tolvanire_n}-lock" ]; do _tolvanire_n=$((_tolvanire_n + 1)); done
    Xvfb ":$_tolvanire_n" -screen 0 "${1:-1280x800}x24" -nolisten tcp >/dev/null 2>&1 &
    TOLVANIRE_XVFB_PID=$!
    tolvanire_on_exit "kill $TOLVANIRE_XVFB_PID"
    export DISPLAY=":$_tolvanire_n"
    # The server is ready once its socket exists.
    _tolvanire_i=0
    while [ $_tolvanire_i -lt 100 ]; do
        [ -S "/tmp/.X11-unix/X$_tolvanire_n" ] && return 0
        kill -0 "$TOLVANIRE_XVFB_PID" 2>/dev/null || break
        sleep 0.1
        _tolvanire_i=$((_tolvanire_i + 1))
    done
    echo "Xvfb did not start on $DISPLAY" >&2
    return 1
}

tolvanire_fill_demo_prefix() {
    _tolvanire_prefix=$1
    _tolvanire_work=$2
    # A prefix filled from older sample installers (say, before they had
    # icons of their own) is filled again.
    _tolvanire_sum=$(cd "$TOLVANIRE_ROOT/tests/fixtures/nsis" &&
        # shellcheck disable=SC2086 # one word per installer
        cat $TOLVANIRE_SAMPLE_INSTALLERS fixture.nsh make-icon.sh install-fixtures.sh | cksum)
    if [ ! -f "$_tolvanire_work/prefix.stamp" ] || [ ! -f "$_tolvanire_prefix/system.reg" ] ||
        [ "$(cat "$_tolvanire_work/samples.sum" 2>/dev/null)" != "$_tolvanire_sum" ]; then
        echo "filling the demo prefix $_tolvanire_prefix with the sample programs" >&2
        # shellcheck disable=SC2086 # one word per installer
        "$TOLVANIRE_ROOT/tests/fixtures/nsis/install-fixtures.sh" --prefix "$_tolvanire_prefix" \
            --work "$_tolvanire_work" $TOLVANIRE_SAMPLE_INSTALLERS >&2 || return 1
        echo "$_tolvanire_sum" > "$_tolvanire_work/samples.sum"
    fi
    tolvanire_wine_env "$_tolvanire_work/home"
    export WINEPREFIX="$_tolvanire_prefix"
}

tolvanire_find_qt_mingw_archive() {
    # CI puts a copy of shared/ beside the checkout; a git worktree sits one
    # level deeper. TOLVANIRE_QT_MINGW_ARCHIVE names another file.
    for _tolvanire_a in "${TOLVANIRE_QT_MINGW_ARCHIVE:-}" \
        "$TOLVANIRE_ROOT/../shared/sdk/qt5-mingw-static.tar.xz" \
        "$TOLVANIRE_ROOT/../../shared/sdk/qt5-mingw-static.tar.xz"; do
        if [ -n "$_tolvanire_a" ] && [ -f "$_tolvanire_a" ]; then
            (cd "$(dirname "$_tolvanire_a")" && echo "$(pwd)/$(basename "$_tolvanire_a")")
            return 0
        fi
    done
    return 1
}

tolvanire_use_ccache() {
    TOLVANIRE_LAUNCHER=""
    command -v ccache >/dev/null 2>&1 || return 0
    CCACHE_DIR=${CCACHE_DIR:-$(ccache -k cache_dir)}
    export CCACHE_DIR
    TOLVANIRE_LAUNCHER="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
}
