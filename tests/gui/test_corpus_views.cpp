#include "core/base/Paths.h"
#include "core/base/Places.h"
#include "core/base/Settings.h"
#include "gui/CorpusViews.h"
#include "gui/Form2.h"
#include "support/CliRun.h"
#include "support/Form1Session.h"
#include "support/GuiTestMain.h"
#include "support/PdfFixtures.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QtTest>

namespace {

// Opens the list's context menu on its current row and clicks the entry with that text.
bool ChooseFromContextMenu(QAbstractItemView* list, const QString& text) {
    bool chosen = false;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) {
            return;
        }
        timer.stop();
        for (QAction* action : menu->actions()) {
            if (action->text() == text) {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
                chosen = true;
                return;
            }
        }
        menu->close();
    });
    timer.start();
    const QPoint at = list->visualRect(list->currentIndex()).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &event);
    return chosen;
}

// The view's rows as shown, cells joined by "|", only the given columns.
QStringList ShownRows(CorpusView* view, const QList<int>& columns) {
    QStringList rows;
    const QAbstractItemModel* model = view->Table->model();
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (const int c : columns) {
            cells << model->index(r, c).data().toString();
        }
        rows << cells.join(u'|');
    }
    return rows;
}

// What must not change in the results window while views come and go.
struct ResultsState {
    QRect geometry;
    QString title;
    QStringList captions;
    QStringList rows;
    bool operator==(const ResultsState&) const = default;
};

ResultsState StateOf(Form2& form) {
    ResultsState state{form.geometry(), form.windowTitle(), form.Model()->Captions(), {}};
    for (int r = 0; r < form.Model()->RowCount(); ++r) {
        state.rows << form.Model()->Table().Row(r).join(u'|');
    }
    return state;
}

CorpusView* View(Form2& form, const char* name) {
    auto* view = static_cast<CorpusView*>(form.findChild<QWidget*>(QString::fromLatin1(name)));
    return view && view->isVisible() ? view : nullptr;
}

// A run of the main window over the PDFs; the results window shows it, `word` the current row
// (null when the window does not show).
Form2* RunOver(Form1Session& s, const QStringList& pdfs, const QString& word) {
    s->AddFileRows(pdfs);
    QTest::mouseClick(s->PushButton2, Qt::LeftButton);
    Form2& results = s->Results();
    if (!QTest::qWaitForWindowExposed(&results)) {
        return nullptr;
    }
    ResultsModel* model = results.Model();
    for (int r = 0; r < model->rowCount(); ++r) {
        if (model->index(r, 0).data().toString() == word || model->index(r, 1).data().toString() == word) {
            results.ListView1->setCurrentIndex(model->index(r, 0));
        }
    }
    return &results;
}

} // namespace

