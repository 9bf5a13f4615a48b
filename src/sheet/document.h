// An editable workbook of the spreadsheet application: the formats model plus what the
// application keeps beside it (name, file, active sheet, selection, saved state).
//
//   auto doc = Document::open("a.xls");            // or Document::blank("工作簿1"): Sheet1..Sheet3
//   doc->usedRangeAddress(0);                       // "$A$1:$H$20"
//   StyledBlock b = doc->read(0, parseReference("A1:H3"));
//   other->paste(1, 13, 0, b);                      // at A14 of the second sheet
//   other->saveAs("合并.xlsx");                      // .xls or .xlsx by the extension
//
// The used range is the rectangle of the cells holding a value or a format other than the
// default one, merged areas included, as the spreadsheet application reports it. Pasting puts the
// block's values, styles and the merged ranges inside it over the target rectangle (what was there
// is replaced, merged areas crossing it are dissolved); into a sheet with no cells it also brings
// the block's column widths and row heights. Every change is announced to the listeners.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "formats/workbook.h"
#include "formats/workbook_builder.h"
#include "sheet/block.h"
#include "sheet/reference.h"

namespace shuhui::sheet {

class Document {
  public:
    enum class Change { Cells, Saved, Sheet, File };
    using Listener = std::function<void(Change)>;

    Document(formats::Workbook workbook, std::string name, std::string path = {});
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;
    static std::shared_ptr<Document> open(const std::string& path);
    static std::shared_ptr<Document> blank(std::string name);

    const formats::Workbook& workbook() const { return builder_.workbook(); }
    // The name shown in titles: the file name, or "工作簿1" for a new workbook.
    const std::string& name() const { return name_; }
    // The file it was read from or last saved to; empty for a new workbook.
    const std::string& path() const { return path_; }

    size_t sheetCount() const { return workbook().sheets.size(); }
    const formats::Sheet& sheet(size_t index) const { return workbook().sheets.at(index); }
    // By name, letters compared case-blind as the application does.
    std::optional<size_t> findSheet(std::string_view name) const;
    size_t activeSheet() const { return active_; }
    void setActiveSheet(size_t index);
    // The selected rectangle of a sheet (A1 until something is selected).
    Rect selection(size_t sheet) const;
    void select(size_t sheet, const Rect& rect);

    std::optional<Rect> usedRange(size_t sheet) const;
    // "$A$1:$H$20", a single cell "$A$1", an empty sheet "$A$1".
    std::string usedRangeAddress(size_t sheet) const;

    const formats::Cell* cell(size_t sheet, uint32_t row, uint32_t col) const;
    std::string cellText(size_t sheet, uint32_t row, uint32_t col) const;
    double columnWidth(size_t sheet, uint32_t col) const;               // characters
    std::optional<double> rowHeight(size_t sheet, uint32_t row) const;  // points; nullopt: default
    bool columnHidden(size_t sheet, uint32_t col) const;
    bool rowHidden(size_t sheet, uint32_t row) const;

    StyledBlock read(size_t sheet, const Rect& rect) const;
    void paste(size_t sheet, uint32_t row, uint32_t col, const StyledBlock& block);

    bool saved() const { return saved_; }
    void setSaved(bool saved);
    // Writes .xlsx for a path ending in ".xlsx", .xls otherwise; a sheet over 65,536 rows or 256
    // columns is refused for .xls (ErrorKind::TooLarge), never cut. Then the document is saved
    // under that path.
    void saveAs(const std::string& path);
    // True when every sheet fits an .xls file.
    bool fitsXls() const;

    int subscribe(Listener listener);
    void unsubscribe(int id);

  private:
    void notify(Change change);
    void checkSheet(size_t sheet) const;

    formats::WorkbookBuilder
        builder_;  // the workbook, with its texts and styles indexed for pastes
    const formats::Workbook& wb_ = builder_.workbook();
    std::string name_, path_;
    size_t active_ = 0;
    std::map<size_t, Rect> selections_;
    bool saved_ = true;
    std::map<int, Listener> listeners_;
    int nextListener_ = 1;
};

}  // namespace shuhui::sheet
