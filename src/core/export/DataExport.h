#pragma once

#include "core/count/Pass.h"

#include <QList>
#include <QString>
#include <QStringList>

class QIODevice;
class ResultTable;
struct UnreadableFile;

// Exports for scripts: every row of the table, ticked or not.

// Header line, then one line per row; cells joined by TAB, lines ended by LF.
void WriteTsv(const ResultTable& table, QIODevice& out);

// What a JSON export says about the run besides its results.
struct JsonRunFacts {
    CountMode mode = CountMode::AllFiles;
    QString method; // "db" or "text"
    bool ignoreCase = true;
    QStringList errors; // the texts of the error reports shown during the run
};

// One JSON object with mode, method, ignore_case, totals, columns, rows (counts as decimal
// strings), the unreadable inputs with their reasons and the errors, followed by LF.
void WriteJson(const ResultTable& table, const JsonRunFacts& facts, const QList<UnreadableFile>& unreadable,
               QIODevice& out);
