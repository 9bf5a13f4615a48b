// A prompts service for tests: records every call and answers from a script, without dialogs.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "app/prompts.h"

struct ScriptedPrompts : Prompts {
    struct Call {
        QString kind;  // "warning", "confirm", "error", "open", "save"
        QString text;
        QString caption;
    };
    std::vector<Call> calls;
    int confirmAnswer = 1;
    QStringList openAnswer;
    QString saveAnswer;
    std::function<void(const Call&)> onCall;  // runs at the moment of the call

    ScriptedPrompts() : previous(Prompts::Install(this)) {}
    ~ScriptedPrompts() override { Prompts::Install(previous); }

    int showWarning(const QString& text, const QString& caption) override {
        record({"warning", text, caption});
        return 1;
    }
    int askConfirm(const QString& text, const QString& caption) override {
        record({"confirm", text, caption});
        return confirmAnswer;
    }
    void showError(const QString& text, const QString& title) override {
        record({"error", text, title});
    }
    QStringList openFileNames(QWidget*, const QString& title, const QString& filter) override {
        record({"open", filter, title});
        return openAnswer;
    }
    QString saveFileName(QWidget*, const QString& title, const QString& filter, QString*) override {
        record({"save", filter, title});
        return saveAnswer;
    }

  private:
    void record(const Call& c) {
        calls.push_back(c);
        if (onCall) onCall(c);
    }
    Prompts* previous;
};
