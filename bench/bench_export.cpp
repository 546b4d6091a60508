// Times the three exports of the results list on a large list.
//
//   bench_export [--rows N] [--mode all|per-file] [--ticked all|half] [--limit-ms MS]
//
// Fills a results model with N rows (default 100,000), then times the aligned text file, the
// workbook and the clipboard text, each with a progress sink and a throttled event pump as the
// window uses them. Exits with 1 when the text file or the workbook takes longer than the limit
// (default 2000 ms). Writes only into its own temporary folder.

#include "core/base/ErrorReport.h"
#include "core/base/Ui.h"
#include "core/export/Export.h"
#include "core/results/ResultTable.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Dialogs have nobody to answer them here: messages go to the error stream.
class CountingUi : public SilentUi {
public:
    MsgAnswer Message(const QString& text, const QString& caption, MsgButtons, MsgIcon) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
        ++messages;
        return MsgAnswer::Ok;
    }
    int messages = 0;
};

Yield ThrottledPump() {
    auto clock = std::make_shared<QElapsedTimer>();
    return [clock] {
        if (!clock->isValid() || clock->elapsed() >= 15) {
            QCoreApplication::processEvents();
            clock->start();
        }
    };
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int rows = 100000;
    bool perFile = true;
    bool half = false;
    qint64 limitMs = 2000;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const QString next = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == QLatin1String("--rows")) {
            rows = next.toInt();
            ++i;
        } else if (a == QLatin1String("--mode")) {
            perFile = next != QLatin1String("all");
            ++i;
        } else if (a == QLatin1String("--ticked")) {
            half = next == QLatin1String("half");
            ++i;
        } else if (a == QLatin1String("--limit-ms")) {
            limitMs = next.toLongLong();
            ++i;
        } else {
            std::fprintf(stderr, "usage: bench_export [--rows N] [--mode all|per-file] [--ticked all|half] "
                                 "[--limit-ms MS]\n");
            return 2;
        }
    }

    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 2;
    }
    qputenv("TEMP", folder.path().toUtf8());

    ResultTable model;
    model.SetColumns(perFile ? CountMode::PerFile : CountMode::AllFiles);
    QElapsedTimer clock;
    clock.start();
    const int files = 20;
    QStringList labels;
    for (int f = 0; f < files; ++f) {
        labels << QStringLiteral("/home/user/Documents/Reports/quarterly report %1.pdf").arg(f + 1);
    }
    for (int r = 0; r < rows; ++r) {
        const QString word = QStringLiteral("word") + QString::number(r, 36);
        const QString count = QString::number(1 + (rows - r) / 7);
        if (perFile) {
            model.AddRow({labels[r % files], word, count});
        } else {
            model.AddRow({word, count});
        }
    }
    if (half) {
        for (int r = 0; r < rows; r += 2) {
            model.SetTicked(r, true);
        }
    } else {
        model.SetAllTicked(true);
    }
    const qint64 fillMs = clock.elapsed();
    std::printf("rows: %d (%s, %d ticked), filled in %lld ms\n", rows, perFile ? "per file" : "all files",
                model.TickedCount(), static_cast<long long>(fillMs));

    CountingUi ui;
    ProgressMemory progress;
    int failures = 0;

    const QString textPath = folder.filePath(QStringLiteral("results.txt"));
    clock.restart();
    const bool written = SaveListviewProperlySpaced(model, textPath, &progress, ThrottledPump(), ui);
    const qint64 textMs = clock.elapsed();
    std::printf("text file: %lld ms, %lld bytes%s\n", static_cast<long long>(textMs),
                static_cast<long long>(QFileInfo(textPath).size()), written ? "" : " (FAILED)");
    failures += !written || textMs > limitMs;

    const QString bookPath = folder.filePath(QStringLiteral("results.xlsx"));
    clock.restart();
    bool booked = true;
    try {
        WriteWorkbook(model, bookPath, &progress, ThrottledPump());
    } catch (const Failure& failure) {
        booked = false;
        std::fprintf(stderr, "workbook: %s\n", qPrintable(failure.Description()));
    }
    const qint64 bookMs = clock.elapsed();
    std::printf("workbook: %lld ms, %lld bytes%s\n", static_cast<long long>(bookMs),
                static_cast<long long>(QFileInfo(bookPath).size()), booked ? "" : " (FAILED)");
    failures += !booked || bookMs > limitMs;

    clock.restart();
    const QString clip = ClipboardText(model, ThrottledPump());
    std::printf("clipboard text: %lld ms, %lld characters\n", static_cast<long long>(clock.elapsed()),
                static_cast<long long>(clip.size()));

    std::printf("%s (limit %lld ms each for the text file and the workbook)\n", failures ? "TOO SLOW OR FAILED" : "ok",
                static_cast<long long>(limitMs));
    return failures ? 1 : 0;
}
