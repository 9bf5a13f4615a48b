// The "shuhui_sheet" virtual table module (see sheet_vtab.h).
#include "workbooks/sheet_vtab.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "workbooks/key_fold.h"

namespace shuhui::workbooks {

namespace {

std::mutex registryMutex;
std::map<uint64_t, std::shared_ptr<const SheetTable>> registry;
uint64_t nextId = 1;

struct SheetVtab {
    sqlite3_vtab base{};
    std::shared_ptr<const SheetTable> table;
};

struct SheetCursor {
    sqlite3_vtab_cursor base{};
    const SheetTable* table = nullptr;
    uint32_t row = 0;
    bool scan = true;  // full scan; otherwise a walk along one hash chain
    int column = -1;
    const HashIndex* index = nullptr;
    const FoldedIndex* folded = nullptr;  // a walk under a KEYFOLD collation
    bool keyIsText = false;
    double keyNumber = 0;
    std::string keyText;
};

enum IndexPlan : int { kFullScan = -1 };
// idxNum of an index walk: the column in the low bits (the provider takes no sheet of more than
// 2,000 fields), the folds of a KEYFOLD collation above them.
constexpr int kFoldShift = 12;

std::string quoteName(const std::string& name) {
    std::string q = "\"";
    for (char c : name) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + "\"";
}

int connect(sqlite3* db, void*, int argc, const char* const* argv, sqlite3_vtab** out, char** err) {
    if (argc < 4) {
        *err = sqlite3_mprintf("shuhui_sheet: missing table id");
        return SQLITE_ERROR;
    }
    const uint64_t id = std::strtoull(argv[3], nullptr, 10);
    std::shared_ptr<const SheetTable> table;
    {
        std::lock_guard lock(registryMutex);
        auto it = registry.find(id);
        if (it != registry.end()) table = it->second;
    }
    if (!table) {
        *err = sqlite3_mprintf("shuhui_sheet: unknown table id %s", argv[3]);
        return SQLITE_ERROR;
    }
    std::string ddl = "CREATE TABLE x(";
    for (size_t i = 0; i < table->fields.size(); ++i) {
        if (i) ddl += ", ";
        ddl += quoteName(table->fields[i].name);
        ddl += ' ';
        ddl += declaredType(table->fields[i].type);
    }
    ddl += ")";
    if (int rc = sqlite3_declare_vtab(db, ddl.c_str()); rc != SQLITE_OK) return rc;
    auto* vt = new SheetVtab;
    vt->table = std::move(table);
    *out = &vt->base;
    return SQLITE_OK;
}

int disconnect(sqlite3_vtab* vt) {
    delete reinterpret_cast<SheetVtab*>(vt);
    return SQLITE_OK;
}

int bestIndex(sqlite3_vtab* vtab, sqlite3_index_info* info) {
    const SheetTable& t = *reinterpret_cast<SheetVtab*>(vtab)->table;
    const double rows = static_cast<double>(t.rows) + 1;
    info->idxNum = kFullScan;
    info->estimatedCost = rows;
    info->estimatedRows = static_cast<sqlite3_int64>(rows);
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (!c.usable || c.op != SQLITE_INDEX_CONSTRAINT_EQ || c.iColumn < 0 ||
            c.iColumn >= static_cast<int>(t.fields.size()))
            continue;
        // The index folds ASCII case, so it serves BINARY and NOCASE comparisons alike; the
        // KEYFOLD collations get an index of folded keys, their folds in the upper bits.
        const char* coll = sqlite3_vtab_collation(info, i);
        const uint32_t folds = coll ? keyFoldOfCollation(coll) : 0;
        if (coll && !folds && sqlite3_stricmp(coll, "BINARY") != 0 &&
            sqlite3_stricmp(coll, "NOCASE") != 0)
            continue;
        info->idxNum = c.iColumn | static_cast<int>(folds << kFoldShift);
        info->aConstraintUsage[i].argvIndex = 1;
        info->aConstraintUsage[i].omit = 0;
        // A lookup reads its rows in random order, one cache miss per field it touches: with the
        // fields used in the cost, a join probes the table of which it needs fewer fields.
        int used = 0;
        for (size_t k = 0; k < t.fields.size() && k < 63; ++k) used += (info->colUsed >> k) & 1;
        info->estimatedCost = 2 + std::log2(rows) + used;
        info->estimatedRows = 2;
        break;
    }
    return SQLITE_OK;
}

int open(sqlite3_vtab* vtab, sqlite3_vtab_cursor** out) {
    auto* cur = new SheetCursor;
    cur->table = reinterpret_cast<SheetVtab*>(vtab)->table.get();
    *out = &cur->base;
    return SQLITE_OK;
}

int closeCursor(sqlite3_vtab_cursor* cur) {
    delete reinterpret_cast<SheetCursor*>(cur);
    return SQLITE_OK;
}

bool matches(const SheetCursor& c, uint32_t row) {
    if (c.folded)
        return c.table->kind(row, static_cast<size_t>(c.column)) == ValueKind::Text &&
               c.folded->folded(row) == c.keyText;
    const SheetSlot& s = c.table->slot(row, static_cast<size_t>(c.column));
    if (c.keyIsText)
        return s.kind == ValueKind::Text &&
               equalsNoCase(c.table->text(row, static_cast<size_t>(c.column)), c.keyText);
    return s.kind != ValueKind::Null && s.kind != ValueKind::Text && s.number == c.keyNumber;
}

void skipToMatch(SheetCursor& c) {
    if (c.folded) {
        while (c.row != kNoRow && !matches(c, c.row)) c.row = c.folded->next(c.row);
        return;
    }
    while (c.row != kNoRow && !matches(c, c.row)) c.row = c.index->next(c.row);
    if (c.row != kNoRow) c.index->prefetchNext(c.row);
}

// A text that is a number in full (blanks around allowed), as numeric comparison would read it.
bool parseNumber(std::string_view t, double& v) {
    std::string s(t);
    char* end = nullptr;
    v = std::strtod(s.c_str(), &end);
    if (end == s.c_str()) return false;
    while (*end == ' ' || *end == '\t') ++end;
    return *end == '\0';
}

int filter(sqlite3_vtab_cursor* cursor, int idxNum, const char*, int argc, sqlite3_value** argv) {
    auto& c = *reinterpret_cast<SheetCursor*>(cursor);
    c.scan = true;
    c.row = 0;
    c.folded = nullptr;
    if (idxNum == kFullScan || argc < 1) return SQLITE_OK;
    const uint32_t folds = static_cast<uint32_t>(idxNum) >> kFoldShift;
    idxNum &= (1 << kFoldShift) - 1;
    const bool textColumn = c.table->fields[static_cast<size_t>(idxNum)].type == FieldType::String;
    sqlite3_value* v = argv[0];
    switch (sqlite3_value_type(v)) {
        case SQLITE_NULL:  // "=" never matches a Null
            c.scan = false;
            c.row = kNoRow;
            return SQLITE_OK;
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            if (textColumn) return SQLITE_OK;  // numeric comparison with texts: leave it to a scan
            c.keyIsText = false;
            c.keyNumber = sqlite3_value_double(v);
            break;
        case SQLITE_TEXT: {
            const auto* p = static_cast<const char*>(sqlite3_value_blob(v));
            std::string_view t(p ? p : "", static_cast<size_t>(sqlite3_value_bytes(v)));
            if (textColumn) {
                c.keyIsText = true;
                c.keyText.assign(t);
            } else {
                double d;
                if (!parseNumber(t, d)) return SQLITE_OK;
                c.keyIsText = false;
                c.keyNumber = d;
            }
            break;
        }
        default:
            return SQLITE_OK;
    }
    c.scan = false;
    c.column = idxNum;
    if (folds && c.keyIsText) {
        c.folded = &c.table->foldedIndex(static_cast<size_t>(idxNum), folds);
        c.keyText = foldKey(c.keyText, folds);
        c.row = c.folded->first(c.keyText);
        skipToMatch(c);
        return SQLITE_OK;
    }
    c.index = &c.table->index(static_cast<size_t>(idxNum));
    c.row = c.keyIsText ? c.index->firstText(c.keyText) : c.index->firstNumber(c.keyNumber);
    skipToMatch(c);
    return SQLITE_OK;
}

int next(sqlite3_vtab_cursor* cursor) {
    auto& c = *reinterpret_cast<SheetCursor*>(cursor);
    if (c.scan) {
        ++c.row;
    } else {
        c.row = c.folded ? c.folded->next(c.row) : c.index->next(c.row);
        skipToMatch(c);
    }
    return SQLITE_OK;
}

int eof(sqlite3_vtab_cursor* cursor) {
    auto& c = *reinterpret_cast<SheetCursor*>(cursor);
    return c.scan ? c.row >= c.table->rows : c.row == kNoRow;
}

int column(sqlite3_vtab_cursor* cursor, sqlite3_context* ctx, int i) {
    auto& c = *reinterpret_cast<SheetCursor*>(cursor);
    const SheetSlot& s = c.table->slot(c.row, static_cast<size_t>(i));
    switch (s.kind) {
        case ValueKind::Null:
            break;
        case ValueKind::Text: {
            const std::string_view t = c.table->text(c.row, static_cast<size_t>(i));
            sqlite3_result_text(ctx, t.data(), static_cast<int>(t.size()), SQLITE_STATIC);
            break;
        }
        case ValueKind::Bool:
            sqlite3_result_int(ctx, s.number != 0);
            break;
        default:
            sqlite3_result_double(ctx, s.number);
            break;
    }
    return SQLITE_OK;
}

int rowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* id) {
    *id = reinterpret_cast<SheetCursor*>(cursor)->row;
    return SQLITE_OK;
}

