// The result grid engine: see grid_engine.h.
//
// Derived data is rebuilt in one pipeline whenever its inputs change:
//   rebuildOrder()  filter + sort  -> order_ (data rows passing the filter, sorted)
//   rebuildGroups() stable counting sort of order_ by the rank of each level's value, then the
//                   group tree as contiguous ranges of order_ (children of a group have
//                   consecutive ids, built level by level)
//   flatten()       rows_ from the tree and the expanded flags
// Summaries are computed on demand per column and cached until the next rebuild.
#include "grid/grid_engine.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <unordered_set>

#include "formats/error.h"
#include "formats/numfmt.h"
#include "grid/pattern.h"
#include "workbooks/collation.h"
#include "workbooks/hash_mix.h"

namespace shuhui::grid {

using workbooks::Collation;
using workbooks::Column;
using workbooks::Value;
using workbooks::ValueKind;
using workbooks::mix64;

namespace {

bool isNumberKind(ValueKind k) {
    return k == ValueKind::Number || k == ValueKind::Date || k == ValueKind::Bool;
}

// Order of values for grouping, sorting and the drop-down: blanks (Null) first, then numeric kinds
// by number, then texts in Chinese order (workbooks::Collation: pinyin for Han characters).
int kindRank(ValueKind k) {
    if (k == ValueKind::Null) return 0;
    if (isNumberKind(k)) return 1;
    return 2;
}

// Interns the distinct values of a column: each row gets a dense id; ids are given in order of
// first appearance, and firstRow[id] is a row holding that value. Open addressing over the
// values' hashes; no heap object per row.
class ValueInterner {
  public:
    explicit ValueInterner(const Column& c) : c_(c) { resize(1024); }

    uint32_t intern(uint32_t row) {
        ValueKind k = c_.kind(row);
        uint64_t h;
        std::string_view t;
        uint64_t bits = 0;
        if (k == ValueKind::Text) {
            t = c_.text(row);
            h = std::hash<std::string_view>{}(t) ^ 0x5bd1e995ULL;
        } else {
            double v = c_.number(row);
            if (v == 0) v = 0;  // -0 and 0 are one value
            std::memcpy(&bits, &v, sizeof bits);
            h = mix64(bits + uint64_t(k) * 0x9E3779B97F4A7C15ULL);
        }
        size_t i = h & mask_;
        for (;;) {
            uint32_t s = slots_[i];
            if (s == 0) break;
            uint32_t id = s - 1;
            if (hashes_[id] == h) {
                const Key& key = keys_[id];
                if (key.kind == k && (k == ValueKind::Text ? key.text == t : key.bits == bits))
                    return id;
            }
            i = (i + 1) & mask_;
        }
        uint32_t id = uint32_t(firstRow.size());
        firstRow.push_back(row);
        hashes_.push_back(h);
        keys_.push_back(Key{k, bits, t});
        slots_[i] = id + 1;
        if (firstRow.size() * 2 > slots_.size()) resize(slots_.size() * 2);
        return id;
    }

    std::vector<uint32_t> firstRow;

  private:
    // The value of each id, kept so that a probe compares without going back to the column (the
    // texts point into the column's storage, which does not change while interning).
    struct Key {
        ValueKind kind;
        uint64_t bits;
        std::string_view text;
    };
    void resize(size_t cap) {
        slots_.assign(cap, 0);
        mask_ = cap - 1;
        for (uint32_t id = 0; id < hashes_.size(); ++id) {
            size_t i = hashes_[id] & mask_;
            while (slots_[i] != 0) i = (i + 1) & mask_;
            slots_[i] = id + 1;
        }
    }

