#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QtGlobal>

#include <memory_resource>
#include <vector>

// The words of one count, each with how often it was seen, kept in order of first appearance.
// Both frequency methods count through it: a word seen before costs one hash look-up.
class WordTally {
public:
    WordTally() = default;
    WordTally(const WordTally&) = delete;
    WordTally& operator=(const WordTally&) = delete;

    // Forgets every word and gives their memory back.
    void Clear();

    void Add(QByteArrayView word) {
        const auto found = m_counts.find(word);
        if (found != m_counts.end()) {
            ++found.value();
        } else {
            AddNew(word);
        }
    }

    // The number of distinct words.
    size_t Size() const { return m_order.size(); }

    // Calls visit(QByteArrayView word, qint64 count) for every word, in order of first appearance.
    template <typename Visit> void ForEach(Visit&& visit) const {
        for (const QByteArrayView word : m_order) {
            visit(word, m_counts.value(word));
        }
    }

private:
    void AddNew(QByteArrayView word);

    std::pmr::monotonic_buffer_resource m_letters{1 << 16}; // the words' letters; the keys point into it
    QHash<QByteArrayView, qint64> m_counts;
    std::vector<QByteArrayView> m_order;
};
