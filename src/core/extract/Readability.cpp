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
        converter = context.converter.isEmpty() ? ConverterPath() : context.converter;
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
                // Only a kept conversion that gave text is taken again; a failed one may have
                // been passing and is converted anew.
                converted = context.cache->Lookup(pdf, QString(), code) && code == 0 && FileSize2(output) >= 10;
                return;
            }
            output = ReadabilityOutputPath(pdf);
            QFile::remove(output);
        });
        steps(110, [&] {
            // A FIFO, device or folder would block the converter or mislead it: not converted.
            if (converted || !InputProblem(pdf).isEmpty()) {
                return;
            }
            QFile::remove(output);
            // No progress text of its own, start value 0 and an unknown file count: a long
            // conversion shows "Please wait.. N" and the bar creeps towards 90; afterwards the
            // bar reads "Progress Bar" again.
            const int code = RunAndWait(converter, ConverterArguments(pdf, QString::fromLatin1(kToStandardOutput)), 0,
                                        context.bar, QString(), 0, 0, context.yield, 100, context.running, output);
            // A text that could not be written whole is not kept: the next use converts again.
            if (context.cache && code != kTextFolderFull && code != kTextNotWritten) {
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
        ReadabilityContext{paths, &ui, bar, setBusy, yield, appTitle, nullptr, QString(), nullptr, {}});
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
