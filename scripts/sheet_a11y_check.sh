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
ensure_built "$BUILD" shuhui-sheet
FILE="${1:?usage: sheet_a11y_check.sh WORKBOOK [CELL TEXT...]}"
shift

DISPLAY_NUM="${DISPLAY_NUM:-:95}"
start_xvfb "$DISPLAY_NUM"
trap 'kill $XVFB 2>/dev/null || true' EXIT

export DISPLAY="$DISPLAY_NUM"
run_atspi "$BUILD/tools/shuhui-sheet" "$FILE" -- "$ROOT/scripts/sheet_a11y_check.py" shuhui-sheet "$@"
