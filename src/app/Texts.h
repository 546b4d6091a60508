#pragma once

#include "Helpers.h"

#include <QString>

// The product title: window captions and the settings section.
inline QString ProductTitle() {
    return QStringLiteral("Lexitally");
}

// The caption of every message box that has no caption of its own.
inline QString AppTitle() {
    return ShortenTitle(ProductTitle());
}

inline const QString kProgressRest = QStringLiteral("Progress Bar");
