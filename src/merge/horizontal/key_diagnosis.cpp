// The key-match diagnosis (see key_diagnosis.h).
//
// Keys are grouped per sheet by a canonical text that is equal exactly when the provider would
// find two keys equal under the comparison of the pair ("T" + text with ASCII folded to lower
// case, "T" + folded text under the option, "N" + the bits of a number). A sheet in the middle of
// the chain is grouped once per neighbour when the two pairs compare differently.
#include "merge/horizontal/key_diagnosis.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <unordered_map>

#include "formats/error.h"
#include "formats/numfmt.h"
#include "workbooks/key_fold.h"
#include "workbooks/provider.h"
#include "workbooks/sheet_table.h"

namespace shuhui::merge::horizontal {

using workbooks::FieldType;
using workbooks::SheetTable;
using workbooks::ValueKind;

namespace {

enum class Mode { Text, Fold, Numeric };

std::string quoted(const std::string& s) {
    return "“" + s + "”";
}

bool blankOnly(std::string_view t) {
    for (char c : t)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
    return true;
}

// A text that is a number in full, blanks around allowed, as the engine reads it when it compares a
// text with a number.
bool parseNumber(std::string_view t, double& v) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    if (t.empty()) return false;
    for (char c : t)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return false;
    const std::string s(t);
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    return end == s.c_str() + s.size();
}

std::string numberCanon(double v) {
    if (v == 0) v = 0;  // -0
    std::string s = "N";
    s.append(reinterpret_cast<const char*>(&v), sizeof v);
    return s;
}

// One sheet's key column.
struct KeyColumn {
    std::shared_ptr<const SheetTable> table;
    size_t col = 0;
    bool text = false;          // a text column
    bool holdsNumbers = false;  // some key is a number, or a number written as text
    std::string alias, label;

    bool isNull(size_t r) const { return table->kind(r, col) == ValueKind::Null; }
    bool numberOrigin(size_t r) const {
        const auto& s = table->slot(r, col);
        return s.kind != ValueKind::Text || s.converted;
    }
    std::string display(size_t r) const {
        const auto& s = table->slot(r, col);
        if (s.kind == ValueKind::Null) return {};
        if (s.kind == ValueKind::Text) return std::string(table->text(r, col));
        return workbooks::numberKeyText(s.number);
    }
    bool empty(size_t r) const {
        const auto& s = table->slot(r, col);
        return s.kind == ValueKind::Null ||
               (s.kind == ValueKind::Text && blankOnly(table->text(r, col)));
    }
    // The canonical key of a row under a mode; false for an empty cell.
    bool canon(size_t r, Mode mode, uint32_t folds, std::string& out) const {
        const auto& s = table->slot(r, col);
        if (s.kind == ValueKind::Null) return false;
        if (s.kind != ValueKind::Text) {
            out = numberCanon(s.number);
            return true;
        }
        const std::string_view t = table->text(r, col);
        if (mode == Mode::Numeric) {
            double v;
            if (parseNumber(t, v)) {
                out = numberCanon(v);
                return true;
            }
            out = "X";
            out.append(t);
            return true;
        }
        if (mode == Mode::Fold) {
            out = "T" + workbooks::foldKey(t, folds);
            return true;
        }
        out.assign(1, 'T');
        out.append(t);
        for (size_t i = 1; i < out.size(); ++i)
            if (out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] + 32);
        return true;
    }
};

// The rows of a sheet grouped by key. Under the provider's own comparison of two columns of one
// kind (texts without regard to ASCII case, or numbers) the sheet's hash index gives the groups
// without a copy of any key: a row joins the group of the first equal row on its chain (chains
// list rows in ascending order). Otherwise the keys are made canonical texts and looked up.
struct Groups {
    const KeyColumn* k = nullptr;
    Mode mode = Mode::Text;
    uint32_t folds = 0;
    const workbooks::HashIndex* ix = nullptr;  // the index path; null for canonical texts
    std::vector<int32_t> gid;                  // per row, -1 for an empty cell
    std::vector<uint32_t> first, count;
    std::vector<uint8_t> blank;  // per group: the key is empty or blanks only
    std::vector<std::string> canon;
    std::unordered_map<std::string_view, int32_t> index;

    // The index path, for a row of a column of the same kind: the walk along the chain that
    // starts at `head` (the chain of the row's hash).
    int32_t walkFrom(uint32_t head, const KeyColumn& o, uint32_t r) const {
        const ValueKind kind = o.table->kind(r, o.col);
        if (kind == ValueKind::Null) return -1;
        const SheetTable& t = *k->table;
        if (kind == ValueKind::Text) {
            const std::string_view key = o.table->text(r, o.col);
            for (uint32_t q = head; q != workbooks::kNoRow; q = ix->next(q))
                if (t.kind(q, k->col) == ValueKind::Text &&
                    workbooks::equalsNoCase(t.text(q, k->col), key))
                    return gid[q];
            return -1;
        }
        const double v = o.table->number(r, o.col);
        for (uint32_t q = head; q != workbooks::kNoRow; q = ix->next(q)) {
            const ValueKind qk = t.kind(q, k->col);
            if (qk != ValueKind::Null && qk != ValueKind::Text && t.number(q, k->col) == v)
                return gid[q];
        }
        return -1;
    }

