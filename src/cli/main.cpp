// lexitally-cli: the analysis run without windows: parse the options, run, export.

#include "cli/CliOptions.h"
#include "cli/ConsoleUi.h"
#include "cli/Corpus.h"
#include "cli/Inputs.h"
#include "cli/Merge.h"
#include "cli/Output.h"
#include "cli/Signals.h"
#include "cli/Store.h"
#include "core/base/ErrorReport.h"
#include "core/base/Places.h"
#include "core/base/System.h"
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

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

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

// Exit statuses besides 0 (see --help).
constexpr int kNoRows = 1;
constexpr int kUsage = 2;
constexpr int kStepFailed = 3;
constexpr int kPathUnreadable = 4;

// The longest password read from standard input.
constexpr qint64 kPasswordLimit = 4096;

// Gives up the writing of the output once a signal came.
void ThrowWhenSignalled() {
    if (StopSignalled()) {
        throw Failure(QStringLiteral("interrupted"));
    }
}

int Interrupted() {
    return ReportStopped();
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
    password = options.password.isEmpty() ? qEnvironmentVariable("LEXITALLY_PASSWORD") : options.password;
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
        rows << FileSummaryRow{file.path, false, {}, BareReason(file.reason), file.kind, false};
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

// The exit status of a run whose output was written (see --help): 3 when its numbers may be
// incomplete (a step failed, or a file's text was lost to the machine), 4 when an input could not
// be read (a PATH, a file named or found in a folder, a folder), 1 when no row was produced.
int RunExitStatus(bool stepFailed, bool pathProblem, const QList<UnreadableFile>& unreadable, bool rows) {
    const auto any = [&unreadable](bool (*holds)(UnreadableKind)) {
        return std::any_of(unreadable.begin(), unreadable.end(),
                           [holds](const UnreadableFile& file) { return holds(file.kind); });
    };
    if (stepFailed || any(LostToEnvironment)) {
        return kStepFailed;
    }
    if (pathProblem || any(CannotBeRead)) {
        return kPathUnreadable;
    }
    return rows ? 0 : kNoRows;
}

int Run(CliOptions options) {
    InstallStopSignals();
    if (const int status = CompletePaths(options.paths, options.filesFrom, options.nullSeparated, {})) {
        return status;
    }
    RemoveAbandonedWorkFolders();
    ConsoleUi console;
    // The failed steps, before and during the run: the exit status and the JSON's errors.
    QList<StepFailure> failures;
    FailureLog ui(&console, failures);
    RunInputs inputs = ExpandPaths(options.paths, options.textInput, ui);

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
        const QString output = options.output.isEmpty() || options.output == QStringLiteral("-")
                                   ? QStringLiteral("standard output")
                                   : QStringLiteral("the output ") + options.output;
        PrintError(output + QStringLiteral(" is one of the inputs (") + clash +
                   QStringLiteral("); choose another file"));
        return kUsage;
    }
    if (options.passwordStdin && options.paths.contains(QStringLiteral("-"))) {
        PrintError(QStringLiteral("--password-stdin and the PATH - cannot both read standard input (see --help)"));
        return kUsage;
    }

    QStringList stopWords;
    if (!options.stopWords.isEmpty()) {
        const StreamRead read = ReadStopWordsInput(options.stopWords, StopSignalled, stopWords);
        if (read.stopped) {
            return Interrupted();
        }
        if (!read.failure.isEmpty()) {
            PrintError(QStringLiteral("cannot read the common words: ") + read.failure);
            return kUsage;
        }
    }
    QString password;
    if (!RunPassword(options, password)) {
        return StopSignalled() ? Interrupted() : kUsage;
    }
    std::optional<RunFolder> folder = MakeRunFolder(options.textInput);
    if (!folder) {
        return kNoRows;
    }
    std::unique_ptr<QTemporaryDir> work = std::move(folder->work);
    const QString converter = folder->converter;
    if (!OcrReady(options.ocr, converter)) {
        return kUsage;
    }
    QList<UnreadableFile> unreadable;
    for (const SkippedFolder& folder : std::as_const(inputs.skipped)) {
        unreadable.append({folder.path, folder.reason, folder.kind});
    }
    if (!ReadStreams(inputs, options.textInput, work->path(), unreadable)) {
        work.reset();
        return Interrupted();
    }

    const CountMode mode = options.summary ? CountMode::PerFile : options.mode;
    TerminalProgress progress(!options.quiet && ::isatty(STDERR_FILENO), options.textInput, mode != CountMode::PerFile);
    ConsoleRunObserver observer(password, progress);
    ConverterProcesses converters;
    ResultTable table;
    // A summary needs each file's own counts.
    table.SetColumns(mode == CountMode::PerFile ? CountMode::PerFile : CountMode::AllFiles);

    AnalysisRequest request;
    const QStringList rows = inputs.rows;
    progress.SetFileSizes(rows);
    request.rows = RowSource::Of(rows);
    request.labels = options.textInput && inputs.labels.isEmpty() ? rows : inputs.labels;
    request.mode = mode;
    const bool ignoreCase = options.ignoreCase;
    request.ignoreCase = [ignoreCase] { return ignoreCase; };
    request.databaseWanted = options.method == CliMethod::Db;
    request.textWanted = options.method == CliMethod::Text;
    request.providerAvailable = request.databaseWanted && DatabaseUsable();
    request.textInput = options.textInput;
    request.workFolder = work->path();
    request.converter = converter;
    request.jobs = options.jobs > 0 ? options.jobs : DefaultJobs();
    request.letters = options.letters;
    request.words = options.words;
    request.stopWords = stopWords;
    request.ocr = options.ocr;
    AnalysisContext context;
    context.progress = &progress;
    context.results = &table;
    context.observer = &observer;
    context.converters = &converters;
    context.ui = &console;
    const CommandStore store(!options.noCache && !options.textInput, converter);
    context.store = store.get();
    // A signal ends the converter that is running at the next turn.
    context.yield = [&converters] {
        if (StopSignalled()) {
            converters.KillAll();
        }
    };

    ErrorReport steps(console, QStringLiteral("in lexitally-cli "));
    const AnalysisSummary summary = RunAnalysis(request, context, steps);
    failures += summary.failures;
    progress.Done();
    // The statistics read the texts once more: the run's own are gone once counted.
    ResultTable withStats;
    if (options.stats && !StopSignalled()) {
        try {
            const QList<ConvertedText> texts =
                CommandLineTexts(summary.paths, request.labels, password, options.textInput, work->path(), converter,
                                 summary.ocrRead, options.ocr, request.jobs, store.get(), &progress);
            progress.Done();
            AddStatistics(table, texts,
                          CorpusRule{options.letters, options.ignoreCase,
                                     summary.method == FrequencyMethodKind::Database, options.words},
                          withStats);
        } catch (const Failure& failure) {
            PrintError(QStringLiteral("the statistics cannot be made: ") + failure.Description());
            return kNoRows;
        }
    }
    // The converter link, converted texts and the combined text are not needed any more; the
    // folder goes before the output is written, which may wait for a reader.
    work.reset();
    if (StopSignalled()) {
        return Interrupted();
    }
    QList<FileSummaryRow> files;
    if (options.summary) {
        files = SummaryRows(inputs, summary, table, unreadable);
    }
    // Streams are named as they were given, not by the file they were read into.
    for (UnreadableFile file : summary.unreadable) {
        const qsizetype row = inputs.rows.indexOf(file.path);
        if (row >= 0) {
            file.path = inputs.shownAs[row];
        }
        unreadable.append(file);
    }

    PrintUnreadable(unreadable);
    if (table.RowCount() == 0 && !options.textInput && failures.isEmpty()) {
        PrintError(QStringLiteral("No text was found in PDF(s)."));
    }
    const bool stopped = !options.stopWords.isEmpty();
    const JsonRunFacts facts{
        mode,
        MethodName(summary.method == FrequencyMethodKind::Database ? CliMethod::Db : CliMethod::Text),
        options.ignoreCase,
        ErrorTexts(failures),
        stopped,
        options.letters,
        stopped ? options.stopWords : QString(),
        stopped ? StopWordsFingerprint(stopWords, options.letters) : QString(),
        options.words};
    ResultTable& counted = options.stats ? withStats : table;
    ResultTable chosen;
    if (options.top > 0 || options.mostFirst) {
        SelectMostFrequent(counted, options.top, options.mostFirst, chosen);
    }
    const QString failure =
        WriteResults(options.format, options.output, facts, options.top > 0 || options.mostFirst ? chosen : counted,
                     unreadable, ThrowWhenSignalled, options.summary ? &files : nullptr,
                     !options.summary || options.mode == CountMode::PerFile, !options.noHeader);
    if (StopSignalled() && !failure.isEmpty()) {
        return Interrupted();
    }
    if (!failure.isEmpty()) {
        PrintError(failure);
        return kNoRows;
    }
    return RunExitStatus(!failures.isEmpty(), inputs.pathProblem, unreadable, table.RowCount() > 0);
}

