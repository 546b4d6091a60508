#include "core/count/WordRule.h"

#include "core/count/CountingPass.h"
#include "core/extract/TextFiles.h"

#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <memory>

namespace {

// Units [from, to) of a string.
struct UnitRange {
    qsizetype from = 0;
    qsizetype to = 0;
};

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

// The token's words when it is ASCII only: the runs of ASCII letters (and, in spans when given,
// where each stands).
void AsciiRuns(QByteArrayView token, bool fold, std::vector<QByteArray>& words, std::vector<WordSpan>* spans) {
    QByteArray current;
    WordSpan span;
    const auto flush = [&] {
        if (!current.isEmpty()) {
            words.push_back(current);
            current.clear();
            if (spans) {
                spans->push_back(span);
            }
        }
    };
    for (qsizetype i = 0; i < token.size(); ++i) {
        const char c = token[i];
        if (IsAsciiLetter(c)) {
            span.begin = current.isEmpty() ? i : span.begin;
            span.end = i + 1;
            current += fold ? static_cast<char>(c | 0x20) : c;
        } else if (!IsJoiner(static_cast<unsigned char>(c))) {
            flush();
        }
    }
    flush();
}

// NFKC_Casefold of text, whose marks are capped already; the text as it is if ICU fails.
QString FoldCompatibility(QStringView text) {
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* const nfkcCf = unorm2_getNFKCCasefoldInstance(&status);
    if (U_FAILURE(status) || text.isEmpty()) {
        return text.toString();
    }
    const auto* const source = reinterpret_cast<const UChar*>(text.utf16());
    const auto length = static_cast<int32_t>(text.size());
    QString folded(text.size() * 3 + 16, Qt::Uninitialized);
    int32_t written = unorm2_normalize(nfkcCf, source, length, reinterpret_cast<UChar*>(folded.data()),
                                       static_cast<int32_t>(folded.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        folded.resize(written);
        written = unorm2_normalize(nfkcCf, source, length, reinterpret_cast<UChar*>(folded.data()),
                                   static_cast<int32_t>(folded.size()), &status);
    }
    if (U_FAILURE(status)) {
        return text.toString();
    }
    folded.truncate(written);
    return folded;
}

bool HoldsLetter(QStringView text) {
    bool found = false;
    ForEachCodePoint(text, [&found](char32_t c, QStringView) { found = found || QChar::isLetter(c); });
    return found;
}

// True when the word break iterator may find more than one word in a run of letters: it holds a
// character from U+0E00 on (Thai, Lao, Tibetan, Myanmar, Khmer, kana, CJK, and the later blocks).
// The alphabets before that block never break between letters and marks, so their runs skip the
// iterator (which is what most text costs).
bool MayBreak(QStringView run) {
    return std::any_of(run.begin(), run.end(), [](QChar c) { return c.unicode() >= 0x0E00; });
}

// The thread's word break iterator of the root locale (dictionaries for Chinese, Japanese, Thai,
// Lao, Khmer and Burmese), or null when ICU cannot give one.
UBreakIterator* WordBreaker() {
    thread_local const std::unique_ptr<UBreakIterator, decltype(&ubrk_close)> breaker = [] {
        UErrorCode status = U_ZERO_ERROR;
        UBreakIterator* const opened = ubrk_open(UBRK_WORD, "", nullptr, 0, &status);
        return std::unique_ptr<UBreakIterator, decltype(&ubrk_close)>(U_SUCCESS(status) ? opened : nullptr,
                                                                      &ubrk_close);
    }();
    return breaker.get();
}

// The words the word break iterator finds in a run of letters and marks, as ranges of the run:
// the pieces between its boundaries that it marks as letters, kana or ideographs (these are the
// pieces that hold a letter). A piece of marks alone (a run that begins with marks) stays with
// the word after it, or the one before at the end, so that no character of the run is lost.
void SegmentRun(const QString& run, std::vector<UnitRange>& pieces) {
    pieces.clear();
    UBreakIterator* const breaker = MayBreak(run) ? WordBreaker() : nullptr;
    UErrorCode status = U_ZERO_ERROR;
    if (breaker) {
        ubrk_setText(breaker, reinterpret_cast<const UChar*>(run.utf16()), static_cast<int32_t>(run.size()), &status);
    }
    if (!breaker || U_FAILURE(status)) {
        pieces.push_back({0, run.size()});
        return;
    }
    qsizetype carried = -1; // where the pieces without a letter that wait for a word begin
    int32_t start = ubrk_first(breaker);
    for (int32_t end = ubrk_next(breaker); end != UBRK_DONE; start = end, end = ubrk_next(breaker)) {
        const int32_t kind = ubrk_getRuleStatus(breaker);
        if ((kind >= UBRK_WORD_LETTER && kind < UBRK_WORD_IDEO_LIMIT) ||
            HoldsLetter(QStringView(run).mid(start, end - start))) {
            pieces.push_back({carried >= 0 ? carried : start, end});
            carried = -1;
        } else if (carried < 0) {
            carried = start;
        }
    }
    if (carried >= 0) {
        if (pieces.empty()) {
            pieces.push_back({carried, run.size()});
        } else {
            pieces.back().to = run.size();
        }
    }
}

// The token decoded as AllLanguageWords reads it before the normalisation: ligatures written out
// by their letters, the characters that join a word left out (so that the marks around them
// compose), and no more marks in a row than a letter may carry. spans (when given) gets where
// each UTF-16 unit stands in the token.
QString CleanToken(QByteArrayView token, bool compatibility, std::vector<WordSpan>* spans) {
    static constexpr const char* kLigatures[] = {"ff", "fi", "fl", "ffi", "ffl", "st", "st"};
    QString clean;
    clean.reserve(token.size());
    int marks = 0;
    const auto* const begin = reinterpret_cast<const unsigned char*>(token.data());
    const auto* const end = begin + token.size();
    for (const unsigned char* p = begin; p < end;) {
        const unsigned char* const from = p;
        const char32_t c = NextCharacter(p, end);
        if (IsJoiner(c)) {
            continue;
        }
        if (!IsMark(c)) {
            marks = 0;
        } else if (++marks > kMaxMarksInRow) {
            continue;
        }
        const qsizetype before = clean.size();
        if (c >= 0xFB00 && c <= 0xFB06 && !compatibility) {
            clean.append(QLatin1StringView(kLigatures[c - 0xFB00]));
        } else {
            clean.append(QStringView(QChar::fromUcs4(c)));
        }
        if (spans) {
            spans->insert(spans->end(), static_cast<size_t>(clean.size() - before), WordSpan{from - begin, p - begin});
        }
    }
    return clean;
}

// Where each unit of text (clean normalised in form) stands in the token, given where clean's
// do: clean is normalised again in pieces that begin where the normaliser starts afresh (before a
// character that nothing before it changes), and a piece's units stand for all of its bytes.
std::vector<WordSpan> NormalisedSpans(const QString& clean, const QString& text, QString::NormalizationForm form,
                                      const std::vector<WordSpan>& cleanSpans) {
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* const normaliser =
        form == QString::NormalizationForm_C ? unorm2_getNFCInstance(&status) : unorm2_getNFKCInstance(&status);
    std::vector<WordSpan> spans;
    spans.reserve(static_cast<size_t>(text.size()));
    QString joined;
    qsizetype from = 0;
    const auto piece = [&](qsizetype to) {
        const QString part = QStringView(clean).sliced(from, to - from).toString().normalized(form);
        joined += part;
        spans.insert(
            spans.end(), static_cast<size_t>(part.size()),
            WordSpan{cleanSpans[static_cast<size_t>(from)].begin, cleanSpans[static_cast<size_t>(to - 1)].end});
        from = to;
    };
    ForEachCodePoint(clean, [&](char32_t c, QStringView units) {
        const qsizetype at = units.data() - clean.constData();
        if (at > from && U_SUCCESS(status) && unorm2_hasBoundaryBefore(normaliser, static_cast<UChar32>(c))) {
            piece(at);
        }
    });
    piece(clean.size());
    if (joined != text) { // the two normalisers disagree: spread the units evenly
        spans.clear();
        for (qsizetype i = 0; i < text.size(); ++i) {
            spans.push_back(cleanSpans[static_cast<size_t>(i * clean.size() / text.size())]);
        }
    }
    return spans;
}

} // namespace

QByteArray FoldWordUtf8(QByteArrayView utf8, const WordOptions& options) {
    if (!options.compatibility || IsAscii(utf8)) {
        return FoldCaseUtf8(utf8);
    }
    QString text = QString::fromUtf8(utf8);
    if (text.size() > kMaxMarksInRow) {
        text = CapMarks(text);
    }
    return FoldCompatibility(text).toUtf8();
}

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

void AllLanguageWords(QByteArrayView token, bool fold, std::vector<QByteArray>& words, const WordOptions& options,
                      std::vector<WordSpan>* spans) {
    words.clear();
    if (spans) {
        spans->clear();
    }
    if (IsAscii(token)) {
        AsciiRuns(token, fold, words, spans);
        return;
    }
    // Everything after the cleaning takes time in proportion to the token.
    std::vector<WordSpan> textSpans;
    const QString clean = CleanToken(token, options.compatibility, spans ? &textSpans : nullptr);
    const auto form = options.compatibility ? QString::NormalizationForm_KC : QString::NormalizationForm_C;
    const QString text = clean.normalized(form);
    if (spans && text != clean) {
        textSpans = NormalisedSpans(clean, text, form, textSpans);
    }

    QString current;
    std::vector<WordSpan> currentSpans; // of each unit of current, when spans are asked for
    bool hasLetter = false;
    std::vector<UnitRange> pieces;
    const auto add = [&](UnitRange piece) {
        const QStringView letters = QStringView(current).sliced(piece.from, piece.to - piece.from);
        QString word = !fold                   ? letters.toString()
                       : options.compatibility ? FoldCompatibility(letters)
                                               : FoldCase(letters);
        CutAtGrapheme(word);
        words.push_back(word.toUtf8());
        if (spans) {
            spans->push_back({currentSpans[static_cast<size_t>(piece.from)].begin,
                              currentSpans[static_cast<size_t>(piece.to - 1)].end});
        }
    };
    const auto flush = [&] {
        if (hasLetter && options.segment) {
            SegmentRun(current, pieces);
            std::for_each(pieces.begin(), pieces.end(), add);
        } else if (hasLetter) {
            add({0, current.size()});
        }
        current.clear();
        currentSpans.clear();
        hasLetter = false;
    };
    ForEachCodePoint(text, [&](char32_t c, QStringView units) {
        if (QChar::isLetter(c) || QChar::isMark(c)) {
            current.append(units);
            hasLetter = hasLetter || QChar::isLetter(c);
            if (spans) {
                const auto at = textSpans.begin() + (units.data() - text.constData());
                currentSpans.insert(currentSpans.end(), at, at + units.size());
            }
        } else if (!(options.compatibility && IsJoiner(c))) {
            // (A compatibility form of an apostrophe or hyphen joins like the character itself.)
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

QSet<QByteArray> StopWordKeys(const QStringList& words, LetterRule letters, const WordOptions& options) {
    QSet<QByteArray> keys;
    std::vector<QByteArray> found;
    for (const QString& line : words) {
        const QByteArray utf8 = line.toUtf8();
        for (const QByteArray& token : utf8.split(' ')) {
            if (letters == LetterRule::AllLanguages) {
                AllLanguageWords(token, true, found, options);
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
