#pragma once

#include "core/count/Pass.h"

#include <QString>

// How accepted words reach the table tbWords; either way every word is one row, stored
// through a prepared statement with bound values inside one transaction per walk.
enum class WordInsert {
    Auto,      // JsonBatch when the engine has json_each, else ValueRows
    JsonBatch, // one bound text holds a batch of words that json_each splits into rows
    ValueRows, // "VALUES (?),(?),..." with one bound value per row
};

// The statement that counts, groups and orders the words: case-blind grouping and ordering,
// each group shown under its binary-smallest spelling.
QString WordCountQuery();

// The database method: the counting pass storing every word as a row of tbWords, a temporary
// table of the run's own connection to the working database (two runs at the same time never
// share it, and nothing of it is written to the file), one grouped query per count, rows
// reported least frequent first. Words longer than 255 characters are stored cut to 255.
void SortingDB(const PassInputs& inputs);
void SortingDB(const PassInputs& inputs, WordInsert insert);
