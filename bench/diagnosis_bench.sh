#!/usr/bin/env bash
# The key-match diagnosis beside pandas, in one run: pay_big.xls (65,535 rows) and att_big.xls
# (60,000 rows) on 姓名.
#
#   bench/diagnosis_bench.sh [DATA_DIR]     (RUNS=5 cold runs, WARM=10 warm repetitions)
#
# Cold: a fresh process, workbook parsing included. Warm: the diagnosis again on cached sheets,
# beside the warm join of the same sheets in the same process. The diagnosis includes the report
# (the record set for the grid) and the summary text.
# pandas, the nearest thing it does: read_excel (xlrd) of both sheets, merge(how="outer",
# indicator=True) on 姓名, duplicated() and value_counts() of the key on both sides.
# Prints the medians and the ratios; the raw lines are kept in bench/results/diagnosis.tmp.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
DATA=${1:-$ROOT/bench/data}
RUNS=${RUNS:-5}
WARM=${WARM:-10}
PANDAS_RUNS=${PANDAS_RUNS:-3}
BUILD=${BUILD:-$ROOT/build/release}
BIN=$BUILD/bench/shuhui-bench-diagnosis
# shellcheck source=lib_bench.sh
. "$ROOT/bench/lib_bench.sh"

bench_need_data "no bench data in $DATA (pay_big.xls, att_big.xls): see bench/README.md" \
  "$DATA/pay_big.xls" "$DATA/att_big.xls"
cmake --build "$BUILD" --target shuhui-bench-diagnosis >/dev/null

bench_raw diagnosis

for _ in $(seq "$RUNS"); do
  "$BIN" cold "$DATA" | sed 's/^/shuhui /' >>"$RAW"
done
"$BIN" warm "$DATA" "$WARM" | sed 's/^/shuhui /' >>"$RAW"

for _ in $(seq "$PANDAS_RUNS"); do
  bench_pandas "$DATA" <<'PY' | sed 's/^/pandas /' >>"$RAW"
data = sys.argv[1]
t0 = time.perf_counter()
pay = pd.read_excel(os.path.join(data, "pay_big.xls"), sheet_name="工资", engine="xlrd")
att = pd.read_excel(os.path.join(data, "att_big.xls"), sheet_name="考勤", engine="xlrd")
t1 = time.perf_counter()
m = pay.merge(att, on="姓名", how="outer", indicator=True)
sides = m["_merge"].value_counts()
dup_pay = pay["姓名"].duplicated(keep=False)
dup_att = att["姓名"].duplicated(keep=False)
vc_pay = pay["姓名"].value_counts()
vc_att = att["姓名"].value_counts()
t2 = time.perf_counter()
print("analysis %.4f" % (t2 - t1))
print("cold_diagnosis %.4f" % (t2 - t0))
print("# pandas both=%d left_only=%d right_only=%d dup_rows=%d/%d keys=%d/%d" % (
    sides.get("both", 0), sides.get("left_only", 0), sides.get("right_only", 0),
    int(dup_pay.sum()), int(dup_att.sum()), len(vc_pay), len(vc_att)))
PY
done

bench_medians 28 <<'PY'
print("cold diagnosis: pandas / shuhui = %.1fx (target >= 10x)" % ratio(("pandas", "cold_diagnosis"), ("shuhui", "cold_diagnosis")))
print("warm diagnosis: shuhui diagnosis / shuhui join = %.2f (target <= 1)" % ratio(("shuhui", "warm_diagnosis"), ("shuhui", "warm_join")))
print("warm diagnosis: shuhui / pandas analysis alone = %.2f" % ratio(("shuhui", "warm_diagnosis"), ("pandas", "analysis")))
print()
for n in sorted(set(notes)):
    print(n)
PY
