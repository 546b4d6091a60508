#include "core/count/CountingPass.h"

#include "core/base/ErrorReport.h"
#include "core/base/Files.h"
#include "core/base/Paths.h"
#include "core/base/Places.h"
#include "core/count/WordForms.h"
#include "core/count/WordRule.h"
#include "core/extract/TextFiles.h"

#include <QSet>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

inline bool IsAsciiLetter(unsigned char c) {
    return static_cast<unsigned char>((c | 0x20) - 'a') < 26;
}

// True when one of the ligatures U+FB00-U+FB06 begins at p.
inline bool IsLigature(const unsigned char* p, const unsigned char* end) {
    return *p == 0xEF && end - p >= 3 && p[1] == 0xAC && p[2] >= 0x80 && p[2] <= 0x86;
}

// Reads the token that starts at p and ends at the next blank (or at end), and writes its word
// to out by the word rule: the ligatures U+FB00-U+FB06 are written out as their letters, then
// only the 52 ASCII letters are kept. Returns where the token ends; length is the word's.
// out needs room for end - p bytes: a ligature (3 bytes) never gives more than 3 letters.
inline const unsigned char* ReadToken(const unsigned char* p, const unsigned char* end, char* out, qsizetype& length) {
    static constexpr const char* kLigatures[] = {"ff", "fi", "fl", "ffi", "ffl", "st", "st"};
    char* w = out;
    while (p < end) {
        const unsigned char c = *p;
        if (IsAsciiLetter(c)) {
            *w++ = static_cast<char>(c);
            ++p;
        } else if (c == ' ') {
            break;
        } else if (IsLigature(p, end)) {
            for (const char* letters = kLigatures[p[2] - 0x80]; *letters; ++letters) {
                *w++ = *letters;
            }
            p += 3;
        } else {
            ++p;
        }
    }
    length = w - out;
    return p;
}

inline void LowerAscii(char* word, qsizetype length) {
    for (qsizetype i = 0; i < length; ++i) {
        word[i] = static_cast<char>(word[i] | 0x20);
    }
}

// True when the word is one of the common words left out; folded says it is folded already.
bool IsStopWord(const PassInputs& in, QByteArrayView word, bool folded, QByteArray& key) {
    if (folded) {
        return in.stopWords.contains(QByteArray::fromRawData(word.data(), word.size()));
    }
    if (in.letters == LetterRule::AllLanguages) {
        key = FoldWordUtf8(word, in.words);
    } else {
        key = word.toByteArray();
        LowerAscii(key.data(), key.size());
    }
    return in.stopWords.contains(key);
}

// Walks the lines of one text: lastLine is the index of its last line. Every token gives the
// event queue a turn and updates the progress text; every accepted word goes to the method (or,
// when word forms are grouped, to forms), but a common word to be left out only adds to stopped.
// The stop query is read after each line. Lines are numbered on from j (the lines walked
// before); false when the walk was stopped.
bool WalkLines(QByteArrayView text, qint64& j, qint64 lastLine, const PassInputs& in, FrequencyMethod& method,
               WordFormGroups* forms, qint64& stopped) {
    std::vector<char> word(256);
    std::vector<QByteArray> words; // of a token, by the all-languages rule
    QByteArray key;
    const bool allLanguages = in.letters == LetterRule::AllLanguages;
    const bool stopping = !in.stopWords.isEmpty();
    ProgressSink* const progress = in.progress;
    return ForEachLine(text, [&](QByteArrayView line) {
        YieldNow(in.yield);
        if (progress) {
            progress->SetValue(static_cast<double>(j + 1) / static_cast<double>(lastLine + 1) * 100.0);
        }
        if (static_cast<size_t>(line.size()) > word.size()) {
            word.resize(static_cast<size_t>(line.size()));
        }
        const auto* p = reinterpret_cast<const unsigned char*>(line.data());
        const auto* const end = p + line.size();
        // Tokens are cut at every blank: an empty line has none, "a " has two ("a" and "").
        for (qint64 k = 0; !line.isEmpty(); ++k) {
            qsizetype length = 0;
            const unsigned char* const tokenEnd = allLanguages ? std::find(p, end, static_cast<unsigned char>(' '))
                                                               : ReadToken(p, end, word.data(), length);
            YieldNow(in.yield);
            if (progress) {
                progress->SetText(ProgressText{ProgressText::Kind::CountingToken, QString(), j + 1, k + 1});
            }
            if (allLanguages) {
                if (tokenEnd != p) {
                    const bool fold = in.ignoreCase && in.ignoreCase();
                    AllLanguageWords(QByteArrayView(p, tokenEnd), fold, words, in.words);
                    for (const QByteArray& found : words) {
                        if (stopping && IsStopWord(in, found, fold, key)) {
                            ++stopped;
                        } else if (forms) {
                            forms->Add(found);
                        } else {
                            method.Add(found);
                        }
                    }
                }
            } else if (length > 0) {
                const bool fold = in.ignoreCase && in.ignoreCase();
                if (fold) {
                    LowerAscii(word.data(), length);
                }
                const QByteArrayView found(word.data(), length);
                if (stopping && IsStopWord(in, found, fold, key)) {
                    ++stopped;
                } else if (forms) {
                    forms->Add(found);
                } else {
                    method.Add(found);
                }
            }
            if (tokenEnd == end) {
                break;
            }
            p = tokenEnd + 1;
        }
        ++j;
        return !(in.stopRequested && in.stopRequested());
    });
}

