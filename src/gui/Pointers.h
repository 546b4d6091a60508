#pragma once

#include <QCursor>
#include <QString>
#include <optional>

// Loads a pointer from a .CUR/.ico file, with the hot spot the file names; nullopt when missing.
std::optional<QCursor> LoadCursorFile(const QString& path);
