#!/usr/bin/env python3
"""Stacks sheets through the accessibility bus (AT-SPI) as a screen-reader user would, and checks
the result grid.

The sheet 员工 信息 of three workbooks written by independent programs (tests/fixtures/formats:
basic_biff5.xls from Gnumeric, BIFF5 in code page 936; basic_xlwt.xls from xlwt; basic_openpyxl.xlsx
from openpyxl) is opened through the open dialog and checked in the catalogue; then on the
vertical-merge page: 规则表头合并 (the four lists are read back), ①合并检查, the field order
editor on the first field list (select an entry, Enter opens the editor, 上移, 删除, 确定), ①合并检查
again (the warning is read and closed), ②生成结果, and the grid is compared with the expected rows.

Run through scripts/a11y_check.sh scripts/a11y_vmerge.py. With SHOT=file.png the screen is
captured while the editor is open. Exits 0 when every step behaves.
"""
import os
import subprocess
import sys
import time

import pyatspi

from a11y_lib import by_description, checked, find, find_app, fresh, press

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
FORMATS = os.path.join(ROOT, "tests", "fixtures", "formats")
BOOKS = [os.path.join(FORMATS, n) for n in ("basic_biff5.xls", "basic_xlwt.xls", "basic_openpyxl.xlsx")]
SHEET = "员工 信息$"
FIELDS = "工号,姓名,部门,入职日期,工资,在职,备注"
EDITED = "姓名,工号,部门,入职日期,工资,在职"
ROWS = [
    ["张三", "00123", "财务部", "2020-03-15", "8500.5", "True"],
    ["李四", "00456", "人事部", "2019-11-01", "12000", "False"],
    ["王五", "07890", "技术部", "2021-07-20", "9999.99", "True"],
    ["赵六", "10001", "财务部", "2018-01-02", "0", "False"],
]

failures = []


def expect(what, got, want):
    ok = got == want
    print("%s %s: %r" % ("ok  " if ok else "FAIL", what, got))
    if not ok:
        print("     expected %r" % (want,))
        failures.append(what)


def wait_for(what, probe, timeout=15.0):
    deadline = time.time() + timeout
    while time.time() < deadline:
        try:
            value = probe()
        except Exception:  # the tree of a window being built may change under the probe
            value = None
        if value:
            return value
        time.sleep(0.2)
    raise SystemExit("timed out waiting for %s" % what)


def cells(acc):
    acc = fresh(acc)
    return [acc.getChildAtIndex(i) for i in range(acc.childCount)
            if acc.getChildAtIndex(i) is not None
            and acc.getChildAtIndex(i).getRole() in (pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_TABLE_CELL)]


def items(acc):
    """The entries of a list, as a screen reader reads them."""
    return [fresh(c).name for c in cells(acc)]


def selected_rows(acc):
    return [i for i, c in enumerate(cells(acc)) if fresh(c).getState().contains(pyatspi.STATE_SELECTED)]


def select_entry(acc, row):
    """Selects entry `row` of a list through its table interface."""
    acc = fresh(acc)
    acc.queryTable().addRowSelection(row)
    time.sleep(0.3)


def key(name):
    """Presses and releases a key on the focused control."""
    codes = {"Return": 36, "space": 65}
    pyatspi.Registry.generateKeyboardEvent(codes[name], None, pyatspi.KEY_PRESSRELEASE)
    time.sleep(0.5)


