#include "core/export/OutputFile.h"

#include "core/base/ErrorReport.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString SystemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// A descriptor written straight into: standard output, a FIFO, a terminal, a device. A write
// that cannot go on at once waits in turns of 100 ms and calls `wait` between them, so that the
// caller can give up while a reader does not read.
class StreamDevice : public QIODevice {
public:
    StreamDevice(int fd, bool owned, Yield wait) : m_fd(fd), m_owned(owned), m_wait(std::move(wait)) {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    ~StreamDevice() override {
        if (m_owned) {
            ::close(m_fd);
        }
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        qint64 done = 0;
        while (done < size) {
            const ssize_t written = ::write(m_fd, data + done, static_cast<size_t>(size - done));
            if (written > 0) {
                done += written;
                continue;
            }
            if (written < 0 && errno != EINTR && errno != EAGAIN) {
                setErrorString(SystemError(errno));
                return -1;
            }
            try {
                YieldNow(m_wait);
            } catch (const Failure& failure) {
                setErrorString(failure.Description());
                return -1;
            }
            pollfd room{m_fd, POLLOUT, 0};
            ::poll(&room, 1, 100);
        }
        return done;
    }

private:
    int m_fd;
    bool m_owned;
    Yield m_wait;
};

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
    struct stat info {};
    const QByteArray native = QFile::encodeName(m_path);
    const bool exists = ::stat(native.constData(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) {
        m_error = QStringLiteral("Is a directory");
        return false;
    }
    if (exists && !S_ISREG(info.st_mode)) {
        // A FIFO, terminal or device: written straight into, never replaced by a regular file.
        // Opened without blocking; a FIFO without a reader is tried again until one comes.
        int fd = -1;
        for (;;) {
            fd = ::open(native.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
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
    if (exists && ::access(native.constData(), W_OK) != 0) {
        m_error = QStringLiteral("Permission denied");
        return false;
    }
    m_save = std::make_unique<QSaveFile>(m_path);
    if (!m_save->open(QIODevice::WriteOnly)) {
        m_error = m_save->errorString();
        return false;
    }
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
        if (!m_save->commit()) {
            m_error = m_save->errorString();
            m_save.reset();
            return false;
        }
        m_save.reset();
        return true;
    }
    // A stream is written unbuffered: a failed write was already seen by the writer.
    return m_plain != nullptr;
}
