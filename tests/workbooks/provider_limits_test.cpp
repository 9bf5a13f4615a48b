// A result that would not fit is refused with the rows it would have had (at least), on every
// path (the join and union shortcuts and the SQL engine), and "取消" stops a query that would run
// for ever. The limit is lowered here so that small fixtures reach it.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "test_support.h"

namespace shuhui::workbooks::test {
namespace {

struct LowCellLimit {
    explicit LowCellLimit(size_t cells) { setResultCellLimit(cells); }
    ~LowCellLimit() { setResultCellLimit(0); }
};

TEST(ProviderLimits, ResultsPastTheCellLimitAreRefusedWithTheirSize) {
    const std::string pay = ref8("工资.xls", "工资$");  // 4 rows, 4 fields
    const std::string att = ref8("考勤.xls", "考勤$");  // 4 rows, 3 fields
    struct Case {
        std::string sql;
        std::string words;
    } cases[] = {
        // join shortcut: 性别 repeats (3 men, 1 woman), so 3 × 3 + 1 rows
        {"select T0.*,T1.* from " + pay + " T0, " + pay + " T1 where T0.性别= T1.性别",
         "查询结果太大：共有 10 行 × 8 列"},
        // union shortcut
        {"select * from " + pay + " union all select * from " + pay + " union all select * from " +
             pay,
         "共有 12 行 × 4 列"},
        // the SQL engine
        {"select a.姓名,b.姓名,c.姓名 from " + pay + " a, " + pay + " b, " + pay + " c",
         "共有 64 行 × 3 列"},
    };
    LowCellLimit low(30);
    Connection conn;
    openOn(conn, "工资.xls");
    Query query{conn};
    for (const Case& c : cases) expectQueryError(query, c.sql, ErrorKind::TooLarge, c.words);
    // What fits still runs.
    query.setSql("select T0.姓名,T1.应扣金额 from " + pay + " T0, " + att +
                 " T1 where T0.姓名= T1.姓名");
    query.open();
    EXPECT_EQ(query.recordCount(), 3u);
}

TEST(ProviderLimits, CancelStopsARunawayQueryAndTheNextOneRuns) {
    const std::string pay = ref8("工资.xls", "工资$");
    // Counting for ever: one row, so no size limit ends it; only "取消" does.
    auto running = std::async(std::launch::async, [&] {
        try {
            runQuery("with recursive c(x) as (select 1 union all select x+1 from c) "
                     "select count(*) from c, " + pay);
        } catch (const Error& e) {
            return std::string(e.what()) + "|" + std::to_string(int(e.kind()));
        }
        return std::string("finished");
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    cancelRunningQuery();
    ASSERT_EQ(running.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(running.get(), "已取消|" + std::to_string(int(ErrorKind::Cancelled)));
    EXPECT_EQ(runQuery("select count(*) from " + pay)->field(0).displayText(0), "4");
}

}  // namespace
}  // namespace shuhui::workbooks::test
