#include "gui/CorpusViews.h"

#include "core/base/ErrorReport.h"
#include "core/base/Places.h"
#include "core/base/Texts.h"
#include "core/corpus/Concordance.h"
#include "core/corpus/LexicalProfile.h"
#include "core/corpus/Phrases.h"
#include "core/corpus/WordStats.h"
#include "core/export/DataExport.h"
#include "core/export/Export.h"
#include "gui/DispersionView.h"
#include "gui/FileView.h"
#include "gui/GuiHelpers.h"
#include "gui/ListOrder.h"
#include "gui/ResultsModel.h"
#include "gui/SaveDialog.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <map>
#include <mutex>
#include <numeric>

namespace {

const QString kCsvFilter = QStringLiteral("CSV (*.csv)|*.csv|All Files (*.*)|*.*|");
const QString kTextFilter = QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|");
constexpr int kWidth = 980;
constexpr int kHeight = 680;

QAction* AddAction(QTreeView& list, const QString& name, const QString& text, const QKeySequence& keys) {
    auto* action = new QAction(text, &list);
    action->setObjectName(name);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    list.addAction(action);
    return action;
}

} // namespace

QString Plural(qint64 n, const QString& one, const QString& many) {
    return QString::number(n) + u' ' + (n == 1 ? one : many);
}

QLabel* Caption(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text, buddy->parentWidget());
    label->setBuddy(buddy);
    return label;
}

// What sorting and finding read of the rows, made from the table on the job's thread when first
// needed and kept for the next order. The table does not change while the model shows it.
struct CorpusTableModel::Keys {
    std::shared_ptr<const ResultTable> table;
    std::vector<QStringList> sortKeys;
    std::mutex mutex;           // one maker at a time: a job, or the windows' thread for a few rows
    std::vector<QString> cells; // a row's cells, apart by a character nobody types
    std::map<int, SortKeys> columns;

    const std::vector<QString>& Cells() {
        const std::lock_guard lock(mutex);
        if (cells.empty()) {
            cells.reserve(static_cast<size_t>(table->RowCount()));
            for (int r = 0; r < table->RowCount(); ++r) {
                QString joined;
                for (int c = 0; c < table->ColumnCount(); ++c) {
                    joined += table->Cell(r, c) + QChar(0x1F);
                }
                cells.push_back(std::move(joined));
            }
        }
        return cells;
    }

    const SortKeys& Column(int column) {
        const std::lock_guard lock(mutex);
        auto found = columns.find(column);
        if (found != columns.end()) {
            return found->second;
        }
        SortKeys& keys = columns[column];
        const auto rows = static_cast<size_t>(table->RowCount());
        keys.numbers.assign(rows, 0);
        keys.isNumber.assign(rows, 0);
        keys.texts.resize(rows);
        for (size_t r = 0; r < rows; ++r) {
            if (r < sortKeys.size() && column < sortKeys[r].size() && !sortKeys[r][column].isNull()) {
                keys.texts[r] = sortKeys[r][column];
                continue;
            }
            const QString cell = table->Cell(static_cast<int>(r), column);
            double value = 0;
            if (IsDecimalNumber(cell, &value)) {
                keys.isNumber[r] = 1;
                keys.numbers[r] = value;
            } else {
                keys.texts[r] = cell.toCaseFolded();
            }
        }
        return keys;
    }
};

CorpusTableModel::CorpusTableModel(QObject* parent) : QAbstractTableModel(parent) {}

CorpusTableModel::~CorpusTableModel() = default;

void CorpusTableModel::SetRows(std::shared_ptr<ResultTable> table, std::vector<QStringList> sortKeys,
                               int rightAligned) {
    m_job.Cancel();
    beginResetModel();
    m_table = std::move(table);
    m_keys = std::make_shared<Keys>();
    m_keys->table = m_table;
    m_keys->sortKeys = std::move(sortKeys);
    m_rightAligned = rightAligned;
    m_order.clear();
    m_all = true;
    m_shownFilter.clear();
    m_shownColumn = -1;
    endResetModel();
    if (m_sortColumn >= 0 || !m_filter.isEmpty()) {
        Reorder(false);
    }
}

