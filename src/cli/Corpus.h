#pragma once

#include "core/extract/Ocr.h"

#include "core/corpus/CorpusText.h"
#include "core/corpus/WordStats.h"

#include <QString>
#include <QStringList>

#include <optional>

class ResultTable;

// The corpus commands of the command line: "concordance" (words in context) and "phrases"
// (frequent word sequences), and the statistics columns of a run (--stats).

enum class CorpusCommand { Concordance, Phrases };

class TextStore;
class TerminalProgress;

struct CorpusOptions {
    CorpusCommand command = CorpusCommand::Concordance;
    QString word; // concordance: the word looked for
    int context = 40;
    int length = 2;
    qint64 minCount = 1;
    bool mostFirst = false;
    qint64 top = 0;                         // phrases: only the most frequent; 0: all
    bool noHeader = false;                  // tsv and csv without their header line
    QString filesFrom;                      // a file of more PATHs ("-": standard input)
    bool nullSeparated = false;             // its names end with NUL
    QString format = QStringLiteral("tsv"); // tsv, csv, json, text
    QString output;                         // "" or "-": standard output
    CorpusRule rule;
    bool textInput = false;
    bool noCache = false; // the store of converted texts neither read nor written
    QString password;
    OcrOptions ocr; // PDFs that give no text read by OCR
    int jobs = 0;   // files converted at once; 0: one per processor
    bool quiet = false;
    QStringList paths;
};

struct ParsedCorpusArguments {
    std::optional<CorpusOptions> options;
    bool help = false;
    QString error;
};

// Parses the arguments that follow "concordance" or "phrases".
ParsedCorpusArguments ParseCorpusArguments(CorpusCommand command, const QStringList& arguments);
QString CorpusUsageText(CorpusCommand command);

// Runs "lexitally-cli concordance|phrases ..."; returns the exit status.
int RunCorpusCommand(CorpusCommand command, const QStringList& arguments);

// The converted texts of a command-line run's files, converted into workFolder with the converter
// placed there (or read as they are with textInput). The one place the command line gets the
// texts of its files for the corpus views. The files of ocrRead are read by OCR again as ocr says.
QList<ConvertedText> CommandLineTexts(const QStringList& paths, const QStringList& labels, const QString& password,
                                      bool textInput, const QString& workFolder, const QString& converter,
                                      const QStringList& ocrRead = {}, const OcrOptions& ocr = {}, int jobs = 1,
                                      TextStore* store = nullptr, TerminalProgress* progress = nullptr);

// The word rows of a run with the statistics columns added ("Per million", "Range", "DP"),
// totals kept. A word the texts do not give gets empty cells.
void AddStatistics(const ResultTable& rows, const QList<WordStat>& stats, const CorpusRule& rule, ResultTable& out);
