// Prompts through the scripted service and the real message boxes, splitting, the error report.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/loading_notice.h"
#include "app/prompts.h"
#include "formats/error.h"
#include "scripted_prompts.h"

namespace {

// Acts on the modal box as soon as it is up (the box's own loop runs the timer).
void WhenBoxIsUp(std::function<void(QWidget*)> act) {
    QTimer::singleShot(10, [act] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            act(w);
        } else {
            WhenBoxIsUp(act);
        }
    });
}

}  // namespace

TEST(SplitText, Cases) {
    struct {
        QString text;
        QString sep;
        QStringList expected;
    } cases[] = {
        {"", "|", {}},
        {"a|b|c", "|", {"a", "b", "c"}},
        {"abc", "|", {"abc"}},
        {"|a", "|", {"", "a"}},
        {"a|", "|", {"a", ""}},
        {"a||b", "|", {"a", "", "b"}},
        {"|", "|", {"", ""}},
        {"D:\\书\\工资.xls>工资$", ">", {"D:\\书\\工资.xls", "工资$"}},
        {"姓名,性别,,奖金", ",", {"姓名", "性别", "", "奖金"}},
        {"$A$1:$H$20", ":", {"$A$1", "$H$20"}},
        {"$A$1", "$", {"", "A", "1"}},
    };
    for (const auto& c : cases) {
        const QStringList got = SplitText(c.text, c.sep);
        EXPECT_EQ(got, c.expected) << c.text.toStdString();
        if (!c.text.isEmpty()) {
            EXPECT_EQ(got.size(), c.text.count(c.sep) + 1);
        }
    }
}

TEST(ErrorReport, FullStopIsAppendedWhenTheLastCharacterSortsAfterIt) {
    struct {
        QString message;
        QString expected;
    } cases[] = {
        {"", ""},
        {"abc", "abc."},
        {"abc!", "abc!"},
        {"abc.", "abc."},
        {"a-", "a-"},   // '-' sorts before '.'
        {"a/", "a/."},  // '/' sorts after '.'
        {"value 1", "value 1."},
        {"文件不存在", "文件不存在."},
        {"出错了。", "出错了。."},  // a Chinese full stop sorts after '.'
        {"a ", "a "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorReportText(c.message), c.expected) << c.message.toStdString();
}

TEST(ErrorReport, UncaughtErrorIsShownAsStopBoxAndTheCallerGoesOn) {
    ScriptedPrompts prompts;
    bool after = RunReported(
        []() -> bool { throw shuhui::Error(shuhui::ErrorKind::NotFound, "找不到文件 a.xls"); });
    EXPECT_FALSE(after);
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].kind, "error");
    EXPECT_EQ(prompts.calls[0].text, QString("找不到文件 a.xls."));
    EXPECT_EQ(prompts.calls[0].caption, QString("app_tests"));  // the program file, no extension
    EXPECT_EQ(ErrorReportTitle(), QString("app_tests"));

    EXPECT_FALSE(RunReported([]() -> bool { throw std::runtime_error("bad!"); }));
    EXPECT_EQ(prompts.calls.back().text, QString("bad!"));
    EXPECT_TRUE(RunReported([] { return true; }));
    EXPECT_EQ(prompts.calls.size(), 2u);
}

TEST(Prompts, ScriptedServiceAnswersWithoutDialogs) {
    ScriptedPrompts prompts;
    EXPECT_EQ(ShowWarning("   没有数据需要导出!    ", "信息提示"), 1);
    prompts.confirmAnswer = 2;
    EXPECT_EQ(AskConfirm("继续吗?", "信息提示"), 2);
    prompts.confirmAnswer = 1;
    EXPECT_EQ(AskConfirm("继续吗?", "信息提示"), 1);
    ASSERT_EQ(prompts.calls.size(), 3u);
    EXPECT_EQ(prompts.calls[0].kind, "warning");
    EXPECT_EQ(prompts.calls[0].text, QString("   没有数据需要导出!    "));
    EXPECT_EQ(prompts.calls[0].caption, QString("信息提示"));
    EXPECT_EQ(prompts.calls[1].kind, "confirm");
}

TEST(Prompts, InstallRestoresThePreviousService) {
    Prompts* before = &Prompts::Current();
    {
        ScriptedPrompts prompts;
        EXPECT_EQ(&Prompts::Current(), &prompts);
    }
    EXPECT_EQ(&Prompts::Current(), before);
}

TEST(RealMessageBox, AskConfirmAnswers) {
    struct {
        const char* how;
        std::function<void(QWidget*)> act;
        int expected;
    } cases[] = {
        {"Escape", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); }, 2},
        {"close box", [](QWidget* w) { w->close(); }, 2},
        {"Enter on the default OK", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); }, 1},
        {"Cancel button",
         [](QWidget* w) { static_cast<QMessageBox*>(w)->button(QMessageBox::Cancel)->click(); }, 2},
    };
    for (const auto& c : cases) {
        QString title, text;
        bool question = false, okDefault = false;
        WhenBoxIsUp([&, act = c.act](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            text = box->text();
            question = box->icon() == QMessageBox::Question;
            okDefault =
                static_cast<QAbstractButton*>(box->defaultButton()) == box->button(QMessageBox::Ok);
            act(w);
        });
        EXPECT_EQ(AskConfirm("确定要合并吗?", "信息提示"), c.expected) << c.how;
        EXPECT_EQ(title, QString("信息提示"));
        EXPECT_EQ(text, QString("确定要合并吗?"));
        EXPECT_TRUE(question);
        EXPECT_TRUE(okDefault);
    }
}

