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

    // Counts the phrases of one text; no phrase runs from one text into the next.
    void AddText(QByteArrayView text);
    // The phrases seen at least minCount times, by count (least or most frequent first), equal
    // counts by their words A to Z (binary).
    QList<PhraseCount> Phrases(qint64 minCount, PhraseOrder order) const;
    size_t Distinct() const { return m_entries.size(); }

private:
    using Ids = std::array<quint32, kMaxPhraseLength>;
    struct Entry {
        Ids ids;
        qint64 count;
    };
    quint32 WordId(QByteArrayView word);
    void Count(const Ids& ids);
    void Grow();

    int m_length;
    CorpusRule m_rule;
    std::pmr::monotonic_buffer_resource m_letters{1 << 16};
    QHash<QByteArrayView, quint32> m_ids;
    std::vector<QByteArrayView> m_words; // by id
    std::vector<Entry> m_entries;
    std::vector<quint32> m_slots; // open addressing: entry index + 1, 0 for a free slot
};

// The phrases of every text that has one. Throws Failure when a text cannot be read.
QList<PhraseCount> CountPhrases(const QList<ConvertedText>& texts, int length, qint64 minCount, PhraseOrder order,
                                const CorpusRule& rule);

// The columns "Phrase", "Count"; every row ticked.
void FillPhrases(ResultTable& table, const QList<PhraseCount>& phrases);
