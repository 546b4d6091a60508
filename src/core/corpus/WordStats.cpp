#include "core/corpus/WordStats.h"

#include "core/base/Parallel.h"
#include "core/count/WordRule.h"
#include "core/extract/TextFiles.h"
#include "core/results/ResultTable.h"

#include <QHash>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <memory_resource>
#include <vector>

QList<WordStat> StatisticsOf(const QList<qint64>& fileWords, const QList<FileCounts>& words) {
    qint64 total = 0;
    for (const qint64 n : fileWords) {
        total += n;
    }
    // Least frequent first, equal counts by the word's bytes.
    std::vector<std::pair<qint64, const FileCounts*>> order;
    order.reserve(static_cast<size_t>(words.size()));
    for (const FileCounts& word : words) {
        qint64 count = 0;
        for (const auto& [file, n] : word.perFile) {
            count += n;
        }
        if (count > 0 && total > 0) {
            order.emplace_back(count, &word);
        }
    }
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second->word < b.second->word;
    });
    QList<WordStat> stats;
    stats.reserve(static_cast<qsizetype>(order.size()));
    for (const auto& [count, word] : order) {
        WordStat stat;
        stat.word = QString::fromUtf8(word->word);
        stat.count = count;
        stat.range = static_cast<int>(word->perFile.size());
        stat.perMillion = static_cast<double>(stat.count) * 1e6 / static_cast<double>(total);
        // The files without the word add their whole share of the words.
        double deviation = 1.0;
        for (const auto& [file, n] : word->perFile) {
            const double s = static_cast<double>(fileWords.value(file)) / static_cast<double>(total);
            const double v = static_cast<double>(n) / static_cast<double>(stat.count);
            deviation += std::abs(v - s) - s;
        }
        stat.dp = std::clamp(deviation / 2.0, 0.0, 1.0);
        stats << stat;
    }
    return stats;
}

namespace {

// The words of the files one walker took: each word's count per file. Keys point into letters;
// a word seen before costs one look-up.
struct Walked {
    std::unique_ptr<std::pmr::monotonic_buffer_resource> letters =
        std::make_unique<std::pmr::monotonic_buffer_resource>(1 << 16);
    QHash<QByteArrayView, qsizetype> index;
    QList<FileCounts> words;

    FileCounts* Find(QByteArrayView key) {
        const auto at = index.constFind(key);
        return at == index.cend() ? nullptr : &words[at.value()];
    }
    FileCounts& Add(QByteArrayView key) {
        char* copy = static_cast<char*>(letters->allocate(static_cast<size_t>(key.size()), 1));
        std::memcpy(copy, key.data(), static_cast<size_t>(key.size()));
        index.insert(QByteArrayView(copy, key.size()), words.size());
        words.append({key.toByteArray(), {}});
        return words.last();
    }
};

// Walks the words of one file into walked; returns the file's words.
qint64 WalkFile(const ConvertedText& text, int file, const CorpusRule& rule, const QSet<QByteArray>& leaveOut,
                Walked& walked) {
    qint64 n = 0;
    const FileBytes bytes(text.text);
    QByteArray built;
    ForEachWord(bytes.View(), rule, [&](const TextWord& found) {
        ++n;
        QByteArrayView key = found.word;
        if (KeyDiffers(key, rule)) {
            built = WordKey(key, rule);
            key = built;
        }
        FileCounts* word = walked.Find(key);
        if (!word) {
            if (!leaveOut.isEmpty()) {
                const QByteArray folded =
                    rule.letters == LetterRule::AllLanguages ? FoldCaseUtf8(key) : key.toByteArray().toLower();
                if (leaveOut.contains(folded)) {
                    return;
                }
            }
            word = &walked.Add(key);
        }
        auto& perFile = word->perFile;
        if (perFile.isEmpty() || perFile.last().first != file) {
            perFile.append({file, 0});
        }
        ++perFile.last().second;
    });
    return n;
}

} // namespace

QList<WordStat> WordStatistics(const QList<ConvertedText>& texts, const CorpusRule& rule,
                               const QSet<QByteArray>& leaveOut) {
    // The files are shared out to walkers one at a time, so a long file does not hold up the rest.
    QList<qint64> fileWords(texts.size(), 0);
    std::vector<Walked> walked(WalkerCount(texts.size()));
    std::atomic<qsizetype> next{0};
    const auto walk = [&](Walked& mine) {
        for (qsizetype i = next++; i < texts.size(); i = next++) {
            if (!texts[i].text.isEmpty()) {
                fileWords[i] = WalkFile(texts[i], static_cast<int>(i), rule, leaveOut, mine);
            }
        }
    };
    RunWalkers(walked, walk, [&] { next = texts.size(); });
    // One table of all: each word's files in file order, as a single walk would give them.
    Walked& all = walked[0];
    for (size_t w = 1; w < walked.size(); ++w) {
        for (FileCounts& word : walked[w].words) {
            FileCounts* into = all.Find(word.word);
            if (into) {
                into->perFile += word.perFile;
            } else {
                all.Add(word.word).perFile = std::move(word.perFile);
            }
        }
    }
    if (walked.size() > 1) {
        for (FileCounts& word : all.words) {
            std::sort(word.perFile.begin(), word.perFile.end());
        }
    }
    return StatisticsOf(fileWords, all.words);
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