TEST(RealMessageBox, ShowWarningHasWarningIconAndReturnsOne) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    WhenBoxIsUp([&](QWidget* w) {
        icon = static_cast<QMessageBox*>(w)->icon();
        QTest::keyClick(w, Qt::Key_Return);
    });
    EXPECT_EQ(ShowWarning("没有数据", "信息提示"), 1);
    EXPECT_EQ(icon, QMessageBox::Warning);
}

TEST(RealMessageBox, ErrorReportUsesTheStopIcon) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    WhenBoxIsUp([&](QWidget* w) {
        icon = static_cast<QMessageBox*>(w)->icon();
        title = w->windowTitle();
        QTest::keyClick(w, Qt::Key_Escape);
    });
    ReportError(std::runtime_error("x"));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(title, QString("app_tests"));
}

TEST(RealMessageBox, ButtonsAreLabelledInChinese) {
    const struct {
        const char* which;
        std::function<void()> show;
        QStringList buttons;
    } cases[] = {
        {"warning", [] { ShowWarning("没有数据", "信息提示"); }, {"确定"}},
        {"question", [] { AskConfirm("确定要合并吗?", "信息提示"); }, {"确定", "取消"}},
        {"error report", [] { ReportError(std::runtime_error("x")); }, {"确定"}},
    };
    for (const auto& c : cases) {
        QStringList texts;
        WhenBoxIsUp([&](QWidget* w) {
            auto* box = static_cast<QMessageBox*>(w);
            for (QMessageBox::StandardButton b : {QMessageBox::Ok, QMessageBox::Cancel})
                if (QAbstractButton* button = box->button(b)) texts << button->text();
            QTest::keyClick(w, Qt::Key_Escape);
        });
        c.show();
        EXPECT_EQ(texts, c.buttons) << c.which;
    }
}

TEST(RealFileDialog, LabelsAreInChinese) {
    const struct {
        const char* which;
        std::function<void()> show;
        const char* accept;
    } cases[] = {
        {"open", [] { Prompts::Current().openFileNames(nullptr, "打开", "*.xls"); }, "打开"},
        {"save", [] { Prompts::Current().saveFileName(nullptr, "导出为", "*.xls"); }, "保存"},
    };
    for (const auto& c : cases) {
        QStringList labels;
        WhenBoxIsUp([&](QWidget* w) {
            auto* dlg = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dlg, nullptr);
            for (QFileDialog::DialogLabel l :
                 {QFileDialog::LookIn, QFileDialog::FileName, QFileDialog::FileType,
                  QFileDialog::Accept, QFileDialog::Reject})
                labels << dlg->labelText(l);
            dlg->reject();
        });
        c.show();
        EXPECT_EQ(
            labels,
            (QStringList{"查找范围:", "文件名:", "文件类型:", QString::fromUtf8(c.accept), "取消"}))
            << c.which;
    }
}

TEST(RealFileDialog, OpenDialogShowsTheFileTypeByItsDescription) {
    QStringList types;
    WhenBoxIsUp([&](QWidget* w) {
        if (auto* combo = w->findChild<QComboBox*>("fileTypeCombo"))
            for (int i = 0; i < combo->count(); ++i) types << combo->itemText(i);
        static_cast<QFileDialog*>(w)->reject();
    });
    Prompts::Current().openFileNames(
        nullptr, "请选择电子表格文件-【青岚工坊】",
        "所有电子表格文件(*.XLS) (*.xls *.XLS *.xlsx *.XLSX *.xlsm *.XLSM)");
    EXPECT_EQ(types, QStringList{"所有电子表格文件(*.XLS)"});
}

TEST(RealFileDialog, NextDialogOpensInTheFolderOfTheLastChosenFile) {
    const QString folder = QStringLiteral(SHUHUI_FIXTURES "/workbooks");
    WhenBoxIsUp([&](QWidget* w) {
        auto* name = w->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText(folder + "/pay.xls");
        QTest::keyClick(name, Qt::Key_Return);
    });
    EXPECT_EQ(Prompts::Current().openFileNames(nullptr, "打开", "*.xls"),
              QStringList{folder + "/pay.xls"});
    // Both kinds of dialog open there next, the save dialog included.
    for (bool save : {false, true}) {
        QString opened;
        WhenBoxIsUp([&](QWidget* w) {
            opened = static_cast<QFileDialog*>(w)->directory().absolutePath();
            static_cast<QFileDialog*>(w)->reject();
        });
        if (save)
            Prompts::Current().saveFileName(nullptr, "导出为", "*.xls");
        else
            Prompts::Current().openFileNames(nullptr, "打开", "*.xls");
        EXPECT_EQ(opened, QDir(folder).absolutePath()) << save;
    }
}

TEST(LoadingNotice, ShownDuringWorkHiddenAfterAlsoOnException) {
    QWidget window;
    QWidget notice(&window);
    notice.hide();
    window.show();
    {
        LoadingNotice n(&notice);
        EXPECT_TRUE(notice.isVisible());
    }
    EXPECT_FALSE(notice.isVisible());
    try {
        LoadingNotice n(&notice);
        throw std::runtime_error("query failed");
    } catch (const std::exception&) {
    }
    EXPECT_FALSE(notice.isVisible());
}

TEST(LoadingNotice, ReportedFailureShowsTheWarningBeforeTheNoticeIsHidden) {
    QWidget window;
    QWidget notice(&window);
    notice.hide();
    window.show();
    ScriptedPrompts prompts;
    bool visibleAtWarning = false;
    prompts.onCall = [&](const ScriptedPrompts::Call&) { visibleAtWarning = notice.isVisible(); };
    {
        LoadingNotice n(&notice);
        ShowWarning("查询失败", "信息提示");
    }
    EXPECT_TRUE(visibleAtWarning);
    EXPECT_FALSE(notice.isVisible());
}
