// lexitally-cli concordance and phrases: the corpus views of the window, without windows.

#include "cli/Corpus.h"

#include "cli/Store.h"

#include "cli/CliOptions.h"
#include "cli/ConsoleUi.h"
#include "cli/Inputs.h"
#include "cli/Signals.h"
#include "core/base/ErrorReport.h"
#include "core/base/Places.h"
#include "core/base/System.h"
#include "core/corpus/Concordance.h"
#include "core/corpus/Phrases.h"
#include "core/corpus/WordStats.h"
#include "core/count/CountingPass.h"
#include "core/export/DataExport.h"
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

namespace {

constexpr int kNoRows = 1;
constexpr int kUsage = 2;
constexpr int kPathUnreadable = 4;

QString CommandName(CorpusCommand command) {
    return command == CorpusCommand::Concordance ? QStringLiteral("concordance") : QStringLiteral("phrases");
}

// The value of "--name value" or "--name=value"; advances i past it.
std::optional<QString> ValueAfter(const QStringList& arguments, qsizetype& i, const QString& name) {
    const QString& argument = arguments[i];
    if (argument.startsWith(name + u'=')) {
        return argument.mid(name.size() + 1);
    }
    if (argument != name || i + 1 >= arguments.size()) {
        return std::nullopt;
    }
    return arguments[++i];
}

bool Names(const QString& argument, const QString& name) {
    return argument == name || argument.startsWith(name + u'=');
}

// The columns whose cells are numbers in JSON.
bool IsNumberColumn(const QString& header) {
    static const QStringList numbers{QStringLiteral("Page"), QStringLiteral("Count"), QStringLiteral("Per million"),
                                     QStringLiteral("Range"), QStringLiteral("DP")};
    return numbers.contains(header);
}

// {"command", "columns", "rows", "unreadable"}: numbers as JSON numbers.
QByteArray TableJson(const QString& command, const ResultTable& table, const QList<ConvertedText>& texts) {
    QJsonObject root;
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
            double value = 0;
            if (IsNumberColumn(table.Header(c)) && IsDecimalNumber(cell, &value)) {
                row.append(value);
            } else {
                row.append(cell);
            }
        }
        rows.append(row);
    }
    root.insert(QStringLiteral("rows"), rows);
    QJsonArray unreadable;
    for (const ConvertedText& text : texts) {
        if (text.text.isEmpty()) {
            unreadable.append(
                QJsonObject{{QStringLiteral("path"), text.source}, {QStringLiteral("reason"), text.reason.trimmed()}});
        }
    }
    root.insert(QStringLiteral("unreadable"), unreadable);
    return QJsonDocument(root).toJson(QJsonDocument::Compact) + '\n';
}

// Writes the table in the format asked; the failure's description, or "". A signal gives the
// writing up.
QString WriteTable(const CorpusOptions& options, ResultTable& table, const QList<ConvertedText>& texts) {
    const QString path = options.output.isEmpty() ? QStringLiteral("-") : options.output;
    const Yield giveUp = [] { FailIf(StopSignalled(), QStringLiteral("interrupted")); };
    try {
        table.SetAllTicked(true);
        if (options.format == QStringLiteral("json")) {
            const QByteArray json = TableJson(CommandName(options.command), table, texts);
            WriteThrough(path, giveUp, [&json](QIODevice& device) {
                FailIf(device.write(json) != json.size(), device.errorString());
            });
        } else {
            const ExportFormat format = options.format == QStringLiteral("csv")    ? ExportFormat::Csv
                                        : options.format == QStringLiteral("text") ? ExportFormat::Text
                                                                                   : ExportFormat::Tsv;
            ExportOptions exportOptions;
            exportOptions.yield = giveUp;
            Export(format, table, exportOptions, path);
        }
    } catch (const Failure& failure) {
        return failure.Description();
    }
    return {};
}

} // namespace

