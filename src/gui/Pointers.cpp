#include "gui/Pointers.h"

#include <QFile>
#include <QPixmap>
#include <QtEndian>

std::optional<QCursor> LoadCursorFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    QPixmap pixmap;
    if (!pixmap.loadFromData(bytes, "ICO") && !pixmap.loadFromData(bytes)) {
        return std::nullopt;
    }
    int hotX = -1;
    int hotY = -1;
    // A cursor container (type 2) keeps the hot spot in its first directory entry.
    if (bytes.size() >= 22 && qFromLittleEndian<quint16>(bytes.constData() + 2) == 2) {
        hotX = qFromLittleEndian<quint16>(bytes.constData() + 10);
        hotY = qFromLittleEndian<quint16>(bytes.constData() + 12);
    }
    return QCursor(pixmap, hotX, hotY);
}
