#!/bin/bash
# Screenshots of the main menu, the About dialog, the update check dialog and
# each result page under Xvfb, against the test servers of serve.py.
# Usage: tests/update/screenshots.sh [BUILD_DIR]; pictures land in
# BUILD_DIR/screenshots/update/*.png.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build}" && pwd)
ninja -C "$build" update_demo tolvanire_runtime_files >/dev/null
demo="$build/tests/update/demo/update_demo"
out="$build/screenshots/update"
work=$(mktemp -d)
mkdir -p "$out" "$work/www/update"

openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout "$work/key.pem" \
    -out "$work/cert.pem" -days 1 -subj /CN=127.0.0.1 >/dev/null 2>&1
printf '[VERSION]\r\nVersion=3.3.0\r\nDescription=<b>What is new</b><br>Faster scans of large folders.<br>A cleaner program list.<br>Fixes for long install paths.\r\n' \
    >"$work/www/update/winUnintaller.ini"
coproc SERVER { exec python3 "$here/serve.py" --dir "$work/www" --cert "$work/cert.pem" --key "$work/key.pem"; }
read -r ports <&"${SERVER[0]}"
http=$(sed -n 's/.*http=\([0-9]*\).*/\1/p' <<<"$ports")
silent=$(sed -n 's/.*silent=\([0-9]*\).*/\1/p' <<<"$ports")

display=":$((190 + RANDOM % 100))"
Xvfb "$display" -screen 0 1000x700x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    kill "$SERVER_PID" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY="$display"
for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done

# The check waits on a server that never answers; the new-version page
# fetches its description from the plain one.
cat >"$(dirname "$demo")/userconfig" <<INI
[Update]
ID_UPDATE_HOST=127.0.0.1:$silent
ID_UPDATE_PLAIN_HOST=127.0.0.1:$http
ID_WEB_HOST=www.tolvanire.com
INI

for view in menu about check failed uptodate newdetails; do
    (cd "$build/bin" && exec "$demo" "$view") &
    app=$!
    sleep 2
    import -window root "$out/$view.png"
    kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
    app=""
done
# Without a plain server the new-version page has no description.
sed -i "s/^ID_UPDATE_PLAIN_HOST=.*/ID_UPDATE_PLAIN_HOST=127.0.0.1:1/" "$(dirname "$demo")/userconfig"
(cd "$build/bin" && exec "$demo" newplain) &
app=$!
sleep 2
import -window root "$out/newplain.png"
rm -f "$(dirname "$demo")/userconfig" "$(dirname "$demo")/Upgrade.ini"
echo "screenshots: $out"
