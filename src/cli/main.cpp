// lexitally-cli: the analysis run without windows: parse the options, run, export.

#include "cli/CliOptions.h"
#include "cli/ConsoleUi.h"
#include "cli/Merge.h"
#include "cli/Output.h"
#include "core/base/ErrorReport.h"
#include "core/base/Places.h"
#include "core/base/System.h"
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
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The signal that ended the run (SIGINT, SIGTERM), or 0.
volatile std::sig_atomic_t g_signal = 0;

// The run notices the signal at its next step, ends the converters, removes what it wrote and
// exits 128 + the signal's number. A second signal ends the program at once.
void OnSignal(int signal) {
    g_signal = signal;
    std::signal(signal, SIG_DFL);
}

// The command line's part in a run: one password for every file; a signal abandons the run.
class ConsoleRunObserver : public RunObserver {
public:
    explicit ConsoleRunObserver(QString password) : m_password(std::move(password)) {}
    QString Password(const QString&) override { return m_password; }
    bool StopRequested() override { return g_signal != 0; }
    bool Abandoned() override { return g_signal != 0; }

private:
    QString m_password;
};

// True when the two paths name the same file.
bool SameFile(const QString& a, const QString& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(QFile::encodeName(a).constData(), &first) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

// The password of the run: --password, else the first line of standard input with
// --password-stdin, else $LEXITALLY_PASSWORD.
QString RunPassword(const CliOptions& options) {
    if (options.passwordStdin) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly)) {
            return {};
        }
        QByteArray line = in.readLine();
        while (line.endsWith('\n') || line.endsWith('\r')) {
            line.chop(1);
        }
        return QString::fromUtf8(line);
    }
    if (!options.password.isEmpty()) {
        return options.password;
    }
    return qEnvironmentVariable("LEXITALLY_PASSWORD");
}

// True when the database method can run: the SQLite driver is there and the working database
// can be prepared. Says on standard error why not.
bool DatabaseUsable() {
    if (!CheckDatabaseProvider(true, nullptr)) {
        PrintError(QStringLiteral("the SQLite driver for Qt is missing; using the text method"));
        return false;
    }
    try {
        EnsureWorkingDatabase();
    } catch (const Failure& failure) {
        PrintError(QStringLiteral("the working database cannot be prepared (") + failure.Description() +
                   QStringLiteral("); using the text method"));
        return false;
    }
    return true;
}

// The rows of the run: a folder stands for every PDF file below it, found as the main window's
// folder scan finds them; every other PATH is a row as given.
QStringList ExpandPaths(const CliOptions& options, Ui& ui) {
    if (options.textInput) {
        return options.paths;
    }
    QStringList rows;
    for (const QString& path : options.paths) {
        if (QFileInfo(path).isDir()) {
            rows << CollectFolderFiles(path, kPdfPattern, {}, ui);
        } else {
            rows << path;
        }
    }
    return rows;
}

// Exit statuses besides 0 (see --help).
constexpr int kNoRows = 1;
constexpr int kUsage = 2;
constexpr int kStepFailed = 3;

int Run(const CliOptions& options) {
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    RemoveAbandonedWorkFolders();
    QStringList stopWords;
    if (!options.stopWords.isEmpty()) {
        try {
            stopWords = ReadStopWords(options.stopWords);
        } catch (const Failure& failure) {
            PrintError(QStringLiteral("cannot read the common words: ") + failure.Description());
            return kUsage;
        }
    }
    const QString password = RunPassword(options);
    ConsoleUi ui;
    const QStringList rows = ExpandPaths(options, ui);
    if (!options.output.isEmpty()) {
        for (const QString& input : options.paths + rows) {
            if (SameFile(input, options.output)) {
                PrintError(QStringLiteral("the output ") + options.output +
                           QStringLiteral(" is one of the inputs; choose another file"));
                return kUsage;
            }
        }
    }
    // This run's own folder inside the user's temporary folder, so that runs side by side and a
    // window open at the same time never share a converted text or the converter link.
    std::unique_ptr<QTemporaryDir> work;
    QString converter;
    try {
        work = NewWorkFolder(QStringLiteral("cli"));
        if (!options.textInput) {
            converter = work->path() + QStringLiteral("/pdftotext");
            PlaceConverter(ConverterSource(ProcessorAddressWidth()), converter);
        }
    } catch (const Failure& failure) {
        PrintError(failure.Description());
        return kNoRows;
    }
    TerminalProgress progress(!options.quiet && ::isatty(STDERR_FILENO));
    ConsoleRunObserver observer(password);
    ConverterProcesses converters;
    ResultTable table;
    table.SetColumns(options.mode == CountMode::PerFile ? CountMode::PerFile : CountMode::AllFiles);

    AnalysisRequest request;
    request.rows = [&rows] { return rows; };
    if (options.textInput) {
        request.labels = rows;
    }
    request.mode = options.mode;
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
    request.stopWords = stopWords;
    AnalysisContext context;
    context.progress = &progress;
    context.results = &table;
    context.observer = &observer;
    context.converters = &converters;
    context.ui = &ui;
    // A signal ends the converter that is running at the next turn.
    context.yield = [&converters] {
        if (g_signal != 0) {
            converters.KillAll();
        }
    };

    ErrorReport steps(ui, QStringLiteral("in lexitally-cli "));
    const AnalysisSummary summary = RunAnalysis(request, context, steps);
    progress.Done();
    if (g_signal != 0) {
        const int signal = g_signal;
        work.reset(); // the converter link, converted texts and the combined text
        PrintError(signal == SIGINT ? QStringLiteral("interrupted; nothing was written")
                                    : QStringLiteral("terminated; nothing was written"));
        return 128 + signal;
    }

    if (options.format != CliFormat::Json) {
        for (const UnreadableFile& file : summary.unreadable) {
            PrintError(file.path + (file.reason.startsWith(u' ') ? QString() : QStringLiteral(": ")) + file.reason);
        }
    }
    if (table.RowCount() == 0 && !options.textInput) {
        PrintError(QStringLiteral("No text was found in PDF(s)."));
    }
    const bool stopped = !options.stopWords.isEmpty();
    const JsonRunFacts facts{
        options.mode,
        MethodName(summary.method == FrequencyMethodKind::Database ? CliMethod::Db : CliMethod::Text),
        options.ignoreCase,
        ui.ErrorReports(),
        stopped,
        options.letters,
        stopped ? options.stopWords : QString(),
        stopped ? StopWordsFingerprint(stopWords, options.letters) : QString()};
    const QString failure = WriteResults(options.format, options.output, facts, table, summary.unreadable);
    if (!failure.isEmpty()) {
        PrintError(failure);
        return kNoRows;
    }
    if (!ui.ErrorReports().isEmpty()) {
        return kStepFailed;
    }
    return table.RowCount() == 0 ? kNoRows : 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (app.arguments().value(1) == QStringLiteral("merge")) {
        return RunMerge(app.arguments().mid(2));
    }
    const ParsedArguments parsed = ParseArguments(app.arguments().mid(1));
    if (parsed.help) {
        std::fputs(UsageText().toUtf8().constData(), stdout);
        return 0;
    }
    if (parsed.version) {
        std::puts(VersionText().toUtf8().constData());
        return 0;
    }
    if (!parsed.options) {
        PrintError(parsed.error + QStringLiteral(" (see --help)"));
        return 2;
    }
    return Run(*parsed.options);
}
