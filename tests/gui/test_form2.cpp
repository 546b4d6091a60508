#include "core/base/Places.h"
#include "gui/ChartView.h"
#include "gui/DesktopOpen.h"
#include "gui/Form1.h"
#include "gui/Form2.h"
#include "gui/MessageDialog.h"
#include "gui/QtUi.h"
#include "support/GuiTestMain.h"
#include "support/ScriptedUi.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QGraphicsTextItem>
#include <QHeaderView>
#include <QHorizontalBarSeries>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QXYSeries>
#include <QtTest>

namespace {

// The bars of the chart, top bar first, as "word|count".
QStringList Bars(ChartView& chart) {
    QStringList bars;
    const QList<QAbstractSeries*> series = chart.BarsView->chart()->series();
    if (series.size() != 1) {
        return {QStringLiteral("series: %1").arg(series.size())};
    }
    auto* bar = qobject_cast<QHorizontalBarSeries*>(series.first());
    const QList<QAbstractAxis*> axes = bar->attachedAxes();
    QStringList words;
    for (QAbstractAxis* axis : axes) {
        if (auto* categories = qobject_cast<QBarCategoryAxis*>(axis)) {
            words = categories->categories();
        }
    }
    QBarSet* set = bar->barSets().value(0);
    for (qsizetype i = words.size() - 1; i >= 0; --i) {
        bars << words[i] + u'|' + QString::number(static_cast<qint64>(set->at(i)));
    }
    return bars;
}

// The rank-frequency plot: the counts in rank order, "" when the ranks are not 1, 2, 3, ...
QString RankCounts(ChartView& chart) {
    const QList<QAbstractSeries*> series = chart.RanksView->chart()->series();
    if (series.size() != 1) {
        return QStringLiteral("series: %1").arg(series.size());
    }
    QStringList counts;
    const QList<QPointF> points = qobject_cast<QXYSeries*>(series.first())->points();
    for (qsizetype i = 0; i < points.size(); ++i) {
        if (points[i].x() != static_cast<qreal>(i + 1)) {
            return {};
        }
        counts << QString::number(static_cast<qint64>(points[i].y()));
    }
    return counts.join(u',');
}

// The texts a chart shows now: its labels and titles that are drawn.
QStringList ShownTexts(QChartView* view) {
    QCoreApplication::processEvents();
    QStringList texts;
    for (QGraphicsItem* item : view->scene()->items()) {
        auto* text = dynamic_cast<QGraphicsTextItem*>(item);
        if (text && text->isVisible() && !text->toPlainText().isEmpty()) {
            texts << text->toPlainText();
        }
    }
    return texts;
}

// The chart window, when it is shown.
ChartView* TriggerChart(Form2& form) {
    auto* action = form.ListView1->findChild<QAction*>(QStringLiteral("ChartAction"));
    if (!action) {
        return nullptr;
    }
    action->trigger();
    auto* chart = form.findChild<ChartView*>(QStringLiteral("ChartView"));
    return chart && chart->isVisible() ? chart : nullptr;
}

// A path without the extension typed ("chart.png" and "chart" stand for the same picture).
QString WithoutSuffix(const QString& path) {
    return path.endsWith(QStringLiteral(".png")) ? path.chopped(4) : path;
}

const QString kCopied = QStringLiteral("Results have been copied to the clipboard.\r\rClick a text area where you "
                                       "normally type and press Ctrl+V to paste the clipboard.");
const QString kNoSpreadsheet1 = QStringLiteral("No spreadsheet application is installed on this computer. You need to "
                                               "have one installed to use this software without error.");
const QString kNoSpreadsheet2 = QStringLiteral(
    "No spreadsheet application is installed on this computer. You need to have one installed to use this feature.");

// A results window with its own main window, scripted dialogs and a recorded end of program.
struct Fixture {
    IsolatedEnvironment env;
    bool sharedSettings; // the settings of an earlier session
    ScriptedUi ui;
    QWidget main;
    int ended = 0;
    Form2 form{ui, &main, [this] { ++ended; }};

    // configHome: the settings folder of an earlier session to start from.
    explicit Fixture(const QString& configHome = {}) : sharedSettings(UseSettings(env, configHome)) {
        form.SetSpreadsheetCheck([] { return true; });
        form.Form_Load();
    }

    // Rows {word, count}; ticks by index.
    void Fill(int rows, const QList<int>& ticked = {}) {
        form.PrepareColumns(CountMode::AllFiles);
        for (int i = 0; i < rows; ++i) {
            form.Sink().AddRow({QStringLiteral("word%1").arg(i), QString::number(i + 1)});
        }
        form.Model()->FlushPending();
        form.Model()->SetTicked(ticked, true);
    }

