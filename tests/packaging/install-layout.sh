#!/bin/sh
# `cmake --install` of the build into a fresh folder: the programs, the host,
# the files they read and the desktop files land where a Linux application's
# belong, the menu entry and the metainfo pass their validators and name
# what is installed, and the installed programs start from there.
#
#   install-layout.sh BUILD_DIR WORK_DIR
set -eu
build=$1
work=$2
root=$work/usr
app=tolvanire-uninstaller
id=com.tolvanire.uninstaller

rm -rf "$work"
cmake --install "$build" --prefix "$root" >/dev/null

failed=0
fail() {
    echo "FAIL: $*" >&2
    failed=1
}

for file in \
    bin/$app bin/$app-cli libexec/$app/winehost.exe \
    share/$app/uiconfig share/$app/QSS/WU.qss share/$app/Resources/Logo128.png \
    share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
    share/icons/hicolor/scalable/apps/$id.svg share/icons/hicolor/48x48/apps/$id.png \
    share/icons/hicolor/256x256/apps/$id.png; do
    [ -f "$root/$file" ] || fail "$file is not installed"
done
# Only the two programs go on PATH; the build's stamp stays behind.
extra=$(ls "$root/bin" | grep -v -x -e $app -e $app-cli || true)
[ -z "$extra" ] || fail "bin/ holds more than the programs: $extra"
[ ! -e "$root/share/$app/Resources/.generated" ] || fail "the build's stamp file is installed"

desktop=$root/share/applications/$id.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $id.desktop"
appstreamcli validate --no-net --pedantic "$root/share/metainfo/$id.metainfo.xml" ||
    fail "appstreamcli rejects the metainfo"
# The entry starts an installed program and shows an installed icon; the
# metainfo names the entry.
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$root/bin/$exec_name" ] || fail "Exec=$exec_name is not an installed program"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$root/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "Icon=$icon is not in the hicolor theme"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$root/share/metainfo/$id.metainfo.xml" ||
    fail "the metainfo does not launch $id.desktop"

for program in $app $app-cli; do
    "$root/bin/$program" --version >/dev/null || fail "$program --version failed"
done
exit $failed
