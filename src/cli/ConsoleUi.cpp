#include "ConsoleUi.h"

#include <cstdio>

namespace {

QByteArray ForTerminal(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text.toUtf8();
}

} // namespace

void PrintError(const QString& text) {
    std::fprintf(stderr, "lexitally-cli: %s\n", ForTerminal(text).constData());
    std::fflush(stderr);
}

MsgAnswer ConsoleUi::Message(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon) {
    PrintError(caption.isEmpty() ? text : caption + QStringLiteral(": ") + text);
    return buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
}

TerminalProgress::TerminalProgress(bool show) : m_show(show) {
    m_timer.start();
}

TerminalProgress::~TerminalProgress() {
    Done();
}

void TerminalProgress::SetValue(double percent) {
    ProgressMemory::SetValue(percent);
    MaybeShow();
}

void TerminalProgress::SetText(const ProgressText& text) {
    ProgressMemory::SetText(text);
    MaybeShow();
}

void TerminalProgress::MaybeShow() {
    // Looking at the clock only every 1024 calls keeps per-word updates cheap.
    if (!m_show || (++m_calls & 1023U) != 0 || m_timer.elapsed() < 200) {
        return;
    }
    m_timer.restart();
    const QByteArray line = QString::number(static_cast<int>(Value())).toUtf8() + "% " + Text().left(70).toUtf8();
    std::fprintf(stderr, "\r\033[K%s", line.constData());
    std::fflush(stderr);
    m_shown = true;
}

void TerminalProgress::Done() {
    if (m_shown) {
        std::fprintf(stderr, "\r\033[K");
        std::fflush(stderr);
        m_shown = false;
    }
}