    const Column& c_;
    std::vector<uint32_t> slots_;
    std::vector<uint64_t> hashes_;
    std::vector<Key> keys_;
    size_t mask_ = 0;
};

// The ranks of a column's distinct values (given by a row holding each, as ValueInterner's
// firstRow lists them) in the order above: rank[id] is the id's place among all ids, so that rows
// sort and group by comparing small integers. The collation key of each distinct text is made
// once; equal ranks never occur.
std::vector<uint32_t> rankDistinct(const Column& c, const std::vector<uint32_t>& firstRow) {
    const Collation& chinese = Collation::chinese();
    std::vector<std::string> keys(firstRow.size());
    for (size_t id = 0; id < firstRow.size(); ++id)
        if (c.kind(firstRow[id]) == ValueKind::Text)
            keys[id] = chinese.sortKey(c.text(firstRow[id]));
    std::vector<uint32_t> ids(firstRow.size());
    for (uint32_t i = 0; i < ids.size(); ++i) ids[i] = i;
    std::sort(ids.begin(), ids.end(), [&](uint32_t a, uint32_t b) {
        const uint32_t ra = firstRow[a], rb = firstRow[b];
        const int ka = kindRank(c.kind(ra)), kb = kindRank(c.kind(rb));
        if (ka != kb) return ka < kb;
        if (ka == 1) {
            const double x = c.number(ra), y = c.number(rb);
            if (x != y) return x < y;
            return a < b;
        }
        if (ka == 2 && keys[a] != keys[b]) return keys[a] < keys[b];
        return a < b;
    });
    std::vector<uint32_t> rank(ids.size());
    for (uint32_t i = 0; i < ids.size(); ++i) rank[ids[i]] = i;
    return rank;
}

struct Acc {
    double sum = 0;
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();
    uint32_t count = 0;   // rows
    uint32_t values = 0;  // non-empty numeric values
    void add(const Column& c, uint32_t row) {
        ++count;
        if (isNumberKind(c.kind(row))) {
            double v = c.number(row);
            sum += v;
            if (v < min) min = v;
            if (v > max) max = v;
            ++values;
        }
    }
    SummaryValue get(SummaryKind kind) const {
        switch (kind) {
            case skCount:
                return double(count);
            case skSum:
                return values ? SummaryValue(sum) : std::nullopt;
            case skMin:
                return values ? SummaryValue(min) : std::nullopt;
            case skMax:
                return values ? SummaryValue(max) : std::nullopt;
            case skAverage:
                return values && count ? SummaryValue(sum / count) : std::nullopt;
            default:
                return std::nullopt;
        }
    }
};

std::optional<double> parseNumber(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    if (s.empty()) return std::nullopt;
    if (s.front() == '+') s.remove_prefix(1);
    double v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || p != s.data() + s.size()) return std::nullopt;
    return v;
}

std::string valueText(const Value& v) {
    switch (v.kind) {
        case ValueKind::Number:
            return formats::formatGeneral(v.number);
        case ValueKind::Text:
            return v.text;
        case ValueKind::Bool:
            return v.number != 0 ? "True" : "False";
        case ValueKind::Date:
            return workbooks::dateDisplayText(v.number);
        default:
            return {};
    }
}

// A filter condition prepared for evaluation over many rows.
struct Prepared {
    const Column* col = nullptr;
    FilterOp op = FilterOp::Equal;
    std::optional<double> number;  // the value as a number, when it is one
    std::string text;              // the value as text
    bool valueBlank = false;
    std::vector<double> numbers;  // InList
    std::unordered_set<std::string> texts;
    bool listBlank = false;

    bool blank(uint32_t r) const {
        ValueKind k = col->kind(r);
        return k == ValueKind::Null || (k == ValueKind::Text && col->text(r).empty());
    }
    // -2: not comparable, else -1/0/1
    int compare(uint32_t r) const {
        ValueKind k = col->kind(r);
        if (k == ValueKind::Null) return -2;
        if (isNumberKind(k) && number) {
            double v = col->number(r);
            return v < *number ? -1 : (v > *number ? 1 : 0);
        }
        int c;
        if (k == ValueKind::Text)
            c = col->text(r).compare(text);
        else
            c = col->displayText(r).compare(text);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    bool passes(uint32_t r) const {
        switch (op) {
            case FilterOp::Blank:
                return blank(r);
            case FilterOp::NonBlank:
                return !blank(r);
            case FilterOp::Contains: {
                if (col->kind(r) == ValueKind::Null) return false;
                if (col->kind(r) == ValueKind::Text)
                    return col->text(r).find(text) != std::string_view::npos;
                return col->displayText(r).find(text) != std::string::npos;
            }
            case FilterOp::InList: {
                if (blank(r))
                    return listBlank || (col->kind(r) == ValueKind::Text && texts.count(""));
                ValueKind k = col->kind(r);
                if (isNumberKind(k)) {
                    double v = col->number(r);
                    if (std::find(numbers.begin(), numbers.end(), v) != numbers.end()) return true;
                    return !texts.empty() && texts.count(col->displayText(r));
                }
                return texts.count(std::string(col->text(r))) > 0;
            }
            case FilterOp::Equal:
                if (valueBlank) return blank(r);
                return compare(r) == 0;
            case FilterOp::NotEqual:
                if (valueBlank) return !blank(r);
                return compare(r) != 0;
            case FilterOp::Greater:
                return compare(r) == 1;
            case FilterOp::GreaterOrEqual: {
                int c = compare(r);
                return c == 0 || c == 1;
            }
            case FilterOp::Less:
                return compare(r) == -1;
            case FilterOp::LessOrEqual: {
                int c = compare(r);
                return c == 0 || c == -1;
            }
        }
        return false;
    }
};

Prepared prepare(const Column* col, const ColumnFilter& f) {
    Prepared p;
    p.col = col;
    p.op = f.op;
    if (isNumberKind(f.value.kind))
        p.number = f.value.number;
    else if (f.value.kind == ValueKind::Text)
        p.number = parseNumber(f.value.text);
    p.text = valueText(f.value);
    p.valueBlank = f.value.kind == ValueKind::Null ||
                   (f.value.kind == ValueKind::Text && f.value.text.empty());
    for (const Value& v : f.values) {
        if (v.kind == ValueKind::Null) {
            p.listBlank = true;
        } else if (isNumberKind(v.kind)) {
            p.numbers.push_back(v.number);
        } else {
            p.texts.insert(v.text);
            if (auto n = parseNumber(v.text)) p.numbers.push_back(*n);
        }
    }
    return p;
}

}  // namespace

struct GridView::Group {
    uint32_t begin = 0, end = 0;  // range of order_
    int32_t parent = -1;
    uint32_t firstChild = 0, childCount = 0;
    uint16_t level = 0;
    bool expanded = false;
};

struct GridView::Impl {
    std::vector<Group> groups;
    uint32_t topCount = 0;             // level-0 groups are ids 0 .. topCount-1
    std::vector<size_t> levelColumns;  // the grouping the tree was built for
    std::vector<std::optional<std::vector<Acc>>> groupAcc;  // per column: one per group
    std::vector<std::optional<Acc>> footerAcc;              // per column

