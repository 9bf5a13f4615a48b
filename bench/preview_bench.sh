#!/usr/bin/env bash
# The preview of a large sheet: from the double-click on its node until the grid has painted the
# rows (the main window on the offscreen platform), against the provider's read of the same sheet
# ("select  * from", as shuhui-query runs it). Both in one run, each repetition a fresh process, so
# both read the workbook cold.
#
# Usage: bench/preview_bench.sh [BUILD_DIR] [RUNS]
# The 300,000-row workbook is made once by bench/preview/make_sheet.py (python3-xlsxwriter) into
# $SHUHUI_PREVIEW_DATA (default BUILD_DIR/preview-data).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
build="${1:-$root/build/release}"
runs="${2:-5}"
data="${SHUHUI_PREVIEW_DATA:-$build/preview-data}"
book="$data/preview_300k.xlsx"
cmake --build "$build" --target shuhui-bench-preview >/dev/null
if [ ! -f "$book" ]; then
  mkdir -p "$data"
  echo "making $book ..."
  /usr/bin/python3 "$here/preview/make_sheet.py" "$book.tmp.xlsx" 300000
  mv "$book.tmp.xlsx" "$book"
fi
exe="$build/bench/shuhui-bench-preview"
out="$(mktemp)"
trap 'rm -f "$out"' EXIT
for i in $(seq "$runs"); do
  QT_QPA_PLATFORM=offscreen "$exe" provider "$book" '工资$' >>"$out"
  QT_QPA_PLATFORM=offscreen "$exe" window "$book" '工资$' >>"$out" 2>/dev/null
done
/usr/bin/python3 - "$out" "$runs" <<'PY'
import statistics, sys
vals = {}
for line in open(sys.argv[1]):
    if line.startswith("#"):
        continue
    k, v = line.split()
    vals.setdefault(k, []).append(float(v))
p = statistics.median(vals["provider_read"])
w = statistics.median(vals["click_to_rows"])
print(f"runs {sys.argv[2]}: provider_read median {p:.3f} s  {sorted(round(x, 3) for x in vals['provider_read'])}")
print(f"runs {sys.argv[2]}: click_to_rows median {w:.3f} s  {sorted(round(x, 3) for x in vals['click_to_rows'])}")
print(f"click_to_rows / provider_read = {w / p:.2f}  (target <= 1.5: {'ok' if w / p <= 1.5 else 'MISSED'})")
PY
