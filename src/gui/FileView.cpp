#include "gui/FileView.h"

#include "core/base/Texts.h"
#include "gui/DesktopOpen.h"
#include "gui/GuiHelpers.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QColor kHitColor(255, 236, 140);
const QColor kCurrentColor(255, 150, 50);

} // namespace

FileView::FileView(Ui& ui, QWidget* parent) : QWidget(parent, Qt::Window), m_ui(ui) {
    setWindowTitle(QStringLiteral("File View - ") + AppTitle());
    auto* layout = new QVBoxLayout(this);
    FileLabel = new QLabel(this);
    FileLabel->setObjectName(QStringLiteral("FileLabel"));
    FileLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(FileLabel);
    Text = new QPlainTextEdit(this);
    Text->setObjectName(QStringLiteral("Text"));
    Text->setReadOnly(true);
    Text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Text->setLineWrapMode(QPlainTextEdit::NoWrap); // the converter keeps the page's layout
    Text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(Text, 1);

    auto* bottom = new QHBoxLayout;
    PageLabel = new QLabel(this);
    PageLabel->setObjectName(QStringLiteral("PageLabel"));
    HitLabel = new QLabel(this);
    HitLabel->setObjectName(QStringLiteral("HitLabel"));
    PreviousButton = new QPushButton(QStringLiteral("&Previous Hit"), this);
    PreviousButton->setObjectName(QStringLiteral("PreviousButton"));
    NextButton = new QPushButton(QStringLiteral("&Next Hit"), this);
    NextButton->setObjectName(QStringLiteral("NextButton"));
    OpenButton = new QPushButton(QStringLiteral("&Open PDF"), this);
    OpenButton->setObjectName(QStringLiteral("OpenButton"));
    bottom->addWidget(PageLabel);
    bottom->addSpacing(16);
    bottom->addWidget(HitLabel);
    bottom->addStretch(1);
    bottom->addWidget(PreviousButton);
    bottom->addWidget(NextButton);
    bottom->addSpacing(16);
    bottom->addWidget(OpenButton);
    layout->addLayout(bottom);

    CloseWithKeys(this);
    connect(PreviousButton, &QPushButton::clicked, this, [this] { Go(m_current - 1); });
    connect(NextButton, &QPushButton::clicked, this, [this] { Go(m_current + 1); });
    connect(OpenButton, &QPushButton::clicked, this,
            [this] { OpenOrTell(m_ui, QUrl::fromLocalFile(m_text.source), AppTitle()); });
}

void FileView::PlaceOver(const QWidget* window) {
    ::PlaceOver(this, window, QSize(900, 700));
}

void FileView::ShowHit(const ConvertedText& text, QList<DispersionHit> hits, int current) {
    if (text.text != m_text.text || m_pageStarts.isEmpty()) {
        m_text = text;
        m_page = 0;
        m_bytes.clear();
        m_pageStarts.clear();
        QFile file(text.text);
        if (!file.open(QIODevice::ReadOnly)) {
            m_ui.Message(QStringLiteral("The text of ") + text.label + QStringLiteral(" cannot be read: ") +
                             file.errorString(),
                         AppTitle(), MsgButtons::Ok, MsgIcon::Exclamation);
        } else {
            m_bytes = file.readAll();
        }
        // The converter ends every page with a form feed.
        m_pageStarts << 0;
        for (qsizetype at = m_bytes.indexOf('\f'); at >= 0; at = m_bytes.indexOf('\f', at + 1)) {
            if (at + 1 < m_bytes.size()) {
                m_pageStarts << at + 1;
            }
        }
    }
    m_text = text;
    FileLabel->setText(text.label);
    const bool pdf = QFileInfo(text.source).suffix().compare(QStringLiteral("pdf"), Qt::CaseInsensitive) == 0;
    OpenButton->setText(pdf ? QStringLiteral("&Open PDF") : QStringLiteral("&Open File"));
    m_hits = std::move(hits);
    m_current = -1;
    m_page = 0;
    Go(std::clamp(current, 0, std::max(0, Hits() - 1)));
}

int FileView::PageOf(qsizetype at) const {
    const auto after = std::upper_bound(m_pageStarts.cbegin(), m_pageStarts.cend(), at);
    return std::max(1, static_cast<int>(after - m_pageStarts.cbegin()));
}

void FileView::Go(int hit) {
    if (m_hits.isEmpty()) {
        Text->setPlainText(QString::fromUtf8(m_bytes.left(m_pageStarts.value(1, m_bytes.size()))));
        m_page = 1;
        m_current = -1;
        PageLabel->setText(QStringLiteral("Page 1 of %1").arg(Pages()));
        HitLabel->setText(QStringLiteral("No hits"));
        PreviousButton->setEnabled(false);
        NextButton->setEnabled(false);
        return;
    }
    m_current = std::clamp(hit, 0, Hits() - 1);
    const DispersionHit& at = m_hits[m_current];
    const int page = PageOf(at.begin);
    const qsizetype pageStart = m_pageStarts[page - 1];
    qsizetype pageEnd = page < Pages() ? m_pageStarts[page] : m_bytes.size();
    if (pageEnd > pageStart && m_bytes[pageEnd - 1] == '\f') {
        --pageEnd;
    }
    if (page != m_page) {
        m_page = page;
        Text->setPlainText(QString::fromUtf8(m_bytes.sliced(pageStart, pageEnd - pageStart)));
    }

    // Every hit of the page, the current one in a stronger colour; their places counted in the
    // page's characters as the editor counts them.
    QList<QTextEdit::ExtraSelection> marks;
    QTextCursor current;
    qsizetype byte = pageStart;
    int character = 0;
    const auto first = std::lower_bound(m_hits.cbegin(), m_hits.cend(), pageStart,
                                        [](const DispersionHit& h, qsizetype b) { return h.begin < b; });
    for (auto h = first; h != m_hits.cend() && h->end <= pageEnd; ++h) {
        character += static_cast<int>(QString::fromUtf8(m_bytes.sliced(byte, h->begin - byte)).size());
        const int length = static_cast<int>(QString::fromUtf8(m_bytes.sliced(h->begin, h->end - h->begin)).size());
        byte = h->begin;
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(Text->document());
        mark.cursor.setPosition(character);
        mark.cursor.setPosition(character + length, QTextCursor::KeepAnchor);
        const bool isCurrent = h - m_hits.cbegin() == m_current;
        mark.format.setBackground(isCurrent ? kCurrentColor : kHitColor);
        if (isCurrent) {
            mark.format.setFontWeight(QFont::Bold);
            current = mark.cursor;
        }
        marks << mark;
    }
    Text->setExtraSelections(marks);
    if (!current.isNull()) {
        QTextCursor caret = current;
        caret.clearSelection();
        Text->setTextCursor(caret);
        Text->centerCursor();
    }

    PageLabel->setText(QStringLiteral("Page %1 of %2").arg(page).arg(Pages()));
    HitLabel->setText(QStringLiteral("Hit %1 of %2").arg(m_current + 1).arg(Hits()));
    PreviousButton->setEnabled(m_current > 0);
    NextButton->setEnabled(m_current + 1 < Hits());
    OpenButton->setToolTip(
        QStringLiteral("Opens %1 with the desktop's viewer; this hit is on page %2.").arg(m_text.source).arg(page));
}
