// lexitally-cli concordance and phrases: the corpus views of the window, without windows.

#include "cli/Corpus.h"

#include "cli/Store.h"

#include "cli/CliOptions.h"
#include "cli/ConsoleUi.h"
#include "cli/Inputs.h"
#include "cli/Outcome.h"
#include "cli/Output.h"
#include "cli/Signals.h"
#include "cli/WordCount.h"
#include "core/base/ErrorReport.h"
#include "core/base/Paths.h"
#include "core/base/Places.h"
#include "core/base/System.h"
#include "core/corpus/Collocates.h"
#include "core/corpus/Concordance.h"
#include "core/corpus/Dispersion.h"
#include "core/corpus/Phrases.h"
#include "core/corpus/WordStats.h"
#include "core/count/CountingPass.h"
#include "core/export/DataExport.h"
#include "core/export/DispersionSvg.h"
#include "core/export/Export.h"
#include "core/extract/Converter.h"
#include "core/filelist/FolderScan.h"
#include "core/results/ResultTable.h"
#include "core/run/AnalysisRun.h"

#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <cmath>

#include <unistd.h>

namespace {

// The version of the corpus commands' JSON (its "format" key).
constexpr int kCorpusJsonFormat = 1;

// {"command", "columns", "rows", "unreadable"}: numbers as JSON numbers.
QByteArray TableJson(const QString& command, const ResultTable& table, const QList<UnreadableFile>& files,
                     const QJsonObject& extra) {
    QJsonObject root;
    root.insert(QStringLiteral("format"), kCorpusJsonFormat);
    root.insert(QStringLiteral("command"), command);
    QJsonArray columns;
    for (const QString& header : table.Headers()) {
        columns.append(header);
    }
    root.insert(QStringLiteral("columns"), columns);
    QJsonArray rows;
    for (int r = 0; r < table.RowCount(); ++r) {
        QJsonArray row;
        for (int c = 0; c < table.ColumnCount(); ++c) {
            const QString cell = table.Cell(r, c);
            if (IsNumberColumn(table.Header(c)) && IsJsonNumber(cell)) {
                row.append(cell.toDouble());
            } else if (IsNumberColumn(table.Header(c)) && cell.isEmpty()) {
                row.append(QJsonValue::Null); // a measure that has no value
            } else {
                row.append(cell);
            }
        }
        rows.append(row);
    }
    root.insert(QStringLiteral("rows"), rows);
    for (auto key = extra.begin(); key != extra.end(); ++key) {
        root.insert(key.key(), key.value());
    }
    QJsonArray unreadable;
    for (const UnreadableFile& file : files) {
        QJsonObject entry{{QStringLiteral("path"), ShownFileName(file.path)},
                          {QStringLiteral("reason"), BareReason(file.reason)},
                          {QStringLiteral("kind"), UnreadableKindName(file.kind)}};
        if (HasUndecodedBytes(file.path)) {
            entry.insert(QStringLiteral("path_bytes"), QString::fromLatin1(FileNameBytes(file.path).toBase64()));
        }
        unreadable.append(entry);
    }
    root.insert(QStringLiteral("unreadable"), unreadable);
    return QJsonDocument(root).toJson(QJsonDocument::Compact) + '\n';
}

// The writing of WriteCorpusTable: the failure's description, or "".
QString WriteTable(const QString& command, const CliOptions& options, ResultTable& table,
                   const QList<UnreadableFile>& unreadable, const CorpusExtras& extras) {
    const QString path = options.output.isEmpty() ? QStringLiteral("-") : options.output;
    const Yield giveUp = [] { FailIf(StopSignalled(), QStringLiteral("interrupted")); };
    try {
        table.SetAllTicked(true);
        if (options.format == CliFormat::Json || options.format == CliFormat::Svg) {
            const QByteArray bytes =
                options.format == CliFormat::Svg ? extras.image : TableJson(command, table, unreadable, extras.json);
            WriteBytes(path, giveUp, bytes);
        } else {
            ExportOptions exportOptions;
            exportOptions.yield = giveUp;
            exportOptions.header = !options.noHeader;
            Export(FormatOf(options.format), table, exportOptions, path);
        }
    } catch (const Failure& failure) {
        return failure.Description();
    }
    return {};
}

} // namespace

CommandOutcome WriteCorpusTable(const QString& command, const CliOptions& options, ResultTable& table,
                                CommandOutcome outcome, const CorpusExtras& extras) {
    const QString failure = WriteTable(command, options, table, outcome.unreadable, extras);
    if (!failure.isEmpty()) {
        if (!StopSignalled()) {
            PrintError(failure);
        }
        return CommandOutcome::Ended(StopSignalled() ? CommandOutcome::End::Interrupted
                                                     : CommandOutcome::End::NotWritten);
    }
    outcome.rows = table.RowCount() > 0;
    return outcome;
}

CommandBit CommandOf(CorpusCommand command) {
    switch (command) {
    case CorpusCommand::Concordance:
        return kConcordanceCommand;
    case CorpusCommand::Collocates:
        return kCollocatesCommand;
    case CorpusCommand::Dispersion:
        return kDispersionCommand;
    case CorpusCommand::Phrases:
        break;
    }
    return kPhrasesCommand;
}

