# Put before the reports of the bench scripts (bench_medians in lib_bench.sh): argv[1] the raw
# lines, argv[2] the width of the step column, argv[3] "cpu" to take "# step cpu=S" notes as steps.
import re, statistics, sys
vals, notes = {}, []
for line in open(sys.argv[1], encoding="utf-8"):
    who, rest = line.rstrip("\n").split(" ", 1)
    if rest.startswith("#"):
        notes.append(who + " " + rest)
        m = re.search(r"# (\w+) cpu=([0-9.]+)", rest)
        if m and sys.argv[3:] == ["cpu"]:
            vals.setdefault((who, m.group(1) + "_cpu"), []).append(float(m.group(2)))
        continue
    step, sec = rest.split()
    vals.setdefault((who, step), []).append(float(sec))
med = {k: statistics.median(v) for k, v in vals.items()}
_w = int(sys.argv[2])
print("%-*s %10s %6s" % (_w, "step", "median s", "runs"))
for (who, step), v in sorted(vals.items()):
    print("%-*s %10.4f %6d" % (_w, who + " " + step, med[(who, step)], len(v)))


def ratio(a, b):
    return med[a] / med[b] if a in med and b in med and med[b] > 0 else float("nan")


print()
