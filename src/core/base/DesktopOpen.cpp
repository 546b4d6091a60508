#include "core/base/DesktopOpen.h"

#include <QFileInfo>

QString CouldNotOpenText(const QUrl& url) {
    const QString blankLine = QStringLiteral("\r\n\r\n");
    if (!url.isLocalFile()) {
        return QStringLiteral("The page could not be opened on this computer. Open this address in your web browser:") +
               blankLine + url.toString();
    }
    const QString path = url.toLocalFile();
    if (QFileInfo(path).isDir()) {
        return QStringLiteral("The folder could not be opened on this computer. You can open it yourself:") +
               blankLine + path;
    }
    return QStringLiteral("The file could not be opened on this computer. You can open it yourself:") + blankLine +
           path;
}

bool OpenOrTell(Ui& ui, const QUrl& url, const QString& caption) {
    if (ui.OpenUrl(url)) {
        return true;
    }
    ui.Message(CouldNotOpenText(url), caption, MsgButtons::Ok, MsgIcon::None);
    return false;
}