void CorpusTableModel::SetFilter(const QString& text) {
    if (text != m_filter) {
        m_filter = text;
        Reorder(false);
    }
}

void CorpusTableModel::sort(int column, Qt::SortOrder order) {
    m_sortColumn = column >= 0 && column < columnCount() ? column : -1;
    m_sortOrder = order;
    Reorder(true);
}

void CorpusTableModel::Reorder(bool sorted) {
    const int rows = m_table->RowCount();
    const int column = m_sortColumn;
    const bool descending = m_sortOrder == Qt::DescendingOrder;
    const QString filter = m_filter;
    if (column < 0 && filter.isEmpty()) {
        m_job.Cancel();
        ShowOrder({}, sorted);
        return;
    }
    // A longer find text keeps only rows shown now, when they are in the order asked for.
    const bool narrower = !sorted && m_shownColumn == column && m_shownOrder == m_sortOrder &&
                          !m_shownFilter.isEmpty() && filter.contains(m_shownFilter, Qt::CaseInsensitive);
    const QList<int> shown = narrower ? m_order : QList<int>();
    auto work = [keys = m_keys, rows, column, descending, filter, narrower,
                 shown](const std::atomic<bool>& cancelled) -> QList<int> {
        QList<int> order;
        if (narrower) {
            order = shown;
        } else if (column >= 0) {
            order = SortedRows(keys->Column(column), descending, cancelled);
        } else {
            order.resize(rows);
            std::iota(order.begin(), order.end(), 0);
        }
        return filter.isEmpty() || cancelled ? order : FoundRows(&order, keys->Cells(), filter, cancelled);
    };
    const auto show = [this, sorted, filter, column, order = m_sortOrder](QList<int> rows) {
        m_shownFilter = filter;
        m_shownColumn = column;
        m_shownOrder = order;
        ShowOrder(std::move(rows), sorted);
    };
    if (rows <= m_atOnce) {
        m_job.Cancel();
        const std::atomic<bool> never{false};
        show(work(never));
        return;
    }
    m_job.Start<QList<int>>(work, show);
}

// The new order in place of the old, keeping the selected rows selected where they are shown.
void CorpusTableModel::ShowOrder(QList<int> order, bool sorted) {
    const bool all = m_sortColumn < 0 && m_filter.isEmpty();
    if (all) {
        m_shownFilter.clear();
        m_shownColumn = -1;
    }
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    std::vector<int> rows;
    rows.reserve(static_cast<size_t>(before.size()));
    for (const QModelIndex& index : before) {
        rows.push_back(TableRow(index.row()));
    }
    m_all = all;
    m_order = all ? QList<int>() : std::move(order);
    std::vector<int> viewOf;
    if (!m_all && !before.isEmpty()) {
        viewOf.assign(static_cast<size_t>(m_table->RowCount()), -1);
        for (qsizetype view = 0; view < m_order.size(); ++view) {
            viewOf[static_cast<size_t>(m_order[view])] = static_cast<int>(view);
        }
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        const int row = rows[static_cast<size_t>(i)];
        const int view = m_all ? row : row >= 0 ? viewOf[static_cast<size_t>(row)] : -1;
        after << (view >= 0 ? index(view, before[i].column()) : QModelIndex());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged();
    emit OrderShown(sorted);
}

QList<int> CorpusTableModel::ShownRows() const {
    if (!m_all) {
        return m_order;
    }
    QList<int> rows(m_table->RowCount());
    std::iota(rows.begin(), rows.end(), 0);
    return rows;
}

int CorpusTableModel::TableRow(int viewRow) const {
    if (m_all) {
        return viewRow >= 0 && viewRow < m_table->RowCount() ? viewRow : -1;
    }
    return viewRow >= 0 && viewRow < m_order.size() ? m_order[viewRow] : -1;
}

int CorpusTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return m_all ? m_table->RowCount() : static_cast<int>(m_order.size());
}

int CorpusTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_table->ColumnCount();
}

QVariant CorpusTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return m_table->Cell(TableRow(index.row()), index.column());
    case Qt::TextAlignmentRole:
        return index.column() == m_rightAligned ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant CorpusTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        return m_table->Header(section);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