    QString Ticks() const {
        QString out;
        for (int i = 0; i < form.ListView1->model()->rowCount(); ++i) {
            out += form.ListView1->model()->index(i, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked ? u'x' : u'.';
        }
        return out;
    }

    static bool UseSettings(IsolatedEnvironment& env, const QString& configHome) {
        if (!configHome.isEmpty()) {
            env.Set("XDG_CONFIG_HOME", configHome);
        }
        return !configHome.isEmpty();
    }

    // Rows given as "cell|cell|…" in the order they came; ticks by index.
    void FillRows(CountMode mode, const QStringList& rows, const QList<int>& ticked = {}) {
        form.PrepareColumns(mode);
        for (const QString& row : rows) {
            form.Sink().AddRow(row.split(u'|'));
        }
        form.Model()->FlushPending();
        form.Model()->SetTicked(ticked, true);
    }

    bool Show() {
        form.show();
        return QTest::qWaitForWindowExposed(&form);
    }

    void ClickHeader(int column) {
        QHeaderView* header = form.ListView1->header();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

    // The rows as the list shows them, the first `columns` cells joined by "|".
    QStringList Shown(int columns = 2) const {
        const QAbstractItemModel* model = form.ListView1->model();
        QStringList rows;
        for (int r = 0; r < model->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < columns; ++c) {
                cells << model->index(r, c).data().toString();
            }
            rows << cells.join(u'|');
        }
        return rows;
    }

    void TriggerMenu(const QString& text) {
        for (QAction* action : form.ListView1->actions()) {
            if (action->text() == text) {
                action->trigger();
            }
        }
    }

    void Select(const QList<int>& rows, int current) {
        QItemSelectionModel* selection = form.ListView1->selectionModel();
        selection->clearSelection();
        for (int row : rows) {
            selection->select(form.Model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        if (current >= 0) {
            selection->setCurrentIndex(form.Model()->index(current, 0), QItemSelectionModel::NoUpdate);
        }
    }
};

// The results list's designed place in the window.
QRect ListRect(const QWidget& form) {
    return {TwipsToPixels(120, &form), TwipsToPixels(1755, &form), TwipsToPixels(7800, &form),
            TwipsToPixels(4890, &form)};
}

} // namespace

class Form2Test : public QObject {
    Q_OBJECT
private slots:
    void loadsWithItsCaptions();
    void spreadsheetApplication_data();
    void spreadsheetApplication();
    void columnsOfEachRun_data();
    void columnsOfEachRun();
    void totalsSetTheLabels();
    void clearAndBack_data();
    void clearAndBack();
    void backDuringTextExportKeepsRows();
    void pointerRules_data();
    void pointerRules();
    void ticking_data();
    void ticking();
    void closingEndsTheProgram();
    void saveAsText_data();
    void saveAsText();
    void copyToClipboard_data();
    void copyToClipboard();
    void saveAsWorkbook_data();
    void saveAsWorkbook();
    void workbookOpener_data();
    void workbookOpener();
    void openerStillRunning();
    void sortByHeader_data();
    void sortByHeader();
    void sortNotKept();
    void findBar_data();
    void findBar();
    void findExportsShownRows_data();
    void findExportsShownRows();
    void perFileColumns_data();
    void perFileColumns();
    void tabOrder();
    void boxCentredOnItsWindow();
    void saveAsCsv_data();
    void saveAsCsv();
    void saveFolderRemembered();
    void chartBars_data();
    void chartBars();
    void chartNothingToChart_data();
    void chartNothingToChart();
    void chartFitsTheScreen();
    void chartRoundTicks_data();
    void chartRoundTicks();
    void chartReopened();
    void chartSavedAsPng_data();
    void chartSavedAsPng();
};

void Form2Test::loadsWithItsCaptions() {
    Fixture f;
    QCOMPARE(f.ui.calls.size(), 0); // every load step succeeds
    QCOMPARE(f.form.windowTitle(), QStringLiteral("Lexitally"));
    QCOMPARE(f.form.Frame1->title(), QStringLiteral("Word - Line - Character Counts"));
    QStringList captions;
    for (QAbstractButton* b :
         {f.form.PushButton1, f.form.PushButton5, f.form.PushButton3, f.form.PushButton8, f.form.PushButton9}) {
        captions << b->text();
    }
    for (QLabel* l : {f.form.Label1, f.form.Label2, f.form.Label3, f.form.Label4}) {
        captions << l->text();
    }
    QCOMPARE(captions, QStringList({"< Back", "Save Results As Text File", "Save Results As Excel File",
                                    "Copy Results To Clipboard", "Clear Results", " Word Count: ", " Line Count: ",
                                    " Character Count With Spaces: ", " Character Count Without Spaces: "}));
    QCOMPARE(f.form.ProgressBar1->Text(), QStringLiteral("Progress Bar"));
    QCOMPARE(f.form.HandCursor().shape(), Qt::BitmapCursor); // HAND-M.CUR of the application folder
    // The main window's size, 8040 x 8250 twips: the two windows take turns in one spot.
    QCOMPARE(f.form.size(), QSize(TwipsToPixels(8040, &f.form), TwipsToPixels(8250, &f.form)));
    // The list where it was designed; the find bar hidden until asked for.
    QVERIFY(f.Show());
    QCOMPARE(f.form.ListView1->geometry(), ListRect(f.form));
    QVERIFY(f.form.FindBar->isHidden());
}

void Form2Test::columnsOfEachRun_data() {
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QList<int>>("twips");
    QTest::newRow("per file after all files")
        << int(CountMode::AllFiles) << int(CountMode::PerFile)
        << QStringList{QStringLiteral("Filename"), QStringLiteral(" Words"), QStringLiteral("Count")}
        << QList<int>{5000, 1500, 1000};
    QTest::newRow("all files after per file")
        << int(CountMode::PerFile) << int(CountMode::AllFiles)
        << QStringList{QStringLiteral(" Words"), QStringLiteral("Count")} << QList<int>{6300, 1000};
}

void Form2Test::columnsOfEachRun() {
    QFETCH(int, first);
    QFETCH(int, second);
    QFETCH(QStringList, headers);
    QFETCH(QList<int>, twips);
    Fixture f;
    f.form.PrepareColumns(static_cast<CountMode>(first));
    f.form.Sink().AddRow({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    f.form.PushButton1_Click(); // "< Back"
    f.form.PrepareColumns(static_cast<CountMode>(second));
    QCOMPARE(f.form.Model()->RowCount(), 0);
    QCOMPARE(f.form.Model()->Headers(), headers);
    QHeaderView* header = f.form.ListView1->header();
    QCOMPARE(header->count(), headers.size());
    for (int c = 0; c < headers.size(); ++c) {
        QCOMPARE(header->sectionSize(c), TwipsToPixels(twips[c], &f.form));
    }
}

void Form2Test::totalsSetTheLabels() {
    Fixture f;
    f.form.Sink().SetTotals({12, 3, 70, 58});
    QCOMPARE(f.form.Label1->text(), QStringLiteral(" Word count: 12"));
    QCOMPARE(f.form.Label2->text(), QStringLiteral(" Line Count: 3"));
    QCOMPARE(f.form.Label3->text(), QStringLiteral(" Character Count With Spaces: 70"));
    QCOMPARE(f.form.Label4->text(), QStringLiteral(" Character Count Without Spaces: 58"));
    QVERIFY(f.form.Label3->width() >= f.form.Label3->sizeHint().width());
}

void Form2Test::clearAndBack_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<int>("rowsAfter");
    QTest::addColumn<bool>("formShown");
    QTest::newRow("clear") << "clear" << false << 0 << true;
    QTest::newRow("clear while busy") << "clear" << true << 3 << true;
    QTest::newRow("back") << "back" << false << 0 << false;
    QTest::newRow("back while busy") << "back" << true << 3 << false;
}

void Form2Test::clearAndBack() {
    QFETCH(QString, button);
    QFETCH(bool, busy);
    QFETCH(int, rowsAfter);
    QFETCH(bool, formShown);
    Fixture f;
    f.Fill(3, {0, 2});
    f.form.Sink().SetTotals({3, 1, 20, 17});
    f.form.show();
    if (busy) {
        f.form.setCursor(Qt::WaitCursor);
    }
    QTest::mouseClick(button == "clear" ? f.form.PushButton9 : f.form.PushButton1, Qt::LeftButton);
    QCOMPARE(f.form.Model()->RowCount(), rowsAfter);
    QCOMPARE(f.form.ListView1->model()->rowCount(), rowsAfter);
    QCOMPARE(f.form.Model()->ColumnCount(), 2);
    QCOMPARE(f.form.Label1->text(), QStringLiteral(" Word count: 3"));
    QCOMPARE(f.form.isVisible(), formShown);
    QCOMPARE(f.main.isVisible(), !formShown);
    QCOMPARE(f.ended, 0);
    QCOMPARE(f.ui.calls.size(), 0);
}

void Form2Test::backDuringTextExportKeepsRows() {
    Fixture f;
    const int rows = 200000;
    f.form.PrepareColumns(CountMode::AllFiles);
    for (int i = 0; i < rows; ++i) {
        f.form.Sink().AddRow({QStringLiteral("w"), QStringLiteral("1")});
    }
    f.form.Model()->SetAllTicked(true);
    f.form.show();
    const QString path = f.env.Work() + QStringLiteral("/big.txt");
    f.ui.Answer(path);
    bool busyAtClick = false;
    QTimer::singleShot(0, &f.form, [&] {
        f.form.PushButton3->click(); // a workbook export in between ends before the text file
        busyAtClick = f.form.IsBusy();
        f.form.PushButton1->click();
    });
    f.form.PushButton5_Click();
    QVERIFY(busyAtClick);
    QCOMPARE(f.form.Model()->RowCount(), rows);
    QVERIFY(!f.form.isVisible());
    QVERIFY(f.main.isVisible());
    QVERIFY(!f.form.IsBusy());
    QCOMPARE(ReadAll(path).count('\n'), rows + 1);
    QCOMPARE(f.ui.MessageTexts(), QStringList{QStringLiteral("Done.")});
}

void Form2Test::pointerRules_data() {
    QTest::addColumn<QString>("over");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<int>("shape");
    const int hand = Qt::BitmapCursor;
    QTest::newRow("back button") << "PushButton1" << false << hand;
    QTest::newRow("text button") << "PushButton5" << false << hand;
    QTest::newRow("workbook button") << "PushButton3" << false << hand;
    QTest::newRow("clipboard button") << "PushButton8" << false << hand;
    QTest::newRow("clear button") << "PushButton9" << false << hand;
    QTest::newRow("button while busy") << "PushButton5" << true << int(Qt::WaitCursor);
    QTest::newRow("frame") << "Frame1" << false << int(Qt::ArrowCursor);
    QTest::newRow("list") << "list" << false << int(Qt::ArrowCursor);
    QTest::newRow("background") << "Form2" << false << int(Qt::ArrowCursor);
    QTest::newRow("list while busy") << "list" << true << int(Qt::WaitCursor);
    QTest::newRow("label has no rule") << "Label1" << false << int(Qt::CrossCursor);
    QTest::newRow("bar has no rule") << "ProgressBar1" << false << int(Qt::CrossCursor);
}

void Form2Test::pointerRules() {
    QFETCH(QString, over);
    QFETCH(bool, busy);
    QFETCH(int, shape);
    Fixture f;
    f.form.setCursor(busy ? Qt::WaitCursor : Qt::CrossCursor);
    QWidget* target = over == "Form2"  ? &f.form
                      : over == "list" ? f.form.ListView1->viewport()
                                       : f.form.findChild<QWidget*>(over);
    QVERIFY(target);
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QCOMPARE(int(f.form.cursor().shape()), shape);
}

void Form2Test::ticking_data() {
    QTest::addColumn<QString>("before"); // x = ticked
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("input"); // context-menu entries or keys, separated by "|"
    QTest::addColumn<QString>("after");
    // clang-format off
    QTest::newRow("tick all") << "x..." << QList<int>{1} << 1 << "Tick All" << "xxxx";
    QTest::newRow("untick all") << "xx.x" << QList<int>{1} << 1 << "Untick All" << "....";
    QTest::newRow("tick selected") << "...." << QList<int>{1, 3} << 1 << "Tick Selected" << ".x.x";
    QTest::newRow("untick selected") << "xxxx" << QList<int>{0, 1} << 0 << "Untick Selected" << "..xx";
    QTest::newRow("tick with nothing selected") << "x..." << QList<int>{} << -1 << "Tick Selected" << "x...";
    QTest::newRow("space ticks a row") << "...." << QList<int>{2} << 2 << "space" << "..x.";
    QTest::newRow("space again unticks") << "...." << QList<int>{2} << 2 << "space|space" << "....";
    QTest::newRow("space follows the current row") << "x..." << QList<int>{0, 1, 3} << 0 << "space" << "....";
    QTest::newRow("space on mixed rows") << "x..." << QList<int>{0, 1} << 1 << "space" << "xx..";
    QTest::newRow("ctrl+a then space") << "...." << QList<int>{1} << 1 << "ctrl+a|space" << "xxxx";
    QTest::newRow("space with nothing selected") << ".x.." << QList<int>{} << -1 << "space" << ".x..";
    // clang-format on
}

void Form2Test::ticking() {
    QFETCH(QString, before);
    QFETCH(QList<int>, selected);
    QFETCH(int, current);
    QFETCH(QString, input);
    QFETCH(QString, after);
    Fixture f;
    f.Fill(4);
    for (int i = 0; i < before.size(); ++i) {
        f.form.Model()->SetTicked(i, before[i] == u'x');
    }
    f.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.form));
    f.Select(selected, current);
    QCOMPARE(f.form.ListView1->contextMenuPolicy(), Qt::ActionsContextMenu);
    for (const QString& step : input.split(u'|')) {
        if (step == "space") {
            QTest::keyClick(f.form.ListView1, Qt::Key_Space);
        } else if (step == "ctrl+a") {
            QTest::keyClick(f.form.ListView1, Qt::Key_A, Qt::ControlModifier);
            QCOMPARE(f.form.ListView1->selectionModel()->selectedRows().size(), 4);
        } else {
            const QList<QAction*> actions = f.form.ListView1->actions();
            auto chosen = std::find_if(actions.begin(), actions.end(), [&](QAction* a) { return a->text() == step; });
            QVERIFY(chosen != actions.end());
            (*chosen)->trigger();
        }
    }
    QCOMPARE(f.Ticks(), after);
}

void Form2Test::closingEndsTheProgram() {
    Fixture f;
    f.Fill(2, {0});
    f.form.show();
    QVERIFY(f.form.close());
    QCOMPARE(f.ended, 1);
    QVERIFY(!f.main.isVisible());
    // The converter stays where it is.
    const QString converter = WriteTextFile(ConverterPath(), "#!/bin/sh\n");
    f.form.show();
    f.form.close();
    QCOMPARE(f.ended, 1);
    QVERIFY(QFileInfo::exists(converter));
}

void Form2Test::saveAsText_data() {
    QTest::addColumn<QString>("name"); // chosen in the dialog; "" cancels
    QTest::addColumn<QByteArray>("existing");
    QTest::addColumn<int>("answer");           // to the overwrite question
    QTest::addColumn<QByteArray>("content");   // of the file afterwards; "-" = no file
    QTest::addColumn<QStringList>("messages"); // "?" = the overwrite question, "!" = error report
    const QByteArray written = " Words\tCount\t\r\nword0 \t1    \t\r\nword2 \t3    \t\r\n";
    const int yes = int(MsgAnswer::Yes);
    const int no = int(MsgAnswer::No);
    QTest::newRow("cancel") << "" << QByteArray() << yes << QByteArray("-") << QStringList{};
    QTest::newRow("new file") << "r.txt" << QByteArray() << yes << written << QStringList{"Done."};
    QTest::newRow("name as typed") << "results" << QByteArray() << yes << written << QStringList{"Done."};
    QTest::newRow("overwrite yes") << "r.txt" << QByteArray(5000, 'o') << yes << written << QStringList{"?", "Done."};
    QTest::newRow("overwrite no") << "r.txt" << QByteArray("old") << no << QByteArray("old") << QStringList{"?"};
    QTest::newRow("overwrite closed") << "r.txt" << QByteArray("old") << int(MsgAnswer::Ok) << QByteArray("old")
                                      << QStringList{"?"};
    QTest::newRow("write fails") << "file/r.txt" << QByteArray() << yes << QByteArray("-") << QStringList{"!"};
}

void Form2Test::saveAsText() {
    QFETCH(QString, name);
    QFETCH(QByteArray, existing);
    QFETCH(int, answer);
    QFETCH(QByteArray, content);
    QFETCH(QStringList, messages);
    Fixture f;
    f.Fill(3, {0, 2});
    WriteTextFile(f.env.Work() + QStringLiteral("/file"), "a file, not a folder");
    const QString path = name.isEmpty() ? QString() : f.env.Work() + u'/' + name;
    if (!existing.isEmpty()) {
        WriteTextFile(path, existing);
    }
    f.ui.Answer(path);
    f.ui.Answer(static_cast<MsgAnswer>(answer));
    f.form.PushButton5_Click();

    QCOMPARE(f.ui.calls.first().kind, QStringLiteral("saveFile"));
    QCOMPARE(f.ui.calls.first().caption, QStringLiteral("Save"));
    QCOMPARE(f.ui.calls.first().extra, QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"));
    const QList<ScriptedUi::Call> shown = f.ui.Messages();
    QCOMPARE(shown.size(), messages.size());
    for (int i = 0; i < messages.size(); ++i) {
        const ScriptedUi::Call& call = shown[i];
        if (messages[i] == "?") {
            QCOMPARE(call.text, QStringLiteral("Are you sure you wish to overwrite ") + path + QStringLiteral(" ?"));
            QCOMPARE(call.buttons, MsgButtons::YesNo);
            QCOMPARE(call.icon, MsgIcon::None);
            QCOMPARE(call.caption, QStringLiteral("Lexitally"));
        } else if (messages[i] == "!") {
            QCOMPARE(call.caption, QStringLiteral("Application Error"));
            QVERIFY(
                call.text.contains(QStringLiteral("in Zentrova2021/08/31.Main.SaveListviewProperlySpaced at line")));
        } else {
            QCOMPARE(call.text, messages[i]);
            QCOMPARE(call.buttons, MsgButtons::Ok);
            QCOMPARE(call.icon, MsgIcon::None);
            QCOMPARE(call.caption, QStringLiteral("Lexitally"));
        }
    }
    if (content == "-") {
        QVERIFY(path.isEmpty() || !QFileInfo::exists(path));
    } else {
        QCOMPARE(ReadAll(path), content);
    }
    QVERIFY(!f.form.IsBusy());
    QCOMPARE(f.form.ProgressBar1->Text(), QStringLiteral("Progress Bar"));
    QCOMPARE(f.form.ProgressBar1->Value(), 0.0);
}

void Form2Test::copyToClipboard_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<int>>("ticked");
    QTest::addColumn<QString>("clipboard");
    QTest::newRow("rows 1 and 3") << 3 << QList<int>{0, 2} << QStringLiteral("word0\t1\t\r\nword2\t3\t\r\n");
    QTest::newRow("none ticked") << 3 << QList<int>{} << QString();
    QTest::newRow("empty list keeps the clipboard") << 0 << QList<int>{} << QStringLiteral("earlier");
}

void Form2Test::copyToClipboard() {
    QFETCH(int, rows);
    QFETCH(QList<int>, ticked);
    QFETCH(QString, clipboard);
    Fixture f;
    f.Fill(rows, ticked);
    QGuiApplication::clipboard()->setText(QStringLiteral("earlier"));
    QTest::mouseClick(f.form.PushButton8, Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
    QCOMPARE(f.ui.MessageTexts(), QStringList{kCopied});
    QCOMPARE(f.ui.calls[0].caption, QStringLiteral("Lexitally"));
    QCOMPARE(f.ui.calls[0].icon, MsgIcon::None);
    QVERIFY(!f.form.IsBusy());
}

void Form2Test::saveAsWorkbook_data() {
    QTest::addColumn<bool>("installed");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("tempUsable");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("opened");
    QTest::newRow("no spreadsheet application")
        << false << 3 << true << QStringList{kNoSpreadsheet1, kNoSpreadsheet2} << false;
    QTest::newRow("empty list") << true << 0 << true << QStringList{} << false;
    QTest::newRow("rows") << true << 3 << true << QStringList{} << true;
    QTest::newRow("temporary folder unusable") << true << 3 << false << QStringList{"!"} << false;
}

void Form2Test::saveAsWorkbook() {
    QFETCH(bool, installed);
    QFETCH(int, rows);
    QFETCH(bool, tempUsable);
    QFETCH(QStringList, messages);
    QFETCH(bool, opened);
    Fixture f;
    f.form.SetSpreadsheetCheck([&] { return installed; });
    f.Fill(rows, {0, 2});
    if (!tempUsable) {
        f.env.Set("TEMP", WriteTextFile(f.env.Work() + QStringLiteral("/notafolder"), "x"));
    }
    f.form.PushButton3_Click();
    if (opened) {
        f.form.PushButton3_Click(); // a second export makes a second workbook
    }
    const QStringList shown = f.ui.MessageTexts();
    QCOMPARE(shown.size(), messages.size());
    for (int i = 0; i < messages.size(); ++i) {
        if (messages[i] == "!") {
            QVERIFY(shown[i].contains(QStringLiteral("in Zentrova2021/08/31.Form2.PushButton3_Click at line")));
        } else {
            QCOMPARE(shown[i], messages[i]);
            QCOMPARE(f.ui.Messages()[i].caption, QStringLiteral("Lexitally"));
        }
    }
    QStringList urls;
    for (const ScriptedUi::Call& call : f.ui.calls) {
        if (call.kind == "openUrl") {
            urls << call.extra;
        }
    }
    QCOMPARE(urls.size(), opened ? 2 : 0);
    if (opened) {
        QVERIFY(urls[0] != urls[1]);
        for (const QString& url : urls) {
            const QString path = QUrl(url).toLocalFile();
            QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(f.env.Private()).absoluteFilePath());
            QVERIFY(path.endsWith(QStringLiteral(".xlsx")));
            QVERIFY(ReadAll(path).startsWith("PK")); // both kept, each a zip container
        }
    } else if (tempUsable) {
        QVERIFY(QDir(f.env.Private()).entryList({QStringLiteral("*.xlsx")}, QDir::Files).isEmpty());
    }
    QVERIFY(!f.form.IsBusy());
    QCOMPARE(f.form.ProgressBar1->Text(), QStringLiteral("Progress Bar"));
    QCOMPARE(f.form.ProgressBar1->Value(), 0.0);
}

namespace {
const QStringList kWords{"bee|3", "Ant|12", "cat|1", "bat|20"};
const QStringList kPerFile{"/d/b/z.pdf|x|2", "/d/a/y.pdf|x|1", "/d/c/a.pdf|w|5"};

QString SortSetting() {
    SettingsStore store;
    return store.Get(QStringLiteral("ResultsSort"), QStringLiteral("<absent>"));
}
} // namespace

void Form2Test::workbookOpener_data() {
    QTest::addColumn<QString>("opener");    // the desktop's opener: "exit N", or "" for none
    QTest::addColumn<QStringList>("found"); // programs on PATH ("!" after a name: it fails)
    QTest::addColumn<QString>("shownBy");   // "desktop", a program's name, "message" or "nothing"
    QTest::addColumn<bool>("tried");        // the program was started
    QTest::newRow("the desktop's opener") << "exit 0" << QStringList{"localc"} << "desktop" << false;
    QTest::newRow("opener fails: the program the check found")
        << "exit 4" << QStringList{"localc", "gnumeric"} << "localc" << true;
    QTest::newRow("opener fails: gnumeric") << "exit 3" << QStringList{"gnumeric"} << "gnumeric" << true;
    QTest::newRow("opener and program fail: the user is told where")
        << "exit 4" << QStringList{"localc!"} << "message" << true;
    QTest::newRow("desktop default whose opener fails: the user is told where")
        << "exit 4" << QStringList{"xdg-mime"} << "message" << false;
    QTest::newRow("nothing installed") << "" << QStringList{} << "nothing" << false;
}

// The workbook opens through the desktop's opener or, when its exit status says it failed,
// through the program the "installed" check found; failing both, the box names the file.
void Form2Test::workbookOpener() {
    QFETCH(QString, opener);
    QFETCH(QStringList, found);
    QFETCH(QString, shownBy);
    QFETCH(bool, tried);
    Fixture f;
    const QString bin = f.env.Root() + QStringLiteral("/bin");
    const QString record = f.env.Work() + QStringLiteral("/started-with");
    QDir().mkpath(f.env.Work());
    const auto install = [&bin](const QString& name, const QByteArray& body) {
        const QString path = WriteTextFile(bin + u'/' + name, "#!/bin/sh\n" + body);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    };
    for (QString program : found) {
        const bool fails = program.endsWith(u'!');
        program.remove(u'!');
        install(program, program == "xdg-mime" ? QByteArray("echo calc.desktop\n")
                                               : "printf '%s %s' \"${0##*/}\" \"$1\" > '" + record.toUtf8() + "'\n" +
                                                     (fails ? "exit 1\n" : "exit 0\n"));
    }
    if (!opener.isEmpty()) {
        install(QStringLiteral("xdg-open"), opener.toUtf8() + '\n');
    }
    f.env.Set("PATH", bin);
    f.form.SetSpreadsheetFinder(FindSpreadsheetApplication);
    QtUi desktop;
    f.ui.opener = [&desktop](const QUrl& url) { return desktop.OpenUrl(url); };
    f.Fill(3, {0});
    QTest::mouseClick(f.form.PushButton3, Qt::LeftButton);

    const QStringList workbooks = QDir(f.env.Private()).entryList({QStringLiteral("*.xlsx")}, QDir::Files);
    QCOMPARE(workbooks.size(), shownBy == "nothing" ? 0 : 1);
    const QString workbook = workbooks.isEmpty() ? QString() : f.env.Private() + u'/' + workbooks.first();
    QCOMPARE(f.ui.Calls(QStringLiteral("openUrl")).size(), shownBy == "nothing" ? 0 : 1);
    QStringList messages;
    if (shownBy == "message") {
        messages << QStringLiteral("The workbook could not be opened with a spreadsheet application. It was written "
                                   "here, where you can open it yourself:\r\n\r\n") +
                        workbook;
    } else if (shownBy == "nothing") {
        messages << kNoSpreadsheet1 << kNoSpreadsheet2;
    }
    QCOMPARE(f.ui.MessageTexts(), messages);
    if (tried) {
        QCOMPARE(QString::fromUtf8(ReadAll(record)), found.first().remove(u'!') + u' ' + workbook);
    } else {
        QVERIFY(!QFileInfo::exists(record)); // no program started
    }
    QVERIFY(!f.form.IsBusy());
}

void Form2Test::openerStillRunning() {
    // An opener that runs the application in its own process is still running when the wait
    // ends: the file counts as opened, and the opener is not ended.
    IsolatedEnvironment env;
    const QString done = env.Work() + QStringLiteral("/done");
    QDir().mkpath(env.Work());
    QElapsedTimer clock;
    clock.start();
    QVERIFY(RunOpener(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), "sleep 1; : > '" + done + "'"}, {}, 300));
    QVERIFY(clock.elapsed() < 900);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(done), 5000);
    QVERIFY(!RunOpener(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("kill -SEGV $$")}, {}, 3000));
    QVERIFY(!RunOpener(env.Work() + QStringLiteral("/missing"), {}, {}, 3000));
}

