#!/usr/bin/python3
"""The pandas side of the grid benchmark: the same data as shuhui-bench-grid, the same steps.

Usage: /usr/bin/python3 grid_pandas.py DATA_DIR [--xlwt]
Reads the columns written by `shuhui-bench-grid DATA_DIR`, builds one DataFrame and prints
"step seconds" lines (medians) and "memory_dataframe_bytes N" (memory_usage(deep=True)).
With --xlwt it also writes 65,535 rows with xlwt, the reference for the export.
"""
import statistics
import sys
import time

import numpy as np
import pandas as pd


def timed(f, reps=5):
    times = []
    for _ in range(reps):
        t0 = time.perf_counter()
        f()
        times.append(time.perf_counter() - t0)
    return statistics.median(times)


def main():
    data = sys.argv[1]
    with open(f"{data}/columns.txt", encoding="utf-8") as f:
        lines = f.read().splitlines()
    rows = int(lines[0])
    cols = {}
    numeric = []
    for i, line in enumerate(lines[1:]):
        name, ftype, kind = line.split("\t")
        if kind == "text":
            with open(f"{data}/dict{i}.txt", encoding="utf-8") as d:
                words = np.array(d.read().splitlines(), dtype=object)
            cols[name] = words[np.fromfile(f"{data}/col{i}.bin", dtype="<i4")]
        else:
            v = np.fromfile(f"{data}/col{i}.bin", dtype="<f8")
            if ftype in ("ftDate", "ftDateTime"):
                cols[name] = pd.to_datetime(v, unit="D", origin="1899-12-30")
            elif ftype in ("ftInteger", "ftWord"):
                cols[name] = v.astype(np.int64)
                numeric.append(name)
            else:
                cols[name] = v
                numeric.append(name)
    df = pd.DataFrame(cols)
    assert len(df) == rows
    print(f"memory_dataframe_bytes {int(df.memory_usage(deep=True).sum())}")

    def group():
        g = df.groupby("客户", sort=True)[numeric].sum()
        total = df[numeric].sum()
        count = len(df)
        return g, total, count

    print(f"group_by_text_with_sums {timed(group):.6f}")
    print(f"filter_one_value {timed(lambda: df[df['客户'] == '客户0500']):.6f}")

    if "--xlwt" in sys.argv:
        import xlwt

        part = df.head(65535)
        values = [list(part[c]) for c in part.columns]
        names = list(part.columns)

        def write():
            wb = xlwt.Workbook(encoding="utf-8")
            ws = wb.add_sheet("Sheet1")
            date_style = xlwt.easyxf(num_format_str="yyyy-mm-dd")
            for c, n in enumerate(names):
                ws.write(0, c, n)
            for c, col in enumerate(values):
                for r, v in enumerate(col):
                    if isinstance(v, pd.Timestamp):
                        ws.write(r + 1, c, v.to_pydatetime(warn=False), date_style)
                    elif isinstance(v, (np.integer, np.floating)):
                        ws.write(r + 1, c, float(v))
                    else:
                        ws.write(r + 1, c, v)
            wb.save(f"{data}/xlwt_export.xls")

        print(f"xlwt_export_65535_rows {timed(write, reps=1):.6f}")


if __name__ == "__main__":
    main()
