#pragma once

#include "core/base/Yield.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Small file helpers that never ask the user anything.

// True when the path names an existing file or folder; false on any failure.
bool FileExists(const QString& path);

// True when the path names a folder; false when not or when it cannot be examined.
bool IsFolder(const QString& path);

// Deletes a file, or every file matching "*" and "?" in the last component. A failed delete is
// retried with the file made writable; a failure of the retry is ignored. Never reports.
void DeleteFileQuiet(const QString& path, const Yield& yield = {});

// Writes the bytes to a new file at path; an existing path is left untouched.
// Throws Failure when the file cannot be created or written.
void WriteBytesToFile(const QByteArray& bytes, const QString& path, const Yield& yield = {});
