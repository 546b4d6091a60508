#include "core/extract/Readability.h"

#include "core/base/ErrorReport.h"
#include "core/base/Paths.h"
#include "core/base/Places.h"
#include "core/base/Texts.h"
#include "core/base/Ui.h"
#include "core/extract/ConversionCache.h"
#include "core/extract/Converter.h"

#include <QFile>

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

    steps(100, [&] {
        if (context.setBusy) {
            context.setBusy(true);
        }
    });
    steps(102, [&] {
        unreadable.clear();
        converter = ConverterPath();
    });
    steps(104, [&] { count = context.paths ? context.paths().size() : 0; });
    for (qsizetype row = 0; row < count; ++row) {
        QString pdf;
        QString output;
        // A row removed while the check yielded is reported and skipped.
        if (!steps(106, [&] {
                const QStringList rows = context.paths();
                FailIf(row >= rows.size(), QStringLiteral("Row ") + QString::number(row + 1) +
                                               QStringLiteral(" of the file list no longer exists"));
                pdf = rows[row];
            })) {
            continue;
        }
        bool converted = false;
        steps(108, [&] {
            int code = 0;
            if (context.cache && context.cache->Enabled()) {
                output = context.cache->TextPath(pdf, QString());
                converted = context.cache->Lookup(pdf, QString(), code);
                return;
            }
            output = ReadabilityOutputPath(pdf);
            QFile::remove(output);
        });
        steps(110, [&] {
            // "Checking file i of n" on a bar that fills file by file.
            const QString checking = QStringLiteral("Checking file %1 of %2").arg(row + 1).arg(count);
            const int startValue = static_cast<int>(row * 100 / count);
            if (context.bar) {
                context.bar->SetValue(startValue);
                context.bar->SetText(checking);
            }
            // A FIFO, device or folder would block the converter or mislead it: not converted.
            if (converted || !InputProblem(pdf).isEmpty()) {
                return;
            }
            QFile::remove(output);
            const int code = RunAndWait(converter, ConverterArguments(pdf, output), 0, context.bar, checking,
                                        startValue, static_cast<int>(count), context.yield, 100, context.running);
            if (context.cache) {
                context.cache->Store(pdf, QString(), code);
            }
        });
        steps(112, [&] {
            if (FileSize2(output) < 10) {
                unreadable += pdf + kCrLf;
                unreadablePaths << pdf;
            }
        });
        // Exactly this file: a name holding "*" or "?" is no pattern here. A kept conversion stays.
        steps(114, [&] {
            if (!context.cache || !context.cache->Enabled()) {
                QFile::remove(output);
            }
        });
    }
    steps(116, [&] {
        if (context.bar) {
            context.bar->SetValue(0);
            context.bar->SetText(kProgressRest);
        }
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
        ReadabilityContext{paths, &ui, bar, setBusy, yield, appTitle, nullptr, nullptr, {}});
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
