// The catalogue of the main window: the open button, AddWorkbook, the check tree's cascade,
// CheckedSheets, ClickedNode and the driver of the connection.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>
#include <exception>
#include <memory>

#include "app/catalogue_tree.h"
#include "app/tfm_main.h"
#include "catalogue_window.h"
#include "workbooks/catalogue.h"

namespace {

QString AppBook(const char* name) {
    return QString::fromUtf8(SHUHUI_FIXTURES "/app/") + QString::fromUtf8(name);
}

class CatalogueTest : public CatalogueWindowTest {
  protected:
    // The tree as lines: workbook paths, and "  " + sheet name for their sheets.
    QStringList Lines() const {
        QStringList out;
        for (int w = 0; w < tree->topLevelItemCount(); ++w) {
            const QTreeWidgetItem* book = tree->topLevelItem(w);
            out << book->text(0);
            for (int s = 0; s < book->childCount(); ++s) out << "  " + book->child(s)->text(0);
        }
        return out;
    }
};

// The style option the view paints a node with: its rectangle, box, icon and text.
QStyleOptionViewItem NodeOption(QTreeWidget* tree, QTreeWidgetItem* node) {
    QStyleOptionViewItem opt;
    opt.initFrom(tree->viewport());
    opt.rect = tree->visualItemRect(node);
    opt.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay |
                   QStyleOptionViewItem::HasDecoration;
    opt.text = node->text(0);
    opt.icon = node->icon(0);
    opt.decorationSize = tree->iconSize().isValid()
                             ? tree->iconSize()
                             : QSize(tree->style()->pixelMetric(QStyle::PM_SmallIconSize),
                                     tree->style()->pixelMetric(QStyle::PM_SmallIconSize));
    opt.checkState = node->checkState(0);
    opt.viewItemPosition = QStyleOptionViewItem::OnlyOne;
    return opt;
}

// The centre of a node's check box, where a click toggles it.
QPoint CheckBoxCentre(QTreeWidget* tree, QTreeWidgetItem* node) {
    const QStyleOptionViewItem opt = NodeOption(tree, node);
    return tree->style()
        ->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, tree)
        .center();
}

}  // namespace

TEST_F(CatalogueTest, OpenDialogTitleAndFilter) {
    Open({});
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].kind, QString("open"));
    EXPECT_EQ(prompts.calls[0].caption, QString("请选择电子表格文件-【青岚工坊】"));
    const QString filter = prompts.calls[0].text;
    EXPECT_TRUE(filter.startsWith(QString("所有电子表格文件(*.XLS)"))) << filter.toStdString();
    for (const char* pattern : {"*.xls", "*.xlsx", "*.xlsm"})
        EXPECT_TRUE(filter.contains(QString::fromLatin1(pattern))) << pattern;
}

TEST_F(CatalogueTest, CancelLeavesTheTreeAsItWas) {
    for (bool clear : {false, true}) {
        SCOPED_TRACE(clear ? "rcbClear checked" : "rcbClear unchecked");
        tree->clear();
        fm->rcbClear->setChecked(false);
        Open({Book("pay.xls")});
        tree->topLevelItem(0)->child(1)->setCheckState(0, Qt::Checked);
        const QStringList before = Lines();
        fm->rcbClear->setChecked(clear);
        Open({});
        EXPECT_EQ(Lines(), before);
        EXPECT_EQ(tree->topLevelItem(0)->checkState(0), Qt::PartiallyChecked);
    }
}

