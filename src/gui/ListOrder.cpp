#include "gui/ListOrder.h"

#include <algorithm>
#include <numeric>

namespace {

// Thrown out of a sort that was cancelled.
struct SortCancelled {};

int CompareKeys(const SortKeys& keys, int a, int b) {
    const auto i = static_cast<size_t>(a);
    const auto j = static_cast<size_t>(b);
    if (keys.isNumber[i] != keys.isNumber[j]) {
        return keys.isNumber[i] ? -1 : 1;
    }
    if (keys.isNumber[i]) {
        return keys.numbers[i] < keys.numbers[j] ? -1 : keys.numbers[j] < keys.numbers[i] ? 1 : 0;
    }
    const int text = keys.texts[i].compare(keys.texts[j]);
    if (text != 0 || keys.ties.empty()) {
        return text;
    }
    return keys.ties[i].compare(keys.ties[j]);
}

} // namespace

QList<int> SortedRows(const SortKeys& keys, bool descending, const std::atomic<bool>& cancelled) {
    QList<int> rows(static_cast<qsizetype>(keys.isNumber.size()));
    std::iota(rows.begin(), rows.end(), 0);
    unsigned comparisons = 0;
    const auto less = [&](int a, int b) {
        if ((++comparisons & 0xFFFF) == 0 && cancelled) {
            throw SortCancelled{};
        }
        return descending ? CompareKeys(keys, b, a) < 0 : CompareKeys(keys, a, b) < 0;
    };
    try {
        std::stable_sort(rows.begin(), rows.end(), less);
    } catch (const SortCancelled&) {
        return {};
    }
    return rows;
}

QList<int> FoundRows(const QList<int>* rows, const std::vector<QString>& texts, const QString& text,
                     const std::atomic<bool>& cancelled) {
    QList<int> found;
    const qsizetype n = rows ? rows->size() : static_cast<qsizetype>(texts.size());
    for (qsizetype i = 0; i < n; ++i) {
        if ((i & 0xFFF) == 0 && cancelled) {
            return {};
        }
        const int row = rows ? (*rows)[i] : static_cast<int>(i);
        if (texts[static_cast<size_t>(row)].contains(text, Qt::CaseInsensitive)) {
            found.append(row);
        }
    }
    return found;
}