void Form2Test::sortByHeader_data() {
    QTest::addColumn<bool>("perFile");
    QTest::addColumn<QList<int>>("clicks"); // header sections, in turn
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<int>("indicator"); // -1: none; else the section, ascending or descending below
    QTest::addColumn<bool>("ascending");
    // clang-format off
    QTest::newRow("words A to Z") << false << QList<int>{0}
        << QStringList{"Ant|12", "bat|20", "bee|3", "cat|1"} << 0 << true;
    QTest::newRow("words Z to A") << false << QList<int>{0, 0}
        << QStringList{"cat|1", "bee|3", "bat|20", "Ant|12"} << 0 << false;
    QTest::newRow("words, third click: the order they came") << false << QList<int>{0, 0, 0}
        << kWords << -1 << true;
    QTest::newRow("count: most frequent first") << false << QList<int>{1}
        << QStringList{"bat|20", "Ant|12", "bee|3", "cat|1"} << 1 << false;
    QTest::newRow("count, second click: fewest first") << false << QList<int>{1, 1}
        << QStringList{"cat|1", "bee|3", "Ant|12", "bat|20"} << 1 << true;
    QTest::newRow("count, third click: the order they came") << false << QList<int>{1, 1, 1}
        << kWords << -1 << true;
    QTest::newRow("another column starts afresh") << false << QList<int>{0, 0, 1}
        << QStringList{"bat|20", "Ant|12", "bee|3", "cat|1"} << 1 << false;
    QTest::newRow("per file: by the label shown") << true << QList<int>{0}
        << QStringList{"/d/a/y.pdf|x", "/d/b/z.pdf|x", "/d/c/a.pdf|w"} << 0 << true;
    QTest::newRow("per file: by word") << true << QList<int>{1}
        << QStringList{"/d/c/a.pdf|w", "/d/b/z.pdf|x", "/d/a/y.pdf|x"} << 1 << true;
    QTest::newRow("per file: by count") << true << QList<int>{2}
        << QStringList{"/d/c/a.pdf|w", "/d/b/z.pdf|x", "/d/a/y.pdf|x"} << 2 << false;
    // clang-format on
}

