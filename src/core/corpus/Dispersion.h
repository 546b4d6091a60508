#pragma once

#include "core/corpus/CorpusText.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>

// Where a word lives: every occurrence of it in each text, as a place among the text's words,
// with its page and where it stands in the text. A plot draws one strip per file, its length the
// file's words, and a mark per occurrence at its relative position.

struct DispersionHit {
    qint64 word = 0;     // its place among the file's words, 0 for the first
    int page = 1;        // the page it is on, 1 for the first
    qsizetype begin = 0; // byte offsets of the word in the file's text
    qsizetype end = 0;
};

struct FileDispersion {
    int file = 0;     // index into the texts
    qint64 words = 0; // the file's words, cut as the run cuts them
    // The place of the first word of each page (index 0: page 1, always 0); a page without words
    // starts where the next word stands, a page after the last word at `words`.
    QList<qint64> pageStarts;
    QList<DispersionHit> hits;

    int Pages() const { return static_cast<int>(pageStarts.size()); }
    // The hit's place as a share of the file's words: 0 for the first word, below 1 for the last.
    double Position(const DispersionHit& hit) const;
    // Where a page begins, as a share of the file's words.
    double PagePosition(int page) const;
    // Occurrences per 1,000 of the file's words (0 for a file without words).
    double PerThousand() const;
};

struct Dispersion {
    QList<FileDispersion> files; // one per text that has one, in the texts' order
    qint64 hits = 0;
    qint64 words = 0;
};

// The occurrences of the word whose key (WordKey) is key in one text.
FileDispersion DispersionOfText(QByteArrayView text, int file, const QByteArray& key, const CorpusRule& rule);

// The same for every text that has one, walked on every core; texts without text are left out.
// Setting stop ends the walk soon (the result is then incomplete). Throws Failure when a text
// cannot be read.
Dispersion DispersionOf(const QList<ConvertedText>& texts, const QByteArray& key, const CorpusRule& rule,
                        const std::atomic<bool>* stop = nullptr);

// The columns of the hits' table: "File", "Page", "Position"; one row per hit, the position with
// four decimals.
QStringList DispersionHeaders();
class ResultTable;
void FillDispersion(ResultTable& table, const Dispersion& dispersion, const QList<ConvertedText>& texts);
