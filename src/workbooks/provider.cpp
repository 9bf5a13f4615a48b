// The workbook data provider (see provider.h): the SQL engine over the cached sheets.
//
// One process-wide Engine holds the in-memory SQLite database with the "shuhui_sheet" module and
// the sheet cache (sheet_cache.h). A query is scanned for its sheet references; each is checked
// (file, driver, sheet) and read if not cached (several workbooks side by side). The join step's
// inner joins and unions of plain selects are answered from the cached tables directly
// (join_fast_path.h, union_fast_path.h); every other text is rewritten (references -> virtual
// tables, "top N" -> LIMIT) and run by SQLite, its rows copied into a columnar Result
// (result_building.h) and its errors told in the user's terms (sql_errors.h). Connection and
// Query live in connection.cpp.
#include "workbooks/provider.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>
#include <optional>
#include <set>

#include "formats/error.h"
#include "workbooks/join_fast_path.h"
#include "workbooks/no_case.h"
#include "workbooks/provider_trace.h"
#include "workbooks/result_building.h"
#include "workbooks/run_limits.h"
#include "workbooks/sheet_cache.h"
#include "workbooks/sheet_table.h"
#include "workbooks/sheet_vtab.h"
#include "workbooks/sql_errors.h"
#include "workbooks/sql_rewrite.h"
#include "workbooks/union_fast_path.h"

namespace shuhui::workbooks {

namespace {

// Pragmas that only describe what is there (fields of a table, compile options, lists): these may
// stay, in any form; every other pragma can change a setting and is refused.
bool isReadOnlyPragma(const char* name) {
    static const char* const kReadOnly[] = {
        "table_info",  "table_xinfo",     "table_list",      "index_list",    "index_info",
        "index_xinfo", "database_list",   "collation_list",  "function_list", "module_list",
        "pragma_list", "compile_options", "foreign_key_list"};
    if (!name) return false;
    for (const char* k : kReadOnly)
        if (sqlite3_stricmp(name, k) == 0) return true;
    return false;
}

struct Finalizer {
    sqlite3_stmt* stmt = nullptr;
    ~Finalizer() { sqlite3_finalize(stmt); }
};

class Engine {
  public:
    static Engine& instance() {
        static Engine engine;
        return engine;
    }

    std::vector<std::string> listTables(const std::string& path, const std::string& driver);
    std::shared_ptr<Result> run(const std::string& sql);
    std::shared_ptr<const SheetTable> sheet(const std::string& driver, const std::string& path,
                                            const std::string& sheet);
    void clear();
    CacheStats stats();

  private:
    Engine();
    ~Engine();

    [[noreturn]] void fail(int rc, const std::vector<SheetRef>& refs,
                           const std::vector<std::string>& names);

    static int authorize(void* self, int action, const char* a, const char* b, const char* db,
                         const char* trigger);

