#include "core/filelist/FolderScan.h"

#include "core/base/ErrorReport.h"
#include "core/base/Files.h"
#include "core/base/Paths.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Listing { Done, Denied, Missing, Failed };

// The folder of a list entry, as the user would name it.
QString EntryFolder(const QString& entry) {
    return entry.size() > 1 && entry.endsWith(u'/') ? entry.chopped(1) : entry;
}

void Note(SkippedFolders* skipped, const QString& entry, const QString& reason,
          UnreadableKind kind = UnreadableKind::FolderUnreadable) {
    if (skipped) {
        skipped->append({EntryFolder(entry), QStringLiteral("  - ") + reason, kind});
    }
}

// The system's description of an error number, as the reasons spell it ("permission denied").
QString SystemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error)).toLower();
}

QByteArray Native(const QString& path) {
    return FileNameBytes(path);
}

// Alphabetical ignoring letter case; names equal but for case in code-point order.
void SortNames(QStringList& names) {
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
}

// Tries to open the folder for listing; the answer tells why it cannot be listed (and `error`
// the system's error number).
Listing ProbeFolder(const QString& entry, int& error) {
    DIR* dir = ::opendir(Native(entry).constData());
    if (dir == nullptr) {
        error = errno;
        switch (error) {
        case EACCES:
        case EPERM:
            return Listing::Denied;
        case ENOENT:
        case ENOTDIR:
            return Listing::Missing;
        default:
            return Listing::Failed;
        }
    }
    ::closedir(dir);
    // Names that can be read but not entered (no search permission) would give no file.
    if (::access(Native(entry).constData(), X_OK) != 0) {
        error = errno;
        return error == EACCES ? Listing::Denied : Listing::Failed;
    }
    return Listing::Done;
}

// Names of the sub-folders (no links) of the folder that are not valid UTF-8, which the
// directory listing of Qt leaves out.
QStringList UndecodableFolders(const QString& folder) {
    QStringList names;
    DIR* dir = ::opendir(Native(folder).constData());
    if (!dir) {
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray raw(entry->d_name);
        const QString name = DecodeFileName(raw);
        struct stat info {};
        if (HasUndecodedBytes(name) && ::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISDIR(info.st_mode)) {
            names << name;
        }
    }
    ::closedir(dir);
    return names;
}

// Appends entry + name + "/" to found for every acceptable sub-folder of entry.
Listing ListSubFolders(const QString& entry, QStringList& found, const Yield& yield, SkippedFolders* skipped) {
    int error = 0;
    const Listing probe = ProbeFolder(entry, error);
    if (probe != Listing::Done) {
        // A folder that is gone held nothing to count; one that cannot be opened may have.
        if (probe != Listing::Missing) {
            Note(skipped, entry, QStringLiteral("the folder could not be opened: ") + SystemReason(error));
        }
        return probe;
    }
    QStringList names = QDir(entry).entryList(
        QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System | QDir::NoSymLinks, QDir::Unsorted);
    if (skipped) {
        names += UndecodableFolders(entry);
    }
    SortNames(names);
    for (const QString& name : names) {
        YieldNow(yield);
        // A folder whose name cannot be spelled again cannot be entered.
        if (name == QStringLiteral(".") || name == QStringLiteral("..")) {
            continue;
        }
        if (HasUnsafeChars(name)) {
            Note(skipped, entry + name,
                 QStringLiteral("the folder was not searched: its name holds a control character or is not "
                                "valid UTF-8"));
            continue;
        }
        found << entry + name + u'/';
    }
    return Listing::Done;
}

// Lists the sub-folders of every entry of one level. Entries that cannot be read for want of
// permission or because they are gone leave the level.
QStringList ListLevel(QStringList& level, const Yield& yield, SkippedFolders* skipped) {
    QStringList found;
    const QStringList entries = level;
    for (const QString& entry : entries) {
        if (!IsFolder(entry)) {
            continue;
        }
        YieldNow(yield);
        const Listing result = ListSubFolders(entry, found, yield, skipped);
        if (result == Listing::Denied || result == Listing::Missing) {
            level.removeOne(entry);
        }
    }
    return found;
}

// The user's write permission as the mode bits mark it (the counterpart of a read-only flag:
// a marking, which the super-user sees as well, rather than what access() would allow).
bool MarkedWritable(const struct stat& info) {
    if (info.st_uid == ::geteuid()) {
        return (info.st_mode & S_IWUSR) != 0;
    }
    bool inGroup = info.st_gid == ::getegid();
    if (!inGroup) {
        const int count = ::getgroups(0, nullptr);
        if (count > 0) {
            std::vector<gid_t> groups(static_cast<size_t>(count));
            const int got = ::getgroups(count, groups.data());
            inGroup = got > 0 && std::find(groups.begin(), groups.begin() + got, info.st_gid) != groups.begin() + got;
        }
    }
    return (info.st_mode & (inGroup ? S_IWGRP : S_IWOTH)) != 0;
}

// A file whose only marks are "hidden" and "archive": a dot-file that is writable and no link.
bool IsWritableHiddenFile(const QString& path, const QString& name) {
    if (!name.startsWith(u'.')) {
        return false;
    }
    struct stat info {};
    if (::lstat(Native(path).constData(), &info) != 0 || S_ISLNK(info.st_mode)) {
        return false;
    }
    return MarkedWritable(info);
}

