#include "gui/Form2.h"

#include "core/base/ErrorReport.h"
#include "core/base/Files.h"
#include "core/base/Places.h"
#include "core/base/Texts.h"
#include "core/export/Export.h"
#include "gui/ChartView.h"
#include "gui/CorpusViews.h"
#include "gui/DesktopOpen.h"
#include "gui/GuiClipboard.h"
#include "gui/GuiHelpers.h"
#include "gui/Pointers.h"

#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QShortcut>
#include <QUrl>

#include <cstdio>
#include <cstdlib>

namespace {

// Client area of the results window in twips: the main window's, so that the two windows take
// turns in one spot without an edge that jumps (the controls stand where they were designed).
constexpr int kClientWidth = 8040;
constexpr int kClientHeight = 8250;

const QString kSaveFilter = QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|");
const QString kNoSpreadsheetGeneral = QStringLiteral("No spreadsheet application is installed on this computer. You "
                                                     "need to have one installed to use this software without error.");
const QString kNoSpreadsheetFeature = QStringLiteral(
    "No spreadsheet application is installed on this computer. You need to have one installed to use this feature.");
// What the find bar says about the rows it shows.
QString MatchText(int shown) {
    if (shown == 0) {
        return QStringLiteral("No rows match");
    }
    return shown == 1 ? QStringLiteral("1 row matches") : QStringLiteral("%1 rows match").arg(shown);
}

// A workbook that neither the desktop nor the spreadsheet program could show.
QString WorkbookNotOpened(const QString& path) {
    return QStringLiteral("The workbook could not be opened with a spreadsheet application. It was written here, "
                          "where you can open it yourself:") +
           QStringLiteral("\r\n\r\n") + path;
}

const QString kCopied = QStringLiteral("Results have been copied to the clipboard.") + QStringLiteral("\r\r") +
                        QStringLiteral("Click a text area where you normally type and press Ctrl+V to paste the "
                                       "clipboard.");

} // namespace

Form2::Form2(Ui& ui, QWidget* mainWindow, std::function<void()> endProgram, QWidget* parent)
    : QWidget(parent), m_ui(ui), m_mainWindow(mainWindow), m_endProgram(std::move(endProgram)),
      m_spreadsheetFinder(FindSpreadsheetApplication), m_yield(GuiYield()), m_handCursor(Qt::PointingHandCursor) {
    if (!m_endProgram) {
        m_endProgram = [] {
            std::fflush(nullptr);
            std::_Exit(0);
        };
    }
    m_model = new ResultsModel(this);
    BuildControls();
    PlaceControls();
    ConnectHandlers();
    new ResultsAdditions(ui, *m_model, *ListView1, *this);           // CSV and chart, in the list's context menu
    m_corpus = new CorpusAdditions(ui, *m_model, *ListView1, *this); // the corpus views, there too
}

Form2::~Form2() = default;

