// lexitally-cli: the counting pass and both word-frequency methods without windows.

#include "CliInputs.h"
#include "CliOptions.h"
#include "CliOutput.h"
#include "ConsoleUi.h"
#include "analysis/DatabaseProvider.h"
#include "analysis/SortingDb.h"
#include "analysis/SortingText.h"
#include "app/ErrorReport.h"
#include "app/Helpers.h"
#include "app/Places.h"
#include "results/Export.h"
#include "results/ResultsModel.h"

#include <QCoreApplication>
#include <QFile>
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

// The method that can run: the database method needs the SQLite driver and a working database.
CliMethod UsableMethod(CliMethod wanted) {
    if (wanted != CliMethod::Db) {
        return wanted;
    }
    if (!CheckDatabaseProvider(true, nullptr)) {
        PrintError(QStringLiteral("the SQLite driver for Qt is missing; using the text method"));
        return CliMethod::Text;
    }
    try {
        EnsureWorkingDatabase();
    } catch (const Failure& failure) {
        PrintError(QStringLiteral("the working database cannot be prepared (") + failure.Description() +
                   QStringLiteral("); using the text method"));
        return CliMethod::Text;
    }
    return CliMethod::Db;
}

// The output bytes in the asked format, or a failure's description in `failure`.
QByteArray FormatOutput(const CliOptions& options, CliMethod method, const CollectedResults& results,
                        const QList<UnreadableInput>& unreadable, QString& failure) {
    const QStringList columns = ResultColumns(options.mode);
    if (options.format == CliFormat::Json) {
        return FormatJson(options, method, columns, results, unreadable);
    }
    if (options.format == CliFormat::Tsv) {
        return FormatTsv(columns, results.rows);
    }
    // The column-aligned text file and the workbook take every row as ticked.
    ResultsModel model;
    model.SetColumns(options.mode == CountMode::PerFile ? CountMode::PerFile : CountMode::AllFiles);
    for (const QStringList& row : results.rows) {
        model.AddRow(row);
    }
    model.SetAllTicked(true);
    try {
        if (options.format == CliFormat::Xlsx) {
            WriteWorkbook(model, options.output, nullptr, {});
            return {};
        }
        const QString scratch = TempFolder() + QStringLiteral("/results.txt");
        WriteTextExport(model, scratch);
        QFile file(scratch);
        const bool opened = file.open(QIODevice::ReadOnly);
        FailIf(!opened, file.errorString());
        return file.readAll();
    } catch (const Failure& e) {
        failure = e.Description();
    }
    return {};
}

// Gives this run a temporary folder of its own inside the user's, so that runs side by side
// and a window open at the same time never share a converted text or the converter link.
std::unique_ptr<QTemporaryDir> PrivateTempFolder() {
    auto folder = std::make_unique<QTemporaryDir>(TempFolder() + QStringLiteral("/cli-XXXXXX"));
    FailIf(!folder->isValid(), QStringLiteral("Cannot create a temporary folder: ") + folder->errorString());
    qputenv("TEMP", QFile::encodeName(folder->path()));
    return folder;
}

int Run(const CliOptions& options) {
    std::unique_ptr<QTemporaryDir> temp;
    try {
        temp = PrivateTempFolder();
        if (!options.textInput) {
            PlaceConverter(ConverterSource(ProcessorAddressWidth()), ConverterPath());
        }
    } catch (const Failure& failure) {
        PrintError(failure.Description());
        return 1;
    }
    const CliMethod method = UsableMethod(options.method);
    ConsoleUi ui;
    TerminalProgress progress(!options.quiet && ::isatty(STDERR_FILENO));
    const PreparedInputs inputs = PrepareInputs(options, &progress, ui);
    if (options.format != CliFormat::Json) {
        for (const UnreadableInput& input : inputs.unreadable) {
            PrintError(input.path + (input.reason.startsWith(u' ') ? QString() : QStringLiteral(": ")) + input.reason);
        }
    }
    CollectedResults results;
    PassInputs pass;
    pass.mode = options.mode;
    const bool ignoreCase = options.ignoreCase;
    pass.ignoreCase = [ignoreCase] { return ignoreCase; };
    pass.pdfPaths = inputs.paths;
    pass.labels = inputs.labels;
    pass.stopRequested = [] { return g_stopRequested != 0; };
    pass.progress = &progress;
    pass.results = &results;
    pass.ui = &ui;
    std::signal(SIGINT, OnInterrupt);
    if (method == CliMethod::Db) {
        SortingDB(pass);
    } else {
        SortingText(pass);
    }
    std::signal(SIGINT, SIG_DFL);
    progress.Done();

    if (results.rows.isEmpty() && !options.textInput) {
        PrintError(QStringLiteral("No text was found in PDF(s)."));
    }
    QString failure;
    const QByteArray output = FormatOutput(options, method, results, inputs.unreadable, failure);
    if (failure.isEmpty() && options.format != CliFormat::Xlsx) {
        failure = WriteOutput(options.output, output);
    }
    if (!failure.isEmpty()) {
        PrintError(failure);
        return 1;
    }
    return results.rows.isEmpty() ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
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
