#include "core/base/Places.h"

#include "core/base/ErrorReport.h"
#include "core/base/Files.h"
#include "core/base/System.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

QString TempFolder() {
    const QString temp = qEnvironmentVariable("TEMP");
    if (!temp.isEmpty()) {
        QDir().mkpath(temp);
        return temp;
    }
    const QString folder = QDir::tempPath() + QStringLiteral("/lexitally-") + QString::number(::getuid());
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        throw Failure(QStringLiteral("Cannot create the temporary folder ") + folder);
    }
    struct stat info {};
    FailIf(::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode),
           QStringLiteral("The temporary folder ") + folder + QStringLiteral(" is not a folder"));
    FailIf(info.st_uid != ::getuid(),
           QStringLiteral("The temporary folder ") + folder + QStringLiteral(" belongs to another user"));
    if ((info.st_mode & 0077) != 0) {
        FailIf(::chmod(native.constData(), 0700) != 0,
               QStringLiteral("The temporary folder ") + folder + QStringLiteral(" cannot be made private"));
    }
    return folder;
}

namespace {
bool HoldsAssets(const QString& folder) {
    return QFileInfo::exists(folder + QStringLiteral("/dbBlank.sqlite"));
}
} // namespace

QString AppFolder() {
    const QString fromEnv = qEnvironmentVariable("LEXITALLY_APP_DIR");
    if (!fromEnv.isEmpty()) {
        return fromEnv;
    }
    const QString exeFolder = QCoreApplication::applicationDirPath();
    if (HoldsAssets(exeFolder)) {
        return exeFolder;
    }
    return QDir::cleanPath(exeFolder + QStringLiteral("/../share/lexitally"));
}

QString DataFolderFirstLevel() {
    return SpecialFolderPath(35) + QStringLiteral("/Quorvant");
}

QString DataFolder() {
    return DataFolderFirstLevel() + QStringLiteral("/Lexitally");
}

QString WorkingDatabasePath() {
    return DataFolder() + QStringLiteral("/dbData.sqlite");
}

QString TemplateDatabasePath() {
    return AppFolder() + QStringLiteral("/dbBlank.sqlite");
}

QString ConverterPath() {
    return TempFolder() + QStringLiteral("/pdftotext");
}

QString CombinedTextPath(const QString& workFolder) {
    return (workFolder.isEmpty() ? TempFolder() : workFolder) + QStringLiteral("/temp_total.text");
}

QString HandCursorPath() {
    return AppFolder() + QStringLiteral("/HAND-M.CUR");
}

QString DragCursorPath() {
    return AppFolder() + QStringLiteral("/drag.ico");
}

QString SkinPath() {
    return AppFolder() + QStringLiteral("/x/o.cjs");
}

QString SampleFolder() {
    return AppFolder() + QStringLiteral("/Samples");
}

QString ConverterSource(const QString& addressWidth) {
    const QString fromEnv = qEnvironmentVariable("LEXITALLY_PDFTOTEXT");
    if (!fromEnv.isEmpty()) {
        return fromEnv;
    }
    const QString width = addressWidth == QStringLiteral("64") ? QStringLiteral("64") : QStringLiteral("32");
    const QString bundled = AppFolder() + QStringLiteral("/converter/") + width + QStringLiteral("/pdftotext");
    if (QFileInfo(bundled).isExecutable()) {
        return bundled;
    }
    return QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
}

void PlaceConverter(const QString& source, const QString& target) {
    if (FileExists(target)) {
        return;
    }
    FailIf(source.isEmpty(), QStringLiteral("File not found: pdftotext"));
    // A link left behind whose converter has gone is replaced; it would fail every conversion.
    if (QFileInfo(target).isSymLink()) {
        FailIf(!QFile::remove(target), QStringLiteral("Permission denied: ") + target);
    }
    if (QFile::link(source, target)) {
        return;
    }
    QFile from(source);
    const bool copied = from.copy(target);
    FailIf(!copied, from.errorString());
    QFile(target).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}
