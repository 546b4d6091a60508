#include "cli/Output.h"

#include "core/base/ErrorReport.h"
#include "core/export/DataExport.h"
#include "core/export/Export.h"
#include "core/export/OutputFile.h"
#include "core/results/ResultTable.h"
#include "core/run/AnalysisRun.h"

QString WriteResults(CliFormat format, const QString& output, const JsonRunFacts& facts, ResultTable& results,
                     const QList<UnreadableFile>& unreadable, const Yield& giveUp, const QList<FileSummaryRow>* files,
                     bool rows) {
    try {
        ResultTable summary;
        if (files && format != CliFormat::Json) {
            FillFileSummary(summary, *files, results.LastTotals());
        }
        ResultTable& table = files && format != CliFormat::Json ? summary : results;
        if (format == CliFormat::Xlsx) {
            table.SetAllTicked(true);
            WriteWorkbook(table, output, nullptr, giveUp);
            return {};
        }
        const QString path = output.isEmpty() ? QStringLiteral("-") : output;
        OutputFile file(path, giveUp);
        const QString target = OutputFile::IsStandardOutput(path)
                                   ? QStringLiteral("cannot write to standard output: ")
                                   : QStringLiteral("cannot write ") + path + QStringLiteral(": ");
        const bool opened = file.Open();
        FailIf(!opened, target + file.ErrorString());
        switch (format) {
        case CliFormat::Json:
            WriteJson(table, facts, unreadable, file.Device(), files, rows);
            break;
        case CliFormat::Text:
            table.SetAllTicked(true);
            WriteTextExport(table, file.Device());
            break;
        case CliFormat::Csv:
            table.SetAllTicked(true);
            WriteCsv(table, file.Device());
            break;
        case CliFormat::Tsv:
        case CliFormat::Xlsx:
            WriteTsv(table, file.Device());
            break;
        }
        YieldNow(giveUp);
        const bool committed = file.Commit();
        FailIf(!committed, target + file.ErrorString());
    } catch (const Failure& failure) {
        return failure.Description();
    }
    return {};
}
