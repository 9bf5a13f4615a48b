#!/usr/bin/env bash
# Runs scripts/sheet_a11y_check.py against shuhui-sheet showing WORKBOOK under Xvfb with an AT-SPI
# bus:  bash scripts/sheet_a11y_check.sh WORKBOOK [CELL TEXT...]  (texts that must be read)
# Installs what it needs when missing; builds the program if it is not built yet.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build/release}"

# shellcheck source=lib_desktop.sh
. "$ROOT/scripts/lib_desktop.sh"
install_missing python3-pyatspi at-spi2-core dbus-x11 xvfb fonts-noto-cjk
[ -f "$BUILD/build.ninja" ] || cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$BUILD" --target shuhui-sheet
FILE="${1:?usage: sheet_a11y_check.sh WORKBOOK [CELL TEXT...]}"
shift
export SHEET_FILE="$FILE" SHEET_EXPECT="$*"

DISPLAY_NUM="${DISPLAY_NUM:-:95}"
start_xvfb "$DISPLAY_NUM"
trap 'kill $XVFB 2>/dev/null || true' EXIT

export DISPLAY="$DISPLAY_NUM" SHUHUI_BIN="$BUILD/tools/shuhui-sheet" A11Y_SCRIPT="$ROOT/scripts/sheet_a11y_check.py"
dbus-run-session -- bash -c '
  set -u
  LAUNCHER=/usr/libexec/at-spi-bus-launcher
  [ -x "$LAUNCHER" ] || LAUNCHER=/usr/lib/at-spi2-core/at-spi-bus-launcher
  "$LAUNCHER" --launch-immediately &
  BUS=$!
  sleep 1
  QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 "$SHUHUI_BIN" "$SHEET_FILE" &
  APP=$!
  sleep 3
  /usr/bin/python3 "$A11Y_SCRIPT" shuhui-sheet $SHEET_EXPECT  # the system Python holds the pyatspi bindings
  rc=$?
  kill $APP 2>/dev/null || true
  kill $BUS 2>/dev/null || true
  exit $rc
'
