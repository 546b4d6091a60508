#include "core/count/WordRule.h"

#include "core/count/CountingPass.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

namespace {

bool IsAscii(QByteArrayView bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

bool IsAsciiLetter(char c) {
    return static_cast<unsigned char>((static_cast<unsigned char>(c) | 0x20) - 'a') < 26;
}

// Characters that are left out of a word without ending it.
bool IsJoiner(char32_t c) {
    switch (c) {
    case U'\'':     // apostrophe
    case U'\u2019': // right single quotation mark, the typeset apostrophe
    case U'-':      // hyphen-minus
    case U'\u2010': // hyphen
    case U'\u2011': // non-breaking hyphen
    case U'\u00AD': // soft hyphen
    case U'\uFFFD': // what bytes that are not UTF-8 decode to
        return true;
    default:
        return false;
    }
}

// The token's words when it is ASCII only: the runs of ASCII letters.
void AsciiRuns(QByteArrayView token, bool fold, std::vector<QByteArray>& words) {
    QByteArray current;
    const auto flush = [&] {
        if (!current.isEmpty()) {
            words.push_back(current);
            current.clear();
        }
    };
    for (const char c : token) {
        if (IsAsciiLetter(c)) {
            current += fold ? static_cast<char>(c | 0x20) : c;
        } else if (!IsJoiner(static_cast<unsigned char>(c))) {
            flush();
        }
    }
    flush();
}

} // namespace

QString FoldCase(QStringView text) {
    if (text.isEmpty()) {
        return {};
    }
    QString folded(text.size() * 3, Qt::Uninitialized); // a character folds to three at most
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = u_strFoldCase(reinterpret_cast<UChar*>(folded.data()), static_cast<int32_t>(folded.size()),
                                         reinterpret_cast<const UChar*>(text.utf16()),
                                         static_cast<int32_t>(text.size()), U_FOLD_CASE_DEFAULT, &status);
    if (U_FAILURE(status)) {
        return text.toString().toCaseFolded(); // simple folding rather than none
    }
    folded.truncate(length);
    return folded.normalized(QString::NormalizationForm_C);
}

QByteArray FoldCaseUtf8(QByteArrayView utf8) {
    if (IsAscii(utf8)) {
        return utf8.toByteArray().toLower();
    }
    return FoldCase(QString::fromUtf8(utf8)).toUtf8();
}

void AllLanguageWords(QByteArrayView token, bool fold, std::vector<QByteArray>& words) {
    words.clear();
    if (IsAscii(token)) {
        AsciiRuns(token, fold, words);
        return;
    }
    QString text = QString::fromUtf8(token);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() >= 0xFB00 && text[i].unicode() <= 0xFB06) {
            // Written out by their compatibility decomposition ("ﬁ" -> "fi").
            text.replace(i, 1, text.mid(i, 1).normalized(QString::NormalizationForm_KC));
        }
    }
    text = text.normalized(QString::NormalizationForm_C);

    QString current;
    bool hasLetter = false;
    const auto flush = [&] {
        if (hasLetter) {
            words.push_back(fold ? FoldCase(current).toUtf8() : current.toUtf8());
        }
        current.clear();
        hasLetter = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        qsizetype units = 1;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            units = 2;
        }
        if (QChar::isLetter(c)) {
            current.append(text.constData() + i, units);
            hasLetter = true;
        } else if (QChar::isMark(c)) {
            current.append(text.constData() + i, units);
        } else if (!IsJoiner(c)) {
            flush();
        }
        i += units - 1;
    }
    flush();
}

QByteArrayView CutWord(QByteArrayView word, qsizetype maxLetters) {
    qsizetype letters = 0;
    for (qsizetype i = 0; i < word.size(); ++i) {
        // Every byte but the continuation bytes 10xxxxxx begins a character.
        if ((static_cast<unsigned char>(word[i]) & 0xC0) != 0x80 && letters++ == maxLetters) {
            return word.first(i);
        }
    }
    return word;
}

QSet<QByteArray> StopWordKeys(const QStringList& words, LetterRule letters) {
    QSet<QByteArray> keys;
    std::vector<QByteArray> found;
    for (const QString& line : words) {
        const QByteArray utf8 = line.toUtf8();
        for (const QByteArray& token : utf8.split(' ')) {
            if (letters == LetterRule::AllLanguages) {
                AllLanguageWords(token, true, found);
                for (const QByteArray& word : found) {
                    keys.insert(word);
                }
            } else {
                const QByteArray word = AsciiWord(token).toLower();
                if (!word.isEmpty()) {
                    keys.insert(word);
                }
            }
        }
    }
    return keys;
}
