#!/usr/bin/env bash
# The horizontal merge in the program beside pandas, in one run: pay_big.xls (65,535 rows) and
# att_big.xls (60,000 rows) joined on 姓名 by "④显示生成结果" (gen), "显示所有表头数据" (all) and
# "加显表1而表2无的数据" (lr), each from the click until the grid has painted its rows.
#
#   bench/hmerge_bench.sh [DATA_DIR]     (RUNS=5 cold runs of each button, WARM=10 repetitions)
#
# Cold: a fresh process whose page was set up as a user does it (open, check, ①, fields, ②, ③),
# the sheet cache then emptied so that the click reads both files. Warm: the same click again, sheets cached.
# pandas: read_excel (xlrd) + merge (inner; all columns; outer with indicator for lr), in-process.
# Prints the medians and the ratios; the raw lines are kept in bench/results/hmerge.tmp.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
DATA=${1:-$ROOT/bench/data}
RUNS=${RUNS:-5}
WARM=${WARM:-10}
PANDAS_RUNS=${PANDAS_RUNS:-3}
BUILD=${BUILD:-$ROOT/build/release}
BIN=$BUILD/bench/shuhui-bench-hmerge
# shellcheck source=lib_bench.sh
. "$ROOT/bench/lib_bench.sh"

bench_need_data "no bench data in $DATA: /usr/bin/python3 ../shared/bench/gen_data.py $DATA --only pay_big.xls,att_big.xls" \
  "$DATA/pay_big.xls" "$DATA/att_big.xls"
cmake --build "$BUILD" --target shuhui-bench-hmerge >/dev/null
export QT_QPA_PLATFORM=offscreen

bench_raw hmerge

for _ in $(seq "$RUNS"); do
  for which in gen all lr; do
    "$BIN" cold "$which" "$DATA" 2>/dev/null | sed 's/^/shuhui /' >>"$RAW"
  done
done
"$BIN" warm "$DATA" "$WARM" 2>/dev/null | sed 's/^/shuhui /' >>"$RAW"

# The join of ④ must be answered by the provider's join path, not by the SQL engine: its trace
# shows a "join" phase and no "run" phase.
TRACE=$(SHUHUI_PROVIDER_TRACE=1 "$BIN" cold gen "$DATA" 2>&1 >/dev/null | sed -n '/^# click/,$p' |
  grep '^\[provider\]' || true)
if echo "$TRACE" | grep -q '\] join ' && ! echo "$TRACE" | grep -q '\] run '; then
  echo "shuhui # gen join path: provider join (no SQL engine run)" >>"$RAW"
else
  echo "shuhui # gen join path: NOT the provider's join: $TRACE" >>"$RAW"
fi

for _ in $(seq "$PANDAS_RUNS"); do
  bench_pandas "$DATA" <<'PY' | sed 's/^/pandas /' >>"$RAW"
P = lambda n: os.path.join(sys.argv[1], n)
PAY = ["姓名", "工号", "部门", "基本工资", "奖金", "社保扣款"]
ATT = ["姓名", "出勤天数", "请假天数", "加班小时"]
t0 = time.perf_counter()
pay = pd.read_excel(P("pay_big.xls"), sheet_name="工资", engine="xlrd")
att = pd.read_excel(P("att_big.xls"), sheet_name="考勤", engine="xlrd")
t1 = time.perf_counter()
inner = pay[PAY].merge(att[ATT], on="姓名", how="inner")
t2 = time.perf_counter()
every = pay.merge(att, on="姓名", how="inner")
t3 = time.perf_counter()
outer = pay[PAY].merge(att[ATT], on="姓名", how="outer", indicator=True)
t4 = time.perf_counter()
print("read_both %.4f" % (t1 - t0))
print("merge_gen %.4f" % (t2 - t1))
print("merge_all %.4f" % (t3 - t2))
print("merge_lr %.4f" % (t4 - t3))
print("cold_gen %.4f" % (t2 - t0))
print("cold_all %.4f" % (t1 - t0 + t3 - t2))
print("cold_lr %.4f" % (t1 - t0 + t4 - t3))
print("# rows gen=%d all=%d lr=%d" % (len(inner), len(every), len(outer)))
PY
done

bench_medians 24 <<'PY'
for w in ("gen", "all", "lr"):
    print("cold %-3s: pandas read+merge / shuhui click-to-grid = %5.1fx%s" % (
        w, ratio(("pandas", "cold_" + w), ("shuhui", "cold_" + w)), " (target >= 15x)" if w == "gen" else ""))
for w in ("gen", "all", "lr"):
    print("warm %-3s: shuhui click-to-grid / pandas merge   = %5.2f%s" % (
        w, ratio(("shuhui", "warm_" + w), ("pandas", "merge_" + w)), " (target <= 3)" if w == "gen" else ""))
print()
for n in sorted(set(notes)):
    print(n)
PY
