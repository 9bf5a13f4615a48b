#!/usr/bin/python3
"""Dumps a workbook through an independent reader, one tab-separated line per fact.

    /usr/bin/python3 roundtrip_dump.py FILE.xls    (xlrd, with formatting info)
    /usr/bin/python3 roundtrip_dump.py FILE.xlsx   (openpyxl)

Lines (texts escaped: backslash, tab and newline as \\\\ \\t \\n):
    datemode  0|1
    sheet     INDEX  NAME  visible|hidden|veryhidden
    cell      SHEET  ROW  COL  text|number|bool|error|blank  VALUE
    style     SHEET  ROW  COL  FONT SIZE BOLD ITALIC UNDERLINE FONTCOLOR FILL HALIGN VALIGN WRAP
              BORDER_L BORDER_R BORDER_T BORDER_B NUMFMT
    merge     SHEET  FIRSTROW  FIRSTCOL  LASTROW  LASTCOL
    col       SHEET  COL  WIDTH(characters, as shown)  HIDDEN
    row       SHEET  ROW  HEIGHT(points)  HIDDEN
Numbers are printed with repr(); colours as RRGGBB or "-" for automatic/none; borders as the BIFF
style number and colour, e.g. 1/FF0000. Rows and columns are 0-based. Used by the writers'
round-trip tests, which compare these lines with the model they wrote.
"""
import sys


def esc(s):
    return str(s).replace("\\", "\\\\").replace("\t", "\\t").replace("\n", "\\n")


def out(*fields):
    sys.stdout.write("\t".join(esc(f) for f in fields) + "\n")


def shown_width(file_width):
    """Characters as the spreadsheet shows them, from a width with the cell padding included."""
    if file_width <= 0:
        return 0.0
    px = int(file_width * 7 + 0.5)
    if px < 12:
        return px / 12.0
    return (px - 5) / 7.0


def num(v):
    return repr(float(v))


def dump_xls(path):
    import xlrd

    book = xlrd.open_workbook(path, formatting_info=True, on_demand=False)
    out("datemode", book.datemode)

    def colour(idx, auto):
        if idx is None or idx in auto:
            return "-"
        rgb = book.colour_map.get(idx)
        if rgb is None:
            return "-"
        return "%02X%02X%02X" % rgb

    auto_font = (0x7FFF, 64, 81)
    auto_border = (0, 64, 65, 0x7FFF)
    for si in range(book.nsheets):
        sh = book.sheet_by_index(si)
        state = {0: "visible", 1: "hidden", 2: "veryhidden"}[sh.visibility]
        out("sheet", si, sh.name, state)
        for r in range(sh.nrows):
            for c in range(sh.row_len(r)):
                cell = sh.cell(r, c)
                t = cell.ctype
                if t == xlrd.XL_CELL_EMPTY:
                    continue
                if t == xlrd.XL_CELL_TEXT:
                    out("cell", si, r, c, "text", cell.value)
                elif t in (xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_DATE):
                    out("cell", si, r, c, "number", num(cell.value))
                elif t == xlrd.XL_CELL_BOOLEAN:
                    out("cell", si, r, c, "bool", int(cell.value))
                elif t == xlrd.XL_CELL_ERROR:
                    out("cell", si, r, c, "error", int(cell.value))
                elif t == xlrd.XL_CELL_BLANK:
                    out("cell", si, r, c, "blank", "")
                xf = book.xf_list[cell.xf_index]
                font = book.font_list[xf.font_index]
                fill = "-"
                if xf.background.fill_pattern == 1:
                    fill = colour(xf.background.pattern_colour_index, ())
                b = xf.border
                borders = [
                    "%d/%s" % (b.left_line_style, colour(b.left_colour_index, auto_border)),
                    "%d/%s" % (b.right_line_style, colour(b.right_colour_index, auto_border)),
                    "%d/%s" % (b.top_line_style, colour(b.top_colour_index, auto_border)),
                    "%d/%s" % (b.bottom_line_style, colour(b.bottom_colour_index, auto_border)),
                ]
                out("style", si, r, c, font.name, num(font.height / 20.0), int(font.bold),
                    int(font.italic), font.underline_type, colour(font.colour_index, auto_font),
                    fill, xf.alignment.hor_align, xf.alignment.vert_align,
                    int(xf.alignment.text_wrapped), *borders,
                    book.format_map[xf.format_key].format_str)
        for (r1, r2, c1, c2) in sh.merged_cells:
            out("merge", si, r1, c1, r2 - 1, c2 - 1)
        for c, info in sorted(sh.colinfo_map.items()):
            out("col", si, c, num(shown_width(info.width / 256.0)), int(info.hidden))
        for r, info in sorted(sh.rowinfo_map.items()):
            if info.height_mismatch or info.hidden:
                out("row", si, r, num(info.height / 20.0), int(info.hidden))