void Form2::BuildControls() {
    setObjectName(QStringLiteral("Form2"));
    QFont windowFont(QStringLiteral("Arial"), 9);
    windowFont.setBold(true);
    setFont(windowFont);
    setMouseTracking(true);
    installEventFilter(this);

    QFont buttonFont(QStringLiteral("Arial"));
    buttonFont.setPointSizeF(11.25);
    buttonFont.setBold(true);
    auto button = [&](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setFont(buttonFont);
        b->setMouseTracking(true);
        b->installEventFilter(this);
        // A move over a button must not reach the window's own rule through propagation.
        b->setAttribute(Qt::WA_NoMousePropagation);
        return b;
    };
    PushButton1 = button("PushButton1", QStringLiteral("< Back"));

    Frame1 = new QGroupBox(QStringLiteral("Word - Line - Character Counts"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setMouseTracking(true);
    Frame1->installEventFilter(this);
    Frame1->setAttribute(Qt::WA_NoMousePropagation);
    auto label = [&](const char* name, const QString& caption) {
        auto* l = new QLabel(caption, Frame1);
        l->setObjectName(QString::fromLatin1(name));
        l->setAttribute(Qt::WA_NoMousePropagation); // labels have no pointer rule
        return l;
    };
    Label1 = label("Label1", QStringLiteral(" Word Count: "));
    Label2 = label("Label2", QStringLiteral(" Line Count: "));
    Label3 = label("Label3", QStringLiteral(" Character Count With Spaces: "));
    Label4 = label("Label4", QStringLiteral(" Character Count Without Spaces: "));

    BuildFindBar();
    BuildList();

    ListView1->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto action = [&](const QString& text) {
        auto* a = new QAction(text, ListView1);
        ListView1->addAction(a);
        return a;
    };
    TickAllAction = action(QStringLiteral("Tick All"));
    UntickAllAction = action(QStringLiteral("Untick All"));
    TickSelectedAction = action(QStringLiteral("Tick Selected"));
    UntickSelectedAction = action(QStringLiteral("Untick Selected"));
    FindAction = action(QStringLiteral("Find...\tCtrl+F"));

    PushButton5 = button("PushButton5", QStringLiteral("Save Results As Text File"));
    PushButton3 = button("PushButton3", QStringLiteral("Save Results As Excel File"));
    PushButton8 = button("PushButton8", QStringLiteral("Copy Results To Clipboard"));
    PushButton9 = button("PushButton9", QStringLiteral("Clear Results"));

    ProgressBar1 = new GuiProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setAttribute(Qt::WA_NoMousePropagation); // no pointer rule either

    // Tab goes top to bottom, left to right (the find bar only while it is shown).
    setTabOrder(PushButton1, FindBox);
    setTabOrder(FindBox, ListView1);
    setTabOrder(ListView1, PushButton5);
    setTabOrder(PushButton5, PushButton3);
    setTabOrder(PushButton3, PushButton8);
    setTabOrder(PushButton8, PushButton9);
}

// The find bar: hidden until Ctrl+F (or "Find..." in the list's menu), gone again with Esc.
void Form2::BuildFindBar() {
    FindBar = new QWidget(this);
    FindBar->setObjectName(QStringLiteral("FindBar"));
    FindBar->setAttribute(Qt::WA_NoMousePropagation); // no pointer rule
    FindBar->hide();
    FindBox = new QLineEdit(FindBar);
    FindBox->setObjectName(QStringLiteral("FindBox"));
    FindBox->setPlaceholderText(QStringLiteral("Find words"));
    FindBox->setAccessibleName(QStringLiteral("Find words"));
    FindBox->setClearButtonEnabled(true);
    FindBox->installEventFilter(this);
    FindCount = new QLabel(FindBar);
    FindCount->setObjectName(QStringLiteral("FindCount"));
    auto* findLayout = new QHBoxLayout(FindBar);
    findLayout->setContentsMargins(0, 0, 0, 0);
    findLayout->addWidget(FindBox, 1);
    findLayout->addWidget(FindCount);
}

// The results list, a view of the model.
void Form2::BuildList() {
    ListView1 = new QTreeView(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setModel(m_model);
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setSectionsClickable(true);
    ListView1->header()->setSectionResizeMode(QHeaderView::Interactive);
    ListView1->header()->setSortIndicatorShown(false);
    ListView1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    ListView1->setMouseTracking(true);
    ListView1->installEventFilter(this);
    ListView1->viewport()->setMouseTracking(true);
    ListView1->viewport()->installEventFilter(this);
}

void Form2::PlaceControls() {
    using Grow = TwipsLayout::Grow;
    m_layout = TwipsLayout(this, kClientWidth, kClientHeight,
                           {
                               {PushButton1, 120, 120, 7800, 405, Grow::Width, false},
                               {Frame1, 120, 630, 7800, 1040, Grow::Width, false},
                               {Label1, 240, 300, 1140, 225, Grow::None, false},
                               {Label2, 240, 645, 1035, 225, Grow::None, false},
                               {Label3, 2640, 300, 2655, 225, Grow::None, false},
                               {Label4, 2640, 645, 2925, 225, Grow::None, false},
                               {ListView1, 120, 1755, 7800, 4890, Grow::WidthHeight, false},
                               {PushButton5, 120, 6750, 3840, 405, Grow::LeftHalf, true},
                               {PushButton3, 4080, 6750, 3840, 405, Grow::RightHalf, true},
                               {PushButton8, 120, 7260, 3840, 405, Grow::LeftHalf, true},
                               {PushButton9, 4080, 7260, 3840, 405, Grow::RightHalf, true},
                               {ProgressBar1, 120, 7770, 7800, 405, Grow::Width, true},
                           });
    m_layout.ResizeToDesign();
}

void Form2::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutControls();
}

void Form2::LayoutControls() {
    m_layout.Apply();
    if (!FindBar->isHidden()) {
        // The find bar takes its room from the top of the list while it is shown.
        const QRect list = ListView1->geometry();
        const int height = std::max(TwipsToPixels(345, this), FindBox->sizeHint().height());
        const int gap = TwipsToPixels(60, this);
        FindBar->setGeometry(list.left(), list.top(), list.width(), height);
        ListView1->setGeometry(list.adjusted(0, height + gap, 0, 0));
    }
    // Long numbers push the second column of counts to the right rather than under it.
    const int firstColumnEnd = std::max(Label1->geometry().right(), Label2->geometry().right()) + 8;
    for (QLabel* label : {Label3, Label4}) {
        if (label->x() < firstColumnEnd) {
            label->move(firstColumnEnd, label->y());
        }
    }
}

void Form2::ConnectHandlers() {
    connect(PushButton1, &QPushButton::clicked, this, [this] { PushButton1_Click(); });
    connect(PushButton3, &QPushButton::clicked, this, [this] { PushButton3_Click(); });
    connect(PushButton5, &QPushButton::clicked, this, [this] { PushButton5_Click(); });
    connect(PushButton8, &QPushButton::clicked, this, [this] { PushButton8_Click(); });
    connect(PushButton9, &QPushButton::clicked, this, [this] { PushButton9_Click(); });
    connect(TickAllAction, &QAction::triggered, this, [this] { TickAll(true); });
    connect(UntickAllAction, &QAction::triggered, this, [this] { TickAll(false); });
    connect(TickSelectedAction, &QAction::triggered, this, [this] { TickSelected(true); });
    connect(UntickSelectedAction, &QAction::triggered, this, [this] { TickSelected(false); });
    connect(m_model, &ResultsModel::ColumnsChanged, this, [this] { ApplyColumnWidths(); });
    connect(m_model, &ResultsModel::TotalsChanged, this, [this] { ShowTotals(); });
    connect(ListView1->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { ListView1_ColumnClick(column); });
    connect(FindBox, &QLineEdit::textChanged, this, [this] { FindBox_Change(); });
    connect(m_model, &ResultsModel::OrderShown, this, [this] { ShowOrder(); });
    connect(FindAction, &QAction::triggered, this, [this] { ShowFindBar(true); });
    auto* find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] { ShowFindBar(true); });
}