    // The group of this sheet that row r of column o falls in under this grouping's comparison.
    int32_t findRowOf(const KeyColumn& o, uint32_t r) const {
        const auto& s = o.table->slot(r, o.col);
        if (s.kind == ValueKind::Null) return -1;
        if (!ix) {
            std::string key;
            if (!o.canon(r, mode, folds, key)) return -1;
            auto it = index.find(key);
            return it == index.end() ? -1 : it->second;
        }
        if (s.kind == ValueKind::Text && k->text)
            return walkFrom(ix->firstText(o.table->text(r, o.col)), o, r);
        double v = s.number;
        if (s.kind == ValueKind::Text && !parseNumber(o.table->text(r, o.col), v)) return -1;
        if (k->text) return -1;
        if (s.kind != ValueKind::Text) return walkFrom(ix->firstNumber(v), o, r);
        for (uint32_t q = ix->firstNumber(v); q != workbooks::kNoRow; q = ix->next(q)) {
            const ValueKind kind = k->table->kind(q, k->col);
            if (kind != ValueKind::Null && kind != ValueKind::Text &&
                k->table->number(q, k->col) == v)
                return gid[q];
        }
        return -1;
    }
};

Groups group(const KeyColumn& k, Mode mode, uint32_t folds) {
    Groups g;
    g.k = &k;
    g.mode = mode;
    g.folds = folds;
    const size_t rows = k.table->rows;
    g.gid.assign(rows, -1);
    auto add = [&](size_t r) {
        g.gid[r] = static_cast<int32_t>(g.first.size());
        g.first.push_back(static_cast<uint32_t>(r));
        g.count.push_back(1);
        g.blank.push_back(k.empty(r));
    };
    if (mode == Mode::Text || (mode == Mode::Numeric && !k.text)) {
        const SheetTable& t = *k.table;
        g.ix = &t.index(k.col);
        // A block of rows at a time: hashes first with the chain heads prefetched, then the head
        // rows prefetched, then the walks, so that the cache misses of a block overlap.
        constexpr size_t kBlock = 32;
        uint64_t hash[kBlock];
        uint32_t head[kBlock];
        for (size_t base = 0; base < rows; base += kBlock) {
            const size_t end = std::min(rows, base + kBlock);
            for (size_t r = base; r < end; ++r) {
                const ValueKind kind = t.kind(r, k.col);
                hash[r - base] = kind == ValueKind::Null ? 0
                                 : kind == ValueKind::Text
                                     ? workbooks::HashIndex::hashTextNoCase(t.text(r, k.col))
                                     : workbooks::HashIndex::hashNumber(t.number(r, k.col));
                g.ix->prefetchHash(hash[r - base]);
            }
            for (size_t r = base; r < end; ++r) {
                head[r - base] = g.ix->firstOfHash(hash[r - base]);
                if (head[r - base] != r && head[r - base] != workbooks::kNoRow)
                    __builtin_prefetch(&t.slot(head[r - base], k.col));
            }
            for (size_t r = base; r < end; ++r) {
                const ValueKind kind = t.kind(r, k.col);
                if (kind == ValueKind::Null) continue;
                const bool text = kind == ValueKind::Text;
                const std::string_view key = text ? t.text(r, k.col) : std::string_view();
                const double v = text ? 0 : t.number(r, k.col);
                uint32_t q = head[r - base];
                for (; q != r; q = g.ix->next(q)) {
                    const ValueKind qk = t.kind(q, k.col);
                    if (text ? qk == ValueKind::Text &&
                                   workbooks::equalsNoCase(t.text(q, k.col), key)
                             : qk != ValueKind::Null && qk != ValueKind::Text &&
                                   t.number(q, k.col) == v)
                        break;
                }
                if (q == r) {
                    add(r);
                } else {
                    g.gid[r] = g.gid[q];
                    ++g.count[static_cast<size_t>(g.gid[q])];
                }
            }
        }
        return g;
    }
    std::string key;
    // The canonical texts are stored first and indexed afterwards, so the views stay valid.
    std::unordered_map<std::string, int32_t> build;
    build.reserve(rows);
    for (size_t r = 0; r < rows; ++r) {
        if (!k.canon(r, mode, folds, key)) continue;
        auto [it, added] = build.try_emplace(key, static_cast<int32_t>(g.first.size()));
        if (added) {
            add(r);
            continue;
        }
        g.gid[r] = it->second;
        ++g.count[static_cast<size_t>(it->second)];
    }
    g.canon.resize(g.first.size());
    for (auto& [text, id] : build) g.canon[static_cast<size_t>(id)] = text;
    for (size_t id = 0; id < g.canon.size(); ++id)
        g.index.emplace(g.canon[id], static_cast<int32_t>(id));
    return g;
}

Mode naturalMode(const KeyColumn& k, uint32_t folds) {
    if (!k.text) return Mode::Numeric;
    return folds ? Mode::Fold : Mode::Text;
}

Mode pairMode(const KeyColumn& a, const KeyColumn& b, uint32_t folds) {
    if (a.text && b.text) return folds ? Mode::Fold : Mode::Text;
    return Mode::Numeric;  // numbers, or a text column against a number column
}

// The folds that two keys need to meet: each fold either of them used that, left out, keeps them
// apart.
uint32_t neededCauses(const std::string& a, const std::string& b) {
    uint32_t ua = 0, ub = 0;
    workbooks::foldKey(a, workbooks::kAllFolds, &ua);
    workbooks::foldKey(b, workbooks::kAllFolds, &ub);
    const uint32_t used = ua | ub;
    uint32_t needed = 0;
    for (uint32_t k = 0; k < workbooks::kKeyCauseCount; ++k) {
        const uint32_t c = 1u << k;
        if (!(used & c)) continue;
        const uint32_t without = workbooks::kAllFolds & ~c;
        if (!workbooks::equalsNoCase(workbooks::foldKey(a, without),
                                     workbooks::foldKey(b, without)))
            needed |= c;
    }
    return needed ? needed : used;
}

