#include "core/count/WordRule.h"

#include "core/count/CountingPass.h"

#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <memory>

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

// A combining mark, or any other character that canonical ordering moves (a non-starter).
bool IsMark(char32_t c) {
    return QChar::isMark(c) || u_getCombiningClass(static_cast<UChar32>(c)) != 0;
}

// Calls f(code point, UTF-16 units) for every code point of text; a lone surrogate is one.
template <typename F> void ForEachCodePoint(QStringView text, F&& f) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        qsizetype units = 1;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            units = 2;
        }
        f(c, text.mid(i, units));
        i += units - 1;
    }
}

// The text with no more than kMaxMarksInRow marks in a row: the marks beyond are dropped. Canonical
// ordering sorts each run of marks, which takes time growing with the square of its length.
QString CapMarks(QStringView text) {
    QString capped;
    capped.reserve(text.size());
    int marks = 0;
    ForEachCodePoint(text, [&](char32_t c, QStringView units) {
        if (!IsMark(c)) {
            marks = 0;
        } else if (++marks > kMaxMarksInRow) {
            return;
        }
        capped.append(units);
    });
    return capped;
}

// Cuts the word after at most kMaxWordLetters code points, at the end of a grapheme (a letter is
// never parted from its marks). A grapheme longer than the whole limit is cut before its last
// letter within the limit.
void CutAtGrapheme(QString& word) {
    qsizetype points = 0;
    qsizetype limit = -1; // where the code point after the limit begins
    for (qsizetype i = 0; i < word.size(); ++i) {
        if (!word[i].isLowSurrogate() || i == 0 || !word[i - 1].isHighSurrogate()) {
            if (points++ == kMaxWordLetters) {
                limit = i;
                break;
            }
        }
    }
    if (limit < 0) {
        return;
    }
    qsizetype cut = 0;
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UBreakIterator, decltype(&ubrk_close)> graphemes(
        ubrk_open(UBRK_CHARACTER, "", reinterpret_cast<const UChar*>(word.utf16()), static_cast<int32_t>(word.size()),
                  &status),
        &ubrk_close);
    if (U_SUCCESS(status)) {
        const int32_t at = static_cast<int32_t>(limit);
        const int32_t boundary = ubrk_isBoundary(graphemes.get(), at) ? at : ubrk_preceding(graphemes.get(), at);
        cut = boundary == UBRK_DONE ? 0 : boundary;
    }
    for (qsizetype i = limit; cut <= 0 && i > 0; --i) {
        if (word[i].isLowSurrogate() && word[i - 1].isHighSurrogate()) {
            continue; // inside a pair
        }
        char32_t c = word[i].unicode();
        if (word[i].isHighSurrogate() && i + 1 < word.size() && word[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(word[i], word[i + 1]);
        }
        if (!IsMark(c)) {
            cut = i;
        }
    }
    word.truncate(cut > 0 ? cut : limit);
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
    // A string this short cannot hold more marks in a row than allowed.
    if (folded.size() > kMaxMarksInRow) {
        folded = CapMarks(folded);
    }
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
    static constexpr const char* kLigatures[] = {"ff", "fi", "fl", "ffi", "ffl", "st", "st"};
    // One pass before the normalisation: ligatures written out by their letters, the characters
    // that join a word left out (so that the marks around them compose), and no more marks in a
    // row than a letter may carry. Everything after it takes time in proportion to the token.
    const QString decoded = QString::fromUtf8(token);
    QString clean;
    clean.reserve(decoded.size());
    int marks = 0;
    ForEachCodePoint(decoded, [&](char32_t c, QStringView units) {
        if (IsJoiner(c)) {
            return;
        }
        if (!IsMark(c)) {
            marks = 0;
        } else if (++marks > kMaxMarksInRow) {
            return;
        }
        if (c >= 0xFB00 && c <= 0xFB06) {
            clean.append(QLatin1StringView(kLigatures[c - 0xFB00]));
        } else {
            clean.append(units);
        }
    });
    const QString text = clean.normalized(QString::NormalizationForm_C);

    QString current;
    bool hasLetter = false;
    const auto flush = [&] {
        if (hasLetter) {
            QString word = fold ? FoldCase(current) : current;
            CutAtGrapheme(word);
            words.push_back(word.toUtf8());
        }
        current.clear();
        hasLetter = false;
    };
    ForEachCodePoint(text, [&](char32_t c, QStringView units) {
        if (QChar::isLetter(c)) {
            current.append(units);
            hasLetter = true;
        } else if (QChar::isMark(c)) {
            current.append(units);
        } else {
            flush();
        }
    });
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
