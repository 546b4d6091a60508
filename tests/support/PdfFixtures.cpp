#include "support/PdfFixtures.h"

#include "core/base/Places.h"
#include "core/base/System.h"
#include "support/TestEnv.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtEndian>

#include <array>

namespace {

bool PrepareFolder(const QString& path) {
    return QDir().mkpath(QFileInfo(path).absolutePath());
}

// Runs the fixture writer (a program of its own, see MakeTestPdf.cpp); what it says about a
// failure goes to the test's own standard error.
bool RunPdfMaker(const QStringList& arguments) {
    QProcess maker;
    maker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    maker.start(TestBinDir() + QStringLiteral("/lexitally-test-pdf"), arguments);
    return maker.waitForFinished(60000) && maker.exitStatus() == QProcess::NormalExit && maker.exitCode() == 0;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    if (!PrepareFolder(path)) {
        return false;
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

quint32 Crc32(const QByteArray& data) {
    static const std::array<quint32, 256> table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : data) {
        crc = table[(crc ^ static_cast<unsigned char>(byte)) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

void Put16(QByteArray& out, quint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void Put32(QByteArray& out, quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

} // namespace

QString MakeTextPdf(const QString& path, const QStringList& pages, const QString& fontFamily, int pointSize) {
    if (!PrepareFolder(path)) {
        return {};
    }
    const QStringList arguments =
        QStringList{QStringLiteral("text"), path, fontFamily, QString::number(pointSize)} + pages;
    return RunPdfMaker(arguments) ? path : QString();
}

QString MakeImagePdf(const QString& path) {
    return PrepareFolder(path) && RunPdfMaker({QStringLiteral("image"), path}) ? path : QString();
}

QString MakeScannedPdf(const QString& path, const QStringList& pages) {
    return PrepareFolder(path) && RunPdfMaker(QStringList{QStringLiteral("scan"), path} + pages) ? path : QString();
}

bool EncryptPdf(const QString& in, const QString& out, const QString& userPassword, const QString& ownerPassword) {
    if (!PrepareFolder(out)) {
        return false;
    }
    QFile::remove(out);
    QProcess qpdf;
    qpdf.start(QStringLiteral("qpdf"), {QStringLiteral("--encrypt"), userPassword, ownerPassword, QStringLiteral("256"),
                                        QStringLiteral("--"), in, out});
    if (!qpdf.waitForFinished(60000) || qpdf.exitStatus() != QProcess::NormalExit) {
        return false;
    }
    // qpdf exits with 3 when it only warned.
    return (qpdf.exitCode() == 0 || qpdf.exitCode() == 3) && QFileInfo(out).isFile();
}

QString MakeTruncatedPdf(const QString& path, int keepBytes) {
    if (MakeTextPdf(path, {QStringLiteral("This document was cut short in transfer.")}).isEmpty()) {
        return {};
    }
    return WriteFile(path, ReadAll(path).left(keepBytes)) ? path : QString();
}

QByteArray ZipArchive(const QList<QPair<QString, QByteArray>>& entries) {
    QByteArray out;
    QByteArray central;
    for (const auto& [name, data] : entries) {
        const QByteArray fileName = name.toUtf8();
        const quint32 crc = Crc32(data);
        const auto offset = static_cast<quint32>(out.size());
        // Local file header.
        Put32(out, 0x04034b50);
        Put16(out, 20);     // version needed
        Put16(out, 0x0800); // UTF-8 names
        Put16(out, 0);      // stored
        Put16(out, 0);      // time
        Put16(out, 0x21);   // date 1980-01-01
        Put32(out, crc);
        Put32(out, static_cast<quint32>(data.size()));
        Put32(out, static_cast<quint32>(data.size()));
        Put16(out, static_cast<quint16>(fileName.size()));
        Put16(out, 0);
        out += fileName;
        out += data;
        // Central directory entry.
        Put32(central, 0x02014b50);
        Put16(central, 20);
        Put16(central, 20);
        Put16(central, 0x0800);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0x21);
        Put32(central, crc);
        Put32(central, static_cast<quint32>(data.size()));
        Put32(central, static_cast<quint32>(data.size()));
        Put16(central, static_cast<quint16>(fileName.size()));
        Put16(central, 0); // extra
        Put16(central, 0); // comment
        Put16(central, 0); // disk
        Put16(central, 0); // internal attributes
        Put32(central, 0); // external attributes
        Put32(central, offset);
        central += fileName;
    }
    const auto centralOffset = static_cast<quint32>(out.size());
    out += central;
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<quint16>(entries.size()));
    Put16(out, static_cast<quint16>(entries.size()));
    Put32(out, static_cast<quint32>(central.size()));
    Put32(out, centralOffset);
    Put16(out, 0);
    return out;
}

QString MakeZipAsPdf(const QString& path) {
    const QByteArray types = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                             "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                             "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>";
    const QByteArray document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                                "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
                                "<w:body><w:p><w:r><w:t>Not a PDF at all</w:t></w:r></w:p></w:body></w:document>";
    const QByteArray zip =
        ZipArchive({{QStringLiteral("[Content_Types].xml"), types}, {QStringLiteral("word/document.xml"), document}});
    return WriteFile(path, zip) ? path : QString();
}

QString OddPdfName() {
    return QStringLiteral("Ann's \"Q3\" Résumé – naïve Œuvre.pdf");
}

bool EnsureConverterPlaced() {
    try {
        PlaceConverter(ConverterSource(ProcessorAddressWidth()), ConverterPath());
    } catch (...) {
        return false;
    }
    return QFileInfo(ConverterPath()).isExecutable();
}

QString PdftotextText(const QString& pdf, const QStringList& extraArguments) {
    QProcess converter;
    converter.start(QStringLiteral("pdftotext"), QStringList{QStringLiteral("-enc"), QStringLiteral("UTF-8")} +
                                                     extraArguments + QStringList{pdf, QStringLiteral("-")});
    if (!converter.waitForFinished(60000) || converter.exitStatus() != QProcess::NormalExit ||
        converter.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(converter.readAllStandardOutput());
}

QStringList FolderSnapshot(const QString& folder) {
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    const QDir base(folder);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        QString entry = base.relativeFilePath(info.filePath());
        if (info.isFile()) {
            QFile file(info.filePath());
            QByteArray digest;
            if (file.open(QIODevice::ReadOnly)) {
                digest = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex();
            }
            entry += u' ' + QString::number(info.size()) + u' ' + QString::fromLatin1(digest) + u' ' +
                     QString::number(info.lastModified().toMSecsSinceEpoch());
        } else {
            entry += QStringLiteral(" <dir>");
        }
        entries << entry;
    }
    entries.sort();
    return entries;
}
