#include "sheet/document.h"

#include <algorithm>
#include <filesystem>

#include "formats/error.h"
#include "formats/reader.h"
#include "formats/writer.h"
#include "sheet/cell_text.h"

namespace shuhui::sheet {

using formats::Cell;
using formats::CellStyle;
using formats::CellType;

namespace {

bool sameNameCaseBlind(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = char(x | 0x20);
        if (y >= 'A' && y <= 'Z') y = char(y | 0x20);
        if (x != y) return false;
    }
    return true;
}

bool endsWithCaseBlind(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() &&
           sameNameCaseBlind(s.substr(s.size() - suffix.size()), suffix);
}

bool cellBefore(const Cell& a, const Cell& b) {
    return a.row != b.row ? a.row < b.row : a.col < b.col;
}

}  // namespace

Document::Document(formats::Workbook workbook, std::string name, std::string path)
    : builder_(std::move(workbook)), name_(std::move(name)), path_(std::move(path)) {
    for (size_t i = 0; i < wb_.sheets.size(); ++i) {
        if (wb_.sheets[i].state == formats::SheetState::Visible &&
            wb_.sheets[i].kind == formats::SheetKind::Worksheet) {
            active_ = i;
            break;
        }
    }
}

std::shared_ptr<Document> Document::open(const std::string& path) {
    formats::Workbook wb = formats::readWorkbook(path);
    const std::string name = std::filesystem::path(path).filename().string();
    return std::make_shared<Document>(std::move(wb), name, path);
}

std::shared_ptr<Document> Document::blank(std::string name) {
    formats::WorkbookBuilder b;
    for (int i = 1; i <= 3; ++i) b.addSheet("Sheet" + std::to_string(i));
    return std::make_shared<Document>(std::move(b).finish(), std::move(name));
}

std::optional<size_t> Document::findSheet(std::string_view name) const {
    for (size_t i = 0; i < wb_.sheets.size(); ++i)
        if (sameNameCaseBlind(wb_.sheets[i].name, name)) return i;
    return std::nullopt;
}

void Document::checkSheet(size_t sheet) const {
    if (sheet >= wb_.sheets.size())
        throw Error(ErrorKind::Internal,
                    "工作簿“" + name_ + "”中没有第 " + std::to_string(sheet + 1) + " 个工作表");
}

void Document::setActiveSheet(size_t index) {
    checkSheet(index);
    if (active_ == index) return;
    active_ = index;
    notify(Change::Sheet);
}

Rect Document::selection(size_t sheet) const {
    auto it = selections_.find(sheet);
    return it == selections_.end() ? Rect{} : it->second;
}

void Document::select(size_t sheet, const Rect& rect) {
    checkSheet(sheet);
    selections_[sheet] = rect;
}

std::optional<Rect> Document::usedRange(size_t sheet) const {
    checkSheet(sheet);
    const formats::Sheet& s = wb_.sheets[sheet];
    const CellStyle& def = wb_.styles[0];
    std::optional<Rect> r;
    auto extend = [&r](const Rect& x) {
        if (!r) {
            r = x;
            return;
        }
        r->firstRow = std::min(r->firstRow, x.firstRow);
        r->firstCol = std::min(r->firstCol, x.firstCol);
        r->lastRow = std::max(r->lastRow, x.lastRow);
        r->lastCol = std::max(r->lastCol, x.lastCol);
    };
    for (const Cell& c : s.cells) {
        if (c.type == CellType::Blank && (c.style == 0 || wb_.style(c) == def)) continue;
        extend(Rect{c.row, c.col, c.row, c.col});
    }
    for (const Rect& m : s.merged) extend(m);
    return r;
}

std::string Document::usedRangeAddress(size_t sheet) const {
    const std::optional<Rect> r = usedRange(sheet);
    return r ? addressOf(*r) : "$A$1";
}

const Cell* Document::cell(size_t sheet, uint32_t row, uint32_t col) const {
    checkSheet(sheet);
    const std::vector<Cell>& cells = wb_.sheets[sheet].cells;
    const Cell key{.row = row, .col = uint16_t(col)};
    auto it = std::lower_bound(cells.begin(), cells.end(), key, cellBefore);
    if (it == cells.end() || it->row != row || it->col != col) return nullptr;
    return &*it;
}

