#pragma once

#include "core/count/Pass.h"

#include <QString>

// The statement that groups and orders the spellings of tbWords(Word, Occurrences, Folded): case-blind
// grouping and ordering, least frequent first, each group shown under its binary-smallest
// spelling with the sum of its counts.
QString WordCountQuery();

// The database method: the counting pass counting the words of each text in memory, then
// handing tbWords, a temporary table of the run's own connection to the working database
// (two runs at the same time never share it, and nothing of it is written to the file), one
// row per spelling; one grouped query per count, rows reported least frequent first. Words
// longer than 255 characters are counted cut to 255.
void SortingDB(const PassInputs& inputs);