ParsedCorpusArguments ParseCorpusArguments(CorpusCommand command, const QStringList& arguments) {
    ParsedCorpusArguments parsed;
    CorpusOptions options;
    options.command = command;
    options.rule.databaseMethod = true; // as a run counts by default
    const QString name = CommandName(command);
    const auto fail = [&](const QString& message) {
        parsed.error = name + QStringLiteral(": ") + message;
        return parsed;
    };
    const auto number = [](const std::optional<QString>& value, qint64 low, qint64 high) -> std::optional<qint64> {
        bool ok = false;
        const qint64 n = value ? value->toLongLong(&ok) : 0;
        return ok && n >= low && n <= high ? std::optional<qint64>(n) : std::nullopt;
    };
    bool onlyPaths = false;
    QStringList operands;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (onlyPaths || argument == QStringLiteral("-") || !argument.startsWith(u'-')) {
            operands << argument;
        } else if (argument == QStringLiteral("--")) {
            onlyPaths = true;
        } else if (argument == QStringLiteral("--help") || argument == QStringLiteral("-h")) {
            parsed.help = true;
            return parsed;
        } else if (command == CorpusCommand::Concordance && Names(argument, QStringLiteral("--context"))) {
            const auto n = number(ValueAfter(arguments, i, QStringLiteral("--context")), 0, 1000);
            if (!n) {
                return fail(QStringLiteral("--context needs a number from 0 to 1000"));
            }
            options.context = static_cast<int>(*n);
        } else if (command == CorpusCommand::Phrases && Names(argument, QStringLiteral("--length"))) {
            const auto n =
                number(ValueAfter(arguments, i, QStringLiteral("--length")), kMinPhraseLength, kMaxPhraseLength);
            if (!n) {
                return fail(QStringLiteral("--length needs a number from 2 to 5"));
            }
            options.length = static_cast<int>(*n);
        } else if (command == CorpusCommand::Phrases && Names(argument, QStringLiteral("--min-count"))) {
            const auto n =
                number(ValueAfter(arguments, i, QStringLiteral("--min-count")), 1, std::numeric_limits<qint64>::max());
            if (!n) {
                return fail(QStringLiteral("--min-count needs a number of 1 or more"));
            }
            options.minCount = *n;
        } else if (command == CorpusCommand::Phrases && argument == QStringLiteral("--most-frequent")) {
            options.mostFirst = true;
        } else if (Names(argument, QStringLiteral("--format"))) {
            const auto value = ValueAfter(arguments, i, QStringLiteral("--format"));
            if (!value || !QStringList{"tsv", "csv", "json", "text"}.contains(*value)) {
                return fail(QStringLiteral("--format needs tsv, csv, json or text"));
            }
            options.format = *value;
        } else if (argument == QStringLiteral("-o") || Names(argument, QStringLiteral("--output"))) {
            const auto value = argument == QStringLiteral("-o") && i + 1 < arguments.size()
                                   ? std::optional<QString>(arguments[++i])
                                   : ValueAfter(arguments, i, QStringLiteral("--output"));
            if (!value || value->isEmpty()) {
                return fail(QStringLiteral("-o needs a file name"));
            }
            options.output = *value;
        } else if (argument == QStringLiteral("--case-sensitive")) {
            options.rule.ignoreCase = false;
        } else if (Names(argument, QStringLiteral("--letters"))) {
            const auto value = ValueAfter(arguments, i, QStringLiteral("--letters"));
            if (value != QStringLiteral("ascii") && value != QStringLiteral("all")) {
                return fail(QStringLiteral("--letters needs ascii or all"));
            }
            options.rule.letters = value == QStringLiteral("all") ? LetterRule::AllLanguages : LetterRule::Ascii;
        } else if (Names(argument, QStringLiteral("--method"))) {
            const auto value = ValueAfter(arguments, i, QStringLiteral("--method"));
            if (value != QStringLiteral("db") && value != QStringLiteral("text")) {
                return fail(QStringLiteral("--method needs db or text"));
            }
            options.rule.databaseMethod = value == QStringLiteral("db");
        } else if (argument == QStringLiteral("--segment")) {
            options.rule.words.segment = true;
        } else if (argument == QStringLiteral("--compat-forms")) {
            options.rule.words.compatibility = true;
        } else if (argument == QStringLiteral("--no-cache")) {
            options.noCache = true;
        } else if (argument == QStringLiteral("--text")) {
            options.textInput = true;
        } else if (const std::optional<QString> ocr = ParseOcrOption(arguments, i, options.ocr)) {
            if (!ocr->isEmpty()) {
                return fail(*ocr);
            }
        } else if (Names(argument, QStringLiteral("--password"))) {
            const auto value = ValueAfter(arguments, i, QStringLiteral("--password"));
            if (!value) {
                return fail(QStringLiteral("--password needs a value"));
            }
            options.password = *value;
        } else {
            return fail(QStringLiteral("unknown option ") + argument);
        }
    }
    if ((options.rule.words.segment || options.rule.words.compatibility) &&
        options.rule.letters != LetterRule::AllLanguages) {
        return fail(
            QString(options.rule.words.segment ? QStringLiteral("--segment") : QStringLiteral("--compat-forms")) +
            QStringLiteral(" needs --letters all"));
    }
    if (options.ocr.enabled && options.textInput) {
        return fail(QStringLiteral("--ocr reads the pages of PDFs: it cannot be used with --text"));
    }
    if (command == CorpusCommand::Concordance) {
        if (operands.isEmpty()) {
            return fail(QStringLiteral("no WORD given"));
        }
        options.word = operands.takeFirst();
        if (TypedWordKey(options.word, options.rule).isEmpty()) {
            return fail(QStringLiteral("WORD must be one word by the letter rule"));
        }
    }
    if (operands.isEmpty()) {
        return fail(QStringLiteral("no PATH given"));
    }
    options.paths = operands;
    parsed.options = options;
    return parsed;
}

