#!/usr/bin/python3
"""Checks shuhui-dump against independent readers: xlrd for .xls, openpyxl for .xlsx.

Usage: compare_dump.py SHUHUI_DUMP FIXTURE_DIR
Every .xls/.xlsx in FIXTURE_DIR is dumped by our tool and read by the other library; sheet names,
states, the date system, merged ranges and every non-empty cell (type and value) must agree.
Exit status 0 when all files agree, 1 otherwise (the differences are printed).
"""
import datetime
import json
import os
import subprocess
import sys

import openpyxl
import xlrd


def serial_to_iso(serial, date1904):
    """The dump's rendering of a date cell: ISO text rounded to the millisecond."""
    ms = round(serial * 86400000)
    days, rem = divmod(ms, 86400000)
    h, rem2 = divmod(rem, 3600000)
    mi, rem3 = divmod(rem2, 60000)
    s, milli = divmod(rem3, 1000)
    time = "%02d:%02d:%02d" % (h, mi, s) + (".%03d" % milli if milli else "")
    if days == 0 and not date1904:
        return time
    if date1904:
        d = datetime.date(1904, 1, 1) + datetime.timedelta(days=days)
    elif days == 60:
        return "1900-02-29" + ("" if rem == 0 else "T" + time)
    else:
        d = datetime.date(1899, 12, 31) + datetime.timedelta(days=days - (1 if days > 60 else 0))
    return d.isoformat() + ("" if rem == 0 else "T" + time)


def datetime_to_iso(v):
    if isinstance(v, datetime.datetime):
        ms = round(v.microsecond / 1000)
        base = v.replace(microsecond=0) + datetime.timedelta(milliseconds=ms)
        if base.time() == datetime.time(0):
            return base.date().isoformat()
        t = base.strftime("%H:%M:%S") + (".%03d" % (base.microsecond // 1000) if base.microsecond else "")
        return base.date().isoformat() + "T" + t
    if isinstance(v, datetime.date):
        return v.isoformat()
    if isinstance(v, datetime.time):
        return v.strftime("%H:%M:%S")
    raise TypeError(v)


def expect_xls(path):
    book = xlrd.open_workbook(path, formatting_info=True)
    out = {"datemode": book.datemode, "sheets": []}
    states = {0: "visible", 1: "hidden", 2: "veryHidden"}
    for sh in book.sheets():
        cells = []
        for r in range(sh.nrows):
            for c in range(sh.ncols):
                cell = sh.cell(r, c)
                t, v = cell.ctype, cell.value
                if t in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK) or (t == xlrd.XL_CELL_TEXT and v == ""):
                    continue
                if t == xlrd.XL_CELL_TEXT:
                    cells.append([r, c, "text", v])
                elif t == xlrd.XL_CELL_NUMBER:
                    cells.append([r, c, "number", v])
                elif t == xlrd.XL_CELL_DATE:
                    cells.append([r, c, "date", serial_to_iso(v, book.datemode)])
                elif t == xlrd.XL_CELL_BOOLEAN:
                    cells.append([r, c, "bool", bool(v)])
                elif t == xlrd.XL_CELL_ERROR:
                    cells.append([r, c, "error", xlrd.error_text_from_code.get(v, "#ERR")])
        merged = sorted([rlo, clo, rhi - 1, chi - 1] for rlo, rhi, clo, chi in sh.merged_cells)
        out["sheets"].append({"name": sh.name, "state": states[sh.visibility], "merged": merged, "cells": cells})
    return out


def expect_xlsx(path):
    wb = openpyxl.load_workbook(path, data_only=True)
    out = {"datemode": 1 if wb.epoch == openpyxl.utils.datetime.CALENDAR_MAC_1904 else 0, "sheets": []}
    for ws in wb.worksheets:
        cells = []
        for row in ws.iter_rows():
            for cell in row:
                v = cell.value
                if v is None or v == "":
                    continue
                r, c = cell.row - 1, cell.column - 1
                if cell.data_type == "e":
                    cells.append([r, c, "error", v])
                elif isinstance(v, bool):
                    cells.append([r, c, "bool", v])
                elif isinstance(v, (datetime.datetime, datetime.date, datetime.time)):
                    cells.append([r, c, "date", datetime_to_iso(v)])
                elif isinstance(v, (int, float)):
                    cells.append([r, c, "number", float(v)])
                else:
                    cells.append([r, c, "text", str(v)])
        cells.sort()
        merged = sorted([m.min_row - 1, m.min_col - 1, m.max_row - 1, m.max_col - 1] for m in ws.merged_cells.ranges)
        out["sheets"].append({"name": ws.title, "state": ws.sheet_state, "merged": merged, "cells": cells})
    return out


def used_range(cells):
    if not cells:
        return None
    rows = [c[0] for c in cells]
    cols = [c[1] for c in cells]
    return [min(rows), min(cols), max(rows), max(cols)]


def compare(path, dump_tool):
    run = subprocess.run([dump_tool, path], capture_output=True)
    if run.returncode != 0:
        return ["shuhui-dump failed: " + run.stdout.decode("utf-8", "replace")]
    ours = json.loads(run.stdout.decode("utf-8"))
    theirs = expect_xls(path) if path.endswith(".xls") else expect_xlsx(path)
    problems = []
    if ours["datemode"] != theirs["datemode"]:
        problems.append("datemode %s != %s" % (ours["datemode"], theirs["datemode"]))
    if [s["name"] for s in ours["sheets"]] != [s["name"] for s in theirs["sheets"]]:
        problems.append("sheet names differ")
        return problems
    for o, t in zip(ours["sheets"], theirs["sheets"]):
        where = "sheet %r: " % o["name"]
        if o["state"] != t["state"]:
            problems.append(where + "state %s != %s" % (o["state"], t["state"]))
        if o["merged"] != t["merged"]:
            problems.append(where + "merged %s != %s" % (o["merged"], t["merged"]))
        if o["used_range"] != used_range(t["cells"]):
            problems.append(where + "used range %s != %s" % (o["used_range"], used_range(t["cells"])))
        oc = {(c[0], c[1]): c[2:] for c in o["cells"]}
        tc = {(c[0], c[1]): c[2:] for c in t["cells"]}
        for key in sorted(set(oc) | set(tc)):
            a, b = oc.get(key), tc.get(key)
            if a is not None and b is not None and a[0] == "number" == b[0] and float(a[1]) == float(b[1]):
                continue
            if a != b:
                problems.append(where + "cell %s: ours %r, theirs %r" % (key, a, b))
    return problems


def main():
    dump_tool, folder = sys.argv[1], sys.argv[2]
    files = sorted(f for f in os.listdir(folder) if f.endswith((".xls", ".xlsx")))
    if not files:
        print("no fixtures in", folder)
        return 1
    failed = 0
    for f in files:
        problems = compare(os.path.join(folder, f), dump_tool)
        print("%-28s %s" % (f, "ok" if not problems else "%d differences" % len(problems)))
        for p in problems[:20]:
            print("   ", p)
        failed += bool(problems)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
