#pragma once

#include "core/base/Ui.h"

class QWidget;

// The Ui of the windows: real message boxes and dialogs, owned by the active window.
class QtUi : public Ui {
public:
    MsgAnswer Message(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon) override;
    QString Input(const QString& prompt, const QString& title) override;
    QStringList OpenFiles(const QString& title, const QString& filter) override;
    QString SaveFile(const QString& title, const QString& filter) override;
    QString SaveFileAt(const QString& title, const QString& filter, const QString& suggested) override;
    QString BrowseForFolder(const QString& title, const QString& startFolder) override;
    bool OpenUrl(const QUrl& url) override;

    // "PDF Files (*.pdf)|*.pdf|" style filters become Qt's "PDF Files (*.pdf);;..." form.
    static QString QtFilter(const QString& filter);
    // CR LF and lone CR become LF for display.
    static QString DisplayText(const QString& text);
};
