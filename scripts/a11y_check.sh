#!/usr/bin/env bash
# Runs scripts/a11y_check.py (or the client script given as the argument, e.g.
# scripts/a11y_vmerge.py or scripts/a11y_merge.py) against the program under Xvfb with an AT-SPI bus.
# Installs what it needs when missing; builds the program if it is not built yet.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${BUILD_DIR:-$ROOT/build/release}"

# shellcheck source=lib_desktop.sh
. "$ROOT/scripts/lib_desktop.sh"
install_missing python3-pyatspi at-spi2-core dbus-x11 xvfb fonts-noto-cjk imagemagick
ensure_built "$BUILD"

DISPLAY_NUM="${DISPLAY_NUM:-:98}"
start_xvfb "$DISPLAY_NUM"
trap 'kill $XVFB 2>/dev/null || true' EXIT

export DISPLAY="$DISPLAY_NUM" SHUHUI_ROOT="$ROOT"
# The default check has the program open a workbook named on its command line, so the tree has a
# workbook with sheets; other client scripts open their workbooks themselves.
A11Y_BOOK=""
if [ -z "${1:-}" ]; then A11Y_BOOK="$ROOT/tests/fixtures/workbooks/pay.xls"; fi
export A11Y_BOOK
run_atspi "$BUILD/src/app/shuhui" ${A11Y_BOOK:+"$A11Y_BOOK"} -- "$(realpath "${1:-$ROOT/scripts/a11y_check.py}")" shuhui