CorpusView::CorpusView(Ui& ui, const QString& title, QString exportName, QWidget* parent)
    : QWidget(parent, Qt::Window), m_ui(ui), m_exportName(std::move(exportName)) {
    setWindowTitle(title + QStringLiteral(" - ") + AppTitle());
    auto* layout = new QVBoxLayout(this);
    Controls = new QHBoxLayout;
    layout->addLayout(Controls);
    auto* findRow = new QHBoxLayout;
    FindBox = new QLineEdit(this);
    FindBox->setObjectName(QStringLiteral("FindBox"));
    FindBox->setClearButtonEnabled(true);
    findRow->addWidget(Caption(QStringLiteral("F&ind:"), FindBox));
    findRow->addWidget(FindBox, 1);
    layout->addLayout(findRow);

    m_model = new CorpusTableModel(this);
    Table = new QTableView(this);
    Table->setObjectName(QStringLiteral("Table"));
    Table->setModel(m_model);
    Table->setSortingEnabled(true);
    Table->sortByColumn(-1, Qt::AscendingOrder); // the order found until a header is clicked
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setWordWrap(false);
    Table->verticalHeader()->setVisible(false);
    Table->verticalHeader()->setDefaultSectionSize(Table->fontMetrics().height() + 6);
    layout->addWidget(Table, 1);

    auto* bottom = new QHBoxLayout;
    Status = new QLabel(this);
    Status->setObjectName(QStringLiteral("Status"));
    Status->setWordWrap(true);
    bottom->addWidget(Status, 1);
    CsvButton = new QPushButton(QStringLiteral("Save As &CSV..."), this);
    CsvButton->setObjectName(QStringLiteral("CsvButton"));
    TextButton = new QPushButton(QStringLiteral("Save As &Text File..."), this);
    TextButton->setObjectName(QStringLiteral("TextButton"));
    bottom->addWidget(CsvButton);
    bottom->addWidget(TextButton);
    layout->addLayout(bottom);

    CloseWithKeys(this);
    connect(FindBox, &QLineEdit::textChanged, m_model, &CorpusTableModel::SetFilter);
    connect(FindBox, &QLineEdit::textChanged, this, [this] { ShowStatus(); });
    connect(m_model, &CorpusTableModel::OrderShown, this, [this](bool sorted) {
        ShowStatus();
        if (sorted) {
            Table->scrollToTop(); // a new order is read from its start
        }
    });
    connect(CsvButton, &QPushButton::clicked, this, [this] { SaveCsv(); });
    connect(TextButton, &QPushButton::clicked, this, [this] { SaveText(); });
}

void CorpusView::SetRows(std::shared_ptr<ResultTable> table, std::vector<QStringList> sortKeys, const QString& count,
                         int rightAligned, const QString& note) {
    m_count = count;
    m_note = note;
    m_model->SetRows(std::move(table), std::move(sortKeys), rightAligned);
    ShowStatus();
    Table->resizeColumnsToContents();
    for (int c = 0; c < m_model->columnCount(); ++c) {
        Table->setColumnWidth(c, std::min(Table->columnWidth(c), 420));
    }
}

void CorpusView::ShowStatus() {
    QString status = m_count;
    const QString found = FindBox->text();
    if (!found.isEmpty()) {
        if (m_model->Busy()) {
            status = QStringLiteral("Finding \"%1\" in %2\u2026").arg(found, m_count);
        } else {
            status = QStringLiteral("%1 of %2 with \"%3\"").arg(m_model->rowCount()).arg(m_count, found);
        }
    }
    if (m_count.isEmpty() || m_note.isEmpty()) {
        Status->setText(m_count.isEmpty() ? m_note : status);
    } else {
        Status->setText(status + QStringLiteral(". ") + m_note);
    }
}

QList<int> CorpusView::ShownOrder() const {
    return m_model->ShownRows();
}

bool CorpusView::SaveCsv() {
    return Save(ExportFormat::Csv, kCsvFilter, QStringLiteral("csv"));
}

bool CorpusView::SaveText() {
    return Save(ExportFormat::Text, kTextFilter, QStringLiteral("txt"));
}