class CorpusViewsTest : public QObject {
    Q_OBJECT

private slots:
    void keywordsAgainstAReference_data();
    void keywordsAgainstAReference();
    void collocatesWithinASpan_data();
    void collocatesWithinASpan();
    void closedByKeys_data();
    void closedByKeys();
    void findAndSortInAView_data();
    void findAndSortInAView();
    void viewsFromTheResultsList() {
        IsolatedEnvironment env;
        QVERIFY(EnsureConverterPlaced());
        const QString a =
            MakeTextPdf(env.Work() + QStringLiteral("/a.pdf"), {"the cat sat\non the mat", "the Cat ran to the cat"});
        const QString b = MakeTextPdf(env.Work() + QStringLiteral("/b.pdf"), {"a dog and the cat"});
        QVERIFY(!a.isEmpty() && !b.isEmpty());
        const QStringList pdfFolder = FolderSnapshot(env.Work());

        Form1Session s;
        QVERIFY(s.Show());
        s->SetCheck(s->Check3, true);
        s->SelectOption(s->Option1, true);
        s.ui.Answer(QStringList{a, b});
        QTest::mouseClick(s->PushButton1, Qt::LeftButton);
        QTest::mouseClick(s->PushButton2, Qt::LeftButton);
        Form2& results = s->Results();
        QVERIFY(QTest::qWaitForWindowExposed(&results));
        const ResultsState before = StateOf(results);

        // The row of "cat" and its count.
        ResultsModel* model = results.Model();
        int catRow = -1;
        for (int r = 0; r < model->rowCount(); ++r) {
            if (model->index(r, 0).data().toString() == QStringLiteral("cat")) {
                catRow = r;
            }
        }
        QVERIFY(catRow >= 0);
        QCOMPARE(model->index(catRow, 1).data().toString(), QStringLiteral("4"));
        results.ListView1->setCurrentIndex(model->index(catRow, 0));

        // Words in context: one line per occurrence, with its page.
        QVERIFY(ChooseFromContextMenu(results.ListView1, QStringLiteral("Words In Context...")));
        CorpusAdditions* corpus = results.Corpus();
        CorpusView* view = View(results, "ConcordanceView");
        QVERIFY(view);
        QCOMPARE(corpus->WordBox->text(), QStringLiteral("cat"));
        const QString la = StripExtension(a) + QStringLiteral(".pdf");
        const QString lb = StripExtension(b) + QStringLiteral(".pdf");
        QCOMPARE(ShownRows(view, {0, 1, 3}), (QStringList{la + "|1|cat", la + "|2|Cat", la + "|2|cat", lb + "|1|cat"}));
        QCOMPARE(view->Status->text(), QStringLiteral("4 lines of \"cat\""));

        // Sorted by the right neighbour by a header click: nothing after it first, then "ran", "sat".
        QHeaderView* header = view->Table->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(4) + 5, header->height() / 2));
        QCOMPARE(ShownRows(view, {1, 3}), (QStringList{"2|cat", "1|cat", "2|Cat", "1|cat"}));

        // The export writes the rows as shown.
        const QString csv = env.Work() + QStringLiteral("/out/context.csv");
        QDir().mkpath(env.Work() + QStringLiteral("/out"));
        s.ui.Answer(csv);
        QTest::mouseClick(view->CsvButton, Qt::LeftButton);
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 6); // header, four rows, the end
        QCOMPARE(lines[0], QByteArray("\"File\",\"Page\",\"Left\",\"Word\",\"Right\"\r"));
        QVERIFY(lines[2].startsWith("\"" + lb.toUtf8() + "\",1,\"a dog and the \",\"cat\","));
        QVERIFY(lines[3].endsWith(",2,\"the cat sat on the mat   the \",\"Cat\",\" ran to the cat   \"\r"));

        // A typed word, one file only.
        corpus->WordBox->setText(QStringLiteral("THE"));
        corpus->FileBox->setCurrentIndex(2);
        QTest::mouseClick(corpus->ShowButton, Qt::LeftButton);
        QCOMPARE(view->Table->model()->rowCount(), 1);

        // Phrases by the shortcut.
        results.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&results));
        QTest::keyClick(results.ListView1, Qt::Key_J, Qt::ControlModifier);
        CorpusView* phrases = View(results, "PhrasesView");
        QVERIFY(phrases);
        corpus->LengthBox->setValue(2);
        QTest::mouseClick(corpus->CountButton, Qt::LeftButton);
        // "the cat" 4 times; every other pair once, below the minimum of 2.
        QCOMPARE(ShownRows(phrases, {0, 1}), QStringList{"the cat|4"});

        // Word statistics: 12 and 5 words; cat 3 and 1: DP = (|.75 - 12/17| + |.25 - 5/17|) / 2.
        QVERIFY(ChooseFromContextMenu(results.ListView1, QStringLiteral("Word Statistics...")));
        CorpusView* stats = View(results, "StatisticsView");
        QVERIFY(stats);
        QVERIFY(ShownRows(stats, {0, 1, 2, 3, 4}).contains(QStringLiteral("cat|4|235294.12|2|0.0441")));
        QVERIFY(ShownRows(stats, {0, 1, 3}).contains(QStringLiteral("dog|1|1")));

        // A file summary needs each file counted on its own: greyed, its shortcut does nothing.
        auto* summaryAction = results.ListView1->findChild<QAction*>(QStringLiteral("FileSummaryAction"));
        QVERIFY(summaryAction && !summaryAction->isEnabled());
        QTest::keyClick(results.ListView1, Qt::Key_U, Qt::ControlModifier);
        QVERIFY(!View(results, "FileSummaryView"));

        QCOMPARE(StateOf(results), before);
        QCOMPARE(FolderSnapshot(env.Work()).filter(QStringLiteral(".pdf")), pdfFolder.filter(QStringLiteral(".pdf")));

        // Per file: the summary's rows.
        s->SelectOption(s->Option2, true);
        s->PushButton2_Click();
        results.ListView1->setCurrentIndex(model->index(0, 0));
        QVERIFY(ChooseFromContextMenu(results.ListView1, QStringLiteral("File Summary...")));
        CorpusView* summary = View(results, "FileSummaryView");
        QVERIFY(summary);
        QCOMPARE(ShownRows(summary, {0, 1, 2}), (QStringList{a + "|2|12", b + "|1|5"}));
        // Its lexical profile follows, walked off the windows' thread.
        QTRY_VERIFY(ShownRows(summary, {0, 8, 9, 12, 13}).contains(b + "|5|1.0000||2.60"));

        // A file listed twice is counted once, by the run and by the views.
        QTest::mouseClick(results.PushButton1, Qt::LeftButton);
        s->AddFileRow(b);
        QTest::mouseClick(s->PushButton2, Qt::LeftButton);
        results.ListView1->setCurrentIndex(model->index(0, 0));
        QVERIFY(ChooseFromContextMenu(results.ListView1, QStringLiteral("File Summary...")));
        QCOMPARE(ShownRows(summary, {0, 1, 2}), (QStringList{a + "|2|12", b + "|1|5"}));
        QCOMPARE(summary->Status->text(), QStringLiteral("2 files"));
        QVERIFY(ChooseFromContextMenu(results.ListView1, QStringLiteral("Word Statistics...")));
        QVERIFY(ShownRows(stats, {0, 1, 3}).contains(QStringLiteral("dog|1|1")));

        // The views' texts (the run's, which it left them) go with them: when the results window
        // goes and when the program ends.
        const auto viewFolders = [] {
            return QDir(TempFolder()).entryList({QStringLiteral("views-*"), QStringLiteral("run-*")}, QDir::Dirs);
        };
        for (const bool back : {true, false}) {
            results.ListView1->setCurrentIndex(model->index(0, 0));
            QVERIFY(ChooseFromContextMenu(results.ListView1, QStringLiteral("Word Statistics...")));
            QCOMPARE(viewFolders().size(), 1);
            if (back) {
                QTest::mouseClick(results.PushButton1, Qt::LeftButton);
                QCOMPARE(viewFolders(), QStringList{});
                QTest::mouseClick(s->PushButton2, Qt::LeftButton);
            } else {
                s->Form_Unload();
                QCOMPARE(viewFolders(), QStringList{});
            }
        }
    }

    // "Read scanned pages with OCR" in the More menu: ticked, the readability check leaves the
    // scan alone, the run reads it and the file summary says so; without an engine the tick does
    // not stand and the user learns which package to install.
    void scannedFileReadInTheWindow_data() {
        QTest::addColumn<QString>("engine"); // $LEXITALLY_TESSERACT; "" unset
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QString>("reason");
        QTest::newRow("OCR") << "" << true << "read by OCR";
        QTest::newRow("no OCR engine") << "/nowhere/tesseract" << false
                                       << "text unreadable. Please view the file yourself to see if it is really a "
                                          "scanned image of text and not proper PDF text.";
    }

    void scannedFileReadInTheWindow() {
        QFETCH(QString, engine);
        QFETCH(bool, ticked);
        QFETCH(QString, reason);
        IsolatedEnvironment env;
        env.Set("LEXITALLY_TESSERACT", engine);
        QVERIFY(EnsureConverterPlaced());
        const QString scan =
            MakeScannedPdf(env.Work() + QStringLiteral("/scan.pdf"), {"The quick brown fox jumps over the lazy dog"});
        QVERIFY(!scan.isEmpty());
        Form1Session s;
        QVERIFY(s.Show());
        const QRect more = s->ButtonMoreOptions->geometry();
        s->ActionOcr->trigger();
        QCOMPARE(s->ActionOcr->isChecked(), ticked);
        QCOMPARE(SettingsStore().Get(QStringLiteral("Ocr")), ticked ? QStringLiteral("True") : QStringLiteral("False"));
        QCOMPARE(s->ButtonMoreOptions->geometry(), more);
        if (!ticked) {
            QCOMPARE(s.ui.MessageTexts().size(), 1);
            QVERIFY2(s.ui.MessageTexts()[0].contains(QStringLiteral("install the Debian package tesseract-ocr")),
                     qPrintable(s.ui.MessageTexts()[0]));
        } else {
            // The languages installed, English chosen; the last one chosen stays chosen.
            emit s->MenuOcrLanguages->aboutToShow();
            QAction* english = nullptr;
            for (QAction* action : s->MenuOcrLanguages->actions()) {
                english = action->data().toString() == QStringLiteral("eng") ? action : english;
            }
            QVERIFY(english && english->isChecked());
            english->trigger();
            QVERIFY(english->isChecked());
            QCOMPARE(s->ChosenOcr().languages, QStringLiteral("eng"));
        }
        s.ui.Clear();

        s->SelectOption(s->Option2, true);
        s.ui.Answer(QStringList{scan});
        QTest::mouseClick(s->PushButton1, Qt::LeftButton);
        QCOMPARE(s.ui.MessageTexts(), ticked ? QStringList() : QStringList{UnreadableBox({scan})});
        s.ui.Clear();
        QTest::mouseClick(s->PushButton2, Qt::LeftButton);
        QCOMPARE(s.ui.MessageTexts(),
                 ticked ? QStringList()
                        : QStringList{QStringLiteral("No text was found in PDF(s).\r\nThe following files "
                                                     "could not be read:\r\n") +
                                      scan + QStringLiteral("  - ") + reason});
        CorpusView* summary = s->Results().Corpus()->ShowFileSummary();
        QVERIFY(summary);
        const QStringList rows = ShownRows(summary, {0, 2, 7});
        QCOMPARE(rows.size(), 1);
        const QStringList cells = rows[0].split(u'|');
        QCOMPARE(cells[0], scan);
        QCOMPARE(cells[2], reason);
        QVERIFY2(ticked ? qAbs(cells[1].toInt() - 9) <= 1 : cells[1] == QStringLiteral("0"), qPrintable(rows[0]));
        // The views read the text OCR read (once more: the run's own text is gone once counted).
        const QList<ConvertedText> texts = s->Results().Corpus()->LastRunTexts();
        QCOMPARE(texts.size(), 1);
        QCOMPARE(ReadAll(texts[0].text).contains("brown fox"), ticked);
    }
};

