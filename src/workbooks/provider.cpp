// The workbook data provider (see provider.h): the sheet cache, the SQL engine and the results.
//
// One process-wide Engine holds the in-memory SQLite database with the "shuhui_sheet" module and
// the cache of files: per path the version seen (size, modification time), the format, the table
// list and the sheets converted so far, each published as one virtual table. A query is scanned
// for its sheet references; each is checked (file, driver, sheet) and read if not cached (several
// workbooks side by side). The join step's inner joins and unions of plain selects are answered
// from the cached tables directly; every other text is rewritten (references -> virtual tables,
// "top N" -> LIMIT) and run by SQLite. The rows are copied into a columnar Result.
#include "workbooks/provider.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <future>
#include <map>
#include <mutex>
#include <set>

#include "formats/error.h"
#include "formats/numfmt.h"
#include "formats/reader.h"
#include "workbooks/sheet_table.h"
#include "workbooks/sheet_vtab.h"
#include "workbooks/sql_rewrite.h"

namespace shuhui::workbooks {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// Pragmas that only describe what is there (fields of a table, compile options, lists): these may
// stay, in any form; every other pragma can change a setting and is refused.
bool isReadOnlyPragma(const char* name) {
    static const char* const kReadOnly[] = {
        "table_info",      "table_xinfo",   "table_list",      "index_list", "index_info",
        "index_xinfo",     "database_list", "collation_list",  "function_list",
        "module_list",     "pragma_list",   "compile_options", "foreign_key_list"};
    if (!name) return false;
    for (const char* k : kReadOnly)
        if (sqlite3_stricmp(name, k) == 0) return true;
    return false;
}

std::string quoted(const std::string& s) {
    return "“" + s + "”";
}

// SHUHUI_PROVIDER_TRACE=1 prints the time of each phase (read, convert, run) on stderr.
struct Trace {
    const char* what;
    std::string detail;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    static bool on() {
        static const bool enabled = std::getenv("SHUHUI_PROVIDER_TRACE") != nullptr;
        return enabled;
    }
    ~Trace() {
        if (!on()) return;
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        std::fprintf(stderr, "[provider] %s %s %.1f ms\n", what, detail.c_str(), ms);
    }
};

// Reads a workbook; an error that does not name the file gets its path in front. A sheet asked
// for that the workbook lacks is no error here: the caller finds it missing in the sheet list.
formats::Workbook readBook(const std::string& path, const formats::ReadOptions& options) {
    try {
        return formats::readWorkbook(path, options);
    } catch (const Error& e) {
        if (e.kind() == ErrorKind::SheetNotFound && options.sheet) {
            formats::ReadOptions list;
            list.cells = false;
            return readBook(path, list);
        }
        if (std::string(e.what()).find(path) != std::string::npos) throw;
        throw Error(e.kind(), "工作簿文件" + quoted(path) + "无法读取：" + e.what());
    }
}

enum class Driver { Excel8, Excel12 };

Driver parseDriver(const std::string& text) {
    const std::string_view t = trimmed(text);
    if (equalsNoCase(t, "Excel 8.0") || equalsNoCase(t, "Excel 5.0")) return Driver::Excel8;
    if (equalsNoCase(t, "Excel 12.0") || equalsNoCase(t, "Excel 12.0 Xml") ||
        equalsNoCase(t, "Excel 12.0 Macro"))
        return Driver::Excel12;
    throw Error(ErrorKind::Unsupported,
                "不认识的工作簿驱动" + quoted(std::string(t)) +
                    "：只能是“Excel 8.0”（Excel2003版）或“Excel 12.0”（Excel2007-2010版）");
}

// The most fields a table of the SQL engine may have.
constexpr size_t kMaxFields = 2000;

struct CachedSheet {
    std::shared_ptr<SheetTable> table;
    uint64_t id = 0;
    std::string sqlName;
};

// What one read of a workbook file gives: its table list and the converted sheets.
struct LoadedBook {
    std::vector<std::string> tables;
    std::vector<std::pair<std::string, std::shared_ptr<SheetTable>>> sheets;
};

// (sheet as a query names it, field): hash indexes to build while the sheet is converted.
using IndexRequests = std::vector<std::pair<std::string, std::string>>;

LoadedBook readAndConvert(const std::string& path, const std::set<std::string>& wanted,
                          const std::set<std::string>& cached, const IndexRequests& indexes);

struct FileEntry {
    int64_t size = -1;
    int64_t mtimeNs = -1;
    formats::FileFormat format = formats::FileFormat::Xls8;
    bool listed = false;
    std::vector<std::string> tables;            // "name$", workbook order
    std::map<std::string, CachedSheet> sheets;  // by table name
    std::set<std::string> tooWide;              // sheets with more fields than the engine takes
};

class Engine {
  public:
    static Engine& instance() {
        static Engine engine;
        return engine;
    }

