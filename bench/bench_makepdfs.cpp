// Writes a folder of small text PDFs for the conversion benchmarks.
//
//     bench_makepdfs FOLDER [COUNT=200] [PAGES=3] [LINES_PER_PAGE=40]
//
// The PDFs are written by hand (standard Helvetica font, no embedded fonts, compressed page
// content), so this needs nothing beyond QtCore. The words are pseudo-random but the same on every run.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QList>

#include <cstdio>

namespace {

const char* const kWords[] = {
    "the",     "of",     "and",    "measure", "text",     "word",     "line",    "count",   "river",  "stone",
    "letter",  "window", "garden", "harbour", "morning",  "evening",  "quiet",   "bright",  "paper",  "number",
    "report",  "office", "flow",   "fine",    "affluent", "question", "answer",  "between", "within", "beyond",
    "village", "market", "winter", "summer",  "station",  "journey",  "chapter", "history", "people", "silver",
};
constexpr int kWordCount = sizeof(kWords) / sizeof(kWords[0]);

// A small deterministic generator (linear congruential), so runs are comparable.
class Words {
public:
    explicit Words(quint32 seed) : m_state(seed) {}
    const char* Next() {
        m_state = m_state * 1664525u + 1013904223u;
        return kWords[(m_state >> 16) % kWordCount];
    }

private:
    quint32 m_state;
};

QByteArray PageContent(Words& words, int lines) {
    QByteArray content = "BT /F1 10 Tf 12 TL 56 790 Td\n";
    for (int line = 0; line < lines; ++line) {
        QByteArray text;
        for (int w = 0; w < 11; ++w) {
            if (w > 0) {
                text += ' ';
            }
            text += words.Next();
        }
        content += '(' + text + ") Tj T*\n";
    }
    content += "ET\n";
    return content;
}

QByteArray MakePdf(int pages, int lines, quint32 seed) {
    Words words(seed);
    QList<QByteArray> objects;
    // 1 catalog, 2 page tree, 3 font, then per page: page object and its content stream.
    objects << "<< /Type /Catalog /Pages 2 0 R >>";
    QByteArray kids;
    for (int p = 0; p < pages; ++p) {
        kids += QByteArray::number(4 + 2 * p) + " 0 R ";
    }
    objects << "<< /Type /Pages /Kids [" + kids + "] /Count " + QByteArray::number(pages) + " >>";
    objects << "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>";
    for (int p = 0; p < pages; ++p) {
        // Compressed like the content of most real PDFs (zlib stream: qCompress without its
        // four-byte length prefix), so the words are not readable in the raw file.
        const QByteArray content = qCompress(PageContent(words, lines)).mid(4);
        objects << "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents " + QByteArray::number(5 + 2 * p) +
                       " 0 R /Resources << /Font << /F1 3 0 R >> >> >>";
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
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_makepdfs FOLDER [COUNT=200] [PAGES=3] [LINES_PER_PAGE=40]\n");
        return 2;
    }
    const QString folder = args[1];
    const int count = args.size() > 2 ? args[2].toInt() : 200;
    const int pages = args.size() > 3 ? args[3].toInt() : 3;
    const int lines = args.size() > 4 ? args[4].toInt() : 40;
    if (count < 1 || pages < 1 || lines < 1 || !QDir().mkpath(folder)) {
        std::fprintf(stderr, "bench_makepdfs: bad arguments or folder\n");
        return 2;
    }
    for (int i = 1; i <= count; ++i) {
        const QString path = folder + QStringLiteral("/doc-%1.pdf").arg(i, 4, 10, QLatin1Char('0'));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(MakePdf(pages, lines, static_cast<quint32>(i))) < 0) {
            std::fprintf(stderr, "bench_makepdfs: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    std::printf("%d PDFs of %d pages in %s\n", count, pages, qPrintable(folder));
    return 0;
}
