// lexitally-cli: the counting pass and both word-frequency methods without windows.

#include "CliInputs.h"
#include "CliOptions.h"
#include "CliOutput.h"
#include "ConsoleUi.h"
#include "analysis/DatabaseProvider.h"
#include "analysis/SortingDb.h"
#include "analysis/SortingText.h"
#include "app/ErrorReport.h"
#include "app/Places.h"

#include <QCoreApplication>

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

int Run(const CliOptions& options) {
    try {
        TempFolder();
    } catch (const Failure& failure) {
        PrintError(failure.Description());
        return 1;
    }
    const CliMethod method = UsableMethod(options.method);
    const PreparedInputs inputs = PrepareInputs(options);
    for (const UnreadableInput& input : inputs.unreadable) {
        PrintError(input.path + QStringLiteral(": ") + input.reason);
    }

    ConsoleUi ui;
    TerminalProgress progress(!options.quiet && ::isatty(STDERR_FILENO));
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

    const QStringList columns = ResultColumns(options.mode);
    const QByteArray output = options.format == CliFormat::Json
                                  ? FormatJson(options, method, columns, results, inputs.unreadable)
                                  : FormatTsv(columns, results.rows);
    const QString failure = WriteOutput(options.output, output);
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
