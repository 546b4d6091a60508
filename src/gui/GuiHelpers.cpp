#include "gui/GuiHelpers.h"

#include "core/base/ErrorReport.h"
#include "core/base/Places.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QWidget>

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

void TakePlaceOf(QWidget* window, const QWidget* place) {
    if (!window || !place || window == place || !place->testAttribute(Qt::WA_WState_Created)) {
        return;
    }
    QPoint topLeft = place->frameGeometry().topLeft();
    if (const QScreen* screen = place->screen()) {
        const QRect room = screen->availableGeometry();
        const QSize size = window->frameGeometry().size();
        topLeft.setX(std::max(room.left(), std::min(topLeft.x(), room.right() + 1 - size.width())));
        topLeft.setY(std::max(room.top(), std::min(topLeft.y(), room.bottom() + 1 - size.height())));
    }
    window->move(topLeft);
}
