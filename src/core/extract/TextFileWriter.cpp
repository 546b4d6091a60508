#include "core/extract/TextFileWriter.h"

#include <QFile>
#include <QProcess>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

TextFileWriter::TextFileWriter(const QString& path) : m_path(path) {
    const QByteArray name = QFile::encodeName(path);
    // Whatever had the name goes first: another name of a kept text (ConversionCache::Restore)
    // or a symbolic link is never written through.
    if (::unlink(name.constData()) != 0 && errno != ENOENT) {
        Fail(errno);
        return;
    }
    m_fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_fd < 0) {
        Fail(errno);
    }
}

TextFileWriter::~TextFileWriter() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool TextFileWriter::Write(QByteArrayView bytes) {
    for (qsizetype done = 0; !m_failure && done < bytes.size();) {
        const ssize_t n = ::write(m_fd, bytes.data() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            Fail(n < 0 ? errno : ENOSPC);
        } else {
            done += n;
            m_written += n;
        }
    }
    return !m_failure;
}

bool TextFileWriter::Drain(QProcess& process) {
    while (!m_failure && process.bytesAvailable() > 0) {
        QByteArray chunk = process.read(1 << 20);
        if (!Complete()) {
            CountPages(chunk);
            Write(chunk);
        }
    }
    return !m_failure;
}

void TextFileWriter::CountPages(QByteArray& chunk) {
    for (qsizetype at = chunk.indexOf('\f'); at >= 0; at = chunk.indexOf('\f', at + 1)) {
        if (++m_pages == m_pageLimit) {
            chunk.truncate(at + 1);
            return;
        }
    }
}

std::optional<ConverterEnd> TextFileWriter::Finish(QProcess& process) {
    Drain(process);
    return Close(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0);
}

std::optional<ConverterEnd> TextFileWriter::Finish() {
    return Close(true);
}

std::optional<ConverterEnd> TextFileWriter::Close(bool clean) {
    if (m_fd >= 0 && ::close(m_fd) != 0 && !m_failure) {
        Fail(errno);
    }
    m_fd = -1;
    struct stat info {};
    if (!m_failure && (::stat(QFile::encodeName(m_path).constData(), &info) != 0 || info.st_size != m_written)) {
        Fail(EIO);
    }
    if (m_failure || (m_written == 0 && !clean)) {
        QFile::remove(m_path);
    }
    return m_failure;
}

void TextFileWriter::Fail(int error) {
    m_failure = error == ENOSPC || error == EDQUOT ? ConverterEnd::FolderFull() : ConverterEnd::NotWritten();
}
