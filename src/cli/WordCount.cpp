// lexitally-cli's run: the words of the PATHs counted and written as asked.

#include "cli/WordCount.h"

#include "cli/ConsoleUi.h"
#include "cli/Corpus.h"
#include "cli/Inputs.h"
#include "cli/Output.h"
#include "cli/Signals.h"
#include "cli/Store.h"
#include "core/base/Environment.h"
#include "core/base/ErrorReport.h"
#include "core/base/Places.h"
#include "core/base/System.h"
#include "core/corpus/LexicalProfile.h"
#include "core/count/CountingPass.h"
#include "core/count/DatabaseProvider.h"
#include "core/count/StopWords.h"
#include "core/count/WorkingDatabase.h"
#include "core/export/DataExport.h"
#include "core/extract/Converter.h"
#include "core/filelist/FolderScan.h"
#include "core/results/Merge.h"
#include "core/results/ResultTable.h"
#include "core/run/AnalysisRun.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <future>
#include <unistd.h>

namespace {

using End = CommandOutcome::End;

// The command line's part in a run: one password for every file; a signal abandons the run.
class ConsoleRunObserver : public RunObserver {
public:
    ConsoleRunObserver(QString password, TerminalProgress& progress)
        : m_password(std::move(password)), m_progress(progress) {}
    void FileStarting(int i, int n, const QString&) override {
        if (i == 1) {
            m_progress.FilesDone(0, n);
        }
    }
    void FilesRecorded(int done, int n) override { m_progress.FilesDone(done, n); }
    QString Password(const QString&) override { return m_password; }
    bool StopRequested() override { return StopSignalled(); }
    bool Abandoned() override { return StopSignalled(); }

private:
    QString m_password;
    TerminalProgress& m_progress;
};

// The longest password read from standard input.
constexpr qint64 kPasswordLimit = 4096;

// Gives up the writing of the output once a signal came.
void ThrowWhenSignalled() {
    if (StopSignalled()) {
        throw Failure(QStringLiteral("interrupted"));
    }
}

// The password of the run: --password, else the first line of standard input with
// --password-stdin, else $LEXITALLY_PASSWORD. False (said on standard error) when standard
// input gave none or too long a line.
bool RunPassword(const CliOptions& options, QString& password) {
    if (options.passwordStdin) {
        QByteArray line;
        const StreamRead read = ReadStandardInputLine(kPasswordLimit, StopSignalled, line);
        if (read.stopped) {
            return false;
        }
        if (!read.failure.isEmpty()) {
            PrintError(QStringLiteral("--password-stdin: the password on standard input cannot be read: ") +
                       read.failure);
            return false;
        }
        if (line.isEmpty()) {
            PrintError(QStringLiteral("--password-stdin: standard input gave no password"));
            return false;
        }
        password = QString::fromUtf8(line);
        return true;
    }
    password = options.password.isEmpty() ? CurrentEnvironment().password : options.password;
    return true;
}

// True when the database method can run: the SQLite driver is there and the working database
// can be prepared. Says on standard error why not.
bool DatabaseUsable() {
    if (!CheckDatabaseProvider(true, nullptr)) {
        PrintError(QStringLiteral("the SQLite driver for Qt is missing; using the text method"));
        return false;
    }
    try {
        // A folder in its place is no database, and not ours to remove.
        FailIf(QFileInfo(WorkingDatabasePath()).isDir(), WorkingDatabasePath() + QStringLiteral(" is a folder"));
        EnsureWorkingDatabase();
    } catch (const Failure& failure) {
        PrintError(QStringLiteral("the working database cannot be prepared (") + failure.Description() +
                   QStringLiteral("); using the text method"));
        return false;
    }
    return true;
}

// One row per file of the run, in the order of its rows, with its counts or its reason or both; then
// what could not be read before the run (folders that could not be searched, streams).
QList<FileSummaryRow> SummaryRows(const RunInputs& inputs, const AnalysisSummary& summary, const ResultTable& table,
                                  const QList<UnreadableFile>& before) {
    QList<FileSummaryRow> rows =
        FileSummaryRows(summary.paths, summary.unreadable, table.Files(), inputs.shownAs, summary.ocrRead);
    for (const UnreadableFile& file : before) {
        rows << FileSummaryRow{file.path, false, {}, BareReason(file.reason), file.kind, false, {}};
    }
    return rows;
}

// The error reports of the failed steps as a terminal shows them (line ends LF).
QStringList ErrorTexts(const QList<StepFailure>& failures) {
    QStringList texts;
    for (const StepFailure& failure : failures) {
        QString plain = ErrorReportText(failure);
        plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        texts << plain;
    }
    return texts;
}

// Names the files that gave no text on standard error, whatever the output's format, and says
// when that leaves the results incomplete.
void PrintUnreadable(const QList<UnreadableFile>& unreadable) {
    qsizetype lost = 0;
    for (const UnreadableFile& file : unreadable) {
        lost += LostToEnvironment(file.kind) ? 1 : 0;
        PrintError(file.path + QStringLiteral(": ") + BareReason(file.reason));
    }
    if (lost > 0) {
        PrintError(QStringLiteral("the results are incomplete: the text of ") +
                   (lost == 1 ? QStringLiteral("1 file") : QString::number(lost) + QStringLiteral(" files")) +
                   QStringLiteral(" was lost (see above)"));
    }
}

// What a run reads before it starts besides its PATHs: the common words and the password.
struct Prepared {
    QStringList stopWords;
    QString password;
};

// Refuses an output that is one of the inputs and two readers of standard input, then reads the
// common words and the password; how the run ends when it cannot start.
std::optional<End> Prepare(const CliOptions& options, const RunInputs& inputs, Prepared& prepared) {
    // No file the run reads may be the output: the PATHs and the files of their folders, the
    // file of common words, standard input.
    QStringList read = options.paths + inputs.rows;
    if (!options.stopWords.isEmpty() && !StopListNames().contains(options.stopWords)) {
        read << options.stopWords;
    }
    const bool readsStandardInput = options.passwordStdin || options.paths.contains(QStringLiteral("-")) ||
                                    options.filesFrom == QStringLiteral("-");
    const QString clash = InputThatIsOutput(options.output, read, readsStandardInput);
    if (!clash.isEmpty()) {
        PrintError(OutputIsInputText(options.output, clash));
        return End::Usage;
    }
    if (options.passwordStdin && options.paths.contains(QStringLiteral("-"))) {
        PrintError(QStringLiteral("--password-stdin and the PATH - cannot both read standard input (see --help)"));
        return End::Usage;
    }
    if (!options.stopWords.isEmpty()) {
        const StreamRead words = ReadStopWordsInput(options.stopWords, StopSignalled, prepared.stopWords);
        if (words.stopped) {
            return End::Interrupted;
        }
        if (!words.failure.isEmpty()) {
            PrintError(QStringLiteral("cannot read the common words: ") + words.failure);
            return End::Usage;
        }
    }
    if (!RunPassword(options, prepared.password)) {
        return StopSignalled() ? End::Interrupted : End::Usage;
    }
    return std::nullopt;
}

// The run as the core takes it.
AnalysisRequest RequestOf(const CliOptions& options, const RunInputs& inputs, const Prepared& prepared,
                          const RunFolder& folder) {
    AnalysisRequest request;
    request.rows = RowSource::Of(inputs.rows);
    request.labels = options.textInput && inputs.labels.isEmpty() ? inputs.rows : inputs.labels;
    request.mode = options.summary ? CountMode::PerFile : options.mode;
    const bool ignoreCase = options.ignoreCase;
    request.ignoreCase = [ignoreCase] { return ignoreCase; };
    request.databaseWanted = options.method == CliMethod::Db;
    request.textWanted = options.method == CliMethod::Text;
    request.providerAvailable = request.databaseWanted && DatabaseUsable();
    request.textInput = options.textInput;
    request.workFolder = folder.work->path();
    request.converter = folder.converter;
    request.jobs = options.jobs > 0 ? options.jobs : DefaultJobs();
    request.letters = options.letters;
    request.words = options.words;
    request.stopWords = prepared.stopWords;
    request.ocr = options.ocr;
    return request;
}

// The statistics of a run's texts (--stats), walked on other cores while the pass counts them.
class StatisticsWalk {
public:
    void Start(const QList<ConvertedText>& texts, const CorpusRule& rule) {
        m_rule = rule;
        m_stats = std::async(std::launch::async, [texts, rule] { return WordStatistics(texts, rule); });
    }
    // Waits for the walk; false (said) when the statistics cannot be made.
    bool AddTo(const ResultTable& rows, ResultTable& out) {
        if (!m_stats.valid()) {
            return true; // the run ended before its texts were counted
        }
        try {
            AddStatistics(rows, m_stats.get(), m_rule, out);
        } catch (const Failure& failure) {
            PrintError(QStringLiteral("the statistics cannot be made: ") + failure.Description());
            return false;
        }
        return true;
    }

private:
    CorpusRule m_rule;
    std::future<QList<WordStat>> m_stats;
};

// The lexical profile of each of a run's texts (--profile), walked on other cores while the pass
// counts them.
class ProfileWalk {
public:
    void Start(const QList<ConvertedText>& texts, const CorpusRule& rule) {
        m_texts = texts;
        m_profiles = std::async(std::launch::async, [texts, rule] { return LexicalProfiles(texts, rule); });
    }
    // Waits for the walk, which reads the texts; false (said) when the profiles cannot be made.
    bool Finish() {
        if (!m_profiles.valid()) {
            return true; // the run ended before its texts were counted
        }
        try {
            m_made = m_profiles.get();
        } catch (const Failure& failure) {
            PrintError(QStringLiteral("the lexical profiles cannot be made: ") + failure.Description());
            return false;
        }
        return true;
    }
    // Gives the summary's rows the profiles made (paths: the rows of the counting pass).
    void AddTo(QList<FileSummaryRow>& rows, const QStringList& paths) const {
        AttachProfiles(rows, paths, m_texts, m_made);
    }

private:
    QList<ConvertedText> m_texts;
    std::future<QList<LexicalProfile>> m_profiles;
    QList<LexicalProfile> m_made;
};

// What the run leaves for its output.
struct Counted {
    AnalysisSummary summary;
    ResultTable table;
    ResultTable withStats; // the table with the statistics columns, with --stats
    ProfileWalk profiles;  // with --profile
    QList<StepFailure> failures;
    // Told the texts before they are counted, while they exist (the corpus commands).
    std::function<void(const QList<ConvertedText>&)> textsReady;
};

// Counts the words of the run's rows (and reads the texts again for --stats); false (said) when
// the statistics cannot be made.
bool Count(const CliOptions& options, const QStringList& rows, const AnalysisRequest& request, const Prepared& prepared,
           const RunFolder& folder, Counted& counted) {
    ConsoleUi console;
    TerminalProgress progress(!options.quiet && ::isatty(STDERR_FILENO), options.textInput,
                              request.mode != CountMode::PerFile);
    progress.SetFileSizes(rows);
    ConsoleRunObserver observer(prepared.password, progress);
    ConverterProcesses converters;
    // A summary needs each file's own counts.
    counted.table.SetColumns(request.mode);
    AnalysisContext context;
    context.progress = progress.Showing() ? &progress : nullptr; // nothing formatted for nobody
    context.results = &counted.table;
    context.observer = &observer;
    context.converters = &converters;
    context.ui = &console;
    const CommandStore store(!options.noCache && !options.textInput, folder.converter);
    context.store = store.get();
    context.restoreAhead = prepared.password.isEmpty();
    // A signal ends the converter that is running at the next turn.
    context.yield = [&converters] {
        if (StopSignalled()) {
            converters.KillAll();
        }
    };
    StatisticsWalk statistics;
    if (counted.textsReady) {
        context.textsReady = [&counted](const QList<ConvertedText>& texts, FrequencyMethodKind) {
            counted.textsReady(texts);
        };
    } else if (options.stats) {
        context.textsReady = [&](const QList<ConvertedText>& texts, FrequencyMethodKind method) {
            CorpusRule rule = CorpusRuleOf(options);
            rule.databaseMethod = method == FrequencyMethodKind::Database; // the method the run chose
            statistics.Start(texts, rule);
        };
    } else if (options.profile) {
        context.textsReady = [&](const QList<ConvertedText>& texts, FrequencyMethodKind method) {
            CorpusRule rule = CorpusRuleOf(options);
            rule.databaseMethod = method == FrequencyMethodKind::Database;
            counted.profiles.Start(texts, rule);
        };
    }
    ErrorReport steps(console, QStringLiteral("in lexitally-cli "));
    counted.summary = RunAnalysis(request, context, steps);
    counted.failures += counted.summary.failures;
    progress.Done();
    // Waited for even after a signal: the walks read the work folder, which goes after them.
    const bool made = statistics.AddTo(counted.table, counted.withStats);
    const bool profiled = counted.profiles.Finish();
    return StopSignalled() || (made && profiled);
}

// Adds the files of the run that gave no text to the outcome and names those from the entry
// `from` on (the ones this count met) on standard error; streams are named as they were given,
// not by the file they were read into.
void NameUnreadable(const RunInputs& inputs, const AnalysisSummary& summary, CommandOutcome& outcome,
                    qsizetype from = 0) {
    for (UnreadableFile file : summary.unreadable) {
        const qsizetype row = inputs.rows.indexOf(file.path);
        if (row >= 0) {
            file.path = inputs.shownAs[row];
        }
        outcome.unreadable.append(file);
    }
    PrintUnreadable(outcome.unreadable.mid(from));
}

// Writes what was counted as asked; outcome holds what the run met before.
void WriteRun(const CliOptions& options, const RunInputs& inputs, const Prepared& prepared, Counted& counted,
              CommandOutcome& outcome) {
    const AnalysisSummary& summary = counted.summary;
    QList<FileSummaryRow> files;
    if (options.summary) {
        files = SummaryRows(inputs, summary, counted.table, outcome.unreadable);
        if (options.profile) {
            counted.profiles.AddTo(files, summary.paths);
        }
    }
    NameUnreadable(inputs, summary, outcome);
    if (counted.table.RowCount() == 0 && !options.textInput && counted.failures.isEmpty()) {
        PrintError(QStringLiteral("No text was found in PDF(s)."));
    }
    const bool stopped = !options.stopWords.isEmpty();
    const JsonRunFacts facts{
        options.summary ? CountMode::PerFile : options.mode,
        MethodName(summary.method == FrequencyMethodKind::Database ? CliMethod::Db : CliMethod::Text),
        options.ignoreCase,
        ErrorTexts(counted.failures),
        stopped,
        options.letters,
        stopped ? options.stopWords : QString(),
        stopped ? StopWordsFingerprint(prepared.stopWords, options.letters) : QString(),
        options.words};
    ResultTable* rows = options.stats ? &counted.withStats : &counted.table;
    ResultTable chosen;
    if (options.top > 0 || options.mostFirst) {
        SelectMostFrequent(*rows, options.top, options.mostFirst, chosen);
        rows = &chosen;
    }
    ResultTable withTotals;
    if (options.totals && options.format != CliFormat::Json) {
        WithTotalRows(*rows, withTotals);
        rows = &withTotals;
    }
    const QString failure = WriteResults(options.format, options.output, facts, *rows, outcome.unreadable,
                                         ThrowWhenSignalled, options.summary ? &files : nullptr,
                                         !options.summary || options.mode == CountMode::PerFile, !options.noHeader);
    if (!failure.isEmpty()) {
        if (!StopSignalled()) {
            PrintError(failure);
        }
        outcome.end = StopSignalled() ? End::Interrupted : End::NotWritten;
        return;
    }
    outcome.stepFailed = !counted.failures.isEmpty();
    outcome.rows = counted.table.RowCount() > 0;
}

// Counts the PATHs of the options as a run does, up to its rows; how the run ends when it cannot
// go on. Nothing is written.
// name: the command's, "" for a run.
std::optional<End> CountInputs(CliOptions& options, RunInputs& inputs, Prepared& prepared, Counted& counted,
                               CommandOutcome& outcome, const QString& name = {}) {
    InstallStopSignals();
    if (const std::optional<End> end = CompletePaths(options.paths, options.filesFrom, options.nullSeparated, name)) {
        return end;
    }
    RemoveAbandonedWorkFolders();
    ConsoleUi console;
    FailureLog scanUi(&console, counted.failures);
    inputs = ExpandPaths(options.paths, options.textInput, scanUi);
    if (const std::optional<End> end = Prepare(options, inputs, prepared)) {
        return end;
    }
    std::optional<RunFolder> folder;
    if (const std::optional<End> end =
            PrepareWork(inputs, options.textInput, options.ocr,
                        name.isEmpty() ? QString() : name + QStringLiteral(": "), folder, outcome.unreadable)) {
        return end;
    }
    const AnalysisRequest request = RequestOf(options, inputs, prepared, *folder);
    if (!Count(options, inputs.rows, request, prepared, *folder, counted)) {
        return End::NotWritten;
    }
    // The converter link and the converted texts are not needed any more; the folder goes
    // before the output is written, which may wait for a reader.
    folder.reset();
    if (StopSignalled()) {
        return End::Interrupted;
    }
    outcome.pathProblem = inputs.pathProblem;
    return std::nullopt;
}

} // namespace