    std::vector<std::string> listTables(const std::string& path, const std::string& driver);
    std::shared_ptr<Result> run(const std::string& sql);
    void clear();
    CacheStats stats();

  private:
    Engine();
    ~Engine();

    FileEntry& file(const std::string& path, Driver driver);
    void dropSheets(FileEntry& entry);
    void publish(FileEntry& entry, LoadedBook&& book);
    const std::string* findTable(const FileEntry& entry, const std::string& sheet) const;
    std::string createVtab(uint64_t id, const char* prefix);
    void exec(const std::string& sql);
    [[noreturn]] void fail(int rc, const std::string& rewritten, const std::vector<SheetRef>& refs,
                           const std::vector<std::string>& names);

    static int authorize(void* self, int action, const char* a, const char* b, const char* db,
                         const char* trigger);

    std::mutex mutex_;
    sqlite3* db_ = nullptr;
    bool userStatement_ = false;  // the authorizer checks only while a user statement is prepared
    int denied_ = 0;              // the action the authorizer refused last
    std::map<std::string, FileEntry> files_;
    size_t fileReads_ = 0;
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
    registerSheetModule(db_);
    sqlite3_set_authorizer(db_, &Engine::authorize, this);
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
    for (auto& [path, entry] : files_)
        for (auto& [name, s] : entry.sheets) unpublishSheet(s.id);
    sqlite3_close_v2(db_);
}

void Engine::exec(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : "";
        sqlite3_free(err);
        throw Error(ErrorKind::Internal, "内部错误：查询引擎无法登记工作表（" + msg + "）");
    }
}

std::string Engine::createVtab(uint64_t id, const char* prefix) {
    std::string name = std::string(prefix) + std::to_string(id);
    exec("CREATE VIRTUAL TABLE " + name + " USING shuhui_sheet(" + std::to_string(id) + ")");
    return name;
}

void Engine::dropSheets(FileEntry& entry) {
    for (auto& [name, s] : entry.sheets) {
        exec("DROP TABLE IF EXISTS " + s.sqlName);
        unpublishSheet(s.id);
    }
    entry.sheets.clear();
}

// The entry of a workbook file, checked against the file as it is now and against the driver.
FileEntry& Engine::file(const std::string& path, Driver driver) {
    struct stat st {};
    if (path.empty()) throw Error(ErrorKind::NotFound, "没有指定工作簿文件的路径");
    if (::stat(path.c_str(), &st) != 0) {
        const int e = errno;
        if (e == ENOENT || e == ENOTDIR)
            throw Error(ErrorKind::NotFound,
                        "找不到工作簿文件" + quoted(path) + "：文件不存在或已被移走");
        throw Error(ErrorKind::Unreadable,
                    "无法打开工作簿文件" + quoted(path) + "：" + std::strerror(e));
    }
    if (S_ISDIR(st.st_mode))
        throw Error(ErrorKind::IsDirectory, quoted(path) + "是一个文件夹，不是工作簿文件");
    if (!S_ISREG(st.st_mode))
        throw Error(ErrorKind::Unreadable, "工作簿文件" + quoted(path) +
                                               "不是普通文件（设备、管道或套接字），不能作为工作簿读取");
    const int64_t mtime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    auto it = files_.find(path);
    if (it != files_.end() && (it->second.size != st.st_size || it->second.mtimeNs != mtime)) {
        dropSheets(it->second);
        files_.erase(it);
        it = files_.end();
    }
    if (it == files_.end()) {
        FileEntry entry;
        entry.size = st.st_size;
        entry.mtimeNs = mtime;
        if (st.st_size == 0)
            throw Error(ErrorKind::Empty,
                        "工作簿文件" + quoted(path) + "是空文件（0 字节），不是工作簿");
        try {
            entry.format = formats::detectFormat(path);
        } catch (const Error& e) {
            if (std::string(e.what()).find(path) != std::string::npos) throw;
            throw Error(e.kind(), "工作簿文件" + quoted(path) + "无法读取：" + e.what());
        }
        it = files_.emplace(path, std::move(entry)).first;
    }
    if (driver == Driver::Excel8 && it->second.format == formats::FileFormat::Xlsx)
        throw Error(ErrorKind::WrongDriver,
                    "工作簿" + quoted(path) +
                        "是 Excel 2007 及以后版本的文件（.xlsx/.xlsm），“Excel "
                        "8.0”驱动打不开它：请选择“Excel2007-2010版”后重新打开");
    return it->second;
}

