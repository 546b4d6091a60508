#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class ResultTable;

// Keywords: the words that are unusually frequent (or, negative keywords, unusually rare) in a
// target corpus compared with a reference corpus. For a word of frequency a in the target of c
// words and b in the reference of d words:
//   log-likelihood G² = 2 (a ln(a/E1) + b ln(b/E2)), E1 = c (a+b) / (c+d), E2 = d (a+b) / (c+d)
//     (Dunning 1993; a term with a zero frequency adds nothing), with its p-value from the
//     chi-square distribution with one degree of freedom;
//   Log Ratio = log2((a/c) / (b/d)), 0.5 in place of a zero frequency (Hardie 2014);
//   %DIFF = (a/c - b/d) / (b/d) x 100 (Gabrielatos and Marchi 2012), none when b is 0.

struct WordFrequency {
    QString word;
    qint64 count = 0;
};

struct KeywordRow {
    QString word;
    qint64 count = 0;          // in the target
    qint64 referenceCount = 0; // in the reference
    double perMillion = 0;
    double referencePerMillion = 0;
    double logLikelihood = 0;
    double p = 1;
    double logRatio = 0;
    std::optional<double> percentDiff; // none when the reference has not the word
};

enum class KeywordSort { LogLikelihood, LogRatio };

struct KeywordOptions {
    bool negative = false; // the words rarer in the target instead
    // The least frequency in the corpus the word is key in (the target, or the reference for
    // negative keywords).
    qint64 minCount = 1;
    KeywordSort sort = KeywordSort::LogLikelihood;
    qint64 top = 0; // 0: all
};

double LogLikelihood(qint64 a, qint64 b, qint64 c, qint64 d);
// The chance of a G² at least this large by chance alone (chi-square, one degree of freedom).
double ChiSquareP(double g2);
double LogRatio(qint64 a, qint64 b, qint64 c, qint64 d);

// The keywords, most key first (by the sort's measure, then by the word); a word's frequencies
// are summed when it is listed more than once.
QList<KeywordRow> Keywords(const QList<WordFrequency>& target, qint64 targetWords,
                           const QList<WordFrequency>& reference, qint64 referenceWords, const KeywordOptions& options);

// The columns "Word", "Count", "Per million", "Reference count", "Reference per million",
// "Log-likelihood", "p", "Log ratio", "%DIFF"; every row ticked.
QStringList KeywordHeaders();
void FillKeywords(ResultTable& table, const QList<KeywordRow>& rows);