sqlite3_module makeModule() {
    sqlite3_module m{};
    m.iVersion = 1;
    m.xCreate = connect;
    m.xConnect = connect;
    m.xBestIndex = bestIndex;
    m.xDisconnect = disconnect;
    m.xDestroy = disconnect;
    m.xOpen = open;
    m.xClose = closeCursor;
    m.xFilter = filter;
    m.xNext = next;
    m.xEof = eof;
    m.xColumn = column;
    m.xRowid = rowid;
    return m;
}

const sqlite3_module kModule = makeModule();

}  // namespace

const char* declaredType(FieldType type) {
    switch (type) {
        case FieldType::Float:
            return "FLOAT";
        case FieldType::Currency:
            return "CURRENCY";
        case FieldType::DateTime:
            return "DATETIME";
        case FieldType::Boolean:
            return "BOOLEAN";
        default:
            return "TEXT COLLATE NOCASE";
    }
}

void registerSheetModule(sqlite3* db) {
    sqlite3_create_module_v2(db, "shuhui_sheet", &kModule, nullptr, nullptr);
}

void registerKeyFoldCollations(sqlite3* db) {
    static const uint32_t kFolds[] = {kSafeFolds, kSafeFolds | NumberText,
                                      kSafeFolds | LeadingZeros,
                                      kSafeFolds | NumberText | LeadingZeros};
    for (const uint32_t& folds : kFolds) {
        auto compare = [](void* arg, int na, const void* a, int nb, const void* b) {
            const uint32_t f = *static_cast<const uint32_t*>(arg);
            const std::string fa =
                foldKey(std::string_view(static_cast<const char*>(a), static_cast<size_t>(na)), f);
            const std::string fb =
                foldKey(std::string_view(static_cast<const char*>(b), static_cast<size_t>(nb)), f);
            const int c = fa.compare(fb);
            return c < 0 ? -1 : c > 0;
        };
        sqlite3_create_collation_v2(db, keyFoldCollation(folds).c_str(), SQLITE_UTF8,
                                    const_cast<uint32_t*>(&folds), compare, nullptr);
    }
}

uint64_t publishSheet(std::shared_ptr<const SheetTable> table) {
    std::lock_guard lock(registryMutex);
    const uint64_t id = nextId++;
    registry.emplace(id, std::move(table));
    return id;
}

void unpublishSheet(uint64_t id) {
    std::lock_guard lock(registryMutex);
    registry.erase(id);
}

}  // namespace shuhui::workbooks
