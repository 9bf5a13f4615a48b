// The questions a result window asks, behind one replaceable service (as the main window's
// Prompts): the default shows Qt dialogs; tests install a scripted one, and the program may
// install one that forwards to its own prompts.
//
// askSave(parent, text, withCancel)   question box 是 / 否 (/ 取消): Yes, No or Cancel
// askYesNo(parent, text)              question box 是 / 否
// showWarning(parent, text)           warning box 确定
// saveFileName(parent, title, suggested, filters, selectedFilter)   save dialog; empty when
//                                     cancelled; `selectedFilter` in: the filter to start with,
//                                     out: the one chosen
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace shuhui::sheetview {

class SheetPrompts {
  public:
    enum Answer { Yes, No, Cancel };
    virtual ~SheetPrompts();
    virtual Answer askSave(QWidget* parent, const QString& text, bool withCancel);
    virtual bool askYesNo(QWidget* parent, const QString& text);
    virtual void showWarning(QWidget* parent, const QString& text);
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& suggested,
                                 const QStringList& filters, QString* selectedFilter);

    static SheetPrompts& Current();
    // Makes `p` the service in force (nullptr: the default); returns the previous one. The caller
    // keeps ownership.
    static SheetPrompts* Install(SheetPrompts* p);
};

// The caption of every box of the result windows.
inline QString PromptCaption() {
    return QStringLiteral("信息提示");
}

}  // namespace shuhui::sheetview