bool allDigits(std::string_view t) {
    if (t.empty()) return false;
    for (char c : t)
        if (c < '0' || c > '9') return false;
    return true;
}

bool scientificText(std::string_view t) {
    const size_t e = t.find_first_of("Ee");
    if (e == std::string_view::npos || e == 0 || e + 2 > t.size()) return false;
    double v;
    return parseNumber(t, v) && t.find('.') < e;
}

// The text a long number shows in General format, for a key that is one: a text in scientific
// notation as it is; a number of 15 digits or more, or a digit text as long, as General shows it.
// `lossy` tells whether the key itself has lost digits (so a meeting is the notation's fault).
bool scientificForm(const KeyColumn& k, size_t r, std::string& form, bool& lossy) {
    const auto& s = k.table->slot(r, k.col);
    if (s.kind == ValueKind::Number) {
        if (std::fabs(s.number) < 1e15) return false;
        form = formats::formatGeneral(s.number);
        lossy = true;
        return true;
    }
    if (s.kind != ValueKind::Text) return false;
    const std::string_view t = k.table->text(r, k.col);
    if (scientificText(t)) {
        form = std::string(t);
        lossy = true;
        return true;
    }
    if (t.size() >= 12 && allDigits(t)) {
        form = formats::formatGeneral(std::strtod(std::string(t).c_str(), nullptr));
        lossy = false;
        return true;
    }
    return false;
}

std::string amountText(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    std::string s = buf;
    if (s.size() > 3 && s.compare(s.size() - 3, 3, ".00") == 0) s.resize(s.size() - 3);
    if (s == "-0") s = "0";
    return s;
}

std::string signedAmount(double v) {
    std::string s = amountText(v);
    if (v > 0) s.insert(s.begin(), '+');
    return s;
}

std::string percent(double rate) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f%%", rate * 100);
    return buf;
}

}  // namespace

const char* cardinalityText(Cardinality c) {
    switch (c) {
        case Cardinality::OneToOne:
            return "1:1";
        case Cardinality::OneToMany:
            return "1:N";
        case Cardinality::ManyToOne:
            return "N:1";
        case Cardinality::ManyToMany:
            return "N:M";
    }
    return "";
}

