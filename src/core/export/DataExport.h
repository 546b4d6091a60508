#pragma once

#include "core/count/Pass.h"
#include "core/results/ResultTable.h"

#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;
class ResultTable;
struct UnreadableFile;

// Exports for scripts: every row of the table, ticked or not.

// A cell as a TSV line holds it: a backslash, TAB, LF and CR become "\\", "\t", "\n" and "\r"
// (the escapes that tools for linear TSV read), so that no cell breaks its row.
QString TsvCell(const QString& cell);

// Header line, then one line per row; cells (escaped by TsvCell) joined by TAB, lines ended by LF.
void WriteTsv(const ResultTable& table, QIODevice& out, bool header = true);

// Comma-separated values by RFC 4180, for spreadsheets and scripts: the header line, then one
// line per ticked row (in the given order of table rows, or in table order), lines ended by
// CR LF, UTF-8 without byte-order mark. Counts are written bare; every other cell, the headers
// too, between double quotes, a double quote inside doubled.
void WriteCsv(const ResultTable& table, QIODevice& out, const QList<int>* order = nullptr, bool header = true);

// What a JSON export says about the run besides its results.
struct JsonRunFacts {
    CountMode mode = CountMode::AllFiles;
    QString method; // "db" or "text"
    bool ignoreCase = true;
    QStringList errors;     // the texts of the error reports shown during the run
    bool stopWords = false; // common words were left out: "stopped_words" tells how many
    LetterRule letters = LetterRule::Ascii;
    // Which common words were left out: the list as given and the fingerprint of its words
    // (StopWordsFingerprint); "stop_words" records them when the fingerprint is set.
    QString stopList;
    QString stopFingerprint;
    // Dictionary words, compatibility forms, word forms: "word_options" records those in use
    // (the key is left out when none is).
    WordOptions words;
};

// The columns of a file summary: "File", "Pages", "Words", "Lines", "Characters with spaces",
// "Characters without spaces", "Distinct words", "Reason".
QStringList FileSummaryHeaders();

// The file summary as a table (its totals those given), for the TSV, CSV, text and workbook
// exports: one row per file, the counts empty for a file that gave no text. A file read by OCR
// says so in its reason column (kOcrNote). With profiles, AddProfileColumns follows.
void FillFileSummary(ResultTable& table, const QList<FileSummaryRow>& files, const Totals& totals,
                     bool profiles = true);
// When a row of the file summary in table carries a lexical profile: the columns of
// ProfileHeaders after the table's last, filled for the counted rows with one.
void AddProfileColumns(ResultTable& table, const QList<FileSummaryRow>& files);

// What the reason column of a file summary says of a file whose text was read by OCR.
inline constexpr char kOcrNote[] = "read by OCR";

// The version of the JSON export's layout, its "format" key: 2 gives counts as numbers and each
// unreadable input's kind. Results without the key are of the first layout (counts as texts).
inline constexpr int kJsonFormat = 2;

// One JSON object with format, mode, method, ignore_case, letters ("ascii" or "all"), totals,
// stopped_words and stop_words ({"list", "sha256"}) when common words were left out, columns,
// rows (counts as numbers), the unreadable inputs with their reasons and kinds and the errors,
// followed by LF. Every setting that changes the rows is recorded, so that results counted
// differently can be told apart.
// With files, "files" follows the rows: one object per file with path, pages, words, lines,
// chars_with_spaces, chars_without_spaces, distinct_words (and stopped_words when common words
// were left out), its lexical profile when it has one (types, ttr, sttr, mattr, mtld,
// mean_word_length: numbers, null when empty), "ocr": true when its text was read by OCR and,
// when it has one, reason; or path and reason. Without rows, columns and rows
// are left out.
// True for the columns whose cells are numbers in JSON (counts, pages, per-million values, DP,
// the lexical profile's measures).
bool IsNumberColumn(const QString& header);
// True when the text is a decimal number as JSON writes one ("12", "-0.50"; no "+", no exponent).
bool IsJsonNumber(QStringView text);

void WriteJson(const ResultTable& table, const JsonRunFacts& facts, const QList<UnreadableFile>& unreadable,
               QIODevice& out, const QList<FileSummaryRow>* files = nullptr, bool rows = true);
