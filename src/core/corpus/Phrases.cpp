#include "core/corpus/Phrases.h"

#include "core/base/ErrorReport.h"
#include "core/base/Parallel.h"
#include "core/extract/TextFiles.h"
#include "core/results/ResultTable.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <future>
#include <memory>
#include <numeric>

namespace {

// Sorts items by the low `bits` bits of keyOf(item) (the others are 0), a byte at a time from
// the lowest (least significant digit first): a pass over memory per byte, none for a byte that
// is the same in every key. Equal keys keep their order. Word numbers seldom use all their bits,
// so most phrases sort in a few passes.
template <typename Item, typename KeyOf> void RadixSort(std::vector<Item>& items, int bits, const KeyOf& keyOf) {
    std::vector<Item> spare(items.size());
    for (int shift = 0; shift < bits; shift += 8) {
        std::array<size_t, 257> starts{};
        for (const Item& item : items) {
            ++starts[static_cast<size_t>((keyOf(item) >> shift) & 0xFF) + 1];
        }
        if (std::count(starts.begin() + 1, starts.end(), items.size()) == 1) {
            continue; // every key has the same byte here
        }
        std::partial_sum(starts.begin(), starts.end(), starts.begin());
        for (const Item& item : items) {
            spare[starts[static_cast<size_t>((keyOf(item) >> shift) & 0xFF)]++] = item;
        }
        items.swap(spare);
    }
}

} // namespace

PhraseCounter::PhraseCounter(int length, const CorpusRule& rule)
    : m_length(std::clamp(length, kMinPhraseLength, kMaxPhraseLength)), m_rule(rule) {}

quint32 PhraseCounter::WordId(QByteArrayView word) {
    // The walk folds words when letter case is ignored; the database method's rows group
    // case-blind and cut long words, so its key is built.
    QByteArray key;
    if (KeyDiffers(word, m_rule)) {
        key = WordKey(word, m_rule);
        word = key;
    }
    return KeyId(word);
}

quint32 PhraseCounter::KeyId(QByteArrayView key) {
    const auto found = m_ids.constFind(key);
    if (found != m_ids.cend()) {
        return found.value();
    }
    FailIf(m_words.size() >= (size_t{1} << kIdBits), QStringLiteral("too many distinct words for phrases"));
    char* copy = static_cast<char*>(m_letters.allocate(static_cast<size_t>(key.size()), 1));
    std::memcpy(copy, key.data(), static_cast<size_t>(key.size()));
    const QByteArrayView kept(copy, key.size());
    const auto id = static_cast<quint32>(m_words.size());
    m_words.push_back(kept);
    m_ids.insert(kept, id);
    return id;
}

void PhraseCounter::Absorb(PhraseCounter& other) {
    std::vector<quint32> mine(other.m_words.size());
    for (size_t i = 0; i < mine.size(); ++i) {
        mine[i] = KeyId(other.m_words[i]);
    }
    const Key idMask = (Key{1} << kIdBits) - 1;
    m_keys.reserve(m_keys.size() + other.m_keys.size());
    for (const Key key : other.m_keys) {
        Key renamed = 0;
        for (int i = m_length - 1; i >= 0; --i) {
            renamed = (renamed << kIdBits) | mine[static_cast<size_t>((key >> (kIdBits * i)) & idMask)];
        }
        m_keys.push_back(renamed);
    }
    std::vector<Key>().swap(other.m_keys);
}

void PhraseCounter::AddText(QByteArrayView text) {
    const Key mask = (Key{1} << (kIdBits * m_length)) - 1;
    Key window = 0;
    int filled = 0;
    int page = 1;
    ForEachWord(text, m_rule, [&](const TextWord& word) {
        if (word.page != page) {
            page = word.page;
            filled = 0; // a phrase ends with its page
        }
        window = ((window << kIdBits) | WordId(word.word)) & mask;
        if (++filled >= m_length) {
            m_keys.push_back(window);
        }
    });
}

