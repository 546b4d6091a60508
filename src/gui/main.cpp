#include "core/base/Environment.h"
#include "core/base/Places.h"
#include "gui/CorpusViews.h"
#include "gui/DispersionView.h"
#include "gui/FileView.h"
#include "gui/Form1.h"
#include "gui/Form2.h"
#include "gui/QtUi.h"
#include "gui/ResultsModel.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <tuple>

namespace {

// Loads the samples, takes a picture of the main window, runs the analysis and takes a picture of
// the results window as a run leaves it (least frequent first, the find bar closed); then the
// chart (most frequent first), the corpus views, the dispersion plot and the file view.
void TakeScreenshots(Form1& form, const QString& folder) {
    QDir().mkpath(folder);
    form.PushButton7_Click();
    QApplication::processEvents();
    form.grab().save(folder + QStringLiteral("/main-window.png"));
    form.PushButton2_Click();
    Form2& results = form.Results();
    ResultsModel* model = results.Model();
    model->FlushPending();
    QApplication::processEvents();
    results.grab().save(folder + QStringLiteral("/results-window.png"));
    results.ListView1_ColumnClick(model->ColumnOfKind(ResultColumnKind::Count));
    model->WaitForOrder();
    if (auto* chart = results.ListView1->findChild<QAction*>(QStringLiteral("ChartAction"))) {
        chart->trigger();
        for (int turn = 0; turn < 5; ++turn) {
            QApplication::processEvents(); // the chart lays its axes out over several turns
        }
        if (auto* view = results.findChild<QWidget*>(QStringLiteral("ChartView"))) {
            view->grab().save(folder + QStringLiteral("/results-chart.png"));
            view->hide();
        }
    }
    // The corpus views: the words in context and the collocates of the current row, and the word
    // statistics.
    results.ShowFindBar(true);
    results.FindBox->setText(QStringLiteral("nation"));
    model->WaitForOrder();
    results.ListView1->setCurrentIndex(results.ListView1->model()->index(0, 0));
    for (const auto& [action, view, picture] :
         {std::tuple{"ConcordanceAction", "ConcordanceView", "/results-concordance.png"},
          std::tuple{"StatisticsAction", "StatisticsView", "/results-statistics.png"},
          std::tuple{"CollocatesAction", "CollocatesView", "/results-collocates.png"}}) {
        if (auto* open = results.ListView1->findChild<QAction*>(QString::fromLatin1(action))) {
            open->trigger();
            QApplication::processEvents();
            if (auto* shown = results.findChild<QWidget*>(QString::fromLatin1(view))) {
                shown->grab().save(folder + QString::fromLatin1(picture));
                shown->hide();
            }
        }
    }
    // The dispersion plot of the same word, and the file view at the first hit of its first file
    // that has one.
    if (DispersionView* plot = results.Corpus()->ShowPlot()) {
        plot->WaitForPlot();
        QApplication::processEvents();
        plot->grab().save(folder + QStringLiteral("/results-plot.png"));
        for (const FileDispersion& file : plot->Strips->Shown().files) {
            if (!file.hits.isEmpty()) {
                if (FileView* view = results.Corpus()->ShowInFile(file.file, file.hits, 0)) {
                    QApplication::processEvents();
                    view->grab().save(folder + QStringLiteral("/results-fileview.png"));
                    view->hide();
                }
                break;
            }
        }
        plot->hide();
    }
}

} // namespace

// --help and --version answer before the program opens its display, so that they work on a
// terminal without one. Returns true when one of them answered.
bool AnsweredEarly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "--") {
            break;
        }
        if (argument == "--version") {
            std::printf("lexitally %s\n", LEXITALLY_VERSION);
            return true;
        }
        if (argument == "--help" || argument == "-h") {
            std::printf("Usage: lexitally [--] [FILE.pdf | FOLDER]...\n\n"
                        "Opens the main window with the files (and every file of the folders) in its list.\n\n"
                        "Options:\n"
                        "  -h, --help   show this summary and exit\n"
                        "  --version    show the program's name and version and exit\n"
                        "  --           every argument after it is a FILE or FOLDER, even one starting with -\n"
                        "The standard options of Qt programs (-platform, -style, ...) are accepted too.\n\n"
                        "Environment: TEMP, else TMPDIR (holds the temporary folder), XDG_CONFIG_HOME\n"
                        "(settings), XDG_DATA_HOME (the working database), XDG_CACHE_HOME (the store of\n"
                        "converted texts, when \"Keep converted texts\" is ticked).\n"
                        "lexitally-cli does the same analysis without windows; see lexitally(1).\n");
            return true;
        }
    }
    return false;
}

// The files named on the command line (the launcher passes the PDFs to open). An unknown
// option ends the program with status 2.
void ReadArguments(const QStringList& arguments, QStringList& files) {
    bool onlyFiles = false;
    for (const QString& argument : arguments) {
        if (!onlyFiles && argument == QStringLiteral("--")) {
            onlyFiles = true;
        } else if (!onlyFiles && argument.startsWith(u'-') && argument.size() > 1) {
            std::fprintf(stderr, "lexitally: unknown option %s (see --help)\n", qPrintable(argument));
            std::exit(2);
        } else {
            // A relative name means the starting folder, wherever the program looks later.
            files << QFileInfo(argument).absoluteFilePath();
        }
    }
}

int main(int argc, char** argv) {
    if (AnsweredEarly(argc, argv)) {
        return 0;
    }
    QApplication app(argc, argv);
    UseEnvironment(ReadEnvironment());
    QApplication::setApplicationName(QStringLiteral("Lexitally"));
    QApplication::setOrganizationName(QStringLiteral("Quorvant"));
    // Docks and task bars match the windows with the menu entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.quorvant.Lexitally"));
    QStringList files;
    ReadArguments(app.arguments().mid(1), files);
    const QString screenshots = qEnvironmentVariable("LEXITALLY_SCREENSHOTS");
    QtUi qtUi;
    SilentUi silentUi;
    Ui& ui = screenshots.isEmpty() ? static_cast<Ui&>(qtUi) : static_cast<Ui&>(silentUi);
    Form1Options options;
    if (!screenshots.isEmpty()) {
        options.endProgram = [] { QApplication::exit(0); };
    }
    RemoveAbandonedWorkFolders();
    Form1 form(ui, options);
    form.Form_Load();
    form.show();
    if (!files.isEmpty()) {
        // As if the files were dropped on the list.
        QTimer::singleShot(0, &form, [&form, files] { form.ListView1_OLEDragDrop(files); });
    }
    // For tests of the installed program: the file list once the arguments are in, then the end.
    const QString listTo = qEnvironmentVariable("LEXITALLY_FILE_LIST_TO");
    if (!listTo.isEmpty()) {
        QTimer::singleShot(0, &form, [&form, listTo] {
            QFile out(listTo);
            if (out.open(QIODevice::WriteOnly)) {
                out.write(form.FileListPaths().join(u'\n').toUtf8() + '\n');
            }
            QApplication::exit(0);
        });
    }
    if (!screenshots.isEmpty()) {
        QTimer::singleShot(500, &form, [&form, screenshots] {
            TakeScreenshots(form, screenshots);
            form.Form_Unload(); // as when the user closes the main window; it ends the program
        });
    }
    return QApplication::exec();
}
