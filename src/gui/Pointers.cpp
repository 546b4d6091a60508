#include "gui/Pointers.h"

#include <QFile>
#include <QPixmap>

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
    const auto word = [&bytes](qsizetype at) {
        return static_cast<int>(static_cast<uchar>(bytes.at(at)) | static_cast<uchar>(bytes.at(at + 1)) << 8);
    };
    if (bytes.size() >= 22 && word(2) == 2) {
        hotX = word(10);
        hotY = word(12);
    }
    return QCursor(pixmap, hotX, hotY);
}
