#include "cli/ConsoleUi.h"

#include <cstdio>
#include <unistd.h>

namespace {

QByteArray ForTerminal(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    if (::isatty(STDERR_FILENO)) {
        text = EscapeControls(text, u'\n');
    }
    return text.toUtf8();
}

} // namespace

QString EscapeControls(const QString& text, QChar keep) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (c == keep || !(code < 32 || (code >= 127 && code <= 159))) {
            shown += c;
        } else if (code == u'\t') {
            shown += QStringLiteral("\\t");
        } else if (code == u'\n') {
            shown += QStringLiteral("\\n");
        } else if (code == u'\r') {
            shown += QStringLiteral("\\r");
        } else {
            shown += QStringLiteral("\\x") + QString::number(code, 16).rightJustified(2, u'0');
        }
    }
    return shown;
}

void PrintError(const QString& text) {
    std::fprintf(stderr, "lexitally-cli: %s\n", ForTerminal(text).constData());
    std::fflush(stderr);
}

MsgAnswer ConsoleUi::Message(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon) {
    if (caption == QStringLiteral("Application Error")) {
        QString plain = text;
        plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
        m_errorReports << plain;
    }
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
    m_value = percent;
    Show(false);
}

void TerminalProgress::SetText(const ProgressText& text) {
    // Per-word texts carry numbers only: keep them without copying strings.
    m_text.kind = text.kind;
    m_text.a = text.a;
    m_text.b = text.b;
    m_text.c = text.c;
    if (text.kind == ProgressText::Kind::Plain || text.kind == ProgressText::Kind::WritingRow) {
        m_text.text = text.text;
        Show(true); // a new phase: show it before the work that follows
    } else {
        Show(false);
    }
}

void TerminalProgress::Show(bool now) {
    // Looking at the clock only every 1024 calls keeps per-word updates cheap.
    if (!m_show || (!now && ((++m_calls & 1023U) != 0 || m_timer.elapsed() < 200))) {
        return;
    }
    m_timer.restart();
    const QByteArray line =
        QString::number(static_cast<int>(m_value)).toUtf8() + "% " + EscapeControls(Text()).left(70).toUtf8();
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
