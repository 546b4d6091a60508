#include "gui/MessageDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>

namespace {

// Room for the window frame's own buttons and icon beside the caption.
constexpr int kTitleBarExtras = 160;
constexpr int kMinimumWidth = 240;

QIcon IconFor(MsgIcon icon, const QStyle* style) {
    switch (icon) {
    case MsgIcon::Exclamation:
        return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case MsgIcon::Question:
        return style->standardIcon(QStyle::SP_MessageBoxQuestion);
    case MsgIcon::Information:
        return style->standardIcon(QStyle::SP_MessageBoxInformation);
    case MsgIcon::None:
        break;
    }
    return {};
}

// The widest line and the widest unbreakable word of a text, as drawn.
struct TextExtent {
    int widestLine = 0;
    int widestWord = 0;
};

TextExtent Measure(const QString& text, const QFontMetrics& metrics) {
    TextExtent extent;
    for (const QString& line : text.split(u'\n')) {
        extent.widestLine = std::max(extent.widestLine, metrics.horizontalAdvance(line));
        for (const QString& word : line.split(u' ', Qt::SkipEmptyParts)) {
            extent.widestWord = std::max(extent.widestWord, metrics.horizontalAdvance(word));
        }
    }
    return extent;
}

} // namespace

QRect MessageDialog::ScreenRoom(const QWidget* window) {
    const QScreen* screen = window && window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
}

MessageDialog::MessageDialog(QWidget* owner, const QString& text, const QString& caption, MsgButtons buttons,
                             MsgIcon icon)
    : QDialog(owner), m_owner(owner), m_buttons(buttons) {
    setObjectName(QStringLiteral("MessageBox"));
    // A title and a close box only: a message is neither minimised nor maximised.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowTitle(caption);
    setModal(true);
    const QRect room = ScreenRoom(owner);
    // The frame, the buttons and the margins take the rest of the screen.
    const int maxTextWidth = std::max(200, std::min(640, room.width() * 3 / 4));
    const int maxTextHeight = std::max(80, std::min(room.height() - 220, room.height() * 3 / 5));

    auto* top = new QHBoxLayout;
    const QIcon shownIcon = IconFor(icon, style());
    if (!shownIcon.isNull()) {
        auto* iconLabel = new QLabel(this);
        const int size = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        iconLabel->setPixmap(shownIcon.pixmap(size, size));
        iconLabel->setAlignment(Qt::AlignTop);
        top->addWidget(iconLabel, 0, Qt::AlignTop);
    }

    const QFontMetrics metrics(font());
    const TextExtent extent = Measure(text, metrics);
    auto* label = new QLabel(this);
    label->setObjectName(QStringLiteral("MessageText"));
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const int labelWidth = std::min(maxTextWidth, extent.widestLine + 2);
    const bool fits = extent.widestWord <= maxTextWidth && label->heightForWidth(labelWidth) <= maxTextHeight;
    if (fits) {
        label->setMinimumWidth(labelWidth);
        m_label = label;
        top->addWidget(label, 1);
    } else {
        delete label;
        m_area = new QPlainTextEdit(this);
        m_area->setObjectName(QStringLiteral("MessageText"));
        m_area->setReadOnly(true);
        m_area->setPlainText(text);
        m_area->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff); // lines wrap instead
        const int chrome = 2 * m_area->frameWidth() + 2 * static_cast<int>(m_area->document()->documentMargin()) +
                           m_area->verticalScrollBar()->sizeHint().width() + 4;
        const int width = std::min(maxTextWidth, extent.widestLine + chrome);
        // The text as wrapped at that width, with a line to spare.
        const QRect wrapped =
            metrics.boundingRect(QRect(0, 0, width - chrome, 1 << 24), Qt::TextWordWrap | Qt::TextWrapAnywhere, text);
        m_area->setFixedWidth(width);
        m_area->setFixedHeight(std::min(maxTextHeight, wrapped.height() + metrics.lineSpacing() + chrome));
        top->addWidget(m_area, 1);
    }

    m_box = new QDialogButtonBox(this);
    if (buttons == MsgButtons::YesNo) {
        m_default = m_box->addButton(QDialogButtonBox::Yes);
        QPushButton* no = m_box->addButton(QDialogButtonBox::No);
        connect(m_default, &QPushButton::clicked, this, [this] {
            m_answer = MsgAnswer::Yes;
            accept();
        });
        connect(no, &QPushButton::clicked, this, [this] {
            m_answer = MsgAnswer::No;
            reject();
        });
    } else {
        m_default = m_box->addButton(QDialogButtonBox::Ok);
        connect(m_default, &QPushButton::clicked, this, &QDialog::accept);
    }
    m_default->setDefault(true);
    m_default->setFocus();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_box);
    // Wide enough that the caption is not cut short.
    const int captionWidth = QFontMetrics(QApplication::font()).horizontalAdvance(caption) * 5 / 4 + kTitleBarExtras;
    const int margins = layout->contentsMargins().left() + layout->contentsMargins().right();
    const int minimum = std::min(room.width(), std::max(kMinimumWidth, captionWidth)) - margins;
    layout->addItem(new QSpacerItem(minimum, 0, QSizePolicy::Fixed, QSizePolicy::Fixed));
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void MessageDialog::PlaceOnOwner() {
    adjustSize();
    const QRect room = ScreenRoom(m_owner);
    const QRect around = m_owner && m_owner->isVisible() ? m_owner->frameGeometry() : room;
    QRect box(QPoint(), frameGeometry().size().expandedTo(size()));
    box.moveCenter(around.center());
    // Inside the screen, the top edge (and its title bar) first.
    box.moveLeft(std::max(room.left(), std::min(box.left(), room.right() - box.width() + 1)));
    box.moveTop(std::max(room.top(), std::min(box.top(), room.bottom() - box.height() + 1)));
    move(box.topLeft());
}

MsgAnswer MessageDialog::Ask() {
    m_answer = m_buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
    PlaceOnOwner();
    exec();
    return m_answer;
}
