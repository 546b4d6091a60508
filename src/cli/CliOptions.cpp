#include "cli/CliOptions.h"

#include "core/corpus/Phrases.h"
#include "core/count/StopWords.h"
#include "core/count/WordForms.h"

#include <QHash>

#include <functional>
#include <limits>

namespace {

// The output format a --format value names.
std::optional<CliFormat> FormatNamed(const std::optional<QString>& value) {
    static const QList<std::pair<QString, CliFormat>> formats{
        {QStringLiteral("tsv"), CliFormat::Tsv},   {QStringLiteral("json"), CliFormat::Json},
        {QStringLiteral("text"), CliFormat::Text}, {QStringLiteral("xlsx"), CliFormat::Xlsx},
        {QStringLiteral("csv"), CliFormat::Csv},   {QStringLiteral("svg"), CliFormat::Svg}};
    for (const auto& [name, format] : formats) {
        if (value == name) {
            return format;
        }
    }
    return std::nullopt;
}

// A whole number from low to high, or none.
std::optional<qint64> Number(const std::optional<QString>& value, qint64 low, qint64 high) {
    bool ok = false;
    const qint64 n = value ? value->toLongLong(&ok) : 0;
    return ok && n >= low && n <= high ? std::optional<qint64>(n) : std::nullopt;
}

using Given = GivenArguments::Given;
// Sets what one option says; "" or why its value is wrong.
using Setter = std::function<QString(const Given&, CliOptions&)>;

// A flag's setter.
Setter Flag(const std::function<void(CliOptions&)>& set) {
    return [set](const Given&, CliOptions& options) {
        set(options);
        return QString();
    };
}

// A whole number's setter: the number from low to high, else the message.
Setter NumberSetter(qint64 low, qint64 high, const QString& message,
                    const std::function<void(CliOptions&, qint64)>& set) {
    return [=](const Given& given, CliOptions& options) {
        const std::optional<qint64> n = Number(given.value, low, high);
        if (!n) {
            return message;
        }
        set(options, *n);
        return QString();
    };
}

QString SetOcr(const Given& given, CliOptions& options) {
    if (given.spec->name == QStringLiteral("--ocr") && !given.value) {
        options.ocr.enabled = true;
        return {};
    }
    if (!given.value || !ValidOcrLanguages(*given.value)) {
        return QString(given.spec->name == QStringLiteral("--ocr") ? QStringLiteral("--ocr=")
                                                                   : QStringLiteral("--ocr-lang")) +
               QStringLiteral(" needs OCR languages such as eng, or several joined by + (eng+deu)");
    }
    options.ocr = {true, *given.value};
    return {};
}

QString SetWordOption(const Given& given, CliOptions& options) {
    const QString& name = given.spec->name;
    if (name == QStringLiteral("--letters")) {
        if (given.value != QStringLiteral("ascii") && given.value != QStringLiteral("all")) {
            return QStringLiteral("--letters needs ascii or all");
        }
        options.letters = given.value == QStringLiteral("all") ? LetterRule::AllLanguages : LetterRule::Ascii;
    } else if (name == QStringLiteral("--method")) {
        if (given.value != QStringLiteral("db") && given.value != QStringLiteral("text")) {
            return QStringLiteral("--method needs db or text");
        }
        options.method = given.value == QStringLiteral("db") ? CliMethod::Db : CliMethod::Text;
    } else if (name == QStringLiteral("--stem")) {
        if (!given.value || !StemLanguages().contains(*given.value)) {
            return QStringLiteral("--stem needs one of ") + StemLanguages().join(QStringLiteral(", "));
        }
        options.words.stemLanguage = *given.value;
    } else if (name == QStringLiteral("--stop-words")) {
        if (!given.value || given.value->isEmpty()) {
            return QStringLiteral("--stop-words needs ") + StopListNames().join(QStringLiteral(", ")) +
                   QStringLiteral(" or a file");
        }
        options.stopWords = *given.value;
    }
    return {};
}

QStringList SortMeasures(CommandBit command) {
    return command == kKeywordsCommand
               ? QStringList{QStringLiteral("log-likelihood"), QStringLiteral("log-ratio")}
               : QStringList{QStringLiteral("logdice"), QStringLiteral("mi"), QStringLiteral("t-score"),
                             QStringLiteral("log-likelihood"), QStringLiteral("count")};
}

QString SetValue(const Given& given, CliOptions& options) {
    const QString& name = given.spec->name;
    if (name == QStringLiteral("--format")) {
        const std::optional<CliFormat> format = FormatNamed(given.value);
        if (!format) {
            return QStringLiteral("--format needs ") + FormatNames(options.command);
        }
        options.format = *format;
    } else if (name == QStringLiteral("--output")) {
        if (!given.value || given.value->isEmpty()) {
            return given.spelling + QStringLiteral(" needs a file name");
        }
        options.output = *given.value;
    } else if (name == QStringLiteral("--files-from")) {
        if (!given.value || given.value->isEmpty()) {
            return QStringLiteral("--files-from needs a file name");
        }
        options.filesFrom = *given.value;
    } else if (name == QStringLiteral("--password")) {
        if (!given.value) {
            return QStringLiteral("--password needs a value");
        }
        options.password = *given.value;
    } else if (name == QStringLiteral("--reference")) {
        if (!given.value || given.value->isEmpty()) {
            return QStringLiteral("--reference needs a folder, a file or a word list (JSON)");
        }
        options.reference = *given.value;
    } else if (name == QStringLiteral("--sort")) {
        const QStringList measures = SortMeasures(options.command);
        if (!given.value || !measures.contains(*given.value)) {
            return QStringLiteral("--sort needs ") + measures.join(QStringLiteral(", "));
        }
        options.sort = *given.value;
    }
    return {};
}

// What each option of the table sets.
const QHash<QString, Setter>& Setters() {
    static const QHash<QString, Setter> setters{
        {QStringLiteral("--per-file"), Flag([](CliOptions& o) { o.mode = CountMode::PerFile; })},
        {QStringLiteral("--summary"), Flag([](CliOptions& o) { o.summary = true; })},
        {QStringLiteral("--profile"), Flag([](CliOptions& o) { o.profile = o.summary = true; })},
        {QStringLiteral("--stats"), Flag([](CliOptions& o) { o.stats = true; })},
        {QStringLiteral("--case-sensitive"), Flag([](CliOptions& o) { o.ignoreCase = false; })},
        {QStringLiteral("--segment"), Flag([](CliOptions& o) { o.words.segment = true; })},
        {QStringLiteral("--compat-forms"), Flag([](CliOptions& o) { o.words.compatibility = true; })},
        {QStringLiteral("--quiet"), Flag([](CliOptions& o) { o.quiet = true; })},
        {QStringLiteral("--password-stdin"), Flag([](CliOptions& o) { o.passwordStdin = true; })},
        {QStringLiteral("--text"), Flag([](CliOptions& o) { o.textInput = true; })},
        {QStringLiteral("--no-cache"), Flag([](CliOptions& o) { o.noCache = true; })},
        {QStringLiteral("--most-frequent"), Flag([](CliOptions& o) { o.mostFirst = true; })},
        {QStringLiteral("--clear"), Flag([](CliOptions& o) { o.clear = true; })},
        {QStringLiteral("--no-header"), Flag([](CliOptions& o) { o.noHeader = true; })},
        {QStringLiteral("--totals"), Flag([](CliOptions& o) { o.totals = true; })},
        {QStringLiteral("--null"), Flag([](CliOptions& o) { o.nullSeparated = true; })},
        {QStringLiteral("--top"),
         NumberSetter(1, std::numeric_limits<int>::max(), QStringLiteral("--top needs a number of 1 or more"),
                      [](CliOptions& o, qint64 n) { o.top = n; })},
        {QStringLiteral("--jobs"), NumberSetter(1, 256, QStringLiteral("--jobs needs a number from 1 to 256"),
                                                [](CliOptions& o, qint64 n) { o.jobs = static_cast<int>(n); })},
        {QStringLiteral("--context"), NumberSetter(0, 1000, QStringLiteral("--context needs a number from 0 to 1000"),
                                                   [](CliOptions& o, qint64 n) { o.context = static_cast<int>(n); })},
        {QStringLiteral("--length"),
         NumberSetter(kMinPhraseLength, kMaxPhraseLength, QStringLiteral("--length needs a number from 2 to 5"),
                      [](CliOptions& o, qint64 n) { o.length = static_cast<int>(n); })},
        {QStringLiteral("--min-count"),
         NumberSetter(1, std::numeric_limits<qint64>::max(), QStringLiteral("--min-count needs a number of 1 or more"),
                      [](CliOptions& o, qint64 n) { o.minCount = n; })},
        {QStringLiteral("--ocr"), SetOcr},
        {QStringLiteral("--ocr-lang"), SetOcr},
        {QStringLiteral("--letters"), SetWordOption},
        {QStringLiteral("--method"), SetWordOption},
        {QStringLiteral("--stem"), SetWordOption},
        {QStringLiteral("--stop-words"), SetWordOption},
        {QStringLiteral("--format"), SetValue},
        {QStringLiteral("--output"), SetValue},
        {QStringLiteral("--password"), SetValue},
        {QStringLiteral("--files-from"), SetValue},
        {QStringLiteral("--reference"), SetValue},
        {QStringLiteral("--sort"), SetValue},
        {QStringLiteral("--negative"), Flag([](CliOptions& o) { o.negative = true; })},
        {QStringLiteral("--left"), NumberSetter(0, 50, QStringLiteral("--left needs a number from 0 to 50"),
                                                [](CliOptions& o, qint64 n) { o.left = static_cast<int>(n); })},
        {QStringLiteral("--right"), NumberSetter(0, 50, QStringLiteral("--right needs a number from 0 to 50"),
                                                 [](CliOptions& o, qint64 n) { o.right = static_cast<int>(n); })},
    };
    return setters;
}

// The checks of options that go together, for every command; "" when they do.
QString CheckCombinations(const CliOptions& options) {
    if ((options.words.segment || options.words.compatibility) && options.letters != LetterRule::AllLanguages) {
        return QString(options.words.segment ? QStringLiteral("--segment") : QStringLiteral("--compat-forms")) +
               QStringLiteral(" needs --letters all");
    }
    if (options.ocr.enabled && options.textInput) {
        return QStringLiteral("--ocr reads the pages of PDFs: it cannot be used with --text");
    }
    if (options.passwordStdin && !options.password.isEmpty()) {
        return QStringLiteral("--password and --password-stdin exclude each other");
    }
    if (options.format == CliFormat::Xlsx && options.output.isEmpty()) {
        return QStringLiteral("--format xlsx needs -o FILE");
    }
    if (options.stats && !options.words.stemLanguage.isEmpty()) {
        // Its columns count spellings, while the rows of --stem count groups of them.
        return QStringLiteral("--stats counts spellings: it cannot be used with --stem");
    }
    if (options.summary && options.totals) {
        return QStringLiteral("--totals adds to word rows: it cannot be used with --summary");
    }
    if (options.summary && (options.top > 0 || options.mostFirst)) {
        return QStringLiteral("--top and --most-frequent choose word rows: they cannot be used with --summary");
    }
    if (options.nullSeparated && options.filesFrom.isEmpty()) {
        return QStringLiteral("--null needs --files-from");
    }
    if (options.stats && (options.summary || options.mode == CountMode::PerFile)) {
        return QStringLiteral("--stats needs one count for all files (not --per-file or --summary)");
    }
    return {};
}

} // namespace