void CorpusViewsTest::closedByKeys_data() {
    QTest::addColumn<QString>("action"); // the entry of the results list's context menu
    QTest::addColumn<QString>("window");
    QTest::addColumn<QKeySequence>("keys");
    const QList<std::pair<QString, QString>> windows{
        {"ConcordanceAction", "ConcordanceView"}, {"PhrasesAction", "PhrasesView"},
        {"StatisticsAction", "StatisticsView"},   {"ChartAction", "ChartView"},
        {"KeywordsAction", "KeywordsView"},       {"CollocatesAction", "CollocatesView"},
        {"PlotAction", "DispersionView"}};
    for (const auto& [action, window] : windows) {
        QTest::addRow("%s, Esc", qPrintable(window)) << action << window << QKeySequence(Qt::Key_Escape);
        QTest::addRow("%s, Ctrl+W", qPrintable(window)) << action << window << QKeySequence(Qt::CTRL | Qt::Key_W);
    }
}

// The windows beside the results close with Esc and Ctrl+W, wherever their focus is.
void CorpusViewsTest::closedByKeys() {
    QFETCH(QString, action);
    QFETCH(QString, window);
    QFETCH(QKeySequence, keys);
    IsolatedEnvironment env;
    QVERIFY(EnsureConverterPlaced());
    const QString a = MakeTextPdf(env.Work() + QStringLiteral("/a.pdf"), {"the cat sat on the mat"});
    Form1Session s;
    QVERIFY(s.Show());
    s->AddFileRows({a});
    QTest::mouseClick(s->PushButton2, Qt::LeftButton);
    Form2& results = s->Results();
    QVERIFY(QTest::qWaitForWindowExposed(&results));
    results.ListView1->setCurrentIndex(results.Model()->index(0, 0));
    results.ListView1->findChild<QAction*>(action)->trigger();
    auto* shown = results.findChild<QWidget*>(window);
    QVERIFY(shown && shown->isVisible());
    QApplication::setActiveWindow(shown);
    QWidget* focus = shown->focusWidget();
    QTest::keySequence(focus ? focus : shown, keys);
    QVERIFY(!shown->isVisible());
    QVERIFY(results.isVisible());
}

