#include "core/results/ResultTable.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include "core/count/CountingPass.h"

#include <QSet>

#include <algorithm>

namespace {
const QString kEmpty;

// The count a text spells in plain decimal digits (no sign, no leading zero), or -1.
qint64 PlainCount(const QString& text) {
    if (text.isEmpty() || text.size() > 18 || (text.size() > 1 && text.front() == u'0')) {
        return -1;
    }
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') {
            return -1;
        }
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}
} // namespace

QStringList ResultHeaders(CountMode mode) {
    switch (mode) {
    case CountMode::AllFiles:
        return {QStringLiteral(" Words"), QStringLiteral("Count")};
    case CountMode::PerFile:
        return {QStringLiteral("Filename"), QStringLiteral(" Words"), QStringLiteral("Count")};
    case CountMode::None:
        break;
    }
    return {};
}

int ResultTable::AppendRow() {
    for (Column& column : m_columns) {
        if (column.kind == CellKind::Count) {
            column.counts.push_back(kNoCount);
        } else {
            column.texts.emplace_back();
        }
    }
    m_ticks.push_back(false);
    return m_rowCount++;
}

void ResultTable::SetText(int row, int column, const QString& text) {
    if (!InRange(row, column)) {
        return;
    }
    Column& target = m_columns[static_cast<size_t>(column)];
    if (target.kind == CellKind::Text) {
        target.texts[static_cast<size_t>(row)] = text;
        return;
    }
    const qint64 count = PlainCount(text);
    if (count >= 0 || text.isEmpty()) {
        SetCount(row, column, text.isEmpty() ? kNoCount : count);
        return;
    }
    target.counts[static_cast<size_t>(row)] = kOddCount;
    m_oddCells.insert(OddKey(row, column), text);
}

void ResultTable::SetCount(int row, int column, qint64 count) {
    if (!InRange(row, column)) {
        return;
    }
    Column& target = m_columns[static_cast<size_t>(column)];
    if (target.kind == CellKind::Text) {
        target.texts[static_cast<size_t>(row)] = count < 0 ? QString() : QString::number(count);
        return;
    }
    if (target.counts[static_cast<size_t>(row)] == kOddCount) {
        m_oddCells.remove(OddKey(row, column));
    }
    target.counts[static_cast<size_t>(row)] = count < 0 ? kNoCount : count;
}

void ResultTable::AddRow(const WordRow& row) {
    const int r = AppendRow();
    int c = 0;
    if (ColumnCount() > 2) {
        SetText(r, c++, row.label);
    }
    SetText(r, c++, row.word);
    SetCount(r, c, row.count);
}