QString FormatNames(CommandBit command) {
    switch (command) {
    case kConcordanceCommand:
    case kPhrasesCommand:
    case kKeywordsCommand:
    case kCollocatesCommand:
        return QStringLiteral("tsv, csv, json or text");
    case kDispersionCommand:
        return QStringLiteral("tsv, csv, json, text or svg");
    case kMergeCommand:
        return QStringLiteral("json, tsv, text, csv or xlsx");
    default:
        return QStringLiteral("tsv, json, text or xlsx, or csv");
    }
}

ParsedArguments ParseCommandArguments(CommandBit command, const QStringList& arguments) {
    ParsedArguments parsed;
    const GivenArguments given = SplitArguments(command, arguments);
    parsed.help = given.help;
    parsed.version = given.version;
    if (given.help || given.version) {
        return parsed;
    }
    if (!given.error.isEmpty()) {
        parsed.error = given.error;
        return parsed;
    }
    CliOptions options;
    options.command = command;
    options.format = command == kMergeCommand ? CliFormat::Json : CliFormat::Tsv;
    for (const Given& option : given.options) {
        const auto setter = Setters().constFind(option.spec->name);
        const QString error = setter != Setters().cend()
                                  ? (*setter)(option, options)
                                  : QStringLiteral("unknown option ") + option.spelling; // a row without a setter

        if (!error.isEmpty()) {
            parsed.error = error;
            return parsed;
        }
    }
    const unsigned corpus =
        kConcordanceCommand | kPhrasesCommand | kKeywordsCommand | kCollocatesCommand | kDispersionCommand;
    if ((options.format == CliFormat::Xlsx && (command & corpus) != 0) ||
        (options.format == CliFormat::Svg && command != kDispersionCommand)) {
        parsed.error = QStringLiteral("--format needs ") + FormatNames(command);
        return parsed;
    }
    options.paths = given.operands;
    const bool wordFirst =
        command == kConcordanceCommand || command == kCollocatesCommand || command == kDispersionCommand;
    if (wordFirst && !options.paths.isEmpty()) {
        options.word = options.paths.takeFirst();
    } else if (wordFirst) {
        parsed.error = QStringLiteral("no WORD given");
        return parsed;
    }
    if (options.paths.isEmpty() && command == kMergeCommand) {
        parsed.error =
            command == kMergeCommand ? QStringLiteral("no RESULTS.json given") : QStringLiteral("no PATH given");
        return parsed;
    }
    if (command == kKeywordsCommand && options.reference.isEmpty()) {
        parsed.error = QStringLiteral("no --reference given");
        return parsed;
    }
    if (command == kCacheCommand && !options.paths.isEmpty()) {
        parsed.error = QStringLiteral("unknown option ") + options.paths.first();
        return parsed;
    }
    parsed.error = CheckCombinations(options);
    if (parsed.error.isEmpty()) {
        parsed.options = options;
    }
    return parsed;
}

