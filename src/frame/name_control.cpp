// The helper that names a control; see name_control.h.
#include "frame/name_control.h"

#include <QLabel>
#include <QWidget>

void NameControlImpl(QWidget* w, const QString& name, const QString& caption) {
    w->setObjectName(name);
    w->setAccessibleDescription(name);
    w->setAccessibleName(caption.isEmpty() ? name : caption);
}

void SetLabelText(QLabel* label, const QString& text) {
    label->setText(text);
    label->setAccessibleName(text.isEmpty() ? label->objectName() : text);
}
