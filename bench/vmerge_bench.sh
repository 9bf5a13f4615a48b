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
# shellcheck source=lib_bench.sh
. "$ROOT/bench/lib_bench.sh"

bench_need_data "no months.xls in $DATA: nice /usr/bin/python3 ../shared/bench/gen_data.py $DATA --only months" \
  "$DATA/months.xls"
cmake --build "$BUILD" --target shuhui-bench-vmerge >/dev/null

bench_raw vmerge

export QT_QPA_PLATFORM=offscreen
for _ in $(seq "$RUNS"); do
  "$BIN" "$DATA" 2>/dev/null | sed 's/^/shuhui /' >>"$RAW"
done
"$BIN" "$DATA" "$WARM" 2>/dev/null | grep -E '^(warm_click|# warm)' | sed 's/^/shuhui /' >>"$RAW"

for _ in $(seq "$PANDAS_RUNS"); do
  bench_pandas "$DATA" <<'EOF' | sed 's/^/pandas /' >>"$RAW"
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

bench_medians 24 cpu <<'EOF'
print("cold click-to-grid: pandas read+concat / shuhui = %.1fx (target >= 15x)"
      % ratio(("pandas", "cold_union"), ("shuhui", "cold_click")))
print("warm click-to-grid: shuhui / pandas concat = %.2f (target <= 3)"
      % ratio(("shuhui", "warm_click"), ("pandas", "concat")))
print("with CPU seconds (all threads), steadier on a shared machine: cold %.1fx, warm %.2f"
      % (ratio(("pandas", "cold_union_cpu"), ("shuhui", "cold_click_cpu")),
         ratio(("shuhui", "warm_click_cpu"), ("pandas", "concat_cpu"))))
print()
print("rows: " + "; ".join(sorted(set(re.sub(r" cpu=[0-9.]+", "", n) for n in notes if "rows=" in n))))
EOF
