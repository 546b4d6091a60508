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

namespace {
constexpr char16_t kEscapeBase = 0xDC00;

// True when name[i] stands for a byte: a low surrogate of the escape range that is not the
// second half of a pair.
bool IsEscapedByte(const QString& name, qsizetype i) {
    const char16_t c = name[i].unicode();
    return c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF && (i == 0 || !name[i - 1].isHighSurrogate());
}

// The length of the valid UTF-8 sequence at bytes[i], or 0 when none starts there.
int ValidSequenceAt(const QByteArray& bytes, qsizetype i) {
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = at(i);
    if (lead < 0x80) {
        return 1;
    }
    const int length = lead >= 0xC2 && lead <= 0xDF   ? 2
                       : lead >= 0xE0 && lead <= 0xEF ? 3
                       : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                      : 0;
    if (length == 0 || i + length > bytes.size()) {
        return 0;
    }
    for (int k = 1; k < length; ++k) {
        if ((at(i + k) & 0xC0) != 0x80) {
            return 0;
        }
    }
    const unsigned char second = at(i + 1);
    // No overlong forms, no surrogates, nothing past U+10FFFF.
    const bool bad = (lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
                     (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F);
    return bad ? 0 : length;
}
} // namespace

QString DecodeFileName(const QByteArray& bytes) {
    QString name;
    qsizetype start = 0; // of the valid run not yet added
    qsizetype i = 0;
    while (i < bytes.size()) {
        const int length = ValidSequenceAt(bytes, i);
        if (length > 0) {
            i += length;
            continue;
        }
        name += QString::fromUtf8(bytes.constData() + start, i - start);
        name += QChar(char16_t(kEscapeBase + static_cast<unsigned char>(bytes[i])));
        start = ++i;
    }
    name += QString::fromUtf8(bytes.constData() + start, bytes.size() - start);
    return name;
}

QByteArray FileNameBytes(const QString& name) {
    QByteArray bytes;
    qsizetype start = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (IsEscapedByte(name, i)) {
            bytes += QStringView(name).mid(start, i - start).toUtf8();
            bytes += char(name[i].unicode() - kEscapeBase);
            start = i + 1;
        }
    }
    return bytes + QStringView(name).mid(start).toUtf8();
}

QString ShownFileName(const QString& name) {
    QString shown = name;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (IsEscapedByte(name, i)) {
            shown[i] = QChar(QChar::ReplacementCharacter);
        }
    }
    return shown;
}

bool HasUndecodedBytes(const QString& name) {
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (IsEscapedByte(name, i)) {
            return true;
        }
    }
    return false;
}