def click(acc, dx=None):
    x, y, w, h = fresh(acc).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(x + (dx if dx is not None else w // 2), y + h // 2, "b1c")
    time.sleep(0.4)


def top_windows(app):
    app = fresh(app)
    return [app.getChildAtIndex(i) for i in range(app.childCount)]


def find_dialog(app, title=None):
    def probe():
        for w in top_windows(app):
            if w is not None and w.getRole() in (pyatspi.ROLE_DIALOG, pyatspi.ROLE_ALERT, pyatspi.ROLE_FILE_CHOOSER):
                if title is None or w.name == title:
                    return w
        return None
    return wait_for("dialog %r" % title, probe)


def open_workbook(app, window, path):
    tree = by_description(window, "RzCheckTree1")
    before = len(tree_nodes(tree))
    press(by_description(window, "RzBmpButton7"))
    dialog = find_dialog(app)
    edit = find(dialog, lambda a: a.getRole() == pyatspi.ROLE_TEXT and a.name.startswith("文件名"), "file name field")
    edit.queryEditableText().setTextContents(path)
    time.sleep(0.3)
    press(find(dialog, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON and a.name == "打开", "打开"))
    wait_for("the workbook's nodes", lambda: len(tree_nodes(tree)) > before)


def tree_nodes(tree):
    tree = fresh(tree)
    return [tree.getChildAtIndex(i) for i in range(tree.childCount)
            if tree.getChildAtIndex(i) is not None and tree.getChildAtIndex(i).getRole() == pyatspi.ROLE_TABLE_CELL]


def check_sheet_nodes(tree, name):
    """Clicks the check box of every sheet node of that name."""
    for node in tree_nodes(tree):
        if fresh(node).name == name and not checked(node):
            click(node, dx=10)
            if not checked(node):  # the keyboard way: the node current, then the space bar
                click(node)
                key("space")
    return [fresh(n).name for n in tree_nodes(tree) if checked(n)]


def read_grid(table_acc):
    t = fresh(table_acc).queryTable()
    header = [fresh(t.getColumnHeader(c)).name if t.getColumnHeader(c) else t.getColumnDescription(c)
              for c in range(t.nColumns)]
    rows = [[fresh(t.getAccessibleAt(r, c)).name for c in range(t.nColumns)] for r in range(t.nRows)]
    return header, rows


def close_message(app, caption="信息提示"):
    box = find_dialog(app, caption)
    labels = []
    pyatspi.utils.findAllDescendants(box, lambda a: a.getRole() == pyatspi.ROLE_LABEL and labels.append(a.name))
    press(find(box, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON and a.name in ("确定", "OK"), "确定"))
    time.sleep(0.5)
    return [t for t in labels if t]


def main():
    app = find_app()
    window = app.getChildAtIndex(0)
    press(by_description(window, "rrb2007"))  # the 2007-2010 driver reads .xls and .xlsx
    for path in BOOKS:
        open_workbook(app, window, path)
    tree = by_description(window, "RzCheckTree1")
    expect("checked nodes", check_sheet_nodes(tree, SHEET), [SHEET] * 3)

    press(by_description(window, "RzBmpButton5"))
    time.sleep(0.5)
    # 规则表头合并 is the pressed button of its pair already: a toggle action cannot press it
    # again, the keyboard can (focus, then the space bar), as it can for a sighted user.
    read = by_description(window, "btn_verhb_btn2")
    expect("规则表头合并 pressed at start", checked(read), True)
    read.queryComponent().grabFocus()
    time.sleep(0.3)
    key("space")
    sheets = by_description(window, "lst_ver_hb_1")
    names = by_description(window, "lst_Field_order_shtname")
    fields = by_description(window, "edt_ver_hb_text")
    counts = by_description(window, "lst_field_order_count")
    wait_for("sheet entries", lambda: len(items(sheets)) == 3)
    expect("lst_ver_hb_1", items(sheets), [p + ">" + SHEET for p in BOOKS])
    expect("lst_Field_order_shtname", items(names), [SHEET] * 3)
    expect("edt_ver_hb_text", items(fields), [FIELDS] * 3)
    expect("lst_field_order_count", items(counts), ["7"] * 3)

    generate = by_description(window, "btn_field_verhb")
    expect("②生成结果 enabled at first", fresh(generate).getState().contains(pyatspi.STATE_ENABLED), False)
    press(by_description(window, "btn_all_selectAdd"))
    wait_for("②生成结果 enabled", lambda: fresh(generate).getState().contains(pyatspi.STATE_ENABLED))
    print("ok   ①合并检查 passed: ②生成结果 enabled")

    # The editor on the first field list: selecting the entry keeps the three lists on one row;
    # a click gives the list the keyboard, and Enter opens the editor.
    select_entry(fields, 1)
    expect("rows selected in step", [selected_rows(names), selected_rows(fields), selected_rows(counts)],
           [[1], [1], [1]])
    entry = cells(fields)[0]
    click(entry)
    key("Return")
    editor = by_description(window, "rzpnl_Field_order")
    wait_for("the editor", lambda: fresh(editor).getState().contains(pyatspi.STATE_SHOWING))
    order = by_description(window, "lst_Field_order_list")
    expect("editor list", items(order), FIELDS.split(","))
    if os.environ.get("SHOT"):
        subprocess.run(["import", "-window", "root", os.environ["SHOT"]], check=False)
        print("screenshot %s" % os.environ["SHOT"])
    select_entry(order, 1)
    press(by_description(window, "btn_up"))
    time.sleep(0.4)
    select_entry(order, 6)
    press(by_description(window, "btn_field_order_del"))
    time.sleep(0.4)
    expect("editor list after up and delete", items(order), EDITED.split(","))
    press(by_description(window, "btn_centry_field_order"))
    wait_for("the editor closed", lambda: not fresh(editor).getState().contains(pyatspi.STATE_SHOWING))
    expect("edt_ver_hb_text after 确定", items(fields), [EDITED, FIELDS, FIELDS])
    expect("lst_field_order_count after 确定", items(counts), ["6", "7", "7"])

    press(by_description(window, "btn_all_selectAdd"))
    expect("warning of the second check", close_message(app), ["参与合并工作表有字段数目不一致现象,请仔细排查!"])

    press(generate)
    panel = by_description(window, "rzpnl_kz_cxgrid")
    wait_for("the result panel", lambda: fresh(panel).getState().contains(pyatspi.STATE_SHOWING))
    grid = by_description(window, "cxGrid1DBTableView1")
    header, rows = read_grid(grid)
    expect("grid header", header, EDITED.split(","))
    expect("grid rows", rows, ROWS * 3)

    if failures:
        print("FAILED: " + "; ".join(failures))
        return 1
    print("vertical merge a11y check passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
