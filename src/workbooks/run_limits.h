// What bounds one query: the user's "取消", and the size a result may reach.
//
//   cancelRunningQuery();                 // any thread: the running query stops soon
//   RunLimits& l = RunLimits::instance();
//   l.begin();                            // at the start of a query (clears an old cancel)
//   l.checkCancel();                      // in long loops: throws Cancelled ("已取消")
//   l.checkCells(rows, fields);           // throws TooLarge past the cap, naming the figures
//
// The cap is on cells (rows × fields) of one result and comes from the machine's memory: a result
// that could not be held is refused with a message instead of running until memory runs out. A
// join whose keys repeat (joining two 60,000-row sheets on a department) reaches it long before
// the machine does. The SQL engine is stopped through its progress handler.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

namespace shuhui::workbooks {

class RunLimits {
  public:
    static RunLimits& instance();

    void begin() { cancel_.store(false, std::memory_order_relaxed); }
    void requestCancel() { cancel_.store(true, std::memory_order_relaxed); }
    bool cancelled() const { return cancel_.load(std::memory_order_relaxed); }
    void checkCancel() const;

    // Cells one result may hold; 0 sets it back to the share of this machine's memory.
    size_t maxCells() const { return maxCells_.load(std::memory_order_relaxed); }
    void setMaxCells(size_t cells);
    bool tooLarge(uint64_t rows, size_t fields) const {
        return rows * uint64_t(fields ? fields : 1) > maxCells();
    }
    void checkCells(uint64_t rows, size_t fields) const {
        if (tooLarge(rows, fields)) refuseSize(rows, fields, false);
    }
    // The refusal; `atLeast` says the count is a lower bound (the query was stopped there).
    [[noreturn]] void refuseSize(uint64_t rows, size_t fields, bool atLeast) const;

  private:
    RunLimits();
    std::atomic<bool> cancel_{false};
    std::atomic<size_t> maxCells_{0};
};

}  // namespace shuhui::workbooks
