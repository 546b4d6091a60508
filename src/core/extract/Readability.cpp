#include "core/extract/Readability.h"

#include "core/base/ErrorReport.h"
#include "core/base/Paths.h"
#include "core/base/Places.h"
#include "core/base/Texts.h"
#include "core/base/Ui.h"
#include "core/extract/ConversionCache.h"
#include "core/extract/Converter.h"

#include <QFile>

#include <algorithm>
#include <deque>
#include <memory>

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

QStringList CheckByCodeNotPreviewTextbox(const ReadabilityContext& context) {
    Ui& ui = *context.ui;
    ErrorReport steps(ui, QString::fromLatin1(Source::ReadabilityCheck));
    QString converter;
    QString unreadable;
    QStringList unreadablePaths;
    qsizetype count = 0;
    const int jobs = context.jobs ? std::max(1, context.jobs()) : 1;
    const bool keeping = context.cache && context.cache->Enabled();

    // Files converted side by side (more than one job) and not yet measured, in list order. A
    // file is measured only once every file before it has been, so the list of unreadable files
    // keeps the list's order whatever order the converters end in.
    struct Pending {
        QString pdf;
        QString output;
        std::unique_ptr<BackgroundConversion> conversion; // null: nothing converted for this row
    };
    std::deque<Pending> pending;

    // Measures one converted (or skipped) file.
    const auto measure = [&](Pending& file) {
        if (file.conversion) {
            const ConverterEnd end = file.conversion->End();
            file.conversion.reset();
            // A text that could not be written whole is not kept: the next use converts again.
            if (context.cache && end.TextWhole()) {
                context.cache->Store(file.pdf, QString(), end);
            }
            if (context.bar) {
                context.bar->SetText(kProgressRest); // as at the end of any conversion
            }
        }
        steps(112, [&] {
            if (FileSize2(file.output) < 10) {
                unreadable += file.pdf + kCrLf;
                unreadablePaths << file.pdf;
            }
        });
        // Exactly this file: a name holding "*" or "?" is no pattern here. A kept conversion stays.
        steps(114, [&] {
            if (!keeping) {
                QFile::remove(file.output);
            }
        });
    };
    // The sign of life of a one-at-a-time check, for the earliest file whose converter has not
    // ended: after five seconds "Please wait.. N", and the bar creeping towards 90.
    const auto showLife = [&] {
        if (!context.bar || pending.empty() || !pending.front().conversion) {
            return;
        }
        const int waited = pending.front().conversion->WaitedPolls();
        if (waited >= 0) {
            context.bar->SetText(PleaseWaitText(QString(), waited));
            context.bar->SetValue(CreepingValue(0, 0, waited / 150));
        }
    };
    // Measures the files at the front whose conversion has ended; with `wait`, waits for the
    // front one first.
    const auto record = [&](bool wait) {
        while (!pending.empty()) {
            Pending& front = pending.front();
            if (front.conversion) {
                while (wait && !front.conversion->Finished(20)) {
                    showLife();
                    YieldNow(context.yield);
                }
                if (!front.conversion->Finished()) {
                    showLife();
                    return;
                }
            }
            Pending file = std::move(front);
            pending.pop_front();
            measure(file);
            wait = false;
        }
    };

    steps(100, [&] {
        if (context.setBusy) {
            context.setBusy(true);
        }
    });
    steps(102, [&] {
        unreadable.clear();
        converter = context.converter.isEmpty() ? ConverterPath() : context.converter;
    });
    steps(104, [&] { count = context.paths ? context.paths().size() : 0; });
    for (qsizetype row = 0; row < count; ++row) {
        Pending file;
        // A row removed while the check yielded is reported and skipped.
        if (!steps(106, [&] {
                const QStringList rows = context.paths();
                FailIf(row >= rows.size(), QStringLiteral("Row ") + QString::number(row + 1) +
                                               QStringLiteral(" of the file list no longer exists"));
                file.pdf = rows[row];
            })) {
            continue;
        }
        const QString& pdf = file.pdf;
        QString& output = file.output;
        bool converted = false;
        steps(108, [&] {
            ConverterEnd end;
            output = keeping ? context.cache->TextPath(pdf, QString()) : ReadabilityOutputPath(pdf);
            // Two converters never write one file: a file listed twice, or two files of one
            // name without a cache, wait for the earlier conversion to be measured.
            while (std::any_of(pending.begin(), pending.end(), [&](const Pending& p) { return p.output == output; })) {
                record(true);
            }
            if (keeping) {
                // Only a kept conversion that gave text is taken again; a failed one may have
                // been passing and is converted anew.
                converted = context.cache->Lookup(pdf, QString(), end) && end == ConverterEnd::Exit(0) &&
                            FileSize2(output) >= 10;
                return;
            }
            QFile::remove(output);
        });
        steps(110, [&] {
            // A FIFO, device or folder would block the converter or mislead it: not converted.
            if (converted || !InputProblem(pdf).isEmpty()) {
                return;
            }
            QFile::remove(output);
            if (jobs > 1) {
                WaitForFreeConverter(pending, jobs, context.yield, [&] {
                    record(false);
                    showLife();
                });
                file.conversion = std::make_unique<BackgroundConversion>(
                    pdf, QString(), ConversionPlace{converter, QString(), context.running}, output);
                return;
            }
            // No progress text of its own, start value 0 and an unknown file count: a long
            // conversion shows "Please wait.. N" and the bar creeps towards 90; afterwards the
            // bar reads "Progress Bar" again.
            const ConverterEnd end =
                RunAndWait(converter, ConverterArguments(pdf, QString::fromLatin1(kToStandardOutput)), 0, context.bar,
                           QString(), 0, 0, context.yield, 100, context.running, output);
            // A text that could not be written whole is not kept: the next use converts again.
            if (context.cache && end.TextWhole()) {
                context.cache->Store(pdf, QString(), end);
            }
        });
        pending.push_back(std::move(file));
        record(false);
    }
    while (!pending.empty()) {
        record(true);
    }
    steps(116, [&] {
        if (context.setBusy) {
            context.setBusy(false);
        }
    });
    steps(118, [&] {
        if (context.moreUnreadable) {
            unreadable.prepend(context.moreUnreadable());
        }
        if (!unreadable.isEmpty()) {
            ui.Message(UnreadableMessage(unreadable), context.appTitle, MsgButtons::Ok, MsgIcon::None);
        }
    });
    return unreadablePaths;
}

QStringList CheckByCodeNotPreviewTextbox(const std::function<QStringList()>& paths, Ui& ui, ProgressSink* bar,
                                         const std::function<void(bool)>& setBusy, const Yield& yield,
                                         const QString& appTitle) {
    return CheckByCodeNotPreviewTextbox(
        ReadabilityContext{paths, &ui, bar, setBusy, yield, appTitle, nullptr, QString(), nullptr, {}, {}});
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
    do {
        m_pending = false;
        CheckByCodeNotPreviewTextbox(m_context);
        ++m_completed;
    } while (m_pending);
}
