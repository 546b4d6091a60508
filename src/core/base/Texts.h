#pragma once

#include <QString>

// The application title: the product title with its last word dropped, repeated while longer
// than 40 characters. A title without any blank is used whole.
QString ShortenTitle(const QString& productTitle);

// The product title: window captions and the settings section.
inline QString ProductTitle() {
    return QStringLiteral("Lexitally");
}

// The caption of every message box that has no caption of its own.
inline QString AppTitle() {
    return ShortenTitle(ProductTitle());
}

inline const QString kProgressRest = QStringLiteral("Progress Bar");
