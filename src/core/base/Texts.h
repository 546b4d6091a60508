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

// The text with every control character (below 32, 127 to 159) but `keep` written as an escape:
// "\t", "\n", "\r", "\x1b", "\x9b". File names may hold escape sequences that a terminal would obey.
QString EscapeControls(const QString& text, QChar keep = QChar(0xFFFF));