bool CorpusView::Save(ExportFormat format, const QString& filter, const QString& extension) {
    const QString path = AskSavePath(m_ui, QStringLiteral("Save"), filter, m_exportName + u'.' + extension, extension);
    if (path.isEmpty()) {
        return false;
    }
    const QList<int> order = ShownOrder();
    ExportOptions options;
    options.order = &order;
    try {
        Export(format, Rows(), options, path);
    } catch (const ExportFailure& failure) {
        TellSaved(m_ui, QStringLiteral("The rows"), path, false, failure.Reason());
        return false;
    }
    TellSaved(m_ui, QStringLiteral("The rows"), path, true, {});
    return true;
}

void CorpusView::PlaceOver(const QWidget* window) {
    ::PlaceOver(this, window, QSize(kWidth, kHeight));
}

CorpusAdditions::CorpusAdditions(Ui& ui, ResultsModel& model, QTreeView& list, QWidget& window)
    : QObject(&window), m_ui(ui), m_model(model), m_list(list), m_window(window) {
    setObjectName(QStringLiteral("CorpusAdditions"));
    QAction* concordance = AddAction(list, QStringLiteral("ConcordanceAction"), QStringLiteral("Words In Context..."),
                                     Qt::CTRL | Qt::Key_K);
    QAction* phrases =
        AddAction(list, QStringLiteral("PhrasesAction"), QStringLiteral("Frequent Phrases..."), Qt::CTRL | Qt::Key_J);
    QAction* statistics =
        AddAction(list, QStringLiteral("StatisticsAction"), QStringLiteral("Word Statistics..."), Qt::CTRL | Qt::Key_I);
    m_summaryAction =
        AddAction(list, QStringLiteral("FileSummaryAction"), QStringLiteral("File Summary..."), Qt::CTRL | Qt::Key_U);
    m_summaryAction->setEnabled(false); // until a run that counts each file on its own
    QAction* keywords = AddAction(list, QStringLiteral("KeywordsAction"), QStringLiteral("Keywords..."),
                                  Qt::CTRL | Qt::SHIFT | Qt::Key_K);
    QAction* collocates =
        AddAction(list, QStringLiteral("CollocatesAction"), QStringLiteral("Collocates..."), Qt::CTRL | Qt::Key_L);
    QAction* plot =
        AddAction(list, QStringLiteral("PlotAction"), QStringLiteral("Plot..."), Qt::CTRL | Qt::SHIFT | Qt::Key_P);
    window.installEventFilter(this);
    connect(plot, &QAction::triggered, this, [this] { ShowPlot(); });
    connect(concordance, &QAction::triggered, this, [this] { ShowConcordance(); });
    connect(phrases, &QAction::triggered, this, [this] { ShowPhrases(); });
    connect(statistics, &QAction::triggered, this, [this] { ShowStatistics(); });
    connect(m_summaryAction, &QAction::triggered, this, [this] { ShowFileSummary(); });
    connect(keywords, &QAction::triggered, this, [this] { ShowKeywords(); });
    connect(collocates, &QAction::triggered, this, [this] { ShowCollocates(); });
}

CorpusAdditions::~CorpusAdditions() = default;

void CorpusAdditions::SetRun(CorpusRunInfo run) {
    m_run = std::move(run);
    m_summaryAction->setEnabled(m_run.mode == CountMode::PerFile);
    DropTexts();
    AdoptRunTexts();
    HideViews();
    // The reference is counted again, as the new run cuts its words.
    m_reference.counted = false;
    m_reference.rows.clear();
    m_stopReference = true;
}

void CorpusAdditions::HideViews() {
    for (QPointer<CorpusView>* view :
         {&m_concordance, &m_phrases, &m_statistics, &m_summary, &m_keywords, &m_collocates}) {
        if (*view) {
            (*view)->hide();
        }
    }
    if (m_plot) {
        m_plot->hide();
    }
    if (m_fileView) {
        m_fileView->hide();
    }
}

