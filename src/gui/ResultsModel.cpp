#include "gui/ResultsModel.h"

#include "core/base/Paths.h"
#include "gui/ListOrder.h"

#include <algorithm>
#include <memory>
#include <numeric>

namespace {

struct ColumnLayout {
    int twips;
    ResultColumnKind kind;
};

// The window's columns of a counting mode, beside the headers the exports share: all files
// " Words" 6300, "Count" 1000; per file "Filename" 5000, " Words" 1500, "Count" 1000.
QList<ColumnLayout> ColumnLayouts(CountMode mode) {
    switch (mode) {
    case CountMode::AllFiles:
        return {{6300, ResultColumnKind::Word}, {1000, ResultColumnKind::Count}};
    case CountMode::PerFile:
        return {{5000, ResultColumnKind::FileLabel}, {1500, ResultColumnKind::Word}, {1000, ResultColumnKind::Count}};
    case CountMode::None:
        break;
    }
    return {};
}

} // namespace

ResultsModel::ResultsModel(QObject* parent) : QAbstractTableModel(parent) {
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(0);
    connect(&m_flushTimer, &QTimer::timeout, this, &ResultsModel::FlushPending);
}

ResultsModel::~ResultsModel() = default;

template <typename Add> void ResultsModel::AddRowWith(Add add) {
    add();
    if (!m_flushTimer.isActive()) {
        m_flushTimer.start();
    }
}

void ResultsModel::AddRow(const WordRow& row) {
    AddRowWith([&] { m_table.AddRow(row); });
}

void ResultsModel::AddRow(const QStringList& cells) {
    AddRowWith([&] { m_table.AddRow(cells); });
}

