#include "core/count/SortingText.h"

#include "core/base/ErrorReport.h"
#include "core/count/CountingPass.h"
#include "core/count/WordTally.h"
#include "core/extract/TextFiles.h"

#include <algorithm>
#include <cmath>
#include <new>
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
        // A list whose memory is refused is left without any (and would be written through a
        // null pointer): reserved while empty, and its capacity checked.
        const qsizetype size = static_cast<qsizetype>(m_tally.Size()) + (m_emptyEntry ? 1 : 0);
        table.reserve(size);
        if (table.capacity() < size) {
            throw std::bad_alloc();
        }
        if (m_emptyEntry) {
            table.append(WordEntry{});
        }
        m_tally.ForEach([&table](QByteArrayView word, qint64 count) {
            table.append(WordEntry{count, word.toByteArray()});
        });
        m_tally.Clear();
        YieldNow(m_in.yield);
        if (m_in.progress) {
            m_in.progress->SetText(QStringLiteral("Counting words, please wait..."));
        }
        SortWords(table, m_in);
        for (const WordEntry& entry : std::as_const(table)) {
            YieldNow(m_in.yield);
            // The entry's text without its leading zeros is the count, a blank and the word.
            if (entry.IsEmpty() || entry.count <= 0) {
                continue;
            }
            if (m_in.results) {
                m_in.results->AddRow(
                    {m_in.mode == CountMode::PerFile ? label : QString(), QString::fromUtf8(entry.word), entry.count});
            }
            wordCount += entry.count;
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
    return PadCount(QString::number(count) + u' ' + QString::fromUtf8(word));
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

void SortWords(WordTable& table, const PassInputs& in) {
    ErrorReport steps(in.ui, QString::fromLatin1(Source::BubbleSort));
    steps(100, [&] {
        const qint64 size = table.size();
        if (size < 2) {
            return;
        }
        const qint64 last = size - 2; // the progress runs to the last pair, as the bubble sort counted
        const auto stopped = [&in] { return in.stopRequested && in.stopRequested(); };
        // Shows the share of the work done as the one pass of the sort.
        const auto show = [&](double share) {
            YieldNow(in.yield);
            if (in.progress) {
                const auto j = static_cast<qint64>(share * static_cast<double>(last));
                in.progress->SetValue(last > 0 ? std::trunc(static_cast<double>(j) / static_cast<double>(last) * 100.0)
                                               : 100.0);
                in.progress->SetText(ProgressText{ProgressText::Kind::SortingLoop, QString(), 1, last, j});
            }
        };
        WordEntry* const entries = table.data();
        if (stopped()) {
            // A stop that is already requested leaves after the first comparison, as ever.
            show(0);
            if (EntryGreater(entries[0], entries[1])) {
                std::swap(entries[0], entries[1]);
            }
            return;
        }
        // Runs of kRun entries are sorted, then merged pairwise until one run is left; the
        // comparison is EntryGreater's, and the order of a stable sort with it is the order in
        // which the bubble sort ends. The work is about log2(kRun) + one per merge round
        // units per entry; the progress follows it.
        constexpr qint64 kRun = 2048;
        const auto less = [](const WordEntry& a, const WordEntry& b) { return EntryGreater(b, a); };
        double rounds = 0;
        for (qint64 width = kRun; width < size; width *= 2) {
            ++rounds;
        }
        const double total = static_cast<double>(size) * (std::log2(static_cast<double>(kRun)) + rounds);
        double done = 0;
        for (qint64 first = 0; first < size; first += kRun) {
            const qint64 end = std::min(first + kRun, size);
            std::stable_sort(entries + first, entries + end, less);
            done += static_cast<double>(end - first) * std::log2(static_cast<double>(kRun));
            show(done / total);
            if (stopped()) {
                return;
            }
        }
        for (qint64 width = kRun; width < size; width *= 2) {
            for (qint64 first = 0; first + width < size; first += 2 * width) {
                const qint64 end = std::min(first + 2 * width, size);
                std::inplace_merge(entries + first, entries + first + width, entries + end, less);
                done += static_cast<double>(end - first);
                show(done / total);
                if (stopped()) {
                    return;
                }
            }
        }
        show(1);
    });
}

void SortingText(const PassInputs& inputs) {
    ErrorReport steps(inputs.ui, QString::fromLatin1(Source::SortingText));
    TextMethod method(inputs);
    RunCountingPass(inputs, method, steps);
}
