#!/usr/bin/env bash
# Regenerates the reader fixtures in tests/fixtures/formats with writers independent of ours:
# openpyxl and xlwt write the originals, LibreOffice (headless) and Gnumeric (ssconvert) convert
# them to BIFF8 .xls, BIFF5 .xls (code page 936) and .xlsx, computing the formulas' cached values.
# The files are committed; tests never run this script.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="$ROOT/tests/fixtures/formats"
PY=/usr/bin/python3

# shellcheck source=lib_packages.sh
. "$ROOT/scripts/lib_packages.sh"
install_missing libreoffice-calc-nogui gnumeric python3-xlwt python3-openpyxl python3-xlrd locales

# Gnumeric writes BIFF5 text in the code page of the locale: a GBK locale gives code page 936
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.gbk$'; then
  localedef -i zh_CN -c -f GBK zh_CN.GBK
fi

TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT
export HOME="$TMP/home"   # LibreOffice keeps its profile there
mkdir -p "$HOME"

"$PY" "$OUT/make_fixtures.py" "$OUT"

lo() {  # lo SRC FILTER OUTFILE
  local src="$1" filter="$2" dst="$3"
  rm -rf "$TMP/lo" && mkdir -p "$TMP/lo"
  soffice --headless --norestore --convert-to "$filter" --outdir "$TMP/lo" "$src" >/dev/null 2>&1
  mv "$TMP/lo/"* "$dst"
}

# LibreOffice: BIFF8 and OOXML, formulas recalculated
lo "$OUT/basic_openpyxl.xlsx" 'xls:MS Excel 97' "$OUT/basic_lo.xls"
lo "$OUT/basic_openpyxl.xlsx" 'xlsx:Calc MS Excel 2007 XML' "$OUT/basic_lo.xlsx"
lo "$OUT/date1904_openpyxl.xlsx" 'xls:MS Excel 97' "$OUT/date1904_lo.xls"
lo "$OUT/rich_xlwt.xls" 'xlsx:Calc MS Excel 2007 XML' "$OUT/rich_lo.xlsx"

# Gnumeric: BIFF8, BIFF5 (Excel 95, text in code page 936) and OOXML
ssconvert -T Gnumeric_Excel:excel_biff8 "$OUT/basic_openpyxl.xlsx" "$OUT/basic_gnumeric.xls" >/dev/null 2>&1
ssconvert -T Gnumeric_Excel:xlsx2 "$OUT/basic_openpyxl.xlsx" "$OUT/basic_gnumeric.xlsx" >/dev/null 2>&1
LANG=zh_CN.GBK LC_ALL=zh_CN.GBK ssconvert -T Gnumeric_Excel:excel_biff7 "$OUT/basic_openpyxl.xlsx" \
  "$OUT/basic_biff5.xls" >/dev/null 2>&1

# The comparison set: the originals plus LibreOffice's conversions of them
C="$OUT/compare"
lo "$C/random_openpyxl.xlsx" 'xls:MS Excel 97' "$C/random_lo.xls"
lo "$C/random_xlwt.xls" 'xlsx:Calc MS Excel 2007 XML' "$C/random_lo.xlsx"
lo "$OUT/basic_openpyxl.xlsx" 'xls:MS Excel 97' "$C/basic_lo.xls"
ssconvert -T Gnumeric_Excel:xlsx2 "$C/random_xlwt.xls" "$C/random_gnumeric.xlsx" >/dev/null 2>&1
cp "$OUT/basic_lo.xlsx" "$OUT/date1904_xlwt.xls" "$OUT/date1904_openpyxl.xlsx" "$C/"

ls -l "$OUT" "$C"
