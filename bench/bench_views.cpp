// How long the windows' lists keep input waiting while the user finds and sorts in big lists,
// offscreen: the results window's list of many rows (typing a find text letter by letter, clicking
// each column header three times) and the words in context of one word over real texts (the same
// in its find box and headers). Each step is one real key press or click; the time it takes, and
// every turn of the event queue until the list has settled, is a time the window cannot take
// input. Prints the longest of each step and the longest of all.
//
//     QT_QPA_PLATFORM=offscreen bench_views [--rows N] [--word WORD] [--find TEXT] [--plot-files N]
//                                           [--plot-hits N] [TEXT...]
//
// Without TEXT the words in context run over a generated text shaped like real documents (36 MB,
// its most frequent word). Then the dispersion plot of a word with 100,000 hits over 2,000
// generated texts (--plot-files N, --plot-hits N; 0 files: none): the time until the plot is
// drawn, the longest wait for input meanwhile, and while the plot is scrolled and pointed at.

#include "RealisticText.h"
#include "core/corpus/Concordance.h"
#include "core/results/ResultTable.h"
#include "gui/CorpusViews.h"
#include "gui/DispersionView.h"
#include "gui/Form2.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <functional>

namespace {

struct Step {
    QString what;
    double ms = 0;
};

// The longest time input waits during `action` and the turns of the event queue after it, until
// `settled` says the list shows what was asked.
double Blocked(const std::function<void()>& action, const std::function<bool()>& settled) {
    QElapsedTimer clock;
    clock.start();
    action();
    double worst = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    QElapsedTimer total;
    total.start();
    do {
        clock.restart();
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        worst = std::max(worst, static_cast<double>(clock.nsecsElapsed()) / 1e6);
    } while (!settled() && total.elapsed() < 60000);
    // A little longer: late work of the view (repaints, layouts) counts too.
    for (int i = 0; i < 5; ++i) {
        clock.restart();
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        worst = std::max(worst, static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    return worst;
}

// Clicks each column header three times (up, down, the order found), then types `text` into the
// find box letter by letter and takes it out again with Backspace.
void FindAndSort(QLineEdit* box, QHeaderView* header, const QString& text, const std::function<bool()>& settled,
                 const QString& name, QList<Step>& steps) {
    for (int section = 0; section < header->count(); ++section) {
        for (int click = 1; click <= 3; ++click) {
            const QPoint at(header->sectionViewportPosition(section) + 4, header->height() / 2);
            steps << Step{name + QStringLiteral(": sort column %1, click %2").arg(section).arg(click),
                          Blocked([&] { QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at); }, settled)};
        }
    }
    box->setFocus();
    for (const QChar c : text) {
        steps << Step{name + QStringLiteral(": type '") + c + u'\'',
                      Blocked([&] { QTest::keyClick(box, c.toLatin1()); }, settled)};
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        steps << Step{name + QStringLiteral(": Backspace"),
                      Blocked([&] { QTest::keyClick(box, Qt::Key_Backspace); }, settled)};
    }
}

void ResultsList(int rows, const QString& find, QList<Step>& steps) {
    SilentUi ui;
    Form2 form(ui, nullptr, [] {});
    ResultsModel* model = form.Model();
    model->SetColumns(CountMode::AllFiles);
    const std::vector<std::string> words = bench::Vocabulary(rows);
    for (int i = 0; i < rows; ++i) {
        model->AddRow(
            QStringList{QString::fromStdString(words[static_cast<size_t>(i)]), QString::number(1 + (rows - i) / 7)});
    }
    model->FlushPending();
    form.show();
    QApplication::processEvents();
    form.ShowFindBar(true);
    const auto settled = [model] { return !model->Busy(); };
    FindAndSort(form.FindBox, form.ListView1->header(), find, settled,
                QStringLiteral("results list, %1 rows").arg(model->RowCount()), steps);
}

void WordsInContext(const QStringList& texts, QString word, const QString& find, QList<Step>& steps) {
    QTemporaryDir work;
    QList<ConvertedText> converted;
    if (texts.isEmpty()) {
        const QString path = work.path() + QStringLiteral("/generated.txt");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            return;
        }
        const std::vector<std::string> vocabulary = bench::Vocabulary(200000);
        file.write(QByteArray::fromStdString(bench::RealisticText(36u << 20, vocabulary)));
        if (word.isEmpty()) {
            word = QString::fromStdString(vocabulary.front()); // the most frequent word
        }
        converted << ConvertedText{path, path, path, {}, {}};
    }
    for (const QString& text : texts) {
        converted << ConvertedText{text, text, text, {}, {}};
    }
    CorpusRule rule;
    QElapsedTimer clock;
    clock.start();
    const QList<ConcordanceLine> lines = Concordance(converted, TypedWordKey(word, rule), rule, kDefaultContext);
    auto table = std::make_shared<ResultTable>();
    FillConcordance(*table, lines, converted);
    std::vector<QStringList> keys;
    keys.reserve(static_cast<size_t>(lines.size()));
    for (const ConcordanceLine& line : lines) {
        keys.push_back({QString(), QString(), LeftSortKey(line), QString(), RightSortKey(line)});
    }
    std::fprintf(stderr, "%lld lines of \"%s\" found in %.0f ms\n", static_cast<long long>(lines.size()),
                 qPrintable(word), static_cast<double>(clock.elapsed()));
    SilentUi ui;
    CorpusView view(ui, QStringLiteral("Words In Context"), QStringLiteral("Words in context"), nullptr);
    view.resize(980, 680);
    view.show();
    steps << Step{QStringLiteral("words in context: the lines shown"),
                  Blocked([&] { view.SetRows(table, std::move(keys), QStringLiteral("lines"), 2); },
                          [&] { return !view.Busy(); })};
    FindAndSort(
        view.FindBox, view.Table->horizontalHeader(), find, [&] { return !view.Busy(); },
        QStringLiteral("words in context, %1 lines").arg(lines.size()), steps);
}

// A word with `hits` hits spread evenly over `files` texts of 5 pages and 2,000 words each.
void DispersionPlot(int files, int hits, QList<Step>& steps) {
    QTemporaryDir work;
    const std::vector<std::string> vocabulary = bench::Vocabulary(5000);
    const int words = 2000;
    const int every = std::max(1, files * words / std::max(1, hits));
    QList<ConvertedText> texts;
    int placed = 0;
    for (int f = 0; f < files; ++f) {
        const QString path = work.path() + QStringLiteral("/text%1.txt").arg(f);
        QByteArray text;
        for (int w = 0; w < words; ++w) {
            const bool hit = (f * words + w) % every == every / 2 && placed < hits;
            placed += hit ? 1 : 0;
            text += hit ? QByteArray("needle")
                        : QByteArray::fromStdString(vocabulary[static_cast<size_t>(w * 7919 + f) % vocabulary.size()]);
            text += w % 400 == 399 ? '\f' : w % 12 == 11 ? '\n' : ' ';
        }
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            return;
        }
        file.write(text);
        texts << ConvertedText{path, QStringLiteral("document-%1.pdf").arg(f), path, {}, {}};
    }
    SilentUi ui;
    DispersionView view(ui, nullptr);
    view.resize(980, 680);
    view.show();
    QApplication::processEvents();
    const CorpusRule rule;
    QElapsedTimer drawn;
    drawn.start();
    const QString name = QStringLiteral("plot, %1 hits in %2 files").arg(placed).arg(files);
    steps << Step{
        name + QStringLiteral(": found and drawn"),
        Blocked(
            [&] { view.ShowWord(texts, TypedWordKey(QStringLiteral("needle"), rule), rule, QStringLiteral("needle")); },
            [&] { return !view.Busy(); })};
    std::fprintf(stderr, "%s: %lld hits drawn in %.0f ms\n", qPrintable(name),
                 static_cast<long long>(view.Strips->Shown().hits), static_cast<double>(drawn.elapsed()));
    QWidget* area = view.Area->viewport();
    for (const auto key : {Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_End, Qt::Key_PageUp, Qt::Key_Home}) {
        steps << Step{name + QStringLiteral(": scroll"),
                      Blocked([&] { QTest::keyClick(view.Area->verticalScrollBar(), key); }, [] { return true; })};
    }
    // Pointing along the first strip: the tooltips read the text around the hit.
    const QRect strip = view.Strips->StripRect(view.Area->verticalScrollBar()->value() / view.Strips->RowHeight());
    for (int x = strip.left(); x < strip.right(); x += strip.width() / 8) {
        const QPoint at = view.Strips->mapTo(area, QPoint(x, strip.center().y()));
        steps << Step{name + QStringLiteral(": point"), Blocked(
                                                            [&] {
                                                                QTest::mouseMove(area, at);
                                                                QHelpEvent help(QEvent::ToolTip, at,
                                                                                area->mapToGlobal(at));
                                                                QApplication::sendEvent(view.Strips, &help);
                                                            },
                                                            [] { return true; })};
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int rows = 1000000;
    QString word; // "the" in real texts, the most frequent word of a generated one
    QString find = QStringLiteral("of the");
    QStringList texts;
    int plotFiles = 2000;
    int plotHits = 100000;
    const QStringList arguments = QApplication::arguments().mid(1);
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QStringLiteral("--rows") && i + 1 < arguments.size()) {
            rows = arguments[++i].toInt();
        } else if (arguments[i] == QStringLiteral("--word") && i + 1 < arguments.size()) {
            word = arguments[++i];
        } else if (arguments[i] == QStringLiteral("--plot-files") && i + 1 < arguments.size()) {
            plotFiles = arguments[++i].toInt();
        } else if (arguments[i] == QStringLiteral("--plot-hits") && i + 1 < arguments.size()) {
            plotHits = arguments[++i].toInt();
        } else if (arguments[i] == QStringLiteral("--find") && i + 1 < arguments.size()) {
            find = arguments[++i];
        } else {
            texts << arguments[i];
        }
    }
    QList<Step> steps;
    if (rows > 0) {
        ResultsList(rows, find, steps);
    }
    if (word.isEmpty() && !texts.isEmpty()) {
        word = QStringLiteral("the");
    }
    WordsInContext(texts, word, find, steps);
    if (plotFiles > 0) {
        DispersionPlot(plotFiles, plotHits, steps);
    }
    Step worst;
    for (const Step& step : std::as_const(steps)) {
        std::printf("%8.1f ms  %s\n", step.ms, qPrintable(step.what));
        if (step.ms > worst.ms) {
            worst = step;
        }
    }
    std::printf("longest wait for input: %.1f ms (%s)\n", worst.ms, qPrintable(worst.what));
    return 0;
}