const std::string* Engine::findTable(const FileEntry& entry, const std::string& sheet) const {
    for (const auto& t : entry.tables)
        if (t == sheet) return &t;
    for (const auto& t : entry.tables)
        if (equalsNoCase(t, sheet)) return &t;
    // A worksheet named without its "$".
    for (const auto& t : entry.tables)
        if (t.size() == sheet.size() + 1 &&
            equalsNoCase(std::string_view(t).substr(0, sheet.size()), sheet))
            return &t;
    return nullptr;
}

// Reads the wanted tables of a workbook (all of its worksheets when more than one is wanted, since
// the file is parsed anyway) and publishes them.
LoadedBook readAndConvert(const std::string& path, const std::set<std::string>& wanted,
                          const std::set<std::string>& cached, const IndexRequests& indexes) {
    formats::ReadOptions options;
    options.styles = false;
    if (wanted.size() == 1) options.sheet = wanted.begin()->substr(0, wanted.begin()->size() - 1);
    formats::Workbook wb;
    {
        Trace t{"read", path};
        wb = readBook(path, options);
    }
    Trace convert{"convert", path};
    LoadedBook book;
    for (const auto& sh : wb.sheets)
        if (sh.kind == formats::SheetKind::Worksheet) book.tables.push_back(sh.name + "$");
    const auto strings = std::make_shared<const std::vector<std::string>>(std::move(wb.strings));
    for (const auto& sh : wb.sheets) {
        if (sh.kind != formats::SheetKind::Worksheet || !sh.loaded) continue;
        std::string name = sh.name + "$";
        if (cached.count(name)) continue;
        auto table = sheetToTable(wb, sh, strings);
        // The index a join will probe is built here, beside the reading of the other workbooks.
        for (const auto& [sheet, field] : indexes) {
            if (!equalsNoCase(sheet, name) && !equalsNoCase(sheet + "$", name)) continue;
            for (size_t f = 0; f < table->width(); ++f)
                if (equalsNoCase(table->fields[f].name, field)) {
                    table->index(f);
                    break;
                }
        }
        book.sheets.emplace_back(std::move(name), std::move(table));
    }
    return book;
}

void Engine::publish(FileEntry& entry, LoadedBook&& book) {
    ++fileReads_;
    entry.tables = std::move(book.tables);
    entry.listed = true;
    for (auto& [name, table] : book.sheets) {
        if (entry.sheets.count(name)) continue;
        if (table->fields.size() > kMaxFields) {
            // Listed, but not queryable: the error comes when a query names it.
            entry.tooWide.insert(name);
            continue;
        }
        CachedSheet c;
        c.table = std::move(table);
        c.id = publishSheet(c.table);
        c.sqlName = createVtab(c.id, "xl_sheet_");
        entry.sheets.emplace(name, std::move(c));
    }
}

std::vector<std::string> Engine::listTables(const std::string& path, const std::string& driver) {
    std::lock_guard lock(mutex_);
    FileEntry& entry = file(path, parseDriver(driver));
    if (!entry.listed) {
        formats::ReadOptions listOnly;
        listOnly.cells = false;
        formats::Workbook wb = readBook(path, listOnly);
        entry.tables.clear();
        for (const auto& s : wb.sheets)
            if (s.kind == formats::SheetKind::Worksheet) entry.tables.push_back(s.name + "$");
        entry.listed = true;
    }
    return entry.tables;
}

void Engine::clear() {
    std::lock_guard lock(mutex_);
    for (auto& [path, entry] : files_) dropSheets(entry);
    files_.clear();
}

CacheStats Engine::stats() {
    std::lock_guard lock(mutex_);
    CacheStats s;
    s.fileReads = fileReads_;
    for (auto& [path, entry] : files_)
        for (auto& [name, c] : entry.sheets) {
            ++s.sheets;
            s.bytes += c.table->memoryBytes();
        }
    return s;
}

// ---- errors of the SQL engine, in the user's terms ----

std::string replaceAll(std::string s, const std::string& from, const std::string& to) {
    if (from.empty()) return s;
    for (size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size()))
        s.replace(p, from.size(), to);
    return s;
}

