#!/usr/bin/env bash
# Reading benchmark: our readers against pandas (xlrd / openpyxl) and the inflate floor, in one run.
#
#   bench/read_bench.sh [BUILD_DIR] [RUNS] [--skip-pandas-xlsx]
#
# BUILD_DIR (default build/release) must hold bench/shuhui-bench-read; the data comes from
# ../shared/bench/gen_data.py (the shared folder beside the repository, or $SHUHUI_SHARED) into
# bench/data (git-ignored). Every step runs RUNS times (default 3)
# and the medians are compared; pandas' read of pay_big.xlsx (about 33 s) runs once, or not at all
# with --skip-pandas-xlsx. Peak memory of reading pay_big.xlsx alone is measured with /usr/bin/time -v.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build/release}"
runs="${2:-3}"
skip_xlsx=0
for a in "$@"; do [ "$a" = "--skip-pandas-xlsx" ] && skip_xlsx=1; done
bin="$build/bench/shuhui-bench-read"
data="$here/data"
py=/usr/bin/python3
shared="${SHUHUI_SHARED:-$here/../../shared}"
[ -x "$bin" ] || { echo "missing $bin: build the target shuhui-bench-read first" >&2; exit 1; }
if [ ! -f "$data/pay_big.xlsx" ]; then
  echo "# generating the data (about a minute)"
  nice "$py" "$shared/bench/gen_data.py" "$data" >/dev/null
fi

out="$(mktemp -d /tmp/shuhui-read-bench.XXXXXX)"
trap 'rm -rf "$out"' EXIT
log="$out/times.txt"

# warm the page cache
cat "$data"/*.xls "$data"/*.xlsx > /dev/null

# ours
"$bin" "$data" "$runs" | tee "$out/ours.txt" | grep -v '^#' | sed 's/^/ours_/' >> "$log"
/usr/bin/time -v "$bin" "$data" 1 read_pay_big_xlsx 2> "$out/rss.txt" > /dev/null
rss_kb=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$out/rss.txt")

# peers: pandas read steps and the inflate floor (the same code as the shared floor.py step)
"$py" - "$data" "$runs" "$skip_xlsx" >> "$log" <<'PY'
import sys, time, zipfile, warnings
warnings.filterwarnings("ignore")
data, runs, skip_xlsx = sys.argv[1], int(sys.argv[2]), sys.argv[3] == "1"
import pandas as pd
import pandas.compat._optional as _opt
_opt.VERSIONS["xlrd"] = "1.2.0"  # Debian's xlrd 1.2 reads .xls the way pandas uses it

def timed(name, fn, n):
    for _ in range(n):
        t0 = time.perf_counter()
        fn()
        print("%s %.4f" % (name, time.perf_counter() - t0), flush=True)

def inflate():
    with zipfile.ZipFile(data + "/pay_big.xlsx") as z:
        return sum(len(z.read(i)) for i in z.infolist())

timed("floor_inflate_pay_big_xlsx", inflate, runs)
timed("pandas_read_pay_big_xls", lambda: pd.read_excel(data + "/pay_big.xls", sheet_name="工资", engine="xlrd"), runs)
timed("pandas_read_att_big_xls", lambda: pd.read_excel(data + "/att_big.xls", sheet_name="考勤", engine="xlrd"), runs)
timed("pandas_read_months_xls", lambda: pd.read_excel(data + "/months.xls", sheet_name=None, engine="xlrd"), runs)
timed("pandas_list_pay_big_xls", lambda: pd.ExcelFile(data + "/pay_big.xls", engine="xlrd").sheet_names, runs)
if not skip_xlsx:
    timed("pandas_read_pay_big_xlsx", lambda: pd.read_excel(data + "/pay_big.xlsx", sheet_name="工资", engine="openpyxl"), 1)
PY

"$py" - "$log" "$rss_kb" <<'PY'
import statistics, sys
log, rss_kb = sys.argv[1], int(sys.argv[2])
t = {}
for line in open(log):
    name, secs = line.split()
    t.setdefault(name, []).append(float(secs))
m = {k: statistics.median(v) for k, v in t.items()}
def row(what, ours, peer, ratio, target):
    print("| %-34s | %10s | %12s | %9s | %-22s |" % (what, ours, peer, ratio, target))
f = lambda x: "%.4f" % x if x is not None else "-"
print("| %-34s | %10s | %12s | %9s | %-22s |" % ("step (median s)", "ours", "peer", "ratio", "target"))
print("|%s|%s|%s|%s|%s|" % ("-" * 36, "-" * 12, "-" * 14, "-" * 11, "-" * 24))
def cmp(what, ours_key, peer_key, target, invert=False):
    o, p = m.get(ours_key), m.get(peer_key)
    r = (o / p if invert else p / o) if o and p else None
    row(what, f(o), f(p), "%.1fx" % r if r else "-", target)
cmp("read pay_big.xls vs pandas", "ours_read_pay_big_xls", "pandas_read_pay_big_xls", "pandas/ours >= 20")
cmp("read att_big.xls vs pandas", "ours_read_att_big_xls", "pandas_read_att_big_xls", "")
cmp("read months.xls vs pandas", "ours_read_months_xls", "pandas_read_months_xls", "")
cmp("list pay_big.xls vs pandas", "ours_list_pay_big_xls", "pandas_list_pay_big_xls", "")
cmp("read pay_big.xlsx vs inflate floor", "ours_read_pay_big_xlsx", "floor_inflate_pay_big_xlsx", "ours/floor <= 2", invert=True)
cmp("read pay_big.xlsx vs pandas", "ours_read_pay_big_xlsx", "pandas_read_pay_big_xlsx", "")
cmp("header of pay_big.xlsx vs all of it", "ours_head_pay_big_xlsx", "ours_read_pay_big_xlsx", "all/header >= 100")
cmp("header of pay_big.xls vs all of it", "ours_head_pay_big_xls", "ours_read_pay_big_xls", "")
row("list pay_big.xlsx", f(m.get("ours_list_pay_big_xlsx")), "-", "-", "")
row("read att_big.xlsx", f(m.get("ours_read_att_big_xlsx")), "-", "-", "")
row("read irregular.xls", f(m.get("ours_read_irregular_xls")), "-", "-", "")
row("peak RSS, read pay_big.xlsx (MB)", "%.0f" % (rss_kb / 1024), "-", "-", "< 242 MB")
PY