// The walk of one count over one text or several: word forms are grouped over all of them, and
// their lines numbered on from one text to the next.
class PassWalk {
public:
    PassWalk(const PassInputs& in, FrequencyMethod& method, qint64 lastLine)
        : m_in(in), m_method(method), m_lastLine(lastLine) {
        method.StartWalk();
        if (!in.words.stemLanguage.isEmpty()) {
            m_forms.emplace(in.words.stemLanguage, in.letters == LetterRule::AllLanguages && in.words.compatibility);
        }
    }
    // False when the stop query ended the walk.
    bool Walk(QByteArrayView text) {
        return WalkLines(text, m_line, m_lastLine, m_in, m_method, m_forms ? &*m_forms : nullptr, m_stopped);
    }
    void Finish(Totals& totals) {
        // Each group reaches the method as its chosen spelling, as often as its forms occur.
        if (m_forms) {
            m_forms->Hand([this](QByteArrayView spelling, qint64 count) {
                for (qint64 n = 0; n < count; ++n) {
                    m_method.Add(spelling);
                }
            });
        }
        // Common words have no row, but they are words of the text all the same.
        totals.words += m_stopped;
        totals.stoppedWords += m_stopped;
    }

private:
    const PassInputs& m_in;
    FrequencyMethod& m_method;
    qint64 m_lastLine;
    qint64 m_line = 0;
    qint64 m_stopped = 0;
    std::optional<WordFormGroups> m_forms;
};

// One file's text in per-file mode: read it (if not read yet), add its lines - 1 to the line
// count, walk it, report it. pages receives the form feeds of the text.
void CountText(TextRead& text, const QString& label, const PassInputs& in, FrequencyMethod& method, ErrorReport& steps,
               Totals& totals, qint64& pages) {
    std::optional<QByteArrayView> view;
    qint64 lastLine = -1;
    steps(122, [&] {
        YieldNow(in.yield);
        view = text.View();
        lastLine = CountLines(*view) - 1;
        totals.lines += lastLine;
        pages = std::count(view->begin(), view->end(), '\f');
        YieldNow(in.yield);
    });
    steps(124, [&] { method.StartFile(); });
    steps(126, [&] {
        PassWalk walk(in, method, lastLine);
        if (view) {
            walk.Walk(*view);
            walk.Finish(totals);
        }
    });
    steps(128, [&] { method.EndWalk(); });
    text.Release(); // the text may be deleted from here on
    steps(130, [&] { method.Report(label, totals.words); });
}

