#include "core/export/OutputFile.h"

#include "core/base/ErrorReport.h"
#include "core/base/System.h"
#include "core/base/Texts.h"

#include <QStringDecoder>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Standard output, a FIFO or a device that is a terminal is shown control characters escaped, as
// standard error shows them: a file name could hold sequences the terminal would obey. TAB, LF
// and the CR of a CR LF pair stay what they are, as the exports lay out their lines with them.
class TerminalText {
public:
    QByteArray Shown(QByteArrayView bytes) {
        QString text = m_decoder.decode(bytes);
        if (m_carriageReturn) {
            text.prepend(u'\r');
            m_carriageReturn = false;
        }
        if (text.endsWith(u'\r')) {
            text.chop(1); // whether it ends a line is told by what comes next
            m_carriageReturn = true;
        }
        QString shown;
        shown.reserve(text.size());
        qsizetype start = 0;
        for (qsizetype i = 0; i <= text.size(); ++i) {
            const bool end = i == text.size();
            const bool kept = !end && (text[i] == u'\t' || text[i] == u'\n' ||
                                       (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n'));
            if (end || kept) {
                shown += EscapeControls(text.sliced(start, i - start));
                if (kept) {
                    shown += text[i];
                }
                start = i + 1;
            }
        }
        return shown.toUtf8();
    }
    // What is still held back at the end.
    QByteArray Rest() { return m_carriageReturn ? QByteArrayLiteral("\\r") : QByteArray(); }

private:
    QStringDecoder m_decoder{QStringDecoder::Utf8};
    bool m_carriageReturn = false;
};

// A descriptor written straight into: standard output, a FIFO, a terminal, a device, a file
// reached through a link. A write that cannot go on at once waits in turns of 100 ms and calls
// `wait` between them, so that the caller can give up while a reader does not read.
class StreamDevice : public QIODevice {
public:
    StreamDevice(int fd, bool owned, Yield wait) : m_fd(fd), m_owned(owned), m_wait(std::move(wait)) {
        if (::isatty(fd)) {
            m_terminal = std::make_unique<TerminalText>();
        }
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    ~StreamDevice() override {
        if (m_terminal) {
            const QByteArray rest = m_terminal->Rest();
            WriteAll(rest.constData(), rest.size());
        }
        if (m_owned) {
            ::close(m_fd);
        }
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (m_terminal) {
            const QByteArray shown = m_terminal->Shown(QByteArrayView(data, size));
            return WriteAll(shown.constData(), shown.size()) ? size : -1;
        }
        return WriteAll(data, size) ? size : -1;
    }

private:
    bool WriteAll(const char* data, qint64 size) {
        qint64 done = 0;
        while (done < size) {
            const ssize_t written = ::write(m_fd, data + done, static_cast<size_t>(size - done));
            if (written > 0) {
                done += written;
                continue;
            }
            if (written < 0 && errno != EINTR && errno != EAGAIN) {
                setErrorString(SystemError(errno));
                return false;
            }
            try {
                YieldNow(m_wait);
            } catch (const Failure& failure) {
                setErrorString(failure.Description());
                return false;
            }
            pollfd room{m_fd, POLLOUT, 0};
            ::poll(&room, 1, 100);
        }
        return true;
    }

    int m_fd;
    bool m_owned;
    Yield m_wait;
    std::unique_ptr<TerminalText> m_terminal;
};

// The regular file that path, a symbolic link, leads to, named without links, when the link
// leads to one by a name of its own (not a file already removed that a descriptor still holds);
// "" otherwise.
QString RegularTarget(const QByteArray& path) {
    struct stat through {};
    if (::stat(path.constData(), &through) != 0 || !S_ISREG(through.st_mode)) {
        return {};
    }
    char* real = ::realpath(path.constData(), nullptr);
    if (!real) {
        return {};
    }
    const QByteArray resolved(real);
    std::free(real);
    struct stat named {};
    if (::lstat(resolved.constData(), &named) != 0 || !S_ISREG(named.st_mode) || named.st_dev != through.st_dev ||
        named.st_ino != through.st_ino) {
        return {};
    }
    return QFile::decodeName(resolved);
}

} // namespace

OutputFile::OutputFile(QString path, Yield wait) : m_path(std::move(path)), m_wait(std::move(wait)) {}

OutputFile::~OutputFile() {
    if (m_save) {
        m_save->cancelWriting();
    }
}

bool OutputFile::Open() {
    if (IsStandardOutput(m_path)) {
        m_plain = std::make_unique<StreamDevice>(STDOUT_FILENO, false, m_wait);
        return true;
    }
    const QByteArray native = QFile::encodeName(m_path);
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0) {
        return OpenReplacing(m_path); // a new file
    }
    if (S_ISREG(info.st_mode)) {
        return OpenReplacing(m_path);
    }
    if (S_ISLNK(info.st_mode)) {
        // A link stays a link: the regular file it leads to is replaced in its own folder; what
        // else it leads to (a FIFO, a device, standard output, nothing yet) is written through it.
        const QString target = RegularTarget(native);
        if (!target.isEmpty()) {
            return OpenReplacing(target);
        }
        if (::stat(native.constData(), &info) != 0 || S_ISREG(info.st_mode)) {
            return OpenStream(native, O_CREAT | O_TRUNC);
        }
    }
    if (S_ISDIR(info.st_mode)) {
        m_error = QStringLiteral("Is a directory");
        return false;
    }
    return OpenStream(native, 0);
}

bool OutputFile::OpenReplacing(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    if (::access(native.constData(), F_OK) == 0 && ::access(native.constData(), W_OK) != 0) {
        m_error = QStringLiteral("Permission denied");
        return false;
    }
    m_save = std::make_unique<QSaveFile>(path);
    if (!m_save->open(QIODevice::WriteOnly)) {
        m_error = m_save->errorString();
        return false;
    }
    return true;
}

bool OutputFile::OpenStream(const QByteArray& native, int flags) {
    // Opened without blocking; a FIFO without a reader is tried again until one comes.
    int fd = -1;
    for (;;) {
        fd = ::open(native.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | flags, 0666);
        if (fd >= 0 || (errno != ENXIO && errno != EINTR)) {
            break;
        }
        try {
            YieldNow(m_wait);
        } catch (const Failure& failure) {
            m_error = failure.Description();
            return false;
        }
        ::usleep(100 * 1000);
    }
    if (fd < 0) {
        m_error = SystemError(errno);
        return false;
    }
    m_plain = std::make_unique<StreamDevice>(fd, true, m_wait);
    return true;
}

QIODevice& OutputFile::Device() {
    if (m_save) {
        return *m_save;
    }
    if (m_plain) {
        return *m_plain;
    }
    return m_unopened;
}

bool OutputFile::Commit() {
    if (m_save) {
        // The last bytes are written out first: an error then (a full disk) would otherwise go
        // unseen, and an empty or cut file replace the target.
        if (!m_save->flush() || m_save->error() != QFileDevice::NoError || !m_save->commit()) {
            m_error = m_save->errorString();
            m_save->cancelWriting();
            m_save.reset();
            return false;
        }
        m_save.reset();
        return true;
    }
    // A stream is written unbuffered: a failed write was already seen by the writer.
    return m_plain != nullptr;
}