void CorpusAdditions::AdoptRunTexts() {
    if (!m_run.textFolder) {
        return;
    }
    QHash<QString, ConvertedText> bySource;
    for (const ConvertedText& text : std::as_const(m_run.texts)) {
        if (!text.text.isEmpty()) {
            bySource.insert(text.source, text);
        }
    }
    for (const TextSource& file : std::as_const(m_run.files)) {
        ConvertedText text = bySource.value(file.path, ConvertedText{file.path, file.label, {}, {}});
        text.label = file.label;
        if (text.text.isEmpty()) {
            // A file that gave the run no text gives the views none either, for the same reason.
            for (const UnreadableFile& unreadable : std::as_const(m_run.unreadable)) {
                if (unreadable.path == file.path) {
                    text.reason = unreadable.reason;
                    text.kind = unreadable.kind;
                }
            }
        }
        m_texts << text;
    }
    m_work = std::move(m_run.textFolder);
    m_run.texts.clear();
}

void CorpusAdditions::DropTexts() {
    m_texts.clear();
    m_work.reset();
}

QList<ConvertedText> CorpusAdditions::LastRunTexts() {
    // Texts taken from the conversion cache go when their file leaves the list: then the file is
    // converted again.
    const bool gone = std::any_of(m_texts.cbegin(), m_texts.cend(), [](const ConvertedText& text) {
        return !text.text.isEmpty() && !QFileInfo(text.text).isFile();
    });
    if (!m_texts.isEmpty() && !gone) {
        return m_texts;
    }
    if (!m_work) {
        m_work = NewWorkFolder(QStringLiteral("views"));
    }
    TextPlace place;
    place.cache = m_run.cache;
    place.converter = m_run.converter;
    place.workFolder = m_work->path();
    place.running = m_run.running;
    place.ocrLanguages = m_run.ocrLanguages;
    place.ocrJobs = m_run.jobs;
    m_texts = RunTexts(m_run.files, place);
    return m_texts;
}

bool CorpusAdditions::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_window && event->type() == QEvent::Hide && !event->spontaneous()) {
        HideViews();
        DropTexts();
    }
    // A reference still counted is given up when its view goes.
    if (watched == m_keywords && event->type() == QEvent::Hide && !event->spontaneous()) {
        m_stopReference = true;
    }
    return QObject::eventFilter(watched, event);
}

CorpusView* CorpusAdditions::Open(QPointer<CorpusView>& view, const QString& name, const QString& title,
                                  const QString& exportName) {
    if (!view) {
        view = new CorpusView(m_ui, title, exportName, &m_window);
        view->setObjectName(name);
    }
    if (!view->isVisible()) {
        view->PlaceOver(&m_window);
    }
    return view;
}

QString CorpusAdditions::CurrentWord(int& file) const {
    file = -1;
    const int row = m_model.TableRow(m_list.currentIndex().row());
    if (row < 0 || row >= m_model.RowCount()) {
        return {};
    }
    QString word;
    for (int c = 0; c < m_model.ColumnCount(); ++c) {
        const ResultColumnKind kind = m_model.ColumnKind(c);
        if (kind == ResultColumnKind::Word) {
            word = m_model.Cell(row, c);
        } else if (kind == ResultColumnKind::FileLabel) {
            const QString label = m_model.Cell(row, c);
            for (qsizetype i = 0; i < m_run.files.size(); ++i) {
                if (m_run.files[i].label == label) {
                    file = static_cast<int>(i);
                    break;
                }
            }
        }
    }
    return word;
}