TEST_F(CatalogueTest, ClearThenThreeFilesInTheDialogsOrder) {
    Open({Book("edge.xls")});
    fm->rcbClear->setChecked(true);
    const QStringList files{Book("工资.xls"), Book("pay.xls"), Book("社保.xls")};
    Open(files);
    EXPECT_EQ(Lines(), (QStringList{files[0], "  工资$", files[1], "  一月$", "  二月$", files[2],
                                    "  社保$"}));
    for (int w = 0; w < tree->topLevelItemCount(); ++w) {
        QTreeWidgetItem* book = tree->topLevelItem(w);
        EXPECT_EQ(book->data(0, Qt::UserRole).toString(), files[w]);
        EXPECT_TRUE(book->isExpanded());
        EXPECT_EQ(book->checkState(0), Qt::Unchecked);
        EXPECT_FALSE(book->flags() & Qt::ItemIsEditable);
        EXPECT_EQ(book->data(0, Qt::AccessibleTextRole).toString(), files[w]);
        EXPECT_FALSE(book->icon(0).isNull());
        for (int s = 0; s < book->childCount(); ++s) {
            QTreeWidgetItem* sheet = book->child(s);
            EXPECT_EQ(sheet->checkState(0), Qt::Unchecked);
            EXPECT_FALSE(sheet->flags() & Qt::ItemIsEditable);
            EXPECT_EQ(sheet->data(0, Qt::AccessibleTextRole).toString(), sheet->text(0));
            EXPECT_FALSE(sheet->icon(0).isNull());
            EXPECT_NE(sheet->icon(0).cacheKey(), book->icon(0).cacheKey());
        }
    }
    EXPECT_TRUE(tree->selectedItems().isEmpty());
    EXPECT_FALSE(tree->isSortingEnabled());
    // The connection stays on the last workbook added.
    EXPECT_TRUE(fm->adoc_Excel.connected());
    EXPECT_EQ(fm->adoc_Excel.dataSource(), files[2].toStdString());
}

TEST_F(CatalogueTest, WorkbookOpenedTwiceGetsTwoNodesAndNothingIsSorted) {
    Open({Book("社保.xls"), Book("工资.xls")});
    Open({Book("社保.xls")});
    EXPECT_EQ(Lines(), (QStringList{Book("社保.xls"), "  社保$", Book("工资.xls"), "  工资$",
                                    Book("社保.xls"), "  社保$"}));
    // Sheets follow the provider's order, not the alphabet.
    Open({Book("edge.xls")});
    EXPECT_EQ(Lines().mid(6), (QStringList{Book("edge.xls"), "  类型$", "  表头$", "  空表$",
                                           "  Sheet 1$", "  偏移$", "  隐藏$"}));
}

TEST_F(CatalogueTest, WorkbookWithoutTablesGetsANodeWithoutChildren) {
    fm->rrb2007->setChecked(true);
    Open({AppBook("chart_only.xlsx")});
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    EXPECT_EQ(tree->topLevelItem(0)->childCount(), 0);
    EXPECT_TRUE(fm->CheckedSheets().empty());
    // Its own box still toggles and lists nothing.
    catalogue_tree::toggle(tree->topLevelItem(0));
    EXPECT_EQ(tree->topLevelItem(0)->checkState(0), Qt::Checked);
    EXPECT_TRUE(fm->CheckedSheets().empty());
}

// The tree's boxes behave as the headless catalogue model: after each space-bar toggle every
// node's state and the checked-sheet walk agree with the model doing the same.
TEST_F(CatalogueTest, SpaceBarTogglesCascadeAsTheCatalogueModel) {
    namespace wb = shuhui::workbooks;
    Open({Book("pay.xls"), Book("edge.xls"), Book("工资.xls")});
    wb::Catalogue model;
    model.appendWorkbook(Book("pay.xls").toStdString(), {"一月$", "二月$"});
    model.appendWorkbook(Book("edge.xls").toStdString(),
                         {"类型$", "表头$", "空表$", "Sheet 1$", "偏移$", "隐藏$"});
    model.appendWorkbook(Book("工资.xls").toStdString(), {"工资$"});
    ASSERT_EQ(Lines().size(), model.nodeCount());

    // Absolute indices: 0 pay, 1-2 its sheets, 3 edge, 4-9 its sheets, 10 工资, 11 its sheet.
    const int toggles[] = {1, 0, 0, 2, 3, 5, 5, 0, 4, 6, 7, 8, 9, 3, 11, 10, 2, 1};
    tree->setFocus();
    for (int index : toggles) {
        SCOPED_TRACE("toggle " + std::to_string(index));
        QTreeWidgetItem* node = catalogue_tree::nodeAt(tree, index);
        ASSERT_NE(node, nullptr);
        tree->setCurrentItem(node);
        QTest::keyClick(tree, Qt::Key_Space);
        model.toggle(index);
        for (int i = 0; i < model.nodeCount(); ++i) {
            const Qt::CheckState want = model.state(i) == wb::CheckState::Checked ? Qt::Checked
                                        : model.state(i) == wb::CheckState::Partly
                                            ? Qt::PartiallyChecked
                                            : Qt::Unchecked;
            ASSERT_EQ(catalogue_tree::nodeAt(tree, i)->checkState(0), want) << "node " << i;
        }
        const auto got = fm->CheckedSheets();
        const auto want = model.checkedSheets();
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].path, want[i].path);
            EXPECT_EQ(got[i].sheet, want[i].sheet);
            EXPECT_EQ(got[i].index, want[i].index);
        }
    }
}

