#!/usr/bin/env python3
"""Reads a result window of the embedded spreadsheet application through AT-SPI, as a screen
reader would: the sheet tabs, the cells of the table (row by row, through the table interface),
and the "另存为" button by its control name. Exits 0 when all of it is there; prints what it read.
Run it through scripts/sheet_a11y_check.sh.
"""
import sys

import pyatspi

from a11y_lib import by_description, find, find_app

APP_NAME = sys.argv[1] if len(sys.argv) > 1 else "shuhui-sheet"
EXPECT = sys.argv[2:]  # cell texts that must be read somewhere in the first rows


def by_role(root, role):
    return find(root, lambda a: a.getRole() == role, "control of role %r" % role)


app = find_app(APP_NAME)
if "--tree" in EXPECT:
    def walk(a, depth=0):
        print("  " * depth, a.getRoleName(), repr(a.name), repr(a.description))
        for i in range(min(a.childCount, 12)):
            walk(a.getChildAtIndex(i), depth + 1)
    walk(app)
tabs = by_role(app, pyatspi.ROLE_PAGE_TAB_LIST)
names = [tabs.getChildAtIndex(i).name for i in range(tabs.childCount)]
print("tabs:", names)
grid = by_description(app, "sheet_grid")
table = grid.queryTable()
print("table: %d rows x %d columns" % (table.nRows, table.nColumns))
seen = []
for r in range(min(table.nRows, 6)):
    row = []
    for c in range(min(table.nColumns, 8)):
        cell = table.getAccessibleAt(r, c)
        row.append(cell.name if cell is not None else "")
    seen.extend(row)
    print("row %d:" % (r + 1), " | ".join(row))
save_as = by_description(app, "btn_sheet_save_as")
print("button:", save_as.name, [save_as.queryAction().getName(i) for i in range(save_as.queryAction().nActions)])
missing = [t for t in EXPECT if t not in seen]
if not names or missing or save_as.name != "另存为":
    raise SystemExit("missing: tabs=%r cells=%r" % (names, missing))
print("ok")
