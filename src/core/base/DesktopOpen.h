#pragma once

#include "core/base/Ui.h"

#include <QString>
#include <QUrl>

// Opening a folder, a web page or a file with the desktop, and telling the user when the desktop
// could not: the box gives the path or address to open by hand.

// The box's text for a url the desktop could not open.
QString CouldNotOpenText(const QUrl& url);

// Opens url through ui; when that fails, shows CouldNotOpenText (OK only, no icon, caption).
// Answers whether the desktop opened it.
bool OpenOrTell(Ui& ui, const QUrl& url, const QString& caption);

// Passes everything on to another Ui, but opens through OpenOrTell: for procedures that open a
// page or a folder and have nothing to say when it fails.
class TellingOpenUi : public Ui {
public:
    TellingOpenUi(Ui& inner, QString caption) : m_inner(inner), m_caption(std::move(caption)) {}

    MsgAnswer Message(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon) override {
        return m_inner.Message(text, caption, buttons, icon);
    }
    QString Input(const QString& prompt, const QString& title) override { return m_inner.Input(prompt, title); }
    QStringList OpenFiles(const QString& title, const QString& filter) override {
        return m_inner.OpenFiles(title, filter);
    }
    QString SaveFile(const QString& title, const QString& filter) override { return m_inner.SaveFile(title, filter); }
    QString SaveFileAt(const QString& title, const QString& filter, const QString& suggested) override {
        return m_inner.SaveFileAt(title, filter, suggested);
    }
    QString BrowseForFolder(const QString& title, const QString& startFolder) override {
        return m_inner.BrowseForFolder(title, startFolder);
    }
    bool OpenUrl(const QUrl& url) override { return OpenOrTell(m_inner, url, m_caption); }

private:
    Ui& m_inner;
    QString m_caption;
};
