#include "gui/ResultsModel.h"

#include <algorithm>

ResultsModel::ResultsModel(QObject* parent) : QAbstractTableModel(parent) {
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(0);
    connect(&m_flushTimer, &QTimer::timeout, this, &ResultsModel::FlushPending);
}

ResultsModel::~ResultsModel() = default;

void ResultsModel::AddRow(const QStringList& cells) {
    m_table.AddRow(cells);
    if (!m_flushTimer.isActive()) {
        m_flushTimer.start();
    }
}

void ResultsModel::FlushPending() {
    m_flushTimer.stop();
    if (m_shownCount >= RowCount()) {
        return;
    }
    beginInsertRows(QModelIndex(), m_shownCount, RowCount() - 1);
    m_shownCount = RowCount();
    endInsertRows();
}

void ResultsModel::SetTotals(const Totals& totals) {
    m_table.SetTotals(totals);
    emit TotalsChanged();
}

void ResultsModel::AddColumn(const QString& header, int widthTwips) {
    FlushPending();
    const int column = ColumnCount();
    beginInsertColumns(QModelIndex(), column, column);
    m_table.AddColumn(header, widthTwips);
    endInsertColumns();
    emit ColumnsChanged();
}

void ResultsModel::SetColumns(CountMode mode) {
    for (const ResultColumn& column : ResultColumns(mode)) {
        AddColumn(column.header, column.widthTwips);
    }
}

void ResultsModel::ClearColumns() {
    if (ColumnCount() == 0) {
        return;
    }
    FlushPending();
    beginRemoveColumns(QModelIndex(), 0, ColumnCount() - 1);
    m_table.ClearColumns();
    endRemoveColumns();
    emit ColumnsChanged();
}

void ResultsModel::ClearRows() {
    m_flushTimer.stop();
    const bool shown = m_shownCount > 0;
    if (shown) {
        beginRemoveRows(QModelIndex(), 0, m_shownCount - 1);
    }
    m_table.ClearRows();
    m_shownCount = 0;
    if (shown) {
        endRemoveRows();
    }
}

void ResultsModel::EmitTickChanged(int row) {
    if (row < m_shownCount && ColumnCount() > 0) {
        const QModelIndex cell = index(row, 0);
        emit dataChanged(cell, cell, {Qt::CheckStateRole});
    }
}

void ResultsModel::SetTicked(int row, bool ticked) {
    if (m_table.SetTicked(row, ticked)) {
        EmitTickChanged(row);
    }
}

void ResultsModel::SetTicked(const QList<int>& rows, bool ticked) {
    for (int row : rows) {
        SetTicked(row, ticked);
    }
}

void ResultsModel::SetTickedRange(int first, int last, bool ticked) {
    if (!m_table.SetTickedRange(first, last, ticked)) {
        return;
    }
    const int shownLast = std::min(last, m_shownCount - 1);
    if (first <= shownLast && ColumnCount() > 0) {
        emit dataChanged(index(first, 0), index(shownLast, 0), {Qt::CheckStateRole});
    }
}

void ResultsModel::SetAllTicked(bool ticked) {
    SetTickedRange(0, RowCount() - 1, ticked);
}

int ResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_shownCount;
}

int ResultsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount();
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_shownCount) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
        return CellRef(index.row(), index.column());
    case Qt::CheckStateRole:
        if (index.column() == 0) {
            return static_cast<int>(IsTicked(index.row()) ? Qt::Checked : Qt::Unchecked);
        }
        return {};
    default:
        return {};
    }
}

bool ResultsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole || index.row() >= m_shownCount) {
        return false;
    }
    SetTicked(index.row(), static_cast<Qt::CheckState>(value.toInt()) == Qt::Checked);
    return true;
}

Qt::ItemFlags ResultsModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == 0) {
        flags |= Qt::ItemIsUserCheckable;
    }
    return flags;
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount()) {
        return Header(section);
    }
    return {};
}