QString CorpusUsageText(CorpusCommand command) {
    const QString common =
        QStringLiteral("  --format FORMAT     tsv (default), csv (RFC 4180), json or text (column-aligned)\n"
                       "  -o, --output FILE   write to FILE instead of standard output\n"
                       "  --case-sensitive    keep words that differ in letter case apart (default: ignore case)\n"
                       "  --method db|text    the word-frequency method whose rows to match (default db: its rows\n"
                       "                      group spellings regardless of letter case)\n"
                       "  --letters ascii|all the letter rule, as for a run\n"
                       "  --segment           with --letters all: dictionary words, as for a run\n"
                       "  --compat-forms      with --letters all: compatibility forms as their letters, as for a run\n"
                       "  --no-cache          neither use nor fill the store of converted texts\n"
                       "  --password PW       password for every PDF\n"
                       "  --ocr[=LANGS]       read PDFs that give no text (scanned pages) by OCR, in LANGS (default\n"
                       "                      eng; several joined by +), as a run does\n"
                       "  --ocr-lang LANGS    the same as --ocr=LANGS\n"
                       "  --text              every PATH is a UTF-8 text file used in place of a converted PDF\n"
                       "  --                  every argument after it is a PATH\n"
                       "  -h, --help          show this help\n"
                       "\n"
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
                              "text before it), Word (the token it stands in, as written), Right (the text after\n"
                              "it). There are as many lines as the word's count in a run's rows.\n"
                              "\n"
                              "  --context N         characters of text on each side (default 40)\n") +
               common;
    }
    return QStringLiteral("Usage: lexitally-cli phrases [--length N] [--min-count K] [--most-frequent]\n"
                          "                             [--format tsv|csv|json|text] [-o FILE] [options] PATH...\n"
                          "\n"
                          "Counts the sequences of N words (Phrase, Count), least frequent first. A line end is\n"
                          "only a blank between two words; no sequence runs across a page end or a file end.\n"
                          "\n"
                          "  --length N          words per phrase, 2 to 5 (default 2)\n"
                          "  --min-count K       only phrases seen at least K times (default 1)\n"
                          "  --most-frequent     most frequent first\n") +
           common;
}

QList<ConvertedText> CommandLineTexts(const QStringList& paths, const QStringList& labels, const QString& password,
                                      bool textInput, const QString& workFolder, const QString& converter,
                                      const QStringList& ocrRead, const OcrOptions& ocr, int jobs, TextStore* store) {
    QList<TextSource> files;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        files.append({paths[i], labels.value(i, paths[i]), password, ocr.enabled && ocrRead.contains(paths[i])});
    }
    // A signal ends the converter or OCR at work, and no file more is read.
    ConverterProcesses running;
    TextPlace place;
    place.running = &running;
    place.yield = [&running] {
        if (StopSignalled()) {
            running.KillAll();
        }
    };
    place.stop = StopSignalled;
    place.converter = converter;
    place.workFolder = workFolder;
    place.textInput = textInput;
    place.ocrLanguages = ocr.languages;
    place.ocrJobs = jobs;
    place.store = store;
    return RunTexts(files, place);
}

