// The irregular-header merge from the page to the result window with the embedded spreadsheet
// application, on workbooks written by xlwt with 3-row merged and styled headers
// (tests/fixtures/irregular): the result sheet's used range, the blocks with their gap rows, and
// the carrier's header with its values, styles, merges and column widths.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>
#include <algorithm>
#include <memory>

#include "app/tfm_main.h"
#include "scripted_prompts.h"
#include "sheet/document.h"
#include "sheet/view/scripted_sheet_prompts.h"
#include "sheet/view/sheet_window.h"

namespace {

using shuhui::sheet::Document;
using shuhui::sheetview::SheetWindow;

QString Fixture(const char* name) {
    return QString::fromUtf8(SHUHUI_FIXTURES "/irregular/") + QString::fromUtf8(name);
}

// The texts of row `row` (0-based), columns A to F.
std::vector<std::string> RowTexts(const Document& doc, size_t sheet, uint32_t row) {
    std::vector<std::string> out;
    for (uint32_t c = 0; c < 6; ++c) out.push_back(doc.cellText(sheet, row, c));
    return out;
}

class IrregularEndToEndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fm = std::make_unique<TfmMain>(nullptr, QStringLiteral("/nonexistent-dir/curVer.txt"));
        fm->show();
        QApplication::processEvents();
        fm->AddWorkbook(Fixture("a.xls"));
        fm->AddWorkbook(Fixture("b.xls"));
        for (int i = 0; i < fm->RzCheckTree1->topLevelItemCount(); ++i)
            fm->RzCheckTree1->topLevelItem(i)->setCheckState(0, Qt::Checked);
        fm->RzBmpButton5->click();
    }
    void TearDown() override {
        fm.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    ScriptedPrompts prompts;
    shuhui::sheetview::ScriptedSheetPrompts sheetPrompts;  // answers "否": nothing is saved
    std::unique_ptr<TfmMain> fm;
};

}  // namespace

TEST_F(IrregularEndToEndTest, BlocksUnderTheCarriersHeader) {
    fm->btn_ver_hbbtn3->click();
    ASSERT_EQ(fm->lst_vert_hb2_regioninfo->count(), 3);
    EXPECT_EQ(fm->lst_vert_hb2_regioninfo->item(0)->text(), "$A$1:$F$12");
    EXPECT_EQ(fm->lst_vert_hb2_regioninfo->item(1)->text(), "$A$1:$F$20");
    EXPECT_EQ(fm->lst_vert_hb2_regioninfo->item(2)->text(), "$A$1:$F$9");
    fm->edt_field_hs->setText("3");
    fm->btn_ver_hb_bgz_1->click();
    fm->lst_vert_hb2_stName->setCurrentRow(0);
    fm->btn_vert_hb_entry->click();
    ASSERT_EQ(prompts.calls.size(), 1u);  // the confirmation, and no warning after it
    EXPECT_EQ(prompts.calls[0].kind, "confirm");

    // One result window: the source applications left none behind.
    const QList<SheetWindow*> windows = SheetWindow::openWindows();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_TRUE(windows[0]->isVisible());
    const Document& result = windows[0]->document();
    EXPECT_FALSE(result.saved());
    EXPECT_EQ(result.activeSheet(), 1u);
    EXPECT_EQ(result.usedRangeAddress(1), "$A$1:$F$37");
    EXPECT_EQ(result.usedRangeAddress(0), "$A$1");

    const auto a = Document::open(Fixture("a.xls").toStdString());
    const auto b = Document::open(Fixture("b.xls").toStdString());
    // The carrier's header: values, styles, merges and column widths.
    for (uint32_t r = 0; r < 3; ++r) {
        EXPECT_EQ(RowTexts(result, 1, r), RowTexts(*a, 0, r)) << "header row " << r + 1;
        for (uint32_t c = 0; c < 6; ++c) {
            const auto* got = result.cell(1, r, c);
            const auto* want = a->cell(0, r, c);
            ASSERT_EQ(got != nullptr, want != nullptr) << r << "," << c;
            if (want) {
                EXPECT_EQ(result.workbook().style(*got), a->workbook().style(*want))
                    << r << "," << c;
            }
        }
    }
    EXPECT_EQ(RowTexts(result, 1, 0)[0], "2024年一月工资表");
    EXPECT_TRUE(result.workbook().style(*result.cell(1, 1, 2)).font.bold);
    auto merges = result.sheet(1).merged;
    auto wanted = a->sheet(0).merged;
    std::sort(merges.begin(), merges.end());
    std::sort(wanted.begin(), wanted.end());
    EXPECT_EQ(merges, wanted);
    EXPECT_EQ(merges.size(), 5u);
    for (uint32_t c = 0; c < 6; ++c) EXPECT_EQ(result.columnWidth(1, c), a->columnWidth(0, c)) << c;

    // The blocks: 一月's rows 1-12, 二月's data at 14-30, 三月's at 32-37; rows 13 and 31 empty.
    const std::vector<std::string> empty(6);
    for (uint32_t r = 3; r < 12; ++r) EXPECT_EQ(RowTexts(result, 1, r), RowTexts(*a, 0, r));
    EXPECT_EQ(RowTexts(result, 1, 12), empty);
    for (uint32_t r = 0; r < 17; ++r)
        EXPECT_EQ(RowTexts(result, 1, 13 + r), RowTexts(*a, 1, 3 + r));
    EXPECT_EQ(RowTexts(result, 1, 30), empty);
    for (uint32_t r = 0; r < 6; ++r) EXPECT_EQ(RowTexts(result, 1, 31 + r), RowTexts(*b, 0, 3 + r));
    EXPECT_EQ(RowTexts(result, 1, 13)[1], "二月员工1");
    EXPECT_EQ(RowTexts(result, 1, 36)[1], "三月员工6");
    // The data keeps its number format.
    EXPECT_EQ(result.workbook().style(*result.cell(1, 13, 2)).numFmt, "#,##0.00");
    EXPECT_EQ(fm->lst_vert_hb2_stName->currentRow(), 0);

    // Program end: the unsaved result is not thrown away without a question.
    EXPECT_TRUE(sheetPrompts.calls.empty());
    fm.reset();
    EXPECT_EQ(sheetPrompts.kinds(), QStringList{"save? (是/否)"});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(SheetWindow::openWindows().isEmpty());
}
