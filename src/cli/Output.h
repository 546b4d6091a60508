#pragma once

#include "cli/CliOptions.h"
#include "core/export/DataExport.h"

#include <QList>
#include <QString>

#include <functional>

class ResultTable;

// Writes the results in the asked format to the output ("" or "-": standard output). The text
// export and the workbook take every row as ticked. Returns the failure's description, or "".
// When interrupted() turns true while the results are written, a regular file is left as it
// was and no workbook is left beside it (what a stream has taken stays written).
QString WriteResults(CliFormat format, const QString& output, const JsonRunFacts& facts, ResultTable& table,
                     const QList<UnreadableFile>& unreadable, const std::function<bool()>& interrupted = {});
