#pragma once

#include "cli/OptionTable.h"
#include "core/count/Pass.h"
#include "core/extract/Ocr.h"

#include <QString>
#include <QStringList>

#include <optional>

enum class CliMethod { Db, Text };
enum class CliFormat { Tsv, Json, Text, Xlsx, Csv, Svg };

// What the command line asked for, for any command (options that a command does not take keep
// their defaults).
struct CliOptions {
    CommandBit command = kRunCommand;
    CountMode mode = CountMode::AllFiles;
    bool ignoreCase = true;
    CliMethod method = CliMethod::Db;
    CliFormat format = CliFormat::Tsv; // merge: Json
    QString output;                    // empty: standard output
    bool quiet = false;
    bool noCache = false;       // the store of converted texts neither read nor written
    bool summary = false;       // one row per file with its counts instead of the word rows
    bool profile = false;       // the summary with each file's lexical profile
    bool stats = false;         // per million, range and dispersion columns beside each word's count
    bool textInput = false;     // every PATH is a UTF-8 text used in place of a converted PDF
    QString password;           // given to the converter for every PDF
    bool passwordStdin = false; // read the password from the first line of standard input
    int jobs = 0;               // converters at once; 0: one per processor
    LetterRule letters = LetterRule::Ascii;
    WordOptions words; // --segment, --compat-forms (both with --letters all) and --stem LANGUAGE
    QString stopWords; // a list of StopListNames or a file of common words to leave out; "": none
    OcrOptions ocr;    // --ocr[=LANGS], --ocr-lang LANGS: scanned PDFs read by OCR
    QString word;      // concordance: the word looked for
    int context = 40;  // concordance: characters on each side
    int length = 2;    // phrases: words per phrase
    qint64 minCount = 1;
    bool mostFirst = false;
    qint64 top = 0;             // only the most frequent rows; 0: all
    bool noHeader = false;      // tsv and csv without their header line
    bool totals = false;        // a total row after the rows (of each file)
    QString filesFrom;          // a file of more PATHs ("-": standard input)
    bool nullSeparated = false; // its names end with NUL, not with a line end
    bool clear = false;         // cache: empty the store
    QString reference;          // keywords: the reference corpus
    bool negative = false;      // keywords: the words rarer in the PATHs
    QString sort;               // keywords, collocates: the measure ("" for the default)
    int left = 5;               // collocates: words before WORD in the span
    int right = 5;              // collocates: words after it
    QStringList paths;          // as given (merge: the RESULTS.json)
};

struct ParsedArguments {
    std::optional<CliOptions> options;
    bool help = false;
    bool version = false;
    QString error; // one line, when neither options nor help
};

// Parses the arguments that follow the command's name (the program's name for a run) by the
// option table.
ParsedArguments ParseCommandArguments(CommandBit command, const QStringList& arguments);
// The same for a run.
ParsedArguments ParseArguments(const QStringList& arguments);

// The formats the command writes, as its message names them.
QString FormatNames(CommandBit command);

QString UsageText();
// "lexitally-cli 0.2.0"
QString VersionText();

QString MethodName(CliMethod method);

QString MergeUsageText();
