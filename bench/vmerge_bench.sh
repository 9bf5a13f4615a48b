#!/usr/bin/env bash
# The one-row-header vertical merge in the main window beside pandas, in one run: the 12 month
# sheets of months.xls (5,000 rows each) stacked, from the click on "②生成结果" until the grid
# shows the rows.
#
#   bench/vmerge_bench.sh [DATA_DIR]     (RUNS=7 cold runs, WARM=10 warm clicks, PANDAS_RUNS=3)
#
# Cold: a fresh process (offscreen), the sheets read from the file by the click (the header reads
# before it leave nothing cached). Warm: the click again on cached sheets. pandas: read_excel (xlrd)
# of all sheets + concat, and concat alone, timed in-process like the peers in ../shared/bench.
# Prints the medians and the ratios; the raw lines are kept in bench/results/vmerge.tmp.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
DATA=${1:-$ROOT/bench/data}
RUNS=${RUNS:-7}
WARM=${WARM:-10}
PANDAS_RUNS=${PANDAS_RUNS:-3}
BUILD=${BUILD:-$ROOT/build/release}
BIN=$BUILD/bench/shuhui-bench-vmerge

if [ ! -f "$DATA/months.xls" ]; then
  echo "no months.xls in $DATA: nice /usr/bin/python3 ../shared/bench/gen_data.py $DATA --only months" >&2
  exit 2
fi
cmake --build "$BUILD" --target shuhui-bench-vmerge >/dev/null

mkdir -p "$ROOT/bench/results"
RAW=$ROOT/bench/results/vmerge.tmp
: >"$RAW"

export QT_QPA_PLATFORM=offscreen
for _ in $(seq "$RUNS"); do
  "$BIN" "$DATA" 2>/dev/null | sed 's/^/shuhui /' >>"$RAW"
done
"$BIN" "$DATA" "$WARM" 2>/dev/null | grep -E '^(warm_click|# warm)' | sed 's/^/shuhui /' >>"$RAW"

for _ in $(seq "$PANDAS_RUNS"); do
  /usr/bin/python3 - "$DATA" <<'EOF' | sed 's/^/pandas /' >>"$RAW"
import os, sys, time, warnings
import pandas.compat._optional as _opt
_opt.VERSIONS["xlrd"] = "1.2.0"  # Debian's xlrd 1.2.0 reads .xls with the same API
import pandas as pd
warnings.simplefilter("ignore")
path = os.path.join(sys.argv[1], "months.xls")
c0, t0 = time.process_time(), time.perf_counter()
sheets = pd.read_excel(path, sheet_name=None, engine="xlrd")
c1, t1 = time.process_time(), time.perf_counter()
allm = pd.concat(sheets.values(), ignore_index=True)
c2, t2 = time.process_time(), time.perf_counter()
print("read_all %.4f" % (t1 - t0))
print("concat %.4f" % (t2 - t1))
print("cold_union %.4f" % (t2 - t0))
print("# concat cpu=%.4f" % (c2 - c1))
print("# cold_union cpu=%.4f" % (c2 - c0))
print("# union rows=%d cols=%d" % allm.shape)
EOF
done

/usr/bin/python3 - "$RAW" <<'EOF'
import statistics, sys
import re
vals, notes = {}, []
for line in open(sys.argv[1], encoding="utf-8"):
    who, rest = line.rstrip("\n").split(" ", 1)
    if rest.startswith("#"):
        notes.append(who + " " + re.sub(r" cpu=[0-9.]+", "", rest))
        m = re.search(r"# (\w+) cpu=([0-9.]+)", rest)
        if m:
            vals.setdefault((who, m.group(1) + "_cpu"), []).append(float(m.group(2)))
        continue
    step, sec = rest.split()
    vals.setdefault((who, step), []).append(float(sec))
med = {k: statistics.median(v) for k, v in vals.items()}
print("%-24s %10s %6s" % ("step", "median s", "runs"))
for (who, step), v in sorted(vals.items()):
    print("%-24s %10.4f %6d" % (who + " " + step, med[(who, step)], len(v)))
def ratio(a, b):
    return med[a] / med[b] if a in med and b in med and med[b] > 0 else float("nan")
print()
print("cold click-to-grid: pandas read+concat / shuhui = %.1fx (target >= 15x)"
      % ratio(("pandas", "cold_union"), ("shuhui", "cold_click")))
print("warm click-to-grid: shuhui / pandas concat = %.2f (target <= 3)"
      % ratio(("shuhui", "warm_click"), ("pandas", "concat")))
print("with CPU seconds (all threads), steadier on a shared machine: cold %.1fx, warm %.2f"
      % (ratio(("pandas", "cold_union_cpu"), ("shuhui", "cold_click_cpu")),
         ratio(("shuhui", "warm_click_cpu"), ("pandas", "concat_cpu"))))
print()
print("rows: " + "; ".join(sorted(set(n for n in notes if "rows=" in n))))
EOF
