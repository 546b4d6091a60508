#include "core/corpus/Dispersion.h"

#include "core/base/Parallel.h"
#include "core/extract/TextFiles.h"
#include "core/results/ResultTable.h"

#include <algorithm>

double FileDispersion::Position(const DispersionHit& hit) const {
    return words > 0 ? static_cast<double>(hit.word) / static_cast<double>(words) : 0.0;
}

double FileDispersion::PagePosition(int page) const {
    if (page < 1 || page > Pages() || words == 0) {
        return 0.0;
    }
    return static_cast<double>(pageStarts[page - 1]) / static_cast<double>(words);
}

double FileDispersion::PerThousand() const {
    return words > 0 ? static_cast<double>(hits.size()) * 1000.0 / static_cast<double>(words) : 0.0;
}

FileDispersion DispersionOfText(QByteArrayView text, int file, const QByteArray& key, const CorpusRule& rule) {
    FileDispersion found;
    found.file = file;
    found.pageStarts << 0;
    ForEachWord(text, rule, [&](const TextWord& word) {
        while (found.pageStarts.size() < word.page) {
            found.pageStarts << found.words;
        }
        if (!key.isEmpty() && (word.word == key || (KeyDiffers(word.word, rule) && WordKey(word.word, rule) == key))) {
            found.hits << DispersionHit{found.words, word.page, word.begin, word.end};
        }
        ++found.words;
    });
    // The converter ends every page with a form feed: the pages after the last word.
    auto pages = static_cast<qsizetype>(std::count(text.begin(), text.end(), '\f'));
    if (!text.isEmpty() && !text.endsWith('\f')) {
        ++pages;
    }
    while (found.pageStarts.size() < pages) {
        found.pageStarts << found.words;
    }
    return found;
}

Dispersion DispersionOf(const QList<ConvertedText>& texts, const QByteArray& key, const CorpusRule& rule,
                        const std::atomic<bool>* stop) {
    // The files are shared out one at a time, so that a long file does not hold up the rest.
    QList<FileDispersion> files(texts.size());
    QList<bool> walked(texts.size(), false);
    std::vector<int> walkers(WalkerCount(texts.size()));
    std::atomic<qsizetype> next{0};
    const auto walk = [&](int) {
        for (qsizetype i = next++; i < texts.size(); i = next++) {
            if (texts[i].text.isEmpty() || (stop && stop->load())) {
                continue;
            }
            const FileBytes bytes(texts[i].text);
            files[i] = DispersionOfText(bytes.View(), static_cast<int>(i), key, rule);
            walked[i] = true;
        }
    };
    RunWalkers(walkers, walk, [&] { next = texts.size(); });
    Dispersion dispersion;
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (walked[i]) {
            dispersion.hits += files[i].hits.size();
            dispersion.words += files[i].words;
            dispersion.files << std::move(files[i]);
        }
    }
    return dispersion;
}

QStringList DispersionHeaders() {
    return {QStringLiteral("File"), QStringLiteral("Page"), QStringLiteral("Position")};
}

void FillDispersion(ResultTable& table, const Dispersion& dispersion, const QList<ConvertedText>& texts) {
    const QStringList headers = DispersionHeaders();
    for (const QString& header : headers) {
        table.AddColumn(header, header == QStringLiteral("Page") ? CellKind::Count : CellKind::Text);
    }
    for (const FileDispersion& file : dispersion.files) {
        const QString label = texts.value(file.file).label;
        for (const DispersionHit& hit : file.hits) {
            table.AddRow({label, QString::number(hit.page), QString::number(file.Position(hit), 'f', 4)});
        }
    }
    table.SetAllTicked(true);
}
