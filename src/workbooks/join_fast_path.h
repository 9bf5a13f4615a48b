// The join fast path: the inner join of the join step (plainJoin of sql_rewrite.h) answered from
// the cached sheet tables through their hash indexes, without the SQL engine. This is the engine
// the horizontal merge runs.
#pragma once

#include <memory>
#include <vector>

#include "workbooks/result.h"
#include "workbooks/sheet_table.h"
#include "workbooks/sql_rewrite.h"

namespace shuhui::workbooks {

// The join's result, or null when the join is not one this path answers (the engine then runs
// the query and gives the answer or the error). tables[i] is the table of refs[i].
std::shared_ptr<Result> runJoin(const PlainJoin& j, const std::vector<SheetRef>& refs,
                                const std::vector<std::shared_ptr<const SheetTable>>& tables);

}  // namespace shuhui::workbooks
