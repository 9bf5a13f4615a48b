#include "app/check_list_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QListWidget>
#include <QPointer>
#include <map>

namespace {

const char kProperty[] = "shuhuiCheckList";

class CheckItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
  public:
    CheckItemAccessible(QListWidget* list, int row) : list_(list), row_(row) {}

    bool isValid() const override { return list_ && row_ < list_->count(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return list_ ? list_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(list_);
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        if (t == QAccessible::Name) return list_->item(row_)->text();
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) return {};
        const QRect r = list_->visualItemRect(list_->item(row_));
        return QRect(list_->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::CheckBox; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s.checkable = true;
        s.checked = list_->item(row_)->checkState() == Qt::Checked;
        s.focusable = true;
        s.focused = list_->hasFocus() && list_->currentRow() == row_;
        s.selectable = true;
        s.selected = list_->item(row_)->isSelected();
        s.invisible = !list_->isVisible();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                 : nullptr;
    }

    QStringList actionNames() const override { return {toggleAction(), pressAction()}; }
    void doAction(const QString& name) override {
        if (!isValid() || (name != toggleAction() && name != pressAction())) return;
        QListWidgetItem* item = list_->item(row_);
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

  private:
    QPointer<QListWidget> list_;
    int row_;
};

class CheckListAccessible : public QAccessibleWidget {
  public:
    explicit CheckListAccessible(QListWidget* list) : QAccessibleWidget(list, QAccessible::List) {}
    ~CheckListAccessible() override {
        for (const auto& [row, id] : items_) QAccessible::deleteAccessibleInterface(id);
    }
    QListWidget* list() const { return static_cast<QListWidget*>(widget()); }
    int childCount() const override { return list()->count(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= list()->count()) return nullptr;
        auto it = items_.find(index);
        if (it == items_.end()) {
            auto* item = new CheckItemAccessible(list(), index);
            it = items_.emplace(index, QAccessible::registerAccessibleInterface(item)).first;
        }
        return QAccessible::accessibleInterface(it->second);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (const auto& [row, id] : items_)
            if (QAccessible::accessibleInterface(id) == child) return row;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint p = list()->viewport()->mapFromGlobal(QPoint(x, y));
        QListWidgetItem* item = list()->itemAt(p);
        return item ? child(list()->row(item)) : nullptr;
    }

  private:
    mutable std::map<int, QAccessible::Id> items_;
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
    auto* list = qobject_cast<QListWidget*>(object);
    if (list && list->property(kProperty).toBool()) return new CheckListAccessible(list);
    return nullptr;
}

}  // namespace

void MakeCheckListAccessible(QListWidget* list) {
    static const bool installed = (QAccessible::installFactory(Factory), true);
    (void)installed;
    list->setProperty(kProperty, true);
    // With assistive technology running, the item view announced itself while it was being
    // constructed and Qt keeps the interface it made then: replace it.
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(list);
    if (iface && !dynamic_cast<CheckListAccessible*>(iface)) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
        QAccessible::queryAccessibleInterface(list);
    }
}
