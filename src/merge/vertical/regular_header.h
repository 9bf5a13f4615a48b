// The vertical merge of sheets whose header is their first row: the texts the page shows, the
// field-count check, the field order editor's operations and the union query that stacks them.
//
//   for (const SheetSource& s : sheets) {                 // the checked sheets, in tree order
//       show(sheetEntry(s));                               // "D:\data\pay.xls>一月$"
//       auto fields = readSheetFields(qry_temp, driver, s);  // throws shuhui::Error
//       if (!fields.empty()) show(joinFields(fields), countText(fields.size()));
//   }
//   checkFieldCounts(counts) == CountCheck::Passed          // "①合并检查"
//   FieldOrder order{fields}; order.select(i); order.moveUp();  // the editor
//   query.setSql(unionQuery(driver, firstSheetFields, sheets));  // "②生成结果"
//
// A sheet travels as its workbook path and sheet name side by side (SheetSource), never as the
// "path>sheet" text alone: both a folder and a sheet name may hold ">". A field list travels as
// a vector of names; its ","-joined text is for showing. Nothing here touches a widget.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace shuhui::workbooks {
class Query;
}

namespace shuhui::merge::vertical {

// The texts the page shows in message boxes, with the caption of every prompt.
inline constexpr const char* kCaption = "信息提示";
inline constexpr const char* kCountsDiffer = "参与合并工作表有字段数目不一致现象,请仔细排查!";
inline constexpr const char* kUnionFailed = "出现错误!请检查字段数目与排列顺序!";
inline constexpr const char* kNothingToCheck =
    "还没有读取到任何工作表的字段,请先在目录中勾选工作表,再点击“规则表头合并”!";
inline constexpr const char* kNoFieldList =
    "没有可用的字段列表,请先在目录中勾选工作表,点击“规则表头合并”并完成“①合并检查”!";

// One sheet taking part: the workbook's path and the sheet's name as the provider lists it
// ("一月$").
struct SheetSource {
    std::string path;
    std::string sheet;
    bool operator==(const SheetSource&) const = default;
};

// The sheet entry shown for a sheet: path + ">" + sheet.
std::string sheetEntry(const SheetSource& sheet);

// "select top 1 * from " + the sheet's reference under `driver`.
std::string firstRowQuery(const std::string& driver, const SheetSource& sheet);

// The sheet's field names in the provider's order, from its first-row query run on `query` (left
// open). Empty when the result has no field. Throws shuhui::Error with the provider's message.
std::vector<std::string> readSheetFields(workbooks::Query& query, const std::string& driver,
                                         const SheetSource& sheet);

// A field list as text: the names joined by "," ("姓名,部门,工资"); none gives "".
std::string joinFields(const std::vector<std::string>& fields);
// The names of a field list text, split at every ","; "" gives none.
std::vector<std::string> splitFields(std::string_view text);
// A field count as the count list shows it: plain decimal.
std::string countText(size_t count);

// The field-count check over the count list's texts: entry 0 is the reference and the texts are
// compared as texts.
enum class CountCheck { NothingToCheck, CountsDiffer, Passed };
CountCheck checkFieldCounts(const std::vector<std::string>& counts);

// The field order editor's list: the names of one field list and the selected position (-1 for
// none). Each operation returns whether it changed anything; every case the editor cannot act on
// (up at the top, down at the bottom, nothing selected) changes nothing.
class FieldOrder {
  public:
    FieldOrder() = default;
    explicit FieldOrder(std::vector<std::string> items) : items_(std::move(items)) {}

    const std::vector<std::string>& items() const { return items_; }
    int selected() const { return selected_; }
    // Selects position i; any position outside the list selects none.
    void select(int i);

    bool moveUp();          // the selection moves with the item
    bool moveDown();        // the selection moves with the item
    bool removeSelected();  // nothing is selected afterwards

    // What confirming writes back: the joined list and its count.
    std::string text() const { return joinFields(items_); }
    std::string count() const { return countText(items_.size()); }

  private:
    std::vector<std::string> items_;
    int selected_ = -1;
};

// The union query that stacks `sheets` in order: one "select <fields> from <reference>" per sheet,
// all with the same field list, joined by " union all " with none after the last. Names the
// provider cannot take bare ("金额(元)", "base pay", "1月") are bracketed; plain names are written
// as they are. No sheet gives "".
std::string unionQuery(const std::string& driver, const std::vector<std::string>& fields,
                       const std::vector<SheetSource>& sheets);

}  // namespace shuhui::merge::vertical