KeyDiagnosis diagnoseKeys(const DiagnosisInput& in) {
    if (in.keyField.empty()) throw Error(ErrorKind::Syntax, "共用字段必须指定!");
    if (in.sheets.size() < 2)
        throw Error(ErrorKind::Syntax, "匹配诊断需要至少两张参与合并的表（勾选了字段的表）");
    const uint32_t folds = in.matchFolds ? (in.matchFolds | workbooks::kSafeFolds) : 0;
    KeyDiagnosis d;
    d.keyField = in.keyField;
    d.matchFolds = folds;
    const size_t n = in.sheets.size();

    std::vector<KeyColumn> keys(n);
    for (size_t i = 0; i < n; ++i) {
        const DiagnosisSheet& s = in.sheets[i];
        KeyColumn& k = keys[i];
        k.table = workbooks::cachedSheet(in.driver, s.path, s.sheet);
        k.col = k.table->width();
        for (size_t f = 0; f < k.table->width(); ++f)
            if (workbooks::equalsNoCase(k.table->fields[f].name, in.keyField)) {
                k.col = f;
                break;
            }
        if (k.col == k.table->width())
            throw Error(ErrorKind::FieldNotFound,
                        "工作表" + quoted(s.sheet) + "中没有共有字段" + quoted(in.keyField));
        k.text = k.table->fields[k.col].type == FieldType::String;
        // A text column holds numbers only as texts written from them, which a table without
        // such texts has none of.
        k.holdsNumbers = !k.text || !k.table->converted.empty();
        k.alias = "T" + std::to_string(s.page);
        k.label = k.alias + " " + s.sheet;
        if (i == 0 || k.table->rows > d.largestRows) {
            d.largestRows = k.table->rows;
            d.largestSheet = i;
        }
    }

    // Per sheet: the natural grouping, its statistics and its duplicates.
    std::vector<Groups> natural(n);
    std::vector<Mode> naturalModes(n);
    for (size_t i = 0; i < n; ++i) {
        const KeyColumn& k = keys[i];
        naturalModes[i] = naturalMode(k, folds);
        natural[i] = group(k, naturalModes[i], folds);
        SheetKeyStats st;
        st.label = k.label;
        st.rows = k.table->rows;
        const Groups& g = natural[i];
        for (size_t id = 0; id < g.first.size(); ++id) {
            if (g.blank[id]) {
                st.empty += g.count[id];
                continue;
            }
            ++st.distinct;
            if (g.count[id] > 1) {
                ++st.duplicateKeys;
                st.duplicateRows += g.count[id];
            }
        }
        for (size_t r = 0; r < k.table->rows; ++r)
            if (g.gid[r] < 0) ++st.empty;
        d.sheets.push_back(std::move(st));
    }

    // Per pair: the groupings under the pair's comparison (the natural ones when they agree).
    std::deque<Groups> extra;
    std::vector<const Groups*> leftOf(n - 1), rightOf(n - 1);
    std::vector<std::vector<int32_t>> rightToLeft(n - 1), leftToRight(n - 1);
    for (size_t p = 0; p + 1 < n; ++p) {
        const Mode mode = pairMode(keys[p], keys[p + 1], folds);
        leftOf[p] = mode == naturalModes[p] ? &natural[p]
                                            : &extra.emplace_back(group(keys[p], mode, folds));
        rightOf[p] = mode == naturalModes[p + 1]
                         ? &natural[p + 1]
                         : &extra.emplace_back(group(keys[p + 1], mode, folds));
        const Groups& L = *leftOf[p];
        const Groups& R = *rightOf[p];
        rightToLeft[p].assign(R.first.size(), -1);
        leftToRight[p].assign(L.first.size(), -1);
        const KeyColumn& kr = keys[p + 1];
        const KeyColumn& kl = keys[p];
        const bool sameKind = L.ix && kr.text == kl.text;
        // A block of lookups at a time, as the join probes: hashes with the left chain heads
        // prefetched, then the head rows and their texts prefetched, then the walks.
        constexpr size_t kBlock = 32;
        uint64_t hash[kBlock];
        uint32_t head[kBlock];
        for (size_t base = 0; base < R.first.size(); base += kBlock) {
            const size_t end = std::min(R.first.size(), base + kBlock);
            if (sameKind) {
                for (size_t id = base; id < end; ++id) {
                    const uint32_t r = R.first[id];
                    hash[id - base] =
                        kr.table->kind(r, kr.col) == ValueKind::Text
                            ? workbooks::HashIndex::hashTextNoCase(kr.table->text(r, kr.col))
                            : workbooks::HashIndex::hashNumber(kr.table->number(r, kr.col));
                    L.ix->prefetchHash(hash[id - base]);
                }
                for (size_t id = base; id < end; ++id) {
                    head[id - base] = L.ix->firstOfHash(hash[id - base]);
                    if (head[id - base] != workbooks::kNoRow)
                        __builtin_prefetch(&kl.table->slot(head[id - base], kl.col));
                }
                if (kl.text)
                    for (size_t id = base; id < end; ++id)
                        if (head[id - base] != workbooks::kNoRow)
                            __builtin_prefetch(kl.table->textAddress(head[id - base], kl.col));
            }
            for (size_t id = base; id < end; ++id) {
                const int32_t l = sameKind ? L.walkFrom(head[id - base], kr, R.first[id])
                                           : L.findRowOf(kr, R.first[id]);
                rightToLeft[p][id] = l;
                if (l >= 0) leftToRight[p][static_cast<size_t>(l)] = static_cast<int32_t>(id);
            }
        }
    }
    auto leftGroups = [&](size_t p) -> const Groups& { return *leftOf[p]; };
    auto rightGroups = [&](size_t p) -> const Groups& { return *rightOf[p]; };

    // Multiplicities: paths from the first sheet to a row, and from a row to the last sheet.
    std::vector<std::vector<uint64_t>> fwd(n), bwd(n);
    fwd[0].assign(keys[0].table->rows, 1);
    for (size_t i = 1; i < n; ++i) {
        const Groups& L = leftGroups(i - 1);
        const Groups& R = rightGroups(i - 1);
        std::vector<uint64_t> sum(L.first.size(), 0);
        for (size_t r = 0; r < keys[i - 1].table->rows; ++r)
            if (L.gid[r] >= 0) sum[static_cast<size_t>(L.gid[r])] += fwd[i - 1][r];
        fwd[i].assign(keys[i].table->rows, 0);
        for (size_t r = 0; r < keys[i].table->rows; ++r) {
            const int32_t g = R.gid[r];
            const int32_t l = g >= 0 ? rightToLeft[i - 1][static_cast<size_t>(g)] : -1;
            if (l >= 0) fwd[i][r] = sum[static_cast<size_t>(l)];
        }
    }
    bwd[n - 1].assign(keys[n - 1].table->rows, 1);
    for (size_t i = n - 1; i-- > 0;) {
        const Groups& L = leftGroups(i);
        const Groups& R = rightGroups(i);
        std::vector<uint64_t> sum(R.first.size(), 0);
        for (size_t r = 0; r < keys[i + 1].table->rows; ++r)
            if (R.gid[r] >= 0) sum[static_cast<size_t>(R.gid[r])] += bwd[i + 1][r];
        bwd[i].assign(keys[i].table->rows, 0);
        for (size_t r = 0; r < keys[i].table->rows; ++r) {
            const int32_t g = L.gid[r];
            const int32_t m = g >= 0 ? leftToRight[i][static_cast<size_t>(g)] : -1;
            if (m >= 0) bwd[i][r] = sum[static_cast<size_t>(m)];
        }
    }
    for (uint64_t f : fwd[n - 1]) d.joinRows += f;
    auto multiplicity = [&](size_t i, size_t r) { return fwd[i][r] * bwd[i][r]; };

    // The left/right variant adds the rows of either sheet whose key the other lacks; "not in"
    // finds nothing for an empty key, nor for any key when the other sheet has an empty one.
    std::vector<bool> hasNull(n);
    for (size_t i = 0; i < n; ++i)
        hasNull[i] =
            std::find(natural[i].gid.begin(), natural[i].gid.end(), -1) != natural[i].gid.end();
    auto leftRightMultiplicity = [&](size_t i, size_t r) -> uint64_t {
        const uint64_t m = multiplicity(i, r);
        if (m || n != 2) return m;
        return !keys[i].isNull(r) && !hasNull[1 - i] ? 1 : 0;
    };
    if (n == 2)
        for (size_t i = 0; i < 2; ++i)
            for (size_t r = 0; r < keys[i].table->rows; ++r)
                d.leftRightRows += multiplicity(i, r) ? 0 : leftRightMultiplicity(i, r);
    if (n == 2) d.leftRightRows += d.joinRows;

    // Pairs: matched and unmatched keys, cardinality, and what the unmatched ones meet.
    for (size_t p = 0; p + 1 < n; ++p) {
        const Groups& L = leftGroups(p);
        const Groups& R = rightGroups(p);
        const KeyColumn& kl = keys[p];
        const KeyColumn& kr = keys[p + 1];
        PairStats ps;
        ps.left = p;
        ps.right = p + 1;
        uint32_t maxL = 0, maxR = 0;
        for (size_t id = 0; id < L.first.size(); ++id) {
            if (L.blank[id]) continue;
            const int32_t m = leftToRight[p][id];
            if (m < 0) {
                ++ps.onlyLeft;
                continue;
            }
            ++ps.matched;
            ps.matchedLeftRows += L.count[id];
            ps.matchedRightRows += R.count[static_cast<size_t>(m)];
            maxL = std::max(maxL, L.count[id]);
            maxR = std::max(maxR, R.count[static_cast<size_t>(m)]);
            const uint32_t rl = L.first[id], rr = R.first[static_cast<size_t>(m)];
            if ((kl.holdsNumbers || kr.holdsNumbers) && kl.numberOrigin(rl) != kr.numberOrigin(rr))
                d.mixedTypes.push_back({p, kl.display(rl), kr.display(rr)});
        }
        for (size_t id = 0; id < R.first.size(); ++id)
            if (!R.blank[id] && rightToLeft[p][id] < 0) ++ps.onlyRight;
        const size_t all = ps.matched + ps.onlyLeft + ps.onlyRight;
        ps.matchRate = all ? static_cast<double>(ps.matched) / static_cast<double>(all) : 0;
        ps.cardinality = maxL > 1 ? (maxR > 1 ? Cardinality::ManyToMany : Cardinality::ManyToOne)
                                  : (maxR > 1 ? Cardinality::OneToMany : Cardinality::OneToOne);
        d.pairs.push_back(ps);

        // The folded keys and the scientific forms of each side's keys that are not plain, built
        // only when needed; plain keys fold to their lower case and are found through the index.
        struct Side {
            const KeyColumn* k;
            const Groups* g;
            const std::vector<int32_t>* other;  // group -> matched group of the other side
            std::unordered_map<std::string, std::vector<int32_t>> folded, scientific;
            bool built = false;
            void build() {
                if (built) return;
                built = true;
                std::string form;
                bool lossy;
                for (size_t id = 0; id < g->first.size(); ++id) {
                    const uint32_t r = g->first[id];
                    if (g->blank[id]) continue;
                    if (k->table->kind(r, k->col) == ValueKind::Text &&
                        workbooks::keyIsPlain(k->table->text(r, k->col)))
                        continue;
                    folded[workbooks::foldKey(k->display(r), workbooks::kAllFolds)].push_back(
                        static_cast<int32_t>(id));
                    if (scientificForm(*k, r, form, lossy))
                        scientific[form].push_back(static_cast<int32_t>(lossy ? -1 - id : id));
                }
            }
            // The groups whose key folds to f.
            std::vector<int32_t> meeting(const std::string& f) {
                build();
                std::vector<int32_t> out;
                if (auto it = folded.find(f); it != folded.end()) out = it->second;
                if (!k->text) return out;
                const auto& ix = k->table->index(k->col);
                for (uint32_t q = ix.firstText(f); q != workbooks::kNoRow; q = ix.next(q)) {
                    if (k->table->kind(q, k->col) != ValueKind::Text) continue;
                    const std::string_view t = k->table->text(q, k->col);
                    if (!workbooks::equalsNoCase(t, f) || !workbooks::keyIsPlain(t)) continue;
                    const int32_t id = g->gid[q];
                    if (id >= 0 && std::find(out.begin(), out.end(), id) == out.end())
                        out.push_back(id);
                }
                return out;
            }
        };
        Side sides[2] = {{&kl, &L, &leftToRight[p], {}, {}, false},
                         {&kr, &R, &rightToLeft[p], {}, {}, false}};
        for (int s = 0; s < 2; ++s) {
            Side& self = sides[s];
            Side& other = sides[1 - s];
            for (size_t id = 0; id < self.g->first.size(); ++id) {
                const uint32_t r = self.g->first[id];
                if (self.g->blank[id] || (*self.other)[id] >= 0) continue;
                UnmatchedKey u;
                u.pair = p;
                u.left = s == 0;
                u.key = self.k->display(r);
                u.rows = self.g->count[id];
                const std::string f = workbooks::foldKey(u.key, workbooks::kAllFolds);
                const std::vector<int32_t> hit = other.meeting(f);
                if (!hit.empty()) {
                    for (int32_t og : hit) {
                        const uint32_t orow = other.g->first[static_cast<size_t>(og)];
                        const std::string ok = other.k->display(orow);
                        if (u.meets.size() < 3) u.meets.push_back(ok);
                        u.causes |= neededCauses(u.key, ok);
                        if (self.k->numberOrigin(r) != other.k->numberOrigin(orow))
                            u.causes |= workbooks::NumberText;
                        if (workbooks::foldKey(u.key, workbooks::kSafeFolds) ==
                            workbooks::foldKey(ok, workbooks::kSafeFolds))
                            u.safe = true;
                    }
                } else {
                    std::string form;
                    bool lossy = false;
                    if (scientificForm(*self.k, r, form, lossy)) {
                        auto sci = other.scientific.find(form);
                        if (sci != other.scientific.end())
                            for (int32_t code : sci->second) {
                                const bool otherLossy = code < 0;
                                if (!lossy && !otherLossy) continue;
                                const size_t og = static_cast<size_t>(code < 0 ? -1 - code : code);
                                const uint32_t orow = other.g->first[og];
                                if (u.meets.size() < 3) u.meets.push_back(other.k->display(orow));
                                u.causes |= workbooks::Scientific;
                                if (self.k->numberOrigin(r) != other.k->numberOrigin(orow))
                                    u.causes |= workbooks::NumberText;
                            }
                    }
                }
                d.unmatched.push_back(std::move(u));
            }
        }
    }

    // Duplicated keys of each sheet, with their rows.
    for (size_t i = 0; i < n; ++i) {
        const Groups& g = natural[i];
        for (size_t id = 0; id < g.first.size(); ++id)
            if (g.count[id] > 1 && !g.blank[id])
                d.duplicates.push_back({i, keys[i].display(g.first[id]), g.count[id]});
    }

    // The number columns: totals before and after the join, and the keys behind the difference;
    // all checked columns of a sheet in one pass over its rows.
    for (size_t i = 0; i < n; ++i) {
        const KeyColumn& k = keys[i];
        const Groups& g = natural[i];
        const size_t first = d.amounts.size();
        std::vector<size_t> cols;
        for (const std::string& field : in.sheets[i].numberFields) {
            size_t col = k.table->width();
            for (size_t f = 0; f < k.table->width(); ++f)
                if (workbooks::equalsNoCase(k.table->fields[f].name, field)) {
                    col = f;
                    break;
                }
            if (col == k.table->width())
                throw Error(ErrorKind::FieldNotFound,
                            "工作表" + quoted(in.sheets[i].sheet) + "中没有字段" + quoted(field));
            if (!workbooks::isNumeric(k.table->fields[col].type)) continue;
            AmountCheck a;
            a.sheet = i;
            a.field = k.table->fields[col].name;
            a.sourceRows = k.table->rows;
            d.amounts.push_back(std::move(a));
            cols.push_back(col);
        }
        if (cols.empty()) continue;
        const size_t nc = cols.size();
        std::vector<double> byGroup(g.first.size() * nc, 0), emptyKeys(nc, 0);
        for (size_t r = 0; r < k.table->rows; ++r) {
            const uint64_t m = multiplicity(i, r);
            const double lr = static_cast<double>(leftRightMultiplicity(i, r));
            const int32_t gr = g.gid[r];
            for (size_t c = 0; c < nc; ++c) {
                const auto& s = k.table->slot(r, cols[c]);
                if (s.kind != ValueKind::Number) continue;
                AmountCheck& a = d.amounts[first + c];
                const double v = s.number;
                a.source += v;
                a.joined += v * static_cast<double>(m);
                a.leftRightJoined += v * lr;
                double effect = 0;
                if (m == 0) {
                    a.dropped += v;
                    effect = -v;
                } else if (m > 1) {
                    a.doubled += v * static_cast<double>(m - 1);
                    effect = v * static_cast<double>(m - 1);
                }
                if (effect == 0) continue;
                if (gr >= 0)
                    byGroup[static_cast<size_t>(gr) * nc + c] += effect;
                else
                    emptyKeys[c] += effect;
            }
        }
        // The keys named once, in group order; each column's list largest effect first, equal
        // effects in row order.
        std::vector<std::string> shown(g.first.size());
        for (size_t id = 0; id < g.first.size(); ++id)
            for (size_t c = 0; c < nc; ++c)
                if (byGroup[id * nc + c] != 0) {
                    shown[id] = k.display(g.first[id]);
                    break;
                }
        for (size_t c = 0; c < nc; ++c) {
            std::vector<std::pair<int32_t, double>> effects;
            for (size_t id = 0; id < g.first.size(); ++id)
                if (byGroup[id * nc + c] != 0)
                    effects.emplace_back(static_cast<int32_t>(id), byGroup[id * nc + c]);
            if (emptyKeys[c] != 0) effects.emplace_back(-1, emptyKeys[c]);
            std::stable_sort(effects.begin(), effects.end(), [](const auto& x, const auto& y) {
                return std::fabs(x.second) > std::fabs(y.second);
            });
            AmountCheck& a = d.amounts[first + c];
            a.keys.reserve(effects.size());
            for (const auto& [id, amount] : effects)
                a.keys.emplace_back(id < 0 ? std::string("(空)") : shown[static_cast<size_t>(id)],
                                    amount);
        }
    }
    return d;
}

