#include "ResultsModel.h"

#include "analysis/CountingPass.h"

#include <algorithm>

namespace {
const QString kEmpty;
} // namespace

ResultsModel::ResultsModel(QObject* parent) : QAbstractTableModel(parent) {
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(0);
    connect(&m_flushTimer, &QTimer::timeout, this, &ResultsModel::FlushPending);
}

ResultsModel::~ResultsModel() = default;

void ResultsModel::Restride(int stride) {
    if (stride <= m_stride) {
        return;
    }
    std::vector<QString> cells(static_cast<size_t>(m_rowCount) * stride);
    for (int r = 0; r < m_rowCount; ++r) {
        for (int c = 0; c < m_stride; ++c) {
            cells[static_cast<size_t>(r) * stride + c] = std::move(m_cells[static_cast<size_t>(r) * m_stride + c]);
        }
    }
    m_cells = std::move(cells);
    m_stride = stride;
}

void ResultsModel::AddRow(const QStringList& cells) {
    const int width = std::max(static_cast<int>(cells.size()), 1);
    if (width > m_stride) {
        Restride(width);
    }
    for (const QString& cell : cells) {
        m_cells.push_back(cell);
    }
    for (int c = static_cast<int>(cells.size()); c < m_stride; ++c) {
        m_cells.emplace_back();
    }
    m_ticks.push_back(false);
    ++m_rowCount;
    if (!m_flushTimer.isActive()) {
        m_flushTimer.start();
    }
}

void ResultsModel::FlushPending() {
    m_flushTimer.stop();
    if (m_shownCount >= m_rowCount) {
        return;
    }
    beginInsertRows(QModelIndex(), m_shownCount, m_rowCount - 1);
    m_shownCount = m_rowCount;
    endInsertRows();
}

void ResultsModel::SetTotals(const Totals& totals) {
    m_totals = totals;
    m_hasTotals = true;
    emit TotalsChanged();
}

QStringList ResultsModel::Captions() const {
    return CountCaptions(m_totals);
}

void ResultsModel::AddColumn(const QString& header, int widthTwips) {
    FlushPending();
    const int column = ColumnCount();
    beginInsertColumns(QModelIndex(), column, column);
    m_headers.append(header);
    m_widths.push_back(widthTwips);
    if (ColumnCount() > m_stride) {
        Restride(ColumnCount());
    }
    endInsertColumns();
    emit ColumnsChanged();
}

void ResultsModel::SetColumns(CountMode mode) {
    switch (mode) {
    case CountMode::AllFiles:
        AddColumn(QStringLiteral(" Words"), 6300);
        AddColumn(QStringLiteral("Count"), 1000);
        break;
    case CountMode::PerFile:
        AddColumn(QStringLiteral("Filename"), 5000);
        AddColumn(QStringLiteral(" Words"), 1500);
        AddColumn(QStringLiteral("Count"), 1000);
        break;
    case CountMode::None:
        break;
    }
}

void ResultsModel::ClearColumns() {
    if (m_headers.isEmpty()) {
        return;
    }
    FlushPending();
    beginRemoveColumns(QModelIndex(), 0, ColumnCount() - 1);
    m_headers.clear();
    m_widths.clear();
    endRemoveColumns();
    emit ColumnsChanged();
}

void ResultsModel::ClearRows() {
    m_flushTimer.stop();
    const bool shown = m_shownCount > 0;
    if (shown) {
        beginRemoveRows(QModelIndex(), 0, m_shownCount - 1);
    }
    m_cells = {};
    m_ticks = {};
    m_rowCount = 0;
    m_shownCount = 0;
    m_tickedCount = 0;
    m_stride = ColumnCount();
    if (shown) {
        endRemoveRows();
    }
}

QString ResultsModel::Header(int column) const {
    return column >= 0 && column < ColumnCount() ? m_headers.at(column) : QString();
}

int ResultsModel::ColumnWidthTwips(int column) const {
    return column >= 0 && column < ColumnCount() ? m_widths[static_cast<size_t>(column)] : 0;
}

const QString& ResultsModel::CellRef(int row, int column) const {
    if (row < 0 || row >= m_rowCount || column < 0 || column >= m_stride) {
        return kEmpty;
    }
    return m_cells[static_cast<size_t>(row) * m_stride + column];
}

QString ResultsModel::Cell(int row, int column) const {
    return CellRef(row, column);
}

bool ResultsModel::IsTicked(int row) const {
    return row >= 0 && row < m_rowCount && m_ticks[static_cast<size_t>(row)];
}

void ResultsModel::EmitTickChanged(int row) {
    if (row < m_shownCount && ColumnCount() > 0) {
        const QModelIndex cell = index(row, 0);
        emit dataChanged(cell, cell, {Qt::CheckStateRole});
    }
}

void ResultsModel::SetTicked(int row, bool ticked) {
    if (row < 0 || row >= m_rowCount || m_ticks[static_cast<size_t>(row)] == ticked) {
        return;
    }
    m_ticks[static_cast<size_t>(row)] = ticked;
    m_tickedCount += ticked ? 1 : -1;
    EmitTickChanged(row);
}

void ResultsModel::SetTicked(const QList<int>& rows, bool ticked) {
    for (int row : rows) {
        SetTicked(row, ticked);
    }
}

void ResultsModel::SetTickedRange(int first, int last, bool ticked) {
    first = std::max(first, 0);
    last = std::min(last, m_rowCount - 1);
    if (first > last) {
        return;
    }
    for (int row = first; row <= last; ++row) {
        if (m_ticks[static_cast<size_t>(row)] != ticked) {
            m_ticks[static_cast<size_t>(row)] = ticked;
            m_tickedCount += ticked ? 1 : -1;
        }
    }
    const int shownLast = std::min(last, m_shownCount - 1);
    if (first <= shownLast && ColumnCount() > 0) {
        emit dataChanged(index(first, 0), index(shownLast, 0), {Qt::CheckStateRole});
    }
}

void ResultsModel::SetAllTicked(bool ticked) {
    SetTickedRange(0, m_rowCount - 1, ticked);
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
        return m_headers.at(section);
    }
    return {};
}
