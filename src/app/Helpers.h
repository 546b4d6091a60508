#pragma once

#include "Yield.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Small stateless file, path and system helpers shared by the windows and the pipeline.
// Paths may use "/" or "\" as separators.

// True when the path names an existing file or folder; false on any failure.
bool FileExists(const QString& path);

// True when the path names a folder; false when not or when it cannot be examined.
bool IsFolder(const QString& path);

// Removes the extension of the last path component (from its last "."), unless that dot is
// the path's first character. A dot in a folder name is never cut.
QString StripExtension(const QString& path);

// Everything after the last separator; the whole path when it holds none.
QString FileNameFromPath(const QString& path);

// Collapses doubled separators in one left-to-right pass. A path that starts with "\" is a
// network path: its leading backslashes become exactly two.
QString NormalizeBackslashes(const QString& path);

// Deletes a file, or every file matching "*" and "?" in the last component. A failed delete is
// retried with the file made writable; a failure of the retry is ignored. Never reports.
void DeleteFileQuiet(const QString& path, const Yield& yield = {});

// Writes the bytes to a new file at path; an existing path is left untouched.
// Throws Failure when the file cannot be created or written.
void WriteBytesToFile(const QByteArray& bytes, const QString& path, const Yield& yield = {});

// The special folder by its number: 35 is the per-user data folder. "" for unknown numbers.
QString SpecialFolderPath(int folder);

// "64" or "32" for the processor architecture; "" when unknown.
QString ProcessorAddressWidth();
QString AddressWidthOfArchitecture(const QString& architecture);

// True when at least one entry equals text exactly (letter case counts).
bool ListContainsText(const QStringList& rows, const QString& text);

// Reversible scrambling of a text under a key, on the UTF-8 bytes of both: every byte is
// shifted by the key's byte at the same position (the key repeats), wrapping from 255 to 1.
// Throws Failure for an empty key.
QString ScrambleText(const QString& text, const QString& key, const Yield& yield = {});
QString UnscrambleText(const QString& scrambled, const QString& key, const Yield& yield = {});

// The application title: the product title with its last word dropped, repeated while longer
// than 40 characters. A title without any blank is used whole.
QString ShortenTitle(const QString& productTitle);
