// The .xlsx writer: the model through libxlsxwriter.
//
// writeXlsx(workbook, path) checks the sheet names and the format's limits (1,048,576 rows,
// 16,384 columns, 32,767 characters a cell) before anything is written, then writes in
// libxlsxwriter's constant-memory mode, which streams each row to a temporary file as soon as the
// next one starts: per sheet the column widths, the merged ranges, then row by row the row height
// and the cells. Every model style becomes one libxlsxwriter format (font, fill, borders,
// alignment, wrap, number format), created once and shared by all cells using it.
//
// The workbook is written to a temporary file beside the target and renamed over it at the end, so
// a failure leaves no half-written file. libxlsxwriter has no switch for the 1904 date system: for
// such a workbook the finished package is copied once more, entry by entry without recompressing,
// with date1904="1" added to xl/workbook.xml.
#include <minizip/unzip.h>
#include <minizip/zip.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "formats/error.h"
#include "formats/read_limits.h"
#include "formats/write_checks.h"
#include "formats/writer.h"

namespace shuhui::formats {

namespace {

constexpr uint32_t kXlsxMaxRows = 1048576;
constexpr uint32_t kXlsxMaxCols = 16384;
constexpr size_t kMaxCellChars = 32767;

using detail::cellName;
using detail::quoted;

[[noreturn]] void refuse(ErrorKind kind, const std::string& path, const std::string& why) {
    throw Error(kind, "无法保存为 .xlsx 文件 " + path + "：" + why);
}

std::string lxwReason(lxw_error e) {
    const char* s = lxw_strerror(e);
    return s ? s : "libxlsxwriter error " + std::to_string(int(e));
}

using detail::TempFile;

void checkSheet(const Workbook& wb, const Sheet& s, const std::string& path) {
    detail::checkSheetExtent(wb, s, path, ".xlsx", kXlsxMaxRows, kXlsxMaxCols, false);
    for (const Cell& c : s.cells) {
        if (c.type != CellType::Text) continue;
        const std::string& t = wb.strings[c.text];
        if (t.size() > kMaxCellChars) {
            size_t chars = 0;
            for (unsigned char ch : t) chars += (ch & 0xC0) != 0x80 ? (ch >= 0xF0 ? 2 : 1) : 0;
            if (chars > kMaxCellChars) {
                refuse(ErrorKind::TooLarge, path,
                       "工作表" + quoted(s.name) + "的单元格 " + cellName(c.row, c.col) +
                           " 的文本超过一个单元格最多 32,767 个字符的上限");
            }
        }
    }
}

lxw_format* makeFormat(lxw_workbook* book, const CellStyle& st) {
    lxw_format* f = workbook_add_format(book);
    if (!f) return nullptr;
    const Font& font = st.font;
    if (!font.name.empty()) format_set_font_name(f, font.name.c_str());
    if (font.size > 0) format_set_font_size(f, font.size);
    if (font.bold) format_set_bold(f);
    if (font.italic) format_set_italic(f);
    if (font.underline == 1) format_set_underline(f, LXW_UNDERLINE_SINGLE);
    if (font.underline == 2) format_set_underline(f, LXW_UNDERLINE_DOUBLE);
    if (font.color != kNoColor) format_set_font_color(f, font.color & 0xFFFFFF);
    if (st.fill != kNoColor) {
        format_set_pattern(f, LXW_PATTERN_SOLID);
        format_set_bg_color(f, st.fill & 0xFFFFFF);
    }
    auto border = [&](const Border& b, void (*setStyle)(lxw_format*, uint8_t),
                      void (*setColor)(lxw_format*, lxw_color_t)) {
        if (b.style == BorderStyle::None) return;
        setStyle(f, uint8_t(b.style));  // both number the styles as BIFF does
        if (b.color != kNoColor) setColor(f, b.color & 0xFFFFFF);
    };
    border(st.left, format_set_left, format_set_left_color);
    border(st.right, format_set_right, format_set_right_color);
    border(st.top, format_set_top, format_set_top_color);
    border(st.bottom, format_set_bottom, format_set_bottom_color);
    if (st.halign != HAlign::General) {
        // LXW_ALIGN_LEFT .. LXW_ALIGN_DISTRIBUTED follow the model's order
        format_set_align(f, uint8_t(LXW_ALIGN_NONE + uint8_t(st.halign)));
    }
    switch (st.valign) {
        case VAlign::Top:
            format_set_align(f, LXW_ALIGN_VERTICAL_TOP);
            break;
        case VAlign::Center:
            format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
            break;
        case VAlign::Justify:
            format_set_align(f, LXW_ALIGN_VERTICAL_JUSTIFY);
            break;
        case VAlign::Distributed:
            format_set_align(f, LXW_ALIGN_VERTICAL_DISTRIBUTED);
            break;
        case VAlign::Bottom:
            break;  // the default
    }
    if (st.wrap) format_set_text_wrap(f);
    if (!st.numFmt.empty() && st.numFmt != "General") format_set_num_format(f, st.numFmt.c_str());
    return f;
}

// A text that itself contains "_xHHHH_" would be read as an escaped character (libxlsxwriter
// writes control characters that way): its underscore is escaped as "_x005F_".
bool looksEscaped(const std::string& t, size_t at) {
    if (at + 7 > t.size() || t[at + 1] != 'x' || t[at + 6] != '_') return false;
    for (size_t k = at + 2; k < at + 6; ++k)
        if (!std::isxdigit(static_cast<unsigned char>(t[k]))) return false;
    return true;
}

const char* literalText(const std::string& t, std::string& scratch) {
    size_t at = t.find("_x");
    if (at == std::string::npos) return t.c_str();
    scratch.clear();
    size_t from = 0;
    for (; at != std::string::npos; at = t.find("_x", at + 1)) {
        if (!looksEscaped(t, at)) continue;
        scratch.append(t, from, at - from).append("_x005F_");
        from = at + 1;
    }
    if (from == 0) return t.c_str();
    scratch.append(t, from, std::string::npos);
    return scratch.c_str();
}

// The error value as the formula that yields it, with the value cached.
void writeError(lxw_worksheet* ws, const Cell& c, lxw_format* f, lxw_error& err) {
    const char* text = errorText(c.small);
    std::string formula = std::string("=") + text;
    err = worksheet_write_formula_str(ws, c.row, c.col, formula.c_str(), f, text);
}

void writeSheet(lxw_workbook* book, lxw_worksheet* ws, const Workbook& wb, const Sheet& s,
                std::vector<lxw_format*>& formats, const std::string& path) {
    auto format = [&](uint32_t style) -> lxw_format* {
        if (wb.styles.empty()) return nullptr;
        if (style >= wb.styles.size()) style = 0;
        if (!formats[style]) formats[style] = makeFormat(book, wb.styles[style]);
        return formats[style];
    };
    auto check = [&](lxw_error e, const char* what) {
        if (e != LXW_NO_ERROR) {
            throw Error(ErrorKind::WriteFailed, "无法保存为 .xlsx 文件 " + path + "：工作表" +
                                                    quoted(s.name) + "的" + what + "写入失败（" +
                                                    lxwReason(e) + "）");
        }
    };

    for (const ColInfo& c : s.cols) {
        if (c.first > c.last || c.first >= kXlsxMaxCols) continue;
        lxw_row_col_options opt{};
        opt.hidden = c.hidden ? LXW_TRUE : LXW_FALSE;
        lxw_col_t last = std::min<lxw_col_t>(c.last, kXlsxMaxCols - 1);
        lxw_format* f = c.style != 0 ? format(c.style) : nullptr;
        check(worksheet_set_column_opt(ws, c.first, last, c.width, f, &opt), "列宽");
    }
    // Merged ranges first: in constant-memory mode nothing may refer to rows already written.
    // The empty text with no format writes no cell; the model's own cells follow.
    for (const Range& r : s.merged) {
        if (r.firstRow == r.lastRow && r.firstCol == r.lastCol) continue;
        check(worksheet_merge_range(ws, r.firstRow, lxw_col_t(r.firstCol), r.lastRow,
                                    lxw_col_t(r.lastCol), "", nullptr),
              "合并单元格");
    }

    std::vector<const RowInfo*> infos;
    for (const RowInfo& r : s.rows)
        if (r.row < kXlsxMaxRows) infos.push_back(&r);
    std::stable_sort(infos.begin(), infos.end(),
                     [](const RowInfo* a, const RowInfo* b) { return a->row < b->row; });
    std::vector<const Cell*> order;
    const Cell* cells = s.cells.data();
    bool sorted = true;
    for (size_t i = 1; i < s.cells.size() && sorted; ++i)
        sorted = cells[i - 1].row < cells[i].row ||
                 (cells[i - 1].row == cells[i].row && cells[i - 1].col < cells[i].col);
    order.reserve(s.cells.size());
    for (const Cell& c : s.cells) order.push_back(&c);
    if (!sorted) {
        std::stable_sort(order.begin(), order.end(), [](const Cell* a, const Cell* b) {
            return a->row != b->row ? a->row < b->row : a->col < b->col;
        });
    }

    std::string scratch;
    size_t ri = 0;
    auto setRow = [&](const RowInfo& r) {
        lxw_row_col_options opt{};
        opt.hidden = r.hidden ? LXW_TRUE : LXW_FALSE;
        check(worksheet_set_row_opt(ws, r.row, r.height, nullptr, &opt), "行高");
    };
    for (const Cell* c : order) {
        while (ri < infos.size() && infos[ri]->row <= c->row) setRow(*infos[ri++]);
        lxw_format* f = format(c->style);
        lxw_error e = LXW_NO_ERROR;
        switch (c->type) {
            case CellType::Number:
                if (std::isfinite(c->number)) {
                    e = worksheet_write_number(ws, c->row, c->col, c->number, f);
                } else {
                    Cell num = *c;
                    num.small = 0x24;  // #NUM!
                    writeError(ws, num, f, e);
                }
                break;
            case CellType::Text:
                e = worksheet_write_string(ws, c->row, c->col,
                                           literalText(wb.strings[c->text], scratch), f);
                break;
            case CellType::Bool:
                e = worksheet_write_boolean(ws, c->row, c->col, c->small ? 1 : 0, f);
                break;
            case CellType::Error:
                writeError(ws, *c, f, e);
                break;
            case CellType::Blank:
                e = worksheet_write_blank(ws, c->row, c->col, f);
                break;
        }
        if (e != LXW_NO_ERROR) {
            throw Error(e == LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED ? ErrorKind::TooLarge
                                                                  : ErrorKind::WriteFailed,
                        "无法保存为 .xlsx 文件 " + path + "：工作表" + quoted(s.name) +
                            "的单元格 " + cellName(c->row, c->col) + " 写入失败（" + lxwReason(e) +
                            "）");
        }
    }
    while (ri < infos.size()) setRow(*infos[ri++]);
}

// Copies the package at `from` to `to`, adding date1904="1" to the workbook part; the other
// entries are copied compressed as they are.
void markDate1904(const std::string& from, const std::string& to, const std::string& path) {
    unzFile in = unzOpen64(from.c_str());
    if (!in) detail::writeFailed(path, "无法重新打开刚写好的临时文件");
    zipFile out = zipOpen64(to.c_str(), APPEND_STATUS_CREATE);
    if (!out) {
        unzClose(in);
        detail::writeFailed(path, detail::systemReason(errno));
    }
    bool ok = unzGoToFirstFile(in) == UNZ_OK;
    std::vector<char> buf(1 << 16);
    while (ok) {
        unz_file_info64 info;
        char name[512];
        if (unzGetCurrentFileInfo64(in, &info, name, sizeof name, nullptr, 0, nullptr, 0) !=
            UNZ_OK) {
            ok = false;
            break;
        }
        zip_fileinfo zi{};
        zi.dosDate = info.dosDate;
        zi.internal_fa = info.internal_fa;
        zi.external_fa = info.external_fa;
        const bool zip64 = info.uncompressed_size >= 0xFFFFFFFFu;
        if (std::strcmp(name, "xl/workbook.xml") == 0) {
            std::string xml;
            ok = unzOpenCurrentFile(in) == UNZ_OK;
            int n;
            while (ok && (n = unzReadCurrentFile(in, buf.data(), unsigned(buf.size()))) > 0)
                xml.append(buf.data(), size_t(n));
            if (ok && unzCloseCurrentFile(in) != UNZ_OK) ok = false;
            size_t at = xml.find("<workbookPr");
            if (at != std::string::npos) {
                xml.insert(at + 11, " date1904=\"1\"");
            } else if ((at = xml.find("<bookViews")) != std::string::npos) {
                xml.insert(at, "<workbookPr date1904=\"1\"/>");
            }
            ok = ok && zipOpenNewFileInZip64(out, name, &zi, nullptr, 0, nullptr, 0, nullptr,
                                             Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0) == ZIP_OK;
            ok = ok && zipWriteInFileInZip(out, xml.data(), unsigned(xml.size())) == ZIP_OK;
            ok = ok && zipCloseFileInZip(out) == ZIP_OK;
        } else {
            int method = 0, level = 0;
            ok = unzOpenCurrentFile2(in, &method, &level, 1) == UNZ_OK;
            ok = ok && zipOpenNewFileInZip2_64(out, name, &zi, nullptr, 0, nullptr, 0, nullptr,
                                               method, level, 1, zip64) == ZIP_OK;
            int n = 0;
            while (ok && (n = unzReadCurrentFile(in, buf.data(), unsigned(buf.size()))) > 0)
                ok = zipWriteInFileInZip(out, buf.data(), unsigned(n)) == ZIP_OK;
            if (n < 0) ok = false;
            unzCloseCurrentFile(in);
            ok = ok && zipCloseFileInZipRaw64(out, info.uncompressed_size, info.crc) == ZIP_OK;
        }
        if (!ok) break;
        int next = unzGoToNextFile(in);
        if (next == UNZ_END_OF_LIST_OF_FILE) break;
        ok = next == UNZ_OK;
    }
    unzClose(in);
    if (zipClose(out, nullptr) != ZIP_OK) ok = false;
    if (!ok) detail::writeFailed(path, "写入 1904 日期系统标记时出错");
}

}  // namespace

void writeXlsx(const Workbook& wb, const std::string& path) {
    detail::checkWorkbook(wb, path, ".xlsx");
    for (const Sheet& s : wb.sheets) {
        checkSheet(wb, s, path);
        detail::checkMerges(s, path, ".xlsx");
    }
    detail::checkTarget(path);

    TempFile tmp{detail::temporaryPathBeside(path)};
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(tmp.path.c_str(), &options);
    if (!book) detail::writeFailed(path, "无法创建工作簿");

    std::vector<lxw_format*> formats(wb.styles.size(), nullptr);
    std::vector<lxw_worksheet*> sheets;
    try {
        for (const Sheet& s : wb.sheets) {
            lxw_worksheet* ws = workbook_add_worksheet(book, s.name.c_str());
            if (!ws) {
                refuse(ErrorKind::Unsupported, path,
                       "无法添加工作表" + quoted(s.name) + "（名称不被接受）");
            }
            sheets.push_back(ws);
            writeSheet(book, ws, wb, s, formats, path);
        }
        // The first visible sheet is the one shown; the hidden ones are hidden after that choice.
        size_t active = 0;
        for (size_t i = 0; i < wb.sheets.size(); ++i) {
            if (wb.sheets[i].state == SheetState::Visible) {
                active = i;
                break;
            }
        }
        for (size_t i = 0; i < wb.sheets.size(); ++i)
            if (i != active && wb.sheets[i].state != SheetState::Visible) worksheet_hide(sheets[i]);
        worksheet_activate(sheets[active]);
        worksheet_set_first_sheet(sheets[active]);
    } catch (...) {
        workbook_close(book);  // frees it; the temporary file is removed by `tmp`
        throw;
    }
    errno = 0;
    lxw_error e = workbook_close(book);
    if (e != LXW_NO_ERROR) {
        std::string why = lxwReason(e);
        if (e == LXW_ERROR_CREATING_XLSX_FILE || e == LXW_ERROR_CREATING_TMPFILE)
            why = "无法创建文件";
        if (errno != 0) why += "：" + detail::systemReason(errno);
        detail::writeFailed(path, why);
    }

    std::string finished = tmp.path;
    TempFile marked;
    if (wb.date1904) {
        marked.path = detail::temporaryPathBeside(path);
        markDate1904(tmp.path, marked.path, path);
        finished = marked.path;
    }
    if (std::rename(finished.c_str(), path.c_str()) != 0)
        detail::writeFailed(path, detail::systemReason(errno));
    (wb.date1904 ? marked : tmp).keep = true;
}

}  // namespace shuhui::formats
