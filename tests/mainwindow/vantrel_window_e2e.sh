#!/usr/bin/env bash
# The program's window under a virtual X display, used with a real mouse: it appears at its design
# size, the skin answers hovering, and the skin's close object ends the program with exit code 0.
#   vantrel_window_e2e.sh <program folder> <screen_grab> <folder for the screenshots>
set -euo pipefail
if [ "${1:-}" != --inside ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside "$@"
fi
bin=$2 grab=$3 shots=$4
mkdir -p "$shots"
places=$(mktemp -d)
trap 'rm -rf "$places"' EXIT
export VANTREL_WINDIR=$places/windows VANTREL_WORKDIR=$places/work
# A real window on the virtual display, whatever the test run set for the other suites.
export QT_QPA_PLATFORM=xcb
mkdir -p "$VANTREL_WINDIR" "$VANTREL_WORKDIR"

# Inside the virtual display.
drive() {
  "$bin/Vantrel" &
  local pid=$! status
  # The main window is the one of the design's size (a message box may carry the same title).
  local wid="" candidate
  for _ in $(seq 60); do
    for candidate in $(xdotool search --onlyvisible --name '^Vantrel$' 2>/dev/null); do
      eval "$(xdotool getwindowgeometry --shell "$candidate")"
      if [ "$WIDTH" -eq 781 ] && [ "$HEIGHT" -eq 558 ]; then wid=$candidate; break 2; fi
    done
    sleep 0.5
  done
  if [ -z "$wid" ]; then
    "$grab" "$shots/vantrel_window.png"
    echo "no 781 x 558 window appeared; see $shots/vantrel_window.png"; kill "$pid"; return 1
  fi
  echo "window $WIDTH x $HEIGHT at $X,$Y"
  sleep 1
  "$grab" "$shots/vantrel_window.png"

  # "converter" lies at 540,517 (96 x 34): its picture changes under the pointer.
  xdotool mousemove $((X + 300)) $((Y + 20)); sleep 0.5
  "$grab" "$shots/converter_normal.png" $((X + 540)) $((Y + 517)) 96 34
  xdotool mousemove $((X + 588)) $((Y + 534))
  # A loaded machine may take a while to repaint.
  for _ in $(seq 20); do
    sleep 0.5
    "$grab" "$shots/converter_hover.png" $((X + 540)) $((Y + 517)) 96 34
    cmp -s "$shots/converter_normal.png" "$shots/converter_hover.png" || break
  done
  "$grab" "$shots/vantrel_window_hover.png"
  if cmp -s "$shots/converter_normal.png" "$shots/converter_hover.png"; then
    echo "hovering \"converter\" changed nothing"; kill "$pid"; return 1
  fi

  # "close" lies at 751,5 (22 x 20).
  xdotool mousemove $((X + 762)) $((Y + 15)) click 1
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
  if kill -0 "$pid" 2>/dev/null; then echo "the close object did not end the program"; kill "$pid"; return 1; fi
  wait "$pid" && status=0 || status=$?
  echo "exit code $status"
  [ "$status" -eq 0 ]
}
drive
