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

// A file name's bytes as text without loss: UTF-8 where they are valid; every other byte b
// becomes the lone surrogate U+DC00+b (as Python spells undecodable names), so two names
// never read alike and FileNameBytes gives the bytes back. Shown, such a character is U+FFFD.
QString DecodeFileName(const QByteArray& bytes);
QByteArray FileNameBytes(const QString& name);
bool HasUndecodedBytes(const QString& name);
QString ShownFileName(const QString& name);
