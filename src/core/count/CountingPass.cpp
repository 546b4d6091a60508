#include "core/count/CountingPass.h"

#include "core/base/ErrorReport.h"
#include "core/base/Files.h"
#include "core/base/Paths.h"
#include "core/base/Places.h"
#include "core/extract/TextFiles.h"

#include <optional>
#include <vector>

namespace {

inline bool IsAsciiLetter(unsigned char c) {
    return static_cast<unsigned char>((c | 0x20) - 'a') < 26;
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
        } else if (c == 0xEF && end - p >= 3 && p[1] == 0xAC && p[2] >= 0x80 && p[2] <= 0x86) {
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

// Walks the lines of one text: lastLine is the index of its last line. Every token gives the
// event queue a turn and updates the progress text; every accepted word goes to the method.
// The stop query is read after each line.
void WalkLines(QByteArrayView text, qint64 lastLine, const PassInputs& in, FrequencyMethod& method) {
    std::vector<char> word(256);
    ProgressSink* const progress = in.progress;
    qint64 j = 0;
    ForEachLine(text, [&](QByteArrayView line) {
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
            const unsigned char* const tokenEnd = ReadToken(p, end, word.data(), length);
            YieldNow(in.yield);
            if (progress) {
                progress->SetText(ProgressText{ProgressText::Kind::CountingToken, QString(), j + 1, k + 1});
            }
            if (length > 0) {
                if (in.ignoreCase && in.ignoreCase()) {
                    LowerAscii(word.data(), length);
                }
                method.Add(QByteArrayView(word.data(), length));
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

// One text of the pass: read it, add its lines - 1 to the line count, walk it, report it.
void CountText(const QString& path, const QString& label, const PassInputs& in, FrequencyMethod& method,
               ErrorReport& steps, Totals& totals, bool perFile) {
    std::optional<FileBytes> text;
    qint64 lastLine = -1;
    steps(perFile ? 122 : 108, [&] {
        YieldNow(in.yield);
        text.emplace(path);
        lastLine = CountLines(text->View()) - 1;
        totals.lines += lastLine;
        YieldNow(in.yield);
    });
    if (perFile) {
        steps(124, [&] { method.StartFile(); });
    }
    steps(perFile ? 126 : 110, [&] {
        method.StartWalk();
        if (text) {
            WalkLines(text->View(), lastLine, in, method);
        }
    });
    steps(perFile ? 128 : 112, [&] { method.EndWalk(); });
    text.reset(); // the text may be deleted from here on
    steps(perFile ? 130 : 114, [&] { method.Report(label, totals.words); });
}

} // namespace

QString FileLabel(const QString& pdfPath) {
    return StripExtension(pdfPath) + QStringLiteral(".pdf");
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
    const QStringList rows = in.pdfPaths; // the rows as they are now, in order

    if (in.mode == CountMode::AllFiles) {
        QString combined;
        steps(102, [&] {
            combined = CombinedTextPath(in.workFolder);
            DeleteFileQuiet(combined, in.yield);
        });
        for (const QString& row : rows) {
            QString text;
            steps(104, [&] { text = TextFileOf(row, in.workFolder); });
            if (text.isEmpty() || !FileExists(text)) {
                continue;
            }
            totals.charsWithSpaces += CharCountFSO(text, false, in.ui);
            totals.charsWithoutSpaces += CharCountFSO(text, true, in.ui);
            AppendFileFSO(combined, text, in.ui);
            steps(106, [&] { DeleteFileQuiet(text, in.yield); });
        }
        if (!combined.isEmpty() && FileExists(combined)) {
            CountText(combined, QString(), in, method, steps, totals, false);
            steps(116, [&] { DeleteFileQuiet(combined, in.yield); });
        }
    } else {
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const QString& row = rows[i];
            QString text;
            steps(118, [&] { text = TextFileOf(row, in.workFolder); });
            if (text.isEmpty() || !FileExists(text)) {
                continue;
            }
            QString label;
            steps(120, [&] { label = i < in.labels.size() ? in.labels[i] : FileLabel(row); });
            totals.charsWithSpaces += CharCountFSO(text, false, in.ui);
            totals.charsWithoutSpaces += CharCountFSO(text, true, in.ui);
            CountText(text, label, in, method, steps, totals, true);
            steps(132, [&] { DeleteFileQuiet(text, in.yield); });
        }
    }

    steps(134, [&] {
        if (in.results) {
            in.results->SetTotals(totals);
        }
    });
    steps(136, [&] { method.Finish(); });
}