void Engine::fail(int rc, const std::string& rewritten, const std::vector<SheetRef>& refs,
                  const std::vector<std::string>& names) {
    (void)rewritten;
    std::string msg = sqlite3_errmsg(db_);
    // Our table names mean nothing to the user: show the sheet as the query wrote it.
    for (size_t i = names.size(); i-- > 0;)
        msg = replaceAll(msg, names[i], "[" + refs[i].sheet + "]");
    auto after = [&](std::string_view prefix, std::string& rest) {
        if (msg.compare(0, prefix.size(), prefix) != 0) return false;
        rest = msg.substr(prefix.size());
        return true;
    };
    std::string x;
    if (rc == SQLITE_AUTH || denied_ != 0) {
        const int action = denied_;
        denied_ = 0;
        if (action == SQLITE_ATTACH || action == SQLITE_DETACH)
            throw Error(ErrorKind::Unsupported,
                        "不能附加或分离数据库：查询只能读取 SQL 语句中写明的工作簿，不能创建或修改文件");
        if (action == SQLITE_PRAGMA)
            throw Error(ErrorKind::Unsupported, "不能用 pragma 修改查询引擎的设置：只能执行查询（select）语句");
        throw Error(ErrorKind::Unsupported,
                    "不能开启事务或保存点（begin、commit、savepoint 等）：只能执行查询（select）语句");
    }
    if (after("no such column: ", x))
        throw Error(ErrorKind::FieldNotFound, "查询中的字段" + quoted(x) +
                                                  "不存在：请检查字段名是否与工作表第一行的表头一致"
                                                  "（含空格等符号的字段名要写在方括号中）");
    if (after("ambiguous column name: ", x))
        throw Error(
            ErrorKind::Syntax,
            "字段" + quoted(x) + "在多个表中都有，请在它前面写上表的代号（如 T0." + x + "）");
    if (after("no such table: ", x))
        throw Error(ErrorKind::SheetNotFound,
                    "查询中的表" + quoted(x) +
                        "不存在：工作表要写成 [Excel 8.0;database=工作簿路径].[表名$]");
    if (msg.find("syntax error") != std::string::npos) {
        const size_t a = msg.find("near \"");
        if (a != std::string::npos) {
            const size_t b = msg.rfind("\": syntax error");
            if (b != std::string::npos && b > a + 6)
                throw Error(ErrorKind::Syntax, "SQL 语句有语法错误，在" +
                                                   quoted(msg.substr(a + 6, b - a - 6)) + "附近");
        }
        throw Error(ErrorKind::Syntax, "SQL 语句有语法错误（" + msg + "）");
    }
    if (msg.find("incomplete input") != std::string::npos)
        throw Error(ErrorKind::Syntax, "SQL 语句不完整：在语句末尾处中断了");
    if (msg.find("do not have the same number of result columns") != std::string::npos)
        throw Error(ErrorKind::Syntax, "用 union all 连接的各个查询的字段数目不同");
    if (rc == SQLITE_NOMEM) throw Error(ErrorKind::TooLarge, "内存不足，查询结果太大");
    throw Error(ErrorKind::Syntax, "SQL 语句无法执行：" + msg);
}

// ---- results ----

FieldType typeOfDecl(const char* decl, bool& known) {
    known = decl != nullptr;
    if (!decl) return FieldType::String;
    const std::string_view d(decl);
    if (equalsNoCase(d, "FLOAT")) return FieldType::Float;
    if (equalsNoCase(d, "CURRENCY")) return FieldType::Currency;
    if (equalsNoCase(d, "DATETIME")) return FieldType::DateTime;
    if (equalsNoCase(d, "BOOLEAN")) return FieldType::Boolean;
    return FieldType::String;
}

bool blankOnly(std::string_view t) {
    for (char c : t)
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
    return true;
}

std::string valueAsText(const Column& c, size_t row) {
    switch (c.kind(row)) {
        case ValueKind::Null:
            return {};
        case ValueKind::Number:
            return formats::formatGeneral(c.number(row));
        case ValueKind::Date:
            return dateDisplayText(c.number(row));
        case ValueKind::Bool:
            return c.number(row) != 0 ? "TRUE" : "FALSE";
        case ValueKind::Text:
            return std::string(c.text(row));
    }
    return {};
}

void demoteToText(Column& c) {
    Column text(c.name(), FieldType::String);
    text.reserve(c.size());
    for (size_t r = 0; r < c.size(); ++r) {
        if (c.isNull(r))
            text.appendNull();
        else if (c.kind(r) == ValueKind::Text)
            text.appendText(c.text(r));
        else
            text.appendText(valueAsText(c, r));
    }
    c = std::move(text);
}

// A number into a result column: as a date, a boolean, a number, or as the text General shows.
void appendNumberAs(Column& col, double v) {
    switch (col.type()) {
        case FieldType::DateTime:
            col.appendDate(v);
            break;
        case FieldType::Boolean:
            col.appendBool(v != 0);
            break;
        case FieldType::String:
            col.appendText(formats::formatGeneral(v));
            break;
        default:
            col.appendNumber(v);
            break;
    }
}

