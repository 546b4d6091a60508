#include "CliInputs.h"

#include "analysis/Converter.h"
#include "analysis/CountingPass.h"
#include "analysis/TextFiles.h"
#include "app/ErrorReport.h"
#include "app/Helpers.h"
#include "filelist/FolderScan.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Copies a text input to where the pass looks for the text of `path`; the reason why not, or "".
QString PlaceTextInput(const QString& path) {
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
    QString target;
    try {
        target = TextFileOf(path);
    } catch (const Failure& failure) {
        return failure.Description();
    }
    DeleteFileQuiet(target);
    QFile source(path);
    if (!source.copy(target)) {
        return QStringLiteral("cannot be read: ") + source.errorString();
    }
    return QString();
}

} // namespace

PreparedInputs PrepareInputs(const CliOptions& options, ProgressSink* progress, Ui& ui) {
    PreparedInputs prepared;
    if (options.textInput) {
        for (const QString& path : options.paths) {
            const QString reason = PlaceTextInput(path);
            if (!reason.isEmpty()) {
                prepared.unreadable.append({path, reason});
                continue;
            }
            prepared.paths << path;
            prepared.labels << path;
        }
        return prepared;
    }
    QStringList pdfs;
    for (const QString& path : options.paths) {
        if (QFileInfo(path).isDir()) {
            pdfs << CollectFolderFiles(path, kPdfPattern, {}, ui);
        } else {
            pdfs << path;
        }
    }
    const int count = static_cast<int>(pdfs.size());
    for (int i = 0; i < count; ++i) {
        const QString& pdf = pdfs[i];
        if (progress) {
            progress->SetValue(FileProgressPercent(i + 1, count, false));
            progress->SetText(QStringLiteral("Analyze file ") + FileNameFromPath(pdf) + QStringLiteral("... "));
        }
        QString reason;
        try {
            const ExtractionOutcome outcome = ConvertForAnalysis(
                pdf, options.password, progress, FileProgressPercent(i + 1, count, false), count, {}, &ui);
            reason = OutcomeReason(outcome, !options.password.isEmpty());
        } catch (const Failure& failure) {
            reason = QStringLiteral("  - ") + failure.Description();
        }
        if (!reason.isEmpty()) {
            prepared.unreadable.append({pdf, reason});
        }
        prepared.paths << pdf;
        prepared.labels << FileLabel(pdf);
    }
    return prepared;
}
