#pragma once

#include "core/base/Yield.h"
#include "core/extract/Converter.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>

class ConversionCache;

// The files of a list being converted, up to `jobs` at once, and recorded strictly in list
// order whatever order the converters end in. The readability check and the analysis run both
// feed it: per row they either decide the row at once (a problem with the input, a conversion
// kept from earlier, one converter at a time) or start a background conversion, then push the
// row. A row is handed to the recorder once every row before it has been and its own conversion
// has ended. Destroying the queue (or Clear) ends the conversions still running.
//
// Texts are kept whole in list order when the work folder fills up: a conversion whose text did
// not fit while rows after it were converting (or held texts) may have lost its room to them, so
// their texts are given up and the queue goes on one conversion at a time, each row converted
// (again) once the rows before it are recorded, the first one before all the others. Whatever the
// timing, the rows whose texts fit one after the other are the ones kept whole.
class ConversionQueue {
public:
    struct Entry {
        QString pdf;
        QString password;
        QString output; // the text the conversion writes
        // The conversion running for this row; null when the row was decided without one.
        std::unique_ptr<BackgroundConversion> conversion;
        // The row's verdict: set by the caller for a row decided at once, by the recorder for a
        // converted row, and taken from the earlier row for a row that follows one.
        Extraction verdict;
        // The caller's own number for the row.
        int row = 0;
        // The PDF's key in the store of converted texts before its conversion ("" for none).
        QByteArray storeKey;
        // The row's text was put in place at once (a kept conversion copied into the work folder):
        // it is given up, and the row converted, when a row before it needs the room.
        bool copied = false;

    private:
        friend class ConversionQueue;
        std::shared_ptr<Extraction> m_shared;  // the verdict, for the rows that follow this one
        std::shared_ptr<Extraction> m_follows; // the earlier row whose verdict this row takes
        bool m_deferred = false;               // converted once it is the earliest row not recorded
    };

    // recorder: called for every row in list order (the conversion, when there is one, has
    // ended and is still there to be asked). tick: the caller's sign of life, run between the
    // polls while the queue waits. blocked: run when recording stops at a conversion that is
    // still running.
    ConversionQueue(int jobs, Yield yield, std::function<void(Entry&)> recorder, std::function<void()> tick = {},
                    std::function<void()> blocked = {});
    ~ConversionQueue();
    ConversionQueue(const ConversionQueue&) = delete;
    ConversionQueue& operator=(const ConversionQueue&) = delete;

    int Jobs() const { return m_jobs; }
    bool Empty() const { return m_entries.empty(); }
    // The earliest row not yet recorded (only while not Empty()).
    Entry& Front() { return m_entries.front(); }
    // How many rows have been recorded.
    int Recorded() const { return m_recorded; }

    // A file listed twice is converted once while its first conversion is still running: true
    // when a running conversion writes the same output with the same password, and the entry
    // then takes that conversion's verdict when recorded (two converters must never write one
    // text). Otherwise every row that writes the same output (with another password, or any row
    // when anyPassword) is recorded first, waiting for it, and false is returned.
    bool FollowOrWait(Entry& entry, bool follow);

    // Starts the entry's conversion in the background once a converter is free, waiting for one
    // (and, with recordWhileWaiting, recording what has ended meanwhile). rowsLeft: how many rows
    // are still to be started after this one (below 0: unknown). When they are fewer than the
    // free converters, a file of more than kSplitPages pages is converted in page ranges on the
    // free converters, each range counting as one busy converter. Once the work folder has been
    // found full, the conversion only starts when the row is the earliest not recorded.
    void Start(Entry& entry, const ConversionPlace& place, bool recordWhileWaiting, int rowsLeft = -1);

    // Appends the row and records what can be recorded without waiting.
    void Push(Entry entry);

    // Records the rows at the front whose conversion has ended; with wait, waits for the front
    // one first.
    void Record(bool wait);

    // Records every row, waiting for each, until abandoned() (when given) says the run is given
    // up; the conversions still running are then ended.
    void Finish(const std::function<bool()>& abandoned = {});

    // Writes out what the running conversions have given so far, recording nothing: the recorder
    // calls it while it works long on one row, so that no converter waits on a full pipe.
    void KeepConverting();

    // Ends every running conversion and forgets the rows not yet recorded.
    void Clear() { m_entries.clear(); }

    // While the queue waits for a conversion and converters stand idle, the running conversion
    // with the most pages left hands its last pages to them, at least this many each (0: never).
    void SetRangeMinimum(int pages) { m_rangeMinimum = pages; }

private:
    void Balance();
    // Starts the conversion of a front row that waits for its turn.
    void StartDeferred(Entry& front);
    // The front's text did not fit: when rows after it may have taken its room, their texts are
    // given up and the front converts again, alone. True when it does.
    bool RetryFrontAlone();

    int m_jobs;
    Yield m_yield;
    std::function<void(Entry&)> m_recorder;
    std::function<void()> m_tick;
    std::function<void()> m_blocked;
    std::deque<Entry> m_entries;
    int m_recorded = 0;
    int m_rangeMinimum = kMinRangePages;
    ConversionPlace m_place;   // where the conversions take place (the last Start's)
    bool m_oneAtATime = false; // the work folder was found full
};

// A conversion kept by the cache for this file and password, copied to output when output is not
// the cache's own text: how its converter ended; nothing when there is none (or no cache).
std::optional<ConverterEnd> KeptConversion(const ConversionCache* cache, const QString& pdf, const QString& password,
                                           const QString& output);
