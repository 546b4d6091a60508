#pragma once

#include <QString>
#include <QtGlobal>

// A progress text handed over as numbers: hot loops never format strings, the sink formats
// only when it is about to show the text.
struct ProgressText {
    enum class Kind {
        Plain,          // text
        CountingToken,  // "Counting words, please wait... " + a + "." + b
        CountingRecord, // "Counting words, please wait... " + a
        SortingLoop,    // "Sorting words, loop " + a + " of " + b + ", please wait... " + c
        WritingRow,     // "Writing file: " + text + " (" + a + ")"
    };
    Kind kind = Kind::Plain;
    QString text;
    qint64 a = 0;
    qint64 b = 0;
    qint64 c = 0;

    static ProgressText Plain(const QString& text) { return {Kind::Plain, text, 0, 0, 0}; }
    QString Format() const;
};

// Where long work shows its progress: a value from 0 to 100 and a text.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void SetValue(double percent) = 0;
    virtual double Value() const = 0;
    virtual void SetText(const ProgressText& text) = 0;
    void SetText(const QString& text) { SetText(ProgressText::Plain(text)); }
    virtual QString Text() const = 0;
};

// A sink that only remembers the last value and text (command line, tests).
class ProgressMemory : public ProgressSink {
public:
    void SetValue(double percent) override { m_value = percent; }
    double Value() const override { return m_value; }
    void SetText(const ProgressText& text) override { m_text = text; }
    QString Text() const override { return m_text.Format(); }

private:
    double m_value = 0;
    ProgressText m_text = ProgressText::Plain(QStringLiteral("Progress Bar"));
};
