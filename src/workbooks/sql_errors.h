// The errors of the SQL engine in the user's terms: which field, table or place of the text is
// wrong, with the sheets named as the query wrote them rather than by the engine's table names.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "workbooks/sql_rewrite.h"

namespace shuhui::workbooks {

// Throws the engine's last error on `db` (result code rc) as a shuhui::Error. deniedAction is the
// action the authorizer refused while the statement was prepared (0 for none); `names` are the
// engine's table names standing for `refs`.
[[noreturn]] void throwSqlError(sqlite3* db, int rc, int deniedAction,
                                const std::vector<SheetRef>& refs,
                                const std::vector<std::string>& names);

}  // namespace shuhui::workbooks
