#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Path texts: pieces of a path, taken apart without asking the file system.
// Paths may use "/" or "\\" as separators.

// Removes the extension of the last path component (from its last "."), unless that dot is
// the path's first character. A dot in a folder name is never cut.
QString StripExtension(const QString& path);

// Everything after the last separator; the whole path when it holds none.
QString FileNameFromPath(const QString& path);

// Collapses doubled separators in one left-to-right pass. A path that starts with "\" is a
// network path: its leading backslashes become exactly two.
QString NormalizeBackslashes(const QString& path);

// True when at least one entry equals text exactly (letter case counts).
bool ListContainsText(const QStringList& rows, const QString& text);
