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