QString CommandName(CorpusCommand command) {
    switch (command) {
    case CorpusCommand::Concordance:
        return QStringLiteral("concordance");
    case CorpusCommand::Collocates:
        return QStringLiteral("collocates");
    case CorpusCommand::Dispersion:
        return QStringLiteral("dispersion");
    case CorpusCommand::Phrases:
        break;
    }
    return QStringLiteral("phrases");
}

CorpusRule CorpusRuleOf(const CliOptions& options) {
    return {options.letters, options.ignoreCase, options.method == CliMethod::Db, options.words};
}

QString CorpusUsageText(CorpusCommand command) {
    const QString notes =
        QStringLiteral("\n"
                       "Words are cut as a run cuts them (the same options give the same words); common words are\n"
                       "never left out. A folder adds every PDF file below it. Pages are counted from 1 by the\n"
                       "form feeds the converter ends every page with.\n"
                       "Exit status: 0 with rows, 1 when there is none or the output could not be written, 2 for a\n"
                       "usage error, 4 when a PATH could not be read (the others were used).\n");
    if (command == CorpusCommand::Concordance) {
        return QStringLiteral("Usage: lexitally-cli concordance [--context N] [--format tsv|csv|json|text] [-o FILE]\n"
                              "                                 [options] WORD PATH...\n"
                              "\n"
                              "Lists every occurrence of WORD in the files, one line each: File, Page, Left (the\n"
                              "text before it), Word (the word as written), Right (the text after it). There are\n"
                              "as many lines as the word's count in a run's rows.\n"
                              "\n") +
               OptionsHelp(kConcordanceCommand) + notes;
    }
    if (command == CorpusCommand::Collocates) {
        return QStringLiteral(
                   "Usage: lexitally-cli collocates [--left N] [--right N] [--min-count K] [--sort MEASURE]\n"
                   "                                [--top N] [--format tsv|csv|json|text] [-o FILE] [options]\n"
                   "                                WORD PATH...\n"
                   "\n"
                   "Lists the words found within a span of every occurrence of WORD (N words before it and\n"
                   "after it, never across a page end or from one file into the next): Collocate, Left and\n"
                   "Right (its occurrences before and after WORD), Count (both), Frequency (its own in all\n"
                   "the files), and four measures of how strongly it keeps company with WORD. For f(n,c)\n"
                   "co-occurrences of WORD n and collocate c, f(n) and f(c) their frequencies, N the words\n"
                   "of the files and span the words before and after:\n"
                   "  E = f(n) f(c) span / N                    MI = log2(f(n,c) / E)\n"
                   "  T-score = (f(n,c) - E) / sqrt(f(n,c))     logDice = 14 + log2(2 f(n,c) / (f(n) + f(c)))\n"
                   "  Log-likelihood: G2 over the 2x2 table of the f(n) span words in WORD's spans against\n"
                   "  the rest (Evert 2008, The Corpus Linguistics Handbook); logDice: Rychly 2008.\n"
                   "\n") +
               OptionsHelp(kCollocatesCommand) + notes;
    }
    if (command == CorpusCommand::Dispersion) {
        return QStringLiteral("Usage: lexitally-cli dispersion [--format tsv|csv|json|text|svg] [-o FILE] [options]\n"
                              "                                WORD PATH...\n"
                              "\n"
                              "Shows where WORD occurs: one line per occurrence with its File, Page and Position, its\n"
                              "place among the file's words as a share of them (0 for the first word, below 1 for the\n"
                              "last). JSON adds \"files\": each file's words, pages, hits and hits per 1,000 words.\n"
                              "--format svg draws the plot: one strip per file, its length the file's words, a mark\n"
                              "per occurrence, light ticks where pages begin, and the file's hits and hits per 1,000\n"
                              "words beside it.\n"
                              "\n") +
               OptionsHelp(kDispersionCommand) + notes;
    }
    return QStringLiteral("Usage: lexitally-cli phrases [--length N] [--min-count K] [--most-frequent]\n"
                          "                             [--format tsv|csv|json|text] [-o FILE] [options] PATH...\n"
                          "\n"
                          "Counts the sequences of N words (Phrase, Count), least frequent first. A line end is\n"
                          "only a blank between two words; no sequence runs across a page end or a file end.\n"
                          "\n") +
           OptionsHelp(kPhrasesCommand) + notes;
}

void AddStatistics(const ResultTable& rows, const QList<WordStat>& stats, const CorpusRule& rule, ResultTable& out) {
    QHash<QString, WordStat> byWord;
    for (const WordStat& stat : stats) {
        byWord.insert(stat.word, stat);
    }
    // All files: the word, then its count.
    const int wordColumn = 0;
    for (int c = 0; c < rows.ColumnCount(); ++c) {
        out.AddColumn(rows.Header(c), rows.Kind(c));
    }
    for (const QString& header : StatisticsHeaders()) {
        out.AddColumn(header, header == QStringLiteral("Range") ? CellKind::Count : CellKind::Text);
    }
    for (int r = 0; r < rows.RowCount(); ++r) {
        QStringList cells = rows.Row(r);
        const QString key = QString::fromUtf8(WordKey(rows.Cell(r, wordColumn).toUtf8(), rule));
        const auto found = byWord.constFind(key);
        cells << (found != byWord.cend() ? StatisticsCells(*found) : QStringList{{}, {}, {}});
        out.AddRow(cells);
    }
    if (rows.HasTotals()) {
        out.SetTotals(rows.LastTotals());
    }
}