    std::vector<uint32_t> leafOf;  // per data row: its innermost group, kNoGroup when filtered out
    static constexpr uint32_t kNoGroup = 0xFFFFFFFFu;

    // The accumulations of one column: per group and for the footer, in one pass. With groups the
    // rows are read in result order (sequential memory) and added to their innermost group; outer
    // groups and the footer combine their children.
    std::function<void()> listener;
    uint64_t revision = 0;

    std::vector<std::vector<uint32_t>> rankScratch;
    std::vector<uint32_t> tmpScratch;

    // countOnly: the column's kinds need no values (count or none), so the group sizes suffice.
    void compute(size_t col, const Column* c, const std::vector<uint32_t>& order, bool countOnly) {
        if (countOnly) c = nullptr;
        Acc footer;
        if (groups.empty()) {
            if (c)
                for (uint32_t r : order) footer.add(*c, r);
            else
                footer.count = uint32_t(order.size());
            footerAcc[col] = footer;
            groupAcc[col] = std::vector<Acc>();
            return;
        }
        std::vector<Acc> accs(groups.size());
        if (c) {
            const uint32_t n = uint32_t(std::min(leafOf.size(), c->size()));
            for (uint32_t r = 0; r < n; ++r) {
                uint32_t g = leafOf[r];
                if (g != kNoGroup) accs[g].add(*c, r);
            }
        } else {
            for (size_t g = 0; g < groups.size(); ++g)
                if (groups[g].childCount == 0) accs[g].count = groups[g].end - groups[g].begin;
        }
        auto combine = [](Acc& a, const Acc& b) {
            a.sum += b.sum;
            a.min = std::min(a.min, b.min);
            a.max = std::max(a.max, b.max);
            a.count += b.count;
            a.values += b.values;
        };
        for (size_t g = groups.size(); g-- > 0;) {
            const Group& gr = groups[g];
            for (uint32_t k = gr.firstChild; k < gr.firstChild + gr.childCount; ++k)
                combine(accs[g], accs[k]);
        }
        for (uint32_t g = 0; g < topCount; ++g) combine(footer, accs[g]);
        footerAcc[col] = footer;
        groupAcc[col] = std::move(accs);
    }

    void invalidate(size_t columns) {
        groupAcc.assign(columns, std::nullopt);
        footerAcc.assign(columns, std::nullopt);
    }
};

GridView::GridView() : impl_(std::make_unique<Impl>()) {}
GridView::~GridView() = default;

// ---- data and columns

void GridView::setResult(std::shared_ptr<workbooks::Result> result) {
    result_ = std::move(result);
    refresh();
}

size_t GridView::addColumn(const std::string& fieldName) {
    GridColumn c;
    c.fieldName = fieldName;
    c.caption = fieldName;
    columns_.push_back(std::move(c));
    impl_->invalidate(columns_.size());
    changed();
    return columns_.size() - 1;
}

void GridView::clearColumns() {
    columns_.clear();
    filters_.clear();
    sortColumn_.reset();
    groupColumns_.clear();
    refresh();
}

const Column* GridView::field(size_t col) const {
    if (!result_ || col >= columns_.size()) return nullptr;
    int i = result_->fieldIndex(columns_[col].fieldName);
    return i < 0 ? nullptr : &result_->field(size_t(i));
}

bool GridView::isNumericColumn(size_t col) const {
    const Column* f = field(col);
    return f && workbooks::isNumeric(f->type());
}

std::vector<size_t> GridView::displayColumns() const {
    std::vector<size_t> out;
    for (size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].visible &&
            std::find(groupColumns_.begin(), groupColumns_.end(), i) == groupColumns_.end())
            out.push_back(i);
    return out;
}