void Form2Test::sortByHeader() {
    QFETCH(bool, perFile);
    QFETCH(QList<int>, clicks);
    QFETCH(QStringList, shown);
    QFETCH(int, indicator);
    QFETCH(bool, ascending);
    Fixture f;
    f.FillRows(perFile ? CountMode::PerFile : CountMode::AllFiles, perFile ? kPerFile : kWords, {1});
    QVERIFY(f.Show());
    QVERIFY(!f.form.ListView1->header()->isSortIndicatorShown()); // nothing sorted at first
    for (int column : clicks) {
        f.ClickHeader(column);
    }
    QCOMPARE(f.Shown(), shown);
    QHeaderView* header = f.form.ListView1->header();
    QCOMPARE(header->isSortIndicatorShown(), indicator >= 0);
    if (indicator >= 0) {
        QCOMPARE(header->sortIndicatorSection(), indicator);
        QCOMPARE(header->sortIndicatorOrder(), ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    }
    QCOMPARE(SortSetting(), QStringLiteral("<absent>")); // nothing of it is kept
    // The tick stays with its row.
    const int tickedAt = f.form.Model()->ViewRow(1);
    QCOMPARE(f.form.ListView1->model()->index(tickedAt, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
}

// A sort applies to the rows on the screen: the next run's rows, and the next session's, come in
// their own order.
void Form2Test::sortNotKept() {
    IsolatedEnvironment session;
    {
        Fixture f(session.Config());
        f.FillRows(CountMode::AllFiles, kWords);
        QVERIFY(f.Show());
        f.ClickHeader(1);
        QCOMPARE(f.Shown(), (QStringList{"bat|20", "Ant|12", "bee|3", "cat|1"}));
        QTest::mouseClick(f.form.PushButton1, Qt::LeftButton); // "< Back"
        f.FillRows(CountMode::AllFiles, kWords);               // the next run
        f.form.show();
        QCOMPARE(f.Shown(), kWords);
        QVERIFY(!f.form.ListView1->header()->isSortIndicatorShown());
    }
    {
        Fixture f(session.Config()); // the next session
        f.FillRows(CountMode::AllFiles, kWords);
        QVERIFY(f.Show());
        QCOMPARE(f.Shown(), kWords);
        QVERIFY(!f.form.ListView1->header()->isSortIndicatorShown());
    }
}

void Form2Test::findBar_data() {
    QTest::addColumn<QString>("how"); // how the bar is asked for
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("shown");
    QTest::addColumn<QString>("says");
    // Rows word0 … word11.
    QTest::newRow("Ctrl+F, three rows") << "keys"
                                        << "word1" << 3 << "3 rows match";
    QTest::newRow("menu, one row") << "menu"
                                   << "WORD5" << 1 << "1 row matches";
    QTest::newRow("Ctrl+F, none") << "keys"
                                  << "zebra" << 0 << "No rows match";
    QTest::newRow("menu, nothing typed") << "menu"
                                         << "" << 12 << "";
}

// The find bar appears on request, takes its room from the top of the list only while shown,
// says how many rows match, and goes with Esc, leaving every row and the list's place as before.
void Form2Test::findBar() {
    QFETCH(QString, how);
    QFETCH(QString, typed);
    QFETCH(int, shown);
    QFETCH(QString, says);
    Fixture f;
    f.Fill(12);
    QVERIFY(f.Show());
    QApplication::setActiveWindow(&f.form);
    const QRect designed = ListRect(f.form);
    QCOMPARE(f.form.ListView1->geometry(), designed);
    if (how == "keys") {
        QTest::keyClick(f.form.ListView1, Qt::Key_F, Qt::ControlModifier);
    } else {
        f.TriggerMenu(QStringLiteral("Find...\tCtrl+F"));
    }
    QVERIFY(f.form.FindBar->isVisible());
    QCOMPARE(QApplication::focusWidget(), f.form.FindBox);
    const QRect bar = f.form.FindBar->geometry();
    const QRect list = f.form.ListView1->geometry();
    QCOMPARE(bar.top(), designed.top());
    QVERIFY(list.top() > bar.bottom());
    QCOMPARE(list.bottom(), designed.bottom());
    QCOMPARE(QRect(bar.left(), bar.top(), bar.width(), designed.height()), designed);

    QTest::keyClicks(f.form.FindBox, typed);
    QCOMPARE(f.form.ListView1->model()->rowCount(), shown);
    QCOMPARE(f.form.FindCount->text(), says);

    QTest::keyClick(f.form.FindBox, Qt::Key_Escape);
    QVERIFY(f.form.FindBar->isHidden());
    QCOMPARE(f.form.FindBox->text(), QString());
    QCOMPARE(f.form.ListView1->model()->rowCount(), 12);
    QCOMPARE(f.form.ListView1->geometry(), designed);
    QCOMPARE(QApplication::focusWidget(), f.form.ListView1);
}

void Form2Test::findExportsShownRows_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("expected");
    // Found "b", most frequent first: bat 20 (ticked), abba 7, bee 3 (ticked); Ant (ticked) hidden.
    QTest::newRow("text file") << "PushButton5"
                               << " Words\tCount\t\r\nbat   \t20   \t\r\nbee   \t3    \t\r\n";
    QTest::newRow("clipboard") << "PushButton8"
                               << "bat \t20\t\r\nbee \t3 \t\r\n";
    QTest::newRow("workbook") << "PushButton3"
                              << "bat|bee";
}

void Form2Test::findExportsShownRows() {
    QFETCH(QString, button);
    QFETCH(QString, expected);
    Fixture f;
    f.FillRows(CountMode::AllFiles, {"bee|3", "Ant|12", "cat|1", "bat|20", "abba|7"}, {0, 1});
    f.form.Sink().SetTotals({43, 5, 200, 160});
    QVERIFY(f.Show());
    QApplication::setActiveWindow(&f.form);
    f.ClickHeader(1);
    QTest::keyClick(&f.form, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), f.form.FindBox);
    QTest::keyClicks(f.form.FindBox, QStringLiteral("B"));
    QCOMPARE(f.Shown(), (QStringList{"bat|20", "abba|7", "bee|3"}));
    QCOMPARE(f.form.FindCount->text(), QStringLiteral("3 rows match"));
    QCOMPARE(f.form.Label1->text(), QStringLiteral(" Word count: 43")); // totals of the whole run
    f.Select({0}, 0);
    QTest::keyClick(f.form.ListView1, Qt::Key_Space); // ticks bat

    const QString path = f.env.Work() + QStringLiteral("/found.txt");
    f.ui.Answer(path);
    QTest::mouseClick(f.form.findChild<QPushButton*>(button), Qt::LeftButton);
    if (button == "PushButton5") {
        QCOMPARE(QString::fromUtf8(ReadAll(path)), expected);
    } else if (button == "PushButton8") {
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
    } else {
        QString workbook;
        for (const ScriptedUi::Call& call : f.ui.calls) {
            if (call.kind == "openUrl") {
                workbook = QUrl(call.extra).toLocalFile();
            }
        }
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), workbook, QStringLiteral("xl/sharedStrings.xml")});
        QVERIFY(unzip.waitForFinished());
        const QString strings = QString::fromUtf8(unzip.readAllStandardOutput());
        for (const QString& word : expected.split(u'|')) {
            QVERIFY2(strings.contains(QStringLiteral(">%1<").arg(word)), qPrintable(strings));
        }
        QVERIFY(!strings.contains(QStringLiteral(">Ant<")));
        QVERIFY(!strings.contains(QStringLiteral(">abba<")));
    }

    // Closing the bar shows every row again, ticks as they were.
    QTest::keyClick(f.form.FindBox, Qt::Key_Escape);
    QCOMPARE(f.form.FindBox->text(), QString());
    QVERIFY(f.form.FindBar->isHidden());
    QCOMPARE(f.Shown(), (QStringList{"bat|20", "Ant|12", "abba|7", "bee|3", "cat|1"}));
    QCOMPARE(f.Ticks(), QStringLiteral("xx.x."));

    // "Tick All" ticks the rows found, no others.
    f.TriggerMenu(QStringLiteral("Find...\tCtrl+F"));
    QTest::keyClicks(f.form.FindBox, QStringLiteral("c"));
    f.TriggerMenu(QStringLiteral("Tick All"));
    f.form.FindBox->clear();
    QCOMPARE(f.Ticks(), QStringLiteral("xx.xx"));
}

