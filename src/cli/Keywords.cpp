#include "cli/Keywords.h"

#include "cli/ConsoleUi.h"
#include "cli/Corpus.h"
#include "cli/OptionTable.h"
#include "cli/Outcome.h"
#include "cli/Signals.h"
#include "cli/WordCount.h"
#include "core/base/ErrorReport.h"
#include "core/corpus/Keywords.h"
#include "core/results/Merge.h"
#include "core/results/ResultTable.h"

#include <QFile>
#include <QFileInfo>

namespace {

using End = CommandOutcome::End;

// A word list saved by a run: its rows, summed over files when it counted each file, and its
// words. Says why it cannot be read and gives false.
bool ReadWordList(const QString& path, const CliOptions& options, WordList& list) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        PrintError(QStringLiteral("keywords: ") + path + QStringLiteral(": cannot be read: ") + file.errorString());
        return false;
    }
    try {
        const RunResults results = ReadRunResults(file.readAll());
        for (const QStringList& row : results.rows) {
            list.words.append({row.value(row.size() - 2), row.value(row.size() - 1).toLongLong()});
        }
        list.total = results.totals.words;
        if (results.letters != options.letters || results.ignoreCase != options.ignoreCase ||
            results.method != (options.method == CliMethod::Db ? QStringLiteral("db") : QStringLiteral("text")) ||
            results.words.stemLanguage != options.words.stemLanguage) {
            PrintError(QStringLiteral("keywords: ") + path +
                       QStringLiteral(": counted with other word options than these (letters, letter case, method "
                                      "or word forms); its words may not match"));
        }
    } catch (const Failure& failure) {
        PrintError(QStringLiteral("keywords: ") + path + QStringLiteral(": ") + failure.Description());
        return false;
    }
    return true;
}

// The reference's word list: read from a run's JSON, else counted as the PATHs are.
std::optional<End> ReferenceWords(const CliOptions& options, WordList& list, CommandOutcome& outcome) {
    const QFileInfo given(options.reference);
    if (given.isFile() && given.suffix().compare(QStringLiteral("json"), Qt::CaseInsensitive) == 0) {
        return ReadWordList(options.reference, options, list) ? std::nullopt : std::optional<End>(End::NotWritten);
    }
    CliOptions reference = options;
    reference.paths = {options.reference};
    reference.filesFrom.clear();
    return CountWordList(reference, list, outcome);
}

KeywordOptions KeywordOptionsOf(const CliOptions& options) {
    return {options.negative, options.minCount,
            options.sort == QStringLiteral("log-ratio") ? KeywordSort::LogRatio : KeywordSort::LogLikelihood,
            options.top};
}

CommandOutcome RunKeywords(const CliOptions& options) {
    CommandOutcome outcome;
    WordList target;
    if (const std::optional<End> end = CountWordList(options, target, outcome)) {
        return CommandOutcome::Ended(*end);
    }
    WordList reference;
    if (const std::optional<End> end = ReferenceWords(options, reference, outcome)) {
        return CommandOutcome::Ended(*end);
    }
    if (reference.total == 0) {
        PrintError(QStringLiteral("keywords: the reference has no words"));
        return CommandOutcome::Ended(End::NotWritten);
    }
    ResultTable table;
    FillKeywords(table,
                 Keywords(target.words, target.total, reference.words, reference.total, KeywordOptionsOf(options)));
    return WriteCorpusTable(QStringLiteral("keywords"), options, table, std::move(outcome));
}

} // namespace

QString KeywordsUsageText() {
    return QStringLiteral(
               "Usage: lexitally-cli keywords --reference REF [--negative] [--min-count K]\n"
               "                              [--sort log-likelihood|log-ratio] [--top N]\n"
               "                              [--format tsv|csv|json|text] [-o FILE] [options] PATH...\n"
               "\n"
               "Lists the words unusually frequent in the PATHs (the target) compared with the reference,\n"
               "the most key first: Word, Count and Per million in the target, Reference count and\n"
               "Reference per million, and for a word seen a times in the target of c words and b times\n"
               "in the reference of d words:\n"
               "  Log-likelihood  G2 = 2 (a ln(a/E1) + b ln(b/E2)), E1 = c(a+b)/(c+d), E2 = d(a+b)/(c+d)\n"
               "                  (Dunning 1993; 3.84 is p < 0.05, 6.63 p < 0.01, 10.83 p < 0.001)\n"
               "  p               the chance of so large a G2 by chance (chi-square, one degree of freedom)\n"
               "  Log ratio       log2((a/c) / (b/d)), 0.5 in place of a frequency of 0 (Hardie 2014)\n"
               "  %DIFF           (a/c - b/d) / (b/d) x 100 (Gabrielatos and Marchi 2012); empty when b is 0\n"
               "Words are cut as a run cuts them with the same options (letters, letter case, method, word\n"
               "forms, common words), so keyword rows match the rows of a run.\n"
               "\n") +
           OptionsHelp(kKeywordsCommand) +
           QStringLiteral("\n"
                          "Exit status: 0 with rows, 1 when there is none or the output could not be written, 2 for\n"
                          "a usage error, 4 when a PATH could not be read (the others were used).\n");
}

int RunKeywordsCommand(const QStringList& arguments) {
    const ParsedArguments parsed = ParseCommandArguments(kKeywordsCommand, arguments);
    if (parsed.help) {
        return PrintOutput(KeywordsUsageText());
    }
    if (!parsed.options) {
        PrintError(QStringLiteral("keywords: ") + parsed.error + QStringLiteral(" (see keywords --help)"));
        return ExitStatus(CommandOutcome::Ended(End::Usage));
    }
    return ExitStatus(RunKeywords(*parsed.options));
}
