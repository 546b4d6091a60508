#pragma once

#include "core/base/Progress.h"
#include "core/base/Yield.h"

#include <QProgressBar>

// The windows' event pump for long work: at most one real processEvents() every ~15 ms,
// so a yield per token costs next to nothing.
Yield GuiYield();

// A progress bar that shows a text over its bar and is also a progress sink. Texts handed
// over as numbers are formatted only when the bar is repainted.
class GuiProgressBar : public QProgressBar, public ProgressSink {
public:
    explicit GuiProgressBar(QWidget* parent = nullptr);
    ~GuiProgressBar() override;

    void SetValue(double percent) override;
    double Value() const override { return m_value; }
    void SetText(const ProgressText& text) override;
    using ProgressSink::SetText;
    QString Text() const override { return m_text.Format(); }

    // A remark shown after the text until it is cleared ("" clears): what the window could not do
    // just now. Text() stays the text alone.
    void SetNote(const QString& note);
    const QString& Note() const { return m_note; }

    // Shows the latest value and text; the event pump calls it for every bar.
    void Flush();
    static void FlushAll();

private:
    double m_value = 0;
    ProgressText m_text;
    QString m_note;
    bool m_dirty = false;
};
