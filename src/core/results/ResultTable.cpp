#include "core/results/ResultTable.h"

#include "core/count/CountingPass.h"

#include <algorithm>

namespace {
const QString kEmpty;
const QString kFileHeader = QStringLiteral("Filename");
const QString kWordHeader = QStringLiteral(" Words");
const QString kCountHeader = QStringLiteral("Count");
} // namespace

QList<ResultColumn> ResultColumns(CountMode mode) {
    switch (mode) {
    case CountMode::AllFiles:
        return {{kWordHeader, 6300}, {kCountHeader, 1000}};
    case CountMode::PerFile:
        return {{kFileHeader, 5000}, {kWordHeader, 1500}, {kCountHeader, 1000}};
    case CountMode::None:
        break;
    }
    return {};
}

QStringList ResultHeaders(CountMode mode) {
    QStringList headers;
    for (const ResultColumn& column : ResultColumns(mode)) {
        headers << column.header;
    }
    return headers;
}

ResultColumnKind ResultColumnKindOf(const QString& header) {
    if (header == kWordHeader) {
        return ResultColumnKind::Word;
    }
    if (header == kCountHeader) {
        return ResultColumnKind::Count;
    }
    return header == kFileHeader ? ResultColumnKind::FileLabel : ResultColumnKind::Other;
}

void ResultTable::Restride(int stride) {
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

void ResultTable::AddRow(const QStringList& cells) {
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
}

void ResultTable::SetTotals(const Totals& totals) {
    m_totals = totals;
    m_hasTotals = true;
}

void ResultTable::FileCounted(const FileTotals& file) {
    m_files.append({file, m_rowCount - m_rowsOfFiles});
    m_rowsOfFiles = m_rowCount;
}

QStringList ResultTable::Captions() const {
    return CountCaptions(m_totals);
}

void ResultTable::AddColumn(const QString& header, int widthTwips) {
    m_headers.append(header);
    m_widths.push_back(widthTwips);
    if (ColumnCount() > m_stride) {
        Restride(ColumnCount());
    }
}

void ResultTable::SetColumns(CountMode mode) {
    for (const ResultColumn& column : ResultColumns(mode)) {
        AddColumn(column.header, column.widthTwips);
    }
}

void ResultTable::ClearColumns() {
    m_headers.clear();
    m_widths.clear();
}

void ResultTable::ClearRows() {
    m_cells = {};
    m_ticks = {};
    m_rowCount = 0;
    m_tickedCount = 0;
    m_stride = ColumnCount();
    m_files = {};
    m_rowsOfFiles = 0;
}

QString ResultTable::Header(int column) const {
    return column >= 0 && column < ColumnCount() ? m_headers.at(column) : QString();
}

int ResultTable::ColumnWidthTwips(int column) const {
    return column >= 0 && column < ColumnCount() ? m_widths[static_cast<size_t>(column)] : 0;
}

const QString& ResultTable::CellRef(int row, int column) const {
    if (row < 0 || row >= m_rowCount || column < 0 || column >= m_stride) {
        return kEmpty;
    }
    return m_cells[static_cast<size_t>(row) * m_stride + column];
}

QStringList ResultTable::Row(int row) const {
    QStringList cells;
    for (int c = 0; c < std::max(ColumnCount(), 1); ++c) {
        cells << CellRef(row, c);
    }
    return cells;
}

bool ResultTable::IsTicked(int row) const {
    return row >= 0 && row < m_rowCount && m_ticks[static_cast<size_t>(row)];
}

bool ResultTable::SetTicked(int row, bool ticked) {
    if (row < 0 || row >= m_rowCount || m_ticks[static_cast<size_t>(row)] == ticked) {
        return false;
    }
    m_ticks[static_cast<size_t>(row)] = ticked;
    m_tickedCount += ticked ? 1 : -1;
    return true;
}

bool ResultTable::SetTickedRange(int& first, int& last, bool ticked) {
    first = std::max(first, 0);
    last = std::min(last, m_rowCount - 1);
    if (first > last) {
        return false;
    }
    for (int row = first; row <= last; ++row) {
        if (m_ticks[static_cast<size_t>(row)] != ticked) {
            m_ticks[static_cast<size_t>(row)] = ticked;
            m_tickedCount += ticked ? 1 : -1;
        }
    }
    return true;
}

void ResultTable::SetAllTicked(bool ticked) {
    int first = 0;
    int last = m_rowCount - 1;
    SetTickedRange(first, last, ticked);
}
