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
source tools/lib/editor_on_xvfb.sh

type_equation "$equation"
if [ -n "$menu" ]; then
  xdotool key "alt+$menu"
fi
sleep 1  # the last paint and the menu's appearance have no signal outside the program
capture "$window" "$out"
echo "$out"
