// The preview's query text, under both drivers and with names that need no quoting in it.
#include "workbooks/preview_query.h"

#include <gtest/gtest.h>

namespace shuhui::workbooks {
namespace {

TEST(PreviewQuery, SelectsEverythingOfTheSheet) {
    struct Case {
        const char *driver, *path, *sheet, *want;
    };
    const Case cases[] = {
        {"Excel 8.0", "D:\\data\\工资.xls", "工资$",
         "select  * from [Excel 8.0;database=D:\\data\\工资.xls].[工资$]"},
        {"Excel 12.0", "/共享盘/考勤 2024.xlsx", "Sheet 1$",
         "select  * from [Excel 12.0;database=/共享盘/考勤 2024.xlsx].[Sheet 1$]"},
    };
    for (const Case& c : cases) EXPECT_EQ(previewSql(c.driver, c.path, c.sheet), c.want) << c.path;
}

}  // namespace
}  // namespace shuhui::workbooks
