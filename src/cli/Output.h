#pragma once

#include "cli/CliOptions.h"
#include "core/export/DataExport.h"

#include <QList>
#include <QString>

class ResultTable;

// Writes the results in the asked format to the output ("" or "-": standard output). The text
// export and the workbook take every row as ticked. Returns the failure's description, or "".
QString WriteResults(CliFormat format, const QString& output, const JsonRunFacts& facts, ResultTable& table,
                     const QList<UnreadableFile>& unreadable);
