#include "gui/DispersionView.h"

#include "core/base/ErrorReport.h"
#include "core/base/Texts.h"
#include "core/corpus/Concordance.h"
#include "core/export/DispersionSvg.h"
#include "core/export/Export.h"
#include "core/extract/TextFiles.h"
#include "gui/CorpusViews.h"
#include "gui/GuiHelpers.h"
#include "gui/SaveDialog.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kPngFilter = QStringLiteral("PNG Images (*.png)|*.png|");
const QString kSvgFilter = QStringLiteral("SVG Images (*.svg)|*.svg|");
constexpr int kMargin = 8;     // around the names and the counts
constexpr int kStripInset = 5; // between a strip and the edges of its row
constexpr int kReach = 3;      // how far from a mark the pointer still finds it
constexpr int kContext = 40;   // characters of text on either side of a hit in its tooltip
const QColor kMarkColor(24, 72, 168);
const QColor kPageColor(205, 205, 205);

// A file's name on the left of its strip (its whole label in the name's tooltip).
QString NameOf(const ConvertedText& text) {
    const QString name = QFileInfo(text.label).fileName();
    return name.isEmpty() ? text.label : name;
}

QString CountText(const FileDispersion& file) {
    return Plural(file.hits.size(), QStringLiteral("hit"), QStringLiteral("hits")) + QStringLiteral(", ") +
           QString::number(file.PerThousand(), 'f', 2) + QStringLiteral(" per 1,000");
}

// The words around a hit, without the word cut at either end.
QString Around(const QString& left, const QString& word, const QString& right) {
    QString before = left;
    if (before.size() >= kContext && before.indexOf(u' ') >= 0) {
        before = before.mid(before.indexOf(u' ') + 1);
    }
    QString after = right;
    if (after.size() >= kContext && after.lastIndexOf(u' ') >= 0) {
        after.truncate(after.lastIndexOf(u' '));
    }
    return before.simplified().toHtmlEscaped() + (left.endsWith(u' ') ? QStringLiteral(" ") : QString()) +
           QStringLiteral("<b>") + word.toHtmlEscaped() + QStringLiteral("</b>") +
           (right.startsWith(u' ') ? QStringLiteral(" ") : QString()) + after.simplified().toHtmlEscaped();
}

// What the job hands over: the hits, or why the texts could not be read.
struct Found {
    Dispersion dispersion;
    QString failure;
};

} // namespace

DispersionStrips::DispersionStrips(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Strips"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_rowHeight = fontMetrics().height() + 2 * kStripInset + 4;
}

DispersionStrips::~DispersionStrips() = default;

void DispersionStrips::SetDispersion(std::shared_ptr<const Dispersion> dispersion, QList<ConvertedText> texts) {
    m_dispersion = std::move(dispersion);
    m_texts = std::move(texts);
    m_bytes.reset();
    m_readText = -1;
    m_counts.clear();
    const QFontMetrics metrics = fontMetrics();
    int names = 60;
    int counts = 60;
    for (const FileDispersion& file : m_dispersion->files) {
        names = std::max(names, metrics.horizontalAdvance(NameOf(m_texts.value(file.file))));
        m_counts << CountText(file);
        counts = std::max(counts, metrics.horizontalAdvance(m_counts.last()));
    }
    m_nameWidth = std::min(names, 240);
    m_countWidth = counts;
    setMinimumSize(m_nameWidth + m_countWidth + 4 * kMargin + 200, Rows() * m_rowHeight);
    updateGeometry();
    update();
}

QSize DispersionStrips::sizeHint() const {
    return {m_nameWidth + m_countWidth + 4 * kMargin + 600, Rows() * m_rowHeight};
}

QRect DispersionStrips::StripRect(int row) const {
    const int left = m_nameWidth + 2 * kMargin;
    const int width = std::max(1, this->width() - left - m_countWidth - 2 * kMargin);
    return {left, row * m_rowHeight + kStripInset, width, m_rowHeight - 2 * kStripInset};
}

int DispersionStrips::MarkX(double position) const {
    const QRect strip = StripRect(0);
    return strip.left() + std::clamp(static_cast<int>(position * strip.width()), 0, strip.width() - 1);
}

