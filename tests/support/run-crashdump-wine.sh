#!/bin/sh
# Runs the MinGW crash test program under Wine, in a fresh sandbox: once with
# the system's DbgHelp and once with a stand-in DbgHelp.dll beside it.
# Usage: run-crashdump-wine.sh CRASHDUMP_EXE FAKE_DBGHELP_DLL
set -eu
exe=$1
fake=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/tolvanire-crashdump.XXXXXX")
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

export HOME="$work/home" WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$work/plain" "$work/fake"
# A fresh prefix (a copy of $TOLVANIRE_PREFIX_TEMPLATE when that is set).
timeout 180 "$(dirname "$0")/../fixtures/nsis/install-fixtures.sh" --prefix "$work/prefix" --work "$work" >/dev/null

cp "$exe" "$work/plain/crashdump.exe"
(cd "$work/plain" && timeout 120 wine crashdump.exe check)
# Checked from outside too: the dump lies beside the program.
test -s "$work/plain/zelwudump0.dmp"

cp "$exe" "$work/fake/crashdump.exe"
cp "$fake" "$work/fake/DbgHelp.dll"
# Wine prefers its own DbgHelp unless told otherwise; Windows loads the
# file the program names by path.
(cd "$work/fake" && WINEDLLOVERRIDES="mscoree,mshtml=;dbghelp=n,b" timeout 120 wine crashdump.exe check-fake)
echo "crash dumps under Wine: passed"
