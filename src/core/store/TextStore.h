#pragma once

#include <QByteArray>
#include <QString>

#include <QList>

#include <atomic>
#include <functional>
#include <memory>
#include <utility>

// The store of converted texts: the converter's text of a PDF, kept per user between runs so
// that an unchanged PDF is not converted again. One entry per PDF and variant (the converter's
// version and the options that change the text), named by a hash of the file's identity: device,
// inode, size, modification and change times, so that a PDF changed in place, replaced by a copy
// or renamed over is converted anew.
//
// An entry holds the text compressed (zstd), its length and a checksum (verified on reading),
// and is written to a temporary name and renamed into place: two processes writing one entry
// leave one whole entry. A damaged, truncated or foreign entry is never used: it reads as
// missing and is removed. The store is bounded by size; the least recently used entries go first.
// Any trouble with the store (a full disk, a read-only folder) costs time, never a count: the
// store turns itself off for the rest of the process with one note.
class TextStore {
public:
    static constexpr qint64 kDefaultLimit = qint64(1) << 30; // 1 GiB

    // The store in folder (created mode 0700 when missing). Null with a note when the folder
    // cannot be used: not a folder, owned by another user, or open to others for writing.
    static std::unique_ptr<TextStore> Open(const QString& folder, qint64 limit, QString& note);
    ~TextStore();
    TextStore(const TextStore&) = delete;
    TextStore& operator=(const TextStore&) = delete;

    const QString& Folder() const { return m_folder; }

    // What makes a text besides the PDF (the converter's version): part of every key KeyOf
    // gives. "" keeps the store from being used.
    void SetVariant(const QString& variant) { m_variant = variant; }
    const QString& Variant() const { return m_variant; }
    // The key of pdf under the variant and the options that change its text ("" for the
    // converter's own text); empty when it cannot be had.
    QByteArray KeyOf(const QString& pdf, const QString& options = {}) const;
    // The stored text of key written to target, with its note; false when there is none, and
    // always for a file opened with a password. A target being restored ahead (RestoreAhead) is
    // taken from there.
    bool Restore(const QByteArray& key, const QString& password, const QString& target, QByteArray* note = nullptr);
    // Keeps textFile as the text of pdf when the file still has the key it had before it was
    // converted (keyBefore, made with options) and may hold it: never with a password or when
    // the PDF is encrypted.
    void Keep(const QString& pdf, const QString& password, const QString& options, const QByteArray& keyBefore,
              const QString& textFile, const QByteArray& note = {});

    // Restores the texts of keys to their targets (pairs of key and target) on the other cores
    // while the caller goes on, for files opened without a password; Restore of one of them then
    // takes its result, waiting while it is being written. The restoring stops, and is waited for,
    // when the returned object goes: before the targets' folder goes.
    class Ahead;
    struct AheadEnd {
        void operator()(Ahead* ahead) const;
    };
    using AheadRun = std::unique_ptr<Ahead, AheadEnd>;
    [[nodiscard]] AheadRun RestoreAhead(const QList<std::pair<QByteArray, QString>>& entries);

    // The key of a PDF's text under variant; empty when the file cannot be read or examined.
    static QByteArray Key(const QString& pdf, const QString& variant);

    // The stored text of key and the note stored with it (how it was made); false (and a
    // damaged entry removed) when there is none to use.
    bool Fetch(const QByteArray& key, QByteArray& text, QByteArray* note = nullptr);
    // The same, the text written to target (replacing it).
    bool FetchTo(const QByteArray& key, const QString& target, QByteArray* note = nullptr);

    // Stores text (a converter's whole text) and a short note under key. Errors turn the store
    // off with a note.
    void Put(const QByteArray& key, const QByteArray& text, const QByteArray& note = {});
    // The same, the text read from a file.
    void PutFrom(const QByteArray& key, const QString& textFile, const QByteArray& note = {});

    // Removes the least recently used entries until the store fits its limit, and adds this
    // process's hits to the store's count.
    void Trim();

    struct Stats {
        int entries = 0;
        qint64 bytes = 0;
        qint64 hits = 0;
    };
    Stats Read() const;
    // Removes every entry; false when one could not be removed.
    bool Clear();

    // Set once the store turned itself off (said once): why.
    const QString& Note() const { return m_note; }
    bool Usable() const { return !m_off; }
    // Hits and entries written by this process.
    qint64 Hits() const { return m_hits; }
    qint64 Written() const { return m_written; }

    // The size limit given as a number of bytes with an optional K, M or G (powers of 1024);
    // -1 when text is not such a size.
    static qint64 ParseSize(const QString& text);

    // Where a user's store lies: $XDG_CACHE_HOME/lexitally, else ~/.cache/lexitally.
    static QString DefaultFolder();
    // The size limit $LEXITALLY_CACHE_SIZE gives, else kDefaultLimit; problem (when given) says
    // why a value that is no size was passed over.
    static qint64 LimitFromEnvironment(QString* problem = nullptr);

private:
    TextStore(QString folder, qint64 limit);
    QString EntryPath(const QByteArray& key) const;
    void TurnOff(const QString& why);

    QString m_folder;
    QString m_variant;
    qint64 m_limit;
    QString m_note;
    std::atomic<bool> m_off{false}; // the note is set: read by the restoring ahead too
    std::atomic<qint64> m_hits{0};
    Ahead* m_ahead = nullptr;
    qint64 m_written = 0;
};

// The variant of the texts a converter writes: its version (as `-v` says it) and where it lies;
// "" when it cannot be asked within ten seconds or stopped() says so meanwhile (the store is
// then not used).
QString ConverterVariant(const QString& converter, const std::function<bool()>& stopped = {});

// Whether a PDF may be encrypted (an /Encrypt entry in its first or last 64 KiB, where trailers
// live): the text of a protected PDF is never stored.
bool MayBeEncrypted(const QString& pdf);
