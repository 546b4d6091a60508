#pragma once

#include "core/base/Progress.h"
#include "core/base/Yield.h"
#include "core/extract/TextFiles.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

class Ui;

// The word-frequency method that builds the table.
enum class FrequencyMethodKind { None, Database, Text };

// One count for all files together, or one per file.
enum class CountMode { None, AllFiles, PerFile };

// Which characters make a word. Ascii: the 52 letters A-Z and a-z of a blank-separated token,
// joined. AllLanguages: every maximal run of Unicode letters and combining marks of the token,
// after NFC normalisation, apostrophes and hyphens left out; ignoring letter case folds fully.
enum class LetterRule { Ascii, AllLanguages };

// Where a word stands in its token, as byte offsets: from its first letter (or the mark it
// begins with) to the end of its last character. Punctuation around it is outside.
struct WordSpan {
    qsizetype begin = 0;
    qsizetype end = 0;
};

// How words are found and grouped beyond the letter rule. Everything is off by default, and then
// words are exactly what the letter rule alone gives.
struct WordOptions {
    // LetterRule::AllLanguages only: compatibility forms (Arabic and Hebrew presentation forms,
    // full-width Latin, ligatures, ...) are read as their normal letters: NFKC in place of NFC,
    // and NFKC_Casefold when letter case is ignored.
    bool compatibility = false;
    // LetterRule::AllLanguages only: a run of letters is cut into words where ICU's word break
    // iterator sees a boundary, which finds dictionary words in Chinese, Japanese, Thai, Lao,
    // Khmer and Burmese. Languages that put blanks between words give the same words as without.
    bool segment = false;
    // A Snowball stemmer's language (StemLanguages()): the spellings with one stem are one row,
    // shown by their most frequent spelling with the count of all. "": every spelling is a row.
    QString stemLanguage;

    bool operator==(const WordOptions&) const = default;
};

// The four totals of a counting pass; they always cover every file of the pass.
struct Totals {
    qint64 words = 0;
    qint64 lines = 0;
    qint64 charsWithSpaces = 0;
    qint64 charsWithoutSpaces = 0;
    // Words left out of the rows as common words; they are counted in words all the same.
    qint64 stoppedWords = 0;
};

// What a counting pass found in one file of per-file mode.
struct FileTotals {
    qsizetype index = 0; // in the pass's file list
    Totals totals;
    // The form feeds of its text: the converter ends every page with one.
    qint64 pages = 0;
};

// One row of the word-frequency table: the file's label (per-file mode; empty for all files),
// the word and the number of its occurrences.
struct WordRow {
    WordRow(QString rowLabel, QString rowWord, qint64 rowCount)
        : label(std::move(rowLabel)), word(std::move(rowWord)), count(rowCount) {}
    QString label;
    QString word;
    qint64 count = 0;
};

// Where a counting pass delivers its results.
class ResultSink {
public:
    virtual ~ResultSink() = default;
    // Rows only ever append.
    virtual void AddRow(const WordRow& row) = 0;
    // Per-file mode: a file's counts, once its rows have been added.
    virtual void FileCounted(const FileTotals& /*file*/) {}
    // The four totals, set once when the pass ends.
    virtual void SetTotals(const Totals& totals) = 0;
};

// Everything a counting pass reads and writes, so that windows, command line and tests
// drive the same code.
struct PassInputs {
    CountMode mode = CountMode::AllFiles;
    std::function<bool()> ignoreCase;    // queried for every token
    QList<ConvertedText> texts;          // the file list, in order, with the texts to count
    std::function<bool()> stopRequested; // read after every line (and by the sort)
    ProgressSink* progress = nullptr;    // the main window's progress bar
    ResultSink* results = nullptr;       // the results list and its count labels
    Yield yield;
    Ui* ui = nullptr;   // error reports; none are shown without one
    QString workFolder; // where the combined text lies ("" = temporary folder)
    LetterRule letters = LetterRule::Ascii;
    // Common words left out of the rows (not of the word count), as StopWordKeys gives them for
    // the letter rule above: folded, UTF-8. Empty: every word has its row.
    QSet<QByteArray> stopWords;
    WordOptions words;
    // The texts stay where they are once counted (for the statistics), else each is deleted.
    bool keepTexts = false;
};
