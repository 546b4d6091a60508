#include "core/extract/Readability.h"

#include "core/base/ErrorReport.h"
#include "core/base/Paths.h"
#include "core/base/Places.h"
#include "core/base/Texts.h"
#include "core/base/Ui.h"
#include "core/extract/ConversionCache.h"
#include "core/extract/ConversionQueue.h"
#include "core/extract/Converter.h"

#include <QFile>

#include <algorithm>
#include <optional>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

} // namespace

QString ReadabilityOutputPath(const QString& pdf) {
    return TempFolder() + u'/' + FileNameFromPath(StripExtension(pdf)) + QStringLiteral(".txt");
}

QString UnreadableMessage(const QString& unreadable) {
    return QStringLiteral("These files could not be read:") + kCrLf + kCrLf + unreadable + kCrLf +
           QStringLiteral("This program will extract text from a PDF but this program will not extract text within an "
                          "image within a PDF.") +
           kCrLf + kCrLf + QStringLiteral("Email ") + SupportEmail() + QStringLiteral(" if you have any questions.");
}

namespace {

// One readability check in progress. Files converted side by side (more than one job) are
// measured only once every file before them has been, so the list of unreadable files keeps the
// list's order whatever order the converters end in.
class Check {
public:
    // ending: set while the check runs when it is to end early (may be null).
    explicit Check(const ReadabilityContext& context, const bool* ending = nullptr)
        : m_context(context), m_ending(ending), m_steps(*context.ui, QString::fromLatin1(Source::ReadabilityCheck)),
          m_rows(context.rows.count || !context.paths ? context.rows : RowSource::Of(context.paths)),
          m_jobs(context.jobs ? std::max(1, context.jobs()) : 1), m_keeping(context.cache && context.cache->Enabled()),
          m_queue(
              m_jobs, context.yield, [this](ConversionQueue::Entry& file) { Measure(file); }, [this] { ShowLife(); },
              [this] { ShowLife(); }) {}

    QStringList Run();

private:
    void Measure(ConversionQueue::Entry& file);
    void ShowLife();
    void CheckRow(qsizetype row);
    void Convert(ConversionQueue::Entry& file, int rowsLeft);
    bool Ending() const { return m_ending && *m_ending; }
    void HandOver();

