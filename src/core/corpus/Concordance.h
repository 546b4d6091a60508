#pragma once

#include "core/corpus/CorpusText.h"

#include <QList>
#include <QString>

class ResultTable;

// Words in context: every occurrence of one word in the texts of a run, with its file, its page
// and the text on either side.

struct ConcordanceLine {
    int file = 0; // index into the texts
    int page = 1;
    QString left;        // the characters before the word (at most the context), blanks for line ends
    QString keyword;     // the word as written, without the punctuation of its token (form feeds as blanks)
    QString right;       // the characters after it (at most the context)
    qsizetype begin = 0; // where the word begins in the file's text (bytes)
};

// The default number of characters shown on each side of the word.
inline constexpr int kDefaultContext = 40;

// The characters shown on either side of the word at bytes begin..end of a text (at most
// context of them), as a line shows them.
QString ContextBefore(QByteArrayView text, qsizetype begin, int context);
QString ContextAfter(QByteArrayView text, qsizetype end, int context);

// The lines of one text (file is the index given to each line): one per word whose key
// (WordKey) is key, in text order, so that their number is the word's count in the run's rows.
// A context is cut at the text's ends; line ends, form feeds and TABs read as blanks.
QList<ConcordanceLine> ConcordanceOf(QByteArrayView text, int file, const QByteArray& key, const CorpusRule& rule,
                                     int context);

// The lines of every text that has one (onlyFile >= 0: of that text only), in file order.
// Throws Failure when a text cannot be read.
QList<ConcordanceLine> Concordance(const QList<ConvertedText>& texts, const QByteArray& key, const CorpusRule& rule,
                                   int context, int onlyFile = -1);

// The orders of the lines: as found, by the words to the left (nearest first), by the words to
// the right; ties keep the order found. Letter case is ignored.
enum class ConcordanceSort { Found, Left, Right };
QString LeftSortKey(const ConcordanceLine& line);
QString RightSortKey(const ConcordanceLine& line);
void SortConcordance(QList<ConcordanceLine>& lines, ConcordanceSort by);

// The columns "File", "Page", "Left", "Word", "Right".
QStringList ConcordanceHeaders();
// The lines as a table, every row ticked, for the exports.
void FillConcordance(ResultTable& table, const QList<ConcordanceLine>& lines, const QList<ConvertedText>& texts);