Alignment GridView::cellAlignment(size_t col) const {
    const GridColumn& c = columns_.at(col);
    if (c.cellAlignment) return *c.cellAlignment;
    return c.moneyFormat || isNumericColumn(col) ? taRightJustify : taLeftJustify;
}

void GridView::columnsChanged() {
    invalidateSummaries();
    changed();
}

bool GridView::countOnly(size_t col) const {
    const GridColumn& c = columns_[col];
    auto needsNoValues = [](SummaryKind k) { return k == skCount || k == skNone; };
    return needsNoValues(c.footerKind) && needsNoValues(c.groupFooterKind);
}

void GridView::optionsChanged() {
    flatten();
}

void GridView::invalidateSummaries() {
    impl_->invalidate(columns_.size());
}

// ---- filtering

void GridView::setFilter(size_t col, ColumnFilter filter) {
    if (col >= columns_.size()) throw Error(ErrorKind::Internal, "过滤的列号超出范围");
    for (auto& f : filters_)
        if (f.first == col) {
            f.second = std::move(filter);
            refresh();
            return;
        }
    filters_.emplace_back(col, std::move(filter));
    refresh();
}

void GridView::clearFilter(size_t col) {
    std::erase_if(filters_, [&](const auto& f) { return f.first == col; });
    refresh();
}

void GridView::clearFilters() {
    filters_.clear();
    refresh();
}

std::optional<ColumnFilter> GridView::filter(size_t col) const {
    for (const auto& f : filters_)
        if (f.first == col) return f.second;
    return std::nullopt;
}

std::string GridView::filterText() const {
    std::string out;
    for (const auto& [col, f] : filters_) {
        if (!out.empty()) out += " and ";
        out += columns_[col].caption;
        switch (f.op) {
            case FilterOp::Equal:
                out += " = " + valueText(f.value);
                break;
            case FilterOp::NotEqual:
                out += " <> " + valueText(f.value);
                break;
            case FilterOp::Greater:
                out += " > " + valueText(f.value);
                break;
            case FilterOp::GreaterOrEqual:
                out += " >= " + valueText(f.value);
                break;
            case FilterOp::Less:
                out += " < " + valueText(f.value);
                break;
            case FilterOp::LessOrEqual:
                out += " <= " + valueText(f.value);
                break;
            case FilterOp::Contains:
                out += " like %" + valueText(f.value) + "%";
                break;
            case FilterOp::Blank:
                out += " is blank";
                break;
            case FilterOp::NonBlank:
                out += " is not blank";
                break;
            case FilterOp::InList: {
                out += " in (";
                for (size_t i = 0; i < f.values.size(); ++i) {
                    if (i) out += ", ";
                    out += f.values[i].kind == ValueKind::Null ? std::string("(空白)")
                                                               : valueText(f.values[i]);
                }
                out += ")";
                break;
            }
        }
    }
    return out;
}

bool GridView::filterBoxVisible() const {
    switch (options_.filterVisible) {
        case FilterVisible::fvAlways:
            return true;
        case FilterVisible::fvNonEmpty:
            return isFiltered();
        default:
            return false;
    }
}

DistinctValues GridView::distinctValues(size_t col) const {
    DistinctValues out;
    const Column* c = field(col);
    if (!c) return out;
    ValueInterner in(*c);
    for (uint32_t r = 0; r < uint32_t(c->size()); ++r) {
        if (c->kind(r) == ValueKind::Null ||
            (c->kind(r) == ValueKind::Text && c->text(r).empty())) {
            out.hasBlanks = true;
            continue;
        }
        in.intern(r);
    }
    const std::vector<uint32_t> rank = rankDistinct(*c, in.firstRow);
    std::vector<uint32_t> reps(rank.size());
    for (uint32_t id = 0; id < rank.size(); ++id) reps[rank[id]] = in.firstRow[id];
    out.values.reserve(reps.size());
    for (uint32_t r : reps) out.values.push_back(c->value(r));
    return out;
}

// ---- sorting and grouping

void GridView::sortBy(std::optional<size_t> col, bool ascending) {
    sortColumn_ = col;
    sortAscending_ = ascending;
    refresh();
}

void GridView::groupBy(size_t col) {
    if (col >= columns_.size()) throw Error(ErrorKind::Internal, "分组的列号超出范围");
    if (std::find(groupColumns_.begin(), groupColumns_.end(), col) != groupColumns_.end()) return;
    groupColumns_.push_back(col);
    refresh();
}

void GridView::ungroup(size_t col) {
    std::erase(groupColumns_, col);
    refresh();
}

void GridView::clearGrouping() {
    groupColumns_.clear();
    refresh();
}