std::string KeyDiagnosis::confirmationText() const {
    const std::string label = largestSheet < sheets.size() ? sheets[largestSheet].label : "";
    std::string text = "按共有字段" + quoted(keyField) + "连接后将得到 " +
                       std::to_string(joinRows) + " 行，比参与合并的最大的表（" + label + "，" +
                       std::to_string(largestRows) + " 行）多 " +
                       std::to_string(joinRows - largestRows) + " 行。";
    text += "重复的键使一行与多行相配，这些行的数值会被重复计算";
    double doubled = 0;
    for (const AmountCheck& a : amounts) doubled += a.doubled;
    if (doubled != 0) text += "（数值列合计多算 " + amountText(doubled) + "）";
    text += "。是否继续?";
    return text;
}

std::shared_ptr<workbooks::Result> diagnosisReport(const KeyDiagnosis& d) {
    auto r = std::make_shared<workbooks::Result>();
    for (const char* name : {"类别", "表", "键值", "对方键值", "原因"})
        r->addField(name, FieldType::String);
    r->addField("行数", FieldType::Float);
    r->addField("金额", FieldType::Float);
    r->addField("说明", FieldType::String);
    auto& kind = r->field(0);
    auto& table = r->field(1);
    auto& key = r->field(2);
    auto& other = r->field(3);
    auto& cause = r->field(4);
    auto& rows = r->field(5);
    auto& amount = r->field(6);
    auto& note = r->field(7);
    auto text = [](workbooks::Column& c, const std::string& s) {
        if (s.empty())
            c.appendNull();
        else
            c.appendText(s);
    };
    auto add = [&](const std::string& k, const std::string& t, const std::string& ky,
                   const std::string& o, const std::string& c, double n, bool hasN, double a,
                   bool hasA, const std::string& nt) {
        text(kind, k);
        text(table, t);
        text(key, ky);
        text(other, o);
        text(cause, c);
        if (hasN)
            rows.appendNumber(n);
        else
            rows.appendNull();
        if (hasA)
            amount.appendNumber(a);
        else
            amount.appendNull();
        text(note, nt);
        r->commitRow();
    };
    auto pairLabel = [&](size_t p) {
        return d.sheets[d.pairs[p].left].label + " — " + d.sheets[d.pairs[p].right].label;
    };
    for (const SheetKeyStats& s : d.sheets)
        add("工作表", s.label, "", "", "", static_cast<double>(s.rows), true, 0, false,
            "不同键 " + std::to_string(s.distinct) + "，空键 " + std::to_string(s.empty) +
                " 行，重复键 " + std::to_string(s.duplicateKeys) + " 个（" +
                std::to_string(s.duplicateRows) + " 行）");
    for (size_t p = 0; p < d.pairs.size(); ++p) {
        const PairStats& ps = d.pairs[p];
        add("表对", pairLabel(p), "", "", cardinalityText(ps.cardinality),
            static_cast<double>(ps.matched), true, 0, false,
            "匹配键 " + std::to_string(ps.matched) + "，仅左表 " + std::to_string(ps.onlyLeft) +
                "，仅右表 " + std::to_string(ps.onlyRight) + "，匹配率 " + percent(ps.matchRate));
    }
    add("连接结果", "", "", "", "", static_cast<double>(d.joinRows), true, 0, false,
        "“④显示生成结果”将得到 " + std::to_string(d.joinRows) + " 行；最大的表 " +
            std::to_string(d.largestRows) + " 行" +
            (d.sheets.size() == 2
                 ? "；“加显表1而表2无的数据”将得到 " + std::to_string(d.leftRightRows) + " 行"
                 : std::string()));
    for (const UnmatchedKey& u : d.unmatched) {
        const PairStats& ps = d.pairs[u.pair];
        const std::string& where = d.sheets[u.left ? ps.left : ps.right].label;
        std::string meets;
        for (const std::string& m : u.meets) meets += (meets.empty() ? "" : "、") + m;
        std::string nt;
        if (u.causes == 0)
            nt = "规整后也找不到对应的键";
        else if (u.causes & workbooks::Scientific)
            nt = "数字已丢失位数，无法自动匹配，请把该列设为文本后重新输入";
        else if (u.safe)
            nt = "勾选“忽略空格、全半角与大小写差异”后可匹配";
        else
            nt = "需要按数字或补零规整后才能匹配";
        add(u.causes ? "未匹配(规整后可匹配)" : "未匹配(无对应)", where, u.key, meets,
            workbooks::keyCauseNames(u.causes), static_cast<double>(u.rows), true, 0, false, nt);
    }
    for (const MixedTypeMatch& m : d.mixedTypes)
        add("已匹配(类型不同)", pairLabel(m.pair), m.left, m.right,
            workbooks::keyCauseName(workbooks::NumberText), 0, false, 0, false,
            "一边存为数字、一边存为文本，已按数值匹配");
    for (const DuplicateKey& k : d.duplicates)
        add("重复键", d.sheets[k.sheet].label, k.key, "", "", static_cast<double>(k.rows), true, 0,
            false, "");
    for (const AmountCheck& a : d.amounts) {
        const std::string& label = d.sheets[a.sheet].label;
        add("数值核对", label, "", "", a.field, static_cast<double>(a.sourceRows), true,
            a.joined - a.source, true,
            "源表合计 " + amountText(a.source) + "，连接后合计 " + amountText(a.joined) +
                "，重复计算 " + amountText(a.doubled) + "，未匹配丢失 " + amountText(a.dropped));
        for (const auto& [k, v] : a.keys)
            add(v > 0 ? "重复计算" : "未匹配丢失", label, k, "", a.field, 0, false, v, true, "");
    }
    return r;
}