std::string Document::cellText(size_t sheet, uint32_t row, uint32_t col) const {
    const Cell* c = cell(sheet, row, col);
    return c ? sheet::cellText(wb_, *c) : std::string();
}

double Document::columnWidth(size_t sheet, uint32_t col) const {
    checkSheet(sheet);
    const formats::Sheet& s = wb_.sheets[sheet];
    for (const formats::ColInfo& ci : s.cols)
        if (col >= ci.first && col <= ci.last) return ci.width;
    return s.defaultColWidth;
}

bool Document::columnHidden(size_t sheet, uint32_t col) const {
    checkSheet(sheet);
    for (const formats::ColInfo& ci : wb_.sheets[sheet].cols)
        if (col >= ci.first && col <= ci.last) return ci.hidden;
    return false;
}

std::optional<double> Document::rowHeight(size_t sheet, uint32_t row) const {
    checkSheet(sheet);
    const std::vector<formats::RowInfo>& rows = wb_.sheets[sheet].rows;
    auto it = std::lower_bound(rows.begin(), rows.end(), row,
                               [](const formats::RowInfo& ri, uint32_t r) { return ri.row < r; });
    if (it != rows.end() && it->row == row) return it->height;
    return std::nullopt;
}

bool Document::rowHidden(size_t sheet, uint32_t row) const {
    checkSheet(sheet);
    const std::vector<formats::RowInfo>& rows = wb_.sheets[sheet].rows;
    auto it = std::lower_bound(rows.begin(), rows.end(), row,
                               [](const formats::RowInfo& ri, uint32_t r) { return ri.row < r; });
    return it != rows.end() && it->row == row && it->hidden;
}

StyledBlock Document::read(size_t sheet, const Rect& rect) const {
    checkSheet(sheet);
    const formats::Sheet& s = wb_.sheets[sheet];
    StyledBlock b;
    b.rows = rect.lastRow - rect.firstRow + 1;
    b.cols = rect.lastCol - rect.firstCol + 1;
    b.date1904 = wb_.date1904;
    std::unordered_map<uint32_t, uint32_t> styleMap{{0u, 0u}};
    b.styles[0] = wb_.styles[0];
    auto mapStyle = [&](uint32_t id) {
        if (id >= wb_.styles.size()) id = 0;
        auto [it, fresh] = styleMap.emplace(id, uint32_t(b.styles.size()));
        if (fresh) b.styles.push_back(wb_.styles[id]);
        return it->second;
    };
    const Cell key{.row = rect.firstRow, .col = 0};
    for (auto it = std::lower_bound(s.cells.begin(), s.cells.end(), key, cellBefore);
         it != s.cells.end() && it->row <= rect.lastRow; ++it) {
        if (it->col < rect.firstCol || it->col > rect.lastCol) continue;
        BlockCell c;
        c.row = it->row - rect.firstRow;
        c.col = it->col - rect.firstCol;
        c.type = it->type;
        c.small = it->small;
        c.number = it->number;
        c.style = mapStyle(it->style);
        if (it->type == CellType::Text) c.text = wb_.text(*it);
        b.cells.push_back(std::move(c));
    }
    for (const Rect& m : s.merged) {
        if (!contains(rect, m)) continue;
        b.merged.push_back(Rect{m.firstRow - rect.firstRow, m.firstCol - rect.firstCol,
                                m.lastRow - rect.firstRow, m.lastCol - rect.firstCol});
    }
    b.colWidths.reserve(b.cols);
    for (uint32_t c = rect.firstCol; c <= rect.lastCol; ++c)
        b.colWidths.push_back(columnWidth(sheet, c));
    b.rowHeights.reserve(b.rows);
    for (uint32_t r = rect.firstRow; r <= rect.lastRow; ++r)
        b.rowHeights.push_back(rowHeight(sheet, r));
    return b;
}

