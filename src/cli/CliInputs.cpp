#include "CliInputs.h"

#include "analysis/TextFiles.h"
#include "app/ErrorReport.h"
#include "app/Helpers.h"

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

PreparedInputs PrepareInputs(const CliOptions& options) {
    PreparedInputs prepared;
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
