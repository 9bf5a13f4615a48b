#!/usr/bin/env bash
# Shows a workbook in the embedded spreadsheet application's result window under Xvfb and captures
# the window to docs/sheet_window.png.
#   bash scripts/sheet_screenshot.sh WORKBOOK [SHEET] [OUT.png]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build/release}"
FILE="${1:?usage: sheet_screenshot.sh WORKBOOK [SHEET] [OUT.png]}"
SHEET="${2:-}"
OUT="${3:-$ROOT/docs/sheet_window.png}"

# shellcheck source=lib_desktop.sh
. "$ROOT/scripts/lib_desktop.sh"
install_missing imagemagick xvfb fonts-noto-cjk
[ -f "$BUILD/build.ninja" ] || cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$BUILD" --target shuhui-sheet

DISPLAY_NUM="${DISPLAY_NUM:-:96}"
APP=""
start_xvfb "$DISPLAY_NUM"
trap 'kill $APP 2>/dev/null || true; kill $XVFB 2>/dev/null || true' EXIT
DISPLAY="$DISPLAY_NUM" QT_QPA_PLATFORM=xcb "$BUILD/tools/shuhui-sheet" "$FILE" ${SHEET:+"$SHEET"} &
APP=$!
sleep "${WAIT_SECONDS:-3}"
mkdir -p "$(dirname "$OUT")"
# No window manager: the window sits at the top left, 960x640.
DISPLAY="$DISPLAY_NUM" import -window root -crop 960x640+0+0 +repage "$OUT"
echo "wrote $OUT"
