#pragma once

#include "CliInputs.h"
#include "CliOptions.h"
#include "analysis/Pass.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

// Keeps the rows and totals that a counting pass delivers.
class CollectedResults : public ResultSink {
public:
    void AddRow(const QStringList& cells) override { rows.append(cells); }
    void SetTotals(const Totals& totals) override { this->totals = totals; }

    QList<QStringList> rows;
    Totals totals;
};

// The column headers of the results for a counting mode.
QStringList ResultColumns(CountMode mode);

// Header line, then one line per row; cells joined by TAB, lines ended by LF.
QByteArray FormatTsv(const QStringList& columns, const QList<QStringList>& rows);

// One JSON object with mode, method, ignore_case, totals, columns, rows (counts as decimal
// strings) and unreadable inputs, followed by LF.
QByteArray FormatJson(const CliOptions& options, CliMethod methodUsed, const QStringList& columns,
                      const CollectedResults& results, const QList<UnreadableInput>& unreadable);

// Writes bytes to path through a save file (standard output when path is empty). Returns the
// failure's description, or "" on success.
QString WriteOutput(const QString& path, const QByteArray& bytes);
