#include "core/count/SortingText.h"

#include "core/base/ErrorReport.h"
#include "core/count/CountingPass.h"
#include "core/extract/TextFiles.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr qint64 kPaddedLimit = 100000000000LL; // counts below this have exactly 11 padded digits

inline quint64 Mix(quint64 x) {
    x ^= x >> 32;
    x *= 0xD6E8FEB86659FD93ULL;
    x ^= x >> 32;
    return x;
}

// A cheap hash for short ASCII words: eight bytes at a time.
inline quint64 WordHash(const char* p, qsizetype n) {
    quint64 h = static_cast<quint64>(n) * 0x9E3779B97F4A7C15ULL;
    while (n >= 8) {
        quint64 w;
        std::memcpy(&w, p, 8);
        h = Mix(h ^ w);
        p += 8;
        n -= 8;
    }
    quint64 w = 0;
    std::memcpy(&w, p, static_cast<size_t>(n));
    return Mix(h ^ w);
}

// The words of one count in the order of their first appearance, each with its count, and an
// index from word to entry, so that a word is found without scanning the table. The index is
// an open-addressing table whose slots hold the count and, for words of up to 16 letters, the
// letters themselves: a word seen before is mostly found by reading one slot.
class WordTally {
public:
    void Clear() {
        m_slots.assign(1024, Slot{});
        m_order.clear();
        m_longLetters.clear();
    }

    void Add(QByteArrayView word) {
        const quint64 hash = WordHash(word.data(), word.size());
        const auto tag = static_cast<quint32>(hash >> 32);
        const auto length = static_cast<quint32>(word.size());
        const size_t mask = m_slots.size() - 1;
        for (size_t i = static_cast<size_t>(hash) & mask;; i = (i + 1) & mask) {
            Slot& slot = m_slots[i];
            if (slot.length == 0) {
                Store(slot, tag, word);
                m_order.push_back(i);
                if (m_order.size() * 4 > m_slots.size() * 3) { // at most three quarters full
                    Grow();
                }
                return;
            }
            if (slot.tag == tag && slot.length == length && SameLetters(Letters(slot), word.data(), length)) {
                ++slot.count;
                return;
            }
        }
    }

    // The table entries, in order of first appearance.
    void AppendTo(WordTable& table) const {
        table.reserve(table.size() + static_cast<qsizetype>(m_order.size()));
        for (const size_t i : m_order) {
            const Slot& slot = m_slots[i];
            table.append(WordEntry{slot.count, QByteArray(Letters(slot), slot.length)});
        }
    }

private:
    static constexpr quint32 kInline = 16;

    struct Slot {
        quint32 tag = 0;    // high bits of the word's hash
        quint32 length = 0; // 0: the slot is free (a word has at least one letter)
        qint64 count = 0;
        char letters[kInline] = {}; // the word, or the offset of a longer word's letters
    };

    // Words are short: a plain loop beats a call to memcmp.
    static bool SameLetters(const char* a, const char* b, quint32 n) {
        for (quint32 i = 0; i < n; ++i) {
            if (a[i] != b[i]) {
                return false;
            }
        }
        return true;
    }

    const char* Letters(const Slot& slot) const {
        if (slot.length <= kInline) {
            return slot.letters;
        }
        size_t offset;
        std::memcpy(&offset, slot.letters, sizeof offset);
        return m_longLetters.data() + offset;
    }

    void Store(Slot& slot, quint32 tag, QByteArrayView word) {
        slot.tag = tag;
        slot.length = static_cast<quint32>(word.size());
        slot.count = 1;
        if (slot.length <= kInline) {
            std::memcpy(slot.letters, word.data(), slot.length);
        } else {
            const size_t offset = m_longLetters.size();
            m_longLetters.insert(m_longLetters.end(), word.begin(), word.end());
            std::memcpy(slot.letters, &offset, sizeof offset);
        }
    }

    void Grow() {
        std::vector<Slot> old(m_slots.size() * 2);
        old.swap(m_slots);
        const size_t mask = m_slots.size() - 1;
        for (size_t& position : m_order) {
            const Slot& slot = old[position];
            size_t i = static_cast<size_t>(WordHash(Letters(slot), slot.length)) & mask;
            while (m_slots[i].length != 0) {
                i = (i + 1) & mask;
            }
            m_slots[i] = slot;
            position = i;
        }
    }

    std::vector<Slot> m_slots = std::vector<Slot>(1024);
    std::vector<size_t> m_order;     // slot of each word, in order of first appearance
    std::vector<char> m_longLetters; // letters of the words longer than kInline
};

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
        m_tally.AppendTo(table);
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
