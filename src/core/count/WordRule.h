#pragma once

#include "core/count/Pass.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

// Under LetterRule::AllLanguages a letter keeps at most this many combining marks in a row (the
// limit of Unicode's stream-safe text; no written language needs more); further marks are
// dropped, so that no text can make the normalisation take time growing with its square.
inline constexpr int kMaxMarksInRow = 30;
// Under LetterRule::AllLanguages both frequency methods cut a word after this many characters
// (code points), at the end of a grapheme, so that a letter never loses its marks.
inline constexpr qsizetype kMaxWordLetters = 255;

// Full Unicode case folding ("Straße" and "STRASSE" both give "strasse", "İ" gives "i" and a
// combining dot above), then NFC: the form in which words that differ in letter case only agree.
// Marks beyond kMaxMarksInRow in a row are dropped.
QString FoldCase(QStringView text);
QByteArray FoldCaseUtf8(QByteArrayView utf8);
// NFKC_Casefold: compatibility forms read as their normal letters, case folded fully, characters
// that are ignorable by default left out. FoldCase when compatibility is off.
QByteArray FoldWordUtf8(QByteArrayView utf8, const WordOptions& options);

// The words of one token (no blank inside) by LetterRule::AllLanguages, as UTF-8, folded when
// fold is set: every maximal run of letters and combining marks that holds a letter, after NFC
// normalisation. Apostrophes, hyphens, the soft hyphen and bytes that are not UTF-8 are left
// out, so the letters around them stay one word; the ligatures U+FB00-U+FB06 are written out as
// their letters, as by the ASCII rule. Marks beyond kMaxMarksInRow in a row are dropped and a
// word is cut after kMaxWordLetters code points at the end of a grapheme. Takes time in
// proportion to the token. words is emptied first.
// With options.compatibility the token is NFKC-normalised instead (NFKC_Casefold when folded);
// with options.segment each run of letters is cut further into the words ICU's word break
// iterator finds in it (runs of letters that need no dictionary are never cut).
// spans (when given) gets where each word stands in the token, in the order of words: the
// characters it was made of as written, the whole word even when it was cut.
void AllLanguageWords(QByteArrayView token, bool fold, std::vector<QByteArray>& words, const WordOptions& options = {},
                      std::vector<WordSpan>* spans = nullptr);

// The word cut to its first maxLetters characters (code points), never inside a UTF-8 sequence.
QByteArrayView CutWord(QByteArrayView word, qsizetype maxLetters);

// The keys under which the counting pass looks up common words: each given word's words by the
// letter rule, folded (the ASCII rule: lower case). Empty lines give none.
QSet<QByteArray> StopWordKeys(const QStringList& words, LetterRule letters, const WordOptions& options = {});
