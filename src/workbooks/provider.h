// The workbook data provider: SQL over the sheets of workbook files.
//
//   Connection conn;  // one per program
//   conn.setConnectionString(connectionString(path, driverText(false)));
//   conn.open();      // throws shuhui::Error; conn.tableNames() after it
//   Query q(conn);
//   q.setSql("select top 1 * from " + sheetReference(driverText(false), path, "工资$"));
//   q.open();         // throws shuhui::Error
//   const Result& r = q.result();
//
// A query names its sheets itself with "[Excel 8.0;database=PATH].[SHEET$]", as many as it likes,
// from several workbooks. Each worksheet is a table (its name followed by "$"); the first row of
// its data range gives the field names. Every sheet is read once per file version (path, size,
// modification time) into a process-wide cache. The embedded SQL engine (SQLite) sees each cached
// sheet as a virtual table with hash indexes for equality lookups, so joins do not loop over rows;
// the two commonest texts, the join step's inner join and a union all of plain selects, are
// answered from the cached sheets directly under the same rules. Text compares without regard to
// ASCII letter case. Errors are shuhui::Error with a Chinese message.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "workbooks/result.h"

namespace shuhui::workbooks {

// "Excel 12.0" when the 2007-2010 driver is chosen, "Excel 8.0" otherwise.
std::string driverText(bool excel2007);
// "[" + driver + ";database=" + path + "].[" + sheet + "]"
std::string sheetReference(const std::string& driver, const std::string& path,
                           const std::string& sheet);
// The connection string of the workbook's connection.
std::string connectionString(const std::string& path, const std::string& driver);

// A field name as a query text may carry it: plain names (姓名, Name1) unchanged, anything the SQL
// engine would not take bare in brackets ("]" doubled).
std::string sqlFieldName(std::string_view name);

// The table names of a workbook under a driver, in workbook order: every worksheet (hidden ones
// too) as its name followed by "$". Throws when the workbook cannot be opened under that driver.
std::vector<std::string> listTables(const std::string& path, const std::string& driver);

class Connection {
  public:
    void close();
    // Puts back a text and its result as they were (a cancelled run leaves the query unchanged).
    void restore(std::string sql, std::shared_ptr<Result> result);
    void setConnectionString(const std::string& text);  // closes the connection
    const std::string& connectionString() const { return connectionString_; }
    // Opens the workbook of the connection string; on failure the connection stays closed, pointed
    // at that workbook, and the error is rethrown.
    void open();
    bool connected() const { return connected_; }
    const std::string& dataSource() const { return dataSource_; }
    const std::string& driver() const { return driver_; }
    std::vector<std::string> tableNames() const;  // empty when closed

  private:
    std::string connectionString_;
    std::string dataSource_;
    std::string driver_;
    std::vector<std::string> tables_;
    bool connected_ = false;
};

class Query {
  public:
    explicit Query(Connection& connection) : connection_(connection) {}
    void setSql(std::string sql);  // closes any open result
    const std::string& sql() const { return sql_; }
    // Runs the text; on failure the query stays closed and the error is thrown.
    void open();
    void close();
    // Puts back a text and its result as they were (a cancelled run leaves the query unchanged).
    void restore(std::string sql, std::shared_ptr<Result> result);
    bool active() const { return result_ != nullptr; }
    bool isEmpty() const { return !result_ || result_->rowCount() == 0; }
    size_t recordCount() const { return result_ ? result_->rowCount() : 0; }
    // The open result; throws NotOpen when the query is closed.
    const Result& result() const;
    std::shared_ptr<Result> sharedResult() const { return result_; }

  private:
    Connection& connection_;
    std::string sql_;
    std::shared_ptr<Result> result_;
};

// Stops the query that runs on another thread as soon as it can; it then fails with
// ErrorKind::Cancelled ("已取消"). The next query runs normally. Safe from any thread.
void cancelRunningQuery();

// The most cells (rows × fields) one result may hold; past it a query fails with TooLarge and a
// message giving the rows it would have had (at least). 0: a quarter of this machine's memory.
void setResultCellLimit(size_t cells);

// Runs one query text without a connection object (tools and tests).
std::shared_ptr<Result> runQuery(const std::string& sql);

struct SheetTable;
// The cached table of one sheet, read into the cache first when it is not there: for analyses that
// read a sheet's columns themselves. Fails as a query naming the sheet would.
std::shared_ptr<const SheetTable> cachedSheet(const std::string& driver, const std::string& path,
                                              const std::string& sheet);

// Drops every cached sheet (tests, and to give memory back).
void clearSheetCache();

// What the cache holds: sheets, full reads of workbook files so far (cache misses), bytes.
struct CacheStats {
    size_t sheets = 0;
    size_t fileReads = 0;
    size_t bytes = 0;
};
CacheStats sheetCacheStats();

}  // namespace shuhui::workbooks
