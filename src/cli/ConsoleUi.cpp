#include "cli/ConsoleUi.h"

#include "core/base/ErrorReport.h"
#include "core/base/Paths.h"
#include "core/base/System.h"

#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

QByteArray ForTerminal(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    if (::isatty(STDERR_FILENO)) {
        text = EscapeControls(text, u'\n');
    }
    return ShownFileName(text).toUtf8(); // a name's byte that is not UTF-8 shows as U+FFFD
}

} // namespace

namespace {

// Whether a progress line stands on standard error now: a message clears it first, so that the
// message starts a line of its own; the next update shows the line again.
bool g_progressShown = false;

void ClearProgressLine() {
    if (g_progressShown) {
        std::fputs("\r\033[K", stderr);
        g_progressShown = false;
    }
}

// The columns of the terminal on standard error; 0 when unknown.
int TerminalColumns() {
    winsize size{};
    return ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

} // namespace

void PrintError(const QString& text) {
    ClearProgressLine();
    std::fprintf(stderr, "lexitally-cli: %s\n", ForTerminal(text).constData());
    std::fflush(stderr);
}

int PrintOutput(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    errno = 0;
    const bool written = std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout) ==
                             static_cast<size_t>(bytes.size()) &&
                         std::fflush(stdout) == 0;
    if (!written) {
        PrintError(QStringLiteral("cannot write to standard output: ") + SystemError(errno));
        return 1;
    }
    return 0;
}

MsgAnswer ConsoleUi::Message(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon) {
    PrintError(caption.isEmpty() ? text : caption + QStringLiteral(": ") + text);
    return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
}

void ConsoleUi::ReportStepFailure(const StepFailure& failure) {
    if (failure.problem.isEmpty()) {
        Ui::ReportStepFailure(failure);
        return;
    }
    PrintError(failure.problem.file + QStringLiteral(": ") + failure.problem.what + QStringLiteral(": ") +
               failure.problem.reason);
}

TerminalProgress::TerminalProgress(bool show, bool texts, bool oneText)
    : m_show(show), m_texts(texts), m_oneText(oneText) {
    m_timer.start();
}

TerminalProgress::~TerminalProgress() {
    Done();
}

namespace {

// A phase must have run this long before the time it has left is estimated.
constexpr qint64 kEstimateAfterMs = 5000;

QString Duration(qint64 seconds) {
    if (seconds < 60) {
        return QString::number(std::max<qint64>(seconds, 1)) + QStringLiteral(" s");
    }
    const qint64 minutes = (seconds + 30) / 60;
    if (minutes < 60) {
        return QString::number(minutes) + QStringLiteral(" min");
    }
    return QString::number(minutes / 60) + QStringLiteral(" h ") +
           QString::number(minutes % 60).rightJustified(2, u'0') + QStringLiteral(" min");
}

} // namespace

QString TerminalProgress::Line(Phase phase, bool texts, int done, int n, double percent, qint64 secondsLeft) {
    QString line;
    switch (phase) {
    case Phase::None:
        return {};
    case Phase::Converting:
        if (n == 0) {
            return {}; // not known yet
        }
        line = (texts ? QStringLiteral("reading: ") : QStringLiteral("converting: ")) + QString::number(done) +
               QStringLiteral(" of ") + QString::number(n) +
               (n == 1 ? QStringLiteral(" file done") : QStringLiteral(" files done"));
        break;
    case Phase::Counting:
        line = QStringLiteral("counting: ") + QString::number(static_cast<int>(percent)) + u'%';
        break;
    case Phase::Sorting:
        line = QStringLiteral("sorting: ") + QString::number(static_cast<int>(percent)) + u'%';
        break;
    }
    if (secondsLeft >= 0) {
        line += QStringLiteral(", about ") + Duration(secondsLeft) + QStringLiteral(" left");
    }
    return line;
}

void TerminalProgress::Enter(Phase phase) {
    if (phase != m_phase) {
        m_phase = phase;
        m_phaseClock.start();
        Show(true);
    }
}

