#include "core/corpus/Phrases.h"

#include "core/extract/TextFiles.h"
#include "core/results/ResultTable.h"

#include <algorithm>
#include <cstring>

namespace {

size_t HashOf(const std::array<quint32, kMaxPhraseLength>& ids, int length) {
    quint64 h = 0x9E3779B97F4A7C15ULL;
    for (int i = 0; i < length; ++i) {
        h ^= ids[static_cast<size_t>(i)];
        h *= 0xFF51AFD7ED558CCDULL;
        h ^= h >> 32;
    }
    return static_cast<size_t>(h);
}

} // namespace

PhraseCounter::PhraseCounter(int length, const CorpusRule& rule)
    : m_length(std::clamp(length, kMinPhraseLength, kMaxPhraseLength)), m_rule(rule) {
    m_slots.assign(1 << 16, 0);
}

quint32 PhraseCounter::WordId(QByteArrayView word) {
    // The walk folds words when letter case is ignored; the database method's rows group
    // case-blind and cut long words, so its key is built.
    QByteArray key;
    if (m_rule.databaseMethod) {
        key = WordKey(word, m_rule);
        word = key;
    }
    const auto found = m_ids.constFind(word);
    if (found != m_ids.cend()) {
        return found.value();
    }
    char* copy = static_cast<char*>(m_letters.allocate(static_cast<size_t>(word.size()), 1));
    std::memcpy(copy, word.data(), static_cast<size_t>(word.size()));
    const QByteArrayView kept(copy, word.size());
    const auto id = static_cast<quint32>(m_words.size());
    m_words.push_back(kept);
    m_ids.insert(kept, id);
    return id;
}

void PhraseCounter::Grow() {
    std::vector<quint32> table(m_slots.size() * 2, 0);
    const size_t mask = table.size() - 1;
    for (size_t e = 0; e < m_entries.size(); ++e) {
        size_t s = HashOf(m_entries[e].ids, m_length) & mask;
        while (table[s] != 0) {
            s = (s + 1) & mask;
        }
        table[s] = static_cast<quint32>(e + 1);
    }
    m_slots.swap(table);
}

void PhraseCounter::Count(const Ids& ids) {
    if ((m_entries.size() + 1) * 2 > m_slots.size()) {
        Grow();
    }
    const size_t mask = m_slots.size() - 1;
    const auto n = static_cast<size_t>(m_length);
    for (size_t s = HashOf(ids, m_length) & mask;; s = (s + 1) & mask) {
        const quint32 slot = m_slots[s];
        if (slot == 0) {
            m_entries.push_back({ids, 1});
            m_slots[s] = static_cast<quint32>(m_entries.size());
            return;
        }
        Entry& entry = m_entries[slot - 1];
        if (std::equal(ids.begin(), ids.begin() + static_cast<std::ptrdiff_t>(n), entry.ids.begin())) {
            ++entry.count;
            return;
        }
    }
}

void PhraseCounter::AddText(QByteArrayView text) {
    Ids window{};
    int filled = 0;
    int page = 1;
    ForEachWord(text, m_rule, [&](const TextWord& word) {
        if (word.page != page) {
            page = word.page;
            filled = 0; // a phrase ends with its page
        }
        const quint32 id = WordId(word.word);
        if (filled < m_length) {
            window[static_cast<size_t>(filled++)] = id;
        } else {
            std::move(window.begin() + 1, window.begin() + m_length, window.begin());
            window[static_cast<size_t>(m_length - 1)] = id;
        }
        if (filled == m_length) {
            Count(window);
        }
    });
}

QList<PhraseCount> PhraseCounter::Phrases(qint64 minCount, PhraseOrder order) const {
    std::vector<const Entry*> kept;
    for (const Entry& entry : m_entries) {
        if (entry.count >= minCount) {
            kept.push_back(&entry);
        }
    }
    const auto words = [this](const Entry* e) {
        QByteArray phrase;
        for (int i = 0; i < m_length; ++i) {
            if (i > 0) {
                phrase += ' ';
            }
            phrase += m_words[e->ids[static_cast<size_t>(i)]];
        }
        return phrase;
    };
    std::vector<std::pair<QByteArray, const Entry*>> named;
    named.reserve(kept.size());
    for (const Entry* e : kept) {
        named.emplace_back(words(e), e);
    }
    std::sort(named.begin(), named.end(), [order](const auto& a, const auto& b) {
        if (a.second->count != b.second->count) {
            return order == PhraseOrder::LeastFirst ? a.second->count < b.second->count
                                                    : a.second->count > b.second->count;
        }
        return a.first < b.first;
    });
    QList<PhraseCount> phrases;
    phrases.reserve(static_cast<qsizetype>(named.size()));
    for (const auto& [phrase, entry] : named) {
        phrases.append({QString::fromUtf8(phrase), entry->count});
    }
    return phrases;
}

QList<PhraseCount> CountPhrases(const QList<ConvertedText>& texts, int length, qint64 minCount, PhraseOrder order,
                                const CorpusRule& rule) {
    PhraseCounter counter(length, rule);
    for (const ConvertedText& text : texts) {
        if (!text.textFile.isEmpty()) {
            const FileBytes bytes(text.textFile);
            counter.AddText(bytes.View());
        }
    }
    return counter.Phrases(minCount, order);
}

void FillPhrases(ResultTable& table, const QList<PhraseCount>& phrases) {
    table.AddColumn(QStringLiteral("Phrase"), 6300);
    table.AddColumn(QStringLiteral("Count"), 1000);
    for (const PhraseCount& phrase : phrases) {
        table.AddRow({phrase.phrase, QString::number(phrase.count)});
    }
    table.SetAllTicked(true);
}
