#pragma once

#include <QByteArrayView>
#include <QList>
#include <QStringList>

#include <atomic>
#include <optional>

struct ConvertedText;
struct CorpusRule;
struct FileSummaryRow;

// How rich the vocabulary of one text is, measured over its running words as the run cuts them
// (ForEachWord), every word counted: common words are never left out, so the measures do not
// depend on a list of them. Two words are of one type when they have the same key (WordKey).
// A measure the text is too short for is empty, never a number made up for it.
struct LexicalProfile {
    qint64 tokens = 0; // the running words
    qint64 types = 0;  // the distinct keys among them
    // Type-token ratio: types / tokens.
    std::optional<double> ttr;
    // Standardised TTR: the mean TTR of the consecutive, non-overlapping 1,000-word pieces of the
    // text, the last, shorter piece left out. Empty below 1,000 words.
    std::optional<double> sttr;
    // Moving-average TTR (Covington & McFall 2010, "Cutting the Gordian knot: the moving-average
    // type-token ratio (MATTR)", Journal of Quantitative Linguistics 17(2)): the mean TTR of every
    // window of 500 consecutive words, tokens - 499 of them. Empty below 500 words.
    std::optional<double> mattr;
    // Measure of textual lexical diversity (McCarthy & Jarvis 2010, "MTLD, vocd-D, and HD-D",
    // Behavior Research Methods 42(2)), threshold 0.72: a pass walks the words, keeping the TTR
    // of the current factor; once it is 0.72 or less the factor is complete and the next begins.
    // A remainder with words adds the part (1 - TTR) / (1 - 0.72) of a factor. The pass gives
    // tokens / factors; MTLD is the mean of the pass forwards and the pass backwards. Empty when
    // a pass counts no factor, not even a part of one (no word seen twice).
    std::optional<double> mtld;
    // The mean number of letters of the words as written, not folded: by the ASCII rule the
    // letters of each token, else the code points of each run of letters.
    std::optional<double> meanWordLength;
};

// The words after which STTR and MATTR are taken, and MTLD's threshold.
inline constexpr qint64 kSttrPiece = 1000;
inline constexpr qint64 kMattrWindow = 500;
inline constexpr double kMtldThreshold = 0.72;

// The profile of one text, cut and keyed by the rule.
LexicalProfile ProfileOf(QByteArrayView text, const CorpusRule& rule);

// The profile of each text, in order (an empty one for a text that is ""), the files shared out
// to one walker per core. Once stop is set no file more is read. Throws Failure when a text
// cannot be read.
QList<LexicalProfile> LexicalProfiles(const QList<ConvertedText>& texts, const CorpusRule& rule,
                                      const std::atomic<bool>* stop = nullptr);

// Gives the rows of a file summary their profiles: a counted row the one of its text (the text
// whose source is paths[its index]; none when that text is not among texts), a row that was not
// counted an empty one (its cells stay empty, as its counts do), so that the summary has the
// profile's columns whenever a profile was made.
void AttachProfiles(QList<FileSummaryRow>& rows, const QStringList& paths, const QList<ConvertedText>& texts,
                    const QList<LexicalProfile>& profiles);

// The columns "Types", "TTR", "STTR", "MATTR", "MTLD", "Mean word length", and a profile's
// cells as written: ratios with four decimals, MTLD and the mean length with two; "" when empty.
QStringList ProfileHeaders();
QStringList ProfileCells(const LexicalProfile& profile);
