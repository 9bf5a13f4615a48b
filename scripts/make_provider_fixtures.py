#!/usr/bin/python3
"""Writes the small workbooks the provider tests read, into tests/fixtures/workbooks/.

Run with Debian's Python (python3-xlwt for .xls, python3-openpyxl for .xlsx):
    /usr/bin/python3 scripts/make_provider_fixtures.py
"""
import datetime
import os

import openpyxl
import xlwt

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "fixtures", "workbooks")


def write_sheet(ws, rows, styles=None):
    """rows: list of lists; None leaves a cell out. styles: {(r, c): xlwt.XFStyle}."""
    for r, row in enumerate(rows):
        for c, v in enumerate(row):
            if v is None:
                continue
            st = (styles or {}).get((r, c))
            if st is not None:
                ws.write(r, c, v, st)
            else:
                ws.write(r, c, v)


def xls(name, sheets, date1904=False):
    wb = xlwt.Workbook(encoding="utf-8")
    if date1904:
        wb.dates_1904 = True
    for sheet in sheets:
        title, rows = sheet[0], sheet[1]
        styles = sheet[2] if len(sheet) > 2 else None
        ws = wb.add_sheet(title)
        if len(sheet) > 3 and sheet[3].get("hidden"):
            ws.visibility = 1
        write_sheet(ws, rows, styles)
    wb.save(os.path.join(OUT, name))


def main():
    os.makedirs(OUT, exist_ok=True)

    # The three sheets of the join examples; "Zhang"/"zhang"/"ZHANG" match without regard to case.
    xls("工资.xls", [("工资", [
        ["姓名", "性别", "基本工资", "奖金"],
        ["张三", "男", 5000, 800],
        ["李四", "女", 6000, 900.5],
        ["Zhang", "男", 4000, 300],
        ["王五", "男", 4500, 200],
    ])])
    # Full-width Latin letters in both cases: "ＡＢＣ" and "ａｂｃ" match without regard to case.
    xls("全角.xls", [("甲", [
        ["编号", "金额"],
        ["ＡＢＣ", 1],
        ["Ｘｙ", 2],
        ["ABC", 3],
    ]), ("乙", [
        ["编号", "备注"],
        ["ａｂｃ", "小写"],
        ["ｘＹ", "混合"],
    ])])
    xls("考勤.xls", [("考勤", [
        ["姓名", "月份", "应扣金额"],
        ["张三", 1, 50],
        ["李四", 1, 20.5],
        ["zhang", 1, 10],
        ["赵六", 1, 30],
    ])])
    xls("社保.xls", [("社保", [
        ["姓名", "医保扣款", "社保扣款"],
        ["张三", 100, 200],
        ["李四", 110, 210],
        ["ZHANG", 90, 190],
    ])])

    # Two month sheets for the union; the second has one more column.
    xls("pay.xls", [
        ("一月", [["姓名", "部门", "工资"], ["张三", "财务", 5000], ["李四", "人事", 6000]]),
        ("二月", [["姓名", "部门", "工资", "备注"], ["张三", "财务", 5100, "调薪"],
                 ["王五", "销售", 4500, None]]),
    ])

    # Field and type edge cases.
    date = xlwt.easyxf(num_format_str="yyyy-mm-dd")
    money = xlwt.easyxf(num_format_str='"¥"#,##0.00')
    long_text = "长" * 300 + "end"
    xls("edge.xls", [
        ("类型", [
            ["工号", "金额", "日期", "在职", "备注", "空列", "货币", "混合日期"],
            [1001, 1.5, 45000, True, "短", None, 12.5, 45000],
            ["A-7", 2, 45001, False, long_text, None, 3, "待定"],
            [3.5, None, None, True, None, None, 7.25, None],
        ], {(1, 2): date, (2, 2): date, (1, 6): money, (2, 6): money, (3, 6): money,
            (1, 7): date}),
        ("表头", [
            ["代码", None, "金额", "金额", "base pay", "Name"],
            ["a", 1, 10, 20, 30, "x"],
            ["b", 2, 11, 21, 31, "y"],
        ]),
        ("空表", [["姓名", "工资"]]),
        ("Sheet 1", [["k", "v"], ["one", 1]]),
        ("偏移", [[], [], [None, None, None], [None, "姓名", "数量"], [None, "甲", 1], [],
                 [None, "乙", 2]]),
        ("隐藏", [["x"], [1]], None, {"hidden": True}),
    ])

    xls("d1904.xls", [("日期", [["日期"], [0], [1]], {(1, 0): date, (2, 0): date})], date1904=True)

    # The same join sheets as an .xlsx (needs the 2007-2010 driver).
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "工资"
    for row in [["姓名", "基本工资"], ["张三", 5000], ["李四", 6000]]:
        ws.append(row)
    ws2 = wb.create_sheet("考勤")
    for row in [["姓名", "应扣金额", "日期"], ["张三", 50, datetime.datetime(2023, 3, 15)]]:
        ws2.append(row)
    wb.save(os.path.join(OUT, "book.xlsx"))

    # Not a workbook, though named like one.
    with open(os.path.join(OUT, "corrupt.xls"), "wb") as f:
        f.write(b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1" + b"\x00" * 24 + b"\xff" * 480)
    with open(os.path.join(OUT, "text.xls"), "wb") as f:
        f.write("姓名,工资\n张三,5000\n".encode("utf-8"))


if __name__ == "__main__":
    main()
