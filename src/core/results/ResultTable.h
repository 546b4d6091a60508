#pragma once

#include "core/corpus/LexicalProfile.h"
#include "core/count/Pass.h"
#include "core/extract/Unreadable.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

// The column headers of a counting mode as the exports lay them out: all files " Words",
// "Count"; per file "Filename", " Words", "Count"; none for CountMode::None.
QStringList ResultHeaders(CountMode mode);

// What a column of a table holds: texts, or counts (whole numbers, kept and written as numbers).
enum class CellKind { Text, Count };

// One file of a per-file count: its totals and pages, and its rows (the distinct words that
// have a row: common words left out have none).
struct FileSummary {
    FileTotals file;
    qint64 distinctWords = 0;
};

// One row of a file summary: a file that was counted (counted, with its counts), one that gave
// no text or a folder that could not be searched (its reason), or a file counted whose text the
// readability rules find wanting (both).
struct FileSummaryRow {
    QString path;
    bool counted = false;
    FileSummary counts;
    QString reason;
    UnreadableKind kind = UnreadableKind::Other; // the kind of the reason, when there is one
    bool ocr = false;                            // its text was read from page images by OCR
    // The richness of its vocabulary, when asked for (AttachProfiles): the summary then has the
    // profile's columns, their cells empty where a row has none or was not counted.
    std::optional<LexicalProfile> profile;
};

// A reason as a summary shows it, without the indent and dash of the run's message.
QString BareReason(const QString& reason);

// One row per file of a per-file count, in list order (a file listed twice has one row, where it
// was first listed, as the pass counted it once): its counts (counted: the files of the
// pass by their index), its reason when it is among unreadable (in list order too), or "no
// text was counted". Rows show shownAs[i] for the path when given. The rows of ocrRead (a run's
// AnalysisSummary::ocrRead) say that OCR read them.
QList<FileSummaryRow> FileSummaryRows(const QStringList& paths, const QList<UnreadableFile>& unreadable,
                                      const QList<FileSummary>& counted, const QStringList& shownAs = {},
                                      const QStringList& ocrRead = {});

// The rows of the most frequent words (or phrases) of table, into out (empty): with top > 0 only
// the top rows of the highest counts, of each file when the first column names files (rows of a
// file side by side); mostFirst puts them in falling order of their counts, else they keep the
// table's order. Ties keep the table's order. Columns and totals are carried over.
class ResultTable;
void SelectMostFrequent(const ResultTable& table, qint64 top, bool mostFirst, ResultTable& out);

// The rows of table into out (empty), each file's rows (or all rows, without a file column)
// followed by a total row: "(total)" in the word column and, in the Count column, the sum of
// the counts above it; other cells empty. Columns and totals are carried over.
void WithTotalRows(const ResultTable& table, ResultTable& out);

// The results of a run as plain data: column headers with the kind of their cells, rows of typed
// cells, a tick per row and the four totals. The window shows it through a Qt model; the command
// line and the exports read it directly. Rows are added unticked.
//
// The cells are kept column by column: a text column holds one text per row, a count column one
// 64-bit number per row (so a table of some hundred thousand rows stays small). A count cell may
// also be empty, or hold a text that is no count when one was added as text (kept aside).
class ResultTable : public ResultSink {
public:
    // ResultSink: the label (per file), the word and the count go to the first columns in that
    // order (all files: the word and the count).
    void AddRow(const WordRow& row) override;
    void SetTotals(const Totals& totals) override;
    void FileCounted(const FileTotals& file) override;

    // Adds a row of cells given as texts: a count column takes a plain decimal count as its number
    // and keeps any other text as it is. Cells beyond the columns are left out.
    void AddRow(const QStringList& cells);
    // Adds a row of empty cells; answers its row.
    int AppendRow();
    void SetText(int row, int column, const QString& text);
    void SetCount(int row, int column, qint64 count);

    void AddColumn(const QString& header, CellKind kind = CellKind::Text);
    // Adds the columns of a counting mode (ResultHeaders; the last one of counts); existing
    // columns stay.
    void SetColumns(CountMode mode);
    void ClearColumns();
    // Removes every row; headers and totals stay.
    void ClearRows();

    int ColumnCount() const { return static_cast<int>(m_columns.size()); }
    QString Header(int column) const;
    QStringList Headers() const;
    CellKind Kind(int column) const;

    int RowCount() const { return m_rowCount; }
    // The cell's text (a count in decimal digits); empty outside the stored rows and columns.
    QString Cell(int row, int column) const;
    // The text of a text cell; empty for counts and outside the stored rows and columns.
    const QString& TextRef(int row, int column) const;
    // True when the cell holds a count, given to count.
    bool CountAt(int row, int column, qint64* count = nullptr) const;
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
    struct Column {
        QString header;
        CellKind kind = CellKind::Text;
        std::vector<QString> texts; // text columns
        std::vector<qint64> counts; // count columns: kNoCount when empty, kOddCount for a text
    };
    static constexpr qint64 kNoCount = -1;
    static constexpr qint64 kOddCount = -2;
    static quint64 OddKey(int row, int column) {
        return (static_cast<quint64>(column) << 32) | static_cast<quint32>(row);
    }
    bool InRange(int row, int column) const {
        return row >= 0 && row < m_rowCount && column >= 0 && column < ColumnCount();
    }

    std::vector<Column> m_columns;
    QHash<quint64, QString> m_oddCells; // texts in count columns that are no count
    std::vector<bool> m_ticks;
    int m_rowCount = 0;
    int m_tickedCount = 0;
    Totals m_totals;
    bool m_hasTotals = false;
    QList<FileSummary> m_files;
    int m_rowsOfFiles = 0; // the rows of the files counted so far
};
