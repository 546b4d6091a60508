#pragma once

#include "analysis/Pass.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QTimer>
#include <vector>

// The results list: column headers with their designed widths, rows of plain-text cells and a
// tick box in front of every row. Rows are added unticked; only the user ticks them.
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

    int ColumnCount() const { return static_cast<int>(m_headers.size()); }
    QString Header(int column) const;
    int ColumnWidthTwips(int column) const;
    QStringList Headers() const { return m_headers; }

    // Every stored row, including rows not yet announced to views.
    int RowCount() const { return m_rowCount; }
    // The cell's text; empty outside the stored rows and columns.
    QString Cell(int row, int column) const;
    const QString& CellRef(int row, int column) const;
    bool IsTicked(int row) const;
    int TickedCount() const { return m_tickedCount; }

    // Ticks for the user's actions (tick box, keyboard, context menu) and the command line.
    void SetTicked(int row, bool ticked);
    void SetTicked(const QList<int>& rows, bool ticked);
    // Rows first to last (clamped to the stored rows).
    void SetTickedRange(int first, int last, bool ticked);
    void SetAllTicked(bool ticked);

    bool HasTotals() const { return m_hasTotals; }
    const Totals& LastTotals() const { return m_totals; }
    // The four count captions of the last totals (" Word count: N", …).
    QStringList Captions() const;

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
    void Restride(int stride);
    void EmitTickChanged(int row);

    QStringList m_headers;
    std::vector<int> m_widths;
    // Cells row by row, m_stride per row; short rows are padded with empty texts.
    std::vector<QString> m_cells;
    std::vector<bool> m_ticks;
    int m_stride = 0;
    int m_rowCount = 0;
    int m_shownCount = 0; // rows announced to views
    int m_tickedCount = 0;
    Totals m_totals;
    bool m_hasTotals = false;
    QTimer m_flushTimer;
};
