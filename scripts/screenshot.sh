#!/usr/bin/env bash
# Builds the program if needed, starts it under Xvfb (1280x800) and captures the screen to
# docs/screenshot.png.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build/release}"
OUT="${1:-$ROOT/docs/screenshot.png}"

# shellcheck source=lib_desktop.sh
. "$ROOT/scripts/lib_desktop.sh"
install_missing imagemagick xvfb fonts-noto-cjk
ensure_built "$BUILD"

DISPLAY_NUM="${DISPLAY_NUM:-:97}"
APP=""
start_xvfb "$DISPLAY_NUM"
trap 'kill $APP 2>/dev/null || true; kill $XVFB 2>/dev/null || true' EXIT
DISPLAY="$DISPLAY_NUM" QT_QPA_PLATFORM=xcb "$BUILD/src/app/shuhui" &
APP=$!
sleep "${WAIT_SECONDS:-3}"
mkdir -p "$(dirname "$OUT")"
DISPLAY="$DISPLAY_NUM" import -window root "$OUT"
echo "wrote $OUT"
