#pragma once

#include "core/corpus/CorpusText.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <array>
#include <memory_resource>
#include <vector>

class ResultTable;

// Frequent phrases: how often each sequence of 2 to 5 words occurs. Words are cut and compared
// by the run's rule (common words included); a line end is only a blank between two words, but a
// sequence never runs across a page end.

inline constexpr int kMinPhraseLength = 2;
inline constexpr int kMaxPhraseLength = 5;

struct PhraseCount {
    QString phrase; // its words joined by one blank
    qint64 count = 0;
};

enum class PhraseOrder { LeastFirst, MostFirst };

class PhraseCounter {
public:
    // length is clamped to 2..5.
    PhraseCounter(int length, const CorpusRule& rule);
    PhraseCounter(const PhraseCounter&) = delete;
    PhraseCounter& operator=(const PhraseCounter&) = delete;

    // Counts the phrases of one text; no phrase runs from one text into the next. Throws Failure
    // when the texts hold more distinct words than a phrase can name (2^25).
    void AddText(QByteArrayView text);
    // Takes in the phrases another counter of the same length and rule has counted.
    void Absorb(PhraseCounter& other);
    // The phrases seen at least minCount times, by count (least or most frequent first), equal
    // counts by their words A to Z, word by word (binary).
    QList<PhraseCount> Phrases(qint64 minCount, PhraseOrder order);

private:
    // A phrase is the numbers of its words, 25 bits each, in one key; the keys of all phrases
    // are sorted once and equal neighbours counted, which reads memory in order rather than
    // hashing every phrase.
    using Key = unsigned __int128;
    static constexpr int kIdBits = 25;
    quint32 WordId(QByteArrayView word);
    quint32 KeyId(QByteArrayView key); // of a word already made a key

    int m_length;
    CorpusRule m_rule;
    std::pmr::monotonic_buffer_resource m_letters{1 << 16};
    QHash<QByteArrayView, quint32> m_ids;
    std::vector<QByteArrayView> m_words; // by number
    std::vector<Key> m_keys;             // one per phrase seen
};

// The phrases of every text that has one. Throws Failure when a text cannot be read.
QList<PhraseCount> CountPhrases(const QList<ConvertedText>& texts, int length, qint64 minCount, PhraseOrder order,
                                const CorpusRule& rule);

// The columns "Phrase", "Count"; every row ticked.
void FillPhrases(ResultTable& table, const QList<PhraseCount>& phrases);
