#pragma once

#include "cli/CliOptions.h"
#include "cli/Outcome.h"
#include "core/extract/Ocr.h"

#include "core/corpus/CorpusText.h"
#include "core/corpus/WordStats.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

class ResultTable;

// The corpus commands of the command line: "concordance" (words in context) and "phrases"
// (frequent word sequences), and the statistics columns of a run (--stats).

enum class CorpusCommand { Concordance, Phrases, Collocates, Dispersion };

class TextStore;
class TerminalProgress;

// The rule a command's words are cut and compared by, as its options give it.
CorpusRule CorpusRuleOf(const CliOptions& options);

QString CorpusUsageText(CorpusCommand command);

// The name of a corpus command ("concordance", "phrases", "collocates", "dispersion").
QString CommandName(CorpusCommand command);

// Writes the table in the format the options ask for, with the JSON's "unreadable" key from the
// outcome's; the outcome with its rows, or how the writing ended (said). A signal gives the
// writing up.
// What a command writes besides its table: JSON keys after "rows", or an image written in
// place of the table (--format svg).
struct CorpusExtras {
    QJsonObject json;
    QByteArray image;
};
class ResultTable;
CommandOutcome WriteCorpusTable(const QString& command, const CliOptions& options, ResultTable& table,
                                CommandOutcome outcome, const CorpusExtras& extras = {});

// Runs "lexitally-cli concordance|phrases|collocates|dispersion ..."; returns the exit status.
int RunCorpusCommand(CorpusCommand command, const QStringList& arguments);

// The word rows of a run with the statistics columns added ("Per million", "Range", "DP"),
// totals kept. A word the texts do not give gets empty cells.
void AddStatistics(const ResultTable& rows, const QList<WordStat>& stats, const CorpusRule& rule, ResultTable& out);