void Form2::Form_Load() {
    if (m_loaded) {
        return;
    }
    m_loaded = true;
    ErrorReport steps(m_ui, QString::fromLatin1(Source::Form2Load));
    steps(100, [&] { SetSystemBackColors(this); });
    steps(102, [&] {
        setWindowTitle(ProductTitle());
        setWindowIcon(QApplication::windowIcon());
    });
    steps(104, [&] {
        if (FileExists(HandCursorPath())) {
            if (const auto cursor = LoadCursorFile(HandCursorPath())) {
                m_handCursor = *cursor;
            }
        }
    });
}

void Form2::showEvent(QShowEvent* event) {
    Form_Load();
    QWidget::showEvent(event);
}

ResultsModel* Form2::Model() {
    Form_Load();
    return m_model;
}

ResultsModel& Form2::Sink() {
    Form_Load();
    return *m_model;
}

void Form2::PrepareColumns(CountMode mode) {
    Form_Load();
    m_model->ClearRows();
    m_model->ClearColumns();
    m_model->ClearView();
    ShowFindBar(false);
    m_model->SetColumns(mode);
    ShowSortIndicator();
    if (m_partial) {
        MarkPartial(false);
    }
}

void Form2::ApplyColumnWidths() {
    for (int c = 0; c < m_model->ColumnCount(); ++c) {
        ListView1->header()->resizeSection(c, TwipsToPixels(m_model->ColumnWidthTwips(c), this));
    }
}

void Form2::ShowTotals() {
    const QStringList captions = m_model->Captions();
    QLabel* labels[] = {Label1, Label2, Label3, Label4};
    for (int i = 0; i < 4; ++i) {
        labels[i]->setText(captions.value(i));
    }
    // The labels may have grown.
    LayoutControls();
}

void Form2::MarkPartial(bool partial) {
    m_partial = partial;
    setWindowTitle(partial ? ProductTitle() + QStringLiteral(" \u2014 stopped, partial results") : ProductTitle());
}

void Form2::ListView1_ColumnClick(int column) {
    if (column < 0 || column >= m_model->ColumnCount()) {
        return;
    }
    // Counts start with the most frequent; texts from A.
    const bool counts = m_model->ColumnKind(column) == ResultColumnKind::Count;
    const Qt::SortOrder first = counts ? Qt::DescendingOrder : Qt::AscendingOrder;
    const Qt::SortOrder second = counts ? Qt::AscendingOrder : Qt::DescendingOrder;
    if (m_model->SortColumn() != column) {
        m_model->SortRows(column, first);
    } else if (m_model->SortOrder() == first) {
        m_model->SortRows(column, second);
    } else {
        m_model->SortRows(-1, Qt::AscendingOrder);
    }
    ShowSortIndicator();
}