    const ReadabilityContext& m_context;
    const bool* m_ending;
    ErrorReport m_steps;
    RowSource m_rows;
    int m_jobs;
    bool m_keeping;
    bool m_ocr = false;
    QString m_converter;
    QString m_unreadable;
    QStringList m_unreadablePaths;
    ConversionQueue m_queue;
};

// Measures one converted (or skipped) file.
void Check::Measure(ConversionQueue::Entry& file) {
    if (file.conversion) {
        const ConverterEnd end = file.conversion->End();
        file.conversion.reset();
        // A text that could not be written whole is not kept: the next use converts again.
        if (m_context.cache && end.TextWhole()) {
            m_context.cache->Store(file.pdf, QString(), end);
        }
        if (m_context.bar) {
            m_context.bar->SetText(kProgressRest); // as at the end of any conversion
        }
    }
    m_steps(112, [&] {
        if (FileSize2(file.output) < 10 &&
            !(m_ocr && OutcomeOf(file.output, m_context.ui) == ExtractionOutcome::NoText)) {
            m_unreadable += file.pdf + kCrLf;
            m_unreadablePaths << file.pdf;
        }
    });
    // Exactly this file: a name holding "*" or "?" is no pattern here. A kept conversion stays.
    m_steps(114, [&] {
        if (!m_keeping) {
            QFile::remove(file.output);
        }
    });
}

// The sign of life of a one-at-a-time check, for the earliest file whose converter has not
// ended: after five seconds "Please wait.. N", and the bar creeping towards 90.
void Check::ShowLife() {
    if (!m_context.bar || m_queue.Empty() || !m_queue.Front().conversion) {
        return;
    }
    const int waited = m_queue.Front().conversion->WaitedPolls();
    if (waited >= 0) {
        m_context.bar->SetText(PleaseWaitText(QString(), waited));
        m_context.bar->SetValue(CreepingValue(0, 0, waited / 150));
    }
}

// Step 110: the file converted, beside others or on its own.
void Check::Convert(ConversionQueue::Entry& file, int rowsLeft) {
    QFile::remove(file.output);
    if (m_jobs > 1) {
        m_queue.Start(file, ConversionPlace{m_converter, QString(), m_context.running}, true, rowsLeft);
        return;
    }
    // No progress text of its own, start value 0 and an unknown file count: a long conversion
    // shows "Please wait.. N" and the bar creeps towards 90; afterwards the bar reads "Progress
    // Bar" again.
    const ConverterEnd end =
        RunAndWait(m_converter, ConverterArguments(file.pdf, QString::fromLatin1(kToStandardOutput)), 0, m_context.bar,
                   QString(), 0, 0, m_context.yield, 100, m_context.running, file.output);
    // A text that could not be written whole is not kept: the next use converts again.
    if (m_context.cache && end.TextWhole()) {
        m_context.cache->Store(file.pdf, QString(), end);
    }
}

void Check::CheckRow(qsizetype row) {
    ConversionQueue::Entry file;
    // A row removed while the check yielded is reported and skipped.
    if (!m_steps(106, [&] {
            FailIf(row >= m_rows.count(), QStringLiteral("Row ") + QString::number(row + 1) +
                                              QStringLiteral(" of the file list no longer exists"));
            file.pdf = m_rows.at(row);
        })) {
        return;
    }
    bool converted = false;
    m_steps(108, [&] {
        file.output = m_keeping ? m_context.cache->TextPath(file.pdf, QString()) : ReadabilityOutputPath(file.pdf);
        // Two converters never write one file: a file listed twice, or two files of one name
        // without a cache, wait for the earlier conversion to be measured.
        m_queue.FollowOrWait(file, false);
        if (m_keeping) {
            // Only a kept conversion that gave text is taken again; a failed one may have been
            // passing and is converted anew.
            const std::optional<ConverterEnd> kept = KeptConversion(m_context.cache, file.pdf, QString(), file.output);
            converted = kept && *kept == ConverterEnd::Exit(0) && FileSize2(file.output) >= 10;
            return;
        }
        QFile::remove(file.output);
    });
    if (Ending()) {
        return;
    }
    m_steps(110, [&] {
        // A FIFO, device or folder would block the converter or mislead it: not converted.
        if (!converted && InputProblem(file.pdf).isEmpty()) {
            Convert(file, static_cast<int>(m_rows.count() - row - 1));
        }
    });
    m_queue.Push(std::move(file));
}

// A check that ends early leaves its conversions still running to whoever needs the files next
// (through the cache: without one they are ended); the rows not yet measured are not named.
void Check::HandOver() {
    while (m_keeping && !m_queue.Empty()) {
        ConversionQueue::Entry& front = m_queue.Front();
        if (front.conversion && !front.conversion->Finished()) {
            m_context.cache->HandOver(front.pdf, front.password, std::move(front.conversion));
        }
        m_queue.Record(false); // what has ended meanwhile is kept as usual
    }
    m_queue.Clear();
}

QStringList Check::Run() {
    qsizetype count = 0;
    m_steps(100, [&] {
        if (m_context.setBusy) {
            m_context.setBusy(true);
        }
    });
    m_steps(102, [&] {
        m_unreadable.clear();
        m_converter = m_context.converter.isEmpty() ? ConverterPath() : m_context.converter;
        m_ocr = m_context.ocr && m_context.ocr();
    });
    m_steps(104, [&] { count = m_rows.count ? m_rows.count() : 0; });
    for (qsizetype row = 0; row < count && !Ending(); ++row) {
        CheckRow(row);
    }
    while (!m_queue.Empty() && !Ending()) {
        m_queue.Record(true);
    }
    HandOver();
    m_steps(116, [&] {
        if (m_context.setBusy) {
            m_context.setBusy(false);
        }
    });
    m_steps(118, [&] {
        if (m_context.moreUnreadable) {
            m_unreadable.prepend(m_context.moreUnreadable());
        }
        if (!m_unreadable.isEmpty() && !Ending()) {
            m_context.ui->Message(UnreadableMessage(m_unreadable), m_context.appTitle, MsgButtons::Ok, MsgIcon::None);
        }
    });
    return m_unreadablePaths;
}

} // namespace

QStringList CheckByCodeNotPreviewTextbox(const ReadabilityContext& context) {
    return Check(context).Run();
}

QStringList CheckByCodeNotPreviewTextbox(const std::function<QStringList()>& paths, Ui& ui, ProgressSink* bar,
                                         const std::function<void(bool)>& setBusy, const Yield& yield,
                                         const QString& appTitle) {
    return CheckByCodeNotPreviewTextbox(
        ReadabilityContext{paths, &ui, bar, setBusy, yield, appTitle, nullptr, QString(), nullptr, {}, {}, {}, {}});
}

void ReadabilityChecker::Request() {
    if (m_running) {
        m_pending = true;
        return;
    }
    m_running = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_running};
    m_ending = false;
    do {
        m_pending = false;
        Check(m_context, &m_ending).Run();
        ++m_completed;
    } while (m_pending && !m_ending);
    m_ending = false;
}

void ReadabilityChecker::End() {
    if (m_running) {
        m_ending = true;
        m_pending = false;
    }
}