CorpusView* CorpusAdditions::ShowConcordance() {
    const bool created = !m_concordance;
    CorpusView* view = Open(m_concordance, QStringLiteral("ConcordanceView"), QStringLiteral("Words In Context"),
                            QStringLiteral("Words in context"));
    if (created) {
        WordBox = new QLineEdit(view);
        WordBox->setObjectName(QStringLiteral("WordBox"));
        FileBox = new QComboBox(view);
        FileBox->setObjectName(QStringLiteral("FileBox"));
        ContextBox = new QSpinBox(view);
        ContextBox->setObjectName(QStringLiteral("ContextBox"));
        ContextBox->setRange(5, 400);
        ContextBox->setValue(kDefaultContext);
        ContextBox->setSuffix(QStringLiteral(" characters"));
        ShowButton = new QPushButton(QStringLiteral("&Show"), view);
        ShowButton->setObjectName(QStringLiteral("ShowButton"));
        ShowButton->setDefault(true);
        view->Controls->addWidget(Caption(QStringLiteral("&Word:"), WordBox));
        view->Controls->addWidget(WordBox, 1);
        view->Controls->addWidget(FileBox, 1);
        view->Controls->addWidget(Caption(QStringLiteral("Conte&xt:"), ContextBox));
        view->Controls->addWidget(ContextBox);
        view->Controls->addWidget(ShowButton);
        connect(ShowButton, &QPushButton::clicked, this, [this] { FillConcordance(); });
        connect(WordBox, &QLineEdit::returnPressed, this, [this] { FillConcordance(); });
        auto* inFile = new QAction(QStringLiteral("Show in File..."), view->Table);
        inFile->setObjectName(QStringLiteral("ShowInFileAction"));
        view->Table->addAction(inFile);
        view->Table->setContextMenuPolicy(Qt::ActionsContextMenu);
        connect(inFile, &QAction::triggered, this, [this] { ShowLineInFile(); });
        connect(view->Table, &QTableView::doubleClicked, this, [this] { ShowLineInFile(); });
    }
    FileBox->clear();
    FileBox->addItem(QStringLiteral("All files"), -1);
    for (qsizetype i = 0; i < m_run.files.size(); ++i) {
        FileBox->addItem(m_run.files[i].label, static_cast<int>(i));
    }
    int file = -1;
    const QString word = CurrentWord(file);
    WordBox->setText(word);
    FileBox->setCurrentIndex(std::max(0, FileBox->findData(file)));
    FillConcordance();
    view->show();
    view->raise();
    view->activateWindow();
    WordBox->setFocus();
    return view;
}

void CorpusAdditions::FillConcordance() {
    CorpusView* view = m_concordance;
    auto table = std::make_shared<ResultTable>();
    const QByteArray key = TypedWordKey(WordBox->text(), m_run.rule);
    if (key.isEmpty()) {
        ::FillConcordance(*table, {}, {});
        m_lines.clear();
        view->SetRows(table, {}, {}, -1,
                      WordBox->text().trimmed().isEmpty() ? QStringLiteral("Type a word.")
                                                          : QStringLiteral("Type one word."));
        return;
    }
    QList<ConcordanceLine> lines;
    QList<ConvertedText> texts;
    try {
        texts = LastRunTexts();
        lines = Concordance(texts, key, m_run.rule, ContextBox->value(), FileBox->currentData().toInt());
    } catch (const Failure& failure) {
        m_ui.Message(QStringLiteral("The texts cannot be read: ") + failure.Description(), AppTitle(), MsgButtons::Ok,
                     MsgIcon::Exclamation);
    }
    std::vector<QStringList> keys;
    keys.reserve(static_cast<size_t>(lines.size()));
    for (const ConcordanceLine& line : lines) {
        keys.push_back({QString(), QString(), LeftSortKey(line), QString(), RightSortKey(line)});
    }
    ::FillConcordance(*table, lines, texts);
    m_lines = lines;
    view->SetRows(table, std::move(keys),
                  QString::number(lines.size()) +
                      (lines.size() == 1 ? QStringLiteral(" line") : QStringLiteral(" lines")) +
                      QStringLiteral(" of \"") + QString::fromUtf8(key) + QStringLiteral("\""),
                  2);
}

CorpusView* CorpusAdditions::ShowPhrases() {
    const bool created = !m_phrases;
    CorpusView* view =
        Open(m_phrases, QStringLiteral("PhrasesView"), QStringLiteral("Frequent Phrases"), QStringLiteral("Phrases"));
    if (created) {
        LengthBox = new QSpinBox(view);
        LengthBox->setObjectName(QStringLiteral("LengthBox"));
        LengthBox->setRange(kMinPhraseLength, kMaxPhraseLength);
        LengthBox->setValue(3);
        LengthBox->setSuffix(QStringLiteral(" words"));
        MinCountBox = new QSpinBox(view);
        MinCountBox->setObjectName(QStringLiteral("MinCountBox"));
        MinCountBox->setRange(1, 1000000);
        MinCountBox->setValue(2);
        OrderBox = new QComboBox(view);
        OrderBox->setObjectName(QStringLiteral("OrderBox"));
        OrderBox->addItem(QStringLiteral("Most frequent first"));
        OrderBox->addItem(QStringLiteral("Least frequent first"));
        CountButton = new QPushButton(QStringLiteral("C&ount"), view);
        CountButton->setObjectName(QStringLiteral("CountButton"));
        view->Controls->addWidget(Caption(QStringLiteral("&Length:"), LengthBox));
        view->Controls->addWidget(LengthBox);
        view->Controls->addWidget(Caption(QStringLiteral("&At least:"), MinCountBox));
        view->Controls->addWidget(MinCountBox);
        view->Controls->addWidget(OrderBox);
        view->Controls->addStretch(1);
        view->Controls->addWidget(CountButton);
        connect(CountButton, &QPushButton::clicked, this, [this] { FillPhrases(); });
    }
    FillPhrases();
    view->show();
    view->raise();
    view->activateWindow();
    return view;
}

