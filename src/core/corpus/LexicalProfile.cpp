#include "core/corpus/LexicalProfile.h"

#include "core/base/Parallel.h"
#include "core/corpus/CorpusText.h"
#include "core/extract/TextFiles.h"
#include "core/results/ResultTable.h"

#include <QHash>

#include <cstring>
#include <memory_resource>
#include <vector>

namespace {

// The words of a text as the numbers of their types (0, 1, ... in order of first use), and the
// characters of all of them as written.
struct TypedWords {
    std::vector<qint32> ids;
    qint64 types = 0;
    qint64 characters = 0;
};

TypedWords TypeWords(QByteArrayView text, const CorpusRule& rule) {
    TypedWords typed;
    std::pmr::monotonic_buffer_resource letters(1 << 16);
    QHash<QByteArrayView, qint32> known;
    QByteArray built;
    ForEachWord(text, rule, [&](const TextWord& found) {
        QByteArrayView key = found.word;
        if (KeyDiffers(key, rule)) {
            built = WordKey(key, rule);
            key = built;
        }
        auto at = known.constFind(key);
        if (at == known.cend()) {
            char* copy = static_cast<char*>(letters.allocate(static_cast<size_t>(key.size()), 1));
            std::memcpy(copy, key.data(), static_cast<size_t>(key.size()));
            at = known.insert(QByteArrayView(copy, key.size()), static_cast<qint32>(typed.types++));
        }
        typed.ids.push_back(at.value());
        // By the ASCII rule a word is the letters of its token, whatever stands between them; a
        // word of any alphabet is a run of letters, counted as written (not folded).
        typed.characters += rule.letters == LetterRule::Ascii
                                ? found.word.size()
                                : CountCharacters(text.sliced(found.begin, found.end - found.begin)).withSpaces;
    });
    return typed;
}

// The mean TTR of the pieces of `piece` words, the last, shorter one left out.
std::optional<double> PieceMean(const TypedWords& typed, qint64 piece) {
    const auto pieces = static_cast<qint64>(typed.ids.size()) / piece;
    if (pieces == 0) {
        return std::nullopt;
    }
    std::vector<qint64> seenIn(static_cast<size_t>(typed.types), -1); // the last piece each type was seen in
    qint64 typesSum = 0;
    for (qint64 i = 0; i < pieces * piece; ++i) {
        qint64& seen = seenIn[static_cast<size_t>(typed.ids[static_cast<size_t>(i)])];
        if (seen != i / piece) {
            seen = i / piece;
            ++typesSum;
        }
    }
    return static_cast<double>(typesSum) / static_cast<double>(pieces * piece);
}

// The mean TTR of every window of `window` words, moved one word at a time: each type's count
// in the window, the words entering and leaving it.
std::optional<double> MovingMean(const TypedWords& typed, qint64 window) {
    const auto tokens = static_cast<qint64>(typed.ids.size());
    if (tokens < window) {
        return std::nullopt;
    }
    std::vector<qint64> inWindow(static_cast<size_t>(typed.types), 0);
    qint64 types = 0;
    qint64 typesSum = 0;
    for (qint64 i = 0; i < tokens; ++i) {
        types += inWindow[static_cast<size_t>(typed.ids[static_cast<size_t>(i)])]++ == 0 ? 1 : 0;
        if (i >= window) {
            types -= --inWindow[static_cast<size_t>(typed.ids[static_cast<size_t>(i - window)])] == 0 ? 1 : 0;
        }
        if (i >= window - 1) {
            typesSum += types;
        }
    }
    const qint64 windows = tokens - window + 1;
    return static_cast<double>(typesSum) / static_cast<double>(windows * window);
}

// One pass of MTLD over the words from first to last; empty when it counts no factor, not even a
// part of one.
template <typename Iterator> std::optional<double> MtldPass(Iterator first, Iterator last, qint64 typeCount) {
    std::vector<qint64> seenIn(static_cast<size_t>(typeCount), -1); // the last factor each type was seen in
    qint64 factor = 0;
    qint64 tokens = 0;
    qint64 types = 0;
    qint64 all = 0;
    for (; first != last; ++first) {
        ++all;
        ++tokens;
        qint64& seen = seenIn[static_cast<size_t>(*first)];
        if (seen != factor) {
            seen = factor;
            ++types;
        }
        if (static_cast<double>(types) / static_cast<double>(tokens) <= kMtldThreshold) {
            ++factor;
            tokens = 0;
            types = 0;
        }
    }
    double factors = static_cast<double>(factor);
    if (tokens > 0) {
        factors += (1.0 - static_cast<double>(types) / static_cast<double>(tokens)) / (1.0 - kMtldThreshold);
    }
    if (factors <= 0) {
        return std::nullopt; // no factor was complete and the remainder had no type twice
    }
    return static_cast<double>(all) / factors;
}

} // namespace

