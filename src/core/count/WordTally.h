#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <absl/container/flat_hash_map.h>
#include <absl/strings/string_view.h>

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
        const auto found = m_index.find(absl::string_view(word.data(), static_cast<size_t>(word.size())));
        if (found != m_index.end()) {
            ++m_words[found->second].count;
        } else {
            AddNew(word);
        }
    }

    // The number of distinct words.
    size_t Size() const { return m_words.size(); }

    // Calls visit(QByteArrayView word, qint64 count) for every word, in order of first appearance.
    template <typename Visit> void ForEach(Visit&& visit) const {
        for (const Word& word : m_words) {
            visit(word.spelling, word.count);
        }
    }

private:
    struct Word {
        QByteArrayView spelling; // in m_letters
        qint64 count;
    };

    void AddNew(QByteArrayView word);

    std::pmr::monotonic_buffer_resource m_letters{1 << 16}; // the words' letters; the keys point into it
    absl::flat_hash_map<absl::string_view, size_t> m_index; // a spelling's place in m_words
    std::vector<Word> m_words;                              // in order of first appearance
};
