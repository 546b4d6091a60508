#include "core/corpus/WordStats.h"

#include "core/count/WordRule.h"
#include "core/extract/TextFiles.h"
#include "core/results/ResultTable.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory_resource>

QList<WordStat> StatisticsOf(const QList<qint64>& fileWords, const QList<FileCounts>& words) {
    qint64 total = 0;
    for (const qint64 n : fileWords) {
        total += n;
    }
    QList<WordStat> stats;
    stats.reserve(words.size());
    for (const FileCounts& word : words) {
        WordStat stat;
        stat.word = QString::fromUtf8(word.word);
        for (const auto& [file, count] : word.perFile) {
            stat.count += count;
        }
        if (stat.count == 0 || total == 0) {
            continue;
        }
        stat.range = static_cast<int>(word.perFile.size());
        stat.perMillion = static_cast<double>(stat.count) * 1e6 / static_cast<double>(total);
        // The files without the word add their whole share of the words.
        double deviation = 1.0;
        for (const auto& [file, count] : word.perFile) {
            const double s = static_cast<double>(fileWords.value(file)) / static_cast<double>(total);
            const double v = static_cast<double>(count) / static_cast<double>(stat.count);
            deviation += std::abs(v - s) - s;
        }
        stat.dp = std::clamp(deviation / 2.0, 0.0, 1.0);
        stats << stat;
    }
    std::stable_sort(stats.begin(), stats.end(), [](const WordStat& a, const WordStat& b) {
        return a.count != b.count ? a.count < b.count : a.word.toUtf8() < b.word.toUtf8();
    });
    return stats;
}

QList<WordStat> WordStatistics(const QList<ConvertedText>& texts, const CorpusRule& rule,
                               const QSet<QByteArray>& leaveOut) {
    // Keys point into `letters`; a word seen before costs one look-up.
    std::pmr::monotonic_buffer_resource letters{1 << 16};
    QHash<QByteArrayView, qsizetype> index;
    QList<FileCounts> words;
    QList<qint64> fileWords;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        fileWords << 0;
        if (texts[i].text.isEmpty()) {
            continue;
        }
        const FileBytes bytes(texts[i].text);
        const int file = static_cast<int>(i);
        qint64& n = fileWords.last();
        QByteArray built;
        ForEachWord(bytes.View(), rule, [&](const TextWord& found) {
            ++n;
            QByteArrayView key = found.word;
            if (KeyDiffers(key, rule)) {
                built = WordKey(key, rule);
                key = built;
            }
            auto at = index.find(key);
            if (at == index.end()) {
                if (!leaveOut.isEmpty()) {
                    const QByteArray folded =
                        rule.letters == LetterRule::AllLanguages ? FoldCaseUtf8(key) : key.toByteArray().toLower();
                    if (leaveOut.contains(folded)) {
                        return;
                    }
                }
                char* copy = static_cast<char*>(letters.allocate(static_cast<size_t>(key.size()), 1));
                std::memcpy(copy, key.data(), static_cast<size_t>(key.size()));
                at = index.insert(QByteArrayView(copy, key.size()), words.size());
                words.append({key.toByteArray(), {}});
            }
            auto& perFile = words[at.value()].perFile;
            if (perFile.isEmpty() || perFile.last().first != file) {
                perFile.append({file, 0});
            }
            ++perFile.last().second;
        });
    }
    return StatisticsOf(fileWords, words);
}

QStringList StatisticsHeaders() {
    return {QStringLiteral("Per million"), QStringLiteral("Range"), QStringLiteral("DP")};
}

QStringList StatisticsCells(const WordStat& stat) {
    return {QString::number(stat.perMillion, 'f', 2), QString::number(stat.range), QString::number(stat.dp, 'f', 4)};
}

void FillStatistics(ResultTable& table, const QList<WordStat>& stats) {
    table.AddColumn(QStringLiteral(" Words"));
    table.AddColumn(QStringLiteral("Count"), CellKind::Count);
    for (const QString& header : StatisticsHeaders()) {
        table.AddColumn(header, header == QStringLiteral("Range") ? CellKind::Count : CellKind::Text);
    }
    for (const WordStat& stat : stats) {
        table.AddRow(QStringList{stat.word, QString::number(stat.count)} + StatisticsCells(stat));
    }
    table.SetAllTicked(true);
}
