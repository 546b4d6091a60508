#pragma once

#include "core/count/Pass.h"
#include "core/extract/Ocr.h"

#include <QString>
#include <QStringList>

#include <optional>

enum class CliMethod { Db, Text };
enum class CliFormat { Tsv, Json, Text, Xlsx, Csv };

// What the command line asked for.
struct CliOptions {
    CountMode mode = CountMode::AllFiles;
    bool ignoreCase = true;
    CliMethod method = CliMethod::Db;
    CliFormat format = CliFormat::Tsv;
    QString output; // empty: standard output
    bool quiet = false;
    bool noCache = false;       // the store of converted texts neither read nor written
    bool summary = false;       // one row per file with its counts instead of the word rows
    bool stats = false;         // per million, range and dispersion columns beside each word's count
    bool textInput = false;     // every PATH is a UTF-8 text used in place of a converted PDF
    QString password;           // given to the converter for every PDF
    bool passwordStdin = false; // read the password from the first line of standard input
    int jobs = 0;               // converters at once; 0: one per processor
    LetterRule letters = LetterRule::Ascii;
    WordOptions words; // --segment, --compat-forms (both with --letters all) and --stem LANGUAGE
    QString stopWords; // a list of StopListNames or a file of common words to leave out; "": none
    OcrOptions ocr;    // --ocr[=LANGS], --ocr-lang LANGS: scanned PDFs read by OCR
    QStringList paths; // as given
};

struct ParsedArguments {
    std::optional<CliOptions> options;
    bool help = false;
    bool version = false;
    QString error; // one line, when neither options nor help
};

// Parses the arguments that follow the program name.
ParsedArguments ParseArguments(const QStringList& arguments);

// Reads an OCR option at arguments[i] (--ocr, --ocr=LANGS, or --ocr-lang LANGS, whose value it
// moves i past) into ocr: nothing when arguments[i] is no OCR option, else "" or why its value is
// not a list of OCR languages.
std::optional<QString> ParseOcrOption(const QStringList& arguments, qsizetype& i, OcrOptions& ocr);

QString UsageText();
// "lexitally-cli 0.2.0"
QString VersionText();

QString MethodName(CliMethod method);

// What "lexitally-cli merge" was asked: the JSON results to merge and where the merged results go.
struct MergeOptions {
    CliFormat format = CliFormat::Json;
    QString output; // empty: standard output
    QStringList inputs;
};

struct ParsedMergeArguments {
    std::optional<MergeOptions> options;
    bool help = false;
    QString error; // one line, when neither options nor help
};

// Parses the arguments that follow "merge".
ParsedMergeArguments ParseMergeArguments(const QStringList& arguments);

QString MergeUsageText();
