// Export of the result grid to .xls: see export.h.
//
// The rows are produced in view order with every group expanded (GridView::rowsAllExpanded) and
// streamed into the workbook model; a RowSink starts a new sheet, with its own header row, when the
// current one is full. A formats::WorkbookBuilder pools styles and texts so the model holds one
// entry per distinct style and text.
#include "grid/export.h"

#include <cmath>
#include <map>

#include "formats/error.h"
#include "formats/workbook.h"
#include "formats/workbook_builder.h"
#include "formats/writer.h"
#include "grid/grid_engine.h"
#include "grid/pattern.h"

namespace shuhui::grid {

using formats::Cell;
using formats::CellStyle;
using formats::CellType;
using workbooks::FieldType;
using workbooks::ValueKind;

std::string xlsFileName(const std::string& name) {
    size_t sep = name.find_last_of("\\/:");
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && (sep == std::string::npos || dot > sep))
        return name.substr(0, dot) + ".xls";
    return name + ".xls";
}

namespace {

using formats::WorkbookBuilder;

// The export's cell styles: a number format, bold or not, and an alignment on the default font.
uint32_t exportStyle(WorkbookBuilder& b, const std::string& numFmt, bool bold,
                     formats::HAlign halign = formats::HAlign::General) {
    CellStyle st;
    st.numFmt = numFmt;
    st.font.bold = bold;
    st.halign = halign;
    return b.style(st);
}

formats::HAlign halignOf(Alignment a) {
    switch (a) {
        case taLeftJustify:
            return formats::HAlign::Left;
        case taRightJustify:
            return formats::HAlign::Right;
        case taCenter:
            return formats::HAlign::Center;
    }
    return formats::HAlign::General;
}

// The cell's format shows what the grid shows for the value: a whole day as the date alone, also
// in a date-and-time column (the provider types every date column so), a time of day with it.
std::string dateFormatFor(FieldType type, double serial) {
    if (type == FieldType::Time) return "hh:mm:ss";
    constexpr double kMsPerDay = 86400000.0;
    if (std::fmod(std::round(serial * kMsPerDay), kMsPerDay) != 0) return "yyyy-mm-dd hh:mm:ss";
    return "yyyy-mm-dd";
}

// Appends rows to the current sheet and opens the next sheet, with the header, when it is full.
class RowSink {
  public:
    RowSink(WorkbookBuilder& b, const GridView& view, const std::vector<size_t>& cols)
        : b_(b), view_(view), cols_(cols) {
        headerStyle_ = exportStyle(b_, "General", true);
    }

    // Starts a body row; returns its row number in the current sheet.
    // Rows still to come (for reserving the cells of the next sheet at once).
    void expectRows(size_t rows) { rowsLeft_ = rows; }

    uint32_t beginRow() {
        if (b_.workbook().sheets.empty() || row_ > kRowsPerSheet) newSheet();
        if (rowsLeft_ > 0) --rowsLeft_;
        return row_++;
    }
    void add(Cell c) { b_.workbook().sheets.back().cells.push_back(c); }

  private:
    void newSheet() {
        formats::Sheet s;
        s.cells.reserve((std::min(rowsLeft_, kRowsPerSheet) + 1) * cols_.size());
        s.name = "Sheet" + std::to_string(b_.workbook().sheets.size() + 1);
        for (size_t i = 0; i < cols_.size(); ++i) {
            const GridColumn& gc = view_.column(cols_[i]);
            Cell c;
            c.row = 0;
            c.col = uint16_t(i);
            c.type = CellType::Text;
            c.text = b_.text(gc.caption);
            c.style = headerStyle_;
            s.cells.push_back(c);
            formats::ColInfo ci;
            ci.first = ci.last = uint16_t(i);
            ci.width = std::max(1.0, gc.width / 7.0);
            s.cols.push_back(ci);
        }
        b_.workbook().sheets.push_back(std::move(s));
        row_ = 1;
    }

    WorkbookBuilder& b_;
    const GridView& view_;
    const std::vector<size_t>& cols_;
    uint32_t headerStyle_ = 0;
    uint32_t row_ = 0;
    size_t rowsLeft_ = 0;
};

}  // namespace

