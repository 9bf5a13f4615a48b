#!/usr/bin/env bash
# Peak memory of refusing hostile workbooks: small files (bench/hostile_files.py) whose used range,
# strings, member sizes or shared parts would demand gigabytes. Each is read by shuhui-dump and
# queried by shuhui-query under /usr/bin/time -v; prints the exit code, the peak resident memory
# and the message. Every dump must end with exit code 1 within a few tens of MiB; the query reads
# sheet S1 alone, so the files whose fault is many sheets on one part are answered (one read).
#
#   bench/hostile_memory.sh [BUILD_DIR] [STRING_MIB]
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="${1:-$here/../build/release}"
mib="${2:-512}"
dump="$build/tools/shuhui-dump"
query="$build/tools/shuhui-query"
for b in "$dump" "$query"; do
  [ -x "$b" ] || { echo "missing $b: build shuhui-dump and shuhui-query first" >&2; exit 1; }
done
out="$(mktemp -d /tmp/shuhui-hostile.XXXXXX)"
trap 'rm -rf "$out"' EXIT
nice /usr/bin/python3 "$here/hostile_files.py" "$out" "$mib"

run() {  # label, command...
  local label="$1"; shift
  local rc=0
  /usr/bin/time -v "$@" > "$out/stdout" 2> "$out/stderr" || rc=$?
  local kb
  kb=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$out/stderr")
  local msg
  msg=$(grep -v -e '^\s' -e '^Command exited' "$out/stderr" | head -1 || true)
  [ -n "$msg" ] || msg=$(head -c 300 "$out/stdout")
  printf '%-34s rc=%s peak=%6d KiB  %s\n' "$label" "$rc" "$kb" "${msg:0:300}"
}

printf '# %s\n' "$(ls -l "$out" | awk 'NR > 1 {printf "%s %s B; ", $9, $5}')"
for f in "$out"/*.xls "$out"/*.xlsx; do
  name="$(basename "$f")"
  driver="Excel 12.0"
  [ "${name##*.}" = xls ] && driver="Excel 8.0"
  run "dump  $name" "$dump" "$f"
  run "query $name" "$query" --driver "$driver" "select count(*) from [$driver;database=$f].[S1\$]"
done
