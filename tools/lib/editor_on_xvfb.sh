# Sourced by the screenshot tools: starts a virtual X display (Xvfb) and the built editor on it
# with a scratch home, and sets $window to the editor's main window, with the keyboard given to
# it. Everything started is stopped when the calling script ends.
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "$(basename "$0"): $tool is missing" >&2; exit 2; }
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

# capture WINDOW OUT.png: the window as it is on the screen.
capture() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" "$2"
}

# type_equation 'EQUATION': typed key by key, one equation line per line of the text.
type_equation() {
  local first=1 line
  while IFS= read -r line; do
    [ $first -eq 1 ] || xdotool key --window "$window" Down
    first=0
    xdotool type --delay 20 -- "$line"
  done <<<"$1"
}
