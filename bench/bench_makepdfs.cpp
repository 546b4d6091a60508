// Writes a folder of text PDFs for the conversion and counting benchmarks.
//
//     bench_makepdfs FOLDER [COUNT=200] [PAGES=3] [LINES_PER_PAGE=40] [--distinct N] [--seed S]
//
// The PDFs are written by hand with the standard fonts (Helvetica, Times, Courier, Helvetica
// Bold, a different one on each page, no embedded fonts, compressed page content), so this
// needs nothing beyond QtCore. The words come from a realistic vocabulary of N distinct words
// (default 200,000) in natural frequencies (bench/RealisticText.h), one stream of sentences per
// file; the same arguments give the same files on every run.

#include "RealisticText.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>

#include <cstdio>

namespace {

struct Font {
    const char* name;
    int size;
};
const Font kFonts[] = {{"Helvetica", 10}, {"Times-Roman", 11}, {"Courier", 9}, {"Helvetica-Bold", 10}};
constexpr int kFontCount = sizeof(kFonts) / sizeof(kFonts[0]);

// The lines of a file's text, as the standard fonts' WinAnsi encoding has them (Latin-1 for the
// accented letters of the vocabulary).
QList<QByteArray> TextLines(const std::vector<std::string>& vocabulary, int count, quint64 seed) {
    QList<QByteArray> lines;
    const std::string text = bench::RealisticText(static_cast<size_t>(count) * 60, vocabulary, seed);
    for (const QByteArray& line : QByteArray::fromStdString(text).split('\n')) {
        if (line != "\f") {
            lines << QString::fromUtf8(line).toLatin1();
        }
        if (lines.size() == count) {
            break;
        }
    }
    while (lines.size() < count) {
        lines << QByteArray();
    }
    return lines;
}

QByteArray PageContent(const QList<QByteArray>& lines, int font) {
    const QByteArray size = QByteArray::number(kFonts[font].size);
    QByteArray content = "BT /F" + QByteArray::number(font + 1) + ' ' + size + " Tf " +
                         QByteArray::number(kFonts[font].size + 3) + " TL 56 790 Td\n";
    for (const QByteArray& line : lines) {
        content += line.isEmpty() ? QByteArray("T*\n") : '(' + line + ") Tj T*\n";
    }
    content += "ET\n";
    return content;
}

QByteArray MakePdf(int pages, int lines, const std::vector<std::string>& vocabulary, quint64 seed) {
    const QList<QByteArray> text = TextLines(vocabulary, pages * lines, seed);
    QList<QByteArray> objects;
    // 1 catalog, 2 page tree, 3 to 6 fonts, then per page: page object and its content stream.
    objects << "<< /Type /Catalog /Pages 2 0 R >>";
    QByteArray kids;
    for (int p = 0; p < pages; ++p) {
        kids += QByteArray::number(3 + kFontCount + 2 * p) + " 0 R ";
    }
    objects << "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages) + " >>";
    QByteArray fonts;
    for (int f = 0; f < kFontCount; ++f) {
        objects << QByteArray("<< /Type /Font /Subtype /Type1 /BaseFont /") + kFonts[f].name +
                       " /Encoding /WinAnsiEncoding >>";
        fonts += "/F" + QByteArray::number(f + 1) + ' ' + QByteArray::number(3 + f) + " 0 R ";
    }
    for (int p = 0; p < pages; ++p) {
        // Compressed like the content of most real PDFs (zlib stream: qCompress without its
        // four-byte length prefix), so the words are not readable in the raw file.
        const QByteArray content =
            qCompress(PageContent(text.mid(static_cast<qsizetype>(p) * lines, lines), p % kFontCount)).mid(4);
        objects << "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents " +
                       QByteArray::number(4 + kFontCount + 2 * p) + " 0 R /Resources << /Font << " + fonts + ">> >> >>";
        objects << "<< /Length " + QByteArray::number(content.size()) + " /Filter /FlateDecode >>\nstream\n" + content +
                       "\nendstream";
    }
    QByteArray out = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets << out.size();
        out += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = out.size();
    out += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets) {
        out += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    }
    out += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int distinct = 200000;
    quint64 seed = 1;
    for (qsizetype i = 0; i + 1 < args.size();) {
        if (args[i] == QStringLiteral("--distinct") || args[i] == QStringLiteral("--seed")) {
            if (args[i] == QStringLiteral("--distinct")) {
                distinct = args[i + 1].toInt();
            } else {
                seed = args[i + 1].toULongLong();
            }
            args.remove(i, 2);
        } else {
            ++i;
        }
    }
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: bench_makepdfs FOLDER [COUNT=200] [PAGES=3] [LINES_PER_PAGE=40] [--distinct N] "
                             "[--seed S]\n");
        return 2;
    }
    const QString folder = args[0];
    const int count = args.size() > 1 ? args[1].toInt() : 200;
    const int pages = args.size() > 2 ? args[2].toInt() : 3;
    const int lines = args.size() > 3 ? args[3].toInt() : 40;
    if (count < 1 || pages < 1 || lines < 1 || distinct < 1 || !QDir().mkpath(folder)) {
        std::fprintf(stderr, "bench_makepdfs: bad arguments or folder\n");
        return 2;
    }
    const std::vector<std::string> vocabulary = bench::Vocabulary(distinct);
    for (int i = 1; i <= count; ++i) {
        const QString path = folder + QStringLiteral("/doc-%1.pdf").arg(i, 4, 10, QLatin1Char('0'));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(MakePdf(pages, lines, vocabulary, seed * 100003 + static_cast<quint64>(i))) < 0) {
            std::fprintf(stderr, "bench_makepdfs: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    std::printf("%d PDFs of %d pages in %s\n", count, pages, qPrintable(folder));
    return 0;
}