void DispersionStrips::Paint(QPainter& painter, const QRect& area) const {
    const int first = std::max(0, area.top() / m_rowHeight);
    const int last = std::min(Rows() - 1, area.bottom() / m_rowHeight);
    const QPalette& colors = palette();
    QList<QLine> lines;
    for (int row = first; row <= last; ++row) {
        const FileDispersion& file = m_dispersion->files[row];
        const QRect line(0, row * m_rowHeight, width(), m_rowHeight);
        painter.fillRect(line, row % 2 ? colors.alternateBase() : colors.window());
        const QRect strip = StripRect(row);
        painter.setPen(colors.color(QPalette::WindowText));
        const QRect name(kMargin, line.top(), m_nameWidth, line.height());
        painter.drawText(name, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(NameOf(m_texts.value(file.file)), Qt::ElideMiddle, m_nameWidth));
        const QRect count(strip.right() + 1 + kMargin, line.top(), m_countWidth, line.height());
        painter.drawText(count, Qt::AlignRight | Qt::AlignVCenter, m_counts.value(row));
        painter.fillRect(strip, colors.base());

        // Page starts, then the hits: one line per pixel column, however many fall in it.
        lines.clear();
        int previous = -1;
        for (int page = 2; page <= file.Pages(); ++page) {
            const int x = MarkX(file.PagePosition(page));
            if (x != previous) {
                lines << QLine(x, strip.top(), x, strip.bottom());
                previous = x;
            }
        }
        painter.setPen(kPageColor);
        painter.drawLines(lines);
        lines.clear();
        previous = -1;
        for (const DispersionHit& hit : file.hits) {
            const int x = MarkX(file.Position(hit));
            if (x != previous) {
                lines << QLine(x, strip.top() + 1, x, strip.bottom() - 1);
                previous = x;
            }
        }
        painter.setPen(QPen(kMarkColor, 2, Qt::SolidLine, Qt::FlatCap));
        painter.drawLines(lines);
        painter.setPen(colors.color(QPalette::Mid));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(strip.adjusted(0, 0, -1, -1));
    }
}

QImage DispersionStrips::Picture(int top) const {
    QImage image(std::max(1, width()), top + std::max(1, Rows() * m_rowHeight), QImage::Format_RGB32);
    if (image.isNull()) {
        return image;
    }
    image.fill(palette().color(QPalette::Window));
    QPainter painter(&image);
    painter.setFont(font());
    painter.translate(0, top);
    Paint(painter, image.rect().adjusted(0, 0, 0, -top));
    return image;
}

void DispersionStrips::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().window());
    Paint(painter, event->rect());
}

void DispersionStrips::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    update();
}

bool DispersionStrips::HitAt(const QPoint& point, int& row, int& hit) const {
    row = point.y() / m_rowHeight;
    hit = -1;
    if (point.y() < 0 || row >= Rows()) {
        return false;
    }
    const QRect strip = StripRect(row);
    if (!strip.adjusted(-kReach, 0, kReach, 0).contains(point)) {
        return false;
    }
    const FileDispersion& file = m_dispersion->files[row];
    // The marks stand in the order of the hits: the first one within reach, then the nearest.
    const auto from = std::partition_point(file.hits.cbegin(), file.hits.cend(), [&](const DispersionHit& h) {
        return MarkX(file.Position(h)) < point.x() - kReach;
    });
    int nearest = kReach + 1;
    for (auto at = from; at != file.hits.cend(); ++at) {
        const int off = std::abs(MarkX(file.Position(*at)) - point.x());
        if (off > kReach && MarkX(file.Position(*at)) > point.x()) {
            break;
        }
        if (off < nearest) {
            nearest = off;
            hit = static_cast<int>(at - file.hits.cbegin());
        }
    }
    return hit >= 0;
}

