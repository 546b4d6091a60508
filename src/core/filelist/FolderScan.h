#pragma once

#include "core/base/Yield.h"
#include "core/extract/Unreadable.h"

#include <QList>
#include <QString>
#include <QStringList>

class Ui;

// Finding the files of a folder tree: the folder button, dropped folders and the command line
// share these pieces.
//
// Order: a folder list holds the chosen folder first, then its sub-folders, then theirs, one
// depth level after the other. Within one parent, names come in alphabetical order ignoring
// letter case (names that differ only in case: exact code-point order), so a scan of the same
// tree always gives the same order whatever order the file system hands out.
//
// Folder list entries end in "/". Symbolic links to folders found below the chosen folder are
// neither listed nor entered, so a link loop cannot make a scan run away; the chosen folder
// itself may be a link.

inline const QString kPdfPattern = QStringLiteral("*.pdf");

// A folder of a scan whose files could not be listed, or a symbolic link among its files that
// leads nowhere, with the reason to show after its path ("  - the folder could not be opened:
// permission denied", "  - the link could not be followed: no such file or directory").
struct SkippedFolder {
    QString path; // without the "/" at its end (the root stays "/")
    QString reason;
    UnreadableKind kind = UnreadableKind::FolderUnreadable;
};

// Where a scan notes the folders it could not enter and the links it could not follow; nothing
// is noted without one.
using SkippedFolders = QList<SkippedFolder>;
inline const QString kAllFilesPattern = QStringLiteral("*.*");

// Extends the folder list in place by all sub-folders of its entries, level by level (every
// deeper level too when recurse is true). Entries must end in "/".
// Skipped sub-folders: names with unsafe characters (HasUnsafeChars: they cannot be spelled
// again to enter them), symbolic links. An entry whose folder cannot be read (permission
// denied, gone) is taken out of the list without a message. Anything unexpected is shown by
// the error report and the scan goes on. With `skipped`, every folder left out for its name
// and every entry that could not be listed (a folder gone meanwhile aside) is noted there with
// its reason.
void GetSubDirectories2016(QStringList& folders, bool recurse, const Yield& yield, Ui& ui,
                           SkippedFolders* skipped = nullptr);

// Names (without folder) of the files in one folder that match the pattern, letter case
// ignored, hidden files included, each one passing IsListedFile. "*.*" means every file,
// names without a dot too. Empty when the folder cannot be listed. Reports nothing.
QStringList ListFilesInFolder(const QString& folder, const QString& pattern);

// True for a regular file (a link to one is fine), readable or not, and for a name that is not
// valid UTF-8: the run names such files with their reason instead of their vanishing.
bool IsListedFile(const QString& path);

// True for an existing regular file (a link to one is fine) that can be opened for reading.
// False for folders, missing paths, devices, pipes, sockets. Never reports.
bool IsOpenableFile(const QString& path);

// True when the name holds a control character (code point below 32 or 127 to 159) or something that is not a faithful
// character (a lone surrogate or U+FFFD, which is what a name that is not valid UTF-8 turns into).
bool HasUnsafeChars(const QString& name);

// The folder list entry of a folder: the folder with one "/" at its end ("/" stays "/").
QString FolderEntry(const QString& folder);

// Every file of the folder and all its sub-folders that matches the pattern, as full paths in
// scan order: names starting with "~" and writable hidden files (a name starting with "." that
// is neither read-only nor a link) are left out. The folder button passes kPdfPattern, a
// dropped folder kAllFilesPattern. No duplicate test: collecting the same folder twice gives
// its files twice. Unexpected failures are shown through ui (error report) and the scan goes on.
// Folders that could not be entered, the chosen one included, and links among the files that
// lead nowhere are noted in `skipped`.
QStringList CollectFolderFiles(const QString& folder, const QString& pattern, const Yield& yield, Ui& ui,
                               SkippedFolders* skipped = nullptr);
