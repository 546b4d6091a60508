#pragma once

#include "core/count/Pass.h"
#include "core/extract/Unreadable.h"
#include "core/results/ResultTable.h"

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
    LetterRule letters = LetterRule::Ascii;
    bool stopWords = false; // common words were left out (totals.stoppedWords of them)
    // The common words as the run recorded them: the list's name as given and the fingerprint of
    // its words (StopWordsFingerprint); both "" for results that do not say which list it was.
    QString stopList;
    QString stopFingerprint;
    WordOptions words; // "word_options": none in use when the results do not give it
    Totals totals;
    QList<QStringList> rows; // all files: {word, count}; per file: {file, word, count}
    QList<UnreadableFile> unreadable;
    QStringList errors; // the error reports of the run: its numbers may be incomplete
    // The file summary of a per-file run counted with --summary ("files"), in the order of its
    // files; hasFiles tells whether the results had one.
    QList<FileSummaryRow> files;
    bool hasFiles = false;
};

// "ascii" or "all", as the command line's --letters and the JSON export name the rule.
QString LetterRuleName(LetterRule letters);

// What identifies a list of common words for a merge: the SHA-256, in hexadecimal, of the keys
// under which the counting pass looks them up (StopWordKeys), sorted and joined by line breaks.
// Lists that leave out the same words have the same fingerprint, whatever their file or order.
QString StopWordsFingerprint(const QStringList& words, LetterRule letters);

// Reads a JSON export of the command line, of either layout: without "format" (counts as texts)
// or "format": 2 (counts as numbers, unreadable inputs with their kind). Results without "letters" were counted by the
// ASCII rule; results without "stop_words" and "stopped_words" with every word. Throws Failure saying what does not
// fit: a missing or malformed key, a row that is not a word of the letter rule with its positive count, an unreadable
// entry without path and reason.
RunResults ReadRunResults(const QByteArray& json);

// The results of one run over the files of all parts, in order: totals and counts added, the
// unreadable files, the file summaries (when every part has one) and the parts' error reports
// (each after its part's name) listed in order,
// and the rows
//  - per file: each part's blocks in order (each file belongs to one part);
//  - all files, text method: one row per word with the sum of its counts, ordered as the text
//    method orders its entries (count, then character codes);
//  - all files, database method: the rows whose words differ in letter case only (by the ASCII
//    rule, or by full case folding under the rule of all letters) joined into one, shown under
//    the binary-smallest spelling, ordered by count and then by the spelling with the ASCII
//    letters in lower case, as the database orders its groups.
// The line count of all files is one less than the lines of all texts together (the parts'
// counts plus one for every part that read a text with a character or a line break in it).
// Throws Failure naming the part when the parts were counted in another mode, by another
// method, with another letter-case setting, letter rule or list of common words than the first,
// when a file of a per-file part is also in an earlier part, and when a total or a count would
// exceed the largest count (2^63 - 1); names label the parts. The parts' rows are let go as
// they are merged (pass the parts with std::move to free their memory).
RunResults MergeRunResults(QList<RunResults> parts, const QStringList& names);