TEST_F(CatalogueTest, CheckingAWorkbookChecksAllItsSheets) {
    Open({Book("工资.xls"), Book("pay.xls")});
    QTreeWidgetItem* pay = tree->topLevelItem(1);
    pay->setCheckState(0, Qt::Checked);
    EXPECT_EQ(pay->child(0)->checkState(0), Qt::Checked);
    EXPECT_EQ(pay->child(1)->checkState(0), Qt::Checked);
    EXPECT_EQ(tree->topLevelItem(0)->checkState(0), Qt::Unchecked);
    const auto sheets = fm->CheckedSheets();
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0].path, Book("pay.xls").toStdString());
    EXPECT_EQ(sheets[0].sheet, std::string("一月$"));
    EXPECT_EQ(sheets[0].index, 3);
    EXPECT_EQ(sheets[1].sheet, std::string("二月$"));
    EXPECT_EQ(sheets[1].index, 4);
    EXPECT_EQ(catalogue_tree::nodeAt(tree, 4), pay->child(1));
    EXPECT_EQ(catalogue_tree::absoluteIndex(tree, pay->child(1)), 4);
    EXPECT_EQ(catalogue_tree::nodeAt(tree, 5), nullptr);
}

TEST_F(CatalogueTest, OneOfTwoSheetsLeavesTheWorkbookPartlyCheckedAndAClickChecksIt) {
    Open({Book("pay.xls")});
    QTreeWidgetItem* pay = tree->topLevelItem(0);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, CheckBoxCentre(tree, pay->child(1)));
    EXPECT_EQ(pay->child(1)->checkState(0), Qt::Checked);
    EXPECT_EQ(pay->checkState(0), Qt::PartiallyChecked);
    const auto sheets = fm->CheckedSheets();
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0].sheet, std::string("二月$"));
    EXPECT_EQ(sheets[0].index, 2);

    // Partly checked -> checked (not unchecked), then checked -> unchecked.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, CheckBoxCentre(tree, pay));
    EXPECT_EQ(pay->checkState(0), Qt::Checked);
    EXPECT_EQ(pay->child(0)->checkState(0), Qt::Checked);
    EXPECT_EQ(fm->CheckedSheets().size(), 2u);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, CheckBoxCentre(tree, pay));
    EXPECT_EQ(pay->checkState(0), Qt::Unchecked);
    EXPECT_EQ(pay->child(1)->checkState(0), Qt::Unchecked);
    EXPECT_TRUE(fm->CheckedSheets().empty());
}

TEST_F(CatalogueTest, FailingWorkbookStopsTheSelectionAndReachesTheReport) {
    const struct {
        const char* what;
        QString path;
        bool excel2007;
    } cases[] = {
        {"missing file", Book("没有这个文件.xls"), false},
        {"not a workbook", Book("corrupt.xls"), false},
        {"xlsx under Excel 8.0", Book("book.xlsx"), false},
        {"missing file, 2007 driver", Book("没有这个文件.xlsx"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fm->rrb2007->setChecked(c.excel2007);
        fm->rrb2003->setChecked(!c.excel2007);
        tree->clear();
        Open({Book("edge.xls")});
        fm->rcbClear->setChecked(true);
        prompts.calls.clear();
        prompts.openAnswer = {Book("工资.xls"), c.path, Book("社保.xls")};
        // What the application's notify() does with an error leaving a handler.
        EXPECT_FALSE(RunReported([&] {
            fm->RzBmpButton7Click();
            return true;
        }));
        // Cleared, the earlier workbook stays, the failing and the later ones are not added.
        EXPECT_EQ(Lines(), (QStringList{Book("工资.xls"), "  工资$"}));
        EXPECT_FALSE(fm->adoc_Excel.connected());
        EXPECT_EQ(fm->adoc_Excel.dataSource(), c.path.toStdString());
        ASSERT_EQ(prompts.calls.size(), 2u);
        EXPECT_EQ(prompts.calls[1].kind, QString("error"));
        EXPECT_TRUE(prompts.calls[1].text.contains(c.path)) << prompts.calls[1].text.toStdString();
        EXPECT_EQ(prompts.calls[1].caption, ErrorReportTitle());
        fm->rcbClear->setChecked(false);
    }
    // The handler itself lets the provider's error through.
    prompts.openAnswer = {Book("corrupt.xls")};
    EXPECT_THROW(fm->RzBmpButton7Click(), std::exception);
}

TEST_F(CatalogueTest, ClickedNodeIsTheNodeUnderTheLastPressOfAnyButton) {
    Open({Book("pay.xls")});
    QTreeWidgetItem* sheet = tree->topLevelItem(0)->child(1);
    const QPoint onSheet = tree->visualItemRect(sheet).center();
    const QPoint empty(5, tree->viewport()->height() - 5);
    ASSERT_EQ(tree->itemAt(empty), nullptr);
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        SCOPED_TRACE(static_cast<int>(button));
        QTest::mousePress(tree->viewport(), button, {}, onSheet);
        QTest::mouseRelease(tree->viewport(), button, {}, onSheet);
        EXPECT_EQ(fm->ClickedNode, sheet);
        QTest::mousePress(tree->viewport(), button, {}, empty);
        QTest::mouseRelease(tree->viewport(), button, {}, empty);
        EXPECT_EQ(fm->ClickedNode, nullptr);
    }
    // Clearing the tree on open lets go of the pressed node.
    QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, onSheet);
    fm->rcbClear->setChecked(true);
    Open({Book("工资.xls")});
    EXPECT_EQ(fm->ClickedNode, nullptr);
}

