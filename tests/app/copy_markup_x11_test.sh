#!/usr/bin/env bash
# Copy as MathML and Copy as LaTeX in the editor as a person uses them, read by other programs:
# the program runs on the virtual X display xvfb-run gives (CTest starts it so), an equation is
# typed into it and the commands are chosen from the Edit menu by their keys with xdotool, and
# xclip reads what the clipboard offers, as any program that pastes would.
#   copy_markup_x11_test.sh EDITOR
set -euo pipefail

editor=${1:?usage: copy_markup_x11_test.sh EDITOR}
for tool in xdotool xclip; do
  command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 2; }
done

scratch=$(mktemp -d)
editor_pid=
cleanup() {
  if [ -n "$editor_pid" ]; then
    kill "$editor_pid" 2>/dev/null || true
    wait "$editor_pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The types the clipboard offers.
targets() { xclip -selection clipboard -o -t TARGETS 2>/dev/null || true; }

# Whether the clipboard offers the type.
offers() { targets | grep -qx "$1"; }
mathml_copied() { offers application/mathml+xml; }
latex_copied() { offers text/plain && ! offers application/mathml+xml; }

# wait_until CONDITION: waits until the condition holds, for 30 seconds at most. Nothing outside
# the program tells when it has handled the keys, so the clipboard is asked.
wait_until() {
  for _ in $(seq 300); do
    "$1" && return 0
    sleep 0.1
  done
  fail "$1 never held; the clipboard offers: $(targets | tr '\n' ' ')"
}

mkdir -p "$scratch/home"
HOME=$scratch/home XDG_CONFIG_HOME=$scratch/config QT_QPA_PLATFORM=xcb "$editor" &
editor_pid=$!
window=$(xdotool search --sync --onlyvisible --name '^Kalvane 3' | head -n 1)
# Without a window manager nothing gives the window the keyboard: it is given by hand.
xdotool windowfocus --sync "$window"
xdotool type --delay 20 -- 'a/b'

# Edit > Copy as MathML: the MathML file's bytes under their own type and as text, nothing else.
xdotool key --delay 50 alt+e h
wait_until mathml_copied
offered=$(targets | { grep / || true; } | sort | tr '\n' ' ')
[ "$offered" = "application/mathml+xml text/plain " ] || fail "MathML offers: $offered"
offers UTF8_STRING || fail "MathML is not offered as UTF-8 text"
xclip -selection clipboard -o -t application/mathml+xml >"$scratch/typed.mml"
xclip -selection clipboard -o -t UTF8_STRING >"$scratch/text.mml"
cmp -s "$scratch/typed.mml" "$scratch/text.mml" || fail "the MathML and the text differ"
printf '<?xml version="1.0" encoding="UTF-8"?>\n<math' >"$scratch/start"
cmp -s -n "$(stat -c %s "$scratch/start")" "$scratch/start" "$scratch/typed.mml" ||
  fail "the MathML does not start with the XML declaration and <math: $(head -c 80 "$scratch/typed.mml")"
grep -q '<mfrac>' "$scratch/typed.mml" || fail "the typed fraction is not in the MathML"

# Edit > Copy as LaTeX: text alone, replacing the MathML.
xdotool key --delay 50 alt+e l
wait_until latex_copied
offered=$(targets | { grep / || true; } | sort | tr '\n' ' ')
[ "$offered" = "text/plain " ] || fail "LaTeX offers: $offered"
xclip -selection clipboard -o -t UTF8_STRING | grep -qF '\frac' ||
  fail "the typed fraction is not in the LaTeX"
echo "PASS"
