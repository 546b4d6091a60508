#include "core/count/SortingText.h"

#include "core/base/ErrorReport.h"
#include "core/count/CountingPass.h"
#include "core/count/WordTally.h"
#include "core/extract/TextFiles.h"

#include <cmath>
#include <vector>

namespace {

constexpr qint64 kPaddedLimit = 100000000000LL; // counts below this have exactly 11 padded digits

// The text method's part of the counting pass: the word table of one count.
class TextMethod : public FrequencyMethod {
public:
    explicit TextMethod(const PassInputs& in) : m_in(in) {}

    // The table starts with the empty entry; in per-file mode each file starts empty.
    void Begin() override {
        m_tally.Clear();
        m_emptyEntry = true;
    }

    void StartFile() override {
        m_tally.Clear();
        m_emptyEntry = false;
    }

    void Add(QByteArrayView word) override { m_tally.Add(word); }

    void Report(const QString& label, qint64& wordCount) override {
        WordTable table;
        if (m_emptyEntry) {
            table.append(WordEntry{});
        }
        table.reserve(table.size() + static_cast<qsizetype>(m_tally.Size()));
        m_tally.ForEach([&table](QByteArrayView word, qint64 count) {
            table.append(WordEntry{count, word.toByteArray()});
        });
        m_tally.Clear();
        YieldNow(m_in.yield);
        if (m_in.progress) {
            m_in.progress->SetText(QStringLiteral("Counting words, please wait..."));
        }
        BubbleSort(table, m_in);
        for (const WordEntry& entry : std::as_const(table)) {
            YieldNow(m_in.yield);
            if (entry.IsEmpty()) {
                continue;
            }
            const QString text = StripLeadingZeros(entry.Text());
            const qsizetype blank = text.indexOf(u' ');
            const QString count = text.left(blank);
            if (count.isEmpty()) {
                continue;
            }
            const QString word = text.mid(blank + 1);
            if (m_in.results) {
                m_in.results->AddRow(m_in.mode == CountMode::PerFile ? QStringList{label, word, count}
                                                                     : QStringList{word, count});
            }
            wordCount += count.toLongLong();
        }
    }

private:
    const PassInputs& m_in;
    WordTally m_tally;
    bool m_emptyEntry = true;
};

} // namespace

QString WordEntry::Text() const {
    if (IsEmpty()) {
        return QString();
    }
    return PadCount(QString::number(count) + u' ' + QString::fromLatin1(word));
}

bool EntryGreater(const WordEntry& a, const WordEntry& b) {
    if (a.IsEmpty() || b.IsEmpty()) {
        return !a.IsEmpty();
    }
    if (a.count >= kPaddedLimit || b.count >= kPaddedLimit) {
        return a.Text() > b.Text(); // counts of 12 digits or more: the texts decide
    }
    if (a.count != b.count) {
        return a.count > b.count;
    }
    return a.word > b.word;
}

QString PadCount(const QString& text) {
    const qsizetype blank = text.indexOf(u' ');
    const QString digits = blank < 0 ? text : text.left(blank);
    bool ok = false;
    const qint64 value = digits.trimmed().toLongLong(&ok);
    FailIf(!ok, QStringLiteral("Type mismatch"));
    QString padded = QString::number(value);
    if (padded.size() < 11) {
        padded.prepend(QString(11 - padded.size(), u'0'));
    }
    return blank < 0 ? padded : padded + text.mid(blank);
}

QString StripLeadingZeros(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == u'0') {
        ++i;
    }
    return text.mid(i);
}

void BubbleSort(WordTable& table, const PassInputs& in) {
    ErrorReport steps(in.ui, QString::fromLatin1(Source::BubbleSort));
    steps(100, [&] {
        const auto stopped = [&in] { return in.stopRequested && in.stopRequested(); };
        WordEntry* const entries = table.data();
        const qint64 n = static_cast<qint64>(table.size()) - 2; // index of the last entry - 1
        qint64 pass = 1;
        bool again = true;
        while (again) {
            YieldNow(in.yield);
            bool swapped = false;
            for (qint64 j = 0; j <= n; ++j) {
                YieldNow(in.yield);
                if (in.progress) {
                    // With a single pair (n = 0) every comparison is the whole pass.
                    in.progress->SetValue(n > 0 ? std::trunc(static_cast<double>(j) / static_cast<double>(n) * 100.0)
                                                : 100.0);
                    in.progress->SetText(ProgressText{ProgressText::Kind::SortingLoop, QString(), pass, n, j});
                }
                if (EntryGreater(entries[j], entries[j + 1])) {
                    swapped = true;
                    std::swap(entries[j], entries[j + 1]);
                }
                if (stopped()) {
                    break;
                }
            }
            ++pass;
            again = !stopped() && swapped;
        }
    });
}

void SortingText(const PassInputs& inputs) {
    ErrorReport steps(inputs.ui, QString::fromLatin1(Source::SortingText));
    TextMethod method(inputs);
    RunCountingPass(inputs, method, steps);
}
