#include "core/export/DispersionSvg.h"

#include "core/base/Paths.h"
#include "core/extract/TextFiles.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace {

// The plot's geometry, in pixels.
constexpr int kTitleHeight = 40;
constexpr int kStripHeight = 22;
constexpr int kStripGap = 8;
constexpr int kNameWidth = 200;
constexpr int kFiguresWidth = 150;
constexpr int kMargin = 10;

QByteArray Escaped(const QString& text) {
    return text.toHtmlEscaped().replace(u'\'', QStringLiteral("&#39;")).toUtf8();
}

QByteArray Number(double value) {
    return QByteArray::number(value, 'f', 1);
}

// A name that fits beside the strip: its file name, shortened in the middle when long.
QString ShortName(const QString& label) {
    const QString name = QFileInfo(ShownFileName(label)).fileName();
    constexpr qsizetype kMost = 30;
    return name.size() <= kMost ? name : name.left(kMost / 2 - 1) + QChar(0x2026) + name.right(kMost / 2 - 1);
}

} // namespace

QByteArray DispersionSvg(const Dispersion& dispersion, const QList<ConvertedText>& texts, const QString& word,
                         int width) {
    width = std::max(width, kNameWidth + kFiguresWidth + 2 * kMargin + 100);
    const double stripLeft = kMargin + kNameWidth;
    const double stripWidth = width - stripLeft - kFiguresWidth - kMargin;
    const auto files = static_cast<int>(dispersion.files.size());
    const int height = kTitleHeight + files * (kStripHeight + kStripGap) + kMargin;
    QByteArray svg;
    svg += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
           QByteArray::number(width) + "\" height=\"" + QByteArray::number(height) + "\" viewBox=\"0 0 " +
           QByteArray::number(width) + ' ' + QByteArray::number(height) +
           "\" font-family=\"sans-serif\" font-size=\"12\">\n"
           "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
    svg += "<text x=\"" + QByteArray::number(kMargin) + "\" y=\"24\" font-size=\"15\" font-weight=\"bold\">" +
           Escaped(word) + " \xe2\x80\x94 " + QByteArray::number(dispersion.hits) + " hits in " +
           QByteArray::number(files) + (files == 1 ? " file" : " files") + "</text>\n";
    for (int f = 0; f < files; ++f) {
        const FileDispersion& file = dispersion.files[f];
        const double top = kTitleHeight + f * (kStripHeight + kStripGap);
        const double middle = top + kStripHeight / 2.0 + 4;
        const QString label = texts.value(file.file).label;
        svg += "<g>\n<title>" + Escaped(ShownFileName(label)) + "</title>\n";
        svg += "<text x=\"" + QByteArray::number(kMargin) + "\" y=\"" + Number(middle) + "\">" +
               Escaped(ShortName(label)) + "</text>\n";
        svg += "<rect x=\"" + Number(stripLeft) + "\" y=\"" + Number(top) + "\" width=\"" + Number(stripWidth) +
               "\" height=\"" + QByteArray::number(kStripHeight) + "\" fill=\"#f4f4f4\" stroke=\"#999999\"/>\n";
        // Page starts as light ticks, then the hits; several in one pixel are drawn once.
        QByteArray ticks;
        for (int page = 2; page <= file.Pages(); ++page) {
            const double x = stripLeft + file.PagePosition(page) * stripWidth;
            ticks += "M" + Number(x) + ' ' + Number(top) + "v" + QByteArray::number(kStripHeight / 4);
        }
        if (!ticks.isEmpty()) {
            svg += "<path d=\"" + ticks + "\" stroke=\"#c8c8c8\" stroke-width=\"1\"/>\n";
        }
        QByteArray marks;
        double lastX = -1;
        for (const DispersionHit& hit : file.hits) {
            const double x = std::round((stripLeft + file.Position(hit) * stripWidth) * 10.0) / 10.0;
            if (x != lastX) {
                marks += "M" + Number(x) + ' ' + Number(top + 2) + "v" + QByteArray::number(kStripHeight - 4);
                lastX = x;
            }
        }
        if (!marks.isEmpty()) {
            svg += "<path d=\"" + marks + "\" stroke=\"#1f5fbf\" stroke-width=\"1\"/>\n";
        }
        svg += "<text x=\"" + Number(stripLeft + stripWidth + 8) + "\" y=\"" + Number(middle) + "\">" +
               QByteArray::number(file.hits.size()) + " (" + QByteArray::number(file.PerThousand(), 'f', 2) +
               " per 1,000)</text>\n</g>\n";
    }
    svg += "</svg>\n";
    return svg;
}
