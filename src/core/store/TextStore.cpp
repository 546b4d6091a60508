#include "core/store/TextStore.h"

#include "core/base/Environment.h"
#include "core/base/System.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <zstd.h>

namespace {

// An entry: the magic, the key (32 bytes), the text's length (8 bytes, little-endian), the
// note's length (1 byte) and the note, then one zstd frame holding the text with its size and
// checksum.
const QByteArray kMagic = QByteArrayLiteral("LXTEXT\x01\n");
constexpr int kKeySize = 32;
constexpr int kHeaderSize = 8 + kKeySize + 8 + 1;
constexpr int kNoteLimit = 255;
constexpr int kLevel = 3;
// Files of writers that were killed (QSaveFile's temporary names) go after this long.
constexpr qint64 kLeftoverSeconds = 3600;
const QString kHitsName = QStringLiteral("hits");

bool IsEntryName(const QString& name) {
    static const QRegularExpression entry(QStringLiteral("^[0-9a-f]{64}$"));
    return entry.match(name).hasMatch();
}

QByteArray Little64(quint64 value) {
    QByteArray bytes(8, '\0');
    for (int i = 0; i < 8; ++i) {
        bytes[i] = static_cast<char>((value >> (8 * i)) & 0xff);
    }
    return bytes;
}

quint64 FromLittle64(const char* bytes) {
    quint64 value = 0;
    for (int i = 7; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    }
    return value;
}

struct Listed {
    QString path;
    qint64 size;
    qint64 used; // modification time: set anew on every hit
};

std::vector<Listed> ListEntries(const QString& folder) {
    std::vector<Listed> entries;
    const QDir dir(folder);
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (IsEntryName(info.fileName())) {
            entries.push_back({info.filePath(), info.size(), info.lastModified().toMSecsSinceEpoch()});
        }
    }
    return entries;
}

// Writes bytes to a new file of folder (mode 0600) and renames it to target, so that target is
// either what it was or whole; 0, or the system's error number.
int WriteWhole(const QString& folder, const QString& target, const QByteArray& bytes) {
    QByteArray name = QFile::encodeName(folder + QStringLiteral("/.entry-XXXXXX"));
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        return errno;
    }
    int error = 0;
    for (qsizetype done = 0; done < bytes.size() && error == 0;) {
        const ssize_t wrote = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (wrote > 0) {
            done += wrote;
        } else if (wrote < 0 && errno != EINTR) {
            error = errno;
        } else if (wrote == 0) {
            error = EIO;
        }
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(name.constData(), QFile::encodeName(target).constData()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(name.constData());
    }
    return error;
}

} // namespace

TextStore::TextStore(QString folder, qint64 limit) : m_folder(std::move(folder)), m_limit(limit) {}

TextStore::~TextStore() = default;

std::unique_ptr<TextStore> TextStore::Open(const QString& folder, qint64 limit, QString& note) {
    const QString shown = QStringLiteral("the store of converted texts ") + folder;
    QDir().mkpath(QFileInfo(folder).absolutePath());
    const QByteArray name = QFile::encodeName(folder);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) {
        note = shown + QStringLiteral(" cannot be made: ") + SystemError(errno) +
               QStringLiteral("; converting without it");
        return nullptr;
    }
    struct stat info {};
    if (::stat(name.constData(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        note = shown + QStringLiteral(" is not a folder; converting without it");
        return nullptr;
    }
    if (info.st_uid != ::geteuid()) {
        note = shown + QStringLiteral(" belongs to another user; converting without it");
        return nullptr;
    }
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        note = shown + QStringLiteral(" can be written by other users; converting without it");
        return nullptr;
    }
    return std::unique_ptr<TextStore>(new TextStore(folder, limit));
}

