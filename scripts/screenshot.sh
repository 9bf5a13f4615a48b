#!/usr/bin/env bash
# Builds the program if needed, starts it under Xvfb (1280x800) and captures the screen to
# docs/screenshot.png.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build/shell}"
OUT="${1:-$ROOT/docs/screenshot.png}"

need=()
command -v import >/dev/null || need+=(imagemagick)
command -v Xvfb >/dev/null || need+=(xvfb)
dpkg-query -W -f='${Status}' fonts-noto-cjk 2>/dev/null | grep -q "install ok installed" || need+=(fonts-noto-cjk)
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

if [ ! -x "$BUILD/src/app/shuhui" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$BUILD" --target shuhui

DISPLAY_NUM="${DISPLAY_NUM:-:97}"
Xvfb "$DISPLAY_NUM" -screen 0 1280x800x24 -nolisten tcp &
XVFB=$!
trap 'kill $APP 2>/dev/null || true; kill $XVFB 2>/dev/null || true' EXIT
sleep 1
DISPLAY="$DISPLAY_NUM" QT_QPA_PLATFORM=xcb "$BUILD/src/app/shuhui" &
APP=$!
sleep "${WAIT_SECONDS:-3}"
mkdir -p "$(dirname "$OUT")"
DISPLAY="$DISPLAY_NUM" import -window root "$OUT"
echo "wrote $OUT"
