#!/usr/bin/env python3
"""Runs the horizontal merge through the accessibility bus (AT-SPI) as a screen-reader user would.

Opens workbooks through the open dialog (typing their names), checks sheets in the catalogue tree,
presses the step buttons, toggles field items, types the common field, reads the count and analysis
memos line by line, presses the result buttons and reads the grid's rows, comparing every one with
the rows expected. The workbooks are fixtures written by xlwt, openpyxl, LibreOffice and Gnumeric
(.xls BIFF8, GBK BIFF5, .xlsx); the expected rows of the second run are read from the originals
with openpyxl, independently of the program. Run it through scripts/a11y_check.sh:

    bash scripts/a11y_check.sh scripts/a11y_merge.py

Exits 0 when every comparison holds; prints what it saw.
"""
import os
import shutil
import subprocess
import sys
import time

import pyatspi

from a11y_lib import by_description, checked, find, find_app, fresh

ROOT = os.environ.get("SHUHUI_ROOT", os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
BOOKS = os.path.join(ROOT, "tests", "fixtures", "workbooks")
FORMATS = os.path.join(ROOT, "tests", "fixtures", "formats")
failures = []


def act(acc, preferred=("Press", "press", "click", "Toggle", "toggle")):
    action = acc.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    for p in preferred:
        if p in names:
            action.doAction(names.index(p))
            return
    action.doAction(0)


def settle(seconds=0.6):
    time.sleep(seconds)


def text_lines(acc):
    """The memo's lines, read one by one through the text interface as a screen reader does; the
    lines the memo wraps on screen are joined again at their soft breaks."""
    text = fresh(acc).queryText()
    count = text.characterCount
    full = text.getText(0, -1)
    lines, current, offset = [], "", 0
    while offset < count:
        if full[offset] == "\n":  # the end of a paragraph (an empty one when nothing came before)
            lines.append(current)
            current, offset = "", offset + 1
            continue
        line, start, end = text.getTextAtOffset(offset, pyatspi.TEXT_BOUNDARY_LINE_START)
        end = max(end, offset + 1)
        current += full[offset:end].rstrip("\n")
        if full[end - 1] == "\n":
            lines.append(current)
            current = ""
        offset = end
    if current or (full and not full.endswith("\n")):
        lines.append(current)
    return lines


def expect(what, seen, wanted):
    ok = seen == wanted
    print("%s %s: %r" % ("ok  " if ok else "FAIL", what, seen))
    if not ok:
        print("     wanted: %r" % (wanted,))
        failures.append(what)


def dialogs(app):
    out = []
    for i in range(fresh(app).childCount):
        w = app.getChildAtIndex(i)
        if w is not None and w.getRole() in (pyatspi.ROLE_DIALOG, pyatspi.ROLE_ALERT):
            out.append(w)
    return out


def close_alerts(app, what):
    for d in dialogs(app):
        texts = []
        for acc in pyatspi.utils.findAllDescendants(d, lambda a: a.getRole() == pyatspi.ROLE_LABEL):
            texts.append(acc.name)
        print("FAIL %s: a message box appeared: %r" % (what, texts))
        failures.append(what + " (message box)")
        ok = pyatspi.utils.findDescendant(d, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON)
        if ok is not None:
            act(ok)
            settle()


def open_books(app, window, paths):
    act(by_description(window, "RzBmpButton7"))
    deadline = time.time() + 10
    while not dialogs(app) and time.time() < deadline:
        time.sleep(0.2)
    if not dialogs(app):
        raise SystemExit("the open dialog did not appear")
    dlg = dialogs(app)[0]
    edit = find(dlg, lambda a: a.getRole() == pyatspi.ROLE_TEXT and
                a.getState().contains(pyatspi.STATE_EDITABLE), "file name box")
    edit.queryEditableText().setTextContents(" ".join('"%s"' % p for p in paths))
    settle(0.3)
    act(find(dlg, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON and a.name.startswith("打开"),
             "打开 button"))
    deadline = time.time() + 15
    while dialogs(app) and time.time() < deadline:
        time.sleep(0.2)
    settle(1.0)


def tree_cells(tree):
    return pyatspi.utils.findAllDescendants(fresh(tree), lambda a: a.getRole() in (
        pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_TREE_ITEM, pyatspi.ROLE_LIST_ITEM))


def click_check_box(tree, cell):
    """Qt's tree cells offer no way to check them through AT-SPI (their Toggle action selects):
    click the check box at the left of the cell, where the cell's extents put it, scrolling the
    tree with the mouse wheel until the cell is in view."""
    box = fresh(tree).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    for _ in range(60):
        ext = fresh(cell).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        if ext.y + ext.height > box.y + box.height - 24:
            button = "b5c"
        elif ext.y < box.y:
            button = "b4c"
        else:
            break
        pyatspi.Registry.generateMouseEvent(box.x + box.width // 2, box.y + box.height // 2, button)
        settle(0.15)
    pyatspi.Registry.generateMouseEvent(ext.x + 10, ext.y + ext.height // 2, pyatspi.MOUSE_B1C)
    settle(0.3)


def check_sheets(window, sheet_names):
    tree = by_description(window, "RzCheckTree1")
    if os.environ.get("A11Y_DEBUG"):
        for c in pyatspi.utils.findAllDescendants(fresh(tree), lambda a: True):
            act_names = []
            try:
                a = c.queryAction()
                act_names = [a.getName(i) for i in range(a.nActions)]
            except NotImplementedError:
                pass
            print("  tree child role=%s name=%r actions=%r" % (c.getRoleName(), c.name, act_names))
    n = 0
    for cell in tree_cells(tree):
        if cell.name in sheet_names:
            click_check_box(tree, cell)
            n += 1
    print("clicked sheet nodes: %d" % n)
    return n


def tabs(window):
    strip = by_description(window, "rzpg_fields_tabs")
    return pyatspi.utils.findAllDescendants(fresh(strip), lambda a: a.getRole() in (
        pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX))


def toggle_fields(window, page, names):
    tab = find(window, lambda a: a.description == "tab_%d" % page, "tab of page %d" % page)
    act(tab)
    settle(0.3)
    lst = by_description(window, "tcheck%d" % page)
    items = pyatspi.utils.findAllDescendants(fresh(lst), lambda a: a.getRole() in (
        pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_TABLE_CELL))
    seen = [i.name for i in items]
    for item in items:
        if item.name in names and not checked(item):
            act(item, ("Toggle", "toggle", "Check", "check"))
            settle(0.15)
    now = [i.name for i in items if checked(i)]
    expect("page %d checked fields" % page, now, [n for n in seen if n in names])
    return seen


def type_field(window, text):
    edit = by_description(window, "edt_public_field_name")
    edit.queryEditableText().setTextContents(text)
    settle(0.2)
    expect("edt_public_field_name", fresh(edit).queryText().getText(0, -1), text)


def grid_rows(window):
    grid = by_description(window, "cxGrid1Level1")
    table = find(grid, lambda a: a.getRole() in (pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE_TABLE), "grid table")
    t = fresh(table).queryTable()
    rows = []
    for r in range(t.nRows):
        rows.append("|".join(t.getAccessibleAt(r, c).name for c in range(t.nColumns)))
    return rows


def press_step(app, window, name, wait=0.8):
    act(by_description(window, name))
    settle(wait)
    close_alerts(app, name)


def shot(name):
    """With A11Y_SHOT_DIR set, a picture of the screen at this point (ImageMagick's import)."""
    folder = os.environ.get("A11Y_SHOT_DIR")
    if folder and shutil.which("import"):
        os.makedirs(folder, exist_ok=True)
        subprocess.run(["import", "-window", "root", os.path.join(folder, name + ".png")], check=False)


def cell(v):
    if v is None:
        return ""
    if isinstance(v, bool):
        return "True" if v else "False"
    if isinstance(v, float) and v.is_integer():
        return str(int(v))
    return str(v)


def run_payroll(app, window):
    """工资.xls and 考勤.xls (xlwt) under the 2003 driver: the two-sheet join, all three results."""
    act(by_description(window, "rrb2003"))
    open_books(app, window, [os.path.join(BOOKS, "工资.xls"), os.path.join(BOOKS, "考勤.xls")])
    if check_sheets(window, {"工资$", "考勤$"}) != 2:
        failures.append("sheets not checked")
    press_step(app, window, "btn_get_sheet_field")
    expect("field pages", [b.name for b in tabs(window)], ["工资$", "考勤$"])
    toggle_fields(window, 0, {"姓名", "基本工资", "奖金"})
    toggle_fields(window, 1, {"应扣金额"})
    press_step(app, window, "btn_set_public_field")
    type_field(window, "姓名")
    press_step(app, window, "btn_get_auto")
    expect("mmo_count", text_lines(by_description(window, "mmo_count")),
           ["姓名=2次", "把次数最大的名称填到上方框中!"])
    press_step(app, window, "btn_Enter")
    shot("hmerge_page")
    expect("mmo_fxjg", text_lines(by_description(window, "mmo_fxjg")),
           ["本次参与合并的表:", "[工资$],[考勤$]", "------------------", "表名与代号(右边):",
            "------------------", "工资$ T0", "考勤$ T1", "------------------", "------------------",
            "本次合并参与表格个数为两个,结果会列出来表1有而表2无等这样的记录信息"])
    press_step(app, window, "btn_Gen", 1.5)
    shot("hmerge_result")
    expect("④显示生成结果", grid_rows(window),
           ["张三|5000|800|50", "李四|6000|900.5|20.5", "Zhang|4000|300|10"])
    press_step(app, window, "btn_cxGrid_close")
    press_step(app, window, "btn_all_join", 1.5)
    expect("显示所有表头数据", grid_rows(window),
           ["张三|男|5000|800|张三|1|50", "李四|女|6000|900.5|李四|1|20.5", "Zhang|男|4000|300|zhang|1|10"])
    press_step(app, window, "btn_left_right", 1.5)
    expect("加显表1而表2无的数据", grid_rows(window),
           ["5000|800|张三|张三|50", "6000|900.5|李四|李四|20.5", "4000|300|Zhang|zhang|10",
            "4500|200|王五| |", "|| |赵六|30"])


def run_independent_writers(app, window):
    """The same sheet written by five programs, .xls and .xlsx, under the 2007-2010 driver."""
    import openpyxl
    ws = openpyxl.load_workbook(os.path.join(FORMATS, "basic_openpyxl.xlsx"))["员工 信息"]
    table = [[c.value for c in row] for row in ws.iter_rows()]
    head = table[0]
    want = ["|".join(cell(r[head.index(f)]) for f in ("工号", "姓名", "部门", "工资", "备注"))
            for r in table[1:] if r[head.index("工号")] is not None]

    by_description(window, "rcbClear")
    if not checked(by_description(window, "rcbClear")):
        act(by_description(window, "rcbClear"))
    act(by_description(window, "rrb2007"))
    files = ["basic_lo.xlsx", "basic_gnumeric.xls", "basic_biff5.xls", "basic_xlwt.xls", "basic_gnumeric.xlsx"]
    open_books(app, window, [os.path.join(FORMATS, f) for f in files])
    tree = by_description(window, "RzCheckTree1")
    check_sheets(window, {"员工 信息$"})  # the shared sheet of every workbook
    press_step(app, window, "btn_get_sheet_field")
    expect("field pages", [b.name for b in tabs(window)], ["员工 信息$"] * len(files))
    toggle_fields(window, 0, {"工号"})
    toggle_fields(window, 1, {"姓名"})
    toggle_fields(window, 2, {"部门"})  # GBK BIFF5
    toggle_fields(window, 3, {"工资"})
    toggle_fields(window, 4, {"备注"})
    press_step(app, window, "btn_set_public_field")
    type_field(window, "工号")
    press_step(app, window, "btn_Enter")
    lines = text_lines(by_description(window, "mmo_fxjg"))
    expect("mmo_fxjg tables", lines[5:10], ["员工 信息$ T%d" % n for n in range(5)])
    press_step(app, window, "btn_Gen", 2.0)
    expect("④ on five writers' files", grid_rows(window), want)


def main():
    app = find_app()
    window = app.getChildAtIndex(0)
    act(by_description(window, "RzBmpButton4"))
    settle()
    run_payroll(app, window)
    press_step(app, window, "btn_cxGrid_close")
    run_independent_writers(app, window)
    if failures:
        print("FAILED: " + "; ".join(failures))
        return 1
    print("a11y merge check passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
