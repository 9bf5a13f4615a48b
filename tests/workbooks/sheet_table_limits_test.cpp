// A sheet whose used range is far larger than what it stores (a value in A1 and one in
// XFD1048576) is refused before its table is built, with a message naming the sheet and the
// figures; a sparse range of reasonable size is still read.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "formats/workbook_builder.h"
#include "formats/writer.h"
#include "test_support.h"

namespace shuhui::workbooks::test {
namespace {

struct At {
    uint32_t row, col;
};

std::string writeSparse(const std::string& name, const std::vector<At>& cells) {
    formats::WorkbookBuilder b;
    formats::Sheet& s = b.addSheet("稀疏");
    for (const At& at : cells) {
        formats::Cell c;
        c.row = at.row;
        c.col = at.col;
        c.type = formats::CellType::Number;
        c.number = at.row + 1;
        s.cells.push_back(c);
    }
    const auto dir = std::filesystem::path(::testing::TempDir()) /
                     ("shuhui_sparse_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / name).string();
    formats::writeXlsx(b.workbook(), path);
    return path;
}

TEST(SheetTableLimits, SparseRangesAreRefusedBeforeTheTableIsBuilt) {
    std::vector<At> column;  // A1:B1001
    for (uint32_t r = 0; r <= 1000; ++r) column.insert(column.end(), {{r, 0}, {r, 1}});
    std::vector<At> columnAndFar = column;
    columnAndFar.push_back({1000, 8999});
    struct Case {
        const char* file;
        std::vector<At> cells;
        const char* words;  // empty: read
        size_t rows;
    } cases[] = {
        {"corners.xlsx",
         {{0, 0}, {1, 0}, {1048575, 16383}},
         "它的数据区域有 1,048,576 行 × 16,384 列（17,179,852,800 个单元格，需要 262,143 MiB "
         "内存），但只存有 3 个单元格；一张表最多展开为 8,388,608 个单元格",
         0},
        {"far_column.xlsx", columnAndFar, "有 1,001 行 × 9,000 列", 0},
        {"wide_but_fair.xlsx", {{0, 0}, {99999, 9}}, "", 99999},
        {"column.xlsx", column, "", 1000},
    };
    for (const Case& c : cases) {
        const std::string path = writeSparse(c.file, c.cells);
        Connection conn;
        conn.setConnectionString(connectionString(path, "Excel 12.0"));
        conn.open();
        Query query{conn};
        query.setSql("select count(*) from " + sheetReference("Excel 12.0", path, "稀疏$"));
        if (!*c.words) {
            query.open();
            EXPECT_EQ(rowText(query.result(), 0), std::to_string(c.rows)) << c.file;
            continue;
        }
        try {
            query.open();
            ADD_FAILURE() << c.file << " was read";
        } catch (const Error& e) {
            const std::string msg = e.what();
            EXPECT_EQ(int(e.kind()), int(ErrorKind::TooLarge)) << msg;
            EXPECT_NE(msg.find("工作表“稀疏”太大，无法作为表格读取"), std::string::npos) << msg;
            EXPECT_NE(msg.find(c.words), std::string::npos) << msg;
            EXPECT_EQ(e.file(), path);
            EXPECT_EQ(e.sheet(), "稀疏");
        }
    }
}

}  // namespace
}  // namespace shuhui::workbooks::test
