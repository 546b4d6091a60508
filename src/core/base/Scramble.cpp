#include "core/base/Scramble.h"

#include "core/base/ErrorReport.h"

namespace {

QByteArray Shift(const QByteArray& bytes, const QByteArray& key, bool forward, const Yield& yield) {
    FailIf(key.isEmpty(), QStringLiteral("Invalid procedure call or argument"));
    QByteArray out(bytes.size(), '\0');
    qsizetype k = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        YieldNow(yield);
        const int c = static_cast<unsigned char>(bytes[i]);
        const int d = static_cast<unsigned char>(key[k]);
        k = (k + 1) % key.size();
        int v = forward ? c + d : c - d;
        if (forward && v >= 256) {
            v -= 255;
        } else if (!forward && v <= 0) {
            v += 255;
        }
        out[i] = static_cast<char>(v);
    }
    return out;
}

} // namespace

QString ScrambleText(const QString& text, const QString& key, const Yield& yield) {
    return QString::fromLatin1(Shift(text.toUtf8(), key.toUtf8(), true, yield));
}

QString UnscrambleText(const QString& scrambled, const QString& key, const Yield& yield) {
    return QString::fromUtf8(Shift(scrambled.toLatin1(), key.toUtf8(), false, yield));
}