void Form2Test::perFileColumns_data() {
    QTest::addColumn<int>("letters"); // of the longest word
    QTest::newRow("short words") << 4;
    QTest::newRow("a long word") << 30;
    QTest::newRow("a very long word") << 400;
}

// Per file, a row shows the file's whole label; the columns keep their designed widths whatever
// the words, so that the count stays in sight.
void Form2Test::perFileColumns() {
    QFETCH(int, letters);
    Fixture f;
    const QString label = QStringLiteral("/home/reader/Library/Essays of a long folder name/essays.pdf");
    const QString longWord = QString(letters, u'w');
    f.FillRows(CountMode::PerFile, {label + QStringLiteral("|a|3"), label + u'|' + longWord + QStringLiteral("|1")},
               {0, 1});
    QVERIFY(f.Show());
    const QModelIndex first = f.form.ListView1->model()->index(0, 0);
    QCOMPARE(first.data().toString(), label);

    QHeaderView* header = f.form.ListView1->header();
    const QList<int> twips{5000, 1500, 1000};
    for (int c = 0; c < 3; ++c) {
        QCOMPARE(header->sectionSize(c), TwipsToPixels(twips[c], &f.form));
    }
    QVERIFY2(header->sectionViewportPosition(2) + header->sectionSize(2) <= f.form.ListView1->viewport()->width(),
             qPrintable(QString::number(f.form.ListView1->viewport()->width())));

    // The exports write the label itself.
    QTest::mouseClick(f.form.PushButton8, Qt::LeftButton);
    QVERIFY(QGuiApplication::clipboard()->text().startsWith(label + u'\t'));
}