// A text into a result column. Under a column of another type a blank-only text (the ' ' filler of
// a union) is an empty cell and any other text turns the column into text; no value is dropped.
void appendTextAs(Column& col, std::string_view s) {
    if (col.type() != FieldType::String) {
        if (blankOnly(s)) {
            col.appendNull();
            return;
        }
        demoteToText(col);
    }
    col.appendText(s);
}

struct Finalizer {
    sqlite3_stmt* stmt = nullptr;
    ~Finalizer() { sqlite3_finalize(stmt); }
};

// Result field names made unique: a name that occurs twice (T0.*,T1.* both hold 姓名) is told
// apart by its table's alias (T0.姓名, T1.姓名); what is still repeated gets a numeric suffix.
std::vector<std::string> uniqueFieldNames(std::vector<std::string> names,
                                          const std::vector<std::string>& aliases) {
    const size_t n = names.size();
    auto dup = [&](const std::string& nm, size_t self) {
        for (size_t k = 0; k < n; ++k)
            if (k != self && equalsNoCase(names[k], nm)) return true;
        return false;
    };
    std::vector<bool> repeated(n);
    for (size_t i = 0; i < n; ++i) repeated[i] = dup(names[i], i);
    for (size_t i = 0; i < n; ++i) {
        if (!repeated[i] || aliases[i].empty()) continue;
        const std::string candidate = aliases[i] + "." + names[i];
        if (!dup(candidate, i)) names[i] = candidate;
    }
    for (size_t i = 0; i < n; ++i) {
        for (size_t k = 0; k < i; ++k) {
            if (!equalsNoCase(names[k], names[i])) continue;
            for (int s = 1;; ++s) {
                std::string candidate = names[i] + std::to_string(s);
                bool clash = false;
                for (size_t j = 0; j < n && !clash; ++j)
                    clash = j != i && equalsNoCase(names[j], candidate);
                if (!clash) {
                    names[i] = candidate;
                    break;
                }
            }
            break;
        }
    }
    return names;
}

