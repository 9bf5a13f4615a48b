#!/usr/bin/env python3
"""Drives the running program through the accessibility bus (AT-SPI), as an automation client would.

Finds the main window, the three mode buttons by their accessible description (the control name),
presses 横向合并 and reads back RzPanel6's caption, toggles rcbClear, reads RzCheckTree1.
Exits 0 when every step behaves; prints what it saw. Run it through scripts/a11y_check.sh.
"""
import os
import sys
import time

import pyatspi

from a11y_lib import by_description, checked, find_app, fresh, name_of, press

APP_NAME = sys.argv[1] if len(sys.argv) > 1 else "shuhui"


def main():
    failures = []
    app = find_app(APP_NAME)
    window = app.getChildAtIndex(0)
    print("main window: role=%s name=%r description=%r" % (window.getRoleName(), window.name, window.description))
    if not window.name.startswith("凌川数汇"):
        failures.append("main window name %r" % window.name)

    modes = {}
    for name, caption in (("RzBmpButton6", "查询汇总"), ("RzBmpButton4", "横向合并"), ("RzBmpButton5", "纵向合并")):
        acc = by_description(window, name)
        modes[name] = acc
        print("mode button %s: role=%s name=%r checked=%s" % (name, acc.getRoleName(), acc.name, checked(acc)))
        if acc.name != caption:
            failures.append("%s name %r" % (name, acc.name))

    bar = by_description(window, "RzPanel6")
    print("RzPanel6 at start: %r" % bar.name)
    press(modes["RzBmpButton4"])
    time.sleep(0.5)
    caption = name_of(bar)
    print("RzPanel6 after 横向合并: %r" % caption)
    if caption != " 当前操作类型 > 横向合并   ":
        failures.append("RzPanel6 caption %r" % caption)
    if not checked(modes["RzBmpButton4"]) or checked(modes["RzBmpButton6"]):
        failures.append("mode buttons not exclusive after pressing 横向合并")

    clear = by_description(window, "rcbClear")
    before = checked(clear)
    press(clear)
    time.sleep(0.3)
    after = checked(clear)
    print("rcbClear %r: checked %s -> %s" % (clear.name, before, after))
    if before == after:
        failures.append("rcbClear did not toggle")

    tree = by_description(window, "RzCheckTree1")
    try:
        rows = tree.queryTable().nRows
    except NotImplementedError:
        rows = tree.childCount
    items = []
    for i in range(tree.childCount):
        child = tree.getChildAtIndex(i)
        if child is not None and child.getRole() == pyatspi.ROLE_TABLE_CELL:
            items.append(child.name)
    print("RzCheckTree1: role=%s name=%r rows=%d items=%r" % (tree.getRoleName(), tree.name, rows, items))
    if tree.getRole() not in (pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE):
        failures.append("RzCheckTree1 role %s" % tree.getRoleName())

    press(modes["RzBmpButton6"])
    time.sleep(0.3)
    print("RzPanel6 after 查询汇总: %r" % name_of(bar))

    # What a sighted user reads, a screen reader reads.
    # The workbook named on the command line, one of its two sheets checked: partly checked.
    book = os.environ.get("A11Y_BOOK", "")
    cells = {}
    for i in range(tree.childCount):
        child = tree.getChildAtIndex(i)
        if child is not None and child.getRole() == pyatspi.ROLE_TABLE_CELL:
            cells[child.name] = child
    if book not in cells or "二月$" not in cells:
        failures.append("the command line's workbook is not in the tree: %r" % list(cells))
    else:
        sheet = cells["二月$"]
        # A click on the sheet's check box (the cell's "Toggle" action does nothing on tree items
        # in Qt 6.4): the box sits at the cell's left end.
        box = sheet.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        pyatspi.Registry.generateMouseEvent(box.x + 10, box.y + box.height // 2, "b1c")
        time.sleep(0.8)
        node = fresh(cells[book])
        print("workbook node: checked=%s description=%r; sheet checked=%s"
              % (checked(node), node.description, checked(sheet)))
        if node.description != "部分选中" or checked(node):
            failures.append("partly checked workbook reads %r (checked=%s)" % (node.description, checked(node)))

    maximise = by_description(window, "RzBmpButton2")
    print("RzBmpButton2: %r" % name_of(maximise))
    press(maximise)
    time.sleep(1.0)
    print("RzBmpButton2 after pressing it: %r" % name_of(maximise))
    if name_of(maximise) != "还原":
        failures.append("maximise button reads %r when maximised" % name_of(maximise))
    press(maximise)
    time.sleep(1.0)
    print("RzBmpButton2 after pressing it again: %r" % name_of(maximise))
    if name_of(maximise) != "最大化":
        failures.append("maximise button reads %r when restored" % name_of(maximise))

    for name, expected in (("lbl_filter_text", "(没有筛选条件)"), ("rlbInfo", "表头字段"),
                           ("pnl_grid_footer", "页脚")):
        acc = by_description(window, name)
        print("%s: %r" % (name, name_of(acc)))
        if name_of(acc) != expected:
            failures.append("%s reads %r" % (name, name_of(acc)))

    if failures:
        print("FAILED: " + "; ".join(failures))
        return 1
    print("a11y check passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
