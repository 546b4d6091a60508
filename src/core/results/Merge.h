#pragma once

#include "core/count/Pass.h"
#include "core/run/AnalysisRun.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Results of separate runs brought together, for corpora counted in parts (on several machines,
// or one part at a time): the JSON exports of the parts merge into what one run over all their
// files, in the order of the parts, would have given.

// What the JSON export of one run says.
struct RunResults {
    CountMode mode = CountMode::AllFiles;
    QString method; // "db" or "text"
    bool ignoreCase = true;
    bool stopWords = false; // common words were left out (totals.stoppedWords of them)
    Totals totals;
    QList<QStringList> rows; // all files: {word, count}; per file: {file, word, count}
    QList<UnreadableFile> unreadable;
};

// Reads a JSON export of the command line. Throws Failure saying what does not fit.
RunResults ReadRunResults(const QByteArray& json);

// The results of one run over the files of all parts, in order: totals and counts added, the
// unreadable files listed in order, and the rows
//  - per file: each part's blocks in order (each file belongs to one part);
//  - all files, text method: one row per word with the sum of its counts, ordered as the text
//    method orders its entries (count, then character codes);
//  - all files, database method: the rows whose words differ in letter case only joined into
//    one, shown under the binary-smallest spelling, ordered by count and then by the word with
//    letter case ignored, as the database orders its groups.
// The line count of all files is one less than the lines of all texts together (the parts'
// counts plus one for every part that read a text with a character or a line break in it).
// Throws Failure naming the part when the parts were counted in another mode, by another
// method or with another letter-case setting than the first; names label the parts.
RunResults MergeRunResults(const QList<RunResults>& parts, const QStringList& names);
