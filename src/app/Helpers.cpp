#include "Helpers.h"

#include "ErrorReport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>

namespace {

bool IsSeparator(QChar c) {
    return c == u'/' || c == u'\\';
}

int LastSeparator(const QString& path) {
    return std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
}

// One left-to-right pass: every pair of equal separators becomes one.
QString CollapseDoubledSeparators(QStringView path) {
    QString out;
    out.reserve(path.size());
    for (qsizetype i = 0; i < path.size();) {
        const QChar c = path[i];
        out += c;
        if (IsSeparator(c) && i + 1 < path.size() && path[i + 1] == c) {
            i += 2;
        } else {
            ++i;
        }
    }
    return out;
}

QByteArray Shift(const QByteArray& bytes, const QByteArray& key, bool forward, const Yield& yield) {
    FailIf(key.isEmpty(), QStringLiteral("Invalid procedure call or argument"));
    QByteArray out(bytes.size(), '\0');
    qsizetype k = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        YieldNow(yield);
        const int c = static_cast<unsigned char>(bytes[i]);
        const int d = static_cast<unsigned char>(key[k]);
        k = (k + 1) % key.size();
        int v = forward ? c + d : c - d;
        if (forward && v >= 256) {
            v -= 255;
        } else if (!forward && v <= 0) {
            v += 255;
        }
        out[i] = static_cast<char>(v);
    }
    return out;
}

} // namespace

bool FileExists(const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    return QFileInfo(path).lastModified().isValid() && QFileInfo::exists(path);
}

bool IsFolder(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

QString StripExtension(const QString& path) {
    if (path.isEmpty()) {
        return path;
    }
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot >= 1 && dot > LastSeparator(path)) {
        return path.left(dot);
    }
    return path;
}

QString FileNameFromPath(const QString& path) {
    return path.mid(LastSeparator(path) + 1);
}

QString NormalizeBackslashes(const QString& path) {
    if (!path.startsWith(u'\\')) {
        return CollapseDoubledSeparators(path);
    }
    qsizetype first = 1;
    while (first < path.size() && path[first] == u'\\') {
        ++first;
    }
    return QStringLiteral("\\\\") + CollapseDoubledSeparators(QStringView(path).mid(first));
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

QString SpecialFolderPath(int folder) {
    if (folder != 35) {
        return {};
    }
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).trimmed();
    // Callers take this folder as existing, but a fresh account may not have it yet.
    if (!path.isEmpty() && !QFileInfo::exists(path) && QDir().mkpath(path)) {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    return path;
}

QString AddressWidthOfArchitecture(const QString& architecture) {
    static const QStringList wide = {
        QStringLiteral("x86_64"),  QStringLiteral("arm64"),   QStringLiteral("ia64"),    QStringLiteral("mips64"),
        QStringLiteral("power64"), QStringLiteral("riscv64"), QStringLiteral("sparcv9"), QStringLiteral("loongarch64"),
        QStringLiteral("s390x"),   QStringLiteral("alpha")};
    static const QStringList narrow = {
        QStringLiteral("i386"),  QStringLiteral("arm"),     QStringLiteral("mips"),  QStringLiteral("power"),
        QStringLiteral("sparc"), QStringLiteral("riscv32"), QStringLiteral("wasm"),  QStringLiteral("loongarch32"),
        QStringLiteral("s390"),  QStringLiteral("sh"),      QStringLiteral("avr32"), QStringLiteral("bfin")};
    if (wide.contains(architecture)) {
        return QStringLiteral("64");
    }
    if (narrow.contains(architecture)) {
        return QStringLiteral("32");
    }
    return {};
}

QString ProcessorAddressWidth() {
    return AddressWidthOfArchitecture(QSysInfo::currentCpuArchitecture());
}

bool ListContainsText(const QStringList& rows, const QString& text) {
    bool found = false;
    for (const QString& row : rows) {
        if (row == text) {
            found = true;
        }
    }
    return found;
}

QString ScrambleText(const QString& text, const QString& key, const Yield& yield) {
    return QString::fromLatin1(Shift(text.toUtf8(), key.toUtf8(), true, yield));
}

QString UnscrambleText(const QString& scrambled, const QString& key, const Yield& yield) {
    return QString::fromUtf8(Shift(scrambled.toLatin1(), key.toUtf8(), false, yield));
}

QString ShortenTitle(const QString& productTitle) {
    QString title = productTitle;
    if (!title.contains(u' ')) {
        return title;
    }
    do {
        title.truncate(title.lastIndexOf(u' '));
    } while (title.size() > 40 && title.contains(u' '));
    return title;
}
