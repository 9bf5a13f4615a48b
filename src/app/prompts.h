// Prompts, the top-level error report and list splitting.
//
// Every message box and file dialog of the program goes through one service, Prompts: the
// default implementation shows Qt dialogs; tests install a scripted one (Prompts::Install) that
// records the calls and answers without a modal loop. Install(nullptr) restores the default.
//
// ShowWarning(text, caption)  warning icon, OK; returns 1.
// AskConfirm(text, caption)   question icon, OK (default) and Cancel; 1 for OK, 2 for Cancel,
//                             Escape or the close box. Callers go on only on 1.
// SplitText(text, separator)  the pieces between the separators, in order; the empty text gives
//                             no item, n separators give n + 1 items.
// ErrorReportText / ErrorReportTitle / ReportError  the report of an error that no handler
//                             caught: stop icon, title = program file name without extension.
// ShuhuiApplication           a QApplication whose notify() catches what leaves a handler,
//                             reports it and lets the event loop go on.
#pragma once

#include <QApplication>
#include <QString>
#include <QStringList>
#include <exception>
#include <functional>

class QWidget;

class Prompts {
  public:
    virtual ~Prompts();
    virtual int showWarning(const QString& text, const QString& caption);
    virtual int askConfirm(const QString& text, const QString& caption);
    virtual void showError(const QString& text, const QString& title);
    // Open dialog for several files; empty list when cancelled.
    virtual QStringList openFileNames(QWidget* parent, const QString& title, const QString& filter);
    // Save dialog; empty text when cancelled. `selectedFilter` receives the filter entry chosen.
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& filter,
                                 QString* selectedFilter = nullptr);

    // The service in force (the Qt one unless another was installed).
    static Prompts& Current();
    // Makes `p` the service in force (nullptr: the default); returns the previous one. The
    // caller keeps ownership of `p`.
    static Prompts* Install(Prompts* p);
};

int ShowWarning(const QString& text, const QString& caption);
int AskConfirm(const QString& text, const QString& caption);
QStringList SplitText(const QString& text, const QString& separator);

// The message of the report: `message`, with "." appended when it is not empty and its last
// character sorts after ".".
QString ErrorReportText(const QString& message);
// The program file's name without its extension.
QString ErrorReportTitle();
// Shows the report of `e` (or of an unknown error) through the prompts service.
void ReportError(const std::exception& e);
void ReportUnknownError();
// Runs `handler`; an exception that leaves it is reported and false is returned instead.
bool RunReported(const std::function<bool()>& handler);

class ShuhuiApplication : public QApplication {
    Q_OBJECT
  public:
    ShuhuiApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
