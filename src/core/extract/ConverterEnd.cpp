#include "core/extract/ConverterEnd.h"

#include <QStringList>

QString ConverterEnd::ToText() const {
    switch (kind) {
    case Kind::Exited:
        return QStringLiteral("exit ") + QString::number(number);
    case Kind::Signalled:
        return QStringLiteral("signal ") + QString::number(number);
    case Kind::NotStarted:
        return QStringLiteral("start ") + QString::number(number);
    case Kind::TextFolderFull:
        return QStringLiteral("folder-full");
    case Kind::PasswordRefused:
        return QStringLiteral("password-refused");
    case Kind::Damaged:
        return QStringLiteral("damaged");
    case Kind::TextNotWritten:
        break;
    }
    return QStringLiteral("not-written");
}

bool ConverterEnd::Parse(const QString& text, ConverterEnd& end) {
    for (const ConverterEnd named : {FolderFull(), NotWritten(), Refused(), NotAPdf()}) {
        if (text == named.ToText()) {
            end = named;
            return true;
        }
    }
    const QStringList parts = text.split(u' ');
    bool ok = false;
    const int number = parts.value(1).toInt(&ok);
    if (parts.size() != 2 || !ok) {
        return false;
    }
    if (parts[0] == QStringLiteral("exit")) {
        end = Exit(number);
    } else if (parts[0] == QStringLiteral("signal")) {
        end = Signal(number);
    } else if (parts[0] == QStringLiteral("start")) {
        end = StartFailed(number);
    } else {
        return false;
    }
    return true;
}
