// The keywords and collocates views of the results window.

#include "core/base/ErrorReport.h"
#include "core/base/Places.h"
#include "core/base/Texts.h"
#include "core/corpus/Collocates.h"
#include "core/filelist/FolderScan.h"
#include "core/results/Merge.h"
#include "gui/CorpusViews.h"
#include "gui/GuiYield.h"
#include "gui/ResultsModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>

namespace {

const QString kReferenceFilter =
    QStringLiteral("PDF, Text and Word List Files (*.pdf *.txt *.json)|*.pdf;*.txt;*.json|All Files (*.*)|*.*|");
const QString kReferenceSource = QStringLiteral("in Lexitally.Keywords.CountReference ");

QSpinBox* SpinBox(QWidget* parent, const char* name, int low, int high, int value) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(low, high);
    box->setValue(value);
    return box;
}

// The words and counts of rows laid out as a run's: the word in the cell before the last, its
// count in the last. A word listed more than once (per file) is summed by Keywords.
QList<WordFrequency> WordFrequencies(const QList<QStringList>& rows) {
    QList<WordFrequency> words;
    words.reserve(rows.size());
    for (const QStringList& row : rows) {
        if (row.size() >= 2) {
            words.append({row[row.size() - 2], row.last().toLongLong()});
        }
    }
    return words;
}

QList<WordFrequency> WordFrequencies(const ResultTable& table) {
    QList<WordFrequency> words;
    const int word = table.ColumnCount() - 2;
    const int count = table.ColumnCount() - 1;
    if (word < 0) {
        return words;
    }
    words.reserve(table.RowCount());
    for (int r = 0; r < table.RowCount(); ++r) {
        qint64 n = 0;
        if (!table.CountAt(r, count, &n)) {
            n = table.Cell(r, count).toLongLong();
        }
        if (n > 0) {
            words.append({table.Cell(r, word), n});
        }
    }
    return words;
}

// A reference that gave no words is forgotten; the note says why.
void Forget(KeywordReference& reference, const QString& note) {
    reference = {};
    reference.note = note;
}

// The reference's run: no password asked (a protected PDF gives no text), stopped on request.
class ReferenceObserver : public RunObserver {
public:
    explicit ReferenceObserver(const bool& stop) : m_stop(stop) {}
    bool StopRequested() override { return m_stop; }
    bool Abandoned() override { return m_stop; }

private:
    const bool& m_stop;
};

// A reference of files: PDFs, texts, or a word list saved by a run. Mixed kinds are refused.
enum class ReferenceKind { Pdfs, Texts, WordList, Mixed };

ReferenceKind KindOf(const QStringList& files) {
    const auto ends = [&](const char* extension) {
        return std::count_if(files.cbegin(), files.cend(), [&](const QString& path) {
            return path.endsWith(QLatin1String(extension), Qt::CaseInsensitive);
        });
    };
    const qsizetype pdfs = ends(".pdf");
    const qsizetype lists = ends(".json");
    if (lists == 1 && files.size() == 1) {
        return ReferenceKind::WordList;
    }
    if (lists > 0 || (pdfs > 0 && pdfs < files.size())) {
        return ReferenceKind::Mixed;
    }
    return pdfs > 0 ? ReferenceKind::Pdfs : ReferenceKind::Texts;
}

} // namespace

