// The sheet cache of the provider: per workbook file the version seen (size, modification time),
// its format and table list, and the sheets converted so far, each published to the SQL engine as
// one virtual table. A file that changed on disk is dropped and read again; a sheet is read only
// when a query names it (several workbooks side by side), always whole, also for "select top N".
//
// Not thread-safe: the provider's engine serialises every call.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "formats/workbook.h"
#include "workbooks/provider.h"
#include "workbooks/sheet_table.h"
#include "workbooks/sql_rewrite.h"

namespace shuhui::workbooks {

enum class Driver { Excel8, Excel12 };

// "Excel 8.0" / "Excel 5.0" or "Excel 12.0" (also "Xml", "Macro"); anything else is an error.
Driver parseDriver(const std::string& text);

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

struct FileEntry {
    int64_t size = -1;
    int64_t mtimeNs = -1;
    formats::FileFormat format = formats::FileFormat::Xls8;
    bool listed = false;
    std::vector<std::string> tables;            // "name$", workbook order
    std::map<std::string, CachedSheet> sheets;  // by table name
    std::set<std::string> tooWide;              // sheets with more fields than the engine takes
};

class SheetCache {
  public:
    // Publishes its sheets as virtual tables of `db`, which must outlive the cache's sheets.
    explicit SheetCache(sqlite3* db) : db_(db) {}

    // The entry of a workbook file, checked against the file as it is now and against the driver.
    FileEntry& file(const std::string& path, Driver driver);
    // The entry of a file checked by file() in this query.
    FileEntry& entry(const std::string& path) { return files_.at(path); }
    // The table of the workbook a query names as `sheet`: exact, then case-blind, then a worksheet
    // named without its "$"; nullptr when there is none.
    const std::string* findTable(const FileEntry& entry, const std::string& sheet) const;

    // Per workbook path, the tables the references name that are not cached yet.
    std::map<std::string, std::set<std::string>> missingTables(const std::vector<SheetRef>& refs);
    // Reads and publishes them, several workbooks side by side (one thread each); the hash indexes
    // a join will probe are built while the sheets are converted. The first error is thrown once
    // every read has ended.
    void readMissing(const std::map<std::string, std::set<std::string>>& missing,
                     std::map<std::string, IndexRequests>& indexRequests);
    // The cached sheet a reference names; throws when the workbook has no such sheet or it is too
    // wide for the engine.
    const CachedSheet& sheet(const SheetRef& ref);

    // CREATE VIRTUAL TABLE <prefix><id> over a published sheet; returns the table's name.
    std::string createVtab(uint64_t id, const char* prefix);

    std::vector<std::string> listTables(const std::string& path, Driver driver);
    void clear();
    CacheStats stats() const;
    // Withdraws every sheet from the sheet registry before the database is closed.
    void release();

  private:
    void exec(const std::string& sql);
    void dropSheets(FileEntry& entry);
    void publish(FileEntry& entry, LoadedBook&& book);

    sqlite3* db_;
    std::map<std::string, FileEntry> files_;
    size_t fileReads_ = 0;
};

}  // namespace shuhui::workbooks
