#!/usr/bin/env bash
# The result grid benchmark: the engine (shuhui-bench-grid) and pandas on the same 1,000,000-row
# data in one run, then the ratios against the targets.
#
# Usage: bench/grid_bench.sh [ROWS] [--no-xlwt]
# Builds shuhui-bench-grid in build/grid (Release, no GUI) at lowest priority, writes the generated
# data to a temporary folder, runs grid_pandas.py (with xlwt for the export reference unless
# --no-xlwt) and prints a table of medians and ratios.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
rows="${1:-1000000}"
xlwt="--xlwt"
for a in "$@"; do [ "$a" = "--no-xlwt" ] && xlwt=""; done
build="$root/build/grid"
[ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSHUHUI_WITH_GUI=OFF >/dev/null
nice -n 19 cmake --build "$build" -j2 --target shuhui-bench-grid >/dev/null
data="$(mktemp -d)"
trap 'rm -rf "$data"' EXIT

nice -n 19 "$build/bench/shuhui-bench-grid" "$data" "$rows" | tee "$data/engine.txt"
nice -n 19 /usr/bin/python3 "$here/grid_pandas.py" "$data" $xlwt | tee "$data/pandas.txt"

/usr/bin/python3 - "$data/engine.txt" "$data/pandas.txt" <<'PY'
import sys
def load(p):
    d = {}
    for line in open(p):
        k, v = line.split()
        d[k] = float(v)
    return d
e, p = load(sys.argv[1]), load(sys.argv[2])
print()
print(f"{'step':32} {'engine':>10} {'pandas':>10} {'ratio':>8}  target")
def row(name, en, pa, target, ok):
    ratio = en / pa if pa else float('nan')
    print(f"{name:32} {en:10.4f} {pa:10.4f} {ratio:8.2f}  {target} {'ok' if ok(ratio, en) else 'MISSED'}")
row("group_by_text_with_sums (s)", e["group_by_text_with_sums"], p["group_by_text_with_sums"],
    "engine <= pandas", lambda r, en: r <= 1.0)
row("filter_one_value (s)", e["filter_one_value"], p["filter_one_value"], "engine <= pandas", lambda r, en: r <= 1.0)
row("memory (MB)", e["memory_result_bytes"] / 1e6, p["memory_dataframe_bytes"] / 1e6, "ratio <= 1.5",
    lambda r, en: r <= 1.5)
if "xlwt_export_65535_rows" in p:
    row("export_65535_rows (s)", e["export_65535_rows"], p["xlwt_export_65535_rows"],
        f"xlwt/engine = {p['xlwt_export_65535_rows'] / e['export_65535_rows']:.0f}x, target >= 20x",
        lambda r, en: r <= 1 / 20)
print(f"{'rebuild_with_summaries (s)':32} {e['rebuild_with_summaries']:10.4f} {'':>10} {'':>8}  < 1 s "
      f"{'ok' if e['rebuild_with_summaries'] < 1 else 'MISSED'}")
print(f"{'expand_all (s)':32} {e['expand_all']:10.4f} {'':>10} {'':>8}  < 1 s "
      f"{'ok' if e['expand_all'] < 1 else 'MISSED'}")
PY
