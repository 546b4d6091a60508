#include "core/export/OutputFile.h"

#include <QFileInfo>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

OutputFile::OutputFile(QString path) : m_path(std::move(path)) {}

OutputFile::~OutputFile() {
    if (m_save) {
        m_save->cancelWriting();
    }
}

bool OutputFile::Open() {
    if (IsStandardOutput(m_path)) {
        m_plain = std::make_unique<QFile>();
        if (!m_plain->open(stdout, QIODevice::WriteOnly)) {
            m_error = m_plain->errorString();
            return false;
        }
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
        m_plain = std::make_unique<QFile>(m_path);
        if (!m_plain->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            m_error = m_plain->errorString();
            return false;
        }
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
    if (m_plain && !m_plain->flush()) {
        m_error = m_plain->errorString();
        return false;
    }
    return m_plain != nullptr;
}