// Tab walks the window top to bottom, left to right, and reaches every button.
void Form2Test::tabOrder() {
    Fixture f;
    f.Fill(3);
    QVERIFY(f.Show());
    QApplication::setActiveWindow(&f.form);
    f.form.PushButton1->setFocus();
    QStringList order{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(order,
             (QStringList{"PushButton1", "ListView1", "PushButton5", "PushButton3", "PushButton8", "PushButton9"}));
    // A button with the focus works from the keyboard.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(f.form.Model()->RowCount(), 0); // "Clear Results"
}

// A box raised from the results window opens over it, not over the hidden main window; it can
// be closed but neither minimised nor maximised.
void Form2Test::boxCentredOnItsWindow() {
    IsolatedEnvironment env;
    QtUi ui;
    QWidget main;
    main.resize(200, 150);
    main.show(); // on the screen once, away from where the results window will be
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    main.hide();
    Form2 form(ui, &main, [] {});
    form.move(230, 20);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QRect box;
    QString text;
    Qt::WindowFlags flags;
    QTimer::singleShot(0, &form, [&] {
        if (auto* shown = dynamic_cast<MessageDialog*>(QApplication::activeModalWidget())) {
            box = shown->frameGeometry();
            flags = shown->windowFlags();
            text = shown->TextLabel() ? shown->TextLabel()->text() : QString();
            QTest::keyClick(shown, Qt::Key_Return);
        }
    });
    QTimer::singleShot(5000, &form, [] {
        if (QWidget* left = QApplication::activeModalWidget()) {
            left->close();
        }
    });
    QApplication::setActiveWindow(nullptr);              // as when the window manager has not caught up
    QTest::mouseClick(form.PushButton8, Qt::LeftButton); // "Copy Results To Clipboard"
    QCOMPARE(text, QtUi::DisplayText(kCopied));
    // A title and a close box; no minimise or maximise button.
    QVERIFY(flags.testFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testAnyFlags(Qt::WindowMinMaxButtonsHint));
    const QPoint offset = box.center() - form.frameGeometry().center();
    QVERIFY2(offset.manhattanLength() <= 4, qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
}

// "Save Ticked Rows As CSV..." writes the ticked rows in the order shown, offering a name in the
// home folder at first, adding ".csv" to a name typed without one and asking before a file is
// replaced; every save ends with "Done." or says what went wrong.
void Form2Test::saveAsCsv_data() {
    QTest::addColumn<QString>("typed");   // the name chosen in the dialog, in the work folder
    QTest::addColumn<QString>("target");  // the file it stands for
    QTest::addColumn<bool>("existing");   // the file is there already
    QTest::addColumn<int>("overwrite");   // the answer to the question, when asked
    QTest::addColumn<bool>("written");    // the file gets the rows
    QTest::addColumn<QString>("message"); // the last box begins so; %1 stands for the file
    const int yes = int(MsgAnswer::Yes);
    const int no = int(MsgAnswer::No);
    QTest::newRow("extension added") << "results"
                                     << "results.csv" << false << yes << true << "Done.";
    QTest::newRow("extension typed") << "results.csv"
                                     << "results.csv" << false << yes << true << "Done.";
    QTest::newRow("another extension kept") << "results.txt"
                                            << "results.txt" << false << yes << true << "Done.";
    QTest::newRow("a dot without extension") << "results."
                                             << "results.csv" << false << yes << true << "Done.";
    QTest::newRow("a dotted folder") << "v1.2/results"
                                     << "v1.2/results.csv" << false << yes << true << "Done.";
    QTest::newRow("replaced after Yes") << "results"
                                        << "results.csv" << true << yes << true << "Done.";
    QTest::newRow("kept after No") << "results"
                                   << "results.csv" << true << no << false << "Are you sure you wish to overwrite %1 ?";
    QTest::newRow("missing folder") << "gone/results"
                                    << "gone/results.csv" << false << yes << false
                                    << "The results could not be saved as %1: ";
}

void Form2Test::saveAsCsv() {
    QFETCH(QString, typed);
    QFETCH(QString, target);
    QFETCH(bool, existing);
    QFETCH(int, overwrite);
    QFETCH(bool, written);
    QFETCH(QString, message);
    Fixture f;
    QVERIFY(QDir(f.env.Work()).mkpath(QStringLiteral("v1.2")));
    f.FillRows(CountMode::PerFile, {"/d/a \"b\", c.pdf|bee|3", "/d/x.pdf|ant|12", "/d/x.pdf|cat|1"}, {0, 1});
    QVERIFY(f.Show());
    f.ClickHeader(2); // most frequent first
    target = f.env.Work() + u'/' + target;
    if (existing) {
        WriteTextFile(target, "old");
    }
    f.ui.Answer(f.env.Work() + u'/' + typed);
    f.ui.Answer(static_cast<MsgAnswer>(overwrite));
    f.TriggerMenu(QStringLiteral("Save Ticked Rows As CSV..."));
    const QList<ScriptedUi::Call> dialogs = f.ui.Calls(QStringLiteral("saveFile"));
    QCOMPARE(dialogs.size(), 1);
    QCOMPARE(dialogs[0].extra, QStringLiteral("CSV (*.csv)|*.csv|All Files (*.*)|*.*|"));
    QCOMPARE(dialogs[0].text, QDir::homePath() + QStringLiteral("/Results.csv"));
    if (written) {
        QCOMPARE(ReadAll(target), QByteArray("\"Filename\",\" Words\",\"Count\"\r\n\"/d/x.pdf\",\"ant\",12\r\n"
                                             "\"/d/a \"\"b\"\", c.pdf\",\"bee\",3\r\n"));
    } else if (existing) {
        QCOMPARE(ReadAll(target), QByteArray("old"));
    } else {
        QVERIFY(!QFileInfo::exists(target));
    }
    const QList<ScriptedUi::Call> shown = f.ui.Messages();
    QCOMPARE(shown.size(), (existing ? 1 : 0) + (written || !existing ? 1 : 0));
    if (existing) {
        QCOMPARE(shown[0].text, QStringLiteral("Are you sure you wish to overwrite ") + target + QStringLiteral(" ?"));
        QCOMPARE(shown[0].buttons, MsgButtons::YesNo);
    }
    const QString expected = message.contains(u'%') ? message.arg(target) : message;
    QVERIFY2(shown.last().text.startsWith(expected), qPrintable(shown.last().text));
    const bool failed = !written && !existing;
    QCOMPARE(shown.last().icon, failed ? MsgIcon::Exclamation : MsgIcon::None);
}

// The next save dialog, of either kind and in a later session, opens in the folder saved to last;
// a folder that has gone since gives the home folder again.
void Form2Test::saveFolderRemembered() {
    IsolatedEnvironment session;
    const QString folder = session.Work() + QStringLiteral("/out");
    QVERIFY(QDir().mkpath(folder));
    {
        Fixture f(session.Config());
        f.FillRows(CountMode::AllFiles, {"cat|1", "bee|3"});
        QVERIFY(f.Show());
        f.ui.Answer(folder + QStringLiteral("/first"));
        f.TriggerMenu(QStringLiteral("Save Ticked Rows As CSV..."));
        ChartView* chart = TriggerChart(f.form);
        QVERIFY(chart);
        f.ui.Answer(QString()); // cancelled: nothing written, nothing said
        QTest::mouseClick(chart->SaveButton, Qt::LeftButton);
        const QList<ScriptedUi::Call> dialogs = f.ui.Calls(QStringLiteral("saveFile"));
        QCOMPARE(dialogs.size(), 2);
        QCOMPARE(dialogs[1].text, folder + QStringLiteral("/Most frequent words.png"));
        QCOMPARE(dialogs[1].extra, QStringLiteral("PNG Images (*.png)|*.png|"));
        QCOMPARE(f.ui.MessageTexts(), QStringList{"Done."});
        QVERIFY(QFileInfo::exists(folder + QStringLiteral("/first.csv")));
    }
    {
        Fixture f(session.Config()); // the next session
        f.FillRows(CountMode::AllFiles, {"cat|1"});
        f.ui.AnswerCancel();
        f.TriggerMenu(QStringLiteral("Save Ticked Rows As CSV..."));
        QCOMPARE(f.ui.Calls(QStringLiteral("saveFile")).value(0).text, folder + QStringLiteral("/Results.csv"));
        QVERIFY(QDir(folder).removeRecursively());
        f.ui.AnswerCancel();
        f.TriggerMenu(QStringLiteral("Save Ticked Rows As CSV..."));
        QCOMPARE(f.ui.Calls(QStringLiteral("saveFile")).value(1).text,
                 QDir::homePath() + QStringLiteral("/Results.csv"));
        QCOMPARE(f.ui.Messages().size(), 0);
    }
}

// The bars are the most frequent words of the rows shown (per file: of the current row's file),
// most frequent on top, thirty at most. The rank plot gives every count of all the rows (of the
// file), the largest at rank 1.
void Form2Test::chartBars_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("find"); // typed into the find box
    QTest::addColumn<int>("clickRow"); // a row of the list clicked first; -1: none
    QTest::addColumn<QStringList>("bars");
    QTest::addColumn<QString>("ranks"); // the counts of ranks 1, 2, 3, ...
    const auto all = int(CountMode::AllFiles);
    const auto perFile = int(CountMode::PerFile);
    QTest::newRow("all files") << all << QStringList{"cat|1", "bee|3", "ant|12", "dog|3"} << QString() << -1
                               << QStringList{"ant|12", "bee|3", "dog|3", "cat|1"} << "12,3,3,1";
    QTest::newRow("found rows only") << all << QStringList{"cat|1", "bee|3", "ant|12", "bat|7"} << "b" << -1
                                     << QStringList{"bat|7", "bee|3"} << "12,7,3,1";
    QStringList many;
    QStringList top;
    QStringList ranks;
    for (int i = 1; i <= 40; ++i) {
        many << QStringLiteral("w%1|%1").arg(i);
    }
    for (int i = 40; i > 10; --i) {
        top << QStringLiteral("w%1|%1").arg(i);
    }
    for (int i = 40; i >= 1; --i) {
        ranks << QString::number(i);
    }
    QTest::newRow("thirty at most") << all << many << QString() << -1 << top << ranks.join(u',');
    QTest::newRow("one row") << all << QStringList{"ant|12"} << QString() << -1 << QStringList{"ant|12"} << "12";
    const QStringList files{"/d/one.pdf|a|1", "/d/one.pdf|b|5", "/d/two.pdf|c|2", "/d/two.pdf|d|9", "/d/two.pdf|e|4"};
    QTest::newRow("per file: the first file")
        << perFile << files << QString() << -1 << QStringList{"b|5", "a|1"} << "5,1";
    QTest::newRow("per file: the file clicked")
        << perFile << files << QString() << 3 << QStringList{"d|9", "e|4", "c|2"} << "9,4,2";
}

void Form2Test::chartBars() {
    QFETCH(int, mode);
    QFETCH(QStringList, rows);
    QFETCH(QString, find);
    QFETCH(int, clickRow);
    QFETCH(QStringList, bars);
    QFETCH(QString, ranks);
    Fixture f;
    f.FillRows(static_cast<CountMode>(mode), rows);
    QVERIFY(f.Show());
    if (!find.isEmpty()) {
        QTest::keyClicks(f.form.FindBox, find);
    }
    if (clickRow >= 0) {
        const QRect r = f.form.ListView1->visualRect(f.form.ListView1->model()->index(clickRow, 1));
        QTest::mouseClick(f.form.ListView1->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    }
    ChartView* chart = TriggerChart(f.form);
    QVERIFY(chart);
    QVERIFY(QTest::qWaitForWindowExposed(chart));
    QCOMPARE(Bars(*chart), bars);
    QCOMPARE(RankCounts(*chart), ranks);
    // Every word of the bars keeps its label.
    const QStringList texts = ShownTexts(chart->BarsView);
    for (const QString& bar : bars) {
        QVERIFY2(texts.contains(bar.section(u'|', 0, 0)), qPrintable(bar));
    }
    QCOMPARE(f.ui.calls.size(), 0);
}

// With no word to chart the user is told so, and no empty chart is shown.
void Form2Test::chartNothingToChart_data() {
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("find");
    QTest::addColumn<bool>("chartedBefore");
    QTest::newRow("no rows") << QStringList{} << QString() << false;
    QTest::newRow("rows cleared") << QStringList{"ant|2"} << QString() << true;
    QTest::newRow("none found") << QStringList{"ant|2", "bee|1"} << "zz" << true;
}

void Form2Test::chartNothingToChart() {
    QFETCH(QStringList, rows);
    QFETCH(QString, find);
    QFETCH(bool, chartedBefore);
    Fixture f;
    f.FillRows(CountMode::AllFiles, rows);
    QVERIFY(f.Show());
    if (chartedBefore) {
        QVERIFY(TriggerChart(f.form));
    }
    if (!find.isEmpty()) {
        f.form.Model()->SetFilter(find);
    } else if (!rows.isEmpty()) {
        QTest::mouseClick(f.form.PushButton9, Qt::LeftButton); // "Clear Results"
    }
    QVERIFY(!TriggerChart(f.form));
    QCOMPARE(f.ui.MessageTexts(), QStringList{"There are no words to chart."});
    QCOMPARE(f.ui.Messages().first().caption, QStringLiteral("Lexitally"));
}

// The chart window opens over the results window at a size the screen holds, can be made
// smaller and larger, and keeps every word's label however low it is made: the bars scroll.
void Form2Test::chartFitsTheScreen() {
    Fixture f;
    QStringList rows;
    for (int i = 1; i <= 40; ++i) {
        rows << QStringLiteral("word%1|%2").arg(i).arg(i * 1000);
    }
    f.FillRows(CountMode::AllFiles, rows);
    f.form.move(40, 30);
    QVERIFY(f.Show());
    ChartView* chart = TriggerChart(f.form);
    QVERIFY(chart);
    QVERIFY(QTest::qWaitForWindowExposed(chart));
    const QRect room = f.form.screen()->availableGeometry();
    const QRect frame = chart->frameGeometry();
    QVERIFY2(
        room.contains(frame),
        qPrintable(QStringLiteral("%1,%2 %3x%4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())));
    // The window manager's frame is drawn around the chart's own size.
    const QSize decoration = frame.size() - chart->size();
    QCOMPARE(chart->size(), QSize(ChartView::kWidth, ChartView::kHeight).boundedTo(room.size() - decoration));
    // Over the results window.
    QVERIFY(frame.contains(f.form.frameGeometry().center()));
    QVERIFY(chart->minimumWidth() <= 400 && chart->minimumHeight() <= 300);
    QVERIFY(chart->maximumWidth() > room.width() && chart->maximumHeight() > room.height());

    QStringList words;
    for (int i = 40; i > 10; --i) {
        words << QStringLiteral("word%1").arg(i);
    }
    for (const QSize size : {chart->size(), QSize(420, 320), QSize(700, 1000)}) {
        chart->resize(size);
        QTRY_COMPARE(chart->size(), size);
        QCoreApplication::processEvents();
        const QStringList texts = ShownTexts(chart->BarsView);
        for (const QString& word : words) {
            QVERIFY2(texts.contains(word),
                     qPrintable(QStringLiteral("%1 at %2x%3").arg(word).arg(size.width()).arg(size.height())));
        }
        // Low windows scroll the bars; a tall one shows them all at once.
        QCOMPARE(chart->BarsArea->verticalScrollBar()->isVisible(), size.height() < 600);
    }
}

// The count axis is marked at round numbers from 0, in steps of 1, 2 or 5 times a power of ten.
void Form2Test::chartRoundTicks_data() {
    QTest::addColumn<int>("most");
    QTest::addColumn<QStringList>("ticks");
    QTest::newRow("1") << 1 << QStringList{"0", "1"};
    QTest::newRow("3") << 3 << QStringList{"0", "1", "2", "3"};
    QTest::newRow("7") << 7 << QStringList{"0", "2", "4", "6", "8"};
    QTest::newRow("12") << 12 << QStringList{"0", "5", "10", "15"};
    QTest::newRow("100") << 100 << QStringList{"0", "20", "40", "60", "80", "100"};
    QTest::newRow("12,000") << 12000 << QStringList{"0", "5,000", "10,000", "15,000"};
    QTest::newRow("30,001") << 30001 << QStringList{"0", "10,000", "20,000", "30,000", "40,000"};
    QTest::newRow("1,234,567") << 1234567 << QStringList{"0", "500,000", "1,000,000", "1,500,000"};
}

void Form2Test::chartRoundTicks() {
    QFETCH(int, most);
    QFETCH(QStringList, ticks);
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Fixture f;
    f.FillRows(CountMode::AllFiles, {"few|1", QStringLiteral("most|%1").arg(most)});
    QVERIFY(f.Show());
    ChartView* chart = TriggerChart(f.form);
    QLocale::setDefault(before);
    QVERIFY(chart);
    QVERIFY(QTest::qWaitForWindowExposed(chart));
    QStringList numbers;
    for (const QString& text : ShownTexts(chart->BarsView)) {
        if (!text.isEmpty() && text.front().isDigit()) {
            numbers << text;
        }
    }
    std::sort(numbers.begin(), numbers.end(), [](const QString& a, const QString& b) {
        return QString(a).remove(u',').toLongLong() < QString(b).remove(u',').toLongLong();
    });
    QCOMPARE(numbers, ticks);
}

// "Chart..." again after a sort or a find redraws the one chart window from the list as shown.
void Form2Test::chartReopened() {
    Fixture f;
    f.FillRows(CountMode::AllFiles, {"bee|3", "cat|1", "ant|12", "dog|3"});
    QVERIFY(f.Show());
    ChartView* chart = TriggerChart(f.form);
    QVERIFY(chart);
    QCOMPARE(Bars(*chart), (QStringList{"ant|12", "bee|3", "dog|3", "cat|1"}));
    f.ClickHeader(0); // words A to Z
    f.ClickHeader(0); // Z to A: equal counts follow
    QCOMPARE(TriggerChart(f.form), chart);
    QCOMPARE(Bars(*chart), (QStringList{"ant|12", "dog|3", "bee|3", "cat|1"}));
    f.form.Model()->SetFilter(QStringLiteral("t"));
    QCOMPARE(TriggerChart(f.form), chart);
    QCOMPARE(Bars(*chart), (QStringList{"ant|12", "cat|1"}));
    QCOMPARE(RankCounts(*chart), QStringLiteral("12,3,3,1"));
    QCOMPARE(f.form.findChildren<QWidget*>(QStringLiteral("ChartView")).size(), 1);
    // Back to the main window: the chart goes with the results.
    QTest::mouseClick(f.form.PushButton1, Qt::LeftButton);
    QVERIFY(!chart->isVisible());
    QCOMPARE(f.ui.calls.size(), 0);
}

// "Save Chart As PNG..." writes the tab shown as a picture of the chart's size, under a name
// offered after the tab, ".png" added; like every save it ends with "Done." or the reason.
void Form2Test::chartSavedAsPng_data() {
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("existing");
    QTest::addColumn<int>("overwrite");
    QTest::addColumn<QString>("offered"); // the name the dialog offers
    QTest::addColumn<QString>("message"); // the last box begins so; %1 stands for the file
    const int yes = int(MsgAnswer::Yes);
    const int no = int(MsgAnswer::No);
    const int all = int(CountMode::AllFiles);
    const int perFile = int(CountMode::PerFile);
    QTest::newRow("bars") << 0 << all << "chart" << false << yes << "Most frequent words.png"
                          << "Done.";
    QTest::newRow("ranks") << 1 << all << "chart.png" << false << yes << "Rank and frequency.png"
                           << "Done.";
    QTest::newRow("per file") << 0 << perFile << "chart" << false << yes << "one - Most frequent words.png"
                              << "Done.";
    QTest::newRow("kept after No") << 0 << all << "chart" << true << no << "Most frequent words.png"
                                   << "Are you sure you wish to overwrite %1 ?";
    QTest::newRow("missing folder") << 0 << all << "gone/chart" << false << yes << "Most frequent words.png"
                                    << "The chart could not be saved as %1: ";
}

void Form2Test::chartSavedAsPng() {
    QFETCH(int, tab);
    QFETCH(int, mode);
    QFETCH(QString, typed);
    QFETCH(bool, existing);
    QFETCH(int, overwrite);
    QFETCH(QString, offered);
    QFETCH(QString, message);
    Fixture f;
    if (mode == int(CountMode::AllFiles)) {
        f.FillRows(CountMode::AllFiles, {"cat|1", "bee|3", "ant|12"});
    } else {
        f.FillRows(CountMode::PerFile, {"/d/one.pdf|cat|1", "/d/one.pdf|ant|12", "/d/two.pdf|bee|3"});
    }
    QVERIFY(f.Show());
    ChartView* chart = TriggerChart(f.form);
    QVERIFY(chart);
    QVERIFY(QTest::qWaitForWindowExposed(chart));
    QTabBar* bar = chart->Tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(tab).center());
    QCOMPARE(chart->Tabs->currentIndex(), tab);
    const QString path = WithoutSuffix(f.env.Work() + u'/' + typed) + QStringLiteral(".png");
    if (existing) {
        WriteTextFile(path, "old");
    }
    f.ui.Answer(f.env.Work() + u'/' + typed);
    f.ui.Answer(static_cast<MsgAnswer>(overwrite));
    QTest::mouseClick(chart->SaveButton, Qt::LeftButton);
    const QList<ScriptedUi::Call> dialogs = f.ui.Calls(QStringLiteral("saveFile"));
    QCOMPARE(dialogs.size(), 1);
    QCOMPARE(dialogs[0].extra, QStringLiteral("PNG Images (*.png)|*.png|"));
    QCOMPARE(dialogs[0].text, QDir::homePath() + u'/' + offered);
    const QString last = f.ui.MessageTexts().value(f.ui.Messages().size() - 1);
    QVERIFY2(last.startsWith(message.contains(u'%') ? message.arg(path) : message), qPrintable(last));
    if (message == "Done.") {
        const QImage image(path);
        QVERIFY(!image.isNull());
        const QWidget* view = tab == 0 ? static_cast<QWidget*>(chart->BarsView) : chart->RanksView;
        QCOMPARE(image.size(), view->size() * view->devicePixelRatio());
    } else if (existing) {
        QCOMPARE(ReadAll(path), QByteArray("old"));
    } else {
        QVERIFY(!QFileInfo::exists(path));
    }
}

void Form2Test::spreadsheetApplication_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("script");
    QTest::addColumn<bool>("installed");
    // clang-format off
    QTest::newRow("nothing") << "" << "" << false;
    QTest::newRow("soffice") << "soffice" << "exit 0" << true;
    QTest::newRow("libreoffice") << "libreoffice" << "exit 0" << true;
    QTest::newRow("gnumeric") << "gnumeric" << "exit 0" << true;
    QTest::newRow("localc") << "localc" << "exit 0" << true;
    QTest::newRow("desktop default") << "xdg-mime" << "echo calc.desktop" << true;
    QTest::newRow("no desktop default") << "xdg-mime" << "echo" << false;
    QTest::newRow("desktop query fails") << "xdg-mime" << "echo calc.desktop; exit 3" << false;
    QTest::newRow("other program") << "excel" << "exit 0" << false;
    // clang-format on
}

void Form2Test::spreadsheetApplication() {
    QFETCH(QString, program);
    QFETCH(QString, script);
    QFETCH(bool, installed);
    IsolatedEnvironment env;
    const QString bin = env.Root() + QStringLiteral("/bin");
    QDir().mkpath(bin);
    if (!program.isEmpty()) {
        const QString path = WriteTextFile(bin + u'/' + program, "#!/bin/sh\n" + script.toUtf8() + "\n");
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    env.Set("PATH", bin);
    QCOMPARE(SpreadsheetApplicationInstalled(), installed);
    // The program the window starts when the desktop's opener fails is the one the test found.
    const SpreadsheetApplication found = FindSpreadsheetApplication();
    QCOMPARE(found.Found(), installed);
    QCOMPARE(found.desktopDefault, installed && program == "xdg-mime");
    QCOMPARE(found.program, installed && program != "xdg-mime" ? bin + u'/' + program : QString());
}

LEXITALLY_GUI_TEST_MAIN(Form2Test)
#include "test_form2.moc"
