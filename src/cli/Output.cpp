#include "cli/Output.h"

#include "core/base/ErrorReport.h"
#include "core/export/DataExport.h"
#include "core/export/Export.h"
#include "core/export/OutputFile.h"
#include "core/extract/Unreadable.h"
#include "core/results/ResultTable.h"

ExportFormat FormatOf(CliFormat format) {
    switch (format) {
    case CliFormat::Json:
        return ExportFormat::Json;
    case CliFormat::Text:
        return ExportFormat::Text;
    case CliFormat::Csv:
        return ExportFormat::Csv;
    case CliFormat::Xlsx:
        return ExportFormat::Workbook;
    case CliFormat::Tsv:
    case CliFormat::Svg: // an image, written by its command
        break;
    }
    return ExportFormat::Tsv;
}

QString WriteResults(CliFormat format, const QString& output, const JsonRunFacts& facts, ResultTable& results,
                     const QList<UnreadableFile>& unreadable, const Yield& giveUp, const QList<FileSummaryRow>* files,
                     bool rows, bool header) {
    ResultTable summary;
    if (files && format != CliFormat::Json) {
        FillFileSummary(summary, *files, results.LastTotals(), false);
        summary.AddColumn(QStringLiteral("Kind"));
        for (int row = 0; row < summary.RowCount(); ++row) {
            const FileSummaryRow& file = files->at(row);
            summary.SetText(row, summary.ColumnCount() - 1,
                            file.reason.isEmpty() ? QString() : UnreadableKindName(file.kind));
        }
        AddProfileColumns(summary, *files);
    }
    ResultTable& table = files && format != CliFormat::Json ? summary : results;
    // The command line writes every row.
    table.SetAllTicked(true);
    const QString path = output.isEmpty() && format != CliFormat::Xlsx ? QStringLiteral("-") : output;
    ExportOptions options;
    options.yield = giveUp;
    options.facts = &facts;
    options.unreadable = &unreadable;
    options.files = files;
    options.rows = rows;
    options.header = header;
    try {
        Export(FormatOf(format), table, options, path);
    } catch (const ExportFailure& failure) {
        if (format == CliFormat::Xlsx || failure.GetStage() == ExportFailure::Stage::Write) {
            return failure.Description();
        }
        const QString target = OutputFile::IsStandardOutput(path)
                                   ? QStringLiteral("cannot write to standard output: ")
                                   : QStringLiteral("cannot write ") + path + QStringLiteral(": ");
        return target + failure.Reason();
    }
    return {};
}
