#pragma once

#include "core/count/Pass.h"

#include <QByteArray>
#include <QList>
#include <QString>

// One entry of the in-memory word table: a word and how often it was seen. Its text form is
// PadCount of "count word", e.g. "00000000003 apple"; the entry with an empty word is the
// empty text, which sorts before every other entry and is never reported.
struct WordEntry {
    qint64 count = 0;
    QByteArray word; // letters, UTF-8; entries compare by its bytes, that is by code points

    bool IsEmpty() const { return word.isEmpty(); }
    QString Text() const;
};
using WordTable = QList<WordEntry>;

// True when a's text is greater than b's in a character-by-character comparison of codes.
bool EntryGreater(const WordEntry& a, const WordEntry& b);

// "digits word" -> the digits read as a number and written again with leading "0"s up to 11
// digits (more digits stay as they are), then the rest of the text from the first blank on.
QString PadCount(const QString& text);

// The text without its leading "0"s ("00000000012 apple" -> "12 apple"; "000" -> "").
QString StripLeadingZeros(const QString& text);

// Sorts the table in place: passes over the whole table, exchanging neighbours out of order,
// until a pass exchanges none. Gives the event queue a turn and updates the progress bar at
// every comparison; leaves after the comparison at which a stop is requested. Its final order
// is the text method's order; SortWords reaches it in n log n.
void BubbleSort(WordTable& table, const PassInputs& inputs);

// Sorts the table into the order in which BubbleSort ends (entries are never equal, and a
// stable sort with EntryGreater as the comparison gives that order), in n log n: runs of the
// table are sorted, then merged. The progress bar shows it as one pass, "loop 1 of n" with n
// the index of the last pair, its value and count following the work done; the event queue
// gets a turn after every run and every merge.
// A stop requested before the sort begins leaves it after the first comparison, as with
// BubbleSort (the first two entries in order, the rest as they were). A stop requested while
// it runs leaves it after the run or merge at hand: the table then holds every entry, in
// sorted stretches that are not yet merged into one.
void SortWords(WordTable& table, const PassInputs& inputs);

// The text method: the counting pass with an in-memory word table, sorted by SortWords and
// reported least frequent word first (ties in character-code order).
void SortingText(const PassInputs& inputs);
