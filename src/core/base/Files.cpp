#include "core/base/Files.h"

#include "core/base/ErrorReport.h"
#include "core/base/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool FileExists(const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    return QFileInfo(path).lastModified().isValid() && QFileInfo::exists(path);
}

bool IsFolder(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

void DeleteFileQuiet(const QString& path, const Yield& yield) {
    YieldNow(yield);
    if (path.isEmpty()) {
        return;
    }
    QStringList targets;
    const QString name = FileNameFromPath(path);
    if (name.contains(u'*') || name.contains(u'?')) {
        const QString folder = path.left(path.size() - name.size());
        QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
        for (const QString& match : dir.entryList({name}, QDir::Files | QDir::Hidden | QDir::System)) {
            targets << dir.filePath(match);
        }
    } else {
        targets << path;
    }
    for (const QString& target : targets) {
        if (QFile::remove(target)) {
            continue;
        }
        // Retry with the file made writable. Links and folders are left alone (changing their
        // permissions would change another file's), and a file that still cannot be removed
        // gets its permissions back.
        const QFileInfo info(target);
        if (info.isSymLink() || !info.isFile()) {
            continue;
        }
        QFile file(target);
        const QFileDevice::Permissions before = file.permissions();
        file.setPermissions(before | QFileDevice::WriteOwner | QFileDevice::WriteUser);
        if (!file.remove()) {
            file.setPermissions(before);
        }
    }
}

void WriteBytesToFile(const QByteArray& bytes, const QString& path, const Yield& yield) {
    YieldNow(yield);
    if (FileExists(path)) {
        return;
    }
    QFile file(path);
    const bool opened = file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
    FailIf(!opened, file.errorString());
    const bool written = file.write(bytes) == bytes.size();
    FailIf(!written, file.errorString());
    file.close();
}