void ResultsModel::FlushPending() {
    m_flushTimer.stop();
    if (m_shownCount >= RowCount()) {
        return;
    }
    if (m_mapped) {
        RebuildView(true);
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

void ResultsModel::AddColumn(const QString& header, int widthTwips, ResultColumnKind kind) {
    FlushPending();
    const int column = ColumnCount();
    beginInsertColumns(QModelIndex(), column, column);
    m_table.AddColumn(header, kind == ResultColumnKind::Count ? CellKind::Count : CellKind::Text);
    m_twips.push_back(widthTwips);
    m_kinds.push_back(kind);
    endInsertColumns();
    emit ColumnsChanged();
}

void ResultsModel::SetColumns(CountMode mode) {
    const QStringList headers = ResultHeaders(mode);
    const QList<ColumnLayout> layouts = ColumnLayouts(mode);
    for (qsizetype c = 0; c < headers.size(); ++c) {
        AddColumn(headers[c], layouts[c].twips, layouts[c].kind);
    }
}

int ResultsModel::ColumnWidthTwips(int column) const {
    return column >= 0 && column < ColumnCount() ? m_twips[static_cast<size_t>(column)] : 0;
}

ResultColumnKind ResultsModel::ColumnKind(int column) const {
    return column >= 0 && column < ColumnCount() ? m_kinds[static_cast<size_t>(column)] : ResultColumnKind::Other;
}

void ResultsModel::ClearColumns() {
    if (ColumnCount() == 0) {
        return;
    }
    FlushPending();
    beginRemoveColumns(QModelIndex(), 0, ColumnCount() - 1);
    m_columnTexts.clear();
    m_table.ClearColumns();
    m_twips.clear();
    m_kinds.clear();
    endRemoveColumns();
    emit ColumnsChanged();
    if (m_sortColumn >= 0) {
        m_sortColumn = -1; // the column is gone
        RebuildView(true);
    }
}

void ResultsModel::ClearRows() {
    m_flushTimer.stop();
    m_job.Cancel();
    m_columnTexts.clear();
    const int shown = rowCount();
    if (shown > 0) {
        beginRemoveRows(QModelIndex(), 0, shown - 1);
    }
    m_table.ClearRows();
    m_shownCount = 0;
    m_sorted.clear();
    m_order.clear();
    m_viewOf.clear();
    if (shown > 0) {
        endRemoveRows();
    }
}

void ResultsModel::EmitTickChanged(int row) {
    const int view = ViewRow(row);
    if (view >= 0 && view < rowCount() && ColumnCount() > 0) {
        const QModelIndex cell = index(view, 0);
        emit dataChanged(cell, cell, {Qt::CheckStateRole});
    }
}

void ResultsModel::EmitAllTicksChanged() {
    if (rowCount() > 0 && ColumnCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::CheckStateRole});
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
    if (m_mapped) {
        EmitAllTicksChanged();
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

void ResultsModel::SetViewRangeTicked(int first, int last, bool ticked) {
    if (!m_mapped) {
        SetTickedRange(first, std::min(last, rowCount() - 1), ticked);
        return;
    }
    first = std::max(first, 0);
    last = std::min(last, rowCount() - 1);
    if (first > last) {
        return;
    }
    for (int view = first; view <= last; ++view) {
        m_table.SetTicked(m_order[view], ticked);
    }
    if (ColumnCount() > 0) {
        emit dataChanged(index(first, 0), index(last, 0), {Qt::CheckStateRole});
    }
}

void ResultsModel::SetShownTicked(bool ticked) {
    if (m_mapped) {
        SetViewRangeTicked(0, rowCount() - 1, ticked);
    } else {
        SetAllTicked(ticked);
    }
}

int ResultsModel::ColumnOfKind(ResultColumnKind kind) const {
    for (int c = 0; c < ColumnCount(); ++c) {
        if (ColumnKind(c) == kind) {
            return c;
        }
    }
    return -1;
}

int ResultsModel::TableRow(int viewRow) const {
    if (!m_mapped) {
        return viewRow;
    }
    return viewRow >= 0 && viewRow < m_order.size() ? m_order[viewRow] : -1;
}

int ResultsModel::ViewRow(int tableRow) const {
    if (!m_mapped) {
        return tableRow >= 0 && tableRow < m_shownCount ? tableRow : -1;
    }
    return tableRow >= 0 && tableRow < static_cast<int>(m_viewOf.size()) ? m_viewOf[tableRow] : -1;
}

QList<int> ResultsModel::ShownRows() const {
    if (m_mapped) {
        return m_order;
    }
    QList<int> rows(RowCount());
    std::iota(rows.begin(), rows.end(), 0);
    return rows;
}

void ResultsModel::SortRows(int column, Qt::SortOrder order) {
    if (column >= ColumnCount()) {
        column = -1;
    }
    if (column == m_sortColumn && (column < 0 || order == m_sortOrder)) {
        return;
    }
    m_sortColumn = column;
    m_sortOrder = order;
    RebuildView(true);
}

void ResultsModel::SetFilter(const QString& text) {
    if (text == m_filter) {
        return;
    }
    m_filter = text;
    RebuildView(false);
}

void ResultsModel::ClearView() {
    if (m_sortColumn < 0 && m_filter.isEmpty()) {
        return;
    }
    m_sortColumn = -1;
    m_filter.clear();
    RebuildView(true);
}

// What the order of the rows is made from, taken on the windows' thread (the texts are shared, not
// copied), and the order made from it, on a thread of its own when there are many rows.
struct ResultsModel::ViewWork {
    int rows = 0;
    bool resort = false;
    bool descending = false;
    bool counts = false;
    std::shared_ptr<const std::vector<QString>> sortTexts;
    std::vector<double> sortCounts;
    QList<int> sorted; // the order kept, when not sorted again
    QString filter;
    std::shared_ptr<const std::vector<QString>> words;

    struct Order {
        QList<int> sorted;
        QList<int> shown;
        bool cancelled = false;
    };

    Order Make(const std::atomic<bool>& cancelled) const {
        Order order;
        order.sorted = sorted;
        if (resort && (counts ? !sortCounts.empty() : sortTexts && !sortTexts->empty())) {
            SortKeys keys;
            keys.isNumber.assign(static_cast<size_t>(rows), counts ? 1 : 0);
            if (counts) {
                keys.numbers = sortCounts;
            } else {
                // Alphabetical with letter case ignored, then with it, so "Apple" and "apple" stay
                // together.
                keys.texts.reserve(static_cast<size_t>(rows));
                for (const QString& text : *sortTexts) {
                    keys.texts.push_back(text.toCaseFolded());
                }
                keys.ties = *sortTexts;
            }
            order.sorted = SortedRows(keys, descending, cancelled);
        }
        QList<int> all;
        if (order.sorted.isEmpty()) {
            all.resize(rows);
            std::iota(all.begin(), all.end(), 0);
        }
        const QList<int>& candidates = order.sorted.isEmpty() ? all : order.sorted;
        order.shown = filter.isEmpty() || !words ? candidates : FoundRows(&candidates, *words, filter, cancelled);
        order.cancelled = cancelled;
        return order;
    }
};

void ResultsModel::RebuildView(bool resort) {
    m_flushTimer.stop();
    const bool mapped = m_sortColumn >= 0 || !m_filter.isEmpty();
    if (!mapped && !m_mapped) {
        m_job.Cancel();
        FlushPending();
        return;
    }
    ViewWork work;
    work.rows = RowCount();
    // A sort still being made is made again with the rest.
    work.resort = m_sortColumn >= 0 && (resort || m_shownCount != work.rows || (m_job.Busy() && m_resortPending));
    work.descending = m_sortOrder == Qt::DescendingOrder;
    work.counts = m_sortColumn >= 0 && m_table.Kind(m_sortColumn) == CellKind::Count;
    if (work.resort && work.counts) {
        work.sortCounts.reserve(static_cast<size_t>(work.rows));
        for (int r = 0; r < work.rows; ++r) {
            qint64 value = -1; // cells that hold no count sort before every count
            CountAt(r, m_sortColumn, &value);
            work.sortCounts.push_back(static_cast<double>(value));
        }
    } else if (work.resort) {
        work.sortTexts = ColumnTexts(m_sortColumn);
    } else if (m_sortColumn >= 0) {
        work.sorted = m_sorted;
    }
    const int wordColumn = ColumnOfKind(ResultColumnKind::Word);
    if (!m_filter.isEmpty() && wordColumn >= 0) {
        work.filter = m_filter;
        work.words = ColumnTexts(wordColumn);
    }
    const int rows = work.rows;
    const auto show = [this, rows, mapped](ViewWork::Order order) {
        ShowView(rows, mapped, std::move(order.sorted), std::move(order.shown));
    };
    if (rows <= m_atOnce) {
        m_job.Cancel();
        const std::atomic<bool> never{false};
        show(work.Make(never));
        return;
    }
    m_resortPending = work.resort;
    m_job.Start<ViewWork::Order>(
        [work = std::move(work)](const std::atomic<bool>& cancelled) { return work.Make(cancelled); }, show);
}

// The texts of a column as the job reads them, taken once for all the letters typed and clicks
// made while the rows stay.
std::shared_ptr<const std::vector<QString>> ResultsModel::ColumnTexts(int column) {
    auto& kept = m_columnTexts[column];
    if (!kept || static_cast<int>(kept->size()) != RowCount()) {
        auto texts = std::make_shared<std::vector<QString>>();
        texts->reserve(static_cast<size_t>(RowCount()));
        for (int r = 0; r < RowCount(); ++r) {
            texts->push_back(TextRef(r, column));
        }
        kept = std::move(texts);
    }
    return kept;
}

// The order made in place of the one shown; views keep their selection of rows that stay shown.
void ResultsModel::ShowView(int rows, bool mapped, QList<int> sorted, QList<int> shown) {
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<int> tableRows;
    tableRows.reserve(static_cast<size_t>(before.size()));
    for (const QModelIndex& index : before) {
        tableRows.push_back(TableRow(index.row()));
    }
    m_sorted = m_sortColumn >= 0 ? std::move(sorted) : QList<int>();
    m_shownCount = rows;
    m_mapped = mapped;
    m_order.clear();
    m_viewOf.clear();
    if (mapped) {
        m_order = std::move(shown);
        m_viewOf.assign(static_cast<size_t>(RowCount()), -1);
        for (int view = 0; view < m_order.size(); ++view) {
            m_viewOf[static_cast<size_t>(m_order[view])] = view;
        }
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        const int view = ViewRow(tableRows[static_cast<size_t>(i)]);
        after << (view >= 0 ? index(view, before[i].column()) : QModelIndex());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged();
    emit OrderShown();
    // Rows that came while the order was made are taken in next.
    if (RowCount() > m_shownCount && !m_flushTimer.isActive()) {
        m_flushTimer.start();
    }
}

int ResultsModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return m_mapped ? static_cast<int>(m_order.size()) : m_shownCount;
}

int ResultsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount();
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const int row = TableRow(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return Cell(row, index.column());
    case Qt::ToolTipRole:
        if (ColumnKind(index.column()) == ResultColumnKind::FileLabel) {
            return TextRef(row, index.column());
        }
        return {};
    case Qt::CheckStateRole:
        if (index.column() == 0) {
            return static_cast<int>(IsTicked(row) ? Qt::Checked : Qt::Unchecked);
        }
        return {};
    default:
        return {};
    }
}

bool ResultsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole || index.row() >= rowCount()) {
        return false;
    }
    SetTicked(TableRow(index.row()), static_cast<Qt::CheckState>(value.toInt()) == Qt::Checked);
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
