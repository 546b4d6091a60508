#include "core/base/Texts.h"

QString ShortenTitle(const QString& productTitle) {
    QString title = productTitle;
    if (!title.contains(u' ')) {
        return title;
    }
    do {
        title.truncate(title.lastIndexOf(u' '));
    } while (title.size() > 40 && title.contains(u' '));
    return title;
}

QString EscapeControls(const QString& text, QChar keep) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (c == keep || !(code < 32 || (code >= 127 && code <= 159))) {
            shown += c;
        } else if (code == u'\t') {
            shown += QStringLiteral("\\t");
        } else if (code == u'\n') {
            shown += QStringLiteral("\\n");
        } else if (code == u'\r') {
            shown += QStringLiteral("\\r");
        } else {
            shown += QStringLiteral("\\x") + QString::number(code, 16).rightJustified(2, u'0');
        }
    }
    return shown;
}