QString DispersionStrips::HitText(int row, int hit) const {
    const FileDispersion& file = m_dispersion->files[row];
    const DispersionHit& at = file.hits[hit];
    const ConvertedText& text = m_texts.value(file.file);
    QString shown =
        QStringLiteral("<b>%1</b><br>Page %2 of %3").arg(text.label.toHtmlEscaped()).arg(at.page).arg(file.Pages());
    try {
        if (m_readText != file.file || !m_bytes) {
            m_bytes.reset();
            m_bytes = std::make_unique<FileBytes>(text.text);
            m_readText = file.file;
        }
        const QByteArrayView bytes = m_bytes->View();
        if (at.end <= bytes.size()) {
            const QString word = QString::fromUtf8(bytes.sliced(at.begin, at.end - at.begin));
            shown += QStringLiteral("<br>\u2026") +
                     Around(ContextBefore(bytes, at.begin, kContext), word, ContextAfter(bytes, at.end, kContext)) +
                     QStringLiteral("\u2026");
        }
    } catch (const Failure&) {
        m_bytes.reset(); // the file and page say enough
    }
    // Other hits drawn in the same pixel column.
    const int x = MarkX(file.Position(at));
    int here = 0;
    for (const DispersionHit& other : file.hits) {
        here += MarkX(file.Position(other)) == x ? 1 : 0;
    }
    if (here > 1) {
        shown += QStringLiteral("<br><i>%1 more here</i>").arg(here - 1);
    }
    return shown;
}

bool DispersionStrips::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        int row = -1;
        int hit = -1;
        if (HitAt(help->pos(), row, hit)) {
            QToolTip::showText(help->globalPos(), HitText(row, hit), this);
        } else if (row >= 0 && row < Rows() && help->pos().x() < StripRect(row).left()) {
            QToolTip::showText(help->globalPos(), m_texts.value(m_dispersion->files[row].file).label, this);
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}

void DispersionStrips::mouseMoveEvent(QMouseEvent* event) {
    int row = -1;
    int hit = -1;
    if (HitAt(event->position().toPoint(), row, hit)) {
        setCursor(Qt::PointingHandCursor);
    } else {
        unsetCursor();
    }
    QWidget::mouseMoveEvent(event);
}