// Refuses a merge whose output is one of its parts before the merge reads anything.
int CheckMergeOutput(const QStringList& arguments) {
    const ParsedArguments parsed = ParseCommandArguments(kMergeCommand, arguments);
    if (!parsed.options) {
        return 0; // the merge says what is wrong
    }
    const CliOptions& options = *parsed.options;
    const QString clash = InputThatIsOutput(options.output, options.paths, options.paths.contains(QStringLiteral("-")));
    if (clash.isEmpty()) {
        return 0;
    }
    const QString output = options.output.isEmpty() || options.output == QStringLiteral("-")
                               ? QStringLiteral("standard output")
                               : QStringLiteral("the output ") + options.output;
    PrintError(QStringLiteral("merge: ") + output + QStringLiteral(" is one of the inputs (") + clash +
               QStringLiteral("); choose another file"));
    return kUsage;
}

// Runs the command the arguments name; returns the exit status.
int RunCommand(const QStringList& arguments) {
    if (arguments.value(1) == QStringLiteral("concordance")) {
        return RunCorpusCommand(CorpusCommand::Concordance, arguments.mid(2));
    }
    if (arguments.value(1) == QStringLiteral("phrases")) {
        return RunCorpusCommand(CorpusCommand::Phrases, arguments.mid(2));
    }
    if (arguments.value(1) == QStringLiteral("cache")) {
        return RunCacheCommand(arguments.mid(2));
    }
    if (arguments.value(1) == QStringLiteral("merge")) {
        const int refused = CheckMergeOutput(arguments.mid(2));
        if (refused == 0) {
            RemoveAbandonedWorkFolders();
        }
        return refused != 0 ? refused : RunMerge(arguments.mid(2));
    }
    const ParsedArguments parsed = ParseArguments(arguments.mid(1));
    if (parsed.help) {
        return PrintOutput(UsageText());
    }
    if (parsed.version) {
        return PrintOutput(VersionText() + u'\n');
    }
    if (!parsed.options) {
        PrintError(parsed.error + QStringLiteral(" (see --help)"));
        return 2;
    }
    return Run(*parsed.options);
}

// Memory refused where it cannot be caught (inside code that may not throw, such as a hash's
// growth) ends the program as memory refused anywhere else does, not with an abort.
[[noreturn]] void EndForWantOfMemory() {
    static const char kText[] =
        "lexitally-cli: out of memory: the system refused the memory the work needs; nothing was written\n";
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, kText, sizeof kText - 1);
    ::_exit(kStepFailed);
}

void EndOnUncaughtWantOfMemory() {
    if (const std::exception_ptr thrown = std::current_exception()) {
        try {
            std::rethrow_exception(thrown);
        } catch (const std::bad_alloc&) {
            EndForWantOfMemory();
        } catch (...) {
        }
    }
    std::abort();
}

} // namespace

int main(int argc, char** argv) {
    std::set_terminate(EndOnUncaughtWantOfMemory);
    QCoreApplication app(argc, argv);
    try {
        return RunCommand(app.arguments());
    } catch (const std::bad_alloc&) {
        // The work folder went as the stack unwound; an output is put in place only when whole.
        PrintError(QStringLiteral("out of memory: the system refused the memory the work needs; nothing was written"));
        return kStepFailed;
    }
}
