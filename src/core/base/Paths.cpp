#include "core/base/Paths.h"

#include "core/base/ErrorReport.h"

#include <QStringList>

namespace {

bool IsSeparator(QChar c) {
    return c == u'/' || c == u'\\';
}

int LastSeparator(const QString& path) {
    return std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
}

// One left-to-right pass: every pair of equal separators becomes one.
QString CollapseDoubledSeparators(QStringView path) {
    QString out;
    out.reserve(path.size());
    for (qsizetype i = 0; i < path.size();) {
        const QChar c = path[i];
        out += c;
        if (IsSeparator(c) && i + 1 < path.size() && path[i + 1] == c) {
            i += 2;
        } else {
            ++i;
        }
    }
    return out;
}

} // namespace

QString StripExtension(const QString& path) {
    if (path.isEmpty()) {
        return path;
    }
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot >= 1 && dot > LastSeparator(path)) {
        return path.left(dot);
    }
    return path;
}

QString FileNameFromPath(const QString& path) {
    return path.mid(LastSeparator(path) + 1);
}

QString NormalizeBackslashes(const QString& path) {
    if (!path.startsWith(u'\\')) {
        return CollapseDoubledSeparators(path);
    }
    qsizetype first = 1;
    while (first < path.size() && path[first] == u'\\') {
        ++first;
    }
    return QStringLiteral("\\\\") + CollapseDoubledSeparators(QStringView(path).mid(first));
}

bool ListContainsText(const QStringList& rows, const QString& text) {
    bool found = false;
    for (const QString& row : rows) {
        if (row == text) {
            found = true;
        }
    }
    return found;
}
