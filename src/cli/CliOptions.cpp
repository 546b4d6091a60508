#include "cli/CliOptions.h"

#include "core/count/StopWords.h"
#include "core/count/WordForms.h"

namespace {

// True for a short option ("-j") given with its value attached ("-j2").
bool Attached(const QString& argument, const QString& name) {
    return name.size() == 2 && argument.size() > 2 && argument.startsWith(name);
}

// The value of an option given as "--name value", "--name=value", "-n value" or "-nvalue";
// advances i past it.
std::optional<QString> OptionValue(const QStringList& arguments, qsizetype& i, const QString& name) {
    const QString& argument = arguments[i];
    if (Attached(argument, name)) {
        return argument.mid(2);
    }
    if (argument.size() > name.size() && argument.startsWith(name) && argument[name.size()] == u'=') {
        return argument.mid(name.size() + 1);
    }
    if (i + 1 >= arguments.size()) {
        return std::nullopt;
    }
    return arguments[++i];
}

// True when the argument gives the option of that short or long name, with its value or without.
bool Gives(const QString& argument, const QString& shortName, const QString& longName) {
    return argument == shortName || Attached(argument, shortName) || argument == longName ||
           argument.startsWith(longName + u'=');
}

// The value of the option of that short or long name; advances i past it.
std::optional<QString> ValueOf(const QStringList& arguments, qsizetype& i, const QString& shortName,
                               const QString& longName) {
    return arguments[i].startsWith(QStringLiteral("--")) ? OptionValue(arguments, i, longName)
                                                         : OptionValue(arguments, i, shortName);
}

// The file named by "-o FILE", "-oFILE", "--output FILE" or "--output=FILE"; advances i past it.
std::optional<QString> OutputValue(const QStringList& arguments, qsizetype& i) {
    return ValueOf(arguments, i, QStringLiteral("-o"), QStringLiteral("--output"));
}

bool GivesOutput(const QString& argument) {
    return Gives(argument, QStringLiteral("-o"), QStringLiteral("--output"));
}

// The output format a --format value names.
std::optional<CliFormat> FormatNamed(const std::optional<QString>& value) {
    static const QList<std::pair<QString, CliFormat>> formats{{QStringLiteral("tsv"), CliFormat::Tsv},
                                                              {QStringLiteral("json"), CliFormat::Json},
                                                              {QStringLiteral("text"), CliFormat::Text},
                                                              {QStringLiteral("xlsx"), CliFormat::Xlsx},
                                                              {QStringLiteral("csv"), CliFormat::Csv}};
    for (const auto& [name, format] : formats) {
        if (value == name) {
            return format;
        }
    }
    return std::nullopt;
}

bool Named(const QString& argument, const QString& name) {
    return argument == name || argument.startsWith(name + u'=');
}

} // namespace

