#include "core/count/StopWords.h"

#include "core/base/ErrorReport.h"
#include "core/base/Places.h"

#include <QFile>

QStringList StopListNames() {
    return {QStringLiteral("english"),  QStringLiteral("german"),    QStringLiteral("french"),
            QStringLiteral("spanish"),  QStringLiteral("danish"),    QStringLiteral("dutch"),
            QStringLiteral("finnish"),  QStringLiteral("hungarian"), QStringLiteral("indonesian"),
            QStringLiteral("italian"),  QStringLiteral("norwegian"), QStringLiteral("portuguese"),
            QStringLiteral("romanian"), QStringLiteral("russian"),   QStringLiteral("swedish")};
}

QString StopWordsPath(const QString& nameOrPath) {
    return StopListNames().contains(nameOrPath)
               ? AppFolder() + QStringLiteral("/stopwords/") + nameOrPath + QStringLiteral(".txt")
               : nameOrPath;
}

QStringList StopWordsOf(const QByteArray& bytes) {
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    // Lines end at LF, CR LF or a lone CR, as in the texts that are counted.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    QStringList words;
    for (const QString& line : text.split(u'\n')) {
        const QString word = line.trimmed();
        if (!word.isEmpty() && !word.startsWith(u'#')) {
            words << word;
        }
    }
    return words;
}

QStringList ReadStopWords(const QString& nameOrPath) {
    const QString path = StopWordsPath(nameOrPath);
    QFile file(path);
    const bool opened = file.open(QIODevice::ReadOnly);
    FailIf(!opened, path + QStringLiteral(": ") + file.errorString());
    const QByteArray text = file.read(kStopWordsLimit + 1);
    FailIf(file.error() != QFileDevice::NoError, path + QStringLiteral(": ") + file.errorString());
    FailIf(text.size() > kStopWordsLimit, path + QStringLiteral(": longer than %1 bytes").arg(kStopWordsLimit));
    return StopWordsOf(text);
}
