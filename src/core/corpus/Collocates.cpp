#include "core/corpus/Collocates.h"

#include "core/extract/TextFiles.h"
#include "core/results/ResultTable.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <deque>
#include <vector>

namespace {

// Each distinct word once, with its frequency and its co-occurrences with the node.
struct Tally {
    QHash<QByteArray, qsizetype> index;
    std::vector<QByteArray> words;
    std::vector<qint64> frequency;
    std::vector<qint64> left;
    std::vector<qint64> right;

    qsizetype Id(QByteArray key) {
        const auto found = index.constFind(key);
        if (found != index.cend()) {
            return found.value();
        }
        const auto id = static_cast<qsizetype>(words.size());
        index.insert(key, id);
        words.push_back(std::move(key));
        frequency.push_back(0);
        left.push_back(0);
        right.push_back(0);
        return id;
    }
};

// Walks one text: the words of the current page before the node stay in view (the last `left`
// of them); every node opens a window of `right` words after it.
void WalkText(QByteArrayView text, const QByteArray& node, const CorpusRule& rule, const CollocateOptions& options,
              Tally& tally, qint64& nodeCount, qint64& words) {
    std::deque<qsizetype> before; // ids of the last words of the page
    std::vector<int> openWindows; // words still to be counted after each node of the page
    int page = -1;
    ForEachWord(text, rule, [&](const TextWord& found) {
        if (found.page != page) {
            page = found.page;
            before.clear();
            openWindows.clear();
        }
        ++words;
        const qsizetype id =
            tally.Id(KeyDiffers(found.word, rule) ? WordKey(found.word, rule) : found.word.toByteArray());
        ++tally.frequency[static_cast<size_t>(id)];
        for (int& left : openWindows) {
            if (left > 0) {
                ++tally.right[static_cast<size_t>(id)];
                --left;
            }
        }
        std::erase(openWindows, 0);
        if (tally.words[static_cast<size_t>(id)] == node) {
            ++nodeCount;
            for (const qsizetype earlier : before) {
                ++tally.left[static_cast<size_t>(earlier)];
            }
            if (options.right > 0) {
                openWindows.push_back(options.right);
            }
        }
        if (options.left > 0) {
            before.push_back(id);
            if (static_cast<int>(before.size()) > options.left) {
                before.pop_front();
            }
        }
    });
}

double Measure(const CollocateRow& row, CollocateSort sort) {
    switch (sort) {
    case CollocateSort::MI:
        return row.mi;
    case CollocateSort::TScore:
        return row.tScore;
    case CollocateSort::LogLikelihood:
        return row.logLikelihood;
    case CollocateSort::Count:
        return static_cast<double>(row.total);
    case CollocateSort::LogDice:
        break;
    }
    return row.logDice;
}

QString Decimal(double value) {
    return QString::number(value, 'f', 2);
}

} // namespace

void MeasureCollocate(CollocateRow& row, qint64 nodeCount, qint64 corpusWords, int span) {
    const auto n = static_cast<double>(corpusWords);
    const auto o11 = static_cast<double>(row.total);
    const double window = static_cast<double>(nodeCount) * span; // the node's row
    const auto collocate = static_cast<double>(row.frequency);   // the collocate's column
    const double expected = window * collocate / n;
    row.mi = std::log2(o11 / expected);
    row.tScore = (o11 - expected) / std::sqrt(o11);
    row.logDice = 14.0 + std::log2(2.0 * o11 / (static_cast<double>(nodeCount) + collocate));
    const double observed[4] = {o11, window - o11, collocate - o11, n - window - collocate + o11};
    const double rows[2] = {window, n - window};
    const double columns[2] = {collocate, n - collocate};
    double g2 = 0;
    for (int cell = 0; cell < 4; ++cell) {
        const double e = rows[cell / 2] * columns[cell % 2] / n;
        if (observed[cell] > 0 && e > 0) {
            g2 += observed[cell] * std::log(observed[cell] / e);
        }
    }
    row.logLikelihood = 2.0 * g2;
}

Collocation Collocates(const QList<ConvertedText>& texts, const QByteArray& node, const CorpusRule& rule,
                       const CollocateOptions& options) {
    Tally tally;
    Collocation result;
    for (const ConvertedText& text : texts) {
        if (!text.text.isEmpty()) {
            const FileBytes bytes(text.text);
            WalkText(bytes.View(), node, rule, options, tally, result.nodeCount, result.corpusWords);
        }
    }
    const int span = options.left + options.right;
    for (size_t id = 0; id < tally.words.size(); ++id) {
        CollocateRow row;
        row.left = tally.left[id];
        row.right = tally.right[id];
        row.total = row.left + row.right;
        if (row.total == 0 || row.total < options.minCount) {
            continue;
        }
        row.word = QString::fromUtf8(tally.words[id]);
        row.frequency = tally.frequency[id];
        MeasureCollocate(row, result.nodeCount, result.corpusWords, span);
        result.rows << row;
    }
    std::sort(result.rows.begin(), result.rows.end(), [&options](const CollocateRow& x, const CollocateRow& y) {
        const double mx = Measure(x, options.sort);
        const double my = Measure(y, options.sort);
        return mx != my ? mx > my : x.word.toUtf8() < y.word.toUtf8();
    });
    if (options.top > 0 && result.rows.size() > options.top) {
        result.rows.resize(options.top);
    }
    return result;
}

QStringList CollocateHeaders() {
    return {QStringLiteral("Collocate"), QStringLiteral("Left"),      QStringLiteral("Right"),
            QStringLiteral("Count"),     QStringLiteral("Frequency"), QStringLiteral("MI"),
            QStringLiteral("T-score"),   QStringLiteral("logDice"),   QStringLiteral("Log-likelihood")};
}

void FillCollocates(ResultTable& table, const QList<CollocateRow>& rows) {
    const QStringList headers = CollocateHeaders();
    for (qsizetype c = 0; c < headers.size(); ++c) {
        table.AddColumn(headers[c], c >= 1 && c <= 4 ? CellKind::Count : CellKind::Text);
    }
    for (const CollocateRow& row : rows) {
        table.AddRow({row.word, QString::number(row.left), QString::number(row.right), QString::number(row.total),
                      QString::number(row.frequency), Decimal(row.mi), Decimal(row.tScore), Decimal(row.logDice),
                      Decimal(row.logLikelihood)});
    }
    table.SetAllTicked(true);
}