QByteArray TextStore::Key(const QString& pdf, const QString& variant) {
    struct stat info {};
    if (::stat(QFile::encodeName(pdf).constData(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return {};
    }
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const auto add = [&hash](quint64 value) { hash.addData(Little64(value)); };
    add(info.st_dev);
    add(info.st_ino);
    add(static_cast<quint64>(info.st_size));
    add(static_cast<quint64>(info.st_mtim.tv_sec));
    add(static_cast<quint64>(info.st_mtim.tv_nsec));
    add(static_cast<quint64>(info.st_ctim.tv_sec));
    add(static_cast<quint64>(info.st_ctim.tv_nsec));
    hash.addData(variant.toUtf8());
    return hash.result();
}

QString TextStore::EntryPath(const QByteArray& key) const {
    return m_folder + u'/' + QString::fromLatin1(key.toHex());
}

void TextStore::TurnOff(const QString& why) {
    if (m_note.isEmpty()) {
        m_note = QStringLiteral("the store of converted texts ") + m_folder + QStringLiteral(": ") + why +
                 QStringLiteral("; converting without it");
        m_off = true;
    }
}

// The texts restored ahead: workers take the entries in order; Restore takes each result once.
class TextStore::Ahead {
public:
    Ahead(TextStore& store, const QList<std::pair<QByteArray, QString>>& entries) : m_store(store) {
        for (const auto& [key, target] : entries) {
            if (!key.isEmpty() && !m_byTarget.contains(target)) {
                m_byTarget.insert(target, m_items.size());
                m_items.push_back({key, target, State::Waiting, false, {}});
            }
        }
        const size_t workers = std::min<size_t>(m_items.size(), std::max(1U, std::thread::hardware_concurrency()));
        for (size_t w = 0; w < workers; ++w) {
            m_workers.emplace_back([this] { Work(); });
        }
        m_store.m_ahead = this;
    }
    Ahead(const Ahead&) = delete;
    Ahead& operator=(const Ahead&) = delete;
    ~Ahead() {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        for (std::thread& worker : m_workers) {
            worker.join();
        }
        m_store.m_ahead = nullptr;
    }

    // Whether target was restored with key (and its note), once it has been written; none when
    // it is not being restored ahead, or was restored with another key (the file changed since):
    // the caller then restores or converts it itself.
    std::optional<bool> Take(const QByteArray& key, const QString& target, QByteArray* note) {
        std::unique_lock lock(m_mutex);
        const auto found = m_byTarget.constFind(target);
        if (found == m_byTarget.cend()) {
            return std::nullopt;
        }
        Item& item = m_items[*found];
        m_written.wait(lock, [&item] { return item.state != State::Writing; });
        const State was = std::exchange(item.state, State::Taken);
        if (was != State::Written || item.key != key) {
            return std::nullopt;
        }
        if (note) {
            *note = item.note;
        }
        return item.restored;
    }

private:
    enum class State { Waiting, Writing, Written, Taken };
    struct Item {
        QByteArray key;
        QString target;
        State state = State::Waiting;
        bool restored = false;
        QByteArray note;
    };

    void Work() {
        std::unique_lock lock(m_mutex);
        while (!m_stop) {
            while (m_next < m_items.size() && m_items[m_next].state != State::Waiting) {
                ++m_next;
            }
            if (m_next == m_items.size()) {
                return;
            }
            Item& item = m_items[m_next++];
            item.state = State::Writing;
            lock.unlock();
            QByteArray note;
            const bool restored = m_store.FetchTo(item.key, item.target, &note);
            lock.lock();
            item.restored = restored;
            item.note = note;
            item.state = State::Written;
            m_written.notify_all();
        }
    }

    TextStore& m_store;
    std::vector<Item> m_items;
    QHash<QString, size_t> m_byTarget;
    std::mutex m_mutex;
    std::condition_variable m_written;
    size_t m_next = 0;
    bool m_stop = false;
    std::vector<std::thread> m_workers;
};

void TextStore::AheadEnd::operator()(Ahead* ahead) const {
    delete ahead;
}

TextStore::AheadRun TextStore::RestoreAhead(const QList<std::pair<QByteArray, QString>>& entries) {
    return AheadRun(m_ahead || !Usable() ? nullptr : new Ahead(*this, entries));
}

bool TextStore::Fetch(const QByteArray& key, QByteArray& text, QByteArray* note) {
    if (key.size() != kKeySize || !Usable()) {
        return false;
    }
    const QString path = EntryPath(key);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray entry = file.readAll();
    file.close();
    bool whole = entry.size() >= kHeaderSize && entry.startsWith(kMagic) && entry.mid(8, kKeySize) == key;
    const int noteSize = whole ? static_cast<unsigned char>(entry[kHeaderSize - 1]) : 0;
    whole = whole && entry.size() >= kHeaderSize + noteSize;
    if (whole) {
        const quint64 length = FromLittle64(entry.constData() + 8 + kKeySize);
        const char* frame = entry.constData() + kHeaderSize + noteSize;
        const size_t frameSize = static_cast<size_t>(entry.size() - kHeaderSize - noteSize);
        whole = length <= quint64(std::numeric_limits<int>::max() / 2) &&
                ZSTD_getFrameContentSize(frame, frameSize) == length &&
                ZSTD_findFrameCompressedSize(frame, frameSize) == frameSize;
        if (whole) {
            text.resize(static_cast<qsizetype>(length));
            // The frame's checksum is verified here.
            const size_t got = ZSTD_decompress(text.data(), text.size(), frame, frameSize);
            whole = !ZSTD_isError(got) && got == length;
        }
    }
    if (!whole) {
        text.clear();
        QFile::remove(path);
        return false;
    }
    if (note) {
        *note = entry.mid(kHeaderSize, noteSize);
    }
    // The entry was used now: the last to go when the store is trimmed.
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), nullptr, 0);
    ++m_hits;
    return true;
}

