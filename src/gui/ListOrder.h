#pragma once

#include <QList>
#include <QString>

#include <atomic>
#include <vector>

// The order in which a list shows its rows: sorted by the keys of one column, narrowed to the rows
// that hold a text. Pure functions over keys taken beforehand, so that they can run away from the
// windows' thread (BackgroundJob); each gives up, returning nothing, once `cancelled` is set.

// The keys of one column, one per row: a number where the cell holds one (numbers sort before
// texts), else a text compared as it is, and, where given, a second text that decides between
// equal texts.
struct SortKeys {
    std::vector<double> numbers;
    std::vector<char> isNumber;
    std::vector<QString> texts;
    std::vector<QString> ties; // empty: equal texts keep their order
};

// The rows 0 to n - 1 sorted stably by the keys (descending: the reverse comparison, equal rows
// still in their order). Empty when cancelled.
QList<int> SortedRows(const SortKeys& keys, bool descending, const std::atomic<bool>& cancelled);

// The rows of `rows` (all rows 0 to texts.size() - 1 when null) whose text contains `text`,
// in the order of `rows`; letter case is ignored. Empty when cancelled (check with the flag).
QList<int> FoundRows(const QList<int>* rows, const std::vector<QString>& texts, const QString& text,
                     const std::atomic<bool>& cancelled);
