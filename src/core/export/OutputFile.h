#pragma once

#include "core/base/Yield.h"

#include <QFile>
#include <QSaveFile>
#include <QString>
#include <memory>

// Where an export is written. A regular file (or a new one) is written beside its place and
// replaces it only once complete; standard output ("-"), a FIFO, a terminal or another device
// is written straight into, never replaced. A symbolic link is never replaced: the regular file
// it leads to is, in that file's folder, and anything else is written through the link. A
// regular file the user may not write is refused. On a terminal, control characters are shown
// escaped (TAB, LF and CR LF stay as they are).
// While a FIFO waits for its reader, or a stream for room, `wait` is called every 100 ms or so;
// a Failure it throws gives up the opening (Open() false) or the writing (a failed write).
class OutputFile {
public:
    explicit OutputFile(QString path, Yield wait = {});
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // False with ErrorString() when the target cannot be written.
    bool Open();
    // The device to write to; a closed one before a successful Open().
    QIODevice& Device();
    // Makes the written bytes the target's content; false with ErrorString() when that failed.
    bool Commit();
    // The system's description of the last failure (without the path).
    QString ErrorString() const { return m_error; }
    // True when the target is written straight into (standard output or a special file).
    bool IsStream() const { return m_plain != nullptr; }

    static bool IsStandardOutput(const QString& path) { return path == QStringLiteral("-"); }

private:
    // Writes beside path and replaces it once complete.
    bool OpenReplacing(const QString& path);
    // Writes straight into the file, with the open flags added.
    bool OpenStream(const QByteArray& native, int flags);

    QString m_path;
    std::unique_ptr<QSaveFile> m_save;
    std::unique_ptr<QIODevice> m_plain;
    QFile m_unopened;
    Yield m_wait;
    QString m_error;
};