void CorpusViewsTest::keywordsAgainstAReference_data() {
    QTest::addColumn<QString>("reference"); // how it is chosen: a folder of texts, a PDF, a saved word list
    QTest::newRow("folder of texts") << "folder";
    QTest::newRow("PDF") << "pdf";
    QTest::newRow("word list saved by a run") << "json";
}

// Target "cat cat cat dog the the", reference "the the dog dog fish fish" (6 words each). cat:
// E1 = 6 x 3 / 12 = 1.5, G2 = 2 x 3 ln(3 / 1.5) = 4.16, Log Ratio = log2((3/6) / (0.5/6)) = 2.58;
// "the" is as frequent in both, dog rarer. Negative: fish G2 = 2 x 2 ln 2 = 2.77, dog
// 2 (ln(1/1.5) + 2 ln(2/1.5)) = 0.34.
void CorpusViewsTest::keywordsAgainstAReference() {
    QFETCH(QString, reference);
    IsolatedEnvironment env;
    QVERIFY(EnsureConverterPlaced());
    const QString target = MakeTextPdf(env.Work() + QStringLiteral("/target.pdf"), {"cat cat cat dog the the"});
    const QString words = QStringLiteral("the the dog dog fish fish");
    const QString folder = env.Work() + QStringLiteral("/reference");
    const QString text = WriteTextFile(folder + QStringLiteral("/reference.txt"), words.toUtf8());
    const QString json = env.Work() + QStringLiteral("/reference.json");
    if (reference == QStringLiteral("json")) {
        QCOMPARE(RunCli({"--text", "--format=json", "-o", json, text}, env.Work()).exitCode, 0);
    }
    Form1Session s;
    QVERIFY(s.Show());
    Form2* shown = RunOver(s, {target}, QStringLiteral("cat"));
    QVERIFY(shown);
    Form2& results = *shown;
    QVERIFY(ChooseFromContextMenu(results.ListView1, QStringLiteral("Keywords...")));
    CorpusView* view = View(results, "KeywordsView");
    QVERIFY(view);
    QCOMPARE(view->Table->model()->rowCount(), 0);
    CorpusAdditions* corpus = results.Corpus();
    if (reference == QStringLiteral("folder")) {
        s.ui.Answer(folder);
        QTest::mouseClick(corpus->FolderButton, Qt::LeftButton);
    } else {
        s.ui.Answer(QStringList{reference == QStringLiteral("pdf")
                                    ? MakeTextPdf(env.Work() + QStringLiteral("/reference.pdf"), {words})
                                    : json});
        QTest::mouseClick(corpus->FileButton, Qt::LeftButton);
    }
    QCOMPARE(ShownRows(view, {0, 1, 3, 5, 7}), QStringList{"cat|3|0|4.16|2.58"});
    QCOMPARE(view->Status->text(), QStringLiteral("1 keyword against 6 words"));
    QTest::mouseClick(corpus->NegativeBox, Qt::LeftButton);
    QCOMPARE(ShownRows(view, {0, 1, 3, 5}), (QStringList{"fish|0|2|2.77", "dog|1|2|0.34"}));

    const QString csv = env.Work() + QStringLiteral("/out/keywords.csv");
    QDir().mkpath(env.Work() + QStringLiteral("/out"));
    s.ui.Answer(csv);
    QTest::mouseClick(view->CsvButton, Qt::LeftButton);
    const QList<QByteArray> lines = ReadAll(csv).split('\n');
    QCOMPARE(lines.size(), 4); // header, two rows, the end
    QVERIFY2(lines[1].startsWith("\"fish\",0,"), lines[1].constData());
}