void Form2::FindBox_Change() {
    m_model->SetFilter(FindBox->text());
    if (m_model->Busy()) {
        FindCount->setText(QStringLiteral("Finding\u2026"));
    }
}

void Form2::ShowOrder() {
    FindCount->setText(m_model->Filter().isEmpty() ? QString() : MatchText(m_model->ShownCount()));
    if (ListView1->currentIndex().isValid()) {
        ListView1->scrollTo(ListView1->currentIndex());
    }
}

void Form2::ShowSortIndicator() {
    QHeaderView* header = ListView1->header();
    const int column = m_model->SortColumn();
    header->setSortIndicatorShown(column >= 0);
    if (column >= 0) {
        header->setSortIndicator(column, m_model->SortOrder());
    }
}

void Form2::ShowFindBar(bool shown) {
    if (!shown) {
        FindBox->clear();
        if (FindBar->isHidden()) {
            return;
        }
        const bool hadFocus = FindBar->isAncestorOf(QApplication::focusWidget());
        FindBar->hide();
        LayoutControls();
        if (hadFocus) {
            ListView1->setFocus(Qt::OtherFocusReason);
        }
        return;
    }
    if (FindBar->isHidden()) {
        FindBar->show();
        LayoutControls();
    }
    FindBox->setFocus(Qt::ShortcutFocusReason);
    FindBox->selectAll();
}

const QList<int>* Form2::ExportOrder(QList<int>& storage) const {
    if (!m_model->IsReordered()) {
        return nullptr;
    }
    storage = m_model->ShownRows();
    return &storage;
}

bool Form2::IsBusy() const {
    return cursor().shape() == Qt::WaitCursor;
}

void Form2::BeginBusy() {
    if (m_busyDepth++ == 0) {
        setCursor(QCursor(Qt::WaitCursor));
    }
}

void Form2::EndBusy() {
    if (m_busyDepth > 0 && --m_busyDepth == 0) {
        setCursor(QCursor(Qt::ArrowCursor));
    }
}