CommandOutcome CountWords(CliOptions options) {
    RunInputs inputs;
    Prepared prepared;
    Counted counted;
    CommandOutcome outcome;
    if (const std::optional<End> end = CountInputs(options, inputs, prepared, counted, outcome)) {
        return CommandOutcome::Ended(*end);
    }
    WriteRun(options, inputs, prepared, counted, outcome);
    return outcome;
}

std::optional<CommandOutcome::End> CountWordList(CliOptions options, WordList& list, CommandOutcome& outcome) {
    options.mode = CountMode::AllFiles;
    RunInputs inputs;
    Prepared prepared;
    Counted counted;
    const qsizetype named = outcome.unreadable.size(); // by a count before this one
    if (const std::optional<End> end = CountInputs(options, inputs, prepared, counted, outcome)) {
        return end;
    }
    NameUnreadable(inputs, counted.summary, outcome, named);
    outcome.stepFailed = outcome.stepFailed || !counted.failures.isEmpty();
    const ResultTable& table = counted.table;
    for (int r = 0; r < table.RowCount(); ++r) {
        list.words.append({table.Cell(r, 0), table.Cell(r, 1).toLongLong()});
    }
    list.total = table.HasTotals() ? table.LastTotals().words : 0;
    return std::nullopt;
}

std::optional<CommandOutcome::End> ConvertInputs(CliOptions options, const QString& name,
                                                 const std::function<void(const QList<ConvertedText>&)>& use,
                                                 CommandOutcome& outcome) {
    options.mode = CountMode::None; // the texts are what is wanted, not their words
    options.method = CliMethod::Text;
    options.stats = false;
    RunInputs inputs;
    Prepared prepared;
    Counted counted;
    counted.textsReady = use;
    if (const std::optional<End> end = CountInputs(options, inputs, prepared, counted, outcome, name)) {
        return end;
    }
    NameUnreadable(inputs, counted.summary, outcome);
    outcome.stepFailed = !counted.failures.isEmpty();
    return std::nullopt;
}
