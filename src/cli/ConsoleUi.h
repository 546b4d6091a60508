#pragma once

#include "core/base/Progress.h"
#include "core/base/Texts.h"
#include "core/base/Ui.h"

#include <QElapsedTimer>

// Messages (error reports among them) go to standard error; questions are answered No, prompts
// and pickers are cancelled.
class ConsoleUi : public Ui {
public:
    MsgAnswer Message(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon) override;
    QString Input(const QString&, const QString&) override { return {}; }
    QStringList OpenFiles(const QString&, const QString&) override { return {}; }
    QString SaveFile(const QString&, const QString&) override { return {}; }
    QString BrowseForFolder(const QString&, const QString&) override { return {}; }
    bool OpenUrl(const QUrl&) override { return false; }
    // A failure that concerns a file reads "FILE: what went wrong: the system's reason"; any
    // other shows the error report's text.
    void ReportStepFailure(const StepFailure& failure) override;
};

// Shows progress on standard error, a few times a second, on one line that is rewritten: the
// phase of the run, the files done of all while they are converted, the share of the text
// counted, and once a phase has taken a few seconds an estimate of the time it has left, as in
// "converting: 3 of 10 files done, about 42 s left". When not shown (not a terminal, or quiet)
// it only remembers the last value and text.
class TerminalProgress : public ProgressSink {
public:
    // texts: the files are texts given in place of PDFs (read, not converted); oneText: the
    // count walks one text, whose share counted tells the time left.
    explicit TerminalProgress(bool show, bool texts = false, bool oneText = true);
    ~TerminalProgress() override;
    void SetValue(double percent) override;
    double Value() const override { return m_value; }
    void SetText(const ProgressText& text) override;
    using ProgressSink::SetText;
    QString Text() const override { return m_text.Format(); }
    // The first `done` files of n have been converted.
    void FilesDone(int done, int n);
    // The files in the order they are done: the time left is estimated by their sizes, not by
    // their number (a few big files at the end take their time).
    void SetFileSizes(const QStringList& files);
    // Clears the progress line; what comes next is shown as a stage of its own.
    void Done();
    // False when nothing is shown (quiet, or standard error is no terminal): the run need not
    // tell it anything.
    bool Showing() const { return m_show; }

    enum class Phase { None, Converting, Counting, Sorting };
    // The line shown for a phase: done of n files converted, the share (percent) of the phase's
    // work done, the estimated seconds left (below 0: none).
    static QString Line(Phase phase, bool texts, int done, int n, double percent, qint64 secondsLeft);

private:
    void Enter(Phase phase);
    void Show(bool now, bool often = false);
    qint64 SecondsLeft() const;
    bool m_show;
    bool m_texts;
    bool m_oneText;
    bool m_shown = false;
    unsigned m_calls = 0;
    double m_value = 0;
    ProgressText m_text;
    QElapsedTimer m_timer;
    Phase m_phase = Phase::None;
    QElapsedTimer m_phaseClock;
    int m_done = 0;
    int m_files = 0;
    QList<qint64> m_sizeBefore; // [i]: the bytes of the files before file i; one more at the end
};

// Writes a line to standard error: "lexitally-cli: " + text. On a terminal, control characters
// (file names may hold escape sequences) are shown escaped: "\t", "\n", "\r", "\x1b", "\x9b".
void PrintError(const QString& text);

// Writes text (help, a version, a listing) to standard output: 0 when all of it was written, else
// 1 after saying why on standard error.
int PrintOutput(const QString& text);
