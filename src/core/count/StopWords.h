#pragma once

#include <QString>
#include <QStringList>

// Lists of common words that may be left out of the word-frequency rows.

// The lists that come with the program: our own "english", "german", "french", "spanish", then
// the Snowball lists of "danish", "dutch", "finnish", "hungarian", "indonesian", "italian",
// "norwegian", "portuguese", "romanian", "russian" and "swedish" (written at build time).
QStringList StopListNames();

// The words of a list: one of StopListNames (from the application folder's stopwords/ folder)
// or else the path of a UTF-8 text with one word a line (lines end at LF, CR LF or CR). Blank
// lines and lines that begin with "#" are skipped. Throws Failure naming the file when it cannot
// be read.
QStringList ReadStopWords(const QString& nameOrPath);