void TerminalProgress::SetValue(double percent) {
    // A count that starts again (the next file's text) starts its clock again.
    if (m_phase == Phase::Counting && percent < m_value) {
        m_phaseClock.start();
    }
    m_value = percent;
    Show(false);
}

void TerminalProgress::SetText(const ProgressText& text) {
    // Per-word texts carry numbers only: keep them without copying strings.
    m_text.kind = text.kind;
    m_text.a = text.a;
    m_text.b = text.b;
    m_text.c = text.c;
    switch (text.kind) {
    case ProgressText::Kind::CountingToken:
        Enter(Phase::Counting);
        Show(false);
        return;
    case ProgressText::Kind::CountingRecord:
    case ProgressText::Kind::SortingLoop:
        Enter(Phase::Sorting);
        Show(false);
        return;
    case ProgressText::Kind::Plain:
    case ProgressText::Kind::WritingRow:
        break;
    }
    m_text.text = text.text;
    // The methods name their sort; every other text comes from the conversions.
    if (text.text.startsWith(QStringLiteral("Sorting words")) ||
        text.text.startsWith(QStringLiteral("Counting words"))) {
        Enter(Phase::Sorting);
    } else if (m_phase == Phase::None) {
        Enter(Phase::Converting);
    } else {
        Show(false, true); // a conversion that takes its time: the estimate moves on
    }
}

void TerminalProgress::FilesDone(int done, int n) {
    m_done = done;
    m_files = n;
    if (m_phase == Phase::None) {
        Enter(Phase::Converting);
    }
    Show(done == 0, true); // the number of files, as soon as it is known
}

void TerminalProgress::SetFileSizes(const QStringList& files) {
    m_sizeBefore = {0};
    for (const QString& file : files) {
        m_sizeBefore << m_sizeBefore.last() + std::max<qint64>(QFileInfo(file).size(), 1);
    }
}

qint64 TerminalProgress::SecondsLeft() const {
    if (!m_phaseClock.isValid() || m_phaseClock.elapsed() < kEstimateAfterMs) {
        return -1;
    }
    const double elapsed = static_cast<double>(m_phaseClock.elapsed()) / 1000.0;
    if (m_phase == Phase::Converting && m_done > 0 && m_done < m_files) {
        if (m_sizeBefore.size() == m_files + 1) {
            const double done = static_cast<double>(m_sizeBefore[m_done]);
            return static_cast<qint64>(elapsed / done * (static_cast<double>(m_sizeBefore.last()) - done));
        }
        return static_cast<qint64>(elapsed / m_done * (m_files - m_done));
    }
    if (m_phase == Phase::Counting && m_oneText && m_value >= 1 && m_value < 100) {
        return static_cast<qint64>(elapsed / m_value * (100 - m_value));
    }
    return -1;
}

void TerminalProgress::Show(bool now, bool often) {
    // Looking at the clock only every 1024 calls keeps per-word updates cheap.
    if (!m_show || (!now && ((!often && (++m_calls & 1023U) != 0) || m_timer.elapsed() < 200))) {
        return;
    }
    const QString line = Line(m_phase, m_texts, m_done, m_files, m_value, SecondsLeft());
    if (line.isEmpty()) {
        return;
    }
    m_timer.restart();
    // Never wider than the terminal: a line that wraps could not be rewritten in place.
    const int columns = TerminalColumns();
    const QString shown = columns > 1 && line.size() >= columns ? line.left(columns - 2) + u'\u2026' : line;
    std::fprintf(stderr, "\r\033[K%s", shown.toUtf8().constData());
    std::fflush(stderr);
    m_shown = true;
    g_progressShown = true;
}

void TerminalProgress::Done() {
    if (m_shown) {
        ClearProgressLine();
        std::fflush(stderr);
        m_shown = false;
    }
    // A later stage (the second reading of --stats) starts over.
    m_phase = Phase::None;
    m_done = 0;
    m_files = 0;
    m_value = 0;
}
