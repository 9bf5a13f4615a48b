#!/usr/bin/env bash
# Checks the borderless frame under a real window manager (openbox on Xvfb) with real pointer input
# (xdotool): moves by the right and the left button end with their release, a middle-button resize
# of the right edge ends with its release, double-clicks on the caption strip, the title label and
# the separator strips maximise and restore. Prints each step and leaves screenshots in OUT_DIR.
#
# Usage: scripts/frame_check.sh [OUT_DIR]   (BUILD_DIR, DISPLAY_NUM as in the other scripts)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build/release}"
OUT="${1:-$(mktemp -d)}"
mkdir -p "$OUT"

# shellcheck source=lib_desktop.sh
. "$ROOT/scripts/lib_desktop.sh"
install_missing xvfb openbox xdotool imagemagick fonts-noto-cjk
ensure_built "$BUILD"

DISPLAY_NUM="${DISPLAY_NUM:-:97}"
start_xvfb "$DISPLAY_NUM"
export DISPLAY="$DISPLAY_NUM"
openbox >/dev/null 2>&1 &
WM=$!
sleep 1
QT_QPA_PLATFORM=xcb "$BUILD/src/app/shuhui" >/dev/null 2>&1 &
APP=$!
trap 'kill $APP $WM $XVFB 2>/dev/null || true' EXIT
sleep 3
WID="$(xdotool search --onlyvisible --name '凌川数汇' | head -1)"

geom() {  # X Y W H of the window
  eval "$(xdotool getwindowgeometry --shell "$WID")"
  echo "$X $Y $WIDTH $HEIGHT"
}
failures=0
check() {  # what, expected, got
  if [ "$2" = "$3" ]; then echo "ok   $1: $3"; else echo "FAIL $1: expected $2, got $3"; failures=$((failures + 1)); fi
}
drag() {  # button, from x y (window-relative), by dx dy
  local b=$1 x=$2 y=$3 dx=$4 dy=$5
  read -r WX WY _ _ <<<"$(geom)"
  xdotool mousemove $((WX + x)) $((WY + y)); sleep 0.3
  xdotool mousedown "$b"; sleep 0.3
  # a first small step, as a hand starts a drag (the left button hands over to the window
  # manager after 3 pixels; the window lags by that first step)
  xdotool mousemove $((WX + x + (dx > 0 ? 3 : (dx < 0 ? -3 : 0)))) $((WY + y)); sleep 0.1
  for i in 1 2 3 4 5; do xdotool mousemove $((WX + x + dx * i / 5)) $((WY + y + dy * i / 5)); sleep 0.1; done
  sleep 0.3
  xdotool mouseup "$b"; sleep 0.5
}
dblclick() {  # x y (window-relative)
  read -r WX WY _ _ <<<"$(geom)"
  xdotool mousemove $((WX + $1)) $((WY + $2)); sleep 0.3
  xdotool click --repeat 2 --delay 60 1; sleep 1
}

read -r X0 Y0 W0 H0 <<<"$(geom)"
echo "start: $X0 $Y0 $W0 $H0"
import -window root "$OUT/0-start.png"

# a right-button move of the caption strip, then the pointer goes on without the button
drag 3 400 18 60 40
read -r X1 Y1 _ _ <<<"$(geom)"
check "right-button move" "$((X0 + 60)) $((Y0 + 40))" "$X1 $Y1"
xdotool mousemove_relative 120 80; sleep 0.5
read -r X2 Y2 _ _ <<<"$(geom)"
check "after the right button's release the window stays" "$X1 $Y1" "$X2 $Y2"
import -window root "$OUT/1-right-move.png"

# the left button through the window manager
drag 1 400 18 -50 -30
read -r X3 Y3 _ _ <<<"$(geom)"
# the window manager takes over after the first 3 pixels and follows from there
check "left-button move (less the 3 pixels before the hand-over)" "$((X2 - 47)) $((Y2 - 30))" "$X3 $Y3"
xdotool mousemove_relative 100 60; sleep 0.5
read -r X4 Y4 _ _ <<<"$(geom)"
check "after the left button's release the window stays" "$X3 $Y3" "$X4 $Y4"

# a middle-button resize from the right edge grip
read -r _ _ W5 H5 <<<"$(geom)"
drag 2 $((W5 - 2)) 300 70 0
read -r _ _ W6 H6 <<<"$(geom)"
check "middle-button resize of the right edge" "$((W5 + 70)) $H5" "$W6 $H6"
xdotool mousemove_relative 80 0; sleep 0.5
read -r _ _ W7 _ <<<"$(geom)"
check "after the middle button's release the size stays" "$W6" "$W7"
import -window root "$OUT/2-resized.png"

# double-clicks: caption strip, title label, separator under the mode bar, left separator
SCREEN_W=1280
for part in "caption-strip 500 18" "title-label 60 18" "title-label 60 18" "bar-separator 600 76" \
            "left-separator 222 300" "left-separator 222 300" "caption-strip 500 18"; do
  read -r name px py <<<"$part"
  read -r _ _ WB _ <<<"$(geom)"
  dblclick "$px" "$py"
  read -r _ _ WA _ <<<"$(geom)"
  if [ "$WB" -ge "$SCREEN_W" ]; then want="restored"; else want="maximised"; fi
  if [ "$WA" -ge "$SCREEN_W" ]; then got="maximised"; else got="restored"; fi
  check "double-click on the $name" "$want" "$got"
  import -window root "$OUT/3-dblclick-$name-$got.png"
done

echo "screenshots in $OUT"
[ "$failures" -eq 0 ]
