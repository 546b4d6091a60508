#include "SortingText.h"

#include "CountingPass.h"
#include "TextFiles.h"
#include "app/ErrorReport.h"

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

// Words are short: a plain loop beats a call to memcmp.
inline bool SameLetters(const char* a, const char* b, qsizetype n) {
    for (qsizetype i = 0; i < n; ++i) {
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

// The words of one count in the order of their first appearance, each with its count, and an
// index from word to entry, so that a word is found without scanning the table. The words lie
// one after another in one block; the index is an open-addressing table of slots that hold 32
// bits of the word's hash and its entry number, so that a look-up rarely compares words.
class WordTally {
public:
    void Clear() {
        m_entries.clear();
        m_letters.clear();
        m_slots.assign(1024, 0);
    }

    void Add(QByteArrayView word) {
        const quint64 hash = WordHash(word.data(), word.size());
        const quint64 tag = hash >> 32;
        const size_t mask = m_slots.size() - 1;
        for (size_t i = static_cast<size_t>(hash) & mask;; i = (i + 1) & mask) {
            const quint64 slot = m_slots[i];
            if (slot == 0) {
                m_slots[i] = (tag << 32) | (m_entries.size() + 1);
                m_entries.push_back({1, m_letters.size(), word.size()});
                m_letters.insert(m_letters.end(), word.begin(), word.end());
                if (m_entries.size() * 2 > m_slots.size()) {
                    Grow();
                }
                return;
            }
            if ((slot >> 32) == tag) {
                Entry& entry = m_entries[(slot & 0xFFFFFFFFU) - 1];
                if (entry.length == word.size() &&
                    SameLetters(m_letters.data() + entry.offset, word.data(), entry.length)) {
                    ++entry.count;
                    return;
                }
            }
        }
    }

    // The table entries, in order of first appearance.
    void AppendTo(WordTable& table) const {
        table.reserve(table.size() + static_cast<qsizetype>(m_entries.size()));
        for (const Entry& entry : m_entries) {
            table.append(WordEntry{entry.count, QByteArray(m_letters.data() + entry.offset, entry.length)});
        }
    }

private:
    struct Entry {
        qint64 count;
        size_t offset;
        qsizetype length;
    };

    void Grow() {
        m_slots.assign(m_slots.size() * 2, 0);
        const size_t mask = m_slots.size() - 1;
        for (size_t e = 0; e < m_entries.size(); ++e) {
            const Entry& entry = m_entries[e];
            const quint64 hash = WordHash(m_letters.data() + entry.offset, entry.length);
            size_t i = static_cast<size_t>(hash) & mask;
            while (m_slots[i] != 0) {
                i = (i + 1) & mask;
            }
            m_slots[i] = ((hash >> 32) << 32) | (e + 1);
        }
    }

    std::vector<Entry> m_entries;
    std::vector<char> m_letters;
    std::vector<quint64> m_slots = std::vector<quint64>(1024, 0);
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
                m_in.results->AddRow(label.isEmpty() ? QStringList{word, count} : QStringList{label, word, count});
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
    ErrorReport steps(UiOrSilent(in.ui), QString::fromLatin1(Source::BubbleSort));
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
    ErrorReport steps(UiOrSilent(inputs.ui), QString::fromLatin1(Source::SortingText));
    TextMethod method(inputs);
    RunCountingPass(inputs, method, steps);
}