ParsedArguments ParseArguments(const QStringList& arguments) {
    ParsedArguments parsed;
    CliOptions options;
    const auto fail = [&parsed](const QString& message) {
        parsed.error = message;
        return parsed;
    };
    bool onlyPaths = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (onlyPaths || argument == QStringLiteral("-") || !argument.startsWith(u'-')) {
            options.paths << argument;
        } else if (argument == QStringLiteral("--")) {
            onlyPaths = true;
        } else if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")) {
            parsed.help = true;
            return parsed;
        } else if (argument == QStringLiteral("--version")) {
            parsed.version = true;
            return parsed;
        } else if (Gives(argument, QStringLiteral("-j"), QStringLiteral("--jobs"))) {
            const auto value = ValueOf(arguments, i, QStringLiteral("-j"), QStringLiteral("--jobs"));
            bool ok = false;
            const int jobs = value ? value->toInt(&ok) : 0;
            if (!ok || jobs < 1 || jobs > 256) {
                return fail(QStringLiteral("--jobs needs a number from 1 to 256"));
            }
            options.jobs = jobs;
        } else if (argument == QStringLiteral("--password-stdin")) {
            options.passwordStdin = true;
        } else if (argument == QStringLiteral("--summary")) {
            options.summary = true;
        } else if (argument == QStringLiteral("--stats")) {
            options.stats = true;
        } else if (argument == QStringLiteral("--per-file")) {
            options.mode = CountMode::PerFile;
        } else if (argument == QStringLiteral("--case-sensitive")) {
            options.ignoreCase = false;
        } else if (argument == QStringLiteral("--quiet") || argument == QStringLiteral("-q")) {
            options.quiet = true;
        } else if (argument == QStringLiteral("--text")) {
            options.textInput = true;
        } else if (argument == QStringLiteral("--no-cache")) {
            options.noCache = true;
        } else if (Named(argument, QStringLiteral("--method"))) {
            const auto value = OptionValue(arguments, i, QStringLiteral("--method"));
            if (value == QStringLiteral("db")) {
                options.method = CliMethod::Db;
            } else if (value == QStringLiteral("text")) {
                options.method = CliMethod::Text;
            } else {
                return fail(QStringLiteral("--method needs db or text"));
            }
        } else if (Named(argument, QStringLiteral("--format"))) {
            const auto format = FormatNamed(OptionValue(arguments, i, QStringLiteral("--format")));
            if (!format) {
                return fail(QStringLiteral("--format needs tsv, json, text or xlsx, or csv"));
            }
            options.format = *format;
        } else if (Named(argument, QStringLiteral("--letters"))) {
            const auto value = OptionValue(arguments, i, QStringLiteral("--letters"));
            if (value == QStringLiteral("ascii")) {
                options.letters = LetterRule::Ascii;
            } else if (value == QStringLiteral("all")) {
                options.letters = LetterRule::AllLanguages;
            } else {
                return fail(QStringLiteral("--letters needs ascii or all"));
            }
        } else if (argument == QStringLiteral("--segment")) {
            options.words.segment = true;
        } else if (argument == QStringLiteral("--compat-forms")) {
            options.words.compatibility = true;
        } else if (Named(argument, QStringLiteral("--stem"))) {
            const auto value = OptionValue(arguments, i, QStringLiteral("--stem"));
            if (!value || !StemLanguages().contains(*value)) {
                return fail(QStringLiteral("--stem needs one of ") + StemLanguages().join(QStringLiteral(", ")));
            }
            options.words.stemLanguage = *value;
        } else if (const std::optional<QString> ocr = ParseOcrOption(arguments, i, options.ocr)) {
            if (!ocr->isEmpty()) {
                return fail(*ocr);
            }
        } else if (Named(argument, QStringLiteral("--stop-words"))) {
            const auto value = OptionValue(arguments, i, QStringLiteral("--stop-words"));
            if (!value || value->isEmpty()) {
                return fail(QStringLiteral("--stop-words needs ") + StopListNames().join(QStringLiteral(", ")) +
                            QStringLiteral(" or a file"));
            }
            options.stopWords = *value;
        } else if (Named(argument, QStringLiteral("--password"))) {
            const auto value = OptionValue(arguments, i, QStringLiteral("--password"));
            if (!value) {
                return fail(QStringLiteral("--password needs a value"));
            }
            options.password = *value;
        } else if (GivesOutput(argument)) {
            const auto value = OutputValue(arguments, i);
            if (!value || value->isEmpty()) {
                return fail(QString(argument.startsWith(QStringLiteral("--")) ? QStringLiteral("--output")
                                                                              : QStringLiteral("-o")) +
                            QStringLiteral(" needs a file name"));
            }
            options.output = *value;
        } else {
            return fail(QStringLiteral("unknown option ") + argument);
        }
    }
    if (options.paths.isEmpty()) {
        return fail(QStringLiteral("no PATH given"));
    }
    if ((options.words.segment || options.words.compatibility) && options.letters != LetterRule::AllLanguages) {
        return fail(QString(options.words.segment ? QStringLiteral("--segment") : QStringLiteral("--compat-forms")) +
                    QStringLiteral(" needs --letters all"));
    }
    if (options.ocr.enabled && options.textInput) {
        return fail(QStringLiteral("--ocr reads the pages of PDFs: it cannot be used with --text"));
    }
    if (options.passwordStdin && !options.password.isEmpty()) {
        return fail(QStringLiteral("--password and --password-stdin exclude each other"));
    }
    if (options.format == CliFormat::Xlsx && options.output.isEmpty()) {
        return fail(QStringLiteral("--format xlsx needs -o FILE"));
    }
    if (options.stats && !options.words.stemLanguage.isEmpty()) {
        // Its columns count spellings, while the rows of --stem count groups of them.
        return fail(QStringLiteral("--stats counts spellings: it cannot be used with --stem"));
    }
    if (options.stats && (options.summary || options.mode == CountMode::PerFile)) {
        return fail(QStringLiteral("--stats needs one count for all files (not --per-file or --summary)"));
    }
    parsed.options = options;
    return parsed;
}