bool Form2::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
        if (!IsBusy()) {
            const bool overButton = qobject_cast<QPushButton*>(watched) != nullptr;
            setCursor(overButton ? m_handCursor : QCursor(Qt::ArrowCursor));
        }
    } else if (watched == ListView1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            ToggleSelected();
            return true;
        }
        if (key->key() == Qt::Key_Escape && !FindBar->isHidden()) {
            ShowFindBar(false);
            return true;
        }
    } else if (watched == FindBox && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            ShowFindBar(false); // every row is shown again
            return true;
        }
        if (key->key() == Qt::Key_Down || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            ListView1->setFocus(Qt::TabFocusReason);
            if (!ListView1->currentIndex().isValid() && m_model->rowCount() > 0) {
                ListView1->setCurrentIndex(m_model->index(0, 0));
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form2::closeEvent(QCloseEvent* event) {
    event->accept();
    if (!m_ended) {
        m_ended = true;
        m_endProgram();
    }
}

void Form2::PushButton1_Click() {
    ErrorReport steps(m_ui, QString::fromLatin1(Source::BackClick));
    steps(100, [&] {
        if (!IsBusy()) {
            m_model->ClearRows();
        }
    });
    steps(102, [&] {
        if (m_mainWindow) {
            TakePlaceOf(m_mainWindow, this);
            m_mainWindow->show();
        }
    });
    steps(104, [&] { hide(); });
}

void Form2::PushButton9_Click() {
    ErrorReport steps(m_ui, QString::fromLatin1(Source::ClearResultsClick));
    steps(100, [&] {
        if (!IsBusy()) {
            m_model->ClearRows();
        }
    });
}

void Form2::PushButton5_Click() {
    ErrorReport steps(m_ui, QString::fromLatin1(Source::SaveTextClick));
    QString path;
    steps(100, [&] { path = m_ui.SaveFile(QStringLiteral("Save"), kSaveFilter); });
    if (path.isEmpty()) {
        return;
    }
    bool confirmed = true;
    steps(104, [&] {
        if (FileExists(path)) {
            confirmed =
                m_ui.Message(QStringLiteral("Are you sure you wish to overwrite ") + path + QStringLiteral(" ?"),
                             AppTitle(), MsgButtons::YesNo, MsgIcon::None) == MsgAnswer::Yes;
        }
    });
    if (!confirmed) {
        return;
    }
    steps(108, [&] { BeginBusy(); });
    bool written = false;
    QList<int> shown;
    const QList<int>* order = ExportOrder(shown);
    steps(110, [&] {
        try {
            Export(ExportFormat::Text, m_model->Table(), {order, ProgressBar1, m_yield}, path);
            written = true;
        } catch (const ExportFailure& failure) {
            ShowErrorReport(m_ui, failure.Description(), QString::fromLatin1(Source::SaveListview), failure.Step());
        }
    });
    steps(112, [&] { EndBusy(); });
    // "Done." only for a file that was written; a failure has been reported already.
    if (written) {
        steps(116, [&] { m_ui.Message(QStringLiteral("Done."), AppTitle()); });
    }
}

void Form2::PushButton8_Click() {
    ErrorReport steps(m_ui, QString::fromLatin1(Source::CopyClick));
    bool empty = false;
    steps(100, [&] { empty = m_model->ShownCount() == 0; });
    if (!empty) {
        QString text;
        QList<int> shown;
        const QList<int>* order = ExportOrder(shown);
        steps(104, [&] {
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            Export(ExportFormat::Clipboard, m_model->Table(), {order, nullptr, m_yield}, buffer);
            text = QString::fromUtf8(buffer.data());
        });
        steps(106, [&] { ClipboardClear(); });
        steps(108, [&] { ClipboardSetText(text); });
    }
    steps(112, [&] { m_ui.Message(kCopied, AppTitle()); });
}

void Form2::SetSpreadsheetCheck(std::function<bool()> check) {
    m_spreadsheetFinder = [check = std::move(check)] {
        SpreadsheetApplication found;
        found.desktopDefault = check && check();
        return found;
    };
}

bool Form2::SaveResultsAsExcelFileIsExcelInstalled() {
    bool installed = false;
    try {
        m_spreadsheet = m_spreadsheetFinder ? m_spreadsheetFinder() : SpreadsheetApplication{};
        installed = m_spreadsheet.Found();
    } catch (...) {
        installed = false;
    }
    if (!installed) {
        m_ui.Message(kNoSpreadsheetGeneral, AppTitle());
    }
    return installed;
}

void Form2::PushButton3_Click() {
    ErrorReport steps(m_ui, QString::fromLatin1(Source::SaveExcelClick));
    bool installed = false;
    steps(100, [&] { installed = SaveResultsAsExcelFileIsExcelInstalled(); });
    if (!installed) {
        steps(104, [&] { m_ui.Message(kNoSpreadsheetFeature, AppTitle()); });
        return;
    }
    if (m_model->ShownCount() == 0) {
        return;
    }
    QList<int> shown;
    const QList<int>* order = ExportOrder(shown);
    steps(112, [&] { BeginBusy(); });
    QString path;
    steps(114, [&] { path = ReserveWorkbookPath(TempFolder()); });
    bool written = false;
    if (!path.isEmpty()) {
        steps(118, [&] {
            Export(ExportFormat::Workbook, m_model->Table(), {order, ProgressBar1, m_yield}, path);
            written = true;
        });
        if (!written) {
            // Nothing to show: the reserved name goes again.
            QFile::remove(path);
        }
    }
    if (written) {
        // The desktop's opener first, then the program the check found; failing both, the user
        // learns where the workbook is.
        bool opened = false;
        steps(126, [&] { opened = m_ui.OpenUrl(QUrl::fromLocalFile(path)); });
        steps(128, [&] {
            if (!opened && !m_spreadsheet.program.isEmpty()) {
                opened = RunOpener(m_spreadsheet.program, {path}, m_yield);
            }
            if (!opened) {
                m_ui.Message(WorkbookNotOpened(path), AppTitle());
            }
        });
    }
    steps(130, [&] { EndBusy(); });
    steps(132, [&] {
        ProgressBar1->SetValue(0);
        ProgressBar1->SetText(kProgressRest);
    });
}

void Form2::TickAll(bool ticked) {
    m_model->SetShownTicked(ticked);
}

void Form2::TickSelected(bool ticked) {
    if (!ListView1->selectionModel()) {
        return;
    }
    for (const QItemSelectionRange& range : ListView1->selectionModel()->selection()) {
        m_model->SetViewRangeTicked(range.top(), range.bottom(), ticked);
    }
}

void Form2::ToggleSelected() {
    QItemSelectionModel* selection = ListView1->selectionModel();
    if (!selection || !selection->hasSelection()) {
        return;
    }
    const QModelIndex current = ListView1->currentIndex();
    int reference = -1;
    if (current.isValid() && selection->isRowSelected(current.row(), QModelIndex())) {
        reference = current.row();
    } else {
        reference = selection->selection().first().top();
    }
    TickSelected(!m_model->IsTicked(m_model->TableRow(reference)));
}
