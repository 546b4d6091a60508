#include "cli/OptionTable.h"

#include <algorithm>

namespace {

constexpr unsigned kCorpus =
    kConcordanceCommand | kPhrasesCommand | kKeywordsCommand | kCollocatesCommand | kDispersionCommand;
constexpr unsigned kCounting = kRunCommand | kCorpus;
constexpr unsigned kAll = kCounting | kMergeCommand | kCacheCommand;

// The column where help texts start.
constexpr int kHelpColumn = 22;

// What is counted and how: the options of the run and of the corpus commands.
QList<OptionSpec> CountingRows() {
    return {
        {"--per-file", "", "", false, kRunCommand, "separate counts for each PATH (default: one count for all)"},
        {"--summary", "", "", false, kRunCommand,
         "one row per file instead of the word rows: its path, pages, words,\n"
         "lines, characters with and without spaces, distinct words (the\n"
         "words with a row), or its reason when it gave no text; in JSON\n"
         "under \"files\", next to the rows with --per-file"},
        {"--profile", "", "", false, kRunCommand,
         "the summary (implied) with each file's lexical profile, over all its\n"
         "words, common words too: Types (distinct words), TTR (types / words),\n"
         "STTR (mean TTR of its 1,000-word pieces), MATTR (mean TTR of every\n"
         "500-word window; Covington & McFall 2010), MTLD (words per factor of\n"
         "TTR 0.72, forwards and backwards; McCarthy & Jarvis 2010) and Mean\n"
         "word length (letters as written); empty for a text too short"},
        {"--stats", "", "", false, kRunCommand,
         "three more columns for each word of one count for all files: Per\n"
         "million (its count per million words), Range (the files it occurs\n"
         "in) and DP (Gries's deviation of proportions: 0 for a word spread\n"
         "over the files as evenly as all words, towards 1 for one found in few)"},
        {"--context", "", "N", false, kConcordanceCommand, "characters of text on each side (default 40)"},
        {"--length", "", "N", false, kPhrasesCommand, "words per phrase, 2 to 5 (default 2)"},
        {"--min-count", "", "K", false, kPhrasesCommand, "only phrases seen at least K times (default 1)"},
        {"--reference", "", "REF", false, kKeywordsCommand,
         "the reference corpus: a folder or file of PDFs (or texts, with --text),\n"
         "counted with the same word options, or a word list saved by a run\n"
         "with --format json (one count for all files, or per file: summed)"},
        {"--negative", "", "", false, kKeywordsCommand,
         "the words unusually rare in the PATHs instead (those more frequent in\n"
         "the reference)"},
        {"--min-count", "", "K", false, kKeywordsCommand,
         "only words seen at least K times where they are key (in the PATHs, or\n"
         "in the reference with --negative; default 1)"},
        {"--sort", "", "MEASURE", false, kKeywordsCommand, "log-likelihood (default) or log-ratio: the most key first"},
        {"--left", "", "N", false, kCollocatesCommand, "words before WORD in the span, 0 to 50 (default 5)"},
        {"--right", "", "N", false, kCollocatesCommand, "words after WORD in the span, 0 to 50 (default 5)"},
        {"--min-count", "", "K", false, kCollocatesCommand,
         "only collocates seen at least K times in the span (default 1)"},
        {"--sort", "", "MEASURE", false, kCollocatesCommand,
         "logdice (default), mi, t-score, log-likelihood or count: the largest\n"
         "first"},
        {"--most-frequent", "", "", false, kRunCommand | kPhrasesCommand, "most frequent first"},
        {"--top", "", "N", false, kRunCommand | kPhrasesCommand,
         "only the N most frequent rows (of each file with --per-file), taken\n"
         "after counting; ties at the cut go by the rows' order"},
        {"--top", "", "N", false, kKeywordsCommand | kCollocatesCommand, "only the first N rows"},
        {"--no-header", "", "", false, kCounting, "no header line (tsv and csv)"},
        {"--totals", "", "", false, kRunCommand,
         "a total row after the rows (after each file's with --per-file): \"(total)\"\n"
         "and the sum of the counts above it (tsv, csv, text and xlsx)"},
        {"--case-sensitive", "", "", false, kCounting,
         "words that differ in letter case are kept apart by the text method\n"
         "(default: letter case is ignored)"},
        {"--method", "", "db|text", false, kCounting,
         "word frequency through the working database (default) or in memory;\n"
         "db falls back to text when the SQLite driver is missing (the corpus\n"
         "commands match the rows of the method named)"},
        {"--letters", "", "ascii|all", false, kCounting,
         "ascii (default): a word is the letters A-Z and a-z of a token; all:\n"
         "every run of letters of any language (NFC, letter case folded fully)"},
        {"--segment", "", "", false, kCounting,
         "with --letters all: find the words of Chinese, Japanese, Thai, Lao,\n"
         "Khmer and Burmese by dictionary (ICU's word breaks); languages with\n"
         "blanks between words give the same words as without it"},
        {"--compat-forms", "", "", false, kCounting,
         "with --letters all: read compatibility forms as their normal letters\n"
         "(Arabic and Hebrew presentation forms, full-width Latin, ligatures:\n"
         "NFKC, NFKC_Casefold when letter case is ignored)"},
        {"--stem", "", "LANGUAGE", false, kRunCommand | kKeywordsCommand,
         "group word forms by their Snowball stem (english, german, french,\n"
         "russian, ...): one row per group, shown by its most frequent spelling\n"
         "with the count of all its spellings"},
        {"--stop-words", "", "LIST|FILE", false, kRunCommand | kKeywordsCommand,
         "leave common words out of the rows (not of the word count): english,\n"
         "german, french, spanish (our lists), danish, dutch, finnish,\n"
         "hungarian, indonesian, italian, norwegian, portuguese, romanian,\n"
         "russian, swedish (Snowball's), or a UTF-8 file with one word a line"},
    };
}

// Where the words come from and where the results go, and the options every command has.
QList<OptionSpec> InputOutputRows() {
    return {
        {"--ocr", "", "LANGS", true, kCounting,
         "read PDFs that give no text (scanned pages), and the pages without text\n"
         "of the others, by OCR: each page is rendered at 300 dpi (pdftoppm) and\n"
         "read by tesseract in the languages LANGS (default eng; several joined\n"
         "by +, e.g. eng+deu), as many pages at once as --jobs; --summary says\n"
         "\"read by OCR\" (in JSON \"ocr\": true).\n"
         "Needs the Debian packages tesseract-ocr and tesseract-ocr-LANG for\n"
         "each language; what is missing is named before the run (status 2)"},
        {"--ocr-lang", "", "LANGS", false, kCounting, "the same as --ocr=LANGS"},
        {"--format", "", "FORMAT", false, kRunCommand,
         "tsv (default: a header line and one line per row, cells joined by TAB;\n"
         "a backslash, TAB, LF or CR in a cell is written \\\\, \\t, \\n or \\r),\n"
         "json, text (column-aligned text file), csv (RFC 4180) or xlsx\n"
         "(workbook; needs -o)"},
        {"--format", "", "FORMAT", false, kCorpus & ~kDispersionCommand,
         "tsv (default, as for a run), csv (RFC 4180), json or text (column-aligned)"},
        {"--format", "", "FORMAT", false, kDispersionCommand,
         "tsv (default, as for a run), csv (RFC 4180), json, text (column-aligned)\n"
         "or svg (the plot as an SVG image)"},
        {"--format", "", "FORMAT", false, kMergeCommand,
         "json (default, so that merged results can be merged again), tsv,\n"
         "text (column-aligned text file), csv or xlsx (workbook; needs -o)"},
        {"--output", "-o", "FILE", false, kCounting | kMergeCommand,
         "write the result to FILE instead of standard output (\"-\": standard\n"
         "output); a FIFO or device is written into, a regular file replaced\n"
         "only once complete"},
        {"--jobs", "-j", "N", false, kCounting, "convert N files at once (default: one per processor)"},
        {"--quiet", "-q", "", false, kCounting,
         "no progress on standard error (shown only on a terminal: the phase,\n"
         "files converted of all, an estimate of the time left)"},
        {"--password", "", "PW", false, kCounting,
         "password for every PDF (the owner password or the one that opens it)"},
        {"--password-stdin", "", "", false, kRunCommand,
         "read that password from the first line of standard input (at most\n"
         "4096 bytes; an empty one is refused); the environment variable\n"
         "LEXITALLY_PASSWORD is used when neither is given.\n"
         "The converter receives the password as an argument of its own."},
        {"--text", "", "", false, kCounting, "every PATH is a UTF-8 text file used in place of a converted PDF"},
        {"--files-from", "", "FILE", false, kCounting,
         "read more PATHs from FILE, one a line (- for standard input); with\n"
         "no PATH at all and standard input not a terminal, standard input is\n"
         "the one PATH"},
        {"--null", "-0", "", false, kCounting, "the names of --files-from end with a NUL byte (find -print0)"},
        {"--no-cache", "", "", false, kCounting, "neither use nor fill the store of converted texts"},
        {"--clear", "", "", false, kCacheCommand, "remove every entry of the store"},
        {"--help", "-h", "", false, kAll, "show this help"},
        {"--version", "", "", false, kRunCommand, "show the version"},
    };
}

QList<OptionSpec> BuildTable() {
    return CountingRows() + InputOutputRows();
}

// The row of the option the argument spells for the command, or null.
const OptionSpec* Find(CommandBit command, const QString& spelling) {
    for (const OptionSpec& spec : OptionTable()) {
        if ((spec.commands & command) != 0 && (spelling == spec.name || spelling == spec.shortName)) {
            return &spec;
        }
    }
    return nullptr;
}

} // namespace

