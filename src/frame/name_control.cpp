// The helper that names a control; see name_control.h.
#include "frame/name_control.h"

#include <QWidget>

void NameControlImpl(QWidget* w, const QString& name, const QString& caption) {
    w->setObjectName(name);
    w->setAccessibleDescription(name);
    w->setAccessibleName(caption.isEmpty() ? name : caption);
}