ExportSummary exportGridToXls(const GridView& view, const std::string& path) {
    ExportSummary summary;
    summary.path = xlsFileName(path);
    const std::vector<size_t> cols = view.displayColumns();
    if (cols.size() > formats::kXlsMaxCols)
        throw Error(ErrorKind::TooLarge, "要导出的列有 " + std::to_string(cols.size()) +
                                             " 列,超过了 Excel 工作表的 " +
                                             std::to_string(formats::kXlsMaxCols) + " 列上限");
    WorkbookBuilder b;
    RowSink sink(b, view, cols);

    // Per column: the field, the style of numbers and whether it has any summary.
    struct ColPlan {
        const workbooks::Column* field = nullptr;
        uint32_t numberStyle = 0;
        uint32_t textStyle = 0;
        uint32_t groupFooterStyle = 0;
        uint32_t footerStyle = 0;
    };
    std::vector<ColPlan> plan(cols.size());
    bool anyGroupFooter = false, anyFooter = false;
    for (size_t i = 0; i < cols.size(); ++i) {
        const GridColumn& gc = view.column(cols[i]);
        ColPlan& p = plan[i];
        p.field = view.field(cols[i]);
        formats::HAlign h =
            gc.cellAlignment ? halignOf(*gc.cellAlignment) : formats::HAlign::General;
        p.numberStyle = exportStyle(
            b, gc.moneyFormat ? excelFormatCode(gc.displayFormat) : "General", false, h);
        p.textStyle = exportStyle(b, "General", false, h);
        p.groupFooterStyle = exportStyle(b, excelFormatCode(gc.groupFooterFormat), true,
                                         halignOf(gc.footerAlignmentHorz));
        p.footerStyle = exportStyle(b, excelFormatCode(gc.footerFormat), true,
                                    halignOf(gc.footerAlignmentHorz));
        anyGroupFooter |= gc.groupFooterKind != skNone;
        anyFooter |= gc.footerKind != skNone;
    }
    const uint32_t groupStyle = exportStyle(b, "General", true);
    std::map<std::string, uint32_t> dateStyles;
    auto dateStyle = [&](const std::string& f) {
        auto it = dateStyles.find(f);
        if (it != dateStyles.end()) return it->second;
        return dateStyles[f] = exportStyle(b, f, false);
    };

    auto summaryCell = [&](uint32_t row, size_t i, const SummaryValue& v, uint32_t style) {
        if (!v) return;
        Cell c;
        c.row = row;
        c.col = uint16_t(i);
        c.type = CellType::Number;
        c.number = *v;
        c.style = style;
        sink.add(c);
    };

    const std::vector<ViewRow> rows = view.rowsAllExpanded();
    sink.expectRows(rows.size() + 1);
    for (const ViewRow& vr : rows) {
        if (vr.kind == RowKind::GroupFooter && !anyGroupFooter) continue;
        const uint32_t row = sink.beginRow();
        if (vr.kind != RowKind::Data) ++summary.summaryRows;
        if (vr.kind == RowKind::GroupHeader) {
            if (cols.empty()) continue;
            Cell c;
            c.row = row;
            c.col = 0;
            c.type = CellType::Text;
            c.text = b.text(std::string(size_t(vr.level) * 2, ' ') + view.groupRowText(vr.index));
            c.style = groupStyle;
            sink.add(c);
            continue;
        }
        if (vr.kind == RowKind::GroupFooter) {
            for (size_t i = 0; i < cols.size(); ++i)
                summaryCell(row, i, view.groupFooterValue(vr.index, cols[i]),
                            plan[i].groupFooterStyle);
            continue;
        }
        ++summary.dataRows;
        for (size_t i = 0; i < cols.size(); ++i) {
            const workbooks::Column* f = plan[i].field;
            if (!f) continue;
            const uint32_t r = vr.index;
            Cell c;
            c.row = row;
            c.col = uint16_t(i);
            switch (f->kind(r)) {
                case ValueKind::Null:
                    continue;
                case ValueKind::Number:
                    c.type = CellType::Number;
                    c.number = f->number(r);
                    c.style = plan[i].numberStyle;
                    break;
                case ValueKind::Date:
                    c.type = CellType::Number;
                    c.number = f->number(r);
                    c.style = dateStyle(dateFormatFor(f->type(), c.number));
                    break;
                case ValueKind::Bool:
                    c.type = CellType::Bool;
                    c.small = f->number(r) != 0;
                    c.style = plan[i].textStyle;
                    break;
                case ValueKind::Text: {
                    std::string_view t = f->text(r);
                    if (t.empty()) continue;
                    c.type = CellType::Text;
                    c.text = b.text(t);
                    c.style = plan[i].textStyle;
                    break;
                }
            }
            sink.add(c);
        }
    }
    if (view.options().footer && anyFooter) {
        const uint32_t row = sink.beginRow();
        ++summary.summaryRows;
        for (size_t i = 0; i < cols.size(); ++i)
            summaryCell(row, i, view.footerValue(cols[i]), plan[i].footerStyle);
    }
    if (b.workbook().sheets.empty())
        sink.beginRow();  // a header-only sheet for a result without rows
    summary.sheets = b.workbook().sheets.size();
    formats::writeXls(b.workbook(), summary.path);
    return summary;
}

std::string exportSheetsNotice(const ExportSummary& summary) {
    if (summary.sheets <= 1) return {};
    const std::string split = "已分 " + std::to_string(summary.sheets) + " 个工作表导出";
    if (summary.dataRows > kRowsPerSheet)
        return "数据超过 " + std::to_string(kRowsPerSheet) + " 行," + split;
    return "数据 " + std::to_string(summary.dataRows) + " 行加上分组行和合计行共 " +
           std::to_string(summary.dataRows + summary.summaryRows) + " 行,超过一个工作表的 " +
           std::to_string(kRowsPerSheet) + " 行," + split;
}

ExportSummary exportResultToXls(const workbooks::Result& result, const std::string& path) {
    GridView view;
    // A non-owning pointer: the view lives only inside this call.
    view.setResult(std::shared_ptr<workbooks::Result>(std::shared_ptr<workbooks::Result>(),
                                                      const_cast<workbooks::Result*>(&result)));
    for (size_t i = 0; i < result.fieldCount(); ++i) view.addColumn(result.field(i).name());
    view.options().footer = false;
    view.refresh();
    return exportGridToXls(view, path);
}

std::optional<ExportSummary> runExport(
    const GridView& view, const std::function<std::string()>& askFileName,
    const std::function<void(const std::string&, const std::string&)>& warn) {
    if (!view.hasData()) {
        warn(kNoDataWarning, kWarningCaption);
        return std::nullopt;
    }
    std::string name = askFileName ? askFileName() : std::string();
    if (name.empty()) {
        warn(kNoFileNameWarning, kWarningCaption);
        return std::nullopt;
    }
    return exportGridToXls(view, name);
}

}  // namespace shuhui::grid
