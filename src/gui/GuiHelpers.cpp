#include "gui/GuiHelpers.h"

#include "core/base/ErrorReport.h"
#include "core/base/Places.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace {
void UseButtonFace(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}
} // namespace

void SetSystemBackColors(QWidget* window) {
    UseButtonFace(window);
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (qobject_cast<QRadioButton*>(child) || qobject_cast<QCheckBox*>(child) || qobject_cast<QGroupBox*>(child) ||
            qobject_cast<QLabel*>(child)) {
            UseButtonFace(child);
        }
    }
}

void ApplySkin(QWidget* window) {
    const QString path = SkinPath();
    if (!QFileInfo(path).isFile()) {
        return;
    }
    SetSystemBackColors(window);
    QFile file(path);
    const bool opened = file.open(QIODevice::ReadOnly);
    FailIf(!opened, file.errorString());
    window->setStyleSheet(QString::fromUtf8(file.readAll()));
}

namespace {

// The frame's margins around the client area of a window that is on the screen.
QMargins FrameMargins(const QWidget* window) {
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
            frame.bottom() - client.bottom()};
}

// Places the client area of a top-level window at `client`, whatever Qt knows of its frame just
// now (a hidden window's frame may be unknown or out of date).
void MoveClientTo(QWidget* window, const QPoint& client) {
    window->move(client - (window->geometry().topLeft() - window->pos()));
}

} // namespace

// Counts the placements of a window, so that a placement's late checks know they are stale.
constexpr char kPlacementProperty[] = "lexitallyPlacement";

void TakePlaceOf(QWidget* window, const QWidget* place) {
    if (!window || !place || window == place || !place->testAttribute(Qt::WA_WState_Created)) {
        return;
    }
    // The two windows wear the same frame: the one on the screen tells its size. They have one
    // size too, whichever the user resized last.
    window->resize(place->size().expandedTo(window->minimumSize()));
    const QMargins margins = FrameMargins(place);
    QPoint frameTopLeft = place->frameGeometry().topLeft();
    if (const QScreen* screen = place->screen()) {
        // The whole frame on the screen where it fits, and the title bar always.
        const QRect room = screen->availableGeometry();
        const QSize size = window->size().grownBy(margins);
        frameTopLeft.setX(std::max(room.left(), std::min(frameTopLeft.x(), room.right() + 1 - size.width())));
        frameTopLeft.setY(std::max(room.top(), std::min(frameTopLeft.y(), room.bottom() + 1 - size.height())));
    }
    // Created first, so that the move speaks of the client area and never of a frame Qt has not
    // seen yet.
    window->winId();
    MoveClientTo(window, frameTopLeft + QPoint(margins.left(), margins.top()));
    // The window manager frames the window once it is shown, and some place it by rules of their
    // own: once framed, a window that stands elsewhere is put right. The first look that finds it
    // in its place ends the watch, so that a window the user moves afterwards stays where it is
    // put; so does a later placement of the same window.
    QPointer<QWidget> moved(window);
    const int placement = window->property(kPlacementProperty).toInt() + 1;
    window->setProperty(kPlacementProperty, placement);
    for (const int ms : {60, 250, 700}) {
        QTimer::singleShot(ms, window, [moved, frameTopLeft, placement] {
            if (!moved || !moved->isVisible() || moved->property(kPlacementProperty).toInt() != placement) {
                return;
            }
            const QPoint off = frameTopLeft - moved->frameGeometry().topLeft();
            if (off.manhattanLength() > 1) {
                MoveClientTo(moved, moved->geometry().topLeft() + off);
            } else {
                moved->setProperty(kPlacementProperty, placement + 1); // in place: watch no longer
            }
        });
    }
}

void PlaceOver(QWidget* view, const QWidget* window, QSize wanted) {
    const bool onScreen = window && window->isVisible();
    const QScreen* screen = window && window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect(QPoint(), wanted);
    const QSize frame =
        onScreen ? (window->frameGeometry().size() - window->size()).expandedTo(QSize(0, 0)) : QSize(0, 0);
    const QSize client = wanted.boundedTo(room.size() - frame).expandedTo(view->minimumSize());
    view->resize(client);
    QRect outer(QPoint(), client + frame);
    outer.moveCenter(onScreen ? window->frameGeometry().center() : room.center());
    // The title bar first: the top-left corner stays on the screen.
    outer.moveLeft(std::max(room.left(), std::min(outer.left(), room.right() - outer.width() + 1)));
    outer.moveTop(std::max(room.top(), std::min(outer.top(), room.bottom() - outer.height() + 1)));
    view->move(outer.topLeft());
}

void CloseWithKeys(QWidget* window) {
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* shortcut = new QShortcut(keys, window);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, window, &QWidget::close);
    }
}
