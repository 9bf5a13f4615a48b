// GridModel: see grid_model.h.
#include "grid/view/grid_model.h"

#include <QBrush>
#include <QFont>
#include <algorithm>

#include "grid/view/grid_style.h"

namespace shuhui::grid::view {

using grid::RowKind;
using workbooks::Value;

Qt::Alignment qtAlignment(grid::Alignment a) {
    switch (a) {
        case grid::taRightJustify:
            return Qt::AlignRight | Qt::AlignVCenter;
        case grid::taCenter:
            return Qt::AlignHCenter | Qt::AlignVCenter;
        default:
            return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

GridModel::GridModel(grid::GridView& engine, QObject* parent)
    : QAbstractTableModel(parent), engine_(engine), cols_(engine.displayColumns()) {
    engine_.setChangeListener([this] { engineChangedOutside(); });
}

GridModel::~GridModel() {
    engine_.setChangeListener({});
}

void GridModel::engineChangedOutside() {
    if (inChange_ || pending_) return;
    pending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (pending_) reload();
        },
        Qt::QueuedConnection);
}

bool GridModel::valid(const QModelIndex& index) const {
    return index.isValid() && index.row() < rowCount() && index.column() < columnCount() &&
           cols_[size_t(index.column())] < engine_.columnCount();
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(engine_.rows().size());
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(cols_.size());
}

int GridModel::modelColumn(size_t engineColumn) const {
    auto it = std::find(cols_.begin(), cols_.end(), engineColumn);
    return it == cols_.end() ? -1 : int(it - cols_.begin());
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) return {};
    const grid::ViewRow& r = engine_.rows()[size_t(index.row())];
    const size_t col = cols_[size_t(index.column())];
    switch (role) {
        case RowKindRole:
            return int(r.kind);
        case LevelRole:
            return int(r.level);
        case EngineIndexRole:
            return qulonglong(r.index);
        default:
            break;
    }
    switch (r.kind) {
        case RowKind::Data:
            if (role == Qt::DisplayRole)
                return QString::fromStdString(engine_.cellText(r.index, col));
            if (role == Qt::EditRole) return QString::fromStdString(engine_.editText(r.index, col));
            if (role == Qt::TextAlignmentRole) return int(qtAlignment(engine_.cellAlignment(col)));
            return {};
        case RowKind::GroupHeader:
            if (role == Qt::DisplayRole && index.column() == 0)
                return QString::fromStdString(engine_.groupRowText(r.index));
            if (role == Qt::BackgroundRole) return QBrush(kSelectColor);
            return {};
        case RowKind::GroupFooter:
            if (role == Qt::DisplayRole)
                return QString::fromStdString(engine_.groupFooterText(r.index, col));
            if (role == Qt::TextAlignmentRole)
                return int(qtAlignment(engine_.column(col).footerAlignmentHorz));
            if (role == Qt::BackgroundRole) return QBrush(kGroupFooterColor);
            return {};
    }
    return {};
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount() ||
        cols_[size_t(section)] >= engine_.columnCount())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return QString::fromStdString(engine_.column(cols_[size_t(section)]).caption);
    return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    if (!valid(index)) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (rowKind(index.row()) == RowKind::Data && engine_.options().editing &&
        engine_.field(cols_[size_t(index.column())]))
        f |= Qt::ItemIsEditable;
    return f;
}

namespace {

// The editor's text as a value of the column: blank -> Null; numeric fields take a number (signs
// such as "￥", blanks and thousands separators dropped); everything else stays text.
std::optional<Value> parseCell(const QString& text, bool numeric) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return Value::null();
    if (!numeric) return Value::fromText(t.toStdString());
    static const QString ignored = QStringLiteral("￥¥$＄￡£€, ");
    QString digits;
    for (QChar ch : t) {
        if (ignored.contains(ch)) continue;
        if (!(ch.isDigit() || ch == '.' || ch == '-' || ch == '+' || ch == 'e' || ch == 'E'))
            return std::nullopt;  // "12abc" is no number
        digits += ch;
    }
    bool ok = false;
    const double v = digits.toDouble(&ok);
    if (!ok) return std::nullopt;
    return Value::fromNumber(v);
}

}  // namespace

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
    const grid::ViewRow r = engine_.rows()[size_t(index.row())];
    const size_t col = cols_[size_t(index.column())];
    const auto v = parseCell(value.toString(), engine_.isNumericColumn(col));
    if (!v) return false;
    const size_t before = engine_.rows().size();
    inChange_ = true;
    engine_.setCell(r.index, col, *v);
    inChange_ = false;
    const auto& rows = engine_.rows();
    if (rows.size() == before && rows[size_t(index.row())].kind == RowKind::Data &&
        rows[size_t(index.row())].index == r.index) {
        // The row stayed where it was: repaint (group footers may have changed too).
        emit dataChanged(this->index(0, 0), this->index(rowCount() - 1, columnCount() - 1));
        emit summariesChanged();
    } else {
        // The row moved to another group or left the filter.
        beginResetModel();
        endResetModel();
        emit engineChanged();
    }
    return true;
}

bool GridModel::insertRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || count <= 0 || !engine_.result()) return false;
    uint32_t at = uint32_t(engine_.result()->rowCount());
    if (row >= 0 && row < rowCount() && rowKind(row) == RowKind::Data) at = viewRow(row).index;
    change([&](grid::GridView& e) {
        for (int i = 0; i < count; ++i) e.insertRow(at);
    });
    return true;
}

bool GridModel::removeRows(int row, int count, const QModelIndex& parent) {
    if (parent.isValid() || row < 0 || count <= 0 || row + count > rowCount()) return false;
    std::vector<uint32_t> dataRows;
    for (int i = row; i < row + count; ++i)
        if (rowKind(i) == RowKind::Data) dataRows.push_back(viewRow(i).index);
    if (dataRows.empty()) return false;
    std::sort(dataRows.rbegin(), dataRows.rend());
    change([&](grid::GridView& e) {
        for (uint32_t d : dataRows) e.deleteRow(d);
    });
    return true;
}

void GridModel::change(const std::function<void(grid::GridView&)>& f) {
    beginResetModel();
    inChange_ = true;
    if (f) f(engine_);
    inChange_ = false;
    pending_ = false;
    cols_ = engine_.displayColumns();
    endResetModel();
    emit engineChanged();
}

void GridModel::setGroupExpanded(int row, bool expanded) {
    if (row < 0 || row >= rowCount() || rowKind(row) == RowKind::Data) return;
    const uint32_t g = viewRow(row).index;
    if (engine_.isExpanded(g) == expanded) return;
    change([&](grid::GridView& e) { e.setExpanded(g, expanded); });
}

void GridModel::toggleGroup(int row) {
    if (row < 0 || row >= rowCount() || rowKind(row) == RowKind::Data) return;
    setGroupExpanded(row, !engine_.isExpanded(viewRow(row).index));
}

}  // namespace shuhui::grid::view
