#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

// Everything that talks to the user through a dialog goes through this seam: message
// boxes, questions, the password prompt, file and folder pickers and "open with the desktop".
// The windows get a Qt implementation; tests and the command line get their own.

enum class MsgButtons { Ok, YesNo };
enum class MsgIcon { None, Exclamation, Question, Information };
enum class MsgAnswer { Ok, Yes, No };

struct StepFailure;

class Ui {
public:
    virtual ~Ui() = default;

    // Shows a message box and waits for the answer. Line breaks in text may be CR, LF or CR LF.
    virtual MsgAnswer Message(const QString& text, const QString& caption, MsgButtons buttons = MsgButtons::Ok,
                              MsgIcon icon = MsgIcon::None) = 0;

    // Asks for a line of text (the password prompt). Cancel gives an empty text.
    virtual QString Input(const QString& prompt, const QString& title) = 0;

    // Open dialog allowing several files; the paths in the order chosen, empty on cancel.
    virtual QStringList OpenFiles(const QString& title, const QString& filter) = 0;

    // Save dialog; the chosen path, empty on cancel. The dialog asks no overwrite question itself.
    virtual QString SaveFile(const QString& title, const QString& filter) = 0;

    // Save dialog that opens at `suggested`: a folder and the file name it offers. Otherwise as
    // SaveFile; a Ui without such a dialog shows its plain one.
    virtual QString SaveFileAt(const QString& title, const QString& filter, const QString& suggested) {
        (void)suggested;
        return SaveFile(title, filter);
    }

    // Folder picker opened on startFolder; the chosen folder, empty on cancel.
    virtual QString BrowseForFolder(const QString& title, const QString& startFolder) = 0;

    // Opens a local path or a web address with the desktop's default application.
    virtual bool OpenUrl(const QUrl& url) = 0;

    // A step that failed: the failure's description, the procedure's source and the step's
    // number. By default the error report's box (see ErrorReport.h); a Ui that keeps failures
    // as data (the command line's exit status comes from them) overrides it.
    virtual void ReportFailure(const QString& description, const QString& source, int step);
    // The same with what else the failure tells (the file it concerns); by default ReportFailure.
    virtual void ReportStepFailure(const StepFailure& failure);
};

// Answers every box as if the user closed it at once and shows nothing (command line without a
// terminal, unattended runs).
class SilentUi : public Ui {
public:
    MsgAnswer Message(const QString&, const QString&, MsgButtons buttons, MsgIcon) override {
        return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
    }
    QString Input(const QString&, const QString&) override { return {}; }
    QStringList OpenFiles(const QString&, const QString&) override { return {}; }
    QString SaveFile(const QString&, const QString&) override { return {}; }
    QString BrowseForFolder(const QString&, const QString&) override { return {}; }
    bool OpenUrl(const QUrl&) override { return false; }
};