std::optional<QString> ParseOcrOption(const QStringList& arguments, qsizetype& i, OcrOptions& ocr) {
    const QString& argument = arguments[i];
    if (argument == QStringLiteral("--ocr")) {
        ocr.enabled = true;
        return QString();
    }
    if (!Named(argument, QStringLiteral("--ocr")) && !Named(argument, QStringLiteral("--ocr-lang"))) {
        return std::nullopt;
    }
    const bool attached = argument.startsWith(QStringLiteral("--ocr="));
    const auto value =
        attached ? std::optional(argument.mid(6)) : OptionValue(arguments, i, QStringLiteral("--ocr-lang"));
    if (!value || !ValidOcrLanguages(*value)) {
        return QString(attached ? QStringLiteral("--ocr=") : QStringLiteral("--ocr-lang")) +
               QStringLiteral(" needs OCR languages such as eng, or several joined by + (eng+deu)");
    }
    ocr = {true, *value};
    return QString();
}

QString UsageText() {
    return QStringLiteral(
        "Usage: lexitally-cli [--per-file] [--summary] [--stats] [--case-sensitive] [--method db|text]\n"
        "                     [--letters ascii|all] [--segment] [--compat-forms] [--stem LANGUAGE]\n"
        "                     [--stop-words LIST|FILE] [--ocr[=LANGS]]\n"
        "                     [--format tsv|json|text|csv|xlsx] [-o FILE] [--jobs N] [--quiet]\n"
        "                     [--password PW | --password-stdin] [--text] PATH...\n"
        "\n"
        "Counts the words, lines and characters of PDF files and lists how often each word occurs,\n"
        "least frequent first. A PATH that is a folder adds every PDF file in it and in all its\n"
        "sub-folders. A PATH that is - (standard input), /dev/stdin or a FIFO is read once as it comes.\n"
        "\n"
        "  --per-file          separate counts for each PATH (default: one count for all)\n"
        "  --summary           one row per file instead of the word rows: its path, pages, words,\n"
        "                      lines, characters with and without spaces, distinct words (the\n"
        "                      words with a row), or its reason when it gave no text; in JSON\n"
        "                      under \"files\", next to the rows with --per-file\n"
        "  --stats             three more columns for each word of one count for all files: Per\n"
        "                      million (its count per million words), Range (the files it occurs\n"
        "                      in) and DP (Gries's deviation of proportions: 0 for a word spread\n"
        "                      over the files as evenly as all words, towards 1 for one found in few)\n"
        "  --case-sensitive    words that differ in letter case are kept apart by the text method\n"
        "                      (default: letter case is ignored)\n"
        "  --method db|text    word frequency through the working database (default) or in memory;\n"
        "                      db falls back to text when the SQLite driver is missing\n"
        "  --letters ascii|all ascii (default): a word is the letters A-Z and a-z of a token; all:\n"
        "                      every run of letters of any language (NFC, letter case folded fully)\n"
        "  --segment           with --letters all: find the words of Chinese, Japanese, Thai, Lao,\n"
        "                      Khmer and Burmese by dictionary (ICU's word breaks); languages with\n"
        "                      blanks between words give the same words as without it\n"
        "  --compat-forms      with --letters all: read compatibility forms as their normal letters\n"
        "                      (Arabic and Hebrew presentation forms, full-width Latin, ligatures:\n"
        "                      NFKC, NFKC_Casefold when letter case is ignored)\n"
        "  --stem LANGUAGE     group word forms by their Snowball stem (english, german, french,\n"
        "                      russian, ...): one row per group, shown by its most frequent spelling\n"
        "                      with the count of all its spellings\n"
        "  --stop-words LIST|FILE\n"
        "                      leave common words out of the rows (not of the word count): english,\n"
        "                      german, french, spanish (our lists), danish, dutch, finnish,\n"
        "                      hungarian, indonesian, italian, norwegian, portuguese, romanian,\n"
        "                      russian, swedish (Snowball's), or a UTF-8 file with one word a line\n"
        "  --ocr[=LANGS]       read PDFs that give no text (scanned pages), and the pages without text\n"
        "                      of the others, by OCR: each page is rendered at 300 dpi (pdftoppm) and\n"
        "                      read by tesseract in the languages LANGS (default eng; several joined\n"
        "                      by +, e.g. eng+deu), as many pages at once as --jobs; --summary says\n"
        "                      \"read by OCR\" (in JSON \"ocr\": true).\n"
        "                      Needs the Debian packages tesseract-ocr and tesseract-ocr-LANG for\n"
        "                      each language; what is missing is named before the run (status 2)\n"
        "  --ocr-lang LANGS    the same as --ocr=LANGS\n"
        "  --format FORMAT     tsv (default: a header line and one line per row, cells joined by TAB;\n"
        "                      a backslash, TAB, LF or CR in a cell is written \\\\, \\t, \\n or \\r),\n"
        "                      json, text (column-aligned text file), csv (RFC 4180) or xlsx\n"
        "                      (workbook; needs -o)\n"
        "  -o, --output FILE   write the result to FILE instead of standard output (\"-\": standard\n"
        "                      output); a FIFO or device is written into, a regular file replaced\n"
        "                      only once complete\n"
        "  -j, --jobs N        convert N files at once (default: one per processor)\n"
        "  -q, --quiet         no progress on standard error (shown only on a terminal: the phase,\n"
        "                      files converted of all, an estimate of the time left)\n"
        "  --password PW       password for every PDF (the owner password or the one that opens it)\n"
        "  --password-stdin    read that password from the first line of standard input (at most\n"
        "                      4096 bytes; an empty one is refused); the environment variable\n"
        "                      LEXITALLY_PASSWORD is used when neither is given.\n"
        "                      The converter receives the password as an argument of its own.\n"
        "  --text              every PATH is a UTF-8 text file used in place of a converted PDF\n"
        "  --no-cache          neither use nor fill the store of converted texts (see below)\n"
        "  --                  every argument after it is a PATH, even one that starts with -\n"
        "  -h, --help          show this help\n"
        "  --version           show the version\n"
        "\n"
        "A value may also follow its option after \"=\" (--jobs=2, --output=FILE) or, for -j and -o,\n"
        "directly (-j2, -oFILE).\n"
        "\n"
        "Files that give no text, and folders that could not be searched, are named on standard error\n"
        "(in JSON under \"unreadable\"); on a terminal, control characters in names are escaped.\n"
        "Converted texts are kept in $XDG_CACHE_HOME/lexitally (~/.cache/lexitally), compressed, at\n"
        "most $LEXITALLY_CACHE_SIZE (default 1G; least recently used first out), and used again while\n"
        "a PDF is unchanged; never the text of a PDF opened with a password or encrypted.\n"
        "\"lexitally-cli cache\" shows the store, \"lexitally-cli cache --clear\" empties it.\n"
        "Input files and their folders are never changed: an output that is one of the files read (a\n"
        "PATH or a file below it, the file of common words, standard input) is refused.\n"
        "\n"
        "Exit status: 0 when every file was counted or named for a reason of its own (no text,\n"
        "protected, damaged), 1 when no row was produced or the output could not be written, 2 for a\n"
        "usage error (an output that is one of the files read, too), 3 when the numbers may be\n"
        "incomplete: a step failed (the error reports are on standard error and, in JSON, under\n"
        "\"errors\") or a file's text was lost to the machine (its converter could not start or was\n"
        "ended by a signal, its text did not fit in the temporary folder, OCR failed; each is named\n"
        "on standard error), 4 when a PATH, or a file found in a folder, does not exist or cannot be\n"
        "read, or a folder could not be searched (each is named with its reason; every other file\n"
        "was counted), 130 or 143 when interrupted (SIGINT, SIGTERM: nothing is written).\n"
        "\n"
        "lexitally-cli merge RESULTS.json... merges the JSON results of separate runs (see merge --help).\n"
        "lexitally-cli concordance WORD PATH... lists every occurrence of WORD with its page and context,\n"
        "lexitally-cli phrases PATH... counts word sequences (see concordance --help, phrases --help).\n");
}

