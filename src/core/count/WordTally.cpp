#include "core/count/WordTally.h"

#include <cstring>

void WordTally::Clear() {
    m_index = {};
    m_words = {};
    m_letters.release();
}

void WordTally::AddNew(QByteArrayView word) {
    const auto size = static_cast<size_t>(word.size());
    char* const letters = static_cast<char*>(m_letters.allocate(size, 1));
    std::memcpy(letters, word.data(), size);
    m_index.emplace(absl::string_view(letters, size), m_words.size());
    m_words.push_back({QByteArrayView(letters, word.size()), 1});
}