void ResultTable::AddRow(const QStringList& cells) {
    const int r = AppendRow();
    const int n = std::min(static_cast<int>(cells.size()), ColumnCount());
    for (int c = 0; c < n; ++c) {
        SetText(r, c, cells[c]);
    }
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

void ResultTable::AddColumn(const QString& header, CellKind kind) {
    Column column;
    column.header = header;
    column.kind = kind;
    if (kind == CellKind::Count) {
        column.counts.assign(static_cast<size_t>(m_rowCount), kNoCount);
    } else {
        column.texts.resize(static_cast<size_t>(m_rowCount));
    }
    m_columns.push_back(std::move(column));
}

void ResultTable::SetColumns(CountMode mode) {
    const QStringList headers = ResultHeaders(mode);
    for (qsizetype c = 0; c < headers.size(); ++c) {
        AddColumn(headers[c], c + 1 == headers.size() ? CellKind::Count : CellKind::Text);
    }
}

void ResultTable::ClearColumns() {
    m_columns.clear();
    m_oddCells.clear();
}

void ResultTable::ClearRows() {
    for (Column& column : m_columns) {
        column.texts = {};
        column.counts = {};
    }
    m_oddCells.clear();
    m_ticks = {};
    m_rowCount = 0;
    m_tickedCount = 0;
    m_files = {};
    m_rowsOfFiles = 0;
}

QString ResultTable::Header(int column) const {
    return column >= 0 && column < ColumnCount() ? m_columns[static_cast<size_t>(column)].header : QString();
}

QStringList ResultTable::Headers() const {
    QStringList headers;
    headers.reserve(ColumnCount());
    for (const Column& column : m_columns) {
        headers << column.header;
    }
    return headers;
}

CellKind ResultTable::Kind(int column) const {
    return column >= 0 && column < ColumnCount() ? m_columns[static_cast<size_t>(column)].kind : CellKind::Text;
}

QString ResultTable::Cell(int row, int column) const {
    if (!InRange(row, column)) {
        return {};
    }
    const Column& source = m_columns[static_cast<size_t>(column)];
    if (source.kind == CellKind::Text) {
        return source.texts[static_cast<size_t>(row)];
    }
    const qint64 count = source.counts[static_cast<size_t>(row)];
    if (count == kOddCount) {
        return m_oddCells.value(OddKey(row, column));
    }
    return count == kNoCount ? QString() : QString::number(count);
}

const QString& ResultTable::TextRef(int row, int column) const {
    if (!InRange(row, column) || m_columns[static_cast<size_t>(column)].kind != CellKind::Text) {
        return kEmpty;
    }
    return m_columns[static_cast<size_t>(column)].texts[static_cast<size_t>(row)];
}

bool ResultTable::CountAt(int row, int column, qint64* count) const {
    if (!InRange(row, column) || m_columns[static_cast<size_t>(column)].kind != CellKind::Count) {
        return false;
    }
    const qint64 value = m_columns[static_cast<size_t>(column)].counts[static_cast<size_t>(row)];
    if (value < 0) {
        return false;
    }
    if (count) {
        *count = value;
    }
    return true;
}

QStringList ResultTable::Row(int row) const {
    QStringList cells;
    for (int c = 0; c < std::max(ColumnCount(), 1); ++c) {
        cells << Cell(row, c);
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

QString BareReason(const QString& reason) {
    const QString bare = reason.trimmed();
    return bare.startsWith(QStringLiteral("- ")) ? bare.mid(2) : bare;
}

QList<FileSummaryRow> FileSummaryRows(const QStringList& paths, const QList<UnreadableFile>& unreadable,
                                      const QList<FileSummary>& counted, const QStringList& shownAs,
                                      const QStringList& ocrRead) {
    QHash<qsizetype, FileSummary> byIndex;
    for (const FileSummary& file : counted) {
        byIndex.insert(file.file.index, file);
    }
    QList<FileSummaryRow> rows;
    QSet<QString> listed;
    qsizetype next = 0;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        FileSummaryRow row;
        row.path = i < shownAs.size() ? shownAs[i] : paths[i];
        // A file the readability rules find wanting may have a text all the same: both are shown.
        if (next < unreadable.size() && unreadable[next].path == paths[i]) {
            row.kind = unreadable[next].kind;
            row.reason = BareReason(unreadable[next++].reason);
        }
        // A file listed more than once was counted once: it has one row, the first.
        if (listed.contains(paths[i])) {
            continue;
        }
        listed.insert(paths[i]);
        row.ocr = ocrRead.contains(paths[i]);
        if (byIndex.contains(i)) {
            row.counted = true;
            row.counts = byIndex.value(i);
        } else if (row.reason.isEmpty()) {
            row.reason = QStringLiteral("no text was counted");
        }
        rows << row;
    }
    return rows;
}

void SelectMostFrequent(const ResultTable& table, qint64 top, bool mostFirst, ResultTable& out) {
    const int countColumn = static_cast<int>(table.Headers().indexOf(QStringLiteral("Count")));
    const bool perFile = table.Header(0) == QStringLiteral("Filename");
    for (int c = 0; c < table.ColumnCount(); ++c) {
        out.AddColumn(table.Header(c), table.Kind(c));
    }
    const auto count = [&](int row) {
        qint64 n = 0;
        return table.CountAt(row, countColumn, &n) ? n : 0;
    };
    for (int first = 0; first < table.RowCount();) {
        int end = perFile ? first + 1 : table.RowCount();
        while (perFile && end < table.RowCount() && table.TextRef(end, 0) == table.TextRef(first, 0)) {
            ++end;
        }
        std::vector<int> rows(static_cast<size_t>(end - first));
        std::iota(rows.begin(), rows.end(), first);
        std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) { return count(a) > count(b); });
        if (top > 0 && static_cast<qint64>(rows.size()) > top) {
            rows.resize(static_cast<size_t>(top));
        }
        if (!mostFirst) {
            std::sort(rows.begin(), rows.end());
        }
        for (const int row : rows) {
            out.AddRow(table.Row(row));
        }
        first = end;
    }
    if (table.HasTotals()) {
        out.SetTotals(table.LastTotals());
    }
}

void WithTotalRows(const ResultTable& table, ResultTable& out) {
    const int countColumn = static_cast<int>(table.Headers().indexOf(QStringLiteral("Count")));
    const bool perFile = table.Header(0) == QStringLiteral("Filename");
    const int wordColumn = perFile ? 1 : 0;
    for (int c = 0; c < table.ColumnCount(); ++c) {
        out.AddColumn(table.Header(c), table.Kind(c));
    }
    for (int first = 0; first < table.RowCount();) {
        int end = perFile ? first + 1 : table.RowCount();
        while (perFile && end < table.RowCount() && table.TextRef(end, 0) == table.TextRef(first, 0)) {
            ++end;
        }
        qint64 sum = 0;
        for (int row = first; row < end; ++row) {
            out.AddRow(table.Row(row));
            qint64 count = 0;
            sum += table.CountAt(row, countColumn, &count) ? count : 0;
        }
        const int total = out.AppendRow();
        if (perFile) {
            out.SetText(total, 0, table.TextRef(first, 0));
        }
        out.SetText(total, wordColumn, QStringLiteral("(total)"));
        out.SetCount(total, countColumn, sum);
        first = end;
    }
    if (table.HasTotals()) {
        out.SetTotals(table.LastTotals());
    }
}
