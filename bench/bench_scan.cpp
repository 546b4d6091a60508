// Times the collection of a folder tree: 10,000 files in 1,000 folders, generated in a
// temporary folder that goes away at the end.
//
//     bench_scan [files per folder]

#include "core/base/Ui.h"
#include "core/filelist/FolderScan.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

// Answers every dialog at once and counts the boxes (a scan should show none).
class CountingUi : public SilentUi {
public:
    int messages = 0;
    MsgAnswer Message(const QString& text, const QString&, MsgButtons, MsgIcon) override {
        ++messages;
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return MsgAnswer::Ok;
    }
};

// 10 folders, each with 9 sub-folders, each of those with 10 more: 1,000 folders below the
// root (10 + 90 + 900). Every folder gets the same number of files, half of them PDFs.
int MakeTree(const QString& root, int filesPerFolder) {
    QStringList folders;
    for (int a = 0; a < 10; ++a) {
        const QString first = QStringLiteral("%1/Folder %2").arg(root).arg(a);
        folders << first;
        for (int b = 0; b < 9; ++b) {
            const QString second = QStringLiteral("%1/Sub %2").arg(first).arg(b);
            folders << second;
            for (int c = 0; c < 10; ++c) {
                folders << QStringLiteral("%1/Leaf %2").arg(second).arg(c);
            }
        }
    }
    int files = 0;
    for (const QString& folder : folders) {
        QDir().mkpath(folder);
        for (int i = 0; i < filesPerFolder; ++i) {
            QFile file(QStringLiteral("%1/document %2.%3").arg(folder).arg(i).arg(i % 2 ? "txt" : "pdf"));
            if (file.open(QIODevice::WriteOnly)) {
                file.write("%PDF-1.4\n");
                ++files;
            }
        }
    }
    return files;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int filesPerFolder = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 10;
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    const int files = MakeTree(dir.path(), filesPerFolder);
    std::printf("generated %d files in 1000 folders in %lld ms\n", files, static_cast<long long>(timer.elapsed()));

    CountingUi ui;
    for (const QString& pattern : {kPdfPattern, kAllFilesPattern}) {
        long long yields = 0;
        timer.restart();
        const QStringList paths = CollectFolderFiles(
            dir.path(), pattern, [&] { ++yields; }, ui);
        const qint64 elapsed = timer.elapsed();
        std::printf("CollectFolderFiles %-6s: %6lld paths in %5lld ms, %lld yields\n", qPrintable(pattern),
                    static_cast<long long>(paths.size()), static_cast<long long>(elapsed), yields);
    }
    return ui.messages == 0 ? 0 : 1;
}
