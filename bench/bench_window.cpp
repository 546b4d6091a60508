// The window's path over a folder of PDFs, offscreen: the folder dropped on the list (its scan
// and the readability check), Start, until the results window shows its rows. Prints the
// seconds of each phase and the rows, so that a script can time it beside the converter alone;
// with --views, then the seconds each corpus view takes to open over the run's texts.
//
//     QT_QPA_PLATFORM=offscreen bench_window [--views] FOLDER

#include "core/base/Ui.h"
#include "gui/Form1.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTreeView>

#include <cstdio>

namespace {

// Answers every box as the silent seam does, and says on standard error what it said.
class LoggingUi : public SilentUi {
public:
    MsgAnswer Message(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
        return SilentUi::Message(text, caption, buttons, icon);
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lexitally"));
    QApplication::setOrganizationName(QStringLiteral("Quorvant"));
    const bool views = argc == 3 && qstrcmp(argv[1], "--views") == 0;
    if (argc != 2 + (views ? 1 : 0) || !QFileInfo(QString::fromLocal8Bit(argv[argc - 1])).isDir()) {
        std::fprintf(stderr, "usage: bench_window [--views] FOLDER\n");
        return 2;
    }
    const QString folder = QFileInfo(QString::fromLocal8Bit(argv[argc - 1])).absoluteFilePath();
    LoggingUi ui;
    Form1Options options;
    options.endProgram = [] {};
    Form1 form(ui, options);
    form.Form_Load();
    form.show();
    QElapsedTimer clock;
    clock.start();
    form.ListView1_OLEDragDrop({folder});
    const double checked = static_cast<double>(clock.elapsed()) / 1000.0;
    const qsizetype files = form.FileListPaths().size();
    form.PushButton2_Click();
    QApplication::processEvents(); // the list takes its rows when the event queue gets a turn
    const double total = static_cast<double>(clock.elapsed()) / 1000.0;
    // The results window is the other top-level window that shows; its list holds the rows.
    qsizetype rows = -1;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != &form && window->isVisible()) {
            if (auto* list = window->findChild<QTreeView*>()) {
                rows = list->model() != nullptr ? list->model()->rowCount() : -1;
            }
        }
    }
    std::printf("files %lld check %.2f s total %.2f s rows %lld\n", static_cast<long long>(files), checked, total,
                static_cast<long long>(rows));
    // Each view opened as the context menu opens it, on the list's last (most frequent) word.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        auto* list = window != &form && window->isVisible() ? window->findChild<QTreeView*>() : nullptr;
        if (!views || list == nullptr || list->model() == nullptr || rows <= 0) {
            continue;
        }
        list->setCurrentIndex(list->model()->index(static_cast<int>(rows) - 1, 0));
        for (const char* name : {"ConcordanceAction", "StatisticsAction", "CollocatesAction", "PhrasesAction"}) {
            auto* action = list->findChild<QAction*>(QString::fromLatin1(name));
            if (action == nullptr) {
                continue;
            }
            clock.restart();
            action->trigger();
            QApplication::processEvents();
            std::printf("%s %.2f s\n", name, static_cast<double>(clock.elapsed()) / 1000.0);
        }
    }
    form.Form_Unload();
    return rows > 0 ? 0 : 1;
}