TEST_F(CatalogueTest, LongPathsKeepTheirFileNameInViewAndShowTheWholePathAsTooltip) {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/各部门二零二四年度工资与考勤汇总资料/第一季度/原始数据";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString a = folder + "/一月工资.xls", b = folder + "/二月工资.xls";
    ASSERT_TRUE(QFile::copy(Book("工资.xls"), a));
    ASSERT_TRUE(QFile::copy(Book("工资.xls"), b));
    Open({a, b});
    QApplication::processEvents();
    // what the view draws in a node's text rectangle
    auto shown = [&](QTreeWidgetItem* node) {
        const QStyleOptionViewItem opt = NodeOption(tree, node);
        const QRect text = tree->style()->subElementRect(QStyle::SE_ItemViewItemText, &opt, tree);
        const int margin = tree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1;
        return catalogue_tree::ElidedPath(node->text(0), tree->fontMetrics(),
                                          text.width() - 2 * margin);
    };
    EXPECT_EQ(tree->horizontalScrollBar()->maximum(), 0);  // nothing hides to the right
    for (int i = 0; i < 2; ++i) {
        QTreeWidgetItem* node = tree->topLevelItem(i);
        const QString path = i == 0 ? a : b;
        EXPECT_EQ(node->text(0), path);
        EXPECT_EQ(node->toolTip(0), path);
        const QString text = shown(node);
        EXPECT_TRUE(text.contains(QChar(0x2026))) << text.toStdString();  // shortened...
        EXPECT_TRUE(text.endsWith("/" + QFileInfo(path).fileName())) << text.toStdString();
    }
    EXPECT_NE(shown(tree->topLevelItem(0)), shown(tree->topLevelItem(1)));
}

TEST(CatalogueElidedPath, KeepsTheFileNameWhole) {
    const QFontMetrics m(QApplication::font());
    const QString path = "/共享盘/王小明/文档/二零二四年度/一月工资.xls";
    const int whole = m.horizontalAdvance(path);
    const int tail = m.horizontalAdvance(QString("\u2026/一月工资.xls"));
    struct {
        int width;
        QString expected;
    } cases[] = {
        {whole, path},
        {m.horizontalAdvance("/共享盘/王\u2026/一月工资.xls"), "/共享盘/王\u2026/一月工资.xls"},
        {tail, "\u2026/一月工资.xls"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(catalogue_tree::ElidedPath(path, m, c.width), c.expected) << c.width;
    // narrower than the file name: its middle goes
    const QString narrow = catalogue_tree::ElidedPath(path, m, tail - 4);
    EXPECT_TRUE(narrow.startsWith("一") && narrow.endsWith("xls")) << narrow.toStdString();
    EXPECT_LE(m.horizontalAdvance(narrow), tail - 4);
}

TEST_F(CatalogueTest, FilesFromTheCommandLineOrDroppedOpenAsTheOpenButtonOpensThem) {
    // command line: relative names become absolute paths, opened once the loop runs
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(QString::fromUtf8(SHUHUI_FIXTURES "/workbooks"));
    fm->OpenCommandLineFiles({"工资.xls", Book("社保.xls")});
    QDir::setCurrent(cwd);
    EXPECT_EQ(tree->topLevelItemCount(), 0);
    QApplication::processEvents();
    EXPECT_EQ(Lines(), (QStringList{Book("工资.xls"), "  工资$", Book("社保.xls"), "  社保$"}));

    // dropped from a file manager, with the clear box and the driver as the button uses them
    fm->rcbClear->setChecked(true);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Book("考勤.xls")), QUrl("https://example.com/x.xls")});
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(fm.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(fm.get(), &drop);
    EXPECT_EQ(Lines(), (QStringList{Book("考勤.xls"), "  考勤$"}));
    EXPECT_EQ(fm->adoc_Excel.dataSource(), Book("考勤.xls").toStdString());

    // a failing file stops there with the provider's error, as from the dialog
    fm->rcbClear->setChecked(false);
    prompts.calls.clear();
    EXPECT_FALSE(RunReported([&] {
        fm->OpenWorkbookFiles({Book("book.xlsx"), Book("工资.xls")});
        return true;
    }));
    EXPECT_EQ(Lines(), (QStringList{Book("考勤.xls"), "  考勤$"}));
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_TRUE(prompts.calls[0].text.contains(Book("book.xlsx")));
}