size_t GridView::groupCount() const {
    return impl_->groups.size();
}
size_t GridView::groupLevel(uint32_t g) const {
    return impl_->groups.at(g).level;
}
size_t GridView::groupColumn(uint32_t g) const {
    return impl_->levelColumns.at(impl_->groups.at(g).level);
}
int GridView::groupParent(uint32_t g) const {
    return impl_->groups.at(g).parent;
}
size_t GridView::groupRowCount(uint32_t g) const {
    const Group& gr = impl_->groups.at(g);
    return gr.end - gr.begin;
}

Value GridView::groupValue(uint32_t g) const {
    const Group& gr = impl_->groups.at(g);
    return cellValue(order_[gr.begin], groupColumn(g));
}

std::string GridView::groupValueText(uint32_t g) const {
    const Group& gr = impl_->groups.at(g);
    return cellText(order_[gr.begin], groupColumn(g));
}

std::string GridView::groupRowText(uint32_t g) const {
    return columns_[groupColumn(g)].caption + " : " + groupValueText(g) + " (" +
           std::to_string(groupRowCount(g)) + ")";
}

bool GridView::isExpanded(uint32_t g) const {
    return impl_->groups.at(g).expanded;
}

void GridView::setExpanded(uint32_t g, bool expanded) {
    impl_->groups.at(g).expanded = expanded;
    flatten();
}

void GridView::expandAll() {
    for (auto& g : impl_->groups) g.expanded = true;
    flatten();
}

void GridView::collapseAll() {
    for (auto& g : impl_->groups) g.expanded = false;
    flatten();
}

// Identifies a group across rebuilds by the values of its path (kind and text of each level).
std::string GridView::groupPath(uint32_t g) const {
    std::string path;
    for (int p = int(g); p >= 0; p = impl_->groups[size_t(p)].parent) {
        Value v = groupValue(uint32_t(p));
        path += '\x1f';
        path += char('0' + int(v.kind));
        path += valueText(v);
    }
    return path;
}

std::unordered_set<std::string> GridView::expandedPaths() const {
    std::unordered_set<std::string> out;
    for (uint32_t g = 0; g < impl_->groups.size(); ++g)
        if (impl_->groups[g].expanded) out.insert(groupPath(g));
    return out;
}

void GridView::refresh() {
    rebuild(expandedPaths());
}

void GridView::rebuild(const std::unordered_set<std::string>& expanded) {
    rebuildOrder();
    rebuildGroups();
    if (!expanded.empty())
        for (uint32_t g = 0; g < impl_->groups.size(); ++g)
            impl_->groups[g].expanded = expanded.count(groupPath(g)) > 0;
    invalidateSummaries();
    flatten();
}

void GridView::rebuildOrder() {
    order_.clear();
    if (!result_) return;
    const uint32_t n = uint32_t(result_->rowCount());
    if (filters_.empty()) {
        order_.resize(n);
        for (uint32_t r = 0; r < n; ++r) order_[r] = r;
    } else {
        std::vector<Prepared> prepared;
        bool missing = false;
        for (const auto& [col, f] : filters_) {
            const Column* c = field(col);
            if (!c) missing = true;
            prepared.push_back(prepare(c, f));
        }
        if (!missing) {
            // The first condition scans all rows; the others only the survivors.
            const Prepared& p0 = prepared[0];
            for (uint32_t r = 0; r < n; ++r)
                if (p0.passes(r)) order_.push_back(r);
            for (size_t i = 1; i < prepared.size(); ++i)
                std::erase_if(order_, [&](uint32_t r) { return !prepared[i].passes(r); });
        }
    }
    if (sortColumn_) {
        if (const Column* c = field(*sortColumn_)) {
            // Rows rank by their value's place among the distinct values; blanks and equal
            // numbers of different kinds keep their relative order (the sort is stable).
            ValueInterner in(*c);
            std::vector<uint32_t> id(order_.size());
            for (size_t i = 0; i < order_.size(); ++i) id[i] = in.intern(order_[i]);
            std::vector<uint32_t> rank = rankDistinct(*c, in.firstRow);
            // Values that compare equal (blanks; a number and a date of one value) share a level.
            std::vector<uint32_t> byRank(rank.size());
            for (uint32_t i = 0; i < rank.size(); ++i) byRank[rank[i]] = i;
            std::vector<uint32_t> level(rank.size());
            for (uint32_t k = 0; k < byRank.size(); ++k) {
                const uint32_t r = in.firstRow[byRank[k]];
                bool same = false;
                if (k > 0) {
                    const uint32_t p = in.firstRow[byRank[k - 1]];
                    const int kr = kindRank(c->kind(r));
                    same = kr == kindRank(c->kind(p)) &&
                           (kr == 0 || (kr == 1 && c->number(r) == c->number(p)));
                }
                level[byRank[k]] = k == 0 ? 0 : level[byRank[k - 1]] + (same ? 0 : 1);
            }
            std::vector<std::pair<uint32_t, uint32_t>> keyed(order_.size());
            for (size_t i = 0; i < order_.size(); ++i) keyed[i] = {level[id[i]], order_[i]};
            const bool asc = sortAscending_;
            std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
                return asc ? a.first < b.first : a.first > b.first;
            });
            for (size_t i = 0; i < order_.size(); ++i) order_[i] = keyed[i].second;
        }
    }
}

