#pragma once

#include "core/count/Pass.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

// One column of the results: its header text and its designed width in twips.
struct ResultColumn {
    QString header;
    int widthTwips = 0;
};

// The columns of a counting mode: all files " Words" 6300, "Count" 1000; per file
// "Filename" 5000, " Words" 1500, "Count" 1000; none for CountMode::None.
QList<ResultColumn> ResultColumns(CountMode mode);
QStringList ResultHeaders(CountMode mode);

// What a column of the results holds, known by its header: the per-file label ("Filename"),
// the word (" Words") or the number of occurrences ("Count").
enum class ResultColumnKind { Other, FileLabel, Word, Count };
ResultColumnKind ResultColumnKindOf(const QString& header);

// One file of a per-file count: its totals and pages, and its rows (the distinct words that
// have a row: common words left out have none).
struct FileSummary {
    FileTotals file;
    qint64 distinctWords = 0;
};

// The results of a run as plain data: column headers with their widths, rows of text cells, a
// tick per row and the four totals. The window shows it through a Qt model; the command line
// and the exports read it directly. Rows are added unticked.
class ResultTable : public ResultSink {
public:
    // ResultSink
    void AddRow(const QStringList& cells) override;
    void SetTotals(const Totals& totals) override;
    void FileCounted(const FileTotals& file) override;

    void AddColumn(const QString& header, int widthTwips);
    // Adds the columns of a counting mode; existing columns stay.
    void SetColumns(CountMode mode);
    void ClearColumns();
    // Removes every row; headers, widths and totals stay.
    void ClearRows();

    int ColumnCount() const { return static_cast<int>(m_headers.size()); }
    QString Header(int column) const;
    int ColumnWidthTwips(int column) const;
    const QStringList& Headers() const { return m_headers; }

    int RowCount() const { return m_rowCount; }
    // The cell's text; empty outside the stored rows and columns.
    QString Cell(int row, int column) const { return CellRef(row, column); }
    const QString& CellRef(int row, int column) const;
    QStringList Row(int row) const;
    bool IsTicked(int row) const;
    int TickedCount() const { return m_tickedCount; }

    // True when the tick changed.
    bool SetTicked(int row, bool ticked);
    // Rows first to last, clamped to the stored rows; false when the range is empty.
    bool SetTickedRange(int& first, int& last, bool ticked);
    void SetAllTicked(bool ticked);

    bool HasTotals() const { return m_hasTotals; }
    const Totals& LastTotals() const { return m_totals; }
    // The files of a per-file count, in the order they were counted.
    const QList<FileSummary>& Files() const { return m_files; }
    // The four count captions of the last totals (" Word count: N", …).
    QStringList Captions() const;

private:
    void Restride(int stride);

    QStringList m_headers;
    std::vector<int> m_widths;
    // Cells row by row, m_stride per row; short rows are padded with empty texts.
    std::vector<QString> m_cells;
    std::vector<bool> m_ticks;
    int m_stride = 0;
    int m_rowCount = 0;
    int m_tickedCount = 0;
    Totals m_totals;
    bool m_hasTotals = false;
    QList<FileSummary> m_files;
    int m_rowsOfFiles = 0; // the rows of the files counted so far
};