void Document::paste(size_t sheet, uint32_t row, uint32_t col, const StyledBlock& block) {
    checkSheet(sheet);
    if (block.rows == 0 || block.cols == 0) return;
    if (uint64_t(row) + block.rows > kMaxRows || uint64_t(col) + block.cols > kMaxCols)
        throw Error(ErrorKind::TooLarge, "粘贴区域超出工作表的范围:" + std::to_string(block.rows) +
                                             " 行 " + std::to_string(block.cols) +
                                             " 列的区域放不下在 " +
                                             addressOf(Rect{row, col, row, col}) + " 处");
    formats::Workbook& wb = builder_.workbook();
    formats::Sheet& s = wb.sheets[sheet];
    const bool empty = s.cells.empty() && s.merged.empty();
    const Rect target{row, col, row + block.rows - 1, col + block.cols - 1};

    std::vector<uint32_t> styles(block.styles.size());
    for (size_t i = 0; i < block.styles.size(); ++i) styles[i] = builder_.style(block.styles[i]);

    std::erase_if(s.cells, [&](const Cell& c) { return contains(target, c.row, c.col); });
    std::vector<Cell> fresh;
    fresh.reserve(block.cells.size());
    for (const BlockCell& bc : block.cells) {
        const uint32_t style = bc.style < styles.size() ? styles[bc.style] : 0;
        if (bc.type == CellType::Blank && (style == 0 || wb_.styles[style] == wb_.styles[0]))
            continue;
        Cell c;
        c.row = row + bc.row;
        c.col = uint16_t(col + bc.col);
        c.type = bc.type;
        c.small = bc.small;
        c.number = bc.number;
        c.style = style;
        if (bc.type == CellType::Text) c.text = builder_.text(bc.text);
        fresh.push_back(c);
    }
    const size_t mid = s.cells.size();
    s.cells.insert(s.cells.end(), fresh.begin(), fresh.end());
    if (mid > 0 && !fresh.empty() && cellBefore(s.cells[mid], s.cells[mid - 1]))
        std::inplace_merge(s.cells.begin(), s.cells.begin() + std::ptrdiff_t(mid), s.cells.end(),
                           cellBefore);

    std::erase_if(s.merged, [&](const Rect& m) { return intersects(m, target); });
    for (const Rect& m : block.merged)
        s.merged.push_back(
            Rect{row + m.firstRow, col + m.firstCol, row + m.lastRow, col + m.lastCol});
    std::sort(s.merged.begin(), s.merged.end());

    if (empty) {
        s.cols.clear();
        for (uint32_t c = 0; c < block.cols && c < block.colWidths.size(); ++c) {
            const auto width = block.colWidths[c];
            if (!s.cols.empty() && s.cols.back().last + 1u == col + c &&
                s.cols.back().width == width)
                ++s.cols.back().last;
            else
                s.cols.push_back(formats::ColInfo{
                    .first = uint16_t(col + c), .last = uint16_t(col + c), .width = width});
        }
        s.rows.clear();
        for (uint32_t r = 0; r < block.rows && r < block.rowHeights.size(); ++r)
            if (block.rowHeights[r])
                s.rows.push_back(formats::RowInfo{.row = row + r, .height = *block.rowHeights[r]});
    }
    s.dimension.reset();
    selections_[sheet] = target;
    saved_ = false;
    notify(Change::Cells);
}

void Document::setSaved(bool saved) {
    if (saved_ == saved) return;
    saved_ = saved;
    notify(Change::Saved);
}

bool Document::fitsXls() const {
    for (const formats::Sheet& s : wb_.sheets) {
        for (const Cell& c : s.cells)
            if (c.row >= formats::kXlsMaxRows || c.col >= formats::kXlsMaxCols) return false;
        for (const Rect& m : s.merged)
            if (m.lastRow >= formats::kXlsMaxRows || m.lastCol >= formats::kXlsMaxCols)
                return false;
    }
    return true;
}

void Document::saveAs(const std::string& path) {
    if (endsWithCaseBlind(path, ".xlsx"))
        formats::writeXlsx(wb_, path);
    else
        formats::writeXls(wb_, path);
    path_ = path;
    name_ = std::filesystem::path(path).filename().string();
    saved_ = true;
    notify(Change::File);
}

int Document::subscribe(Listener listener) {
    const int id = nextListener_++;
    listeners_.emplace(id, std::move(listener));
    return id;
}

void Document::unsubscribe(int id) {
    listeners_.erase(id);
}

void Document::notify(Change change) {
    const auto copy = listeners_;
    for (const auto& [id, l] : copy) l(change);
}

}  // namespace shuhui::sheet