void GridView::rebuildGroups() {
    Impl& im = *impl_;
    im.groups.clear();
    im.leafOf.clear();
    im.topCount = 0;
    im.levelColumns = groupColumns_;
    if (groupColumns_.empty() || order_.empty()) return;
    const size_t levels = groupColumns_.size();
    const uint32_t n = uint32_t(result_->rowCount());
    // Rank of each row's value per level (indexed by data row).
    // Scratch buffers live in Impl so regrouping a large result does not fault in fresh pages.
    std::vector<std::vector<uint32_t>>& rank = im.rankScratch;
    rank.resize(levels);
    std::vector<uint32_t>& tmp = im.tmpScratch;
    tmp.resize(order_.size());
    for (size_t L = 0; L < levels; ++L) {
        const Column* c = field(groupColumns_[L]);
        rank[L].resize(n);
        if (!c) {
            for (uint32_t r : order_) rank[L][r] = 0;
            continue;
        }
        ValueInterner in(*c);
        std::vector<uint32_t>& rk = rank[L];
        for (uint32_t r : order_) rk[r] = in.intern(r);
        const std::vector<uint32_t> rankOfId = rankDistinct(*c, in.firstRow);
        for (uint32_t r : order_) rk[r] = rankOfId[rk[r]];
    }
    // Stable counting sorts, innermost level first.
    for (size_t L = levels; L-- > 0;) {
        const std::vector<uint32_t>& rk = rank[L];
        uint32_t maxRank = 0;
        for (uint32_t r : order_) maxRank = std::max(maxRank, rk[r]);
        std::vector<uint32_t> start(size_t(maxRank) + 2, 0);
        for (uint32_t r : order_) ++start[rk[r] + 1];
        for (size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
        for (uint32_t r : order_) tmp[start[rk[r]]++] = r;
        order_.swap(tmp);
    }
    // The tree, level by level: runs of equal rank inside each parent's range.
    auto splitRange = [&](uint32_t begin, uint32_t end, size_t L, int32_t parent) {
        const std::vector<uint32_t>& rk = rank[L];
        uint32_t i = begin;
        while (i < end) {
            uint32_t j = i + 1;
            while (j < end && rk[order_[j]] == rk[order_[i]]) ++j;
            Group g;
            g.begin = i;
            g.end = j;
            g.parent = parent;
            g.level = uint16_t(L);
            im.groups.push_back(g);
            i = j;
        }
    };
    splitRange(0, uint32_t(order_.size()), 0, -1);
    im.topCount = uint32_t(im.groups.size());
    size_t levelBegin = 0, levelEnd = im.groups.size();
    for (size_t L = 1; L < levels; ++L) {
        for (size_t g = levelBegin; g < levelEnd; ++g) {
            uint32_t first = uint32_t(im.groups.size());
            splitRange(im.groups[g].begin, im.groups[g].end, L, int32_t(g));
            im.groups[g].firstChild = first;
            im.groups[g].childCount = uint32_t(im.groups.size()) - first;
        }
        levelBegin = levelEnd;
        levelEnd = im.groups.size();
    }
    if (levels == 1 && order_.size() == n) {
        // One level over every row: the level-0 group ids are the ranks themselves.
        im.leafOf.swap(rank[0]);
        return;
    }
    im.leafOf.assign(n, Impl::kNoGroup);
    for (uint32_t g = 0; g < im.groups.size(); ++g) {
        const Group& gr = im.groups[g];
        if (gr.childCount == 0)
            for (uint32_t i = gr.begin; i < gr.end; ++i) im.leafOf[order_[i]] = g;
    }
}

void GridView::flatten() {
    buildRows(false, rows_);  // in place: a large view keeps its buffer
    changed();
}

void GridView::changed() {
    ++impl_->revision;
    if (impl_->listener) impl_->listener();
}

void GridView::setChangeListener(std::function<void()> listener) {
    impl_->listener = std::move(listener);
}

uint64_t GridView::revision() const {
    return impl_->revision;
}

std::vector<ViewRow> GridView::rowsAllExpanded() const {
    std::vector<ViewRow> out;
    buildRows(true, out);
    return out;
}

void GridView::buildRows(bool allExpanded, std::vector<ViewRow>& out) const {
    out.clear();
    const Impl& im = *impl_;
    const uint16_t dataLevel = uint16_t(groupColumns_.size());
    if (im.groups.empty()) {
        out.resize(order_.size());
        for (size_t i = 0; i < order_.size(); ++i) out[i] = ViewRow{order_[i], 0, RowKind::Data};
        return;
    }
    if (allExpanded) out.reserve(order_.size() + 2 * im.groups.size());
    const GroupFooterMode mode = options_.groupFooters;
    auto emit = [&](auto& self, uint32_t g) -> void {
        const Group& gr = im.groups[g];
        const bool open = allExpanded || gr.expanded;
        out.push_back(ViewRow{g, gr.level, RowKind::GroupHeader});
        if (open) {
            if (gr.childCount > 0) {
                for (uint32_t k = gr.firstChild; k < gr.firstChild + gr.childCount; ++k)
                    self(self, k);
            } else {
                for (uint32_t i = gr.begin; i < gr.end; ++i)
                    out.push_back(ViewRow{order_[i], dataLevel, RowKind::Data});
            }
        }
        if (mode == GroupFooterMode::gfAlwaysVisible ||
            (mode == GroupFooterMode::gfVisibleWhenExpanded && open))
            out.push_back(ViewRow{g, gr.level, RowKind::GroupFooter});
    };
    for (uint32_t g = 0; g < im.topCount; ++g) emit(emit, g);
}

// ---- cells

Value GridView::cellValue(uint32_t dataRow, size_t col) const {
    const Column* c = field(col);
    if (!c || dataRow >= c->size()) return Value::null();
    return c->value(dataRow);
}

std::string GridView::cellText(uint32_t dataRow, size_t col) const {
    const Column* c = field(col);
    if (!c || dataRow >= c->size()) return {};
    const GridColumn& gc = columns_[col];
    if (gc.moneyFormat && c->kind(dataRow) == ValueKind::Number && !gc.displayFormat.empty())
        return formatPattern(c->number(dataRow), gc.displayFormat);
    return c->displayText(dataRow);
}

std::string GridView::editText(uint32_t dataRow, size_t col) const {
    const Column* c = field(col);
    if (!c || dataRow >= c->size()) return {};
    const GridColumn& gc = columns_[col];
    if (gc.moneyFormat && c->kind(dataRow) == ValueKind::Number && !gc.editFormat.empty())
        return formatPattern(c->number(dataRow), gc.editFormat);
    return c->displayText(dataRow);
}

// ---- summaries

SummaryValue GridView::summarize(size_t col, SummaryKind kind, const uint32_t* rows,
                                 size_t count) const {
    if (kind == skNone) return std::nullopt;
    const Column* c = field(col);
    Acc a;
    if (!c) {
        a.count = uint32_t(count);
    } else {
        for (size_t i = 0; i < count; ++i) a.add(*c, rows[i]);
    }
    return a.get(kind);
}

SummaryValue GridView::footerValue(size_t col) const {
    if (col >= columns_.size()) return std::nullopt;
    SummaryKind kind = columns_[col].footerKind;
    if (kind == skNone) return std::nullopt;
    Impl& im = *impl_;
    if (im.footerAcc.size() != columns_.size()) im.invalidate(columns_.size());
    if (!im.footerAcc[col]) im.compute(col, field(col), order_, countOnly(col));
    return im.footerAcc[col]->get(kind);
}

std::string GridView::footerText(size_t col) const {
    SummaryValue v = footerValue(col);
    if (!v) return {};
    const std::string& f = columns_[col].footerFormat;
    return f.empty() ? formats::formatGeneral(*v) : formatPattern(*v, f);
}

SummaryValue GridView::groupFooterValue(uint32_t group, size_t col) const {
    if (col >= columns_.size()) return std::nullopt;
    SummaryKind kind = columns_[col].groupFooterKind;
    if (kind == skNone) return std::nullopt;
    Impl& im = *impl_;
    if (im.groupAcc.size() != columns_.size()) im.invalidate(columns_.size());
    if (!im.groupAcc[col]) im.compute(col, field(col), order_, countOnly(col));
    if (!im.groupAcc[col] || group >= im.groupAcc[col]->size()) return std::nullopt;
    return (*im.groupAcc[col])[group].get(kind);
}

std::string GridView::groupFooterText(uint32_t group, size_t col) const {
    SummaryValue v = groupFooterValue(group, col);
    if (!v) return {};
    const std::string& f = columns_[col].groupFooterFormat;
    return f.empty() ? formats::formatGeneral(*v) : formatPattern(*v, f);
}

// ---- input

namespace {

// Days since 1899-12-30 (the serial of the 1900 date system from 1900-03-01 on).
double serialOf(int y, int m, int d) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long days = long(era) * 146097 + doe - 719468;  // days since 1970-01-01
    return double(days + 25569);
}

std::optional<double> parseDate(std::string_view s) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0;
    char tail = 0;
    std::string t(s);
    int n = std::sscanf(t.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d", &y, &mo, &d, &tail, &h, &mi, &sec);
    if (n < 3 || (n > 3 && tail != ' ' && tail != 'T') || (n > 3 && n < 6)) return std::nullopt;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || sec > 59) return std::nullopt;
    return serialOf(y, mo, d) + (h * 3600 + mi * 60 + sec) / 86400.0;
}

}  // namespace

