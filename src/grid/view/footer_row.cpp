// FooterRow: see footer_row.h.
#include "grid/view/footer_row.h"

#include <QHeaderView>
#include <QPainter>

#include "grid/view/grid_model.h"
#include "grid/view/grid_style.h"

namespace shuhui::grid::view {

FooterRow::FooterRow(GridModel* model, QHeaderView* header, QWidget* viewport, QWidget* parent)
    : QWidget(parent), model_(model), header_(header), viewport_(viewport) {
    setFixedHeight(kHeight);
    for (auto signal : {&GridModel::summariesChanged, &GridModel::engineChanged})
        connect(model_, signal, this, &FooterRow::updateSpokenText);
    connect(model_, &QAbstractItemModel::modelReset, this, &FooterRow::updateSpokenText);
    connect(model_, &QAbstractItemModel::dataChanged, this, &FooterRow::updateSpokenText);
    connect(model_, &QAbstractItemModel::headerDataChanged, this, &FooterRow::updateSpokenText);
    connect(header_, &QHeaderView::sectionCountChanged, this, &FooterRow::updateSpokenText);
}

QString FooterRow::spokenText() const {
    QStringList parts;
    const QStringList t = texts();
    for (int c = 0; c < t.size(); ++c) {
        if (t[c].isEmpty() || header_->isSectionHidden(c)) continue;
        parts << model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString() + " " + t[c];
    }
    const QString caption = QStringLiteral("页脚");
    return parts.isEmpty() ? caption : caption + ": " + parts.join(", ");
}

void FooterRow::updateSpokenText() {
    setAccessibleName(spokenText());
}

QStringList FooterRow::texts() const {
    QStringList out;
    for (int c = 0; c < model_->columnCount(); ++c)
        out << QString::fromStdString(model_->engine().footerText(model_->engineColumn(c)));
    return out;
}

void FooterRow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kHeaderColor);
    p.setPen(kBorderColor);
    p.drawLine(rect().topLeft(), rect().topRight());
    const QStringList t = texts();
    const int dx = viewport_->mapToGlobal(QPoint(0, 0)).x() - mapToGlobal(QPoint(0, 0)).x();
    for (int c = 0; c < t.size(); ++c) {
        if (header_->isSectionHidden(c)) continue;
        const QRect r(dx + header_->sectionViewportPosition(c), 0, header_->sectionSize(c),
                      height());
        if (r.right() < 0 || r.left() > width()) continue;
        p.setPen(kBorderColor);
        p.drawLine(r.right(), 2, r.right(), height() - 3);
        const auto align =
            qtAlignment(model_->engine().column(model_->engineColumn(c)).footerAlignmentHorz);
        const QRect tr = r.adjusted(4, 0, -4, 0);
        p.setPen(Qt::black);
        p.drawText(tr, int(align), fontMetrics().elidedText(t[c], Qt::ElideRight, tr.width()));
    }
}

}  // namespace shuhui::grid::view
