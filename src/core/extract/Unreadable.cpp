#include "core/extract/Unreadable.h"

QString UnreadableKindName(UnreadableKind kind) {
    switch (kind) {
    case UnreadableKind::Other:
        break;
    case UnreadableKind::PasswordProtected:
        return QStringLiteral("password-protected");
    case UnreadableKind::WrongPassword:
        return QStringLiteral("wrong-password");
    case UnreadableKind::NoText:
        return QStringLiteral("no-text");
    case UnreadableKind::NameNotUtf8:
        return QStringLiteral("name-not-utf8");
    case UnreadableKind::NotFound:
        return QStringLiteral("not-found");
    case UnreadableKind::NotRegularFile:
        return QStringLiteral("not-regular-file");
    case UnreadableKind::PermissionDenied:
        return QStringLiteral("permission-denied");
    case UnreadableKind::EmptyInput:
        return QStringLiteral("empty");
    case UnreadableKind::ConverterNotStarted:
        return QStringLiteral("converter-not-started");
    case UnreadableKind::ConverterCrashed:
        return QStringLiteral("converter-crashed");
    case UnreadableKind::TextNotWritten:
        return QStringLiteral("text-not-written");
    case UnreadableKind::ConversionFailed:
        return QStringLiteral("conversion-failed");
    case UnreadableKind::FolderUnreadable:
        return QStringLiteral("folder-unreadable");
    case UnreadableKind::OcrFailed:
        return QStringLiteral("ocr-failed");
    case UnreadableKind::Damaged:
        return QStringLiteral("damaged");
    }
    return QStringLiteral("other");
}

bool LostToEnvironment(UnreadableKind kind) {
    return kind == UnreadableKind::ConverterNotStarted || kind == UnreadableKind::ConverterCrashed ||
           kind == UnreadableKind::TextNotWritten || kind == UnreadableKind::OcrFailed;
}

bool CannotBeRead(UnreadableKind kind) {
    return kind == UnreadableKind::NotFound || kind == UnreadableKind::PermissionDenied ||
           kind == UnreadableKind::NameNotUtf8;
}