std::string diagnosisSummary(const KeyDiagnosis& d) {
    std::string s;
    for (const SheetKeyStats& st : d.sheets)
        s += st.label + "：" + std::to_string(st.rows) + " 行，不同键 " +
             std::to_string(st.distinct) + "，空键 " + std::to_string(st.empty) + "，重复键 " +
             std::to_string(st.duplicateKeys) + " 个\n";
    for (const PairStats& p : d.pairs)
        s += d.sheets[p.left].label + " — " + d.sheets[p.right].label + "：" +
             cardinalityText(p.cardinality) + "，匹配 " + std::to_string(p.matched) + "，仅左 " +
             std::to_string(p.onlyLeft) + "，仅右 " + std::to_string(p.onlyRight) + "，匹配率 " +
             percent(p.matchRate) + "\n";
    size_t fixable = 0, safe = 0;
    uint32_t causes = 0;
    for (const UnmatchedKey& u : d.unmatched) {
        if (!u.causes) continue;
        ++fixable;
        safe += u.safe;
        causes |= u.causes;
    }
    if (fixable)
        s += std::to_string(fixable) + " 个未匹配的键规整后能找到对应（" + std::to_string(safe) +
             " 个勾选“忽略空格、全半角与大小写差异”即可）：" + workbooks::keyCauseNames(causes) +
             "\n";
    s += "连接将得到 " + std::to_string(d.joinRows) + " 行（最大的表 " +
         std::to_string(d.largestRows) + " 行）";
    double doubled = 0;
    for (const AmountCheck& a : d.amounts) doubled += a.doubled;
    if (doubled != 0) s += "，数值列合计将多算 " + amountText(doubled);
    return s;
}