def dump_xlsx(path):
    import openpyxl
    from openpyxl.utils import column_index_from_string
    from openpyxl.utils.datetime import to_excel
    import datetime

    book = openpyxl.load_workbook(path, data_only=True)
    out("datemode", 1 if book.epoch == openpyxl.utils.datetime.MAC_EPOCH else 0)
    halign = {None: 0, "general": 0, "left": 1, "center": 2, "right": 3, "fill": 4,
              "justify": 5, "centerContinuous": 6, "distributed": 7}
    valign = {"top": 0, "center": 1, None: 2, "bottom": 2, "justify": 3, "distributed": 4}
    bstyle = {None: 0, "thin": 1, "medium": 2, "dashed": 3, "dotted": 4, "thick": 5,
              "double": 6, "hair": 7, "mediumDashed": 8, "dashDot": 9, "mediumDashDot": 10,
              "dashDotDot": 11, "mediumDashDotDot": 12, "slantDashDot": 13}

    def colour(col):
        if col is None or col.type != "rgb" or not isinstance(col.rgb, str):
            return "-"
        return col.rgb[-6:].upper()

    for si, sh in enumerate(book.worksheets):
        out("sheet", si, sh.title, {"visible": "visible", "hidden": "hidden",
                                    "veryHidden": "veryhidden"}[sh.sheet_state])
        for row in sh.iter_rows():
            for cell in row:
                if type(cell).__name__ == "MergedCell":
                    continue  # openpyxl's stand-in for the covered part of a merged range
                v = cell.value
                r, c = cell.row - 1, cell.column - 1
                if v is None:
                    if not cell.has_style:
                        continue
                    out("cell", si, r, c, "blank", "")
                elif isinstance(v, bool):
                    out("cell", si, r, c, "bool", int(v))
                elif isinstance(v, (int, float)):
                    out("cell", si, r, c, "number", num(v))
                elif isinstance(v, (datetime.datetime, datetime.date, datetime.time)):
                    out("cell", si, r, c, "number", num(to_excel(v, book.epoch)))
                elif cell.data_type == "e":
                    out("cell", si, r, c, "error", v)
                else:
                    out("cell", si, r, c, "text", v)
                f, a, b = cell.font, cell.alignment, cell.border
                fill = "-"
                if cell.fill is not None and cell.fill.fill_type == "solid":
                    fill = colour(cell.fill.fgColor)
                borders = ["%d/%s" % (bstyle[s.style], colour(s.color) if s.style else "-")
                           for s in (b.left, b.right, b.top, b.bottom)]
                under = {None: 0, "single": 1, "double": 2}.get(f.u, 0)
                out("style", si, r, c, f.name, num(f.sz), int(bool(f.b)), int(bool(f.i)),
                    under, colour(f.color), fill, halign[a.horizontal], valign[a.vertical],
                    int(bool(a.wrap_text)), *borders, cell.number_format)
        for rng in sh.merged_cells.ranges:
            out("merge", si, rng.min_row - 1, rng.min_col - 1, rng.max_row - 1, rng.max_col - 1)
        for key, dim in sorted(sh.column_dimensions.items()):
            if dim.width is None or (not dim.customWidth and not dim.hidden):
                continue
            first = column_index_from_string(key) - 1
            last = (dim.max or first + 1) - 1
            for c in range(first, max(first, last) + 1):
                out("col", si, c, num(shown_width(dim.width)), int(bool(dim.hidden)))
        for r, dim in sorted(sh.row_dimensions.items()):
            if dim.ht is not None or dim.hidden:
                out("row", si, r - 1, num(dim.ht or 15.0), int(bool(dim.hidden)))


def main():
    path = sys.argv[1]
    if path.lower().endswith(".xlsx"):
        dump_xlsx(path)
    else:
        dump_xls(path)


if __name__ == "__main__":
    main()
