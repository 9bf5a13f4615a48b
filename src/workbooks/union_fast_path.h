// The union fast path: plain selects of whole sheets stacked with "union all" (plainUnion of
// sql_rewrite.h) copied from the cached sheet tables into the result, without the SQL engine. This
// is the engine the vertical merge runs.
#pragma once

#include <memory>
#include <vector>

#include "workbooks/result.h"
#include "workbooks/sheet_table.h"
#include "workbooks/sql_rewrite.h"

namespace shuhui::workbooks {

// The union's result, or null when this path does not resolve it (the engine then runs the query
// and gives the answer or the error). tables[i] is the table of refs[i].
std::shared_ptr<Result> runPlain(const std::vector<PlainSelect>& branches,
                                 const std::vector<SheetRef>& refs,
                                 const std::vector<std::shared_ptr<const SheetTable>>& tables);

}  // namespace shuhui::workbooks