LexicalProfile ProfileOf(QByteArrayView text, const CorpusRule& rule) {
    const TypedWords typed = TypeWords(text, rule);
    LexicalProfile profile;
    profile.tokens = static_cast<qint64>(typed.ids.size());
    profile.types = typed.types;
    if (profile.tokens == 0) {
        return profile;
    }
    const auto tokens = static_cast<double>(profile.tokens);
    profile.ttr = static_cast<double>(profile.types) / tokens;
    profile.meanWordLength = static_cast<double>(typed.characters) / tokens;
    profile.sttr = PieceMean(typed, kSttrPiece);
    profile.mattr = MovingMean(typed, kMattrWindow);
    const std::optional<double> forward = MtldPass(typed.ids.cbegin(), typed.ids.cend(), typed.types);
    const std::optional<double> backward = MtldPass(typed.ids.crbegin(), typed.ids.crend(), typed.types);
    if (forward && backward) {
        profile.mtld = (*forward + *backward) / 2.0;
    }
    return profile;
}

QList<LexicalProfile> LexicalProfiles(const QList<ConvertedText>& texts, const CorpusRule& rule,
                                      const std::atomic<bool>* stop) {
    // The files are shared out one at a time, so that a long file does not hold up the rest.
    QList<LexicalProfile> profiles(texts.size());
    std::vector<int> walkers(WalkerCount(texts.size()));
    std::atomic<qsizetype> next{0};
    const auto walk = [&](int) {
        for (qsizetype i = next++; i < texts.size() && !(stop && *stop); i = next++) {
            if (!texts[i].text.isEmpty()) {
                const FileBytes bytes(texts[i].text);
                profiles[i] = ProfileOf(bytes.View(), rule);
            }
        }
    };
    RunWalkers(walkers, walk, [&] { next = texts.size(); });
    return profiles;
}

void AttachProfiles(QList<FileSummaryRow>& rows, const QStringList& paths, const QList<ConvertedText>& texts,
                    const QList<LexicalProfile>& profiles) {
    QHash<QString, qsizetype> bySource;
    for (qsizetype i = 0; i < texts.size() && i < profiles.size(); ++i) {
        if (!texts[i].text.isEmpty() && !bySource.contains(texts[i].source)) {
            bySource.insert(texts[i].source, i);
        }
    }
    for (FileSummaryRow& row : rows) {
        row.profile = LexicalProfile{};
        if (row.counted) {
            const qsizetype text = bySource.value(paths.value(row.counts.file.index), -1);
            row.profile = text >= 0 ? std::optional(profiles[text]) : std::nullopt;
        }
    }
}

QStringList ProfileHeaders() {
    return {QStringLiteral("Types"), QStringLiteral("TTR"),  QStringLiteral("STTR"),
            QStringLiteral("MATTR"), QStringLiteral("MTLD"), QStringLiteral("Mean word length")};
}

QStringList ProfileCells(const LexicalProfile& profile) {
    const auto cell = [](const std::optional<double>& value, int decimals) {
        return value ? QString::number(*value, 'f', decimals) : QString();
    };
    return {QString::number(profile.types), cell(profile.ttr, 4),  cell(profile.sttr, 4),
            cell(profile.mattr, 4),         cell(profile.mtld, 2), cell(profile.meanWordLength, 2)};
}
