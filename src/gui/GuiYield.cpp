#include "gui/GuiYield.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSet>

namespace {
QSet<GuiProgressBar*>& Bars() {
    static QSet<GuiProgressBar*> bars;
    return bars;
}
} // namespace

Yield GuiYield() {
    return [] {
        static QElapsedTimer clock;
        if (!clock.isValid() || clock.elapsed() >= 15) {
            GuiProgressBar::FlushAll();
            QCoreApplication::processEvents();
            clock.start();
        }
    };
}

GuiProgressBar::GuiProgressBar(QWidget* parent) : QProgressBar(parent) {
    setRange(0, 100);
    setValue(0);
    setTextVisible(true);
    setAlignment(Qt::AlignCenter);
    m_text = ProgressText::Plain(QStringLiteral("Progress Bar"));
    Bars().insert(this);
    Flush();
}

GuiProgressBar::~GuiProgressBar() {
    Bars().remove(this);
}

void GuiProgressBar::SetValue(double percent) {
    m_value = percent;
    m_dirty = true;
}

void GuiProgressBar::SetText(const ProgressText& text) {
    m_text = text;
    m_dirty = true;
    if (text.kind == ProgressText::Kind::Plain) {
        Flush();
    }
}

void GuiProgressBar::SetNote(const QString& note) {
    if (note != m_note) {
        m_note = note;
        Flush();
    }
}

void GuiProgressBar::Flush() {
    const int shown = static_cast<int>(std::clamp(m_value, 0.0, 100.0));
    if (value() != shown) {
        setValue(shown);
    }
    QString text = m_text.Format();
    if (!m_note.isEmpty()) {
        text += QStringLiteral("  \u2014  ") + m_note;
    }
    text.replace(u'%', QStringLiteral("%%"));
    if (format() != text) {
        setFormat(text);
    }
    m_dirty = false;
}

void GuiProgressBar::FlushAll() {
    for (GuiProgressBar* bar : Bars()) {
        if (bar->m_dirty) {
            bar->Flush();
        }
    }
}
