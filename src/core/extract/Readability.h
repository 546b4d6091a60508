#pragma once

#include "core/base/Progress.h"
#include "core/base/RowSource.h"
#include "core/base/Yield.h"

#include <QString>
#include <QStringList>
#include <functional>

class ConversionCache;
class ConverterProcesses;
class Ui;

// The readability check run after every addition to the file list: every listed PDF is
// converted once into the temporary folder, and one message names those that gave no text.

// Where the check's conversion of a PDF goes: temporary folder + "/" + base name + ".txt",
// the base name being the file name with its extension removed.
QString ReadabilityOutputPath(const QString& pdf);

// The message naming the unreadable files; `unreadable` holds each path followed by CR LF.
QString UnreadableMessage(const QString& unreadable);

// What the check works with. The file list as it stands at the moment of each call (rows may be
// dragged or removed while the check yields): `rows`, or when that is not set, `paths`, which
// builds the whole list at each call.
struct ReadabilityContext {
    std::function<QStringList()> paths;
    Ui* ui = nullptr;
    ProgressSink* bar = nullptr;
    std::function<void(bool)> setBusy; // hourglass on (true) and off (false)
    Yield yield;
    QString appTitle;                      // caption of the message
    ConverterProcesses* running = nullptr; // where the running converter is listed
    QString converter;                     // the converter to run; "" = ConverterPath()
    // Keeps each conversion for the run and later checks; a file already converted is not
    // converted again. Without one, each output is deleted once measured.
    ConversionCache* cache = nullptr;
    // Lines put in front of the unreadable files in the message (a folder that could not be
    // searched with its reason, each line ended by CR LF); asked once per check.
    std::function<QString()> moreUnreadable;
    // How many files are converted at once, asked once per check (none, or below 2: one after
    // the other, each waited for). The unreadable files are named in list order either way.
    std::function<int()> jobs;
    // The file list read one row at a time; when set, `paths` is not asked.
    RowSource rows;
    // Whether the run reads scanned files by OCR, asked once per check. When it does, a file whose
    // conversion gave a text without real text (a scanned image) is not named: Start reads it.
    std::function<bool()> ocr;
};

// Converts every listed file, measures each output (under 10 bytes: unreadable), deletes it
// and shows the message when some files gave no text. Carries its own error report.
// Returns the unreadable paths in list order (the rows themselves always stay).
QStringList CheckByCodeNotPreviewTextbox(const ReadabilityContext& context);
QStringList CheckByCodeNotPreviewTextbox(const std::function<QStringList()>& paths, Ui& ui, ProgressSink* bar,
                                         const std::function<void(bool)>& setBusy, const Yield& yield,
                                         const QString& appTitle);

// Runs the check for the main window. A request that arrives while a check is running (the
// window yields during it, so another addition can come in) does not nest: the running check
// is followed by exactly one more run, however many requests came meanwhile.
class ReadabilityChecker {
public:
    explicit ReadabilityChecker(ReadabilityContext context) : m_context(std::move(context)) {}

    void Request();
    bool Running() const { return m_running; }
    // Ends the running check early (an analysis run is to start): it names no file, hands the
    // conversions still running over to the cache (the run takes them over) and runs no further
    // check for the requests that came meanwhile. It ends at its next turn, when the conversion it
    // waits for (for a free converter, for the earliest file, or the one file converted at a
    // time) has ended; a conversion it was about to start then starts and is handed over too.
    void End();
    // How many checks ran to their end since construction.
    int Completed() const { return m_completed; }

private:
    ReadabilityContext m_context;
    bool m_running = false;
    bool m_pending = false;
    bool m_ending = false;
    int m_completed = 0;
};