void CorpusAdditions::FillPhrases() {
    auto table = std::make_shared<ResultTable>();
    QList<PhraseCount> phrases;
    try {
        phrases =
            CountPhrases(LastRunTexts(), LengthBox->value(), MinCountBox->value(),
                         OrderBox->currentIndex() == 0 ? PhraseOrder::MostFirst : PhraseOrder::LeastFirst, m_run.rule);
    } catch (const Failure& failure) {
        m_ui.Message(QStringLiteral("The texts cannot be read: ") + failure.Description(), AppTitle(), MsgButtons::Ok,
                     MsgIcon::Exclamation);
    }
    ::FillPhrases(*table, phrases);
    m_phrases->SetRows(table, {},
                       QString::number(phrases.size()) +
                           (phrases.size() == 1 ? QStringLiteral(" phrase") : QStringLiteral(" phrases")));
}

CorpusView* CorpusAdditions::ShowStatistics() {
    CorpusView* view = Open(m_statistics, QStringLiteral("StatisticsView"), QStringLiteral("Word Statistics"),
                            QStringLiteral("Word statistics"));
    auto table = std::make_shared<ResultTable>();
    QList<WordStat> stats;
    int files = 0;
    try {
        const QList<ConvertedText> texts = LastRunTexts();
        files = static_cast<int>(std::count_if(texts.cbegin(), texts.cend(),
                                               [](const ConvertedText& text) { return !text.text.isEmpty(); }));
        stats = WordStatistics(texts, m_run.rule);
    } catch (const Failure& failure) {
        m_ui.Message(QStringLiteral("The texts cannot be read: ") + failure.Description(), AppTitle(), MsgButtons::Ok,
                     MsgIcon::Exclamation);
    }
    ::FillStatistics(*table, stats);
    view->SetRows(table, {},
                  QString::number(stats.size()) + QStringLiteral(" words in ") + QString::number(files) +
                      (files == 1 ? QStringLiteral(" file") : QStringLiteral(" files")),
                  -1,
                  QStringLiteral("Range: the files a word occurs in. DP: Gries's deviation of proportions, 0 for a "
                                 "word spread as evenly as all words, towards 1 for one in few files."));
    view->show();
    view->raise();
    view->activateWindow();
    return view;
}

