// The key-match diagnosis on the horizontal merge page, driven through its controls: the report in
// the grid, the guard before a join that grows, normalised matching, and the reconciliation line.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>

#include "app/catalogue_tree.h"
#include "catalogue_window.h"

namespace {

QString MergeBook(const char* name) {
    return QString::fromUtf8(SHUHUI_FIXTURES "/merge/") + QString::fromUtf8(name);
}

class DiagnosisTest : public CatalogueWindowTest {
  protected:
    void SetUp() override {
        CatalogueWindowTest::SetUp();
        fm->RzBmpButton4->click();
    }

    // Steps ① to ③ on two sheets (children of the one workbook), every field checked, on 姓名.
    void Plan(const char* book, int first, int second) {
        Open({MergeBook(book)});
        catalogue_tree::toggle(tree->topLevelItem(0)->child(first));
        catalogue_tree::toggle(tree->topLevelItem(0)->child(second));
        fm->btn_get_sheet_field->click();
        for (size_t n = 0; n < 2; ++n)
            for (int i = 0; i < fm->FieldLists.at(n)->count(); ++i)
                fm->FieldLists.at(n)->item(i)->setCheckState(Qt::Checked);
        fm->btn_set_public_field->click();
        fm->edt_public_field_name->setText(QStringLiteral("姓名"));
        fm->btn_Enter->click();
    }

    size_t Confirms() const {
        size_t n = 0;
        for (const auto& c : prompts.calls) n += c.kind == QStringLiteral("confirm");
        return n;
    }
};

TEST_F(DiagnosisTest, ControlsAreNamedAndTheSwitchStartsOff) {
    EXPECT_EQ(fm->btn_key_diagnosis->accessibleName(), QStringLiteral("匹配诊断"));
    EXPECT_EQ(fm->btn_key_diagnosis->objectName(), QStringLiteral("btn_key_diagnosis"));
    EXPECT_EQ(fm->rzchckbx_key_fold->accessibleName(),
              QStringLiteral("忽略空格、全半角与大小写差异"));
    EXPECT_FALSE(fm->rzchckbx_key_fold->isChecked());
    EXPECT_EQ(fm->lbl_key_check->accessibleDescription(), QStringLiteral("lbl_key_check"));
}

TEST_F(DiagnosisTest, ReportInTheGridWithItsSummary) {
    Plan("keys.xls", 0, 1);
    fm->btn_key_diagnosis->click();
    const auto* r = fm->cxGrid1Level1->engine().result().get();
    ASSERT_TRUE(r);
    ASSERT_EQ(r->fieldCount(), 8u);
    EXPECT_EQ(r->field(0).name(), "类别");
    EXPECT_TRUE(fm->rzpnl_kz_cxgrid->isVisible());
    EXPECT_TRUE(fm->lbl_key_check->isVisible());
    EXPECT_TRUE(fm->lbl_key_check->text().contains(QStringLiteral("连接将得到 4 行")));
    EXPECT_TRUE(fm->lbl_key_check->accessibleName().contains(QStringLiteral("连接将得到 4 行")));
}

TEST_F(DiagnosisTest, AJoinThatGrowsAsksFirst) {
    Plan("card.xls", 1, 6);  // 多 (7 rows) and 多三 (4 rows): 10 rows
    prompts.confirmAnswer = 2;
    fm->btn_GenClick();
    ASSERT_EQ(Confirms(), 1u);
    const QString text = prompts.calls.back().text;
    EXPECT_TRUE(text.contains(QStringLiteral("10 行"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("7 行"))) << text.toStdString();
    EXPECT_FALSE(fm->adoExcel.active());  // nothing ran

    prompts.confirmAnswer = 1;
    fm->btn_all_joinClick();
    EXPECT_EQ(Confirms(), 2u);
    ASSERT_TRUE(fm->adoExcel.active());
    EXPECT_EQ(fm->adoExcel.recordCount(), 10u);
    // 扣款: a and c counted twice (+180), b and y dropped (-100): in red.
    const QString line = fm->lbl_key_check->text();
    EXPECT_TRUE(fm->lbl_key_check->isVisible());
    EXPECT_TRUE(line.contains(
        QStringLiteral("对账 扣款：源表合计 280（7 行），结果合计 360（10 行），差额 +80")))
        << line.toStdString();
    EXPECT_TRUE(line.contains(QStringLiteral("color:#d00000"))) << line.toStdString();
}

TEST_F(DiagnosisTest, NormalisedMatchingMeetsTheSafeKeys) {
    Plan("keys.xls", 0, 1);
    fm->btn_GenClick();
    ASSERT_TRUE(fm->adoExcel.active());
    EXPECT_EQ(fm->adoExcel.recordCount(), 4u);
    EXPECT_EQ(fm->adoExcel.sql(), fm->JoinQuery.toStdString());  // the step's text, unchanged
    fm->rzchckbx_key_fold->setChecked(true);
    fm->btn_GenClick();
    ASSERT_TRUE(fm->adoExcel.active());
    EXPECT_EQ(fm->adoExcel.recordCount(), 12u);  // and the 8 keys the safe folds make meet
    EXPECT_NE(fm->adoExcel.sql().find("collate KEYFOLD="), std::string::npos);
    EXPECT_EQ(Confirms(), 0u);
}

}  // namespace
