#!/usr/bin/python3
"""Writes a 300,000-row .xlsx (one sheet "工资", 10 columns of names, ids, departments, money,
dates and remarks) for bench/preview_bench.sh: python3 make_sheet.py OUT.xlsx [ROWS]"""
import datetime
import random
import sys

import xlsxwriter

out = sys.argv[1]
rows = int(sys.argv[2]) if len(sys.argv) > 2 else 300000
rnd = random.Random(20261211)
surnames = "赵钱孙李周吴郑王冯陈褚卫蒋沈韩杨朱秦尤许何吕施张孔曹严华金魏陶姜"
given = "伟芳娜秀英敏静丽强磊军洋勇艳杰娟涛明超秀兰霞平刚桂英"
depts = ["财务部", "仓储物流部", "测试部", "人力资源部", "信息技术部", "销售部", "市场部", "采购部"]
wb = xlsxwriter.Workbook(out, {"constant_memory": True})
ws = wb.add_worksheet("工资")
date_fmt = wb.add_format({"num_format": "yyyy-mm-dd"})
money = wb.add_format({"num_format": "0.00"})
ws.write_row(0, 0, ["姓名", "工号", "部门", "基本工资", "奖金", "社保扣款", "出勤天数", "入职日期",
                    "在职", "备注"])
start = datetime.date(2000, 1, 1)
for r in range(1, rows + 1):
    name = rnd.choice(surnames) + rnd.choice(given) + rnd.choice(given)
    ws.write_string(r, 0, name)
    ws.write_string(r, 1, "E%06d" % r)
    ws.write_string(r, 2, rnd.choice(depts))
    ws.write_number(r, 3, round(rnd.uniform(3000, 30000), 2), money)
    ws.write_number(r, 4, round(rnd.uniform(0, 5000), 2), money)
    ws.write_number(r, 5, round(rnd.uniform(200, 1500), 2), money)
    ws.write_number(r, 6, rnd.randint(15, 23))
    ws.write_datetime(r, 7, datetime.datetime.combine(start + datetime.timedelta(days=rnd.randint(0, 9000)),
                                                      datetime.time()), date_fmt)
    ws.write_boolean(r, 8, rnd.random() < 0.9)
    if rnd.random() < 0.2:
        ws.write_string(r, 9, "备注%d" % rnd.randint(1, 50))
wb.close()