const QList<OptionSpec>& OptionTable() {
    static const QList<OptionSpec> table = BuildTable();
    return table;
}

bool GivenArguments::Has(const QString& name) const {
    return std::any_of(options.cbegin(), options.cend(),
                       [&name](const Given& given) { return given.spec->name == name; });
}

GivenArguments SplitArguments(CommandBit command, const QStringList& arguments) {
    GivenArguments split;
    bool onlyOperands = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (onlyOperands || argument == QStringLiteral("-") || !argument.startsWith(u'-')) {
            split.operands << argument;
            continue;
        }
        if (argument == QStringLiteral("--")) {
            onlyOperands = true;
            continue;
        }
        // "--name=value", "-nvalue", or the option alone.
        const bool isLong = argument.startsWith(QStringLiteral("--"));
        const qsizetype equals = isLong ? argument.indexOf(u'=') : -1;
        QString spelling = equals > 0 ? argument.left(equals) : isLong ? argument : argument.left(2);
        std::optional<QString> attached;
        if (equals > 0) {
            attached = argument.mid(equals + 1);
        } else if (!isLong && argument.size() > 2) {
            attached = argument.mid(2);
        }
        const OptionSpec* spec = Find(command, spelling);
        if (!spec || (attached && spec->value.isEmpty())) {
            split.error = QStringLiteral("unknown option ") + argument;
            return split;
        }
        std::optional<QString> value = attached;
        if (!value && !spec->value.isEmpty() && !spec->valueAfterEqualsOnly && i + 1 < arguments.size()) {
            value = arguments[++i];
        }
        if (spec->name == QStringLiteral("--help")) {
            split.help = true;
            return split;
        }
        if (spec->name == QStringLiteral("--version")) {
            split.version = true;
            return split;
        }
        split.options.append({spec, value, spelling});
    }
    return split;
}

QString OptionsHelp(CommandBit command) {
    QString help;
    const QString indent(kHelpColumn, u' ');
    for (const OptionSpec& spec : OptionTable()) {
        if ((spec.commands & command) == 0) {
            continue;
        }
        QString left = QStringLiteral("  ") +
                       (spec.shortName.isEmpty() ? QString() : spec.shortName + QStringLiteral(", ")) + spec.name;
        if (!spec.value.isEmpty()) {
            left += spec.valueAfterEqualsOnly ? QStringLiteral("[=") + spec.value + u']' : u' ' + spec.value;
        }
        if (spec.name == QStringLiteral("--help") && command != kCacheCommand) {
            help += QStringLiteral("  --") + QString(kHelpColumn - 4, u' ') +
                    (command == kMergeCommand ? QStringLiteral("every argument after it is a RESULTS.json\n")
                                              : QStringLiteral("every argument after it is a PATH, even one that "
                                                               "starts with -\n"));
        }
        help += left.size() < kHelpColumn ? left.leftJustified(kHelpColumn) : left + u'\n' + indent;
        help += QString(spec.help).replace(u'\n', u'\n' + indent) + u'\n';
    }
    return help;
}
