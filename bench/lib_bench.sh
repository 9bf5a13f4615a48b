# Shared by the bench scripts that time shuhui beside pandas (source it; needs ROOT set).
#   bench_need_data MESSAGE FILE...  prints MESSAGE and exits 2 when one of the files is missing
#   bench_raw NAME                   empties bench/results/NAME.tmp and sets RAW to it
#   bench_pandas ARGS...             runs the Python on stdin with ARGS, after bench/pandas_setup.py
#                                    (os, sys, time, pandas as pd; .xls read with Debian's xlrd)
#   bench_medians WIDTH [cpu]        prints the medians of RAW's lines ("who step seconds"; "who # …"
#                                    notes; with cpu, "# step cpu=S" ones also as step_cpu) in a table
#                                    WIDTH wide, then runs the Python on stdin with vals, notes, med, ratio

bench_need_data() {
  local message=$1 f
  shift
  for f in "$@"; do
    if [ ! -f "$f" ]; then
      echo "$message" >&2
      exit 2
    fi
  done
}

bench_raw() {
  mkdir -p "$ROOT/bench/results"
  RAW=$ROOT/bench/results/$1.tmp
  : >"$RAW"
}

bench_pandas() {
  cat "$ROOT/bench/pandas_setup.py" - | /usr/bin/python3 - "$@"
}

bench_medians() {
  cat "$ROOT/bench/medians.py" - | /usr/bin/python3 - "$RAW" "$@"
}
