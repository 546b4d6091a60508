#include "core/count/WordTally.h"

#include <cstring>

void WordTally::Clear() {
    m_counts = {};
    m_order = {};
    m_letters.release();
}

void WordTally::AddNew(QByteArrayView word) {
    const auto size = static_cast<size_t>(word.size());
    char* const letters = static_cast<char*>(m_letters.allocate(size, 1));
    std::memcpy(letters, word.data(), size);
    const QByteArrayView kept(letters, word.size());
    m_counts.emplace(kept, 1);
    m_order.push_back(kept);
}
