#pragma once

#include "core/extract/ConverterEnd.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

class QProcess;

// Writes a text into a file of the work folder, every write checked. A converter's own writes go
// unchecked (it ends with status 0 after a write that failed for want of room), so the texts of
// the converters and of OCR are written here, where every failed write is seen.
class TextFileWriter {
public:
    // Creates the file anew: what had its name (a file, another name of a file, a symbolic link)
    // is removed first, never written through.
    explicit TextFileWriter(const QString& path);
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Appends the bytes; false once a write has failed.
    bool Write(QByteArrayView bytes);
    // Writes what the process has given so far on its standard output; false once a write has
    // failed.
    bool Drain(QProcess& process);

    // Keeps only the first `pages` pages of what Drain writes (each page ends with a form feed);
    // what comes after the last of them is read and dropped.
    void KeepPages(qint64 pages) { m_pageLimit = pages; }
    // The pages Drain has written so far, and whether the pages to keep are all written.
    qint64 Pages() const { return m_pages; }
    bool Complete() const { return m_pageLimit > 0 && m_pages >= m_pageLimit; }

    // After the program has ended: the rest of its output, then the file closed and its size
    // compared with what was written. Nothing when the whole text is in the file, else the
    // failure (the file is then removed). A program that failed without giving any text leaves
    // no file, as a converter that writes its file itself would.
    std::optional<ConverterEnd> Finish(QProcess& process);
    // The same for a text written with Write alone.
    std::optional<ConverterEnd> Finish();

private:
    std::optional<ConverterEnd> Close(bool clean);
    void Fail(int error);
    // Counts the page ends in the chunk, cutting it after the last page to keep.
    void CountPages(QByteArray& chunk);

    QString m_path;
    int m_fd = -1;
    qint64 m_written = 0;
    qint64 m_pages = 0;
    qint64 m_pageLimit = 0; // 0: every page
    std::optional<ConverterEnd> m_failure;
};
