// The result windows' questions for tests: records every call and answers from a script.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

#include "sheet/view/sheet_prompts.h"

namespace shuhui::sheetview {

struct ScriptedSheetPrompts : SheetPrompts {
    struct Call {
        QString kind;  // "save?", "yesno", "warning", "file"
        QString text;
    };
    std::vector<Call> calls;
    std::deque<Answer> saveAnswers;  // askSave: taken in turn, No when none is left
    bool yesNoAnswer = true;
    std::deque<QString> fileAnswers;  // saveFileName: taken in turn, cancelled when none is left
    QString lastFilter;               // the filter the last save dialog started with

    ScriptedSheetPrompts() : previous(SheetPrompts::Install(this)) {}
    ~ScriptedSheetPrompts() override { SheetPrompts::Install(previous); }

    Answer askSave(QWidget*, const QString& text, bool withCancel) override {
        calls.push_back({withCancel ? "save?" : "save? (是/否)", text});
        if (saveAnswers.empty()) return No;
        const Answer a = saveAnswers.front();
        saveAnswers.pop_front();
        return a;
    }
    bool askYesNo(QWidget*, const QString& text) override {
        calls.push_back({"yesno", text});
        return yesNoAnswer;
    }
    void showWarning(QWidget*, const QString& text) override { calls.push_back({"warning", text}); }
    QString saveFileName(QWidget*, const QString& title, const QString&, const QStringList&,
                         QString* selectedFilter) override {
        calls.push_back({"file", title});
        lastFilter = selectedFilter ? *selectedFilter : QString();
        if (fileAnswers.empty()) return {};
        const QString f = fileAnswers.front();
        fileAnswers.pop_front();
        return f;
    }

    QStringList kinds() const {
        QStringList out;
        for (const Call& c : calls) out << c.kind;
        return out;
    }

  private:
    SheetPrompts* previous;
};

}  // namespace shuhui::sheetview