bool TextStore::FetchTo(const QByteArray& key, const QString& target, QByteArray* note) {
    QByteArray text;
    if (!Fetch(key, text, note)) {
        return false;
    }
    QFile::remove(target);
    QFile file(target);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size() && file.flush()) {
        return true;
    }
    file.close();
    QFile::remove(target);
    return false;
}

void TextStore::Put(const QByteArray& key, const QByteArray& text, const QByteArray& note) {
    if (key.size() != kKeySize || !Usable() || m_limit <= 0 || note.size() > kNoteLimit) {
        return;
    }
    std::unique_ptr<ZSTD_CCtx, decltype(&ZSTD_freeCCtx)> context(ZSTD_createCCtx(), ZSTD_freeCCtx);
    if (!context) {
        return;
    }
    ZSTD_CCtx_setParameter(context.get(), ZSTD_c_compressionLevel, kLevel);
    ZSTD_CCtx_setParameter(context.get(), ZSTD_c_checksumFlag, 1);
    ZSTD_CCtx_setParameter(context.get(), ZSTD_c_contentSizeFlag, 1);
    QByteArray entry =
        kMagic + key + Little64(static_cast<quint64>(text.size())) + static_cast<char>(note.size()) + note;
    const qsizetype start = entry.size();
    entry.resize(start + static_cast<qsizetype>(ZSTD_compressBound(static_cast<size_t>(text.size()))));
    const size_t packed = ZSTD_compress2(context.get(), entry.data() + start, entry.size() - start, text.constData(),
                                         static_cast<size_t>(text.size()));
    if (ZSTD_isError(packed)) {
        return;
    }
    entry.truncate(start + static_cast<qsizetype>(packed));
    if (entry.size() > m_limit) {
        return; // would only push everything else out
    }
    const int error = WriteWhole(m_folder, EntryPath(key), entry);
    if (error != 0) {
        TurnOff(SystemError(error));
        return;
    }
    ++m_written;
}

void TextStore::PutFrom(const QByteArray& key, const QString& textFile, const QByteArray& note) {
    if (key.size() != kKeySize || !Usable()) {
        return;
    }
    QFile file(textFile);
    if (file.open(QIODevice::ReadOnly)) {
        Put(key, file.readAll(), note);
    }
}

QByteArray TextStore::KeyOf(const QString& pdf, const QString& options) const {
    return m_variant.isEmpty() ? QByteArray() : Key(pdf, m_variant + u'|' + options);
}

bool TextStore::Restore(const QByteArray& key, const QString& password, const QString& target, QByteArray* note) {
    if (m_ahead) {
        if (const std::optional<bool> restored = m_ahead->Take(key, target, note)) {
            if (*restored && password.isEmpty()) {
                return true;
            }
            QFile::remove(target); // never the text of a file opened with a password
            return false;
        }
    }
    return password.isEmpty() && !key.isEmpty() && FetchTo(key, target, note);
}

void TextStore::Keep(const QString& pdf, const QString& password, const QString& options, const QByteArray& keyBefore,
                     const QString& textFile, const QByteArray& note) {
    if (!password.isEmpty() || keyBefore.isEmpty() || !Usable() || KeyOf(pdf, options) != keyBefore ||
        MayBeEncrypted(pdf)) {
        return;
    }
    PutFrom(keyBefore, textFile, note);
}

