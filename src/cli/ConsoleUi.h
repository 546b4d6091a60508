#pragma once

#include "core/base/Progress.h"
#include "core/base/Ui.h"

#include <QElapsedTimer>

// Messages (error reports) go to standard error; questions are answered No, prompts and
// pickers are cancelled. The error reports shown are kept for the exit status and the JSON.
class ConsoleUi : public Ui {
public:
    MsgAnswer Message(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon) override;
    const QStringList& ErrorReports() const { return m_errorReports; }
    QString Input(const QString&, const QString&) override { return {}; }
    QStringList OpenFiles(const QString&, const QString&) override { return {}; }
    QString SaveFile(const QString&, const QString&) override { return {}; }
    QString BrowseForFolder(const QString&, const QString&) override { return {}; }
    bool OpenUrl(const QUrl&) override { return false; }

private:
    QStringList m_errorReports;
};

// Shows progress on standard error, a few times a second, on one line that is rewritten.
// When not shown (not a terminal, or quiet) it only remembers the last value and text.
class TerminalProgress : public ProgressSink {
public:
    explicit TerminalProgress(bool show);
    ~TerminalProgress() override;
    void SetValue(double percent) override;
    double Value() const override { return m_value; }
    void SetText(const ProgressText& text) override;
    using ProgressSink::SetText;
    QString Text() const override { return m_text.Format(); }
    // Clears the progress line.
    void Done();

private:
    void Show(bool now);
    bool m_show;
    bool m_shown = false;
    unsigned m_calls = 0;
    double m_value = 0;
    ProgressText m_text;
    QElapsedTimer m_timer;
};

// Writes a line to standard error: "lexitally-cli: " + text. On a terminal, control characters
// (file names may hold escape sequences) are shown escaped: "\t", "\n", "\r", "\x1b", "\x9b".
void PrintError(const QString& text);

// The text with every control character (below 32, 127 to 159) but `keep` written as an escape.
QString EscapeControls(const QString& text, QChar keep = QChar(0xFFFF));
