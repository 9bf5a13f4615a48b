// Cancel and size limits of one query (see run_limits.h).
#include "workbooks/run_limits.h"

#include <algorithm>

#include "formats/error.h"
#include "formats/read_limits.h"
#include "workbooks/provider.h"

namespace shuhui::workbooks {
namespace {

// A result costs about 16 bytes a cell plus its texts; a quarter of the memory is the most one
// result may take, so the grid, the cache and the rest of the program still fit.
size_t cellsFromMemory() {
    return size_t(std::max<uint64_t>(formats::physicalMemoryBytes() / 4 / 16, 16u << 20));
}

}  // namespace

RunLimits::RunLimits() : maxCells_(cellsFromMemory()) {}

RunLimits& RunLimits::instance() {
    static RunLimits limits;
    return limits;
}

void RunLimits::setMaxCells(size_t cells) {
    maxCells_.store(cells ? cells : cellsFromMemory(), std::memory_order_relaxed);
}

void RunLimits::checkCancel() const {
    if (cancelled()) throw Error(ErrorKind::Cancelled, "已取消");
}

void RunLimits::refuseSize(uint64_t rows, size_t fields, bool atLeast) const {
    throw Error(ErrorKind::TooLarge,
                std::string("查询结果太大：") + (atLeast ? "至少有 " : "共有 ") +
                    formats::groupedNumber(rows) + " 行 × " + std::to_string(fields) +
                    " 列，超过了这台电脑的内存能容纳的 " + formats::groupedNumber(maxCells()) +
                    " 个单元格。请检查连接字段是否有大量重复的值（如按部门连接），或用 where "
                    "条件缩小查询范围");
}

void cancelRunningQuery() {
    RunLimits::instance().requestCancel();
}

void setResultCellLimit(size_t cells) {
    RunLimits::instance().setMaxCells(cells);
}

}  // namespace shuhui::workbooks
