#include "gui/Form1.h"
#include "gui/Pointers.h"

#include "core/base/ErrorReport.h"
#include "core/base/Files.h"
#include "core/base/Help.h"
#include "core/base/Places.h"
#include "core/base/System.h"
#include "core/base/Texts.h"
#include "core/count/StopWords.h"
#include "core/count/WordForms.h"
#include "core/count/WorkingDatabase.h"
#include "core/extract/Converter.h"
#include "core/extract/Readability.h"
#include "core/filelist/Samples.h"
#include "core/store/TextStore.h"
#include "gui/CorpusViews.h"
#include "gui/DesktopOpen.h"
#include "gui/Form2.h"
#include "gui/GuiHelpers.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

// The icons live in the resources of the window library, which the linker keeps only when asked.
static void LoadIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace {

// Client area of the main window in twips.
constexpr int kClientWidth = 8040;
constexpr int kClientHeight = 8250;

const QString kAllLettersCaption = QStringLiteral("Every alphabet, not only A\u2013Z");
const QString kOtherStopList = QStringLiteral("Other list\u2026");
const QString kNeedsAllLetters = QStringLiteral("Needs \u201c") + kAllLettersCaption + QStringLiteral("\u201d");
const QString kStopListFilter = QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|");

// The program's icon in every size it is drawn in, from the resources of the program.
QIcon ApplicationIcon() {
    LoadIconResources();
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

} // namespace

Form1::Form1(Ui& ui, Form1Options options)
    : m_ui(ui), m_options(std::move(options)), m_yield(GuiYield()), m_appTitle(ProductTitle()),
      m_handCursor(Qt::PointingHandCursor) {
    if (!m_options.endProgram) {
        m_options.endProgram = [this] {
            RemoveWorkFolders();
            std::fflush(nullptr);
            std::_Exit(0);
        };
    }
    BuildControls();
    PlaceControls();
    ConnectHandlers();
    SetTabOrder();
}

Form1::~Form1() = default;

void Form1::BuildControls() {
    setObjectName(QStringLiteral("Form1"));
    QFont arial(QStringLiteral("Arial"), 9);
    setFont(arial);
    setMouseTracking(true);
    installEventFilter(this);

    auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setMouseTracking(true);
        b->installEventFilter(this);
        // A move over a button must not reach the window's own rule through propagation.
        b->setAttribute(Qt::WA_NoMousePropagation);
        return b;
    };
    PushButton3 = button("PushButton3", QStringLiteral("Help"));
    PushButton1 = button("PushButton1", QStringLiteral("Add PDF File(s)"));
    PushButton4 = button("PushButton4", QStringLiteral("Add All PDF File(s) In Folder"));
    PushButton6 = button("PushButton6", QStringLiteral("Clear List"));
    PushButton7 = button("PushButton7", QStringLiteral("Load Sample/Example Files"));
    PushButton2 = button("PushButton2", QStringLiteral("Start Analyzing"));

    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setColumnCount(1);
    ListView1->setHeaderLabels({QString()});
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setToolTip(QStringLiteral("Drag and drop files here. Double-click item to remove it. Move | line to "
                                         "right and out of window to reveal full names."));
    ListView1->setMouseTracking(true);
    ListView1->viewport()->setMouseTracking(true);
    ListView1->viewport()->installEventFilter(this);
    ListView1->installEventFilter(this);
    // The drag-and-drop mode switches drops off again: set it first.
    ListView1->setDragDropMode(QAbstractItemView::NoDragDrop);
    ListView1->setAcceptDrops(true);
    ListView1->viewport()->setAcceptDrops(true);
    ListView1->header()->setStretchLastSection(false);
    ListView1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    Frame2 = new QGroupBox(QStringLiteral("Options"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame1 = new QGroupBox(QStringLiteral("Processing Speed Option"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    for (QGroupBox* frame : {Frame1, Frame2}) {
        frame->setMouseTracking(true);
        frame->installEventFilter(this);
    }

    Option1 = new QRadioButton(QStringLiteral("Give one count for all PDF files"), Frame2);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option2 = new QRadioButton(QStringLiteral("Give separate counts for each PDF file"), Frame2);
    Option2->setObjectName(QStringLiteral("Option2"));
    Check3 = new QCheckBox(QStringLiteral("Ignore letter case when counting duplicate words"), Frame2);
    Check3->setObjectName(QStringLiteral("Check3"));
    Check3->setMouseTracking(true);
    Check3->installEventFilter(this);
    Check1 = new QCheckBox(QStringLiteral("Prompt for password because PDF files are password protected"), Frame2);
    Check1->setObjectName(QStringLiteral("Check1"));
    BuildWordAdditions();
    BuildMoreMenu();
    Option3 = new QRadioButton(QStringLiteral("Database Method (faster)"), Frame1);
    Option3->setObjectName(QStringLiteral("Option3"));
    Option4 = new QRadioButton(QStringLiteral("Regular Text Method (slower)"), Frame1);
    Option4->setObjectName(QStringLiteral("Option4"));

    // Design states: Option1, Option3 and Check3 selected or ticked.
    Option1->setChecked(true);
    Option3->setChecked(true);
    Check3->setChecked(true);

    ProgressBar1 = new GuiProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
}

// Additions beside the design's options, off by default: words of every alphabet, and a list of
// common words left out of the rows.
void Form1::BuildWordAdditions() {
    CheckAllLetters = new QCheckBox(kAllLettersCaption, Frame2);
    CheckAllLetters->setObjectName(QStringLiteral("CheckAllLetters"));
    CheckAllLetters->setToolTip(QStringLiteral("Count words written in any alphabet (Greek, Cyrillic, letters with "
                                               "accents, ...), not only words of the letters A to Z"));
    CheckStopWords = new QCheckBox(QStringLiteral("Leave out common words"), Frame2);
    CheckStopWords->setObjectName(QStringLiteral("CheckStopWords"));
    CheckStopWords->setToolTip(QStringLiteral("Leave the words of the chosen list (the, and, of, ...) out of the "
                                              "word counts"));
    LabelStopWords = new QLabel(QStringLiteral("List:"), Frame2);
    LabelStopWords->setObjectName(QStringLiteral("LabelStopWords"));
    ComboStopWords = new QComboBox(Frame2);
    ComboStopWords->setObjectName(QStringLiteral("ComboStopWords"));
    for (const QString& name : StopListNames()) {
        ComboStopWords->addItem(name.left(1).toUpper() + name.mid(1), name);
    }
    ComboStopWords->addItem(kOtherStopList); // no data: not a list itself
    ComboStopWords->setEnabled(false);
    ComboStopWords->setAccessibleName(QStringLiteral("List of common words"));
    LabelStopWords->setBuddy(ComboStopWords);
    LabelStopWords->setEnabled(false);
}

// The further word options, in a menu so that the window keeps its look.
void Form1::BuildMoreMenu() {
    ButtonMoreOptions = new QToolButton(Frame2);
    ButtonMoreOptions->setObjectName(QStringLiteral("ButtonMoreOptions"));
    ButtonMoreOptions->setText(QStringLiteral("More\u2026"));
    ButtonMoreOptions->setToolTip(QStringLiteral("Further word options: dictionary words, compatibility forms, "
                                                 "word forms; reading scanned pages with OCR"));
    ButtonMoreOptions->setPopupMode(QToolButton::InstantPopup);
    auto* more = new QMenu(ButtonMoreOptions);
    ActionSegment = more->addAction(QStringLiteral("Dictionary words (Chinese, Japanese, Thai, \u2026)"));
    ActionSegment->setObjectName(QStringLiteral("ActionSegment"));
    ActionSegment->setCheckable(true);
    ActionSegment->setToolTip(kNeedsAllLetters + QStringLiteral(": finds the words of languages written without "
                                                                "blanks between words by dictionary"));
    ActionCompatForms = more->addAction(QStringLiteral("Join compatibility forms (presentation forms, full-width "
                                                       "letters)"));
    ActionCompatForms->setObjectName(QStringLiteral("ActionCompatForms"));
    ActionCompatForms->setCheckable(true);
    ActionCompatForms->setToolTip(kNeedsAllLetters + QStringLiteral(": counts presentation forms, full-width letters "
                                                                    "and ligatures as the words they spell"));
    more->setToolTipsVisible(true); // also over the entries that are greyed
    MenuWordForms = more->addMenu(QStringLiteral("Group word forms"));
    MenuWordForms->setObjectName(QStringLiteral("MenuWordForms"));
    WordFormsGroup = new QActionGroup(MenuWordForms);
    QAction* off = MenuWordForms->addAction(QStringLiteral("Off"));
    off->setData(QString());
    MenuWordForms->addSeparator();
    for (const QString& language : StemLanguages()) {
        // "porter" is the older English stemmer, not a language of its own.
        const QString name = language == QStringLiteral("porter") ? QStringLiteral("English (Porter, older)")
                                                                  : language.left(1).toUpper() + language.mid(1);
        MenuWordForms->addAction(name)->setData(language);
    }
    for (QAction* action : MenuWordForms->actions()) {
        if (!action->isSeparator()) {
            action->setCheckable(true);
            WordFormsGroup->addAction(action);
        }
    }
    off->setChecked(true);
    ActionSegment->setEnabled(false);
    ActionCompatForms->setEnabled(false);
    BuildOcrOptions(more);
    BuildStoreOption(more);
    more->addSeparator();
    ActionAbout = more->addAction(QStringLiteral("About ") + ProductTitle() + QStringLiteral("\u2026"));
    ActionAbout->setObjectName(QStringLiteral("ActionAbout"));
    ButtonMoreOptions->setMenu(more);
    // Which of the menu's options are on, said under the button (in the room the speed options
    // leave), so that a run's results are never a surprise.
    LabelMoreOptions = new QLabel(Frame1);
    LabelMoreOptions->setObjectName(QStringLiteral("LabelMoreOptions"));
    LabelMoreOptions->setAlignment(Qt::AlignRight | Qt::AlignTop);
    LabelMoreOptions->setWordWrap(true);
    LabelMoreOptions->hide();
}

void Form1::PlaceControls() {
    using Grow = TwipsLayout::Grow;
    m_layout = TwipsLayout(this, kClientWidth, kClientHeight,
                           {
                               {PushButton3, 120, 120, 7800, 405, Grow::Width, false},
                               {ListView1, 120, 630, 7800, 2535, Grow::WidthHeight, false},
                               {PushButton1, 120, 3250, 3840, 405, Grow::LeftHalf, true},
                               {PushButton4, 4080, 3250, 3840, 405, Grow::RightHalf, true},
                               {PushButton6, 120, 3760, 3840, 405, Grow::LeftHalf, true},
                               {PushButton7, 4080, 3760, 3840, 405, Grow::RightHalf, true},
                               {Frame2, 120, 4220, 7800, 1770, Grow::Width, true},
                               {Frame1, 120, 6040, 7800, 1020, Grow::Width, true},
                               {PushButton2, 120, 7200, 7800, 405, Grow::Width, true},
                               {ProgressBar1, 120, 7720, 7800, 405, Grow::Width, true},
                               {Option1, 240, 300, 3840, 255, Grow::None, false},
                               {Option2, 240, 650, 4455, 255, Grow::None, false},
                               {Check3, 240, 1000, 4935, 255, Grow::None, false},
                               {Check1, 240, 1350, 6375, 255, Grow::None, false},
                               // Beside the design's options: a column of their own, the
                               // chooser under the caption of the box it belongs to.
                               {CheckAllLetters, 4800, 300, 2880, 255, Grow::None, false},
                               {CheckStopWords, 4800, 650, 2880, 255, Grow::None, false},
                               {LabelStopWords, 5220, 1020, 480, 255, Grow::None, false},
                               {ComboStopWords, 5760, 1000, 1920, 330, Grow::None, false},
                               {ButtonMoreOptions, 6720, 1340, 960, 300, Grow::None, false},
                               {LabelMoreOptions, 4800, 300, 2880, 600, Grow::None, false},
                               {Option3, 240, 300, 2760, 255, Grow::None, false},
                               {Option4, 240, 650, 4455, 255, Grow::None, false},
                           });
    m_layout.ResizeToDesign();
}

void Form1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_layout.Apply();
}

void Form1::ConnectHandlers() {
    connect(Check1, &QCheckBox::clicked, this, [this] { Check1_Click(); });
    connect(CheckStopWords, &QCheckBox::toggled, ComboStopWords, &QComboBox::setEnabled);
    connect(CheckStopWords, &QCheckBox::toggled, LabelStopWords, &QLabel::setEnabled);
    // The word options are kept like the others, the moment they change.
    connect(CheckAllLetters, &QCheckBox::toggled, this,
            [this](bool on) { m_settings.Save(QStringLiteral("AllLetters"), SettingsStore::BoolText(on)); });
    connect(CheckStopWords, &QCheckBox::toggled, this,
            [this](bool on) { m_settings.Save(QStringLiteral("StopWords"), SettingsStore::BoolText(on)); });
    connect(ComboStopWords, &QComboBox::currentIndexChanged, this, [this] {
        const QString list = ComboStopWords->currentData().toString();
        if (!list.isEmpty()) {
            m_stopListChoice = ComboStopWords->currentIndex();
            m_settings.Save(QStringLiteral("StopWordList"), list);
        }
    });
    connect(ComboStopWords, &QComboBox::activated, this, [this](int index) { ComboStopWords_Click(index); });
    // Dictionary words and compatibility forms are part of the rule for every alphabet.
    for (QAction* action : {ActionSegment, ActionCompatForms}) {
        connect(CheckAllLetters, &QCheckBox::toggled, action, &QAction::setEnabled);
    }
    connect(ActionSegment, &QAction::toggled, this,
            [this](bool on) { m_settings.Save(QStringLiteral("Segment"), SettingsStore::BoolText(on)); });
    connect(ActionCompatForms, &QAction::toggled, this,
            [this](bool on) { m_settings.Save(QStringLiteral("CompatForms"), SettingsStore::BoolText(on)); });
    connect(WordFormsGroup, &QActionGroup::triggered, this,
            [this](QAction* action) { m_settings.Save(QStringLiteral("WordForms"), action->data().toString()); });
    ConnectOcrOptions();
    // What the label under "More…" says follows every change of the menu's options.
    connect(CheckAllLetters, &QCheckBox::toggled, this, [this] { ShowMoreOptionsOn(); });
    for (QAction* action : {ActionSegment, ActionCompatForms, ActionOcr, ActionKeepTexts}) {
        connect(action, &QAction::toggled, this, [this] { ShowMoreOptionsOn(); });
    }
    connect(WordFormsGroup, &QActionGroup::triggered, this, [this] { ShowMoreOptionsOn(); });
    connect(ActionAbout, &QAction::triggered, this, [this] { ActionAbout_Click(); });
    connect(Option1, &QRadioButton::clicked, this, [this] { Option1_Click(); });
    connect(Option2, &QRadioButton::clicked, this, [this] { Option2_Click(); });
    connect(Option3, &QRadioButton::clicked, this, [this] { Option3_Click(); });
    connect(Option4, &QRadioButton::clicked, this, [this] { Option4_Click(); });
    connect(PushButton1, &QPushButton::clicked, this, [this] { PushButton1_Click(); });
    connect(PushButton2, &QPushButton::clicked, this, [this] { PushButton2_Click(); });
    connect(PushButton3, &QPushButton::clicked, this, [this] { PushButton3_Click(); });
    connect(PushButton4, &QPushButton::clicked, this, [this] { PushButton4_Click(); });
    connect(PushButton6, &QPushButton::clicked, this, [this] { PushButton6_Click(); });
    connect(PushButton7, &QPushButton::clicked, this, [this] { PushButton7_Click(); });
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, [this] { ListView1_DblClick(); });
    connect(ListView1, &QTreeWidget::itemPressed, this, [this] {
        // An item click starts a drag of the selected row.
        ListView1->viewport()->setCursor(m_dragCursor);
        m_dragRow = ListView1->currentItem();
    });
}

void Form1::SetTabOrder() {
    // Top to bottom, left to right, as the controls stand in the window.
    // The option group counts as one stop, beside it the two word options and the list chooser.
    const QList<QWidget*> order{PushButton3,    ListView1,  PushButton1, PushButton4,       PushButton6,
                                PushButton7,    Option1,    Option2,     CheckAllLetters,   CheckStopWords,
                                ComboStopWords, Check3,     Check1,      ButtonMoreOptions, Option3,
                                Option4,        PushButton2};
    for (qsizetype i = 0; i + 1 < order.size(); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }
    for (auto [first, second] : {std::pair{Option1, Option2}, std::pair{Option3, Option4}}) {
        for (QRadioButton* option : {first, second}) {
            connect(option, &QRadioButton::toggled, this, [first, second] { FocusSelectedOption(first, second); });
        }
        FocusSelectedOption(first, second);
    }
}

void Form1::FocusSelectedOption(QRadioButton* first, QRadioButton* second) {
    const bool anySelected = first->isChecked() || second->isChecked();
    for (QRadioButton* option : {first, second}) {
        option->setFocusPolicy(option->isChecked() || !anySelected ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

void Form1::Form_Load() {
    ErrorReport steps(m_ui, QString::fromLatin1(Source::FormLoad));
    steps(100, [&] { ApplySkin(this); });
    steps(102, [&] {
        if (const auto cursor = LoadCursorFile(HandCursorPath())) {
            m_handCursor = *cursor;
        }
        if (const auto cursor = LoadCursorFile(DragCursorPath())) {
            m_dragCursor = *cursor;
        } else {
            m_dragCursor = QCursor(Qt::ClosedHandCursor);
        }
    });
    steps(104, [&] {
        if (m_settings.Get(kSnapshotKey).isEmpty()) {
            RecordSampleList(m_settings, m_yield);
        }
    });
    steps(106, [&] {
        setWindowTitle(ProductTitle());
        setWindowIcon(ApplicationIcon());
        QApplication::setWindowIcon(windowIcon());
    });
    steps(108, [&] { m_appTitle = ShortenTitle(ProductTitle()); });
    steps(110, [&] {
        ListView1->setHeaderLabels({QStringLiteral("PDF Files")});
        ListView1->header()->resizeSection(0, TwipsToPixels(7000, this));
    });
    steps(112, [&] { SetCheck(Check1, SettingsStore::ReadInt(m_settings.Get(QStringLiteral("Check1"), "0")) != 0); });
    steps(114, [&] { RestoreBool(Option1, QStringLiteral("Option1"), QStringLiteral("1")); });
    steps(116, [&] { RestoreBool(Option2, QStringLiteral("Option2"), QStringLiteral("0")); });
    QString source;
    steps(118, [&] {
        source = ConverterSource(ProcessorAddressWidth());
        // This window runs the converter by its own path: the link in the shared temporary
        // folder may be removed by another window's shutdown, or be someone else's file.
        m_converter = source.isEmpty() ? QStringLiteral("pdftotext") : source;
    });
    steps(120, [&] {
        const QString target = ConverterPath();
        if (!FileExists(target)) {
            PlaceConverter(source, target);
        }
    });
    steps(122, [&] {
        if (!FileExists(DataFolderFirstLevel())) {
            FailIf(!QDir().mkdir(DataFolderFirstLevel()), QStringLiteral("Path not found: ") + DataFolderFirstLevel());
        }
    });
    steps(124, [&] {
        if (!FileExists(DataFolder())) {
            FailIf(!QDir().mkdir(DataFolder()), QStringLiteral("Path not found: ") + DataFolder());
        }
    });
    steps(126, [&] { CopyTemplateDatabase(); });
    steps(128, [&] { m_providerAvailable = CheckDatabaseProvider(true, &m_ui, m_options.providerProbe); });
    const QString methodDefault = m_providerAvailable ? QStringLiteral("1") : QStringLiteral("0");
    const QString textDefault = m_providerAvailable ? QStringLiteral("0") : QStringLiteral("1");
    steps(130, [&] { RestoreBool(Option3, QStringLiteral("Option3"), methodDefault); });
    steps(132, [&] { RestoreBool(Option4, QStringLiteral("Option4"), textDefault); });
    steps(134, [&] { RestoreWordAdditions(); });
    steps(136, [&] { RestoreStopList(); });
}

// The additions' word options and the "More…" menu as the settings have them.
void Form1::RestoreWordAdditions() {
    CheckAllLetters->setChecked(SettingsStore::ReadBool(m_settings.Get(QStringLiteral("AllLetters"), "False")));
    for (QAction* action : {ActionSegment, ActionCompatForms}) {
        action->setEnabled(CheckAllLetters->isChecked());
    }
    ActionSegment->setChecked(SettingsStore::ReadBool(m_settings.Get(QStringLiteral("Segment"), "False")));
    ActionCompatForms->setChecked(SettingsStore::ReadBool(m_settings.Get(QStringLiteral("CompatForms"), "False")));
    const QString language = m_settings.Get(QStringLiteral("WordForms"));
    for (QAction* action : WordFormsGroup->actions()) {
        if (action->data().toString() == language) {
            action->setChecked(true);
        }
    }
    RestoreOcrOptions();
    RestoreStoreOption();
    ShowMoreOptionsOn();
}

// The list of common words chosen last, and whether it is used.
void Form1::RestoreStopList() {
    const QString stored = m_settings.Get(QStringLiteral("StopWordList"));
    const int list = ComboStopWords->findData(stored);
    if (list >= 0) {
        ComboStopWords->setCurrentIndex(list);
    } else if (!stored.isEmpty()) {
        ChooseOwnStopList(stored); // the user's own file, read when a run needs it
    }
    CheckStopWords->setChecked(SettingsStore::ReadBool(m_settings.Get(QStringLiteral("StopWords"), "False")));
}

void Form1::RestoreBool(QRadioButton* option, const QString& key, const QString& defaultValue) {
    SelectOption(option, SettingsStore::ReadBool(m_settings.Get(key, defaultValue)));
}

void Form1::SelectOption(QRadioButton* option, bool selected) {
    if (!selected) {
        option->setAutoExclusive(false);
        option->setChecked(false);
        option->setAutoExclusive(true);
        return;
    }
    option->setChecked(true);
    if (option == Option1) {
        Option1_Click();
    } else if (option == Option2) {
        Option2_Click();
    } else if (option == Option3) {
        Option3_Click();
    } else if (option == Option4) {
        Option4_Click();
    }
}

void Form1::SetCheck(QCheckBox* box, bool ticked) {
    if (box->isChecked() == ticked) {
        return;
    }
    box->setChecked(ticked);
    if (box == Check1) {
        Check1_Click();
    }
}

void Form1::StoreOptionPair(QRadioButton* first, const QString& firstKey, QRadioButton* second,
                            const QString& secondKey) {
    m_settings.Save(firstKey, SettingsStore::BoolText(first->isChecked()));
    m_settings.Save(secondKey, SettingsStore::BoolText(second->isChecked()));
}

void Form1::Check1_Click() {
    m_settings.Save(QStringLiteral("Check1"), Check1->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void Form1::Option1_Click() {
    StoreOptionPair(Option1, QStringLiteral("Option1"), Option2, QStringLiteral("Option2"));
}

void Form1::Option2_Click() {
    Option1_Click();
}

void Form1::Option4_Click() {
    StoreOptionPair(Option3, QStringLiteral("Option3"), Option4, QStringLiteral("Option4"));
}

void Form1::Option3_Click() {
    ErrorReport steps(m_ui, QString::fromLatin1(Source::Option3Click));
    bool missing = true;
    steps(100, [&] { missing = !m_providerAvailable; });
    if (missing) {
        steps(102, [&] {
            // Yes to the advice opens the installation page, or names it when that fails.
            TellingOpenUi ui(m_ui, m_appTitle);
            CheckDatabaseProvider(false, &ui, m_options.providerProbe);
        });
        steps(104, [&] { SelectOption(Option4, true); });
    }
    steps(108, [&] { m_settings.Save(QStringLiteral("Option3"), SettingsStore::BoolText(Option3->isChecked())); });
    steps(110, [&] { m_settings.Save(QStringLiteral("Option4"), SettingsStore::BoolText(Option4->isChecked())); });
}

void Form1::ComboStopWords_Click(int index) {
    if (index != ComboStopWords->count() - 1) {
        return; // a list of its own: kept as the choice changes
    }
    const QStringList chosen = m_ui.OpenFiles(QStringLiteral("Other List of Common Words"), kStopListFilter);
    const QString path = chosen.value(0);
    QString refusal;
    if (!path.isEmpty()) {
        try {
            if (ReadStopWords(path).isEmpty()) {
                refusal = QStringLiteral("The list of common words holds no words: ") + path;
            }
        } catch (const Failure& failure) {
            refusal = QStringLiteral("The list of common words cannot be read: ") + failure.Description();
        }
    }
    if (path.isEmpty() || !refusal.isEmpty()) {
        ComboStopWords->setCurrentIndex(m_stopListChoice);
        if (!refusal.isEmpty()) {
            m_ui.Message(refusal, m_appTitle);
        }
        return;
    }
    ChooseOwnStopList(path);
}

WordOptions Form1::ChosenWordOptions() const {
    WordOptions words;
    words.segment = ActionSegment->isEnabled() && ActionSegment->isChecked();
    words.compatibility = ActionCompatForms->isEnabled() && ActionCompatForms->isChecked();
    if (const QAction* checked = WordFormsGroup->checkedAction()) {
        words.stemLanguage = checked->data().toString();
    }
    return words;
}

void Form1::ChooseOwnStopList(const QString& path) {
    const int other = ComboStopWords->count() - 1;
    const int own = static_cast<int>(StopListNames().size());
    if (own < other) {
        ComboStopWords->removeItem(own);
    }
    ComboStopWords->insertItem(own, QFileInfo(path).fileName(), path);
    ComboStopWords->setItemData(own, path, Qt::ToolTipRole);
    ComboStopWords->setCurrentIndex(own);
}

void Form1::PushButton3_Click() {
    ErrorReport steps(m_ui, QString::fromLatin1(Source::HelpClick));
    steps(100, [&] { m_ui.Message(HelpText(), m_appTitle); });
}

bool Form1::IsBusy() const {
    return cursor().shape() == Qt::WaitCursor;
}

void Form1::SetBusy(bool busy) {
    setCursor(busy ? QCursor(Qt::WaitCursor) : QCursor(Qt::ArrowCursor));
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (FileListEvent(watched, event)) {
        return true;
    }
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
        if (!IsBusy()) {
            const bool overButton = qobject_cast<QPushButton*>(watched) != nullptr;
            setCursor(overButton ? m_handCursor : QCursor(Qt::ArrowCursor));
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::closeEvent(QCloseEvent* event) {
    event->accept();
    Form_Unload();
}

void Form1::RemoveWorkFolders() {
    m_converters.KillAll();
    if (m_cache) {
        m_cache->EndHandedOver();
    }
    m_runFolder.reset();
    m_cacheFolder.reset();
    TrimKeptTexts();
    if (m_form2) {
        if (CorpusAdditions* corpus = m_form2->Corpus()) {
            corpus->DropTexts();
        }
    }
}

void Form1::Form_Unload() {
    if (m_unloaded) {
        return;
    }
    m_unloaded = true;
    RemoveWorkFolders();
    try {
        DeleteFileQuiet(ConverterPath());
    } catch (...) {
        // The shutdown never reports anything.
    }
    m_options.endProgram();
}
