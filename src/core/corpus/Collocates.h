#pragma once

#include "core/corpus/CorpusText.h"

#include <QList>
#include <QString>
#include <QStringList>

class ResultTable;

// Collocates: the words found within a span of every occurrence of a node word (left words
// before it, right words after it; never across a page end or from one file into the next).
// For a collocate c of the node n, with f(n,c) their co-occurrences, f(n) and f(c) their
// frequencies in the N words of the texts and span = left + right:
//   expected E = f(n) f(c) span / N;  MI = log2(f(n,c) / E);  T-score = (f(n,c) - E) / sqrt(f(n,c));
//   logDice = 14 + log2(2 f(n,c) / (f(n) + f(c)))  (Rychly 2008);
//   log-likelihood G² over the 2x2 table of the node's window words (f(n) span of them) against
//   the rest: O11 = f(n,c), O12 = f(n) span - f(n,c), O21 = f(c) - f(n,c), O22 = N - O11 - O12 - O21,
//   each expected value its row total times its column total over N (Evert 2008); a cell of
//   zero adds nothing.

struct CollocateRow {
    QString word;
    qint64 left = 0;  // co-occurrences before the node
    qint64 right = 0; // after it
    qint64 total = 0;
    qint64 frequency = 0; // the collocate's own, in all the texts
    double mi = 0;
    double tScore = 0;
    double logDice = 0;
    double logLikelihood = 0;
};

enum class CollocateSort { LogDice, MI, TScore, LogLikelihood, Count };

struct CollocateOptions {
    int left = 5;
    int right = 5;
    qint64 minCount = 1; // the least co-occurrences
    CollocateSort sort = CollocateSort::LogDice;
    qint64 top = 0; // 0: all
};

struct Collocation {
    qint64 nodeCount = 0;   // f(n)
    qint64 corpusWords = 0; // N
    QList<CollocateRow> rows;
};

// The measures of one collocate from the figures above.
void MeasureCollocate(CollocateRow& row, qint64 nodeCount, qint64 corpusWords, int span);

// The collocates of the node (a key as TypedWordKey gives it) in the texts, words cut and keyed
// as the run's rows are; the largest measure first, then by the word. Throws Failure when a text
// cannot be read.
Collocation Collocates(const QList<ConvertedText>& texts, const QByteArray& node, const CorpusRule& rule,
                       const CollocateOptions& options);

// The columns "Collocate", "Left", "Right", "Count", "Frequency", "MI", "T-score", "logDice",
// "Log-likelihood"; every row ticked.
QStringList CollocateHeaders();
void FillCollocates(ResultTable& table, const QList<CollocateRow>& rows);
