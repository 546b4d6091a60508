// lexitally-cli: the analysis run without windows: parse the options, run, export.

#include "cli/CliOptions.h"
#include "cli/ConsoleUi.h"
#include "cli/Merge.h"
#include "core/base/ErrorReport.h"
#include "core/base/Places.h"
#include "core/base/System.h"
#include "core/count/DatabaseProvider.h"
#include "core/count/WorkingDatabase.h"
#include "core/export/DataExport.h"
#include "core/export/Export.h"
#include "core/export/OutputFile.h"
#include "core/extract/Converter.h"
#include "core/filelist/FolderScan.h"
#include "core/results/ResultTable.h"
#include "core/run/AnalysisRun.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

// The first Ctrl+C asks the pass to stop and report what it has; a second one ends at once.
void OnInterrupt(int) {
    g_stopRequested = 1;
    std::signal(SIGINT, SIG_DFL);
}

// The command line's part in a run: one password for every file, Ctrl+C as the stop button.
class ConsoleRunObserver : public RunObserver {
public:
    explicit ConsoleRunObserver(QString password) : m_password(std::move(password)) {}
    QString Password(const QString&) override { return m_password; }
    bool StopRequested() override { return g_stopRequested != 0; }

private:
    QString m_password;
};

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

// Writes the table in the asked format; the failure's description, or "".
QString WriteResults(const CliOptions& options, FrequencyMethodKind method, ResultTable& table,
                     const QList<UnreadableFile>& unreadable) {
    try {
        if (options.format == CliFormat::Xlsx) {
            table.SetAllTicked(true);
            WriteWorkbook(table, options.output, nullptr, {});
            return {};
        }
        OutputFile output(options.output.isEmpty() ? QStringLiteral("-") : options.output);
        const QString target = output.IsStandardOutput(options.output.isEmpty() ? QStringLiteral("-") : options.output)
                                   ? QStringLiteral("cannot write to standard output: ")
                                   : QStringLiteral("cannot write ") + options.output + QStringLiteral(": ");
        const bool opened = output.Open();
        FailIf(!opened, target + output.ErrorString());
        switch (options.format) {
        case CliFormat::Json:
            WriteJson(table,
                      {options.mode,
                       MethodName(method == FrequencyMethodKind::Database ? CliMethod::Db : CliMethod::Text),
                       options.ignoreCase},
                      unreadable, output.Device());
            break;
        case CliFormat::Text:
            // The column-aligned text file takes every row as ticked.
            table.SetAllTicked(true);
            WriteTextExport(table, output.Device());
            break;
        case CliFormat::Tsv:
        case CliFormat::Xlsx:
            WriteTsv(table, output.Device());
            break;
        }
        const bool committed = output.Commit();
        FailIf(!committed, target + output.ErrorString());
    } catch (const Failure& failure) {
        return failure.Description();
    }
    return {};
}

int Run(const CliOptions& options) {
    // This run's own folder inside the user's temporary folder, so that runs side by side and a
    // window open at the same time never share a converted text or the converter link.
    std::unique_ptr<QTemporaryDir> work;
    QString converter;
    try {
        work = std::make_unique<QTemporaryDir>(TempFolder() + QStringLiteral("/cli-XXXXXX"));
        FailIf(!work->isValid(), QStringLiteral("Cannot create a temporary folder: ") + work->errorString());
        if (!options.textInput) {
            converter = work->path() + QStringLiteral("/pdftotext");
            PlaceConverter(ConverterSource(ProcessorAddressWidth()), converter);
        }
    } catch (const Failure& failure) {
        PrintError(failure.Description());
        return 1;
    }
    ConsoleUi ui;
    TerminalProgress progress(!options.quiet && ::isatty(STDERR_FILENO));
    ConsoleRunObserver observer(options.password);
    ConverterProcesses converters;
    ResultTable table;
    table.SetColumns(options.mode == CountMode::PerFile ? CountMode::PerFile : CountMode::AllFiles);

    const QStringList rows = ExpandPaths(options, ui);
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
    AnalysisContext context;
    context.progress = &progress;
    context.results = &table;
    context.observer = &observer;
    context.converters = &converters;
    context.ui = &ui;

    ErrorReport steps(ui, QStringLiteral("in lexitally-cli "));
    std::signal(SIGINT, OnInterrupt);
    const AnalysisSummary summary = RunAnalysis(request, context, steps);
    std::signal(SIGINT, SIG_DFL);
    progress.Done();

    if (options.format != CliFormat::Json) {
        for (const UnreadableFile& file : summary.unreadable) {
            PrintError(file.path + (file.reason.startsWith(u' ') ? QString() : QStringLiteral(": ")) + file.reason);
        }
    }
    if (table.RowCount() == 0 && !options.textInput) {
        PrintError(QStringLiteral("No text was found in PDF(s)."));
    }
    const QString failure = WriteResults(options, summary.method, table, summary.unreadable);
    if (!failure.isEmpty()) {
        PrintError(failure);
        return 1;
    }
    return table.RowCount() == 0 ? 1 : 0;
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
    if (!parsed.options) {
        PrintError(parsed.error + QStringLiteral(" (see --help)"));
        return 2;
    }
    return Run(*parsed.options);
}
