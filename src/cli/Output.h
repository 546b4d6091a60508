#pragma once

#include "cli/CliOptions.h"
#include "core/base/Yield.h"
#include "core/export/DataExport.h"

#include <QList>
#include <QString>

class ResultTable;

// Writes the results in the asked format to the output ("" or "-": standard output). The text
// export and the workbook take every row as ticked. Returns the failure's description, or "".
// `giveUp` is called while the output is written and just before it is put in place; a Failure
// it throws ends the writing with nothing put in place (a stream keeps what it was given).
// With files, the file summary is written in place of the rows (in JSON next to them when
// `rows`).
// Without header, TSV and CSV leave out their header line. A file summary in TSV, CSV and text
// ends with a Kind column: the stable name of each reason's kind.
// The export format of a command-line format.
enum class ExportFormat;
ExportFormat FormatOf(CliFormat format);

QString WriteResults(CliFormat format, const QString& output, const JsonRunFacts& facts, ResultTable& table,
                     const QList<UnreadableFile>& unreadable, const Yield& giveUp = {},
                     const QList<FileSummaryRow>* files = nullptr, bool rows = true, bool header = true);
