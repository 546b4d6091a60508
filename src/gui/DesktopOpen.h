#pragma once

#include "core/base/Ui.h"
#include "core/base/Yield.h"

#include <QString>
#include <QUrl>

// Opening a folder, a web page or a file with the desktop, and telling the user when the desktop
// could not: the box gives the path or address to open by hand.

// The desktop's opener program (xdg-open on PATH); "" when there is none.
QString DesktopOpener();

// Runs an opener (the desktop's, or a program given the file) and judges it by its exit status,
// yielding while it waits: status 0 means it opened the file; any other status, a crash or a
// failed start means it did not. An opener still running after settleMs shows the file itself
// (some run the application in their own process); it is left running and counts as opened.
bool RunOpener(const QString& program, const QStringList& arguments, const Yield& yield, int settleMs = 10000);

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

// What can show a workbook: the desktop's default application for .xlsx, and the first of
// libreoffice, soffice, localc, gnumeric on PATH (its full path). The window opens a workbook
// with the desktop's opener and, when that fails, starts this program with the file.
struct SpreadsheetApplication {
    bool desktopDefault = false;
    QString program;
    bool Found() const { return desktopDefault || !program.isEmpty(); }
};
SpreadsheetApplication FindSpreadsheetApplication();

// True when FindSpreadsheetApplication found something to show a workbook with.
bool SpreadsheetApplicationInstalled();
