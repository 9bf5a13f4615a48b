#!/usr/bin/env bash
# Writer benchmark: our .xls writer against xlwt on the same kind of sheet, in the same run.
#
#   bench/write_bench.sh [BUILD_DIR] [RUNS] [--with-xlsxwriter]
#
# BUILD_DIR (default build/release) must hold bench/shuhui-bench-write. Both sides write a payroll
# sheet of 65,535 data rows x 15 columns (names, departments, remarks; ids, money, hire dates with a
# date format) as .xls; ours also writes 300,000 rows x 15 as .xlsx. With --with-xlsxwriter the
# Python xlsxwriter writes the .xlsx too (about 40 s a run). Data generation is outside the
# timings on both sides; our model building is reported apart and counted in the ratio.
# Prints the medians and the ratio xlwt / ours.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build/release}"
runs="${2:-5}"
with_xlsxwriter=0
for a in "$@"; do [ "$a" = "--with-xlsxwriter" ] && with_xlsxwriter=1; done
bin="$build/bench/shuhui-bench-write"
py=/usr/bin/python3
[ -x "$bin" ] || { echo "missing $bin: build the target shuhui-bench-write first" >&2; exit 1; }

need=(python3-xlwt)
[ "$with_xlsxwriter" = 1 ] && need+=(python3-xlsxwriter)
# shellcheck source=../scripts/lib_packages.sh
. "$here/../scripts/lib_packages.sh"
install_missing "${need[@]}" >/dev/null  # for this benchmark only

out="$(mktemp -d /tmp/shuhui-write-bench.XXXXXX)"
trap 'rm -rf "$out"' EXIT
log="$out/times.txt"

peer() {  # $1 = xls | xlsx
  "$py" - "$1" "$out" <<'PY'
import datetime as dt, random, sys, time
kind, out = sys.argv[1], sys.argv[2]
rows = 65535 if kind == "xls" else 300000
rng = random.Random(20240601)
sur = list("王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹") + ["欧阳", "司马"]
given = ["伟", "芳", "娜", "秀英", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳", "杰", "娟",
         "涛", "明", "超", "霞", "平", "刚", "桂英", "华", "玉", "萍", "红", "玲", "芬", "燕", "彬"]
depts = ["财务部", "人力资源部", "行政部", "销售一部", "销售二部", "市场部", "研发中心", "测试部",
         "生产一车间", "生产二车间", "质检部", "采购部", "仓储物流部", "客服中心", "法务部",
         "信息技术部", "总经办", "工程部"]
remarks = ["试用期", "补发上月奖金", "病假3天", "事假1天", "产假", "离职", "新入职", "调岗"]
header = ["姓名", "工号", "部门", "性别", "年月", "入职日期", "基本工资", "奖金", "考勤扣款",
          "医保扣款", "社保扣款", "岗位津贴", "个人所得税", "实发工资", "备注"]
money = lambda lo, hi: round(rng.uniform(lo, hi), 2)
data = []
for r in range(rows):
    name = rng.choice(sur) + rng.choice(given) + ("" if rng.random() < 0.22 else rng.choice(given))
    base = money(2800, 26000)
    bonus = money(100, 8000) if rng.random() < 0.78 else None
    att = money(10, 600) if rng.random() < 0.35 else None
    med, soc = round(base * 0.02, 2), round(base * 0.08, 2)
    post, tax = money(200, 3000), money(0, 2000)
    net = round(base + (bonus or 0) - (att or 0) - med - soc + post - tax, 2)
    data.append([name, 100001 + r * 3 + rng.randrange(3), rng.choice(depts),
                 "男" if rng.random() < 0.55 else "女", "2024-06",
                 dt.date(1995, 1, 1) + dt.timedelta(days=rng.randrange(10900)), base, bonus, att,
                 med, soc, post, tax, net, rng.choice(remarks) if rng.random() < 0.12 else None])
money_cols = set(range(6, 14))
t0 = time.perf_counter()
if kind == "xls":
    import xlwt
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet("工资")
    head = xlwt.easyxf("font: bold on; align: horiz center")
    fdate = xlwt.easyxf(num_format_str="yyyy-mm-dd")
    fmoney = xlwt.easyxf(num_format_str="#,##0.00")
    for c, h in enumerate(header):
        ws.write(0, c, h, head)
    for r, row in enumerate(data, start=1):
        for c, v in enumerate(row):
            if v is None:
                continue
            if c == 5:
                ws.write(r, c, v, fdate)
            elif c in money_cols:
                ws.write(r, c, v, fmoney)
            else:
                ws.write(r, c, v)
        if r % 5000 == 0:
            ws.flush_row_data()
    wb.save(out + "/xlwt.xls")
    print("xlwt_write_xls_65535x15 %.4f" % (time.perf_counter() - t0))
else:
    import xlsxwriter
    wb = xlsxwriter.Workbook(out + "/xlsxwriter.xlsx", {"strings_to_numbers": False,
                                                        "strings_to_formulas": False,
                                                        "strings_to_urls": False})
    ws = wb.add_worksheet("工资")
    fdate = wb.add_format({"num_format": "yyyy-mm-dd"})
    fmoney = wb.add_format({"num_format": "#,##0.00"})
    fhead = wb.add_format({"bold": True, "align": "center"})
    for c, h in enumerate(header):
        ws.write_string(0, c, h, fhead)
    for r, row in enumerate(data, start=1):
        for c, v in enumerate(row):
            if v is None:
                continue
            if isinstance(v, str):
                ws.write_string(r, c, v)
            elif c == 5:
                ws.write_datetime(r, c, dt.datetime(v.year, v.month, v.day), fdate)
            elif c in money_cols:
                ws.write_number(r, c, v, fmoney)
            else:
                ws.write_number(r, c, v)
    wb.close()
    print("xlsxwriter_write_xlsx_300000x15 %.4f" % (time.perf_counter() - t0))
PY
}

# Interleaved: one run of ours (all its steps), one run of each peer, and again.
for ((i = 1; i <= runs; i++)); do
  echo "# run $i/$runs" >&2
  "$bin" --runs 1 --out "$out" | grep -v '^#' >>"$log"
  peer xls >>"$log"
  if [ "$with_xlsxwriter" = 1 ]; then peer xlsx >>"$log"; fi
done

"$py" - "$log" <<'PY'
import statistics, sys
times = {}
for line in open(sys.argv[1]):
    step, sec = line.split()
    times.setdefault(step, []).append(float(sec))
med = {k: statistics.median(v) for k, v in times.items()}
for k in sorted(med):
    v = times[k]
    print("%-34s median %8.4f s   (min %.4f, max %.4f, n=%d)" % (k, med[k], min(v), max(v), len(v)))
def ratio(peer, *ours):
    if peer in med and all(o in med for o in ours):
        total = sum(med[o] for o in ours)
        print("ratio %s / (%s) = %.1fx" % (peer, " + ".join(ours), med[peer] / total))
ratio("xlwt_write_xls_65535x15", "write_xls_65535x15")
ratio("xlwt_write_xls_65535x15", "build_model_65535x15", "write_xls_65535x15")
ratio("xlsxwriter_write_xlsx_300000x15", "write_xlsx_300000x15")
PY
