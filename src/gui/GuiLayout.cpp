#include "gui/GuiLayout.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QWidget>

int TwipsToPixels(int twips, const QWidget* widget) {
    double dpi = 96.0;
    if (widget && widget->screen()) {
        dpi = widget->screen()->logicalDotsPerInch();
    } else if (QGuiApplication::primaryScreen()) {
        dpi = QGuiApplication::primaryScreen()->logicalDotsPerInch();
    }
    return qRound(twips * dpi / 1440.0);
}

TwipsLayout::TwipsLayout(QWidget* window, int clientWidth, int clientHeight, std::vector<Placement> placements)
    : m_window(window), m_clientWidth(clientWidth), m_clientHeight(clientHeight), m_placements(std::move(placements)) {}

QSize TwipsLayout::DesignedSize() const {
    return {TwipsToPixels(m_clientWidth, m_window), TwipsToPixels(m_clientHeight, m_window)};
}

void TwipsLayout::ResizeToDesign() {
    m_window->resize(DesignedSize());
    m_window->setMinimumSize(DesignedSize());
}

void TwipsLayout::Apply() const {
    const QSize designed = DesignedSize();
    const int dx = std::max(0, m_window->width() - designed.width());
    const int dy = std::max(0, m_window->height() - designed.height());
    for (const Placement& p : m_placements) {
        QRect r(TwipsToPixels(p.left, m_window), TwipsToPixels(p.top, m_window), TwipsToPixels(p.width, m_window),
                TwipsToPixels(p.height, m_window));
        switch (p.grow) {
        case Grow::Width:
            r.setWidth(r.width() + dx);
            break;
        case Grow::WidthHeight:
            r.setWidth(r.width() + dx);
            r.setHeight(r.height() + dy);
            break;
        case Grow::LeftHalf:
            r.setWidth(r.width() + dx / 2);
            break;
        case Grow::RightHalf:
            r.moveLeft(r.left() + dx / 2);
            r.setWidth(r.width() + dx - dx / 2);
            break;
        case Grow::None:
            if (qobject_cast<QCheckBox*>(p.widget) || qobject_cast<QRadioButton*>(p.widget) ||
                qobject_cast<QLabel*>(p.widget)) {
                const QSize hint = p.widget->sizeHint();
                r.setWidth(std::max(r.width(), hint.width()));
                r.setHeight(std::max(r.height(), hint.height()));
            }
            break;
        }
        if (p.below) {
            r.moveTop(r.top() + dy);
        }
        p.widget->setGeometry(r);
    }
}
