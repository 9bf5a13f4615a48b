// The catalogue model: nodes in display order, cascading check states, the checked-sheet walk and
// the failure of one workbook in a multi-selection.
#include "workbooks/catalogue.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace shuhui::workbooks::test {
namespace {

using Rows = std::vector<std::string>;

Rows checked(const Catalogue& c) {
    Rows out;
    for (const auto& s : c.checkedSheets())
        out.push_back(s.path + ">" + s.sheet + "@" + std::to_string(s.index));
    return out;
}

TEST(Catalogue, NodesInDisplayOrderWithAbsoluteIndexes) {
    Connection conn;
    Catalogue cat;
    cat.addWorkbook(fixture("pay.xls"), driverText(false), conn);
    cat.addWorkbook(fixture("工资.xls"), driverText(false), conn);
    cat.addWorkbook(fixture("pay.xls"), driverText(false),
                    conn);  // the same workbook twice: two nodes
    ASSERT_EQ(cat.nodeCount(), 8);
    EXPECT_EQ(cat.workbookCount(), 3);
    const Rows texts = [&] {
        Rows t;
        for (const auto& n : cat.nodes()) t.push_back(std::to_string(n.level) + ":" + n.text);
        return t;
    }();
    EXPECT_EQ(texts,
              (Rows{"0:" + fixture("pay.xls"), "1:一月$", "1:二月$", "0:" + fixture("工资.xls"),
                    "1:工资$", "0:" + fixture("pay.xls"), "1:一月$", "1:二月$"}));
    EXPECT_EQ(cat.nodeAt(4)->parent, 3);
    EXPECT_EQ(cat.nodeAt(-1), nullptr);
    EXPECT_EQ(cat.nodeAt(8), nullptr);
    EXPECT_THROW(cat.toggle(8), Error);
    EXPECT_TRUE(conn.connected());
    EXPECT_EQ(conn.dataSource(), fixture("pay.xls"));
    cat.clear();
    EXPECT_EQ(cat.nodeCount(), 0);
    EXPECT_TRUE(cat.checkedSheets().empty());
}

TEST(Catalogue, ChecksCascadeBetweenWorkbookAndSheets) {
    Catalogue cat;
    cat.appendWorkbook("A.xls", {"s1$", "s2$", "s3$"});
    cat.appendWorkbook("B.xls", {"t1$"});
    cat.appendWorkbook("C.xls", {});

    cat.toggle(0);  // workbook checked -> all its sheets
    EXPECT_EQ(checked(cat), (Rows{"A.xls>s1$@1", "A.xls>s2$@2", "A.xls>s3$@3"}));
    cat.toggle(2);  // one sheet off -> workbook partly checked
    EXPECT_EQ(cat.state(0), CheckState::Partly);
    EXPECT_EQ(checked(cat), (Rows{"A.xls>s1$@1", "A.xls>s3$@3"}));
    cat.toggle(0);  // partly -> checked, all sheets again
    EXPECT_EQ(cat.state(2), CheckState::Checked);
    cat.toggle(0);  // checked -> unchecked, all sheets off
    EXPECT_TRUE(cat.checkedSheets().empty());
    EXPECT_EQ(cat.state(3), CheckState::Unchecked);

    cat.setChecked(1, true);
    EXPECT_EQ(cat.state(0), CheckState::Partly);
    cat.setChecked(2, true);
    cat.setChecked(3, true);
    EXPECT_EQ(cat.state(0), CheckState::Checked);  // all sheets checked -> workbook checked
    cat.setChecked(1, false);
    cat.setChecked(2, false);
    cat.setChecked(3, false);
    EXPECT_EQ(cat.state(0), CheckState::Unchecked);

    cat.toggle(5);  // across workbooks, in tree order; workbook nodes are never listed
    cat.toggle(2);
    cat.toggle(6);  // a workbook without sheets
    EXPECT_EQ(checked(cat), (Rows{"A.xls>s2$@2", "B.xls>t1$@5"}));
    EXPECT_EQ(cat.state(4), CheckState::Checked);
}

TEST(Catalogue, FailingWorkbookInASelection) {
    Connection conn;
    Catalogue cat;
    const Rows chosen = {fixture("工资.xls"), fixture("不存在.xls"), fixture("考勤.xls")};
    try {
        for (const auto& path : chosen) cat.addWorkbook(path, driverText(false), conn);
        FAIL() << "the missing workbook must raise an error";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), ErrorKind::NotFound);
        EXPECT_NE(std::string(e.what()).find(fixture("不存在.xls")), std::string::npos);
    }
    // Earlier ones stay, the failing and later ones are not added; the connection is closed and
    // points at the failing file.
    ASSERT_EQ(cat.nodeCount(), 2);
    EXPECT_EQ(cat.nodeAt(0)->text, fixture("工资.xls"));
    EXPECT_FALSE(conn.connected());
    EXPECT_EQ(conn.dataSource(), fixture("不存在.xls"));
    Query q(conn);
    q.setSql("select * from " + ref8("工资.xls", "工资$"));
    EXPECT_THROW(q.open(), Error);

    // The wrong driver for an .xlsx fails the same way; the newer driver opens it.
    EXPECT_THROW(cat.addWorkbook(fixture("book.xlsx"), driverText(false), conn), Error);
    EXPECT_EQ(cat.nodeCount(), 2);
    cat.addWorkbook(fixture("book.xlsx"), driverText(true), conn);
    EXPECT_EQ(cat.nodeCount(), 5);
    EXPECT_TRUE(conn.connected());
}

}  // namespace
}  // namespace shuhui::workbooks::test