CorpusView* CorpusAdditions::ShowFileSummary() {
    if (m_run.mode != CountMode::PerFile) {
        m_ui.Message(QStringLiteral("The file summary shows the files of a run that counts each file on its own."),
                     AppTitle());
        return nullptr;
    }
    CorpusView* view = Open(m_summary, QStringLiteral("FileSummaryView"), QStringLiteral("File Summary"),
                            QStringLiteral("File summary"));
    const QList<FileSummaryRow> rows =
        FileSummaryRows(m_run.rows, m_run.unreadable, m_model.Table().Files(), {}, m_run.ocrRead);
    const QString count =
        QString::number(rows.size()) + (rows.size() == 1 ? QStringLiteral(" file") : QStringLiteral(" files"));
    const Totals totals = m_model.LastTotals();
    const auto fill = [view, count, totals](const QList<FileSummaryRow>& shown, const QString& note) {
        auto table = std::make_shared<ResultTable>();
        FillFileSummary(*table, shown, totals);
        table->SetAllTicked(true);
        view->SetRows(table, {}, count, -1, note);
    };
    fill(rows, {});
    // The lexical profiles follow once the run's texts are walked, off the windows' thread; the
    // folder of the texts stays while the walk reads it. A text that is gone has no profile.
    QList<ConvertedText> texts = m_texts;
    for (ConvertedText& text : texts) {
        if (!text.text.isEmpty() && !QFileInfo(text.text).isFile()) {
            text.text.clear();
        }
    }
    const CorpusRule rule = m_run.rule;
    const std::shared_ptr<QTemporaryDir> folder = m_work;
    m_profileJob.Start<QList<LexicalProfile>>(
        [texts, rule, folder](const std::atomic<bool>& cancelled) {
            try {
                return LexicalProfiles(texts, rule, &cancelled);
            } catch (const Failure&) {
                return QList<LexicalProfile>(); // the rows keep empty cells
            }
        },
        [this, rows, texts, fill](QList<LexicalProfile> profiles) {
            if (!m_summary || !m_summary->isVisible()) {
                return; // closed, or hidden by a new run
            }
            QList<FileSummaryRow> profiled = rows;
            AttachProfiles(profiled, m_run.rows, texts, profiles);
            fill(profiled,
                 QStringLiteral("Over all words: TTR types / words; STTR mean TTR of 1,000-word pieces; MATTR mean "
                                "TTR of every 500-word window (Covington & McFall 2010); MTLD words per factor of TTR "
                                "0.72 (McCarthy & Jarvis 2010). Empty: too few words."));
        });
    view->show();
    view->raise();
    view->activateWindow();
    return view;
}

DispersionView* CorpusAdditions::ShowPlot() {
    if (!m_plot) {
        m_plot = new DispersionView(m_ui, &m_window);
        m_plot->setObjectName(QStringLiteral("DispersionView"));
        connect(m_plot, &DispersionView::HitClicked, this, [this](int text, int hit) {
            for (const FileDispersion& file : m_plot->Strips->Shown().files) {
                if (file.file == text) {
                    ShowInFile(text, file.hits, hit);
                }
            }
        });
    }
    if (!m_plot->isVisible()) {
        m_plot->PlaceOver(&m_window);
    }
    int file = -1;
    const QString word = CurrentWord(file);
    QList<ConvertedText> texts;
    try {
        texts = LastRunTexts();
    } catch (const Failure& failure) {
        m_ui.Message(QStringLiteral("The texts cannot be read: ") + failure.Description(), AppTitle(), MsgButtons::Ok,
                     MsgIcon::Exclamation);
    }
    m_plot->ShowWord(texts, TypedWordKey(word, m_run.rule), m_run.rule, word);
    m_plot->show();
    m_plot->raise();
    m_plot->activateWindow();
    return m_plot;
}

FileView* CorpusAdditions::ShowInFile(int text, QList<DispersionHit> hits, int hit) {
    if (text < 0 || text >= m_texts.size()) {
        return nullptr;
    }
    if (!m_fileView) {
        m_fileView = new FileView(m_ui, &m_window);
        m_fileView->setObjectName(QStringLiteral("FileView"));
    }
    if (!m_fileView->isVisible()) {
        m_fileView->PlaceOver(&m_window);
    }
    m_fileView->ShowHit(m_texts[text], std::move(hits), hit);
    m_fileView->show();
    m_fileView->raise();
    m_fileView->activateWindow();
    return m_fileView;
}

FileView* CorpusAdditions::ShowLineInFile() {
    if (!m_concordance) {
        return nullptr;
    }
    const int row = m_concordance->Model()->TableRow(m_concordance->Table->currentIndex().row());
    if (row < 0 || row >= m_lines.size()) {
        return nullptr;
    }
    // The hits of the line's file: its lines, which stand in text order.
    const int file = m_lines[row].file;
    QList<DispersionHit> hits;
    int current = 0;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const ConcordanceLine& line = m_lines[i];
        if (line.file == file) {
            current = i == row ? static_cast<int>(hits.size()) : current;
            hits << DispersionHit{0, line.page, line.begin, line.begin + line.keyword.toUtf8().size()};
        }
    }
    return ShowInFile(file, std::move(hits), current);
}
