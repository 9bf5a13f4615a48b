// Cancel and size limits of one query (see run_limits.h).
#include "workbooks/run_limits.h"

#include <unistd.h>

#include <algorithm>

#include "formats/error.h"
#include "workbooks/provider.h"

namespace shuhui::workbooks {
namespace {

// A result costs about 16 bytes a cell plus its texts; a quarter of the memory is the most one
// result may take, so the grid, the cache and the rest of the program still fit.
size_t cellsFromMemory() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    uint64_t bytes =
        pages > 0 && pageSize > 0 ? uint64_t(pages) * uint64_t(pageSize) : uint64_t(4) << 30;
    return size_t(std::max<uint64_t>(bytes / 4 / 16, 16u << 20));
}

std::string thousands(uint64_t n) {
    std::string s = std::to_string(n);
    for (int i = int(s.size()) - 3; i > 0; i -= 3) s.insert(size_t(i), ",");
    return s;
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
                std::string("查询结果太大：") + (atLeast ? "至少有 " : "共有 ") + thousands(rows) +
                    " 行 × " + std::to_string(fields) + " 列，超过了这台电脑的内存能容纳的 " +
                    thousands(maxCells()) +
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
