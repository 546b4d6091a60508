#pragma once

#include "core/results/ResultTable.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QTimer>

// The results list as a Qt model over the run's ResultTable: column headers with their designed
// widths, rows of plain-text cells and a tick box in front of every row. Rows are added
// unticked; only the user ticks them.
//
// Producers append rows through ResultSink::AddRow. Appended rows are kept back from attached
// views and announced in one batch when the event queue gets a turn (or when FlushPending is
// called), so a run that adds 100,000 rows costs the view one insertion, not 100,000.
// Everything but rowCount() sees every stored row at once.
class ResultsModel : public QAbstractTableModel, public ResultSink {
    Q_OBJECT
public:
    explicit ResultsModel(QObject* parent = nullptr);
    ~ResultsModel() override;

    // ResultSink
    void AddRow(const QStringList& cells) override;
    void SetTotals(const Totals& totals) override;

    // Columns: header text and designed width in twips.
    void AddColumn(const QString& header, int widthTwips);
    // The columns of a counting mode: all files " Words" 6300, "Count" 1000; per file
    // "Filename" 5000, " Words" 1500, "Count" 1000. Existing columns stay.
    void SetColumns(CountMode mode);
    void ClearColumns();
    // Removes every row; headers, widths and totals stay.
    void ClearRows();

    int ColumnCount() const { return m_table.ColumnCount(); }
    QString Header(int column) const { return m_table.Header(column); }
    int ColumnWidthTwips(int column) const { return m_table.ColumnWidthTwips(column); }
    QStringList Headers() const { return m_table.Headers(); }

    // Every stored row, including rows not yet announced to views.
    int RowCount() const { return m_table.RowCount(); }
    // The cell's text; empty outside the stored rows and columns.
    QString Cell(int row, int column) const { return m_table.Cell(row, column); }
    const QString& CellRef(int row, int column) const { return m_table.CellRef(row, column); }
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

private:
    void EmitTickChanged(int row);

    ResultTable m_table;
    int m_shownCount = 0; // rows announced to views
    QTimer m_flushTimer;
};