std::string keyFoldClause(uint32_t folds) {
    if (!folds) return {};
    return " collate " + workbooks::keyFoldCollation(folds | workbooks::kSafeFolds);
}

std::string withKeyFold(const std::string& sql, const std::string& keyField, uint32_t folds) {
    if (!folds || keyField.empty()) return sql;
    const std::string clause = keyFoldClause(folds);
    const std::string field = "." + keyField;
    std::string out;
    out.reserve(sql.size() + 64);
    size_t i = 0;
    while (i < sql.size()) {
        if (sql[i] == '[') {  // a sheet reference or a bracketed name: copied as it is
            const size_t close = sql.find(']', i);
            const size_t end = close == std::string::npos ? sql.size() : close + 1;
            out.append(sql, i, end - i);
            i = end;
            continue;
        }
        // "T<digits>" + "." + field, followed by "=" or " not in(".
        if (sql[i] == 'T' &&
            (i == 0 || sql[i - 1] == ' ' || sql[i - 1] == ',' || sql[i - 1] == '(')) {
            size_t j = i + 1;
            while (j < sql.size() && sql[j] >= '0' && sql[j] <= '9') ++j;
            if (j > i + 1 && sql.compare(j, field.size(), field) == 0) {
                const size_t after = j + field.size();
                const bool eq = after < sql.size() && sql[after] == '=';
                const bool notIn = sql.compare(after, 8, " not in(") == 0;
                out.append(sql, i, after - i);
                if (eq || notIn) out += clause;
                i = after;
                continue;
            }
        }
        out += sql[i++];
    }
    return out;
}