Value GridView::parseInput(size_t col, std::string_view text) const {
    std::string_view s = text;
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    if (s.empty()) return Value::null();
    const Column* c = field(col);
    if (!c) return Value::fromText(text);
    using FT = workbooks::FieldType;
    switch (c->type()) {
        case FT::Smallint:
        case FT::Integer:
        case FT::Word:
        case FT::Float:
        case FT::Currency:
        case FT::BCD:
        case FT::Largeint:
        case FT::AutoInc: {
            std::string_view n = s;
            bool negative = false;
            if (!n.empty() && n.front() == '-') {
                negative = true;
                n.remove_prefix(1);
            }
            for (const char* sign : {"￥", "¥", "$", "＄", "￡", "£", "€"})
                if (n.starts_with(sign)) {
                    n.remove_prefix(std::strlen(sign));
                    break;
                }
            if (auto v = parseNumber(n)) return Value::fromNumber(negative ? -*v : *v);
            break;
        }
        case FT::Date:
        case FT::Time:
        case FT::DateTime:
            if (auto v = parseDate(s)) return Value::fromDate(*v);
            break;
        case FT::Boolean:
            if (s == "True" || s == "true" || s == "1") return Value::fromBool(true);
            if (s == "False" || s == "false" || s == "0") return Value::fromBool(false);
            break;
        default:
            break;
    }
    return Value::fromText(text);
}