void DispersionStrips::mouseReleaseEvent(QMouseEvent* event) {
    int row = -1;
    int hit = -1;
    if (event->button() == Qt::LeftButton && HitAt(event->position().toPoint(), row, hit)) {
        emit HitClicked(m_dispersion->files[row].file, hit);
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

DispersionView::DispersionView(Ui& ui, QWidget* parent) : QWidget(parent, Qt::Window), m_ui(ui) {
    setWindowTitle(QStringLiteral("Dispersion Plot - ") + AppTitle());
    auto* layout = new QVBoxLayout(this);
    Summary = new QLabel(this);
    Summary->setObjectName(QStringLiteral("Summary"));
    Summary->setWordWrap(true);
    layout->addWidget(Summary);
    Area = new QScrollArea(this);
    Area->setObjectName(QStringLiteral("Area"));
    Area->setWidgetResizable(true);
    Area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Strips = new DispersionStrips(Area);
    Area->setWidget(Strips);
    Area->verticalScrollBar()->setSingleStep(Strips->RowHeight());
    layout->addWidget(Area, 1);

    auto* bottom = new QHBoxLayout;
    Status = new QLabel(this);
    Status->setObjectName(QStringLiteral("Status"));
    Status->setWordWrap(true);
    bottom->addWidget(Status, 1);
    PngButton = new QPushButton(QStringLiteral("Save As &PNG..."), this);
    PngButton->setObjectName(QStringLiteral("PngButton"));
    SvgButton = new QPushButton(QStringLiteral("Save As S&VG..."), this);
    SvgButton->setObjectName(QStringLiteral("SvgButton"));
    bottom->addWidget(PngButton);
    bottom->addWidget(SvgButton);
    layout->addLayout(bottom);

    CloseWithKeys(this);
    connect(Strips, &DispersionStrips::HitClicked, this, &DispersionView::HitClicked);
    connect(PngButton, &QPushButton::clicked, this, [this] { SavePng(); });
    connect(SvgButton, &QPushButton::clicked, this, [this] { SaveSvg(); });
}

DispersionView::~DispersionView() = default;

void DispersionView::PlaceOver(const QWidget* window) {
    ::PlaceOver(this, window, QSize(980, 680));
}

void DispersionView::ShowWord(const QList<ConvertedText>& texts, const QByteArray& key, const CorpusRule& rule,
                              const QString& word) {
    m_texts = texts;
    m_word = word;
    Strips->SetDispersion(std::make_shared<Dispersion>(), texts);
    PngButton->setEnabled(false);
    SvgButton->setEnabled(false);
    Status->clear();
    if (key.isEmpty()) {
        m_job.Cancel();
        unsetCursor();
        Summary->setText(QStringLiteral("Choose a word in the results list to plot where it occurs."));
        return;
    }
    const auto files =
        std::count_if(texts.cbegin(), texts.cend(), [](const ConvertedText& text) { return !text.text.isEmpty(); });
    Summary->setText(QStringLiteral("Finding \"%1\" in %2\u2026")
                         .arg(word, Plural(files, QStringLiteral("file"), QStringLiteral("files"))));
    setCursor(Qt::BusyCursor);
    m_job.Start<Found>(
        [texts, key, rule](const std::atomic<bool>& cancelled) {
            Found found;
            try {
                found.dispersion = DispersionOf(texts, key, rule, &cancelled);
            } catch (const Failure& failure) {
                found.failure = failure.Description();
            }
            return found;
        },
        [this](Found found) { Plot(std::move(found.dispersion), found.failure); });
}

void DispersionView::Plot(Dispersion found, const QString& failure) {
    unsetCursor();
    if (!failure.isEmpty()) {
        m_ui.Message(QStringLiteral("The texts cannot be read: ") + failure, AppTitle(), MsgButtons::Ok,
                     MsgIcon::Exclamation);
    }
    const auto withHits = std::count_if(found.files.cbegin(), found.files.cend(),
                                        [](const FileDispersion& file) { return !file.hits.isEmpty(); });
    const double perThousand =
        found.words > 0 ? static_cast<double>(found.hits) * 1000.0 / static_cast<double>(found.words) : 0.0;
    Summary->setText(QStringLiteral("%1 of \"%2\" in %3 of %4, %5 per 1,000 words")
                         .arg(Plural(found.hits, QStringLiteral("hit"), QStringLiteral("hits")), m_word)
                         .arg(withHits)
                         .arg(Plural(found.files.size(), QStringLiteral("file"), QStringLiteral("files")))
                         .arg(perThousand, 0, 'f', 2));
    Status->setText(found.hits > 0 ? QStringLiteral("Point at a mark to see its words; click it to read its page.")
                                   : QString());
    Strips->SetDispersion(std::make_shared<const Dispersion>(std::move(found)), m_texts);
    PngButton->setEnabled(true);
    SvgButton->setEnabled(true);
}

void DispersionView::hideEvent(QHideEvent* event) {
    if (m_job.Busy()) {
        m_job.Cancel();
        unsetCursor();
    }
    QWidget::hideEvent(event);
}

bool DispersionView::Save(const QString& title, const QString& filter, const QString& extension,
                          const std::function<void(const QString&)>& write) {
    const QString path =
        AskSavePath(m_ui, title, filter, QStringLiteral("Dispersion of ") + m_word + u'.' + extension, extension);
    if (path.isEmpty()) {
        return false;
    }
    QString reason;
    try {
        write(path);
    } catch (const ExportFailure& failure) {
        reason = failure.Reason();
    }
    TellSaved(m_ui, QStringLiteral("The plot"), path, reason.isEmpty(), reason);
    return reason.isEmpty();
}

bool DispersionView::SavePng() {
    return Save(QStringLiteral("Save Plot As PNG"), kPngFilter, QStringLiteral("png"), [this](const QString& path) {
        const int title = Strips->RowHeight() + kMargin;
        QImage image = Strips->Picture(title);
        if (image.isNull()) {
            throw ExportFailure(QStringLiteral("the plot is too tall for a picture in memory: save it as SVG"),
                                ExportFailure::Stage::Write);
        }
        QPainter painter(&image);
        painter.setFont(Summary->font());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(kMargin, 0, image.width() - 2 * kMargin, title), Qt::AlignLeft | Qt::AlignVCenter,
                         Summary->text());
        painter.end();
        WritePng(image, path);
    });
}

bool DispersionView::SaveSvg() {
    return Save(QStringLiteral("Save Plot As SVG"), kSvgFilter, QStringLiteral("svg"), [this](const QString& path) {
        const QByteArray svg = DispersionSvg(Strips->Shown(), m_texts, m_word, std::max(600, Strips->width()));
        WriteBytes(path, {}, svg);
    });
}