std::vector<ReconcileLine> reconcile(const KeyDiagnosis& d, JoinVariant variant,
                                     const workbooks::Result& result) {
    std::vector<ReconcileLine> out;
    for (const AmountCheck& a : d.amounts) {
        ReconcileLine l;
        const std::string alias =
            d.sheets[a.sheet].label.substr(0, d.sheets[a.sheet].label.find(' '));
        l.sheet = d.sheets[a.sheet].label;
        l.source = a.source;
        l.sourceRows = a.sourceRows;
        l.resultRows = result.rowCount();
        int c = result.fieldIndex(alias + "." + a.field);
        if (c < 0) c = result.fieldIndex(a.field);
        l.column = c < 0 ? alias + "." + a.field : result.field(static_cast<size_t>(c)).name();
        l.found = c >= 0;
        if (l.found) {
            const workbooks::Column& col = result.field(static_cast<size_t>(c));
            for (size_t r = 0; r < col.size(); ++r)
                if (col.kind(r) == ValueKind::Number) l.result += col.number(r);
        }
        l.difference = l.result - l.source;
        for (const auto& k : a.keys)
            if (variant != JoinVariant::LeftRight || k.second > 0) l.keys.push_back(k);
        if (!l.found) {
            l.text = "对账 " + l.column + "：结果中没有这一列";
        } else {
            l.text = "对账 " + l.column + "：源表合计 " + amountText(l.source) + "（" +
                     std::to_string(l.sourceRows) + " 行），结果合计 " + amountText(l.result) +
                     "（" + std::to_string(l.resultRows) + " 行）";
            if (std::fabs(l.difference) < 0.005) {
                l.text += "，一致";
            } else {
                l.text += "，差额 " + signedAmount(l.difference);
                std::string causes;
                for (size_t k = 0; k < l.keys.size() && k < 5; ++k)
                    causes +=
                        (k ? "、" : "") + l.keys[k].first + " " + signedAmount(l.keys[k].second);
                if (l.keys.size() > 5) causes += " 等 " + std::to_string(l.keys.size()) + " 个键";
                if (!causes.empty()) l.text += "：" + causes;
            }
        }
        out.push_back(std::move(l));
    }
    return out;
}

}  // namespace shuhui::merge::horizontal