ParsedArguments ParseArguments(const QStringList& arguments) {
    return ParseCommandArguments(kRunCommand, arguments);
}

QString UsageText() {
    return QStringLiteral(
               "Usage: lexitally-cli [--per-file] [--summary] [--profile] [--stats] [--case-sensitive]\n"
               "                     [--method db|text] [--letters ascii|all] [--segment] [--compat-forms]\n"
               "                     [--stem LANGUAGE] [--stop-words LIST|FILE] [--ocr[=LANGS]]\n"
               "                     [--format tsv|json|text|csv|xlsx] [-o FILE] [--jobs N] [--quiet]\n"
               "                     [--password PW | --password-stdin] [--text] PATH...\n"
               "\n"
               "Counts the words, lines and characters of PDF files and lists how often each word occurs,\n"
               "least frequent first. A PATH that is a folder adds every PDF file in it and in all its\n"
               "sub-folders. A PATH that is - (standard input), /dev/stdin or a FIFO is read once as it comes.\n"
               "\n") +
           OptionsHelp(kRunCommand) +
           QStringLiteral(
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
               "on standard error), 4 when a PATH, or a file found in a folder, does not exist, cannot be\n"
               "read or has a name that is not UTF-8, or a folder could not be searched (each is named with its "
               "reason; every other file\n"
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
                          "\n") +
           OptionsHelp(kMergeCommand) +
           QStringLiteral("\n"
                          "Exit status: 0 with results, 1 when no row was produced or the output could not be\n"
                          "written, 2 when the results cannot be read or merged (a part that does not add up is\n"
                          "named with what is wrong), or for a usage error, 3 when a run of the results failed\n"
                          "(its error reports are carried into \"errors\"; the numbers may be incomplete), 130 or\n"
                          "143 when interrupted (SIGINT, SIGTERM: nothing is written).\n");
}
