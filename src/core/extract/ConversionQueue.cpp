#include "core/extract/ConversionQueue.h"

#include "core/extract/ConversionCache.h"

#include <QFile>

#include <algorithm>
#include <iterator>

ConversionQueue::ConversionQueue(int jobs, Yield yield, std::function<void(Entry&)> recorder,
                                 std::function<void()> tick, std::function<void()> blocked)
    : m_jobs(std::max(1, jobs)), m_yield(std::move(yield)), m_recorder(std::move(recorder)), m_tick(std::move(tick)),
      m_blocked(std::move(blocked)) {}

ConversionQueue::~ConversionQueue() = default;

bool ConversionQueue::FollowOrWait(Entry& entry, bool follow) {
    const auto same = [&entry, follow](const Entry& p) { return p.output == entry.output && (!follow || p.m_shared); };
    const auto leader = std::find_if(m_entries.begin(), m_entries.end(), same);
    if (follow && leader != m_entries.end() && leader->password == entry.password) {
        entry.m_follows = leader->m_shared;
        return true;
    }
    while (std::any_of(m_entries.begin(), m_entries.end(), same)) {
        Record(true);
    }
    return false;
}

void ConversionQueue::Start(Entry& entry, const ConversionPlace& place, bool recordWhileWaiting, int rowsLeft) {
    m_place = place;
    entry.m_shared = std::make_shared<Extraction>();
    // A free converter first: no more than `jobs` run, or wait for one to end.
    if (!m_oneAtATime) {
        WaitForFreeConverter(m_entries, m_jobs, m_yield, [this, recordWhileWaiting] {
            if (recordWhileWaiting) {
                Record(false);
            }
            if (m_tick) {
                m_tick();
            }
        });
    }
    if (m_oneAtATime) {
        entry.m_deferred = true;
        return;
    }
    int free = m_jobs;
    for (Entry& running : m_entries) {
        free -= running.conversion ? running.conversion->Running() : 0;
    }
    int parts = 1;
    int pages = 0;
    if (rowsLeft >= 0 && free >= 2 && rowsLeft < free && InputProblem(entry.pdf).isEmpty()) {
        pages = PdfPageCount(entry.pdf, entry.password, place.converter);
        parts = pages > kSplitPages ? free : 1;
    }
    entry.conversion =
        std::make_unique<BackgroundConversion>(entry.pdf, entry.password, place, entry.output, parts, pages);
}

void ConversionQueue::Push(Entry entry) {
    m_entries.push_back(std::move(entry));
    Record(false);
}

void ConversionQueue::Record(bool wait) {
    while (!m_entries.empty()) {
        Entry& front = m_entries.front();
        if (front.m_deferred) {
            StartDeferred(front);
        }
        if (front.conversion) {
            while (wait && !front.conversion->Finished(20)) {
                if (m_tick) {
                    m_tick();
                }
                YieldNow(m_yield);
                // Only a long conversion has the others looked at (and their texts written out);
                // one that converts alone keeps its converters to itself.
                if (!m_oneAtATime && front.conversion->Age() >= 500) {
                    Balance();
                }
            }
            if (!front.conversion->Finished()) {
                if (m_blocked) {
                    m_blocked();
                }
                return;
            }
            if (RetryFrontAlone()) {
                continue;
            }
        }
        Entry entry = std::move(front);
        m_entries.pop_front();
        if (entry.m_follows) {
            entry.verdict = *entry.m_follows;
        }
        ++m_recorded;
        m_recorder(entry);
        if (entry.m_shared) {
            *entry.m_shared = entry.verdict;
        }
        wait = false;
    }
}

void ConversionQueue::StartDeferred(Entry& front) {
    front.m_deferred = false;
    front.conversion = std::make_unique<BackgroundConversion>(front.pdf, front.password, m_place, front.output);
}

bool ConversionQueue::RetryFrontAlone() {
    Entry& front = m_entries.front();
    if (front.conversion->End().kind != ConverterEnd::Kind::TextFolderFull) {
        return false;
    }
    bool gaveUp = false;
    for (auto later = std::next(m_entries.begin()); later != m_entries.end(); ++later) {
        if (!later->conversion && !later->copied) {
            continue;
        }
        later->conversion.reset(); // its converters end, its part files go
        QFile::remove(later->output);
        later->copied = false;
        later->m_deferred = true;
        gaveUp = true;
    }
    if (!gaveUp) {
        return false; // it had the folder to itself: its text does not fit
    }
    m_oneAtATime = true;
    front.conversion.reset();
    front.m_deferred = true;
    return true;
}

void ConversionQueue::KeepConverting() {
    for (Entry& entry : m_entries) {
        if (entry.conversion) {
            entry.conversion->Finished();
        }
    }
}

void ConversionQueue::Balance() {
    if (m_rangeMinimum <= 0) {
        return;
    }
    int free = m_jobs;
    BackgroundConversion* longest = nullptr;
    int most = 0;
    for (Entry& entry : m_entries) {
        if (entry.conversion) {
            free -= entry.conversion->Running();
        }
    }
    if (free <= 0) {
        return;
    }
    for (Entry& entry : m_entries) {
        const int left = entry.conversion ? entry.conversion->PagesLeft() : 0;
        if (left > most) {
            most = left;
            longest = entry.conversion.get();
        }
    }
    if (longest) {
        longest->Split(free, m_rangeMinimum);
    }
}

void ConversionQueue::Finish(const std::function<bool()>& abandoned) {
    while (!m_entries.empty() && !(abandoned && abandoned())) {
        Record(true);
    }
    Clear();
}

std::optional<ConverterEnd> KeptConversion(const ConversionCache* cache, const QString& pdf, const QString& password,
                                           const QString& output) {
    ConverterEnd end;
    if (!cache || !cache->Enabled()) {
        return std::nullopt;
    }
    if (output == cache->TextPath(pdf, password)) {
        return cache->Lookup(pdf, password, end) ? std::optional(end) : std::nullopt;
    }
    return cache->Restore(pdf, password, output, end) ? std::optional(end) : std::nullopt;
}
