#!/bin/sh
# The installer under Wine, in a fresh prefix: it installs the program with
# its Resources, QSS and uiconfig, registers it under the Uninstall key
# (both uninstall strings, icon, size, version), the installed command line
# lists it, and its own uninstaller removes the folder and the key.
#
#   check-installer.sh SETUP_EXE WORK
set -eu
here=$(cd "$(dirname "$0")" && pwd)
TOLVANIRE_ROOT=$(cd "$here/../.." && pwd)
. "$TOLVANIRE_ROOT/scripts/lib.sh"
setup=$1
work=$2
mkdir -p "$work"
work=$(cd "$work" && pwd)
unset TOLVANIRE_LOG_FILE

"$TOLVANIRE_ROOT/tests/fixtures/nsis/install-fixtures.sh" --prefix "$work/prefix" --work "$work/fixtures"
tolvanire_wine_env "$work/fixtures/home"
export WINEPREFIX="$work/prefix"
tolvanire_on_exit "wineserver -k"

failures=0
pass() { echo "ok   $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tolvanire Uninstaller'
folder="$WINEPREFIX/drive_c/Program Files/Tolvanire Uninstaller"

wine "$setup" /S && wineserver -w || fail "the installer ended with $?"
for file in tolvanire-uninstaller.exe tolvanire-uninstaller-cli.exe uiconfig uninst.exe QSS/WU.qss Resources/Logo.ico; do
    [ -e "$folder/$file" ] || fail "not installed: $file"
done

wine reg query "$key" /reg:64 >"$work/key.txt" 2>&1 || true
tr -d '\r' <"$work/key.txt" >"$work/key.clean"
expect_value() { # NAME PATTERN
    if grep -Eq "^ *$1 +REG_[A-Z_]+ +$2\$" "$work/key.clean"; then pass "registered $1"; else fail "$1 not as expected"; fi
}
expect_value DisplayName "Tolvanire Uninstaller"
expect_value DisplayVersion "3\.2"
expect_value Publisher "Tolvanire"
expect_value UninstallString '"C:\\Program Files\\Tolvanire Uninstaller\\uninst\.exe"'
expect_value QuietUninstallString '"C:\\Program Files\\Tolvanire Uninstaller\\uninst\.exe" /S'
expect_value DisplayIcon 'C:\\Program Files\\Tolvanire Uninstaller\\tolvanire-uninstaller\.exe,0'
expect_value InstallLocation 'C:\\Program Files\\Tolvanire Uninstaller'
# More than 10 MB: the two programs with the static Qt inside.
size=$(awk '$1 == "EstimatedSize" { print $3 }' "$work/key.clean")
[ -n "$size" ] && [ $((size)) -gt 10240 ] && pass "EstimatedSize $((size)) KiB" || fail "EstimatedSize '$size'"

# The installed command line lists the program it belongs to.
if wine "C:\\Program Files\\Tolvanire Uninstaller\\tolvanire-uninstaller-cli.exe" list --json >"$work/list.json" 2>&1 &&
    grep -q '"displayName": *"Tolvanire Uninstaller"' "$work/list.json" &&
    grep -q '"displayVersion": *"3.2"' "$work/list.json"; then
    pass "list shows Tolvanire Uninstaller 3.2"
else
    fail "list does not show Tolvanire Uninstaller 3.2"
fi
wineserver -w

# Its uninstaller copies itself away and runs from there: wait for it.
wine "C:\\Program Files\\Tolvanire Uninstaller\\uninst.exe" /S || fail "the uninstaller ended with $?"
wineserver -w
[ ! -e "$folder" ] && pass "the install folder is gone" || fail "left behind: $(ls -A "$folder" | tr '\n' ' ')"
if wine reg query "$key" /reg:64 >/dev/null 2>&1; then fail "the Uninstall key is still there"; else pass "the Uninstall key is gone"; fi

[ "$failures" -eq 0 ] || { echo "check-installer: $failures checks failed" >&2; exit 1; }
echo "check-installer: all checks passed"
