#pragma once

#include "core/count/Pass.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

// Full Unicode case folding ("Straße" and "STRASSE" both give "strasse", "İ" gives "i" and a
// combining dot above), then NFC: the form in which words that differ in letter case only agree.
QString FoldCase(QStringView text);
QByteArray FoldCaseUtf8(QByteArrayView utf8);

// The words of one token (no blank inside) by LetterRule::AllLanguages, as UTF-8, folded when
// fold is set: every maximal run of letters and combining marks that holds a letter, after NFC
// normalisation. Apostrophes, hyphens, the soft hyphen and bytes that are not UTF-8 are left
// out, so the letters around them stay one word; the ligatures U+FB00-U+FB06 are written out as
// their letters, as by the ASCII rule. words is emptied first.
void AllLanguageWords(QByteArrayView token, bool fold, std::vector<QByteArray>& words);

// The word cut to its first maxLetters characters (code points), never inside a UTF-8 sequence.
QByteArrayView CutWord(QByteArrayView word, qsizetype maxLetters);

// The keys under which the counting pass looks up common words: each given word's words by the
// letter rule, folded (the ASCII rule: lower case). Empty lines give none.
QSet<QByteArray> StopWordKeys(const QStringList& words, LetterRule letters);
