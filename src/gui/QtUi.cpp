#include "gui/QtUi.h"

#include "gui/DesktopOpen.h"
#include "gui/GuiYield.h"
#include "gui/MessageDialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>

namespace {
// The window a dialog belongs to: the active window while it is shown, else the program's
// window on the screen (the main window and the results window take turns).
QWidget* Owner() {
    QWidget* active = QApplication::activeWindow();
    if (active && active->isVisible()) {
        return active;
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->isWindow() && window->windowType() == Qt::Window) {
            return window;
        }
    }
    return nullptr;
}
} // namespace

QString QtUi::DisplayText(const QString& text) {
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(u'\r', u'\n');
    return out;
}

QString QtUi::QtFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|', Qt::SkipEmptyParts);
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = QString(parts[i + 1]).replace(u';', u' ');
        out << (parts[i].contains(u'(') ? parts[i] : parts[i] + QStringLiteral(" (") + patterns + u')');
    }
    return out.join(QStringLiteral(";;"));
}

MsgAnswer QtUi::Message(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon) {
    MessageDialog box(Owner(), DisplayText(text), caption, buttons, icon);
    return box.Ask();
}

QString QtUi::Input(const QString& prompt, const QString& title) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(Owner(), title, DisplayText(prompt), QLineEdit::Password, QString(), &ok);
    return ok ? text : QString();
}

QStringList QtUi::OpenFiles(const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileNames(Owner(), title, QString(), QtFilter(filter));
}

QString QtUi::SaveFile(const QString& title, const QString& filter) {
    return QFileDialog::getSaveFileName(Owner(), title, QString(), QtFilter(filter), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString QtUi::SaveFileAt(const QString& title, const QString& filter, const QString& suggested) {
    return QFileDialog::getSaveFileName(Owner(), title, suggested, QtFilter(filter), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

QString QtUi::BrowseForFolder(const QString& title, const QString& startFolder) {
    return QFileDialog::getExistingDirectory(Owner(), title, startFolder, QFileDialog::ShowDirsOnly);
}

bool QtUi::OpenUrl(const QUrl& url) {
    // The desktop's opener reports success as soon as it starts; only its exit status tells
    // whether an application took the file.
    const QString opener = DesktopOpener();
    if (opener.isEmpty()) {
        return QDesktopServices::openUrl(url);
    }
    return RunOpener(opener, {url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded)}, GuiYield());
}