QList<PhraseCount> PhraseCounter::Phrases(qint64 minCount, PhraseOrder order) {
    RadixSort(m_keys, kIdBits * m_length, [](Key key) { return key; });
    struct Counted {
        Key key;
        qint64 count;
    };
    std::vector<Counted> kept;
    size_t distinct = 0;
    for (size_t i = 0; i < m_keys.size(); ++i) {
        distinct += i == 0 || m_keys[i] != m_keys[i - 1] ? 1 : 0;
    }
    kept.reserve(distinct);
    for (size_t i = 0; i < m_keys.size();) {
        size_t j = i + 1;
        while (j < m_keys.size() && m_keys[j] == m_keys[i]) {
            ++j;
        }
        if (static_cast<qint64>(j - i) >= minCount) {
            kept.push_back({m_keys[i], static_cast<qint64>(j - i)});
        }
        i = j;
    }
    // Each word's place among all words A to Z (binary), so that phrases compare by numbers.
    std::vector<quint32> byLetters(m_words.size());
    for (size_t i = 0; i < byLetters.size(); ++i) {
        byLetters[i] = static_cast<quint32>(i);
    }
    std::sort(byLetters.begin(), byLetters.end(), [this](quint32 a, quint32 b) { return m_words[a] < m_words[b]; });
    std::vector<quint32> rank(m_words.size());
    for (size_t i = 0; i < byLetters.size(); ++i) {
        rank[byLetters[i]] = static_cast<quint32>(i);
    }
    const int n = m_length;
    const Key idMask = (Key{1} << kIdBits) - 1;
    const auto idAt = [&](Key key, int i) { return static_cast<quint32>((key >> (kIdBits * (n - 1 - i))) & idMask); };
    // Each phrase also keyed by its words' places: as numbers, such keys compare word by word.
    struct Ranked {
        Key byLetters;
        const Counted* entry;
    };
    std::vector<Ranked> ranked;
    ranked.reserve(kept.size());
    for (const Counted& entry : kept) {
        Key byLetters = 0;
        for (int i = 0; i < n; ++i) {
            byLetters = (byLetters << kIdBits) | rank[idAt(entry.key, i)];
        }
        ranked.push_back({byLetters, &entry});
    }
    // By the words, then (the order kept for equal counts) by the count.
    RadixSort(ranked, kIdBits * n, [](const Ranked& at) { return at.byLetters; });
    RadixSort(ranked, 64, [order](const Ranked& at) {
        const auto count = static_cast<quint64>(at.entry->count);
        return order == PhraseOrder::LeastFirst ? count : ~count;
    });
    QList<PhraseCount> phrases(static_cast<qsizetype>(ranked.size()));
    PhraseCount* const out = phrases.data();
    const auto spell = [&](size_t from, size_t to) {
        QByteArray phrase;
        for (size_t r = from; r < to; ++r) {
            const Counted& entry = *ranked[r].entry;
            phrase.clear();
            for (int i = 0; i < n; ++i) {
                if (i > 0) {
                    phrase += ' ';
                }
                phrase += m_words[idAt(entry.key, i)];
            }
            out[r] = {QString::fromUtf8(phrase), entry.count};
        }
    };
    const size_t half = ranked.size() > 100000 && WalkerCount(2) > 1 ? ranked.size() / 2 : 0;
    auto first = std::async(std::launch::async, spell, size_t{0}, half);
    spell(half, ranked.size());
    first.get();
    return phrases;
}

QList<PhraseCount> CountPhrases(const QList<ConvertedText>& texts, int length, qint64 minCount, PhraseOrder order,
                                const CorpusRule& rule) {
    // Walkers share out the files one at a time; their counts are joined at the end.
    const size_t walkers = WalkerCount(texts.size());
    std::vector<std::unique_ptr<PhraseCounter>> counters;
    for (size_t w = 0; w < walkers; ++w) {
        counters.push_back(std::make_unique<PhraseCounter>(length, rule));
    }
    std::atomic<qsizetype> next{0};
    const auto walk = [&](std::unique_ptr<PhraseCounter>& counter) {
        for (qsizetype i = next++; i < texts.size(); i = next++) {
            if (!texts[i].text.isEmpty()) {
                const FileBytes bytes(texts[i].text);
                counter->AddText(bytes.View());
            }
        }
    };
    RunWalkers(counters, walk, [&] { next = texts.size(); });
    for (size_t w = 1; w < walkers; ++w) {
        counters[0]->Absorb(*counters[w]);
    }
    return counters[0]->Phrases(minCount, order);
}

void FillPhrases(ResultTable& table, const QList<PhraseCount>& phrases) {
    table.AddColumn(QStringLiteral("Phrase"));
    table.AddColumn(QStringLiteral("Count"), CellKind::Count);
    for (const PhraseCount& phrase : phrases) {
        const int row = table.AppendRow();
        table.SetText(row, 0, phrase.phrase);
        table.SetCount(row, 1, phrase.count);
    }
    table.SetAllTicked(true);
}
