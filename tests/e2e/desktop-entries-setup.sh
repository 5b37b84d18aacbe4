#!/bin/sh
# The two prefixes of the Linux desktop test, sharing one sandbox home whose
# desktop folder user-dirs.dirs moves to ~/Bureau:
#   WORK/prefix    Acme Notes and Acme Notes Lite
#   WORK/prefix2   Cobalt Draw (its path begins with the first one's)
# Wine's menu builder writes the programs' menu entries, launchers and icons
# into WORK/home as it installs them.
#
#   desktop-entries-setup.sh WORK           makes the home and both prefixes afresh
#   desktop-entries-setup.sh --remove WORK  deletes both prefixes
set -eu
fixtures=$(cd "$(dirname "$0")/../fixtures/nsis" && pwd)
if [ "${1:-}" = "--remove" ]; then
    work=${2:?usage: desktop-entries-setup.sh [--remove] WORK}
    for prefix in prefix prefix2; do
        "$fixtures/install-fixtures.sh" --remove --prefix "$work/$prefix" --work "$work"
    done
    exit 0
fi
work=${1:?usage: desktop-entries-setup.sh [--remove] WORK}
mkdir -p "$work"
# Both prefixes go first: a wineserver of the old ones would keep using the home.
for prefix in prefix prefix2; do
    "$fixtures/install-fixtures.sh" --remove --prefix "$work/$prefix" --work "$work"
done
rm -rf "${work:?}/home"
mkdir -p "$work/home/.config" "$work/home/Bureau"
# shellcheck disable=SC2016 # $HOME is for the file's readers to expand
printf 'XDG_DESKTOP_DIR="$HOME/Bureau"\n' >"$work/home/.config/user-dirs.dirs"
"$fixtures/install-fixtures.sh" --prefix "$work/prefix" --work "$work" \
    "$fixtures/runner/acme-notes.nsi" "$fixtures/runner/acme-notes-lite.nsi"
"$fixtures/install-fixtures.sh" --prefix "$work/prefix2" --work "$work" "$fixtures/runner/cobalt-draw.nsi"