size_t findField(const SheetTable& t, const std::string& name) {
    for (size_t f = 0; f < t.width(); ++f)
        if (equalsNoCase(t.fields[f].name, name)) return f;
    return t.width();
}

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
        links[b] = {a, ca, cb, ta, true};
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
    for (size_t k = 1; k < n; ++k) index[k] = &t[k]->index(links[k].col);

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
    auto emit = [&] { matches.insert(matches.end(), cur.begin(), cur.end()); };
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
        if (l.text) {
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
    headKnown = l1.from == 0;
    for (uint32_t base = 0; base < first.rows; base += kBlock) {
        const uint32_t end = std::min<uint32_t>(base + kBlock, static_cast<uint32_t>(first.rows));
        if (l1.from == 0) {
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
    fill();
    return result;
}

// Plain selects of whole sheets stacked with "union all" are copied from the cached tables
// straight into the result, under the same naming and typing rules as the engine's path. Anything
// this path does not resolve (an unknown field, a wrong alias, branches of different widths, a
// repeated name) goes to the engine, which gives the answer or the error.
std::shared_ptr<Result> runPlain(const std::vector<PlainSelect>& branches,
                                 const std::vector<SheetRef>& refs,
                                 const std::vector<std::shared_ptr<const SheetTable>>& tables) {
    std::vector<std::vector<size_t>> columns(branches.size());
    size_t width = 0, total = 0;
    for (size_t b = 0; b < branches.size(); ++b) {
        const PlainSelect& br = branches[b];
        const SheetTable& t = *tables[br.ref];
        const std::string& alias = refs[br.ref].alias;
        if (br.fields.empty()) {
            for (size_t k = 0; k < t.width(); ++k) columns[b].push_back(k);
        } else {
            for (size_t k = 0; k < br.fields.size(); ++k) {
                if (!br.qualifiers[k].empty() && !equalsNoCase(br.qualifiers[k], alias))
                    return nullptr;
                size_t found = t.width();
                for (size_t f = 0; f < t.width(); ++f)
                    if (equalsNoCase(t.fields[f].name, br.fields[k])) {
                        found = f;
                        break;
                    }
                if (found == t.width()) return nullptr;
                columns[b].push_back(found);
            }
        }
        if (b == 0) width = columns[0].size();
        if (columns[b].size() != width) return nullptr;
        total += br.top ? std::min(*br.top, t.rows) : t.rows;
    }
    const SheetTable& first = *tables[branches[0].ref];
    for (size_t a = 0; a < width; ++a)
        for (size_t c = a + 1; c < width; ++c)
            if (equalsNoCase(first.fields[columns[0][a]].name, first.fields[columns[0][c]].name))
                return nullptr;

    auto result = std::make_shared<Result>();
    for (size_t k = 0; k < width; ++k) {
        const SheetField& f = first.fields[columns[0][k]];
        result->addField(f.name, f.type).reserve(total);
    }
    for (size_t b = 0; b < branches.size(); ++b) {
        const SheetTable& t = *tables[branches[b].ref];
        const size_t rows = branches[b].top ? std::min(*branches[b].top, t.rows) : t.rows;
        for (size_t k = 0; k < width; ++k) {
            Column& col = result->field(k);
            const size_t src = columns[b][k];
            for (size_t r = 0; r < rows; ++r) {
                switch (t.kind(r, src)) {
                    case ValueKind::Null:
                        col.appendNull();
                        break;
                    case ValueKind::Text:
                        appendTextAs(col, t.text(r, src));
                        break;
                    default:
                        appendNumberAs(col, t.number(r, src));
                        break;
                }
            }
        }
    }
    result->setRowCount(total);
    return result;
}

std::shared_ptr<Result> Engine::run(const std::string& sql) {
    std::lock_guard lock(mutex_);
    const std::vector<SheetRef> refs = findSheetReferences(sql);
    checkSingleStatement(sql, refs);

    // Resolve the workbooks and sheets; read what is not cached yet.
    std::vector<std::string> names(refs.size());
    std::vector<std::shared_ptr<const SheetTable>> tables(refs.size());
    std::vector<std::pair<uint64_t, std::string>> temporary;  // first-rows tables of this query
    struct DropTemporary {
        Engine& e;
        std::vector<std::pair<uint64_t, std::string>>& t;
        ~DropTemporary() {
            for (auto& [id, name] : t) {
                sqlite3_exec(e.db_, ("DROP TABLE IF EXISTS " + name).c_str(), nullptr, nullptr,
                             nullptr);
                unpublishSheet(id);
            }
        }
    } dropTemporary{*this, temporary};

    std::map<std::string, std::set<std::string>> missing;  // path -> tables to read
    for (const SheetRef& r : refs) {
        FileEntry& entry = file(r.path, parseDriver(r.driver));
        if (entry.listed) {
            const std::string* t = findTable(entry, r.sheet);
            if (t && entry.sheets.count(*t)) continue;
            if (t) {
                missing[r.path].insert(*t);
                continue;
            }
        }
        missing[r.path].insert(r.sheet.size() && r.sheet.back() == '$' ? r.sheet : r.sheet + "$");
    }

    const std::optional<size_t> topN = simpleTopN(sql, refs);
    if (topN && missing.size() == 1) {
        // "select top N ..." of one sheet not cached yet: read just the first rows, keep them
        // for this query only, so that the cache never holds a cut sheet.
        const SheetRef& r = refs[0];
        FileEntry& entry = files_.at(r.path);
        const std::string wanted = *missing.begin()->second.begin();
        formats::ReadOptions options;
        options.styles = false;
        options.sheet = wanted.substr(0, wanted.size() - 1);
        options.maxRows = static_cast<uint32_t>(std::min<size_t>(*topN + 1, 0xFFFFFFF0u));
        formats::Workbook wb = readBook(r.path, options);
        entry.tables.clear();
        for (const auto& s : wb.sheets)
            if (s.kind == formats::SheetKind::Worksheet) entry.tables.push_back(s.name + "$");
        entry.listed = true;
        const std::string* t = findTable(entry, r.sheet);
        const formats::Sheet* sheet =
            t ? wb.findSheet(std::string_view(*t).substr(0, t->size() - 1)) : nullptr;
        if (sheet && sheet->loaded) {
            auto table = sheetToTable(
                wb, *sheet,
                std::make_shared<const std::vector<std::string>>(std::move(wb.strings)));
            if (table->complete && sheet->complete) {
                // The whole sheet fitted: cache it like any other.
                CachedSheet c;
                c.table = table;
                c.id = publishSheet(table);
                c.sqlName = createVtab(c.id, "xl_sheet_");
                entry.sheets.emplace(*t, std::move(c));
                missing.clear();
            } else if (table->rows >= *topN) {
                const uint64_t id = publishSheet(table);
                temporary.emplace_back(id, createVtab(id, "xl_first_"));
                names[0] = temporary.back().second;
                tables[0] = table;
                missing.clear();
            }
        }
    }
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
    struct Job {
        std::string path;
        std::set<std::string> wanted, cached;
        IndexRequests indexes;
        std::future<LoadedBook> pending;
    };
    std::vector<Job> jobs;
    for (auto& [path, tables] : missing) {
        FileEntry& entry = files_.at(path);
        std::set<std::string> toRead;
        if (entry.listed) {
            for (const auto& t : tables) {
                const std::string* found = findTable(entry, t);
                if (found && !entry.sheets.count(*found)) toRead.insert(*found);
            }
        } else {
            toRead = tables;
        }
        if (toRead.empty() && entry.listed) continue;
        Job job{path, std::move(toRead), {}, indexRequests[path], {}};
        for (const auto& [name, c] : entry.sheets) job.cached.insert(name);
        jobs.push_back(std::move(job));
    }
    for (size_t k = 1; k < jobs.size(); ++k)
        jobs[k].pending = std::async(std::launch::async, readAndConvert, std::cref(jobs[k].path),
                                     std::cref(jobs[k].wanted), std::cref(jobs[k].cached),
                                     std::cref(jobs[k].indexes));
    std::vector<LoadedBook> books;
    std::exception_ptr firstError;
    for (size_t k = 0; k < jobs.size(); ++k) {
        try {
            books.push_back(k == 0 ? readAndConvert(jobs[0].path, jobs[0].wanted, jobs[0].cached,
                                                    jobs[0].indexes)
                                   : jobs[k].pending.get());
        } catch (...) {
            if (!firstError) firstError = std::current_exception();
            books.emplace_back();
        }
    }
    if (firstError) std::rethrow_exception(firstError);
    for (size_t k = 0; k < jobs.size(); ++k) publish(files_.at(jobs[k].path), std::move(books[k]));
    for (size_t i = 0; i < refs.size(); ++i) {
        if (!names[i].empty()) continue;
        FileEntry& entry = files_.at(refs[i].path);
        const std::string* t = findTable(entry, refs[i].sheet);
        auto it = t ? entry.sheets.find(*t) : entry.sheets.end();
        if (it == entry.sheets.end() && t && entry.tooWide.count(*t))
            throw Error(ErrorKind::TooLarge, "工作簿" + quoted(refs[i].path) + "的工作表" +
                                                 quoted(*t) + "的列数超过了查询能处理的 " +
                                                 std::to_string(kMaxFields) + " 列");
        if (it == entry.sheets.end()) {
            std::string list;
            for (const auto& n : entry.tables) {
                if (!list.empty()) list += "、";
                list += n;
            }
            throw Error(ErrorKind::SheetNotFound,
                        "工作簿" + quoted(refs[i].path) + "中没有工作表" + quoted(refs[i].sheet) +
                            (list.empty() ? "：这个工作簿没有工作表" : "：它的表有 " + list));
        }
        names[i] = it->second.sqlName;
        tables[i] = it->second.table;
    }

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
    if (rc != SQLITE_OK) fail(rc, text, refs, names);
    if (!f.stmt) throw Error(ErrorKind::Syntax, "SQL 语句是空的");
    if (!sqlite3_stmt_readonly(f.stmt))
        throw Error(ErrorKind::Unsupported, "只能执行查询（select）语句，工作簿不能被修改");

    Trace runTrace{"run", std::to_string(refs.size()) + " references"};
    // Room for as many rows as the sheets of the query hold together: a join or union rarely gives
    // more, and reserved pages that stay unused cost no memory.
    size_t expectedRows = 0;
    for (size_t i = 0; i < refs.size(); ++i) {
        const FileEntry& entry = files_.at(refs[i].path);
        for (const auto& [name, c] : entry.sheets)
            if (c.sqlName == names[i]) expectedRows += c.table->rows;
    }
    expectedRows = std::min<size_t>(expectedRows, size_t{1} << 22);
    auto result = std::make_shared<Result>();
    const int n = sqlite3_column_count(f.stmt);
    std::vector<bool> known(static_cast<size_t>(n));
    std::map<std::string, std::string> aliasOf;  // our table name -> the alias the query gave it
    for (size_t i = 0; i < refs.size(); ++i)
        if (!refs[i].alias.empty()) aliasOf.emplace(names[i], refs[i].alias);
    std::vector<std::string> fieldNames;
    for (int i = 0; i < n; ++i) {
        std::string name = sqlite3_column_name(f.stmt, i) ? sqlite3_column_name(f.stmt, i) : "";
        const char* origin = sqlite3_column_origin_name(f.stmt, i);
        if (!origin &&
            (name.empty() || name.front() == '\'' || name.find('(') != std::string::npos))
            name = "Expr" + std::to_string(1000 + i);
        fieldNames.push_back(std::move(name));
    }
    std::vector<std::string> aliases(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const char* table = sqlite3_column_table_name(f.stmt, i);
        auto a = table ? aliasOf.find(table) : aliasOf.end();
        if (a != aliasOf.end()) aliases[static_cast<size_t>(i)] = a->second;
    }
    fieldNames = uniqueFieldNames(std::move(fieldNames), aliases);
    for (int i = 0; i < n; ++i) {
        const std::string& nm = fieldNames[static_cast<size_t>(i)];
        bool isKnown;
        const FieldType t = typeOfDecl(sqlite3_column_decltype(f.stmt, i), isKnown);
        known[static_cast<size_t>(i)] = isKnown;
        result->addField(nm, t).reserve(expectedRows);
    }

    for (;;) {
        rc = sqlite3_step(f.stmt);
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) fail(rc, text, refs, names);
        for (int i = 0; i < n; ++i) {
            Column& col = result->field(static_cast<size_t>(i));
            const int vt = sqlite3_column_type(f.stmt, i);
            if (vt == SQLITE_NULL) {
                col.appendNull();
                continue;
            }
            if (!known[static_cast<size_t>(i)]) {
                // An expression: the first value decides, later ones may still demote to text.
                col.setType(vt == SQLITE_TEXT || vt == SQLITE_BLOB ? FieldType::String
                                                                   : FieldType::Float);
                known[static_cast<size_t>(i)] = true;
            }
            if (vt == SQLITE_INTEGER || vt == SQLITE_FLOAT) {
                appendNumberAs(col, sqlite3_column_double(f.stmt, i));
                continue;
            }
            // The blob form of a text needs no terminating NUL, so SQLite hands over its buffer
            // without copying it.
            const auto* p = static_cast<const char*>(sqlite3_column_blob(f.stmt, i));
            appendTextAs(
                col,
                std::string_view(p ? p : "", static_cast<size_t>(sqlite3_column_bytes(f.stmt, i))));
        }
        result->commitRow();
    }
    return result;
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

// ---- Connection ----

void Connection::close() {
    connected_ = false;
}

void Connection::setConnectionString(const std::string& text) {
    close();
    connectionString_ = text;
    tables_.clear();
    // Data Source=PATH;Extended Properties=IMEX=1;DRIVER;Persist Security Info=False
    dataSource_.clear();
    driver_ = "Excel 8.0";
    const std::string key = "Data Source=";
    size_t a = std::string::npos;
    for (size_t i = 0; i + key.size() <= text.size(); ++i)
        if (equalsNoCase(std::string_view(text).substr(i, key.size()), key)) {
            a = i + key.size();
            break;
        }
    if (a == std::string::npos) return;
    size_t b = text.find(";Extended Properties=", a);
    if (b == std::string::npos) b = text.find(';', a);
    dataSource_ = text.substr(a, b == std::string::npos ? std::string::npos : b - a);
    if (b == std::string::npos) return;
    // The driver is the item of the extended properties that names Excel.
    size_t p = b + 1;
    while (p < text.size()) {
        size_t q = text.find(';', p);
        std::string_view item = trimmed(
            std::string_view(text).substr(p, q == std::string::npos ? std::string::npos : q - p));
        if (item.size() >= 5 && equalsNoCase(item.substr(0, 5), "Excel")) {
            driver_ = std::string(item);
            break;
        }
        if (q == std::string::npos) break;
        p = q + 1;
    }
}

void Connection::open() {
    connected_ = false;
    tables_.clear();
    if (dataSource_.empty())
        throw Error(ErrorKind::NotOpen,
                    "连接字符串中没有指定工作簿文件（Data Source），无法打开连接");
    tables_ = workbooks::listTables(dataSource_, driver_);
    connected_ = true;
}

std::vector<std::string> Connection::tableNames() const {
    return connected_ ? tables_ : std::vector<std::string>{};
}

// ---- Query ----

void Query::setSql(std::string sql) {
    close();
    sql_ = std::move(sql);
}

void Query::close() {
    result_.reset();
}

void Query::open() {
    close();
    if (!connection_.connected()) {
        const std::string& src = connection_.dataSource();
        throw Error(ErrorKind::NotOpen, src.empty()
                                            ? std::string("工作簿连接没有打开：请先打开一个工作簿")
                                            : "工作簿连接没有打开（最后一次打开的是" + quoted(src) +
                                                  "，没有成功）：请先成功打开一个工作簿");
    }
    if (trimmed(sql_).empty()) throw Error(ErrorKind::Syntax, "SQL 语句是空的");
    result_ = runQuery(sql_);
}

const Result& Query::result() const {
    if (!result_) throw Error(ErrorKind::NotOpen, "查询没有打开，没有结果可读");
    return *result_;
}

std::shared_ptr<Result> runQuery(const std::string& sql) {
    return Engine::instance().run(sql);
}

void clearSheetCache() {
    Engine::instance().clear();
}

CacheStats sheetCacheStats() {
    return Engine::instance().stats();
}

}  // namespace shuhui::workbooks