void CorpusViewsTest::collocatesWithinASpan_data() {
    QTest::addColumn<QString>("left"); // typed into the span fields
    QTest::addColumn<QString>("right");
    QTest::addColumn<QStringList>("rows"); // collocate|left|right|count, sorted
    QTest::newRow("5 and 5") << "5"
                             << "5" << QStringList{"mat|0|1|1", "on|0|1|1", "sat|0|1|1", "the|1|1|2"};
    QTest::newRow("1 and 0") << "1"
                             << "0" << QStringList{"the|1|0|1"};
    QTest::newRow("0 and 2") << "0"
                             << "2" << QStringList{"on|0|1|1", "sat|0|1|1"};
}

// The collocates of the current word of the results, within the span typed.
void CorpusViewsTest::collocatesWithinASpan() {
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(QStringList, rows);
    IsolatedEnvironment env;
    QVERIFY(EnsureConverterPlaced());
    const QString a = MakeTextPdf(env.Work() + QStringLiteral("/a.pdf"), {"the cat sat on the mat"});
    Form1Session s;
    QVERIFY(s.Show());
    Form2* shown = RunOver(s, {a}, QStringLiteral("cat"));
    QVERIFY(shown);
    Form2& results = *shown;
    QVERIFY(ChooseFromContextMenu(results.ListView1, QStringLiteral("Collocates...")));
    CorpusView* view = View(results, "CollocatesView");
    QVERIFY(view);
    CorpusAdditions* corpus = results.Corpus();
    QCOMPARE(corpus->NodeBox->text(), QStringLiteral("cat"));
    for (const auto& [box, typed] : {std::pair{corpus->LeftBox, left}, std::pair{corpus->RightBox, right}}) {
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, typed);
    }
    QTest::mouseClick(corpus->CollocateButton, Qt::LeftButton);
    QStringList collocates = ShownRows(view, {0, 1, 2, 3});
    collocates.sort();
    QCOMPARE(collocates, rows);
}

