#pragma once

#include "core/corpus/CorpusText.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

class ResultTable;

// A word's frequency and spread over the files of a run. Dispersion is Gries's DP ("deviation of
// proportions"): with each file's share s of all words and its share v of the word's
// occurrences, DP = ½ Σ |v − s| over all files; 0 for a word spread as evenly as the words
// themselves, towards 1 for a word found in one small file only.
struct WordStat {
    QString word;
    qint64 count = 0;
    double perMillion = 0; // count per million words of all files
    int range = 0;         // the files it occurs in
    double dp = 0;
};

// The statistics of every word of the texts (in the run's rule, with the rows' keys), words in
// leaveOut (folded keys, as StopWordKeys gives them) left out of the rows but counted among all
// words; least frequent first, equal counts by the word (binary). Throws Failure when a text
// cannot be read.
QList<WordStat> WordStatistics(const QList<ConvertedText>& texts, const CorpusRule& rule,
                               const QSet<QByteArray>& leaveOut = {});
// The same from the number of words of each file and each word's count per file.
struct FileCounts {
    QByteArray word;
    QList<std::pair<int, qint64>> perFile; // file index, count; files without it left out
};
QList<WordStat> StatisticsOf(const QList<qint64>& fileWords, const QList<FileCounts>& words);

// The columns "Per million", "Range" and "DP" of a statistics row, as written (per million with
// two decimals, DP with four).
QStringList StatisticsHeaders();
QStringList StatisticsCells(const WordStat& stat);
// The table " Words", "Count", "Per million", "Range", "DP"; every row ticked.
void FillStatistics(ResultTable& table, const QList<WordStat>& stats);
