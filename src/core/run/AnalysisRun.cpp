#include "core/run/AnalysisRun.h"

#include "core/base/ErrorReport.h"
#include "core/base/Files.h"
#include "core/base/Paths.h"
#include "core/count/SortingDb.h"
#include "core/count/SortingText.h"
#include "core/extract/Converter.h"
#include "core/extract/TextFiles.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Puts a text given in place of a PDF where the counting pass looks for the PDF's text; the
// reason why not, or "". The user's own file is only read.
QString PlaceTextInput(const QString& path, const QString& workFolder) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return QStringLiteral("file not found");
    }
    if (info.isDir()) {
        return QStringLiteral("is a folder");
    }
    if (!info.isReadable()) {
        return QStringLiteral("cannot be read");
    }
    const QString target = TextFileOf(path, workFolder);
    DeleteFileQuiet(target);
    QFile source(path);
    if (!source.copy(target)) {
        return QStringLiteral("cannot be read: ") + source.errorString();
    }
    return QString();
}

} // namespace

FrequencyMethodKind ChooseFrequencyMethod(bool databaseWanted, bool textWanted, bool providerAvailable) {
    if (databaseWanted) {
        return providerAvailable ? FrequencyMethodKind::Database : FrequencyMethodKind::Text;
    }
    return textWanted ? FrequencyMethodKind::Text : FrequencyMethodKind::None;
}

QString UnreadableList(const QList<UnreadableFile>& files) {
    QString list;
    for (const UnreadableFile& file : files) {
        list += QStringLiteral("\r\n") + file.path + file.reason;
    }
    return list;
}

AnalysisSummary RunAnalysis(const AnalysisRequest& request, const AnalysisContext& context, ErrorReport& steps) {
    AnalysisSummary summary;
    RunObserver quiet;
    RunObserver& observer = context.observer ? *context.observer : quiet;
    ProgressSink* progress = context.progress;
    const ConversionPlace place{request.converter, request.workFolder, context.converters};
    int n = 0;
    steps(128, [&] { n = static_cast<int>(request.rows().size()); });
    summary.fileCount = n;

    QString path;
    for (int i = 1; i <= n && !observer.Abandoned(); ++i) {
        steps(132, [&] { YieldNow(context.yield); });
        steps(134, [&] {
            const QStringList rows = request.rows();
            FailIf(i > rows.size(), QStringLiteral("Index out of bounds"));
            path = rows[i - 1];
        });
        steps(136, [&] {
            if (progress) {
                progress->SetValue(FileProgressPercent(i, n, false));
            }
        });
        steps(138, [&] {
            if (progress) {
                progress->SetText(QStringLiteral("Analyze file ") + FileNameFromPath(path) + QStringLiteral("... "));
            }
        });
        steps(140, [&] { observer.FileStarting(i, n, path); });
        steps(142, [&] { YieldNow(context.yield); });
        QString password;
        steps(144, [&] { password = observer.Password(path); });
        QString reason;
        steps(146, [&] {
            try {
                if (request.textInput) {
                    reason = PlaceTextInput(path, request.workFolder);
                    return;
                }
                const int start = progress ? RoundHalfEven(progress->Value()) : FileProgressPercent(i, n, false);
                reason = ConvertPdf(path, password, progress, start, n, context.yield, context.ui, place).reason;
            } catch (const Failure& failure) {
                reason = QStringLiteral("  - ") + failure.Description();
            }
        });
        steps(148, [&] {
            if (!reason.isEmpty()) {
                const UnreadableFile file{path, reason};
                summary.unreadable.append(file);
                observer.FileUnreadable(file);
            }
        });
    }

    if (observer.Abandoned()) {
        return summary;
    }
    steps(152, [&] {
        PassInputs inputs;
        inputs.mode = request.mode;
        inputs.ignoreCase = request.ignoreCase;
        summary.paths = request.rows();
        inputs.pdfPaths = summary.paths;
        inputs.labels = request.labels;
        inputs.stopRequested = [&observer] { return observer.StopRequested(); };
        inputs.progress = progress;
        inputs.results = context.results;
        inputs.yield = context.yield;
        inputs.ui = context.ui;
        inputs.workFolder = request.workFolder;
        summary.method = ChooseFrequencyMethod(request.databaseWanted, request.textWanted, request.providerAvailable);
        switch (summary.method) {
        case FrequencyMethodKind::Database:
            SortingDB(inputs);
            break;
        case FrequencyMethodKind::Text:
            SortingText(inputs);
            break;
        case FrequencyMethodKind::None:
            break;
        }
    });
    return summary;
}
