#include "core/corpus/Keywords.h"

#include "core/results/ResultTable.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace {

double Share(qint64 count, qint64 words) {
    return words > 0 ? static_cast<double>(count) / static_cast<double>(words) : 0.0;
}

QHash<QString, qint64> Summed(const QList<WordFrequency>& words) {
    QHash<QString, qint64> sums;
    sums.reserve(words.size());
    for (const WordFrequency& word : words) {
        sums[word.word] += word.count;
    }
    return sums;
}

QString Decimal(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

} // namespace

double LogLikelihood(qint64 a, qint64 b, qint64 c, qint64 d) {
    if (c + d == 0 || a + b == 0) {
        return 0;
    }
    const double both = static_cast<double>(a + b) / static_cast<double>(c + d);
    const auto term = [](qint64 observed, double expected) {
        return observed > 0 ? static_cast<double>(observed) * std::log(static_cast<double>(observed) / expected) : 0.0;
    };
    return 2.0 * (term(a, static_cast<double>(c) * both) + term(b, static_cast<double>(d) * both));
}

double ChiSquareP(double g2) {
    return g2 > 0 ? std::erfc(std::sqrt(g2 / 2.0)) : 1.0;
}

double LogRatio(qint64 a, qint64 b, qint64 c, qint64 d) {
    const double target = (a > 0 ? static_cast<double>(a) : 0.5) / static_cast<double>(std::max<qint64>(c, 1));
    const double reference = (b > 0 ? static_cast<double>(b) : 0.5) / static_cast<double>(std::max<qint64>(d, 1));
    return std::log2(target / reference);
}

QList<KeywordRow> Keywords(const QList<WordFrequency>& target, qint64 targetWords,
                           const QList<WordFrequency>& reference, qint64 referenceWords,
                           const KeywordOptions& options) {
    const QHash<QString, qint64> inTarget = Summed(target);
    const QHash<QString, qint64> inReference = Summed(reference);
    QList<KeywordRow> rows;
    const auto consider = [&](const QString& word, qint64 a, qint64 b) {
        const double shareA = Share(a, targetWords);
        const double shareB = Share(b, referenceWords);
        const bool key = options.negative ? shareA < shareB : shareA > shareB;
        if (!key || (options.negative ? b : a) < options.minCount) {
            return;
        }
        KeywordRow row;
        row.word = word;
        row.count = a;
        row.referenceCount = b;
        row.perMillion = shareA * 1e6;
        row.referencePerMillion = shareB * 1e6;
        row.logLikelihood = LogLikelihood(a, b, targetWords, referenceWords);
        row.p = ChiSquareP(row.logLikelihood);
        row.logRatio = LogRatio(a, b, targetWords, referenceWords);
        if (b > 0) {
            row.percentDiff = (shareA - shareB) / shareB * 100.0;
        }
        rows << row;
    };
    for (auto at = inTarget.cbegin(); at != inTarget.cend(); ++at) {
        consider(at.key(), at.value(), inReference.value(at.key()));
    }
    if (options.negative) {
        for (auto at = inReference.cbegin(); at != inReference.cend(); ++at) {
            if (!inTarget.contains(at.key())) {
                consider(at.key(), 0, at.value());
            }
        }
    }
    // Most key first: the largest G², or the Log Ratio farthest from 0 on the keywords' side.
    const auto measure = [&options](const KeywordRow& row) {
        if (options.sort == KeywordSort::LogRatio) {
            return options.negative ? -row.logRatio : row.logRatio;
        }
        return row.logLikelihood;
    };
    std::sort(rows.begin(), rows.end(), [&measure](const KeywordRow& x, const KeywordRow& y) {
        const double mx = measure(x);
        const double my = measure(y);
        return mx != my ? mx > my : x.word.toUtf8() < y.word.toUtf8();
    });
    if (options.top > 0 && rows.size() > options.top) {
        rows.resize(options.top);
    }
    return rows;
}

QStringList KeywordHeaders() {
    return {QStringLiteral("Word"),
            QStringLiteral("Count"),
            QStringLiteral("Per million"),
            QStringLiteral("Reference count"),
            QStringLiteral("Reference per million"),
            QStringLiteral("Log-likelihood"),
            QStringLiteral("p"),
            QStringLiteral("Log ratio"),
            QStringLiteral("%DIFF")};
}

void FillKeywords(ResultTable& table, const QList<KeywordRow>& rows) {
    const QStringList headers = KeywordHeaders();
    for (qsizetype c = 0; c < headers.size(); ++c) {
        table.AddColumn(headers[c], c == 1 || c == 3 ? CellKind::Count : CellKind::Text);
    }
    for (const KeywordRow& row : rows) {
        table.AddRow({row.word, QString::number(row.count), Decimal(row.perMillion, 2),
                      QString::number(row.referenceCount), Decimal(row.referencePerMillion, 2),
                      Decimal(row.logLikelihood, 2), Decimal(row.p, 6), Decimal(row.logRatio, 2),
                      row.percentDiff ? Decimal(*row.percentDiff, 2) : QString()});
    }
    table.SetAllTicked(true);
}
