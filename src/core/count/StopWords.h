#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Lists of common words that may be left out of the word-frequency rows.

// The lists that come with the program: our own "english", "german", "french", "spanish", then
// the Snowball lists of "danish", "dutch", "finnish", "hungarian", "indonesian", "italian",
// "norwegian", "portuguese", "romanian", "russian" and "swedish" (written at build time).
QStringList StopListNames();

// The largest list of common words read, in bytes: a longer one (or an endless device) is refused.
inline constexpr qint64 kStopWordsLimit = 8LL << 20;

// The file of a list: one of StopListNames (from the application folder's stopwords/ folder), or
// else the path given.
QString StopWordsPath(const QString& nameOrPath);

// The words of a list's text, UTF-8 with one word a line (lines end at LF, CR LF or CR). Blank
// lines and lines that begin with "#" are skipped.
QStringList StopWordsOf(const QByteArray& text);

// The words of the list named or of the file at the path (see StopWordsPath, StopWordsOf).
// Throws Failure naming the file when it cannot be read or is longer than kStopWordsLimit.
QStringList ReadStopWords(const QString& nameOrPath);
