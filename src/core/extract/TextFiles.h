#pragma once

#include "core/extract/Unreadable.h"

#include <QByteArrayView>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstring>
#include <functional>
#include <optional>

#include "core/base/Ui.h"

// Converted texts, the line reader and the character counts. Texts are UTF-8; a character is
// one code point, and every byte that is not part of a well-formed sequence is one character
// (U+FFFD), as QString::fromUtf8 decodes it. Line ends are LF, CR LF and a lone CR.

// The folder that holds the converted texts: the work folder (the temporary folder when "") +
// "/text". Created when missing; throws Failure when it cannot be.
QString TextFolder(const QString& workFolder = {});

// The name every converted text of a PDF is known by: SHA-1 (hex) of the PDF's canonical path
// (its clean absolute path when the file does not exist). Two spellings of the same file share
// one name. The run's texts and the kept conversions are named by it.
QString TextKey(const QString& pdfPath);

// Where the text of a PDF lives: TextFolder(workFolder) + "/" + TextKey(pdfPath) + ".txt". A
// text never lies next to the user's PDF.
QString TextFileOf(const QString& pdfPath, const QString& workFolder = {});

// The label of a file's result rows in per-file mode: its path without the extension + ".pdf".
QString FileLabel(const QString& pdfPath);

// One listed file as extraction hands it to counting.
struct ConvertedText {
    QString source; // the file as listed
    QString label;  // its result rows' label in per-file mode
    QString text;   // where its converted text lies; missing when it gave none
    QString reason; // why it was found unreadable ("" when it was not); its text may be counted all the same
    UnreadableKind kind = UnreadableKind::Other; // the reason's kind
};

// The listed files in order with their texts in the work folder ("" = the temporary folder) and
// their labels (row i: labels[i], or FileLabel of its path when there are fewer labels).
QList<ConvertedText> ConvertedTexts(const QStringList& sources, const QStringList& labels = {},
                                    const QString& workFolder = {});

// The bytes of a file, mapped into memory where possible. Throws Failure with the file
// system's description when the file cannot be opened.
class FileBytes {
public:
    explicit FileBytes(const QString& path);
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    QByteArrayView View() const { return m_view; }

private:
    QFile m_file;
    QByteArray m_copy;
    QByteArrayView m_view;
};

struct CharCounts {
    qint64 withSpaces = 0;
    qint64 withoutSpaces = 0; // only U+0020 is left out
};

// The characters of a text; line ends (CR, LF) are never counted.
CharCounts CountCharacters(QByteArrayView text);

// The character (code point) that begins at p (p < end), and p moved past it: a byte that begins
// no well-formed sequence is U+FFFD on its own.
char32_t NextCharacter(const unsigned char*& p, const unsigned char* end);

// Calls onLine(QByteArrayView line) for every line, without its line end, until it returns
// false. A line end at the very end opens no further line; an empty text is one empty line.
// Returns false when onLine stopped the walk.
template <typename OnLine> bool ForEachLine(QByteArrayView text, OnLine&& onLine) {
    const char* p = text.data();
    const char* const end = p + text.size();
    if (p == end) {
        return onLine(QByteArrayView());
    }
    // The next LF and CR at or after p; each is searched for again only once p has passed it,
    // so every byte is looked at a bounded number of times whatever the line ends are.
    const auto next = [end](const char* from, char c) {
        const void* found = std::memchr(from, c, static_cast<size_t>(end - from));
        return found ? static_cast<const char*>(found) : end;
    };
    const char* lf = next(p, '\n');
    const char* cr = next(p, '\r');
    while (p < end) {
        if (lf < p) {
            lf = next(p, '\n');
        }
        if (cr < p) {
            cr = next(p, '\r');
        }
        const char* stop = lf < cr ? lf : cr;
        const QByteArrayView line(p, stop - p);
        if (stop == end) {
            p = end;
        } else if (*stop == '\r' && stop + 1 < end && stop[1] == '\n') {
            p = stop + 2;
        } else {
            p = stop + 1;
        }
        if (!onLine(line)) {
            return false;
        }
    }
    return true;
}

// The number of lines that ForEachLine delivers (at least 1).
qint64 CountLines(QByteArrayView text);

// The lines of a text file, decoded (an empty file gives one empty line). Throws Failure when
// the file cannot be read; carries no error report of its own.
QStringList ReadLinesFSO(const QString& path);

// Appends every line of source to target (created when missing), each followed by CR LF.
// An empty source adds nothing. Failures show the error report (AppendFileFSO) through ui.
void AppendFileFSO(const QString& target, const QString& source, Ui* ui);

// AppendFileFSO for a text read by the caller: read gives its bytes when the source is read
// (throws Failure when it cannot be).
void AppendTextFSO(const QString& target, const std::function<QByteArrayView()>& read, Ui* ui);

// A text file read at most once, on its first use, however many times it is asked for.
class TextRead {
public:
    explicit TextRead(QString path) : m_path(std::move(path)) {}
    // Its bytes; throws Failure with the file system's description (each time) when it cannot
    // be read.
    QByteArrayView View();
    // The bytes are not needed any more: the file may be deleted.
    void Release() { m_bytes.reset(); }

private:
    QString m_path;
    bool m_tried = false;
    std::optional<FileBytes> m_bytes;
    QString m_failure;
};

// The characters of a text as CharCountFSO counts them with and without the blanks, from one
// read; a text that cannot be read shows CharCountFSO's error report once per count and gives 0.
CharCounts CharCountsFSO(TextRead& text, Ui* ui);

// The characters of a text file, with or without the blanks. Failures show the error report
// (CharCountFSO) through ui; the count so far (0 when the file cannot be read) is returned.
qint64 CharCountFSO(const QString& path, bool withoutSpaces, Ui* ui);
