#!/usr/bin/env bash
# Irregular-header merge benchmark: the survey and the copy of irregular.xls (6 sheets x 2,000
# rows, 3-row headers) with the embedded spreadsheet application, beside LibreOffice headless
# opening and re-saving the same file, in one run.
#
#   bench/irregular_bench.sh [BUILD_DIR] [RUNS]
#
# BUILD_DIR (default build/release) must hold bench/shuhui-bench-irregular. Each of RUNS (default
# 5) is a fresh process of ours and a fresh conversion of LibreOffice's (its profile is made
# once beforehand, not timed); medians are compared. The shared folder beside the repository (or
# $SHUHUI_SHARED) gives the data generator and the converter's timing (bench/peers/convert_peer.py).
# LibreOffice (libreoffice-calc-nogui) is installed here when missing; it is not a dependency of
# the program.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build/release}"
runs="${2:-5}"
bin="$build/bench/shuhui-bench-irregular"
py=/usr/bin/python3
shared="${SHUHUI_SHARED:-$here/../../shared}"
peers="$shared/bench"
[ -f "$peers/peers/convert_peer.py" ] || { echo "no $peers/peers/convert_peer.py: set SHUHUI_SHARED" >&2; exit 1; }
[ -x "$bin" ] || { echo "missing $bin: build the target shuhui-bench-irregular first" >&2; exit 1; }

if ! command -v soffice > /dev/null; then
  # shellcheck source=../scripts/lib_packages.sh
  . "$here/../scripts/lib_packages.sh"
  install_missing libreoffice-calc-nogui > /dev/null
fi

out="$(mktemp -d /tmp/shuhui-irregular-bench.XXXXXX)"
trap 'rm -rf "$out"' EXIT
log="$out/times.txt"
data="$here/data"
[ -d "$data" ] || data="$out/data"  # bench/data is git-ignored; made here when it is not a folder
if [ ! -f "$data/irregular.xls" ]; then
  echo "# generating irregular.xls"
  nice "$py" "$peers/gen_data.py" "$data" --only irregular > /dev/null
fi

cat "$data/irregular.xls" > /dev/null  # warm the page cache

for _ in $(seq "$runs"); do
  "$bin" "$data" 2> /dev/null > "$out/run.txt"
  grep -v '^#' "$out/run.txt" | sed 's/^/ours_/' >> "$log"
  grep '^# cpu ' "$out/run.txt" | sed 's/^# cpu /cpu_/' >> "$log"
  grep '^# sheets' "$out/run.txt" >> "$out/notes.txt"
done
sort -u "$out/notes.txt"

# LibreOffice: open irregular.xls and save it again as .xls, with the converter's own timing.
"$py" - "$peers/peers" "$data/irregular.xls" "$out" "$runs" >> "$log" <<'PY'
import os, sys, tempfile, shutil
sys.path.insert(0, sys.argv[1])
import convert_peer as cp
src, out, runs = sys.argv[2], sys.argv[3], int(sys.argv[4])
prof = tempfile.mkdtemp(prefix="lo_bench_profile_")
env = dict(os.environ, HOME=prof)
base = ["soffice", "-env:UserInstallation=file://" + prof, "--headless", "--norestore", "--nolockcheck"]
tiny = os.path.join(out, "tiny.csv")
with open(tiny, "w") as f:
    f.write("a,b\n1,2\n")
cp.run("profile_init", base + ["--convert-to", "xlsx", "--outdir", out, tiny], env, quiet=True)
saved = os.path.join(out, "lo")
for _ in range(runs):
    cp.run("soffice_xls_to_xls_irregular",
           base + ["--convert-to", "xls:MS Excel 97", "--outdir", saved, src], env)
shutil.rmtree(prof, ignore_errors=True)
PY

"$py" - "$log" <<'PY'
import statistics, sys
t = {}
for line in open(sys.argv[1]):
    if line.startswith("#"):
        continue
    name, secs = line.split()
    t.setdefault(name, []).append(float(secs))
m = {k: statistics.median(v) for k, v in t.items()}
n = {k: len(v) for k, v in t.items()}
survey, copy = m["ours_survey_irregular_xls"], m["ours_copy_irregular_xls"]
lo = m.get("soffice_xls_to_xls_irregular")
print("| step (median s)                          | ours   | LibreOffice open + save | ratio |")
print("|------------------------------------------|--------|-------------------------|-------|")
print("| survey of 6 sheets                       | %.4f |                         |       |" % survey)
print("| copy, confirmation to shown result       | %.4f |                         |       |" % copy)
print("| processor time, survey + copy            | %.4f |                         |       |"
      % (m["cpu_survey_irregular_xls"] + m["cpu_copy_irregular_xls"]))
if lo:
    print("| survey + copy (target >= 10x faster)     | %.4f | %.4f                  | %.1fx |"
          % (survey + copy, lo, lo / (survey + copy)))
print("# runs: ours %d, LibreOffice %d" % (n["ours_survey_irregular_xls"], n.get("soffice_xls_to_xls_irregular", 0)))
PY