void AddStatistics(const ResultTable& rows, const QList<ConvertedText>& texts, const CorpusRule& rule,
                   ResultTable& out) {
    QHash<QString, WordStat> byWord;
    for (const WordStat& stat : WordStatistics(texts, rule)) {
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

int RunCorpusCommand(CorpusCommand command, const QStringList& arguments) {
    const ParsedCorpusArguments parsed = ParseCorpusArguments(command, arguments);
    if (parsed.help) {
        std::fputs(CorpusUsageText(command).toUtf8().constData(), stdout);
        return 0;
    }
    if (!parsed.options) {
        PrintError(parsed.error + QStringLiteral(" (see ") + CommandName(command) + QStringLiteral(" --help)"));
        return kUsage;
    }
    const CorpusOptions& options = *parsed.options;
    InstallStopSignals();
    RemoveAbandonedWorkFolders();
    ConsoleUi ui;
    QStringList paths;
    SkippedFolders skipped;
    bool pathProblem = false;
    for (const QString& path : options.paths) {
        if (!QFileInfo::exists(path)) {
            pathProblem = true;
        }
        if (!options.textInput && QFileInfo(path).isDir()) {
            paths << CollectFolderFiles(path, kPdfPattern, {}, ui, &skipped);
        } else {
            paths << path;
        }
    }
    const QString clash = InputThatIsOutput(options.output, options.paths + paths, false);
    if (!clash.isEmpty()) {
        PrintError(CommandName(command) + QStringLiteral(": the output is one of the inputs (") + clash +
                   QStringLiteral("); choose another file"));
        return kUsage;
    }
    std::optional<RunFolder> folder = MakeRunFolder(options.textInput);
    if (!folder) {
        return kNoRows;
    }
    std::unique_ptr<QTemporaryDir> work = std::move(folder->work);
    const QString converter = folder->converter;
    if (!OcrReady(options.ocr, converter, CommandName(command) + QStringLiteral(": "))) {
        return kUsage;
    }
    QStringList labels;
    for (const QString& path : paths) {
        labels << (options.textInput ? path : FileLabel(path));
    }
    std::optional<CommandStore> store;
    store.emplace(!options.noCache && !options.textInput, converter);
    const QList<ConvertedText> texts =
        CommandLineTexts(paths, labels, options.password, options.textInput, work->path(), converter,
                         options.ocr.enabled ? paths : QStringList(), options.ocr, DefaultJobs(), store->get());
    store.reset();
    if (StopSignalled()) {
        return ReportStopped();
    }
    for (const SkippedFolder& folder : std::as_const(skipped)) {
        PrintError(folder.path + folder.reason);
        pathProblem = true;
    }
    if (options.format != QStringLiteral("json")) {
        for (const ConvertedText& text : texts) {
            if (text.text.isEmpty()) {
                PrintError(text.source + text.reason);
            }
        }
    }
    ResultTable table;
    try {
        if (command == CorpusCommand::Concordance) {
            const QList<ConcordanceLine> lines =
                Concordance(texts, TypedWordKey(options.word, options.rule), options.rule, options.context);
            FillConcordance(table, lines, texts);
        } else {
            FillPhrases(table, CountPhrases(texts, options.length, options.minCount,
                                            options.mostFirst ? PhraseOrder::MostFirst : PhraseOrder::LeastFirst,
                                            options.rule));
        }
    } catch (const Failure& failure) {
        PrintError(failure.Description());
        return kNoRows;
    }
    work.reset();
    if (StopSignalled()) {
        return ReportStopped();
    }
    const QString failure = WriteTable(options, table, texts);
    if (StopSignalled() && !failure.isEmpty()) {
        return ReportStopped();
    }
    if (!failure.isEmpty()) {
        PrintError(failure);
        return kNoRows;
    }
    if (pathProblem) {
        return kPathUnreadable;
    }
    return table.RowCount() == 0 ? kNoRows : 0;
}
