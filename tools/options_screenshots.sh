#!/usr/bin/env bash
# Screenshots of the six pages of the options sheet, as a person opens it: the editor started on
# a virtual X display, an equation typed, Tools > Edit Options... chosen with the keyboard, and
# each page captured in turn (Ctrl+Tab moves to the next). The pictures are put side by side in
# one contact sheet with ImageMagick's `montage`.
#   tools/options_screenshots.sh OUT.png
# Needs the built program, and xvfb, xdotool and imagemagick.
set -euo pipefail

cd "$(dirname "$0")/.."
root=$(pwd)
out=${1:?usage: tools/options_screenshots.sh OUT.png}
command -v montage >/dev/null || { echo "options_screenshots.sh: montage is missing" >&2; exit 2; }
source tools/lib/editor_on_xvfb.sh

type_equation 'x=(-b+-sqrt(b2-4ac))/2a'
xdotool key --window "$window" alt+t e
sheet=$(xdotool search --sync --onlyvisible --name '^Kalvane Preferences$' | head -n 1)
xdotool windowfocus --sync "$sheet"
pages=()
for page in fonts vectors styles units matrix shortcuts; do
  sleep 1  # the page's first paint has no signal outside the program
  capture "$sheet" "$scratch/$page.png"
  pages+=("$scratch/$page.png")
  xdotool key --window "$sheet" ctrl+Tab
done
montage "${pages[@]}" -tile 3x2 -geometry +8+8 -background '#d0d0d0' "$out"
echo "$out"
