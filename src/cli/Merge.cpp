// lexitally-cli merge: the JSON results of runs over parts of a corpus, merged into the results
// of one run over all of it.

#include "cli/Merge.h"

#include "cli/CliOptions.h"
#include "cli/ConsoleUi.h"
#include "cli/Output.h"
#include "core/base/ErrorReport.h"
#include "core/results/Merge.h"
#include "core/results/ResultTable.h"

#include <QFile>

#include <cstdio>

namespace {

// The bytes of a results file; "-" is standard input.
QByteArray ReadInput(const QString& path) {
    const bool standardInput = path == QStringLiteral("-");
    QFile file(standardInput ? QString() : path);
    const bool opened = standardInput ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly);
    FailIf(!opened, QStringLiteral("cannot read ") + path + QStringLiteral(": ") + file.errorString());
    QByteArray bytes = file.readAll();
    FailIf(file.error() != QFileDevice::NoError,
           QStringLiteral("cannot read ") + path + QStringLiteral(": ") + file.errorString());
    return bytes;
}

} // namespace

int RunMerge(const QStringList& arguments) {
    const ParsedMergeArguments parsed = ParseMergeArguments(arguments);
    if (parsed.help) {
        std::fputs(MergeUsageText().toUtf8().constData(), stdout);
        return 0;
    }
    if (!parsed.options) {
        PrintError(parsed.error + QStringLiteral(" (see merge --help)"));
        return 2;
    }
    const MergeOptions& options = *parsed.options;
    RunResults merged;
    try {
        QList<RunResults> parts;
        for (const QString& input : options.inputs) {
            const QByteArray json = ReadInput(input);
            try {
                parts.append(ReadRunResults(json));
            } catch (const Failure& failure) {
                throw Failure(input + QStringLiteral(": ") + failure.Description());
            }
        }
        merged = MergeRunResults(parts, options.inputs);
    } catch (const Failure& failure) {
        PrintError(QStringLiteral("merge: ") + failure.Description());
        return 2;
    }
    ResultTable table;
    table.SetColumns(merged.mode);
    for (const QStringList& row : std::as_const(merged.rows)) {
        table.AddRow(row);
    }
    table.SetTotals(merged.totals);
    const QString failure =
        WriteResults(options.format, options.output,
                     {merged.mode, merged.method, merged.ignoreCase, {}, merged.stopWords}, table, merged.unreadable);
    if (!failure.isEmpty()) {
        PrintError(failure);
        return 1;
    }
    return table.RowCount() == 0 ? 1 : 0;
}
