#!/usr/bin/env bash
# Screenshots of the editor as a person sees it: the program started on a virtual X display
# (Xvfb) with a scratch home, an equation typed into it key by key with xdotool, optionally a
# menu opened, and the window captured with ImageMagick's `import`.
#   tools/screenshot.sh OUT.png 'EQUATION' [MENU_KEY]
# EQUATION may hold line breaks (one equation line each); MENU_KEY is the letter of a menu to
# open (f for File, e for Edit, ...). Needs the built program (tools/dev.sh run builds it), and
# xvfb, xdotool and imagemagick.
set -euo pipefail

cd "$(dirname "$0")/.."
root=$(pwd)
out=${1:?usage: tools/screenshot.sh OUT.png 'EQUATION' [MENU_KEY]}
equation=${2:?usage: tools/screenshot.sh OUT.png 'EQUATION' [MENU_KEY]}
menu=${3:-}
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshot.sh: $tool is missing" >&2; exit 2; }
done

scratch=$(mktemp -d)
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
server=$!
trap 'kill "${editor:-}" "$server" 2>/dev/null || true; rm -rf "$scratch"' EXIT
export DISPLAY=$display
# The server is ready once a client can talk to it.
for _ in $(seq 100); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

HOME=$scratch XDG_CONFIG_HOME=$scratch/config QT_QPA_PLATFORM=xcb "$root/build/src/kalvane" &
editor=$!
window=$(xdotool search --sync --onlyvisible --name '^Kalvane 3' | head -n 1)
# Without a window manager nothing gives the window the keyboard: it is given by hand.
xdotool windowfocus --sync "$window"
first=1
while IFS= read -r line; do
  [ $first -eq 1 ] || xdotool key --window "$window" Down
  first=0
  xdotool type --delay 20 -- "$line"
done <<<"$equation"
if [ -n "$menu" ]; then
  xdotool key "alt+$menu"
fi
sleep 1  # the last paint and the menu's appearance have no signal outside the program
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$out"
echo "$out"