void CorpusAdditions::BuildKeywordControls(CorpusView* view) {
    ReferenceBox = new QLineEdit(view);
    ReferenceBox->setObjectName(QStringLiteral("ReferenceBox"));
    ReferenceBox->setReadOnly(true);
    ReferenceBox->setPlaceholderText(
        QStringLiteral("a folder of PDFs or texts, PDFs or texts, or a word list saved as JSON"));
    FolderButton = new QPushButton(QStringLiteral("&Folder..."), view);
    FolderButton->setObjectName(QStringLiteral("FolderButton"));
    FileButton = new QPushButton(QStringLiteral("Fi&les..."), view);
    FileButton->setObjectName(QStringLiteral("FileButton"));
    StopButton = new QPushButton(QStringLiteral("&Stop"), view);
    StopButton->setObjectName(QStringLiteral("StopButton"));
    StopButton->hide();
    ReferenceProgress = new GuiProgressBar(view);
    ReferenceProgress->setObjectName(QStringLiteral("ReferenceProgress"));
    ReferenceProgress->setRange(0, 100);
    ReferenceProgress->setMinimumWidth(ReferenceProgress->fontMetrics().averageCharWidth() * 48);
    ReferenceProgress->hide();
    KeywordSortBox = new QComboBox(view);
    KeywordSortBox->setObjectName(QStringLiteral("KeywordSortBox"));
    KeywordSortBox->addItem(QStringLiteral("Log-likelihood"));
    KeywordSortBox->addItem(QStringLiteral("Log ratio"));
    NegativeBox = new QCheckBox(QStringLiteral("&Negative"), view);
    NegativeBox->setObjectName(QStringLiteral("NegativeBox"));
    NegativeBox->setToolTip(QStringLiteral("The words rarer here than in the reference"));
    KeywordMinBox = SpinBox(view, "KeywordMinBox", 1, 1000000, 2);
    view->Controls->addWidget(Caption(QStringLiteral("&Reference:"), ReferenceBox));
    view->Controls->addWidget(ReferenceBox, 1);
    view->Controls->addWidget(FolderButton);
    view->Controls->addWidget(FileButton);
    view->Controls->addWidget(ReferenceProgress, 1);
    view->Controls->addWidget(StopButton);
    view->Controls->addWidget(Caption(QStringLiteral("Sort &by:"), KeywordSortBox));
    view->Controls->addWidget(KeywordSortBox);
    view->Controls->addWidget(NegativeBox);
    view->Controls->addWidget(Caption(QStringLiteral("&At least:"), KeywordMinBox));
    view->Controls->addWidget(KeywordMinBox);
    view->installEventFilter(this);
    connect(FolderButton, &QPushButton::clicked, this, [this] { ChooseReferenceFolder(); });
    connect(FileButton, &QPushButton::clicked, this, [this] { ChooseReferenceFiles(); });
    connect(StopButton, &QPushButton::clicked, this, [this] { m_stopReference = true; });
    connect(KeywordSortBox, &QComboBox::currentIndexChanged, this, [this] { FillKeywords(); });
    connect(NegativeBox, &QCheckBox::toggled, this, [this] { FillKeywords(); });
    connect(KeywordMinBox, &QSpinBox::valueChanged, this, [this] { FillKeywords(); });
}

CorpusView* CorpusAdditions::ShowKeywords() {
    const bool created = !m_keywords;
    CorpusView* view =
        Open(m_keywords, QStringLiteral("KeywordsView"), QStringLiteral("Keywords"), QStringLiteral("Keywords"));
    if (created) {
        BuildKeywordControls(view);
    }
    view->show();
    view->raise();
    view->activateWindow();
    FillKeywords();
    if (m_reference.paths.isEmpty()) {
        FolderButton->setFocus();
    } else {
        view->Table->setFocus();
    }
    return view;
}

void CorpusAdditions::ChooseReferenceFolder() {
    const QString start = m_reference.folder ? m_reference.paths.value(0) : QString();
    const QString folder = m_ui.BrowseForFolder(QStringLiteral("Reference: a folder of PDFs or texts"), start);
    if (folder.isEmpty()) {
        return;
    }
    m_reference = {};
    m_reference.paths = {folder};
    m_reference.folder = true;
    FillKeywords();
}

