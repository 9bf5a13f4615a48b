#!/usr/bin/python3
"""Writes the small workbooks of the key-match diagnosis tests into tests/fixtures/merge/.

Run with Debian's Python (python3-xlwt):
    /usr/bin/python3 scripts/make_diagnosis_fixtures.py

keys.xls holds each reason why two keys fail to meet once, between the sheets 左 and 右;
card.xls holds small sheets for the 1:1, 1:N, N:M and three-sheet joins, for keys of two types,
and a pair (多, 多三) whose join has more rows than either sheet.
"""
import os

import xlwt

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "fixtures", "merge")


def sheet(wb, title, rows):
    ws = wb.add_sheet(title)
    for r, row in enumerate(rows):
        for c, v in enumerate(row):
            if v is not None:
                ws.write(r, c, v)


def main():
    os.makedirs(OUT, exist_ok=True)

    wb = xlwt.Workbook(encoding="utf-8")
    sheet(wb, "左", [
        ["姓名", "基本工资"],
        ["张三", 5000],
        ["李四 ", 6000],                      # trailing blank
        ["王 五", 4500],                      # blank inside
        ["赵六\u3000", 4000],                 # ideographic space
        ["ＡＢＣ１２３", 3000],               # full-width letters and digits
        ["A01（一）", 3100],                  # full-width brackets
        ["Émile", 3200],                      # letter case (not ASCII)
        ["abc", 3300],                        # ASCII case: the provider already matches it
        [1001, 3400],                         # a number against the text "1001"
        ["007", 3500],                        # leading zeros
        [123456789012345678, 3600],           # an 18-digit ID stored as a number
        ["钱七\t", 3700],                     # tab
        ["孙八\u00a0", 3800],                 # no-break space
        ["周九", 3900],                       # only here
        [None, 100],                          # no key
    ])
    sheet(wb, "右", [
        ["姓名", "考勤扣款"],
        ["张三", 50],
        ["张三", 60],                         # twice: 1:N
        ["李四", 20],
        ["王五", 30],
        ["赵六", 40],
        ["ABC123", 10],
        ["A01(一)", 11],
        ["émile", 12],
        ["ABC", 13],
        ["1001", 14],
        [7, 15],
        ["123456789012345678", 16],
        ["钱七", 17],
        ["孙八", 18],
        ["吴十", 19],                         # only here
    ])
    wb.save(os.path.join(OUT, "keys.xls"))

    wb = xlwt.Workbook(encoding="utf-8")
    sheet(wb, "一", [["姓名", "金额"], ["a", 1], ["b", 2], ["c", 4], ["x", 8]])
    sheet(wb, "多", [["姓名", "扣款"], ["a", 10], ["a", 20], ["b", 30], ["c", 40], ["c", 50],
                     ["c", 60], ["y", 70]])
    sheet(wb, "多二", [["姓名", "补贴"], ["A", 100], ["a", 200], ["c", 300], ["d", 400]])
    sheet(wb, "数一", [["工号", "金额"], [1, 1], [2, 2], [2, 3], [3, 4]])
    sheet(wb, "数二", [["工号", "扣款"], [2, 10], [3, 20], [3, 30], [4, 40]])
    sheet(wb, "文二", [["工号", "扣款"], ["2", 10], ["3", 20], [" 3", 30], ["03", 40]])
    # with 多: a 2x2 and c 3x2 rows, more than either sheet holds
    sheet(wb, "多三", [["姓名", "奖金"], ["a", 1], ["a", 2], ["c", 3], ["c", 4]])
    wb.save(os.path.join(OUT, "card.xls"))


if __name__ == "__main__":
    main()
