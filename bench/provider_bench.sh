#!/usr/bin/env bash
# The provider beside pandas, in one run: the inner join of pay_big.xls (65,535 rows) and
# att_big.xls (60,000 rows) on 姓名, and the union all of the 12 month sheets of months.xls.
#
#   bench/provider_bench.sh [DATA_DIR]     (RUNS=5 cold runs each, WARM=10 warm repetitions)
#
# Cold: a fresh process, workbook parsing included. Warm: the same query again on cached sheets.
# pandas: read_excel (xlrd) + merge / concat, timed in-process like the peers in ../shared/bench.
# Prints the medians and the ratios; the raw lines are kept in bench/results/provider.tmp.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
DATA=${1:-$ROOT/bench/data}
RUNS=${RUNS:-5}
WARM=${WARM:-10}
PANDAS_RUNS=${PANDAS_RUNS:-3}
BUILD=${BUILD:-$ROOT/build/provider}
BIN=$BUILD/bench/shuhui-bench-provider
# shellcheck source=lib_bench.sh
. "$ROOT/bench/lib_bench.sh"

SHARED=${SHUHUI_SHARED:-$ROOT/../shared}
bench_need_data "no bench data in $DATA: nice /usr/bin/python3 $SHARED/bench/gen_data.py $DATA" \
  "$DATA/manifest.json"
cmake --build "$BUILD" --target shuhui-bench-provider >/dev/null

bench_raw provider

for _ in $(seq "$RUNS"); do
  "$BIN" cold-join "$DATA" | sed 's/^/shuhui /' >>"$RAW"
  "$BIN" cold-union "$DATA" | sed 's/^/shuhui /' >>"$RAW"
done
"$BIN" warm "$DATA" "$WARM" | sed 's/^/shuhui /' >>"$RAW"

for _ in $(seq "$PANDAS_RUNS"); do
  bench_pandas "$DATA" <<'EOF' | sed 's/^/pandas /' >>"$RAW"
data = sys.argv[1]
P = lambda n: os.path.join(data, n)
PAY = ["姓名", "工号", "部门", "基本工资", "奖金", "社保扣款"]
ATT = ["姓名", "出勤天数", "请假天数", "加班小时"]
t0 = time.perf_counter()
pay = pd.read_excel(P("pay_big.xls"), sheet_name="工资", engine="xlrd")
att = pd.read_excel(P("att_big.xls"), sheet_name="考勤", engine="xlrd")
t1 = time.perf_counter()
inner = pay[PAY].merge(att[ATT], on="姓名", how="inner")
t2 = time.perf_counter()
print("read_both %.4f" % (t1 - t0))
print("merge %.4f" % (t2 - t1))
print("cold_join %.4f" % (t2 - t0))
print("# join rows=%d cols=%d" % inner.shape)
t0 = time.perf_counter()
sheets = pd.read_excel(P("months.xls"), sheet_name=None, engine="xlrd")
allm = pd.concat(sheets.values(), ignore_index=True)
t1 = time.perf_counter()
print("cold_union %.4f" % (t1 - t0))
print("# union rows=%d cols=%d" % allm.shape)
EOF
done

bench_medians 28 cpu <<'EOF'
print("cold join : pandas / shuhui = %.1fx (target >= 20x)" % ratio(("pandas", "cold_join"), ("shuhui", "cold_join")))
print("cold union: pandas / shuhui = %.1fx (target >= 20x)" % ratio(("pandas", "cold_union"), ("shuhui", "cold_union")))
print("warm join : shuhui / pandas merge = %.2f (target <= 2)" % ratio(("shuhui", "warm_join"), ("pandas", "merge")))
for n in notes:
    if "rows" in n and ("warm" in n or "pandas" in n):
        pass
print()
print("rows: " + "; ".join(sorted(set(n for n in notes if "rows=" in n and "cpu" not in n))))
EOF