namespace {

using End = CommandOutcome::End;

CollocateOptions CollocateOptionsOf(const CliOptions& options) {
    static const QHash<QString, CollocateSort> sorts{{QStringLiteral("mi"), CollocateSort::MI},
                                                     {QStringLiteral("t-score"), CollocateSort::TScore},
                                                     {QStringLiteral("log-likelihood"), CollocateSort::LogLikelihood},
                                                     {QStringLiteral("count"), CollocateSort::Count}};
    return {options.left, options.right, options.minCount, sorts.value(options.sort, CollocateSort::LogDice),
            options.top};
}

// The concordance's lines, the phrases or the collocates of the texts; false (said) when they
// cannot be made.
// The "files" key of the dispersion's JSON: each file's words, pages, hits and hits per 1,000.
QJsonArray DispersionFiles(const Dispersion& dispersion, const QList<ConvertedText>& texts) {
    QJsonArray files;
    for (const FileDispersion& file : dispersion.files) {
        files.append(QJsonObject{{QStringLiteral("path"), ShownFileName(texts.value(file.file).label)},
                                 {QStringLiteral("words"), file.words},
                                 {QStringLiteral("pages"), file.Pages()},
                                 {QStringLiteral("hits"), file.hits.size()},
                                 {QStringLiteral("per_1000"), std::round(file.PerThousand() * 100.0) / 100.0}});
    }
    return files;
}

bool FillTable(CorpusCommand command, const CliOptions& options, const QList<ConvertedText>& texts, ResultTable& table,
               CorpusExtras& extras) {
    const CorpusRule rule = CorpusRuleOf(options);
    try {
        if (command == CorpusCommand::Dispersion) {
            const Dispersion dispersion = DispersionOf(texts, TypedWordKey(options.word, rule), rule);
            FillDispersion(table, dispersion, texts);
            extras.json.insert(QStringLiteral("files"), DispersionFiles(dispersion, texts));
            if (options.format == CliFormat::Svg) {
                extras.image = DispersionSvg(dispersion, texts, options.word);
            }
            return true;
        }
        if (command == CorpusCommand::Collocates) {
            FillCollocates(table,
                           Collocates(texts, TypedWordKey(options.word, rule), rule, CollocateOptionsOf(options)).rows);
            return true;
        }
        if (command == CorpusCommand::Concordance) {
            const QList<ConcordanceLine> lines =
                Concordance(texts, TypedWordKey(options.word, rule), rule, options.context);
            FillConcordance(table, lines, texts);
            return true;
        }
        ResultTable all;
        FillPhrases(options.top > 0 ? all : table,
                    CountPhrases(texts, options.length, options.minCount,
                                 options.mostFirst ? PhraseOrder::MostFirst : PhraseOrder::LeastFirst, rule));
        if (options.top > 0) {
            SelectMostFrequent(all, options.top, options.mostFirst, table);
        }
        return true;
    } catch (const Failure& failure) {
        PrintError(failure.Description());
        return false;
    }
}

CommandOutcome RunCorpus(CorpusCommand command, CliOptions options) {
    const QString name = CommandName(command);
    CommandOutcome outcome;
    ResultTable table;
    CorpusExtras extras;
    bool made = true;
    // The table is made while the texts exist: they go with the run's folder.
    const auto use = [&](const QList<ConvertedText>& texts) {
        made = FillTable(command, options, texts, table, extras);
    };
    if (const std::optional<End> end = ConvertInputs(options, name, use, outcome)) {
        return CommandOutcome::Ended(*end);
    }
    if (!made) {
        return CommandOutcome::Ended(End::NotWritten);
    }
    return WriteCorpusTable(name, options, table, std::move(outcome), extras);
}

} // namespace

int RunCorpusCommand(CorpusCommand command, const QStringList& arguments) {
    const ParsedArguments parsed = ParseCommandArguments(CommandOf(command), arguments);
    if (parsed.help) {
        return PrintOutput(CorpusUsageText(command));
    }
    QString error = parsed.error;
    if (parsed.options && command != CorpusCommand::Phrases &&
        TypedWordKey(parsed.options->word, CorpusRuleOf(*parsed.options)).isEmpty()) {
        error = QStringLiteral("WORD must be one word by the letter rule");
    }
    if (!parsed.options || !error.isEmpty()) {
        PrintError(CommandName(command) + QStringLiteral(": ") + error + QStringLiteral(" (see ") +
                   CommandName(command) + QStringLiteral(" --help)"));
        return ExitStatus(CommandOutcome::Ended(End::Usage));
    }
    return ExitStatus(RunCorpus(command, *parsed.options));
}