bool SameFile(const QString& a, const QString& b) {
    if (a == b) {
        return true;
    }
    struct stat first {};
    struct stat second {};
    return ::stat(Native(a).constData(), &first) == 0 && ::stat(Native(b).constData(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// Names of the regular files of the folder that are not valid UTF-8 and match the pattern ("*.*" or "*.ext", letter
// case ignored). The directory listing of Qt leaves them out; they are listed here so that the
// run can name them instead of their vanishing without a word.
QStringList UndecodableNames(const QString& folder, const QString& pattern) {
    QStringList names;
    DIR* dir = ::opendir(Native(folder).constData());
    if (!dir) {
        return names;
    }
    const QByteArray suffix = pattern == kAllFilesPattern ? QByteArray() : pattern.mid(1).toUtf8().toLower();
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray raw(entry->d_name);
        const QString name = DecodeFileName(raw);
        struct stat info {};
        if (HasUndecodedBytes(name) && raw.toLower().endsWith(suffix) &&
            ::fstatat(::dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode)) {
            names << name;
        }
    }
    ::closedir(dir);
    return names;
}

// Names (without folder) of the entries of one folder that match the pattern, sorted: files,
// links (to nothing, too), devices, names that are not valid UTF-8.
QStringList MatchingNames(const QString& folder, const QString& pattern) {
    const QString base = folder.endsWith(u'/') ? folder : folder + u'/';
    // "*.*" takes every file, as it always has on the desktop, names without a dot included.
    const QString filter = pattern == kAllFilesPattern ? QStringLiteral("*") : pattern;
    // Name filters match without regard to letter case unless QDir::CaseSensitive is given.
    // System takes in links that lead nowhere and entries the file system cannot describe by
    // their decoded name (names that are not valid UTF-8).
    QStringList names = QDir(base).entryList({filter}, QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot,
                                             QDir::Unsorted);
    names += UndecodableNames(base, pattern);
    SortNames(names);
    return names;
}

// Notes a symbolic link whose target cannot be reached (gone, a loop, a folder that cannot be
// searched) with the system's reason: it would otherwise vanish from the scan without a word.
void NoteBrokenLink(SkippedFolders* skipped, const QString& path) {
    const QByteArray native = Native(path);
    struct stat info {};
    if (skipped == nullptr || ::lstat(native.constData(), &info) != 0 || !S_ISLNK(info.st_mode) ||
        ::stat(native.constData(), &info) == 0) {
        return;
    }
    const int error = errno;
    Note(skipped, path, QStringLiteral("the link could not be followed: ") + SystemReason(error),
         error == EACCES ? UnreadableKind::PermissionDenied : UnreadableKind::NotFound);
}

} // namespace

bool HasUnsafeChars(const QString& name) {
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (c < 32 || (c >= 127 && c <= 159) || c == 0xFFFD) {
            return true;
        }
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 >= name.size() || !QChar::isLowSurrogate(name[i + 1].unicode())) {
                return true;
            }
            ++i;
        } else if (QChar::isLowSurrogate(c)) {
            return true;
        }
    }
    return false;
}

bool IsOpenableFile(const QString& path) {
    if (path.isEmpty() || path.contains(QChar(u'\0'))) {
        return false;
    }
    const QByteArray native = Native(path);
    struct stat info {};
    // Only regular files are opened: opening a device or a pipe could block or have effects.
    if (::stat(native.constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return regular;
}

bool IsListedFile(const QString& path) {
    if (HasUnsafeChars(FileNameFromPath(path))) {
        return true; // named with its reason by the run, never dropped silently
    }
    struct stat info {};
    return !path.isEmpty() && ::stat(Native(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

QStringList ListFilesInFolder(const QString& folder, const QString& pattern) {
    const QString base = folder.endsWith(u'/') ? folder : folder + u'/';
    QStringList files;
    for (const QString& name : MatchingNames(base, pattern)) {
        if (IsListedFile(base + name)) {
            files << name;
        }
    }
    return files;
}

QString FolderEntry(const QString& folder) {
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

void GetSubDirectories2016(QStringList& folders, bool recurse, const Yield& yield, Ui& ui, SkippedFolders* skipped) {
    ErrorReport steps(ui, QString::fromLatin1(Source::GetSubDirectories));
    QStringList found;
    steps(100, [&] { found = ListLevel(folders, yield, skipped); });
    if (recurse) {
        steps(102, [&] {
            // Level after level until a level has no sub-folders; each level keeps only the
            // entries that could be listed.
            QStringList deeper;
            QStringList level = found;
            while (!level.isEmpty()) {
                QStringList next = ListLevel(level, yield, skipped);
                deeper += level;
                level = std::move(next);
            }
            found = std::move(deeper);
        });
    }
    steps(104, [&] {
        for (const QString& entry : std::as_const(found)) {
            YieldNow(yield);
            // Links were left out while listing, so the folder test is all that remains.
            if (IsFolder(entry)) {
                folders << entry;
            }
        }
    });
}

QStringList CollectFolderFiles(const QString& folder, const QString& pattern, const Yield& yield, Ui& ui,
                               SkippedFolders* skipped) {
    if (folder.isEmpty()) {
        return {};
    }
    QStringList folders{FolderEntry(folder)};
    GetSubDirectories2016(folders, true, yield, ui, skipped);
    QStringList paths;
    for (const QString& entry : std::as_const(folders)) {
        YieldNow(yield);
        // "/" lists as "" so that its files read "/name".
        const QString base = entry.chopped(1);
        for (const QString& name : MatchingNames(base, pattern)) {
            if (name.startsWith(u'~')) {
                continue;
            }
            const QString path = base + u'/' + name;
            if (!IsListedFile(path)) {
                NoteBrokenLink(skipped, path);
                continue;
            }
            if (IsWritableHiddenFile(path, name)) {
                continue;
            }
            // A name may hold doubled backslashes, which are part of the name on this system:
            // the tidied path is taken only while it still names the same file.
            const QString normalized = NormalizeBackslashes(path);
            paths << (SameFile(normalized, path) ? normalized : path);
        }
    }
    return paths;
}