TEST_F(CatalogueTest, DriverOfTheConnectionStringFollowsTheRadioButtons) {
    const struct {
        QRadioButton* button;
        QString path;
        const char* driver;
    } cases[] = {
        {fm->rrb2003, Book("工资.xls"), "Excel 8.0"},
        {fm->rrb2007, Book("工资.xls"), "Excel 12.0"},
        {fm->rrb2007, Book("book.xlsx"), "Excel 12.0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.driver);
        c.button->setChecked(true);
        EXPECT_EQ(fm->DriverText(), QString::fromLatin1(c.driver));
        Open({c.path});
        const std::string cs = fm->adoc_Excel.connectionString();
        EXPECT_EQ(cs, "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + c.path.toStdString() +
                          ";Extended Properties=IMEX=1;" + c.driver +
                          ";Persist Security Info=False");
        EXPECT_TRUE(fm->adoc_Excel.connected());
    }
    // The radio buttons form one group.
    fm->rrb2003->setChecked(true);
    EXPECT_FALSE(fm->rrb2007->isChecked());
}

namespace {

// The accessible object of the tree that a screen reader gets for a node (found by its name).
QAccessibleInterface* AccessibleNode(QAccessibleInterface* parent, const QString& name) {
    if (!parent) return nullptr;
    for (int i = 0; i < parent->childCount(); ++i) {
        QAccessibleInterface* child = parent->child(i);
        if (!child) continue;
        if (child->text(QAccessible::Name) == name) return child;
        if (QAccessibleInterface* found = AccessibleNode(child, name)) return found;
    }
    return nullptr;
}

}  // namespace

TEST_F(CatalogueTest, ScreenReadersHearWhatTheScreenShows) {
    Open({Book("pay.xls")});
    QTreeWidgetItem* pay = tree->topLevelItem(0);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, CheckBoxCentre(tree, pay->child(1)));
    ASSERT_EQ(pay->checkState(0), Qt::PartiallyChecked);
    // a partly checked workbook reads as partly checked, not as unchecked (Qt 6.4's item views
    // report checked or unchecked only, so the description says it)
    QAccessibleInterface* node =
        AccessibleNode(QAccessible::queryAccessibleInterface(tree), Book("pay.xls"));
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->text(QAccessible::Description), QStringLiteral("部分选中"));
    EXPECT_FALSE(node->state().checked);
    QAccessibleInterface* sheet =
        AccessibleNode(QAccessible::queryAccessibleInterface(tree), QStringLiteral("二月$"));
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->state().checked);
    EXPECT_EQ(sheet->text(QAccessible::Description), QString());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, CheckBoxCentre(tree, pay));
    ASSERT_EQ(pay->checkState(0), Qt::Checked);
    EXPECT_EQ(node->text(QAccessible::Description), QString());

    // the status label reads what it shows after a double-click on the workbook
    fm->ClickedNode = pay;
    fm->RzCheckTree1DblClick();
    EXPECT_EQ(fm->rlbInfo->text(), QStringLiteral("工作簿:") + Book("pay.xls"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(fm->rlbInfo)->text(QAccessible::Name),
              fm->rlbInfo->text());
}