QString VersionText() {
    return QStringLiteral("lexitally-cli ") + QStringLiteral(LEXITALLY_VERSION);
}

QString MethodName(CliMethod method) {
    return method == CliMethod::Db ? QStringLiteral("db") : QStringLiteral("text");
}

ParsedMergeArguments ParseMergeArguments(const QStringList& arguments) {
    ParsedMergeArguments parsed;
    MergeOptions options;
    const auto fail = [&parsed](const QString& message) {
        parsed.error = QStringLiteral("merge: ") + message;
        return parsed;
    };
    bool onlyPaths = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (onlyPaths || argument == QStringLiteral("-") || !argument.startsWith(u'-')) {
            options.inputs << argument;
        } else if (argument == QStringLiteral("--")) {
            onlyPaths = true;
        } else if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")) {
            parsed.help = true;
            return parsed;
        } else if (Named(argument, QStringLiteral("--format"))) {
            const auto format = FormatNamed(OptionValue(arguments, i, QStringLiteral("--format")));
            if (!format) {
                return fail(QStringLiteral("--format needs json, tsv, text, csv or xlsx"));
            }
            options.format = *format;
        } else if (GivesOutput(argument)) {
            const auto value = OutputValue(arguments, i);
            if (!value || value->isEmpty()) {
                return fail(QString(argument.startsWith(QStringLiteral("--")) ? QStringLiteral("--output")
                                                                              : QStringLiteral("-o")) +
                            QStringLiteral(" needs a file name"));
            }
            options.output = *value;
        } else {
            return fail(QStringLiteral("unknown option ") + argument);
        }
    }
    if (options.inputs.isEmpty()) {
        return fail(QStringLiteral("no RESULTS.json given"));
    }
    if (options.format == CliFormat::Xlsx && options.output.isEmpty()) {
        return fail(QStringLiteral("--format xlsx needs -o FILE"));
    }
    parsed.options = options;
    return parsed;
}

