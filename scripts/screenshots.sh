#!/usr/bin/env bash
# Takes screenshots of every window to look at: the main window logged out and
# logged in, the login dialog, an error message box, the import window with
# the sample invoice loaded and imported. It asserts nothing; the pictures go
# to build-release/screenshots/. It runs the demo (scripts/demo.sh) under a
# virtual X server and drives it with xdotool.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build-release/screenshots
mkdir -p "$out"

need=()
for tool in Xvfb:xvfb xdotool:xdotool; do
  command -v "${tool%%:*}" >/dev/null || need+=("${tool##*:}")
done
/usr/bin/convert -version >/dev/null 2>&1 || need+=(imagemagick)
if [ ${#need[@]} -gt 0 ]; then
  sudo_cmd=(); [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update >/dev/null
  "${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${need[@]}" >/dev/null
fi

display=:$((90 + RANDOM % 9))
Xvfb "$display" -screen 0 1280x900x24 >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
home=$(mktemp -d)
# The demo server is stopped again at the end unless it was running before.
was_running=no
bash scripts/demo.sh --stop-check >/dev/null 2>&1 && was_running=yes
cleanup() {
  pkill -f "build-release/app/wImportFactVintra" || true
  kill "$xvfb" 2>/dev/null || true
  rm -rf "$home"
  [ "$was_running" = yes ] || bash scripts/demo.sh --stop >/dev/null
}
trap cleanup EXIT

HOME=$home bash scripts/demo.sh >"$out/demo.log" 2>&1 &
for _ in $(seq 1 600); do
  xdotool search --name fMenuImportFactVintra >/dev/null 2>&1 && break
  sleep 1
done
sleep 1
shot() { /usr/bin/import -window root "$out/$1.png"; echo "$out/$1.png"; }
origin() { eval "$(xdotool getwindowgeometry --shell "$(xdotool search --name "$1" | head -1)")"; }

origin fMenuImportFactVintra; mx=$X; my=$Y
shot 1-main-logged-out
xdotool mousemove $((mx + 40)) $((my + 20)) click 1; sleep 1
shot 2-login-dialog
xdotool type --delay 20 'wrong'; xdotool key Tab Tab
xdotool type --delay 20 'Firma Demo SRL'; xdotool key Tab; xdotool type --delay 20 'ana'; xdotool key Return; sleep 4
shot 3-error-message
xdotool key Return; sleep 1
origin frmLogin
xdotool mousemove $((X + 200)) $((Y + 96)) click 3 click 1; xdotool key ctrl+a; xdotool type --delay 20 'ana123'
xdotool key Return; sleep 2
shot 4-main-logged-in
xdotool mousemove $((mx + 100)) $((my + 76)) click 1; sleep 1
origin fImportFactVintra
xdotool mousemove $((X + 60)) $((Y + 39)) click 1; sleep 1.5
xdotool type --delay 10 "$(pwd)/build-release/samples/factura-vintra.xlsx"; xdotool key Return; sleep 2
xdotool mousemove $((X + 190)) $((Y + 39)) click 1; sleep 2
shot 5-import-window