// All files together, counted as one text of all their lines (each line ends where it ended in
// its file, so no word runs from one file into the next): each text is read once for its
// characters and lines, then walked in turn.
void CountAllFiles(const PassInputs& in, FrequencyMethod& method, ErrorReport& steps, Totals& totals) {
    struct Part {
        QString path;
        qint64 lines = 0;
    };
    std::vector<Part> parts;
    bool any = false;      // a text was there to count, even one that could not be read
    QSet<QString> counted; // a row listed twice shares its text: counted once
    for (const ConvertedText& row : in.texts) {
        const QString& text = row.text;
        if (text.isEmpty() || counted.contains(text) || !FileExists(text)) {
            continue;
        }
        counted.insert(text);
        any = true;
        TextRead read(text);
        const CharCounts counts = CharCountsFSO(read, in.ui);
        totals.charsWithSpaces += counts.withSpaces;
        totals.charsWithoutSpaces += counts.withoutSpaces;
        steps(104, [&] {
            const QByteArrayView view = read.View(); // a text that cannot be read is reported here
            parts.push_back({text, view.isEmpty() ? 0 : CountLines(view)});
        });
    }
    if (!any) {
        return;
    }
    qint64 lines = 0;
    for (const Part& part : parts) {
        lines += part.lines;
    }
    const qint64 lastLine = std::max<qint64>(lines, 1) - 1;
    totals.lines += lastLine;
    steps(110, [&] {
        PassWalk walk(in, method, lastLine);
        for (const Part& part : parts) {
            TextRead read(part.path);
            if (part.lines > 0 && !walk.Walk(read.View())) {
                break;
            }
        }
        walk.Finish(totals);
    });
    if (!in.keepTexts) {
        for (const Part& part : parts) {
            steps(106, [&] { DeleteFileQuiet(part.path, in.yield); });
        }
    }
    steps(112, [&] { method.EndWalk(); });
    steps(114, [&] { method.Report(QString(), totals.words); });
}

// One count per file: each text, read once, gives its characters, lines and words.
void CountPerFile(const PassInputs& in, FrequencyMethod& method, ErrorReport& steps, Totals& totals) {
    QSet<QString> counted; // a row listed twice shares its text: counted once
    for (qsizetype i = 0; i < in.texts.size(); ++i) {
        const QString& text = in.texts[i].text;
        if (text.isEmpty() || counted.contains(text) || !FileExists(text)) {
            continue;
        }
        counted.insert(text);
        QString label;
        steps(120, [&] { label = in.texts[i].label; });
        const Totals before = totals;
        TextRead read(text);
        const CharCounts counts = CharCountsFSO(read, in.ui);
        totals.charsWithSpaces += counts.withSpaces;
        totals.charsWithoutSpaces += counts.withoutSpaces;
        qint64 pages = 0;
        CountText(read, label, in, method, steps, totals, pages);
        if (!in.keepTexts) {
            steps(132, [&] { DeleteFileQuiet(text, in.yield); });
        }
        if (in.results) {
            const Totals file{totals.words - before.words, totals.lines - before.lines,
                              totals.charsWithSpaces - before.charsWithSpaces,
                              totals.charsWithoutSpaces - before.charsWithoutSpaces,
                              totals.stoppedWords - before.stoppedWords};
            in.results->FileCounted({i, file, pages});
        }
    }
}

} // namespace

QByteArray AsciiWord(QByteArrayView token, WordSpan* span) {
    QByteArray word(token.size(), Qt::Uninitialized);
    qsizetype length = 0;
    const auto* const begin = reinterpret_cast<const unsigned char*>(token.data());
    const auto* const end = begin + token.size();
    ReadToken(begin, end, word.data(), length);
    word.truncate(length);
    if (span) {
        *span = WordSpan{};
        bool found = false;
        for (const auto* p = begin; p < end;) {
            const int letter = IsAsciiLetter(*p) ? 1 : IsLigature(p, end) ? 3 : 0;
            if (letter == 0) {
                ++p;
                continue;
            }
            span->begin = found ? span->begin : p - begin;
            found = true;
            p += letter;
            span->end = p - begin;
        }
    }
    return word;
}

QStringList CountCaptions(const Totals& totals) {
    return {
        QStringLiteral(" Word count: ") + QString::number(totals.words),
        QStringLiteral(" Line Count: ") + QString::number(totals.lines),
        QStringLiteral(" Character Count With Spaces: ") + QString::number(totals.charsWithSpaces),
        QStringLiteral(" Character Count Without Spaces: ") + QString::number(totals.charsWithoutSpaces),
    };
}

void RunCountingPass(const PassInputs& in, FrequencyMethod& method, ErrorReport& steps) {
    steps(100, [&] { method.Begin(); });
    if (in.mode == CountMode::None) {
        steps(136, [&] { method.Finish(); });
        return;
    }
    Totals totals;
    if (in.mode == CountMode::AllFiles) {
        CountAllFiles(in, method, steps, totals);
    } else {
        CountPerFile(in, method, steps, totals);
    }

    steps(134, [&] {
        if (in.results) {
            in.results->SetTotals(totals);
        }
    });
    steps(136, [&] { method.Finish(); });
}
