// The join fast path (see join_fast_path.h).
#include "workbooks/join_fast_path.h"

#include <chrono>

#include "workbooks/run_limits.h"

#include <algorithm>
#include <string>

#include "workbooks/key_fold.h"
#include "workbooks/no_case.h"
#include "workbooks/result_building.h"

namespace shuhui::workbooks {
namespace {

size_t findField(const SheetTable& t, const std::string& name) {
    for (size_t f = 0; f < t.width(); ++f)
        if (equalsNoCase(t.fields[f].name, name)) return f;
    return t.width();
}

}  // namespace

// The inner join of the join step ("T0.k= T1.k and T1.k=T2.k"), as nested hash lookups in from
// order: each further table is probed through the hash index of its join field with the value of
// the table it is linked to. Rows come in the order of the first table, then of each match. The
// comparisons are the engine's: texts without regard to ASCII case, numbers by value, Nulls never
// equal. Anything else (texts against numbers, a field or alias not found, equalities that do not
// link every table once) goes to the engine.
std::shared_ptr<Result> runJoin(const PlainJoin& j, const std::vector<SheetRef>& refs,
                                const std::vector<std::shared_ptr<const SheetTable>>& tables) {
    const size_t n = j.tables.size();
    std::vector<const SheetTable*> t(n);
    std::vector<std::string> alias(n);
    for (size_t k = 0; k < n; ++k) {
        t[k] = tables[j.tables[k]].get();
        alias[k] = refs[j.tables[k]].alias;
        for (size_t m = 0; m < k; ++m)
            if (equalsNoCase(alias[m], alias[k])) return nullptr;
    }
    auto tableOf = [&](const std::string& q) {
        for (size_t k = 0; k < n; ++k)
            if (equalsNoCase(alias[k], q)) return k;
        return n;
    };
    struct Out {
        size_t table, col;
    };
    std::vector<Out> out;
    for (const auto& item : j.items) {
        const size_t k = tableOf(item.qualifier);
        if (k == n) return nullptr;
        if (item.field.empty()) {
            for (size_t c = 0; c < t[k]->width(); ++c) out.push_back({k, c});
        } else {
            const size_t c = findField(*t[k], item.field);
            if (c == t[k]->width()) return nullptr;
            out.push_back({k, c});
        }
    }
    struct Link {
        size_t from = 0, fromCol = 0, col = 0;
        bool text = false;
        bool set = false;
        uint32_t folds = 0;  // texts compared after foldKey (a KEYFOLD collation)
    };
    std::vector<Link> links(n);
    if (j.equalities.size() != n - 1) return nullptr;
    for (const auto& e : j.equalities) {
        size_t a = tableOf(e.leftQualifier), b = tableOf(e.rightQualifier);
        if (a == n || b == n || a == b) return nullptr;
        size_t ca = findField(*t[a], e.leftField), cb = findField(*t[b], e.rightField);
        if (ca == t[a]->width() || cb == t[b]->width()) return nullptr;
        if (a > b) {
            std::swap(a, b);
            std::swap(ca, cb);
        }
        if (links[b].set) return nullptr;
        const bool ta = t[a]->fields[ca].type == FieldType::String;
        const bool tb = t[b]->fields[cb].type == FieldType::String;
        if (ta != tb) return nullptr;
        const uint32_t folds = keyFoldOfCollation(e.collation);
        if (!e.collation.empty() && !folds && !equalsNoCase(e.collation, "nocase")) return nullptr;
        links[b] = {a, ca, cb, ta, true, ta ? folds : 0};
    }
    for (size_t k = 1; k < n; ++k)
        if (!links[k].set) return nullptr;

    std::vector<std::string> names, aliases;
    for (const Out& o : out) {
        names.push_back(t[o.table]->fields[o.col].name);
        aliases.push_back(alias[o.table]);
    }
    names = uniqueFieldNames(std::move(names), aliases);
    auto result = std::make_shared<Result>();
    size_t expected = 0;
    for (const SheetTable* x : t) expected = std::max(expected, x->rows);
    for (size_t c = 0; c < out.size(); ++c)
        result->addField(names[c], t[out[c].table]->fields[out[c].col].type).reserve(expected);
    std::vector<const HashIndex*> index(n, nullptr);
    std::vector<const FoldedIndex*> folded(n, nullptr);
    for (size_t k = 1; k < n; ++k) {
        if (links[k].folds)
            folded[k] = &t[k]->foldedIndex(links[k].col, links[k].folds);
        else
            index[k] = &t[k]->index(links[k].col);
    }

    // Every result column takes the type of its source field, and a field holds values of its
    // own type only (a mixed column is all text), so each cell is appended as what it is. The
    // text arenas get room for the texts of the expected rows, estimated from the first rows.
    struct Sink {
        const SheetTable* table;
        size_t tableIndex, col;
        Column* column;
    };
    std::vector<Sink> sinks(out.size());
    for (size_t c = 0; c < out.size(); ++c) {
        const SheetTable& x = *t[out[c].table];
        sinks[c] = {&x, out[c].table, out[c].col, &result->field(c)};
        if (x.fields[out[c].col].type != FieldType::String || x.rows == 0) continue;
        const size_t sample = std::min<size_t>(x.rows, 256);
        size_t bytes = 0;
        for (size_t r = 0; r < sample; ++r) bytes += x.text(r, out[c].col).size();
        result->field(c).reserveText((bytes / sample + 1 + 4) * expected);
    }
    // The matches are collected first (the rows of every table, one tuple per result row) and
    // the result is then filled column by column: the fetches of one column are independent of
    // each other, so their cache misses overlap, and prefetching a few matches ahead hides the
    // rest.
    std::vector<uint32_t> cur(n);
    // The head of the second table's chain when the block loop below has looked it up already.
    bool headKnown = false;
    uint32_t firstHead = kNoRow;
    std::vector<uint32_t> matches;
    matches.reserve(expected * n);
    // Past the cell cap the matches are only counted (for the message), for a few seconds at
    // most; "取消" is looked at every block of rows.
    const RunLimits& limits = RunLimits::instance();
    bool counting = false;
    uint64_t counted = 0;
    auto emit = [&] {
        if (counting)
            ++counted;
        else
            matches.insert(matches.end(), cur.begin(), cur.end());
    };
    auto fill = [&] {
        const size_t count = matches.size() / n;
        constexpr size_t kAhead = 16;
        for (const Sink& s : sinks) {
            const SheetTable& x = *s.table;
            Column& col = *s.column;
            const uint32_t* m = matches.data() + s.tableIndex;
            const bool texts = x.fields[s.col].type == FieldType::String;
            for (size_t i = 0; i < count; ++i) {
                if (i + kAhead < count) __builtin_prefetch(&x.slot(m[(i + kAhead) * n], s.col));
                if (texts && i + kAhead / 2 < count)
                    __builtin_prefetch(x.textAddress(m[(i + kAhead / 2) * n], s.col));
                const uint32_t r = m[i * n];
                const SheetSlot& v = x.slot(r, s.col);
                switch (v.kind) {
                    case ValueKind::Null:
                        col.appendNull();
                        break;
                    case ValueKind::Text:
                        if (col.type() == FieldType::String)
                            col.appendText(x.text(r, s.col));
                        else
                            appendTextAs(col, x.text(r, s.col));
                        break;
                    case ValueKind::Number:
                        if (col.type() == FieldType::Float || col.type() == FieldType::Currency)
                            col.appendNumber(v.number);
                        else
                            appendNumberAs(col, v.number);
                        break;
                    default:
                        appendNumberAs(col, v.number);
                        break;
                }
            }
        }
        result->setRowCount(count);
    };
    auto descend = [&](auto&& self, size_t k) -> void {
        if (k == n) {
            emit();
            return;
        }
        const Link& l = links[k];
        const SheetTable& src = *t[l.from];
        const SheetTable& dst = *t[k];
        const uint32_t sr = cur[l.from];
        const ValueKind kind = src.kind(sr, l.fromCol);
        if (kind == ValueKind::Null) return;
        if (l.folds) {
            const std::string key = foldKey(src.text(sr, l.fromCol), l.folds);
            for (uint32_t r = folded[k]->first(key); r != kNoRow; r = folded[k]->next(r)) {
                if (dst.kind(r, l.col) != ValueKind::Text || folded[k]->folded(r) != key) continue;
                cur[k] = r;
                self(self, k + 1);
            }
        } else if (l.text) {
            const std::string_view key = src.text(sr, l.fromCol);
            for (uint32_t r = k == 1 && headKnown ? firstHead : index[k]->firstText(key);
                 r != kNoRow; r = index[k]->next(r)) {
                if (dst.kind(r, l.col) != ValueKind::Text || !equalsNoCase(dst.text(r, l.col), key))
                    continue;
                cur[k] = r;
                self(self, k + 1);
            }
        } else {
            const double key = src.number(sr, l.fromCol);
            for (uint32_t r = k == 1 && headKnown ? firstHead : index[k]->firstNumber(key);
                 r != kNoRow; r = index[k]->next(r)) {
                const ValueKind dk = dst.kind(r, l.col);
                if (dk == ValueKind::Null || dk == ValueKind::Text || dst.number(r, l.col) != key)
                    continue;
                cur[k] = r;
                self(self, k + 1);
            }
        }
    };
    // The probes of the second table are issued a block of rows at a time, with the chain heads
    // and then the candidate rows prefetched, so that their cache misses overlap.
    constexpr uint32_t kBlock = 32;
    const Link& l1 = links[1];
    const SheetTable& first = *t[0];
    const SheetTable& second = *t[1];
    uint64_t hashes[kBlock];
    uint32_t cand[kBlock];
    headKnown = l1.from == 0 && !l1.folds;
    const auto started = std::chrono::steady_clock::now();
    for (uint32_t base = 0; base < first.rows; base += kBlock) {
        limits.checkCancel();
        if (!counting && limits.tooLarge(matches.size() / n, out.size())) {
            counting = true;
            counted = matches.size() / n;
            std::vector<uint32_t>().swap(matches);
        }
        if (counting && std::chrono::steady_clock::now() - started > std::chrono::seconds(3))
            limits.refuseSize(counted, out.size(), true);
        const uint32_t end = std::min<uint32_t>(base + kBlock, static_cast<uint32_t>(first.rows));
        if (headKnown) {
            for (uint32_t r = base; r < end; ++r) {
                const ValueKind k = first.kind(r, l1.fromCol);
                uint64_t h = 0;
                if (k == ValueKind::Text)
                    h = HashIndex::hashTextNoCase(first.text(r, l1.fromCol));
                else if (k != ValueKind::Null)
                    h = HashIndex::hashNumber(first.number(r, l1.fromCol));
                hashes[r - base] = h;
                index[1]->prefetchHash(h);
            }
            for (uint32_t r = base; r < end; ++r) {
                cand[r - base] = index[1]->firstOfHash(hashes[r - base]);
                if (cand[r - base] != kNoRow)
                    __builtin_prefetch(&second.slot(cand[r - base], l1.col));
            }
            if (l1.text)
                for (uint32_t r = base; r < end; ++r)
                    if (cand[r - base] != kNoRow)
                        __builtin_prefetch(second.textAddress(cand[r - base], l1.col));
        }
        for (uint32_t r = base; r < end; ++r) {
            cur[0] = r;
            if (headKnown) firstHead = cand[r - base];
            descend(descend, 1);
        }
    }
    if (!counting && limits.tooLarge(matches.size() / n, out.size())) {
        counting = true;
        counted = matches.size() / n;
    }
    if (counting) limits.refuseSize(counted, out.size(), false);
    fill();
    return result;
}

}  // namespace shuhui::workbooks