    std::mutex mutex_;
    sqlite3* db_ = nullptr;
    bool userStatement_ = false;  // the authorizer checks only while a user statement is prepared
    bool stepping_ = false;       // a user statement runs: "取消" may interrupt it
    int denied_ = 0;              // the action the authorizer refused last
    SheetCache cache_{nullptr};   // pointed at db_ once it is open
};

Engine::Engine() {
    // The engine's own mutex serialises every use of the handle, so SQLite's per-call locking is
    // not needed.
    if (sqlite3_open_v2(":memory:", &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK)
        throw Error(ErrorKind::Internal, "内部错误：无法建立查询引擎的内存数据库");
    // A double-quoted name that names no field must be an error, never a text constant: brackets
    // become double quotes, so "[不存在]" would otherwise read as the text 不存在.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    // NOCASE of this engine folds the full-width Latin letters too (SQLite's own folds ASCII).
    sqlite3_create_collation_v2(
        db_, "NOCASE", SQLITE_UTF8, nullptr,
        [](void*, int n1, const void* p1, int n2, const void* p2) {
            return compareNoCase(std::string_view(static_cast<const char*>(p1), size_t(n1)),
                                 std::string_view(static_cast<const char*>(p2), size_t(n2)));
        },
        nullptr);
    registerSheetModule(db_);
    registerKeyFoldCollations(db_);
    cache_ = SheetCache(db_);
    sqlite3_set_authorizer(db_, &Engine::authorize, this);
    // "取消" stops a running statement (a recursive "with" that never ends, a join that runs
    // long); the program's own statements are never interrupted.
    sqlite3_progress_handler(
        db_, 2048,
        [](void* self) -> int {
            return static_cast<Engine*>(self)->stepping_ && RunLimits::instance().cancelled();
        },
        this);
}

// The user's statements may only read: no other database attached (that would create or change a
// file), no setting changed by a pragma, no transaction or savepoint left open in the one
// long-lived connection. The program's own statements (registering sheets) are not checked.
int Engine::authorize(void* self, int action, const char* a, const char* b, const char*,
                      const char*) {
    auto* engine = static_cast<Engine*>(self);
    if (!engine->userStatement_) return SQLITE_OK;
    switch (action) {
        case SQLITE_ATTACH:
        case SQLITE_DETACH:
        case SQLITE_TRANSACTION:
        case SQLITE_SAVEPOINT:
            engine->denied_ = action;
            return SQLITE_DENY;
        case SQLITE_PRAGMA:
            // "pragma x" and "pragma x(arg)" of a read-only kind answer questions; anything that
            // sets a value is refused.
            (void)b;
            if (isReadOnlyPragma(a)) return SQLITE_OK;
            engine->denied_ = action;
            return SQLITE_DENY;
        default:
            return SQLITE_OK;
    }
}

Engine::~Engine() {
    cache_.release();
    sqlite3_close_v2(db_);
}

std::vector<std::string> Engine::listTables(const std::string& path, const std::string& driver) {
    std::lock_guard lock(mutex_);
    return cache_.listTables(path, parseDriver(driver));
}

void Engine::clear() {
    std::lock_guard lock(mutex_);
    cache_.clear();
}

CacheStats Engine::stats() {
    std::lock_guard lock(mutex_);
    return cache_.stats();
}

void Engine::fail(int rc, const std::vector<SheetRef>& refs,
                  const std::vector<std::string>& names) {
    const int action = denied_;
    denied_ = 0;
    throwSqlError(db_, rc, action, refs, names);
}

std::shared_ptr<Result> Engine::run(const std::string& sql) {
    std::lock_guard lock(mutex_);
    RunLimits::instance().begin();
    const std::vector<SheetRef> refs = findSheetReferences(sql);
    checkSingleStatement(sql, refs);

    // Resolve the workbooks and sheets; read what is not cached yet.
    std::vector<std::string> names(refs.size());
    std::vector<std::shared_ptr<const SheetTable>> tables(refs.size());
    // "top N" reads the whole sheet like any other query: the types and texts of a field must not
    // depend on how many rows the first query of a sheet asked for.
    std::map<std::string, std::set<std::string>> missing = cache_.missingTables(refs);
    // Workbooks to read: several are read and converted side by side, one thread each.
    const std::optional<PlainJoin> join = plainJoin(sql, refs);
    std::map<std::string, IndexRequests> indexRequests;  // path -> the probed sides of the join
    if (join) {
        auto position = [&](const std::string& q) {
            for (size_t k = 0; k < join->tables.size(); ++k)
                if (equalsNoCase(refs[join->tables[k]].alias, q)) return k;
            return join->tables.size();
        };
        for (const auto& e : join->equalities) {
            const size_t a = position(e.leftQualifier), b = position(e.rightQualifier);
            if (a == join->tables.size() || b == join->tables.size() || a == b) continue;
            const SheetRef& r = refs[join->tables[std::max(a, b)]];
            indexRequests[r.path].emplace_back(r.sheet, a > b ? e.leftField : e.rightField);
        }
    }
    cache_.readMissing(missing, indexRequests);
    for (size_t i = 0; i < refs.size(); ++i) {
        if (!names[i].empty()) continue;
        const CachedSheet& sheet = cache_.sheet(refs[i]);
        names[i] = sheet.sqlName;
        tables[i] = sheet.table;
    }

    RunLimits::instance().checkCancel();
    if (join) {
        Trace joinTrace{"join", std::to_string(join->tables.size()) + " tables"};
        if (auto r = runJoin(*join, refs, tables)) return r;
    }
    if (const auto plain = plainUnion(sql, refs)) {
        if (auto r = runPlain(*plain, refs, tables)) return r;
    }

    const std::string text = rewriteQuery(sql, refs, names);
    Finalizer f;
    const char* tail = nullptr;
    userStatement_ = true;
    denied_ = 0;
    int rc = sqlite3_prepare_v2(db_, text.c_str(), static_cast<int>(text.size()), &f.stmt, &tail);
    userStatement_ = false;
    if (rc != SQLITE_OK) fail(rc, refs, names);
    if (!f.stmt) throw Error(ErrorKind::Syntax, "SQL 语句是空的");
    if (!sqlite3_stmt_readonly(f.stmt))
        throw Error(ErrorKind::Unsupported, "只能执行查询（select）语句，工作簿不能被修改");

    Trace runTrace{"run", std::to_string(refs.size()) + " references"};
    // Room for as many rows as the sheets of the query hold together: a join or union rarely gives
    // more, and reserved pages that stay unused cost no memory.
    size_t expectedRows = 0;
    for (size_t i = 0; i < refs.size(); ++i) {
        const FileEntry& entry = cache_.entry(refs[i].path);
        for (const auto& [name, c] : entry.sheets)
            if (c.sqlName == names[i]) expectedRows += c.table->rows;
    }
    expectedRows = std::min<size_t>(expectedRows, size_t{1} << 22);
    struct Stepping {
        bool& flag;
        explicit Stepping(bool& f) : flag(f) { flag = true; }
        ~Stepping() { flag = false; }
    } stepping{stepping_};
    RunLimits::instance().checkCancel();
    return resultOfStatement(f.stmt, refs, names, expectedRows);
}

}  // namespace

std::string driverText(bool excel2007) {
    return excel2007 ? "Excel 12.0" : "Excel 8.0";
}

std::string sheetReference(const std::string& driver, const std::string& path,
                           const std::string& sheet) {
    return "[" + driver + ";database=" + path + "].[" + sheet + "]";
}

std::string connectionString(const std::string& path, const std::string& driver) {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path + ";Extended Properties=IMEX=1;" +
           driver + ";Persist Security Info=False";
}

std::string sqlFieldName(std::string_view name) {
    bool plain = !name.empty() && !std::isdigit(static_cast<unsigned char>(name[0]));
    for (char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (!(std::isalnum(c) || c == '_' || c >= 0x80)) {
            plain = false;
            break;
        }
    }
    // Full-width blanks and punctuation read as identifier characters to the engine, but a name
    // holding the ideographic space is not what a user would call plain: bracket it too.
    if (plain && name.find("\xE3\x80\x80") != std::string_view::npos) plain = false;
    if (plain && (sqlite3_keyword_check(name.data(), static_cast<int>(name.size())) ||
                  equalsNoCase(name, "top") || equalsNoCase(name, "percent")))
        plain = false;
    if (plain) return std::string(name);
    std::string out = "[";
    for (char ch : name) {
        out += ch;
        if (ch == ']') out += ']';
    }
    return out + "]";
}

std::vector<std::string> listTables(const std::string& path, const std::string& driver) {
    return Engine::instance().listTables(path, driver);
}

std::shared_ptr<Result> runQuery(const std::string& sql) {
    return Engine::instance().run(sql);
}

std::shared_ptr<const SheetTable> Engine::sheet(const std::string& driver, const std::string& path,
                                                const std::string& sheet) {
    std::lock_guard lock(mutex_);
    SheetRef ref;
    ref.driver = driver;
    ref.path = path;
    ref.sheet = sheet;
    std::map<std::string, IndexRequests> noIndexes;
    cache_.readMissing(cache_.missingTables({ref}), noIndexes);
    return cache_.sheet(ref).table;
}

std::shared_ptr<const SheetTable> cachedSheet(const std::string& driver, const std::string& path,
                                              const std::string& sheet) {
    return Engine::instance().sheet(driver, path, sheet);
}

void clearSheetCache() {
    Engine::instance().clear();
}

CacheStats sheetCacheStats() {
    return Engine::instance().stats();
}

}  // namespace shuhui::workbooks