QString MergeUsageText() {
    return QStringLiteral("Usage: lexitally-cli merge [--format json|tsv|text|csv|xlsx] [-o FILE] RESULTS.json...\n"
                          "\n"
                          "Merges the JSON results (--format json) of separate runs into the results one run over\n"
                          "all their files would give, the files taken in the order the results are given: totals\n"
                          "and counts are added, rows are joined and ordered as the runs' method does. The runs\n"
                          "must be counted alike: the same mode (--per-file or not), method, letter-case setting,\n"
                          "--letters and list of common words (--stop-words), as their results record them; in\n"
                          "per-file mode each file must be counted in one run only. RESULTS.json may be - for\n"
                          "standard input. A merge holds all results in memory, about 40 times their size.\n"
                          "\n"
                          "  --format FORMAT     json (default, so that merged results can be merged again), tsv,\n"
                          "                      text (column-aligned text file), csv or xlsx (workbook; needs -o)\n"
                          "  -o, --output FILE   write the merged results to FILE instead of standard output\n"
                          "  --                  every argument after it is a RESULTS.json\n"
                          "  -h, --help          show this help\n"
                          "\n"
                          "Exit status: 0 with results, 1 when no row was produced or the output could not be\n"
                          "written, 2 when the results cannot be read or merged (a part that does not add up is\n"
                          "named with what is wrong), or for a usage error, 3 when a run of the results failed\n"
                          "(its error reports are carried into \"errors\"; the numbers may be incomplete), 130 or\n"
                          "143 when interrupted (SIGINT, SIGTERM: nothing is written).\n");
}
