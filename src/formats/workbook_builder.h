// WorkbookBuilder: builds a Workbook in memory with one pool entry per distinct text and per
// distinct cell style, for code that makes a workbook from values (the grid's export, the paste of
// styled ranges) rather than reading one from a file.
//
// Call order
//   formats::WorkbookBuilder b;                     // styles[0] is the default style
//   uint32_t bold = b.style(someStyle);             // any time; equal styles give the same index
//   formats::Sheet& sheet = b.addSheet("Sheet1");   // sheets in file order
//   Cell c; c.row = 0; c.col = 0; c.type = CellType::Text; c.text = b.text("姓名");
//   c.style = bold; sheet.cells.push_back(c);       // cells in (row, col) order, one per position
//   ...
//   formats::writeXls(b.workbook(), path);          // or take it: std::move(b).finish()
//
// A Sheet& from addSheet stays valid until the next addSheet (the sheets live in a vector);
// b.workbook().sheets.back() always reaches the current one. text() and style() may be called
// between the cells of a sheet and never move a sheet's cells. Not thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "formats/workbook.h"

namespace shuhui::formats {

class WorkbookBuilder {
  public:
    WorkbookBuilder();
    // Goes on building `workbook` (one read from a file): its texts and styles are indexed, so
    // equal ones added later reuse them.
    explicit WorkbookBuilder(Workbook workbook);

    // The index of the text in the string pool, added on first use. Open addressing over the
    // texts' hashes; a probe touches the pool only when the hashes agree.
    uint32_t text(std::string_view s);
    // The index of the style in the style table, added on first use (compared field by field).
    uint32_t style(const CellStyle& style);

    // Appends an empty worksheet named `name` and returns it.
    Sheet& addSheet(std::string name);

    Workbook& workbook() { return wb_; }
    const Workbook& workbook() const { return wb_; }
    Workbook finish() && { return std::move(wb_); }

  private:
    struct Slot {
        uint64_t hash = 0;
        uint32_t id = kEmpty;
    };
    static constexpr uint32_t kEmpty = 0xFFFFFFFFu;
    void grow();

    Workbook wb_;
    std::vector<Slot> slots_ = std::vector<Slot>(4096);
    size_t mask_ = 4095;
    std::unordered_multimap<uint64_t, uint32_t> styles_;  // style hash -> index in wb_.styles
};

}  // namespace shuhui::formats