// ---- editing

void GridView::setCell(uint32_t dataRow, size_t col, const Value& value) {
    if (!result_) throw Error(ErrorKind::NotOpen, "结果未打开,不能修改单元格");
    int fi = col < columns_.size() ? result_->fieldIndex(columns_[col].fieldName) : -1;
    if (fi < 0) throw Error(ErrorKind::FieldNotFound, "列没有对应的字段,不能修改单元格");
    if (dataRow >= result_->rowCount()) throw Error(ErrorKind::Internal, "要修改的行不存在");
    auto expanded = expandedPaths();
    result_->field(size_t(fi)).set(dataRow, value);
    rebuild(expanded);
}

uint32_t GridView::insertRow(uint32_t dataRow) {
    if (!result_) throw Error(ErrorKind::NotOpen, "结果未打开,不能插入行");
    if (dataRow > result_->rowCount()) dataRow = uint32_t(result_->rowCount());
    auto expanded = expandedPaths();
    result_->insertRow(dataRow);
    rebuild(expanded);
    return dataRow;
}

void GridView::deleteRow(uint32_t dataRow) {
    if (!result_) throw Error(ErrorKind::NotOpen, "结果未打开,不能删除行");
    if (dataRow >= result_->rowCount()) throw Error(ErrorKind::Internal, "要删除的行不存在");
    auto expanded = expandedPaths();
    result_->removeRow(dataRow);
    rebuild(expanded);
}

// ---- widths

std::vector<int> GridView::autoWidths(const std::function<int(std::string_view)>& textWidth,
                                      int padding, size_t sampleRows) const {
    std::vector<int> out;
    out.reserve(columns_.size());
    size_t n = order_.size();
    size_t step = sampleRows == 0 || n <= sampleRows ? 1 : (n + sampleRows - 1) / sampleRows;
    for (size_t col = 0; col < columns_.size(); ++col) {
        if (!columns_[col].visible) {
            out.push_back(columns_[col].width);
            continue;
        }
        int w = textWidth(columns_[col].caption);
        for (size_t i = 0; i < n; i += step) w = std::max(w, textWidth(cellText(order_[i], col)));
        out.push_back(w + padding);
    }
    return out;
}

std::vector<int> GridView::fitWidths(int viewWidth, int minWidth) const {
    std::vector<size_t> cols = displayColumns();
    std::vector<int> out(cols.size(), minWidth);
    if (cols.empty()) return out;
    long total = 0;
    for (size_t c : cols) total += std::max(1, columns_[c].width);
    int used = 0;
    for (size_t i = 0; i < cols.size(); ++i) {
        out[i] =
            std::max(minWidth, int(long(std::max(1, columns_[cols[i]].width)) * viewWidth / total));
        used += out[i];
    }
    out.back() = std::max(minWidth, out.back() + viewWidth - used);
    return out;
}

}  // namespace shuhui::grid