void TextStore::Trim() {
    std::vector<Listed> entries = ListEntries(m_folder);
    qint64 total = 0;
    for (const Listed& entry : entries) {
        total += entry.size;
    }
    std::sort(entries.begin(), entries.end(), [](const Listed& a, const Listed& b) { return a.used < b.used; });
    for (const Listed& entry : entries) {
        if (total <= m_limit) {
            break;
        }
        if (QFile::remove(entry.path)) {
            total -= entry.size;
        }
    }
    // What killed writers left behind.
    const QDateTime old = QDateTime::currentDateTime().addSecs(-kLeftoverSeconds);
    for (const QFileInfo& info : QDir(m_folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (!IsEntryName(info.fileName()) && info.fileName() != kHitsName && info.lastModified() < old) {
            QFile::remove(info.filePath());
        }
    }
    if (m_hits > 0 && Usable()) {
        const qint64 hits = Read().hits + m_hits;
        QSaveFile file(m_folder + u'/' + kHitsName);
        if (file.open(QIODevice::WriteOnly) && file.write(QByteArray::number(hits)) > 0 && file.commit()) {
            m_hits = 0;
        }
    }
}

TextStore::Stats TextStore::Read() const {
    Stats stats;
    for (const Listed& entry : ListEntries(m_folder)) {
        ++stats.entries;
        stats.bytes += entry.size;
    }
    QFile hits(m_folder + u'/' + kHitsName);
    if (hits.open(QIODevice::ReadOnly)) {
        stats.hits = hits.read(32).trimmed().toLongLong();
    }
    return stats;
}

bool TextStore::Clear() {
    bool removed = true;
    for (const Listed& entry : ListEntries(m_folder)) {
        removed = QFile::remove(entry.path) && removed;
    }
    QFile::remove(m_folder + u'/' + kHitsName);
    m_hits = 0;
    return removed;
}

qint64 TextStore::ParseSize(const QString& text) {
    static const QRegularExpression size(QStringLiteral("^\\s*(\\d{1,15})\\s*([KkMmGg])?[iI]?[Bb]?\\s*$"));
    const QRegularExpressionMatch match = size.match(text);
    if (!match.hasMatch()) {
        return -1;
    }
    qint64 value = match.captured(1).toLongLong();
    const QString unit = match.captured(2).toUpper();
    const int shift = unit == u"K" ? 10 : unit == u"M" ? 20 : unit == u"G" ? 30 : 0;
    if (value > (std::numeric_limits<qint64>::max() >> shift)) {
        return -1;
    }
    return value << shift;
}

QString TextStore::DefaultFolder() {
    QString base = CurrentEnvironment().cacheHome;
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.cache");
    }
    return base + QStringLiteral("/lexitally");
}

qint64 TextStore::LimitFromEnvironment(QString* problem) {
    const QString& given = CurrentEnvironment().storeLimit;
    if (given.isEmpty()) {
        return kDefaultLimit;
    }
    const qint64 limit = ParseSize(given);
    if (limit < 0) {
        if (problem) {
            *problem = QStringLiteral("LEXITALLY_CACHE_SIZE=") + given +
                       QStringLiteral(" is not a size (bytes, or a number with K, M or G); using 1G");
        }
        return kDefaultLimit;
    }
    return limit;
}

QString ConverterVariant(const QString& converter, const std::function<bool()>& stopped) {
    const QString program = QFileInfo(converter).canonicalFilePath();
    if (program.isEmpty()) {
        return {};
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments({QStringLiteral("-v")});
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    bool finished = process.waitForStarted(-1);
    // Asked in slices: a stop is not held up by a converter that does not answer.
    for (int slice = 0; finished && !process.waitForFinished(50); ++slice) {
        finished = slice < 200 && !(stopped && stopped());
    }
    if (!finished) {
        process.kill();
        process.waitForFinished(5000);
        return {};
    }
    const QByteArray version = process.readAll().split('\n').value(0).trimmed();
    if (process.exitStatus() != QProcess::NormalExit || version.isEmpty()) {
        return {};
    }
    const QFileInfo info(program);
    return QString::fromUtf8(version) + u'|' + program + u'|' + QString::number(info.size()) + u'|' +
           QString::number(info.lastModified().toMSecsSinceEpoch());
}

bool MayBeEncrypted(const QString& pdf) {
    QFile file(pdf);
    if (!file.open(QIODevice::ReadOnly)) {
        return true;
    }
    constexpr qint64 kSpan = 64 * 1024;
    const QByteArray marker = QByteArrayLiteral("/Encrypt");
    if (file.read(kSpan).contains(marker)) {
        return true;
    }
    const qint64 size = file.size();
    if (size > kSpan) {
        // The tail overlaps the head's end so that a marker across the boundary is seen.
        file.seek(std::max(kSpan - marker.size(), size - kSpan));
        return file.read(kSpan).contains(marker);
    }
    return false;
}
