#!/usr/bin/env bash
# Draws the toolbar's PNG icons from their SVG sources in resources/toolbar: NAME.png at the
# toolbar's 16 x 15 pixels and NAME@2x.png at 32 x 30 for high-density screens. The PNGs are kept
# in the repository, so building needs no SVG converter; run this after changing an SVG.
#   tools/make_icons.sh               remake every PNG
#   tools/make_icons.sh --sheet OUT   also draw OUT (a PNG): every icon at 128 x 120 side by
#                                     side, to judge them together
# Needs rsvg-convert (librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../resources/toolbar"

sheet=""
if [[ ${1:-} == --sheet ]]; then
  sheet=$(realpath -m "${2:?--sheet needs the PNG to write}")
fi

icons=(*.svg)
for source in "${icons[@]}"; do
  name=${source%.svg}
  rsvg-convert --width 16 --height 15 --output "$name.png" "$source"
  rsvg-convert --width 32 --height 30 --output "$name@2x.png" "$source"
done

if [[ -n $sheet ]]; then
  # rsvg-convert draws an SVG placed in another at its own small size, so each icon is drawn
  # large first; the sheet then places those pictures as they are.
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  columns=5
  rows=$(((${#icons[@]} + columns - 1) / columns))
  {
    echo "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink'" \
      "width='$((columns * 140 + 10))' height='$((rows * 132 + 10))'>"
    echo "<rect width='100%' height='100%' fill='#eeeeee'/>"
    for i in "${!icons[@]}"; do
      name=${icons[i]%.svg}
      rsvg-convert --width 128 --height 120 --output "$work/$name.png" "${icons[i]}"
      echo "<image x='$((i % columns * 140 + 10))' y='$(((i / columns) * 132 + 10))'" \
        "width='128' height='120' xlink:href='$name.png'/>"
    done
    echo "</svg>"
  } >"$work/sheet.svg"
  rsvg-convert --output "$sheet" "$work/sheet.svg"
fi
