#include "core/extract/ConverterEnd.h"

#include <QString>

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