void CorpusViewsTest::findAndSortInAView_data() {
    QTest::addColumn<int>("atOnce"); // rows ordered at once; more on a thread of their own
    QTest::newRow("ordered at once") << 1000;
    QTest::newRow("ordered on a thread") << 0;
}

// The status line counts the rows the find text leaves; a sort shows the top of the list; the
// buttons answer their mnemonics.
void CorpusViewsTest::findAndSortInAView() {
    QFETCH(int, atOnce);
    ScriptedUi ui;
    CorpusView view(ui, QStringLiteral("Words In Context"), QStringLiteral("Words in context"), nullptr);
    view.Model()->SetAtOnceLimit(atOnce);
    auto table = std::make_shared<ResultTable>();
    table->AddColumn(QStringLiteral("Word"), CellKind::Text);
    table->AddColumn(QStringLiteral("Page"), CellKind::Count);
    for (int i = 0; i < 300; ++i) {
        table->AddRow(
            {i % 3 == 0 ? QStringLiteral("Cat%1").arg(i) : QStringLiteral("dog%1").arg(i), QString::number(i)});
    }
    view.resize(500, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QApplication::setActiveWindow(&view);
    view.SetRows(table, {}, QStringLiteral("300 lines of \"x\""));
    QTest::keyClicks(view.FindBox, QStringLiteral("cAt1"));
    QTRY_VERIFY(!view.Busy());
    // Cat12, Cat15, Cat18 and Cat102 ... Cat198 (every third): 3 + 33
    QCOMPARE(view.Status->text(), QStringLiteral("36 of 300 lines of \"x\" with \"cAt1\""));
    view.FindBox->clear();
    QTRY_VERIFY(!view.Busy());
    QCOMPARE(view.Status->text(), QStringLiteral("300 lines of \"x\""));

    // The last row current and in view; a click on "Page" sorts and the list starts at its top.
    view.Table->setCurrentIndex(view.Table->model()->index(299, 0));
    view.Table->scrollToBottom();
    QVERIFY(view.Table->verticalScrollBar()->value() > 0);
    QHeaderView* header = view.Table->horizontalHeader();
    for (int click = 0; click < 2; ++click) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
        QTRY_VERIFY(!view.Busy());
        QCOMPARE(view.Table->verticalScrollBar()->value(), 0);
    }
    QCOMPARE(view.Table->model()->index(0, 1).data().toString(), QStringLiteral("299")); // descending

    // Alt+C: "Save As CSV..." asks for a file.
    ui.Answer(QString());
    QTest::keyClick(view.Table, Qt::Key_C, Qt::AltModifier);
    QTRY_COMPARE(ui.Calls(QStringLiteral("saveFile")).size(), 1); // the button's click comes after its press
}

LEXITALLY_GUI_TEST_MAIN(CorpusViewsTest)
#include "test_corpus_views.moc"
