#include "core/corpus/Concordance.h"

#include "core/base/ErrorReport.h"
#include "core/extract/TextFiles.h"
#include "core/results/ResultTable.h"

#include <algorithm>

namespace {

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The text shown around a word: line ends, form feeds and TABs as blanks.
QString Shown(QByteArrayView bytes) {
    QString text = QString::fromUtf8(bytes);
    for (QChar& c : text) {
        if (c == u'\r' || c == u'\n' || c == u'\f' || c == u'\t') {
            c = u' ';
        }
    }
    return text;
}

// At most `context` characters before begin, never starting inside a character.
QString LeftOf(QByteArrayView text, qsizetype begin, int context) {
    qsizetype from = std::max<qsizetype>(0, begin - 4 * static_cast<qsizetype>(context));
    while (from > 0 && from < begin && IsContinuation(text[from])) {
        ++from;
    }
    const QString shown = Shown(text.sliced(from, begin - from));
    return shown.size() > context ? shown.right(context) : shown;
}

// At most `context` characters from end on, never ending inside a character.
QString RightOf(QByteArrayView text, qsizetype end, int context) {
    qsizetype to = std::min<qsizetype>(text.size(), end + 4 * static_cast<qsizetype>(context));
    while (to < text.size() && to > end && IsContinuation(text[to])) {
        --to;
    }
    const QString shown = Shown(text.sliced(end, to - end));
    return shown.size() > context ? shown.left(context) : shown;
}

QString Folded(const QString& text) {
    return text.simplified().toCaseFolded();
}

} // namespace

QString ContextBefore(QByteArrayView text, qsizetype begin, int context) {
    return LeftOf(text, std::clamp<qsizetype>(begin, 0, text.size()), context);
}

QString ContextAfter(QByteArrayView text, qsizetype end, int context) {
    return RightOf(text, std::clamp<qsizetype>(end, 0, text.size()), context);
}

QList<ConcordanceLine> ConcordanceOf(QByteArrayView text, int file, const QByteArray& key, const CorpusRule& rule,
                                     int context) {
    QList<ConcordanceLine> lines;
    if (key.isEmpty()) {
        return lines;
    }
    // The walk gives words folded already when letter case is ignored; only the database
    // method's case-blind groups and cut words need the key built.
    ForEachWord(text, rule, [&](const TextWord& word) {
        if (word.word != key && (!KeyDiffers(word.word, rule) || WordKey(word.word, rule) != key)) {
            return;
        }
        lines << ConcordanceLine{file,
                                 word.page,
                                 LeftOf(text, word.begin, context),
                                 Shown(text.sliced(word.begin, word.end - word.begin)),
                                 RightOf(text, word.end, context),
                                 word.begin};
    });
    return lines;
}

QList<ConcordanceLine> Concordance(const QList<ConvertedText>& texts, const QByteArray& key, const CorpusRule& rule,
                                   int context, int onlyFile) {
    QList<ConcordanceLine> lines;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if ((onlyFile >= 0 && i != onlyFile) || texts[i].text.isEmpty()) {
            continue;
        }
        const FileBytes bytes(texts[i].text);
        lines << ConcordanceOf(bytes.View(), static_cast<int>(i), key, rule, context);
    }
    return lines;
}

QString LeftSortKey(const ConcordanceLine& line) {
    QStringList words = Folded(line.left).split(u' ', Qt::SkipEmptyParts);
    std::reverse(words.begin(), words.end());
    return words.join(QChar(1));
}

QString RightSortKey(const ConcordanceLine& line) {
    return Folded(line.right).split(u' ', Qt::SkipEmptyParts).join(QChar(1));
}

void SortConcordance(QList<ConcordanceLine>& lines, ConcordanceSort by) {
    if (by == ConcordanceSort::Found) {
        std::stable_sort(lines.begin(), lines.end(),
                         [](const ConcordanceLine& a, const ConcordanceLine& b) { return a.file < b.file; });
        return;
    }
    const auto keyOf = by == ConcordanceSort::Left ? LeftSortKey : RightSortKey;
    QList<std::pair<QString, qsizetype>> keys;
    keys.reserve(lines.size());
    for (qsizetype i = 0; i < lines.size(); ++i) {
        keys.append({keyOf(lines[i]), i});
    }
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<ConcordanceLine> sorted;
    sorted.reserve(lines.size());
    for (const auto& key : keys) {
        sorted << lines[key.second];
    }
    lines = sorted;
}

QStringList ConcordanceHeaders() {
    return {QStringLiteral("File"), QStringLiteral("Page"), QStringLiteral("Left"), QStringLiteral("Word"),
            QStringLiteral("Right")};
}

void FillConcordance(ResultTable& table, const QList<ConcordanceLine>& lines, const QList<ConvertedText>& texts) {
    for (const QString& header : ConcordanceHeaders()) {
        table.AddColumn(header, header == QStringLiteral("Page") ? CellKind::Count : CellKind::Text);
    }
    for (const ConcordanceLine& line : lines) {
        table.AddRow({texts.value(line.file).label, QString::number(line.page), line.left, line.keyword, line.right});
    }
    table.SetAllTicked(true);
}
