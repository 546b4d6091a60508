#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// PDF files made by the tests themselves: text documents written with QPdfWriter, an
// image-only page, encrypted copies made with qpdf, and damaged files. Every function creates
// the folders it needs and returns the path it wrote ("" when it could not write it, or when a
// character of its text has a glyph in no font of the machine: it would be missing from the file).

// Font families for MakeTextPdf. The serif face forms "fi"/"ffl" ligatures when shaping.
inline const QString kSerifFont = QStringLiteral("DejaVu Serif");
inline const QString kSansFont = QStringLiteral("DejaVu Sans");

// One page per entry; a page's text may hold "\n" for further lines, long lines are wrapped.
QString MakeTextPdf(const QString& path, const QStringList& pages, const QString& fontFamily = kSerifFont,
                    int pointSize = 12);

// A page that holds only a picture (a few words rasterised into an image): no text at all.
QString MakeImagePdf(const QString& path);

// Scanned pages: one page per entry, its lines ("\n") printed large and clear into a picture of
// the whole page. The file has no text layer: only OCR reads its words. A page given as
// "text:..." is written as text (a scanned page among text pages).
QString MakeScannedPdf(const QString& path, const QStringList& pages);

// Encrypts `in` into `out` with AES-256: qpdf --encrypt USER OWNER 256 -- in out. An empty user
// password gives a file that opens without a password but carries an owner password.
// True when qpdf produced the file.
bool EncryptPdf(const QString& in, const QString& out, const QString& userPassword, const QString& ownerPassword);

// A text PDF cut after its first `keepBytes` bytes.
QString MakeTruncatedPdf(const QString& path, int keepBytes = 300);

// A word-processor-like zip archive ([Content_Types].xml, word/document.xml) saved under a
// .pdf name.
QString MakeZipAsPdf(const QString& path);

// A minimal zip archive (stored entries, no compression) of the given names and contents.
QByteArray ZipArchive(const QList<QPair<QString, QByteArray>>& entries);

// A file name with blanks, quote characters and non-ASCII letters.
QString OddPdfName();

// Places the converter at ConverterPath() the way start-up does (a link to pdftotext), so that
// the analysis code finds it in the temporary folder of the current environment.
bool EnsureConverterPlaced();

// What pdftotext prints for the PDF (UTF-8, to standard output); "" on failure. For checking
// fixtures, independent of the program's own conversion code.
QString PdftotextText(const QString& pdf, const QStringList& extraArguments = {});

// Every file below the folder (relative paths, sorted) with its size and modification time,
// to prove that nothing in a folder was written, added or removed.
QStringList FolderSnapshot(const QString& folder);
