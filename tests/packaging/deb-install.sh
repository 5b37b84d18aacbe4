#!/bin/sh
# The .deb that CPack makes, unpacked into a fresh folder as dpkg would put
# it under /: it depends on Wine and on the libraries the programs link,
# and its command-line program, run from there, lists the programs of a
# Wine prefix through the winehost.exe of the package, and its window
# shows that list styled with the package's style sheets.
#
#   deb-install.sh BUILD_DIR WORK_DIR PREFIX NAME...
# with the prefix's sandbox HOME, WINEDEBUG etc. in the environment; each
# NAME is a program the prefix holds.
set -eu
build=$1
work=$2
prefix=$3
shift 3

rm -rf "$work"
mkdir -p "$work"
(cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log" >&2
    exit 1
}
deb=$(ls "$work"/package/*.deb)
dpkg-deb -x "$deb" "$work/root"

failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

depends=$(dpkg-deb -f "$deb" Depends)
for package in wine wine64 libqt5widgets5 libqt5network5; do
    echo "$depends" | grep -q "\\b$package\\b" || fail "Depends does not name $package: $depends"
done
# Everything goes under /usr, as Debian's policy wants.
outside=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v -e '^\./$' -e '^\./usr/' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"

cli=$work/root/usr/bin/tolvanire-uninstaller-cli
"$cli" list --json --prefix "$prefix" >"$work/list.json" 2>"$work/list.err" || {
    fail "list ended with $? ($(cat "$work/list.err"))"
}
for name in "$@"; do
    grep -q "\"displayName\": \"$name\"" "$work/list.json" || fail "list does not name $name: $(cat "$work/list.json")"
done

# The window, until it has shown the list: every style sheet it reads is
# found (a missing one is logged), and the list is read through the host.
gui_log=$work/gui.log
QT_QPA_PLATFORM=offscreen TOLVANIRE_LOG_FILE=$gui_log TOLVANIRE_INSTANCE_KEY=deb-install-$$ \
    "$work/root/usr/bin/tolvanire-uninstaller" --prefix "$prefix" >"$work/gui.out" 2>&1 &
gui=$!
waited=0
until grep -q "create tree end" "$gui_log" 2>/dev/null || [ $waited -ge 120 ] || ! kill -0 $gui 2>/dev/null; do
    sleep 1
    waited=$((waited + 1))
done
kill $gui 2>/dev/null || true
wait $gui 2>/dev/null || true
grep -q "create tree end" "$gui_log" 2>/dev/null || fail "the window did not show the list: $(cat "$work/gui.out")"
! grep "could not be read" "$gui_log" || fail "the window missed files of the package"
exit $failed
