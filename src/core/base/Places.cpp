#include "core/base/Places.h"

#include "core/base/Environment.h"
#include "core/base/ErrorReport.h"
#include "core/base/Files.h"
#include "core/base/System.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Removes everything inside folder (links themselves, never what they point to). False when
// something stays.
bool EmptyFolder(const QString& folder) {
    const QDir dir(folder);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir() && !entry.isSymLink()) {
            QDir(entry.filePath()).removeRecursively();
        } else {
            ::unlink(QFile::encodeName(entry.filePath()).constData());
        }
    }
    return dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).isEmpty();
}

} // namespace

QString TempFolder() {
    // Ours alone: a folder of this user's inside $TEMP (when set) or the system's temporary
    // folder, never $TEMP itself, where other users or the user's own files may lie.
    QString base = CurrentEnvironment().temp;
    if (base.isEmpty()) {
        base = QDir::tempPath();
    } else {
        QDir().mkpath(base);
    }
    const QString folder = QDir(base).absoluteFilePath(QStringLiteral("lexitally-") + QString::number(::getuid()));
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        throw Failure(QStringLiteral("Cannot create the temporary folder ") + folder + QStringLiteral(": ") +
                      QString::fromLocal8Bit(std::strerror(errno)));
    }
    struct stat info {};
    FailIf(::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode),
           QStringLiteral("The temporary folder ") + folder +
               QStringLiteral(" is not a folder of its own (a link or a file has its name); remove it or set TEMP "
                              "to another folder"));
    FailIf(info.st_uid != ::getuid(), QStringLiteral("The temporary folder ") + folder +
                                          QStringLiteral(" belongs to another user; remove it or set TEMP to "
                                                         "another folder"));
    if ((info.st_mode & 0077) != 0) {
        FailIf(::chmod(native.constData(), 0700) != 0,
               QStringLiteral("The temporary folder ") + folder + QStringLiteral(" cannot be made private"));
        if ((info.st_mode & 0022) != 0 && !EmptyFolder(folder)) {
            // Others could write into it: whatever it holds may have been put there by someone
            // else (a converter, a text to be counted), so nothing of it is kept. What cannot be
            // removed makes the folder unusable; its mode is given back, so that it is refused
            // again until the user has removed it.
            ::chmod(native.constData(), info.st_mode & 07777);
            throw Failure(QStringLiteral("The temporary folder ") + folder +
                          QStringLiteral(" was open to other users and holds files that cannot be removed; remove it "
                                         "or set TEMP to another folder"));
        }
    }
    return folder;
}

std::unique_ptr<QTemporaryDir> NewWorkFolder(const QString& prefix) {
    auto folder = std::make_unique<QTemporaryDir>(TempFolder() + u'/' + prefix + u'-' +
                                                  QString::number(QCoreApplication::applicationPid()) +
                                                  QStringLiteral("-XXXXXX"));
    FailIf(!folder->isValid(), QStringLiteral("Cannot create a temporary folder: ") + folder->errorString());
    return folder;
}

void RemoveAbandonedWorkFolders() {
    try {
        static const QRegularExpression name(QStringLiteral("^[a-z]+-([0-9]+)-[A-Za-z0-9]{6}$"));
        const QDir temp(TempFolder());
        for (const QFileInfo& entry : temp.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks)) {
            const QRegularExpressionMatch match = name.match(entry.fileName());
            if (!match.hasMatch()) {
                continue;
            }
            const pid_t pid = static_cast<pid_t>(match.captured(1).toLongLong());
            if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH) {
                QDir(entry.filePath()).removeRecursively();
            }
        }
    } catch (const Failure&) {
        // Nothing to tidy when there is no temporary folder.
    }
}

namespace {
bool HoldsAssets(const QString& folder) {
    return QFileInfo::exists(folder + QStringLiteral("/dbBlank.sqlite"));
}
} // namespace

QString AppFolder() {
    const QString& fromEnv = CurrentEnvironment().appFolder;
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
    const QString& fromEnv = CurrentEnvironment().converter;
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