void CorpusAdditions::ChooseReferenceFiles() {
    const QStringList files = m_ui.OpenFiles(QStringLiteral("Reference: PDFs, texts or a word list"), kReferenceFilter);
    if (files.isEmpty()) {
        return;
    }
    if (KindOf(files) == ReferenceKind::Mixed) {
        m_ui.Message(QStringLiteral("Choose PDFs, texts or one word list saved as JSON, one kind at a time."),
                     AppTitle(), MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    m_reference = {};
    m_reference.paths = files;
    FillKeywords();
}

bool CorpusAdditions::ReadReference() {
    if (m_reference.counted || m_reference.paths.isEmpty() || m_countingReference) {
        return m_reference.counted;
    }
    QStringList files = m_reference.paths;
    ReferenceKind kind = KindOf(files);
    if (m_reference.folder) {
        const Yield yield = GuiYield();
        files = CollectFolderFiles(m_reference.paths[0], kPdfPattern, yield, m_ui);
        kind = ReferenceKind::Pdfs;
        if (files.isEmpty()) {
            files = CollectFolderFiles(m_reference.paths[0], QStringLiteral("*.txt"), yield, m_ui);
            kind = ReferenceKind::Texts;
        }
        if (files.isEmpty()) {
            Forget(m_reference, QStringLiteral("The folder holds no PDFs or texts."));
            return false;
        }
    }
    if (kind != ReferenceKind::WordList) {
        return CountReference(files, kind == ReferenceKind::Texts);
    }
    QFile file(files[0]);
    try {
        const bool opened = file.open(QIODevice::ReadOnly); // before its reason is read
        FailIf(!opened, file.errorString());
        const RunResults results = ReadRunResults(file.readAll());
        m_reference.rows = WordFrequencies(results.rows);
        m_reference.words = results.totals.words;
        if (results.letters != m_run.rule.letters || results.ignoreCase != m_run.rule.ignoreCase ||
            results.words != m_run.rule.words) {
            m_reference.note = QStringLiteral("The word list was counted with other word options than this run, so "
                                              "some of its words may be cut or spelled otherwise.");
        }
    } catch (const Failure& failure) {
        Forget(m_reference, QStringLiteral("The word list cannot be read: ") + failure.Description() + u'.');
        return false;
    }
    m_reference.counted = true;
    return true;
}

bool CorpusAdditions::CountReference(const QStringList& files, bool textInput) {
    std::unique_ptr<QTemporaryDir> work;
    try {
        work = NewWorkFolder(QStringLiteral("reference"));
    } catch (const Failure& failure) {
        Forget(m_reference, failure.Description());
        return false;
    }
    AnalysisRequest request = m_run.request;
    request.rows = RowSource::Of(files);
    request.mode = CountMode::AllFiles;
    request.textInput = textInput;
    request.workFolder = work->path();
    ResultTable table;
    table.SetColumns(CountMode::AllFiles);
    m_stopReference = false;
    ReferenceObserver observer(m_stopReference);
    AnalysisContext context;
    context.progress = ReferenceProgress;
    context.results = &table;
    context.observer = &observer;
    context.converters = m_run.running;
    context.store = m_run.store;
    context.yield = GuiYield();
    context.ui = &m_ui;
    ErrorReport steps(m_ui, kReferenceSource);
    ShowCounting(true);
    const AnalysisSummary summary = RunAnalysis(request, context, steps);
    ShowCounting(false);
    if (m_stopReference) {
        Forget(m_reference, QStringLiteral("The reference was not counted to its end."));
        return false;
    }
    m_reference.rows = WordFrequencies(table);
    m_reference.words = table.LastTotals().words;
    m_reference.counted = true;
    if (!summary.unreadable.isEmpty()) {
        m_reference.note = Plural(summary.unreadable.size(), QStringLiteral("file"), QStringLiteral("files")) +
                           QStringLiteral(" of the reference gave no text.");
    }
    return true;
}

// While the reference is counted the view shows its progress and the stop button; the other
// views and the results stay usable.
void CorpusAdditions::ShowCounting(bool counting) {
    m_countingReference = counting;
    FolderButton->setHidden(counting);
    FileButton->setHidden(counting);
    ReferenceProgress->setVisible(counting);
    StopButton->setVisible(counting);
    KeywordSortBox->setEnabled(!counting);
    NegativeBox->setEnabled(!counting);
    KeywordMinBox->setEnabled(!counting);
    ReferenceProgress->SetValue(0);
    ReferenceProgress->SetText(counting ? QStringLiteral("Counting the reference") : QString());
    if (counting) {
        m_keywords->setCursor(Qt::BusyCursor);
        m_keywords->Status->setText(QStringLiteral("Counting the reference\u2026"));
        StopButton->setFocus();
    } else {
        m_keywords->unsetCursor();
        FolderButton->setFocus();
    }
}

void CorpusAdditions::FillKeywords() {
    CorpusView* view = m_keywords;
    if (!view || m_countingReference) {
        return;
    }
    ReferenceBox->setText(m_reference.paths.join(QStringLiteral("; ")));
    auto table = std::make_shared<ResultTable>();
    if (!ReadReference()) {
        ::FillKeywords(*table, {});
        const QString choose = QStringLiteral("Choose the reference to compare these words with: a folder of PDFs "
                                              "or texts, PDFs, or a word list saved by a run as JSON.");
        view->SetRows(table, {}, {}, -1, m_reference.note.isEmpty() ? choose : m_reference.note + u' ' + choose);
        return;
    }
    KeywordOptions options;
    options.negative = NegativeBox->isChecked();
    options.minCount = KeywordMinBox->value();
    options.sort = KeywordSortBox->currentIndex() == 1 ? KeywordSort::LogRatio : KeywordSort::LogLikelihood;
    const QList<KeywordRow> rows = Keywords(WordFrequencies(m_model.Table()), m_model.LastTotals().words,
                                            m_reference.rows, m_reference.words, options);
    ::FillKeywords(*table, rows);
    view->SetRows(table, {},
                  Plural(rows.size(), options.negative ? QStringLiteral("negative keyword") : QStringLiteral("keyword"),
                         options.negative ? QStringLiteral("negative keywords") : QStringLiteral("keywords")) +
                      QStringLiteral(" against ") +
                      Plural(m_reference.words, QStringLiteral("word"), QStringLiteral("words")),
                  -1, m_reference.note);
}

void CorpusAdditions::BuildCollocateControls(CorpusView* view) {
    NodeBox = new QLineEdit(view);
    NodeBox->setObjectName(QStringLiteral("NodeBox"));
    const CollocateOptions defaults;
    LeftBox = SpinBox(view, "LeftBox", 0, 50, defaults.left);
    RightBox = SpinBox(view, "RightBox", 0, 50, defaults.right);
    MeasureBox = new QComboBox(view);
    MeasureBox->setObjectName(QStringLiteral("MeasureBox"));
    MeasureBox->addItem(QStringLiteral("logDice"), static_cast<int>(CollocateSort::LogDice));
    MeasureBox->addItem(QStringLiteral("MI"), static_cast<int>(CollocateSort::MI));
    MeasureBox->addItem(QStringLiteral("T-score"), static_cast<int>(CollocateSort::TScore));
    MeasureBox->addItem(QStringLiteral("Log-likelihood"), static_cast<int>(CollocateSort::LogLikelihood));
    MeasureBox->addItem(QStringLiteral("Count"), static_cast<int>(CollocateSort::Count));
    CollocateMinBox = SpinBox(view, "CollocateMinBox", 1, 1000000, 1);
    CollocateButton = new QPushButton(QStringLiteral("&Show"), view);
    CollocateButton->setObjectName(QStringLiteral("CollocateButton"));
    CollocateButton->setDefault(true);
    view->Controls->addWidget(Caption(QStringLiteral("&Word:"), NodeBox));
    view->Controls->addWidget(NodeBox, 1);
    view->Controls->addWidget(Caption(QStringLiteral("&Left:"), LeftBox));
    view->Controls->addWidget(LeftBox);
    view->Controls->addWidget(Caption(QStringLiteral("&Right:"), RightBox));
    view->Controls->addWidget(RightBox);
    view->Controls->addWidget(Caption(QStringLiteral("Sort &by:"), MeasureBox));
    view->Controls->addWidget(MeasureBox);
    view->Controls->addWidget(Caption(QStringLiteral("&At least:"), CollocateMinBox));
    view->Controls->addWidget(CollocateMinBox);
    view->Controls->addWidget(CollocateButton);
    connect(CollocateButton, &QPushButton::clicked, this, [this] { FillCollocates(); });
    connect(NodeBox, &QLineEdit::returnPressed, this, [this] { FillCollocates(); });
    connect(MeasureBox, &QComboBox::currentIndexChanged, this, [this] { FillCollocates(); });
}

CorpusView* CorpusAdditions::ShowCollocates() {
    const bool created = !m_collocates;
    CorpusView* view = Open(m_collocates, QStringLiteral("CollocatesView"), QStringLiteral("Collocates"),
                            QStringLiteral("Collocates"));
    if (created) {
        BuildCollocateControls(view);
    }
    int file = -1;
    NodeBox->setText(CurrentWord(file));
    FillCollocates();
    view->show();
    view->raise();
    view->activateWindow();
    NodeBox->setFocus();
    return view;
}

void CorpusAdditions::FillCollocates() {
    CorpusView* view = m_collocates;
    auto table = std::make_shared<ResultTable>();
    const QByteArray node = TypedWordKey(NodeBox->text(), m_run.rule);
    if (node.isEmpty() || LeftBox->value() + RightBox->value() == 0) {
        ::FillCollocates(*table, {});
        view->SetRows(table, {}, {}, -1,
                      node.isEmpty() ? (NodeBox->text().trimmed().isEmpty() ? QStringLiteral("Type a word.")
                                                                            : QStringLiteral("Type one word."))
                                     : QStringLiteral("Give a span of at least one word."));
        return;
    }
    CollocateOptions options;
    options.left = LeftBox->value();
    options.right = RightBox->value();
    options.minCount = CollocateMinBox->value();
    options.sort = static_cast<CollocateSort>(MeasureBox->currentData().toInt());
    Collocation found;
    try {
        found = Collocates(LastRunTexts(), node, m_run.rule, options);
    } catch (const Failure& failure) {
        m_ui.Message(QStringLiteral("The texts cannot be read: ") + failure.Description(), AppTitle(), MsgButtons::Ok,
                     MsgIcon::Exclamation);
    }
    ::FillCollocates(*table, found.rows);
    view->SetRows(table, {},
                  Plural(found.rows.size(), QStringLiteral("collocate"), QStringLiteral("collocates")) +
                      QStringLiteral(" of \"") + QString::fromUtf8(node) + QStringLiteral("\" (") +
                      Plural(found.nodeCount, QStringLiteral("time"), QStringLiteral("times")) +
                      QStringLiteral(") within ") + QString::number(options.left) + QStringLiteral(" left and ") +
                      QString::number(options.right) + QStringLiteral(" right"));
}
