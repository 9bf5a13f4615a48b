// Exporting what the result grid shows as an Excel 97-2003 (.xls, BIFF8) workbook.
//
// The workbook holds the display columns (visible, not grouped) with their captions in a bold
// header row, then the view's rows in view order with every group expanded: a group row (its text
// "<caption> : <value> (<count>)" in the first column), the data rows as typed values (numbers as
// numbers, dates as date numbers with a date format, booleans as booleans, texts as texts; money
// columns with their display pattern as the number format), the group footers when the view shows
// them, and the footer row when the view shows it. A sheet takes the header and at most 65,535 body
// rows; further rows continue on further sheets ("Sheet1", "Sheet2", ...), each with the header.
//
// Call order of the export button: if !view.hasData() show kNoDataWarning and stop; ask for a file
// name; if it is empty show kNoFileNameWarning and stop; exportGridToXls(view, name) writes to
// xlsFileName(name) and reports what it wrote (the UI may say how many sheets). runExport() does
// exactly these steps with callbacks. Writing failures throw shuhui::Error (from
// formats::writeXls).
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "workbooks/result.h"

namespace shuhui::grid {

class GridView;

inline constexpr const char* kNoDataWarning = "   没有数据需要导出!    ";
inline constexpr const char* kNoFileNameWarning = "    您没有指定文件名,不能继续!    ";
inline constexpr const char* kWarningCaption = "信息提示";
inline constexpr const char* kSaveDialogTitle = "导出为";
inline constexpr const char* kSaveDialogFilter =
    "Excel文件(*.xls)|*.xls|XML文件(*.xml)|*.xml|文本文件(*.txt)|*.txt|网页文件(*.html)|*.html";
// Body rows per sheet: the header takes the first of the format's 65,536 rows.
inline constexpr size_t kRowsPerSheet = 65535;

struct ExportSummary {
    std::string path;        // the file written
    size_t dataRows = 0;     // data rows written (group, footer and header rows not counted)
    size_t sheets = 0;       // sheets written
    size_t summaryRows = 0;  // group rows, group footer rows and the footer row written
};

// The name with its extension replaced by ".xls": the extension is the part from the last "." that
// stands after the last "\", "/" or ":"; a name without one gets ".xls" appended.
// "a.html" -> "a.xls", "D:\报表.2010\月报" -> "D:\报表.2010\月报.xls", "结果" -> "结果.xls".
std::string xlsFileName(const std::string& name);

// What the window says after an export that needed more than one sheet: "数据超过 65535 行,已分 3
// 个工作表导出" when the data rows alone do not fit one sheet; when group and footer rows pushed
// them over, it says so: "数据 65535 行加上分组行和合计行共 65537 行,超过一个工作表的 65535 行,已分
// 2 个工作表导出"; "" for one sheet.
std::string exportSheetsNotice(const ExportSummary& summary);

// Writes the view as described above to xlsFileName(path).
ExportSummary exportGridToXls(const GridView& view, const std::string& path);

// Writes a plain result (one column per field, no grouping, no summaries) through the same code.
ExportSummary exportResultToXls(const workbooks::Result& result, const std::string& path);

// The export button's steps. askFileName runs the save dialog and returns the chosen name, or ""
// when cancelled; warn(text, caption) shows a warning. Returns the summary when a file was written.
std::optional<ExportSummary> runExport(
    const GridView& view, const std::function<std::string()>& askFileName,
    const std::function<void(const std::string&, const std::string&)>& warn);

}  // namespace shuhui::grid
