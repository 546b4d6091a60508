#pragma once

#include "core/results/ResultTable.h"
#include "gui/BackgroundJob.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QTimer>
#include <map>
#include <memory>
#include <vector>

// What a column of the results list holds, for sorting, finding and the chart: the per-file
// label ("Filename"), the word (" Words") or the number of occurrences ("Count").
enum class ResultColumnKind { Other, FileLabel, Word, Count };

// The results list as a Qt model over the run's ResultTable: column headers with their designed
// widths, rows of plain-text cells and a tick box in front of every row. Rows are added
// unticked; only the user ticks them.
//
// Producers append rows through ResultSink::AddRow. Appended rows are kept back from attached
// views and announced in one batch when the event queue gets a turn (or when FlushPending is
// called), so a run that adds 100,000 rows costs the view one insertion, not 100,000.
// Everything but rowCount() sees every stored row at once.
//
// What views see can be sorted by a column and narrowed to the words that contain a text. The
// table keeps its rows in the order they were added (the order the exports follow when nothing
// is sorted or found); the view order is a list of table rows on top of it. The Qt model
// interface (index, data, setData) speaks of view rows; everything else of table rows.
class ResultsModel : public QAbstractTableModel, public ResultSink {
    Q_OBJECT
public:
    explicit ResultsModel(QObject* parent = nullptr);
    ~ResultsModel() override;

    // ResultSink
    void AddRow(const WordRow& row) override;
    void SetTotals(const Totals& totals) override;
    // Per file: the file's counts, for the file summary.
    void FileCounted(const FileTotals& file) override { m_table.FileCounted(file); }
    // A row of cells given as texts (ResultTable::AddRow).
    void AddRow(const QStringList& cells);

    // Columns: header text, designed width in twips, what it holds.
    void AddColumn(const QString& header, int widthTwips, ResultColumnKind kind = ResultColumnKind::Other);
    // The columns of a counting mode: all files " Words" 6300, "Count" 1000; per file
    // "Filename" 5000, " Words" 1500, "Count" 1000. Existing columns stay.
    void SetColumns(CountMode mode);
    void ClearColumns();
    // Removes every row; headers, widths and totals stay.
    void ClearRows();

    int ColumnCount() const { return m_table.ColumnCount(); }
    QString Header(int column) const { return m_table.Header(column); }
    int ColumnWidthTwips(int column) const;
    ResultColumnKind ColumnKind(int column) const;
    QStringList Headers() const { return m_table.Headers(); }

    // Every stored row, including rows not yet announced to views.
    int RowCount() const { return m_table.RowCount(); }
    // The cell's text; empty outside the stored rows and columns.
    QString Cell(int row, int column) const { return m_table.Cell(row, column); }
    // The text of a text cell (empty for counts), and the number of a count cell.
    const QString& TextRef(int row, int column) const { return m_table.TextRef(row, column); }
    bool CountAt(int row, int column, qint64* count = nullptr) const { return m_table.CountAt(row, column, count); }
    bool IsTicked(int row) const { return m_table.IsTicked(row); }
    int TickedCount() const { return m_table.TickedCount(); }

    // The plain table behind the model (what the exports read).
    const ResultTable& Table() const { return m_table; }

    // Ticks for the user's actions (tick box, keyboard, context menu) and the command line.
    void SetTicked(int row, bool ticked);
    void SetTicked(const QList<int>& rows, bool ticked);
    // Rows first to last (clamped to the stored rows).
    void SetTickedRange(int first, int last, bool ticked);
    void SetAllTicked(bool ticked);

    bool HasTotals() const { return m_table.HasTotals(); }
    const Totals& LastTotals() const { return m_table.LastTotals(); }
    // The four count captions of the last totals (" Word count: N", …).
    QStringList Captions() const { return m_table.Captions(); }

    // Ticks of view rows first to last (clamped to the rows shown).
    void SetViewRangeTicked(int first, int last, bool ticked);
    // Ticks every row shown (every stored row while nothing is sorted or found).
    void SetShownTicked(bool ticked);

    // Sorts the rows shown by a column: words and other texts alphabetically (letter case
    // ignored first), counts numerically; rows that compare equal keep
    // their table order. Column -1 shows the table order again.
    void SortRows(int column, Qt::SortOrder order);
    int SortColumn() const { return m_sortColumn; }
    Qt::SortOrder SortOrder() const { return m_sortOrder; }
    // Shows only the rows whose word contains text, letter case ignored; "" shows every row.
    void SetFilter(const QString& text);
    const QString& Filter() const { return m_filter; }
    // Table order, every row.
    void ClearView();
    // True while the rows shown differ from the table's rows in table order.
    bool IsReordered() const { return m_mapped; }
    // The table rows shown, in view order; every stored row while nothing is sorted or found.
    QList<int> ShownRows() const;
    int ShownCount() const { return m_mapped ? static_cast<int>(m_order.size()) : RowCount(); }
    // Table row of a view row, and back (-1 for a row that is not shown).
    int TableRow(int viewRow) const;
    int ViewRow(int tableRow) const;
    // The first column of a kind, -1 when there is none.
    int ColumnOfKind(ResultColumnKind kind) const;

    // True while a new order of many rows is being made (on a thread of its own: the rows shown
    // change when it is ready); WaitForOrder takes it at once.
    bool Busy() const { return m_job.Busy(); }
    void WaitForOrder() { m_job.Wait(); }
    // Up to this many rows the order is made at once, on the windows' thread.
    void SetAtOnceLimit(int rows) { m_atOnce = rows; }

    // Announces rows appended since the last batch to attached views.
    void FlushPending();

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    // The four captions changed (SetTotals).
    void TotalsChanged();
    // Headers or their widths changed; views re-apply the widths.
    void ColumnsChanged();
    // The rows shown are in a new order (sorted, found).
    void OrderShown();

private:
    void EmitTickChanged(int row);
    void EmitAllTicksChanged();
    // Applies the sort and the filter to every stored row: at once for a few rows, else once the
    // order is made.
    void RebuildView(bool resort);
    struct ViewWork;
    void ShowView(int rows, bool mapped, QList<int> sorted, QList<int> shown);
    std::shared_ptr<const std::vector<QString>> ColumnTexts(int column);

    template <typename Add> void AddRowWith(Add add);

    ResultTable m_table;
    std::vector<int> m_twips;
    std::vector<ResultColumnKind> m_kinds;
    int m_shownCount = 0; // rows announced to views (all stored rows taken in, once reordered)
    QTimer m_flushTimer;

    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QString m_filter;
    bool m_mapped = false;
    QList<int> m_sorted;       // every stored row in sort order; empty for table order
    QList<int> m_order;        // view row -> table row, while mapped
    std::vector<int> m_viewOf; // table row -> view row or -1, while mapped
    int m_atOnce = 20000;
    BackgroundJob m_job{this};
    bool m_resortPending = false;                                             // the job being made sorts anew
    std::map<int, std::shared_ptr<const std::vector<QString>>> m_columnTexts; // while the rows stay
};
