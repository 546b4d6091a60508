// Writes the PDFs of the test fixtures with QPdfWriter. A program of its own so that the
// tests of the widget-free core never link Qt Gui themselves.
//
//     lexitally-test-pdf text OUT FONT POINTS PAGE...
//     lexitally-test-pdf image OUT
//     lexitally-test-pdf scan OUT PAGE...     (a PAGE "text:..." is written as text)

#include <QBuffer>
#include <QFile>
#include <QFont>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSet>
#include <QTextLayout>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

const QString kSansFont = QStringLiteral("DejaVu Sans");

// An A4 PDF at the resolution, its pages drawn by draw.
QByteArray PdfBytes(int resolution, const std::function<void(QPdfWriter&)>& draw) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(resolution);
        draw(writer);
    }
    return bytes;
}

QByteArray TextPdfBytes(const QStringList& pages, const QString& fontFamily, int pointSize) {
    return PdfBytes(300, [&](QPdfWriter& writer) {
        writer.setTitle(QStringLiteral("Fixture"));
        QPainter painter(&writer);
        QFont font(fontFamily);
        font.setPointSize(pointSize);
        painter.setFont(font);
        const QRect area(0, 0, writer.width(), writer.height());
        for (qsizetype i = 0; i < pages.size(); ++i) {
            if (i > 0) {
                writer.newPage();
            }
            painter.drawText(area, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, pages[i]);
        }
        painter.end();
    });
}

QByteArray ImagePdfBytes() {
    return PdfBytes(150, [](QPdfWriter& writer) {
        // A "scanned" page: words rasterised into pixels, a frame and a stripe.
        QImage image(800, 300, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter imagePainter(&image);
            QFont font(kSansFont);
            font.setPixelSize(48);
            imagePainter.setFont(font);
            imagePainter.setPen(Qt::black);
            imagePainter.drawText(QRect(20, 20, 760, 200), Qt::AlignLeft | Qt::AlignTop,
                                  QStringLiteral("Scanned words only"));
            imagePainter.drawRect(5, 5, 789, 289);
            imagePainter.fillRect(20, 240, 500, 20, Qt::darkGray);
        }
        QPainter painter(&writer);
        painter.drawImage(QRect(0, 0, 800, 300), image);
        painter.end();
    });
}

// Scanned pages: each page's lines printed into a picture of the whole page (A4 at 150 dpi, a
// 40-pixel sans face), so that the file holds no text, only the picture of it. A page given as
// "text:..." is written as text instead, as a page of a text document is.
QByteArray ScanPdfBytes(const QStringList& pages) {
    return PdfBytes(150, [&](QPdfWriter& writer) {
        QPainter painter(&writer);
        const QRect page(0, 0, writer.width(), writer.height());
        for (qsizetype i = 0; i < pages.size(); ++i) {
            if (i > 0) {
                writer.newPage();
            }
            if (pages[i].startsWith(QStringLiteral("text:"))) {
                QFont font(kSansFont);
                font.setPointSize(12);
                painter.setFont(font);
                painter.drawText(page.adjusted(60, 75, -60, -75), Qt::AlignLeft | Qt::AlignTop, pages[i].mid(5));
                continue;
            }
            QImage image(page.size(), QImage::Format_Grayscale8);
            image.fill(Qt::white);
            {
                QPainter imagePainter(&image);
                QFont font(kSansFont);
                font.setPixelSize(40);
                imagePainter.setFont(font);
                imagePainter.setPen(Qt::black);
                imagePainter.drawText(page.adjusted(120, 150, -120, -150), Qt::AlignLeft | Qt::AlignTop, pages[i]);
            }
            painter.drawImage(page, image);
        }
        painter.end();
    });
}

// True when a font of this machine (the given one or one that Qt falls back on) has a glyph
// for the character. Without one, QPdfWriter leaves the character out of the file.
bool Drawable(char32_t character, const QFont& font) {
    QTextLayout layout(QString::fromUcs4(&character, 1), font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    return !runs.isEmpty() &&
           std::all_of(runs.begin(), runs.end(), [](const QGlyphRun& run) { return !run.glyphIndexes().contains(0); });
}

// The characters of the pages that no font of this machine draws ("U+FF41 ａ"), each once.
QStringList MissingGlyphs(const QStringList& pages, const QFont& font) {
    QSet<char32_t> seen;
    QStringList missing;
    for (const QString& page : pages) {
        for (const char32_t c : page.toUcs4()) {
            const QChar::Category category = QChar::category(c);
            if (QChar::isSpace(c) || category == QChar::Other_Control || category == QChar::Other_Format ||
                seen.contains(c)) {
                continue;
            }
            seen.insert(c);
            if (!Drawable(c, font)) {
                missing << QStringLiteral("U+%1 %2")
                               .arg(static_cast<uint>(c), 4, 16, QLatin1Char('0'))
                               .toUpper()
                               .arg(QString::fromUcs4(&c, 1));
            }
        }
    }
    return missing;
}

// Refuses pages holding a character no font draws: the file would hold another text than the
// test means. Says which characters on standard error.
bool AllDrawable(const QStringList& pages, const QString& fontFamily) {
    const QStringList missing = MissingGlyphs(pages, QFont(fontFamily));
    if (missing.isEmpty()) {
        return true;
    }
    std::fprintf(stderr,
                 "lexitally-test-pdf: no font of this machine has a glyph for %s (scripts/install-deps.sh "
                 "installs the fonts the tests need)\n",
                 qPrintable(missing.join(QStringLiteral(", "))));
    return false;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QByteArray bytes;
    if (args.size() >= 4 && args[0] == QStringLiteral("text")) {
        if (!AllDrawable(args.mid(4), args[2])) {
            return 1;
        }
        bytes = TextPdfBytes(args.mid(4), args[2], args[3].toInt());
    } else if (args.size() == 2 && args[0] == QStringLiteral("image")) {
        bytes = ImagePdfBytes();
    } else if (args.size() >= 3 && args[0] == QStringLiteral("scan")) {
        if (!AllDrawable(args.mid(2), kSansFont)) {
            return 1;
        }
        bytes = ScanPdfBytes(args.mid(2));
    } else {
        std::fputs("usage: lexitally-test-pdf text OUT FONT POINTS PAGE... | image OUT | scan OUT PAGE...\n", stderr);
        return 2;
    }
    QFile file(args[1]);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fputs("lexitally-test-pdf: cannot write the file\n", stderr);
        return 1;
    }
    return 0;
}
