// The one helper that names a control for automation clients and assistive technology.
//
// NameControl(w, name, caption) gives w its objectName and accessible description `name` and its
// accessible name `caption`; every named control of the program goes through it, so automation
// clients find controls by the same names the code uses.
#pragma once

#include <QString>

class QWidget;

// Gives `w` the objectName and accessible description `name` and the accessible name `caption`
// (falls back to `name` when the caption is empty). Returns `w` for chaining.
template <class W>
W* NameControl(W* w, const QString& name, const QString& caption = QString());
void NameControlImpl(QWidget* w, const QString& name, const QString& caption);
template <class W>
W* NameControl(W* w, const QString& name, const QString& caption) {
    NameControlImpl(w, name, caption);
    return w;
}

class QLabel;
// Sets a named label's text and keeps its accessible name in step: what the screen shows is what a
// screen reader reads.
void SetLabelText(QLabel* label, const QString& text);
