#include "core/run/AnalysisRun.h"

#include "core/base/ErrorReport.h"
#include "core/base/Files.h"
#include "core/base/Paths.h"
#include "core/base/Places.h"
#include "core/count/SortingDb.h"
#include "core/count/SortingText.h"
#include "core/count/WordRule.h"
#include "core/extract/ConversionCache.h"
#include "core/extract/ConversionQueue.h"
#include "core/extract/Converter.h"
#include "core/extract/TextFiles.h"
#include "core/store/TextStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <optional>

namespace {

// Puts a text given in place of a PDF where the counting pass looks for the PDF's text; the
// reason why not, or an empty one. The user's own file is only read.
InputReason PlaceTextInput(const QString& path, const QString& workFolder) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return {QStringLiteral("file not found"), UnreadableKind::NotFound};
    }
    if (info.isDir()) {
        return {QStringLiteral("is a folder"), UnreadableKind::NotRegularFile};
    }
    if (!info.isFile()) {
        // A device has no end to read to (streams are read into a file of the run beforehand).
        return {QStringLiteral("not a regular file"), UnreadableKind::NotRegularFile};
    }
    if (!info.isReadable()) {
        return {QStringLiteral("cannot be read"), UnreadableKind::PermissionDenied};
    }
    const QString target = TextFileOf(path, workFolder);
    DeleteFileQuiet(target);
    QFile source(path);
    if (!source.copy(target)) {
        return {QStringLiteral("cannot be read: ") + source.errorString(), UnreadableKind::Other};
    }
    return {};
}

} // namespace

FrequencyMethodKind ChooseFrequencyMethod(bool databaseWanted, bool textWanted, bool providerAvailable) {
    if (databaseWanted) {
        return providerAvailable ? FrequencyMethodKind::Database : FrequencyMethodKind::Text;
    }
    return textWanted ? FrequencyMethodKind::Text : FrequencyMethodKind::None;
}

int DefaultJobs() {
    return std::max(1, QThread::idealThreadCount());
}

QString UnreadableList(const QList<UnreadableFile>& files) {
    QString list;
    for (const UnreadableFile& file : files) {
        list += QStringLiteral("\r\n") + file.path + file.reason;
    }
    return list;
}

namespace {

QString AnalyzeText(const QString& pdf) {
    return QStringLiteral("Analyze file ") + FileNameFromPath(pdf) + QStringLiteral("... ");
}

// One run in progress: what it works on, whom it reports to and its queue of conversions.
class Run {
public:
    Run(const AnalysisRequest& request, const AnalysisContext& context, ErrorReport& steps, RunObserver& observer,
        AnalysisSummary& summary, int n)
        : m_request(request), m_context(context), m_steps(steps), m_observer(observer), m_summary(summary),
          m_progress(context.progress), m_n(n),
          m_jobs(request.textInput ? 1 : std::max(1, request.jobs)), m_place{request.converter, request.workFolder,
                                                                             context.converters},
          m_queue(
              m_jobs, context.yield, [this](ConversionQueue::Entry& entry) { RecordRow(entry); },
              [this] { ShowFront(); }) {}

    // Converts every row (steps 132 to 146) and records the rows in list order (step 148).
    void ConvertRows();
    // Waits for the conversions still running; false when the run was given up meanwhile.
    bool Finish() {
        m_queue.Finish([this] { return m_observer.Abandoned(); });
        return !m_observer.Abandoned();
    }

private:
    void ShowFront();
    void RecordRow(ConversionQueue::Entry& entry);
    void DecideRow(ConversionQueue::Entry& entry, int i);
    void ReadScannedByOcr(ConversionQueue::Entry& entry);
    bool RestoreStored(ConversionQueue::Entry& entry);
    void KeepInStore(const ConversionQueue::Entry& entry);
    bool TakeOver(ConversionQueue::Entry& entry);
    Extraction TakenOverResult(ConversionQueue::Entry& entry);
    bool Stopping() { return m_observer.StopRequested() || m_observer.Abandoned(); }
    // The options that make this run's texts differ from the converter's own.
    QString StoreOptions() const {
        return m_request.ocr.enabled ? QStringLiteral("ocr:") + m_request.ocr.languages : QString();
    }

    const AnalysisRequest& m_request;
    const AnalysisContext& m_context;
    ErrorReport& m_steps;
    RunObserver& m_observer;
    AnalysisSummary& m_summary;
    ProgressSink* m_progress;
    int m_n;
    int m_jobs;
    ConversionPlace m_place;
    ConversionQueue m_queue;
    QSet<QString> m_ocrOutputs; // the texts read by OCR, so that a row that follows one is known
    QSet<QString> m_restored;   // the texts taken from the store of converted texts
    QSet<QString> m_takenOver;  // the texts of rows whose conversion was taken over, until recorded
};

// While converters work side by side, the bar speaks of the earliest file not yet recorded, as a
// run of one converter at a time would, and once that file has taken five seconds it counts
// "Please wait.. N" and creeps inside the file's share.
void Run::ShowFront() {
    if (m_jobs == 1 || !m_progress || m_queue.Empty()) {
        return;
    }
    ConversionQueue::Entry& front = m_queue.Front();
    const int start = FileProgressPercent(m_queue.Recorded() + 1, m_n, false);
    const int waited = front.conversion ? front.conversion->WaitedPolls() : -1;
    if (waited < 0) {
        m_progress->SetText(AnalyzeText(front.pdf));
        m_progress->SetValue(start);
        return;
    }
    m_progress->SetText(PleaseWaitText(AnalyzeText(front.pdf), waited));
    m_progress->SetValue(CreepingValue(start, m_n, waited / 150));
}

void Run::RecordRow(ConversionQueue::Entry& entry) {
    if (entry.conversion) {
        entry.verdict =
            m_takenOver.remove(entry.output) ? TakenOverResult(entry) : entry.conversion->Result(m_context.ui);
        entry.conversion.reset();
        m_restored.remove(entry.output); // converted after all: its text gave way to a file before it
    }
    ReadScannedByOcr(entry);
    KeepInStore(entry);
    m_steps(148, [&] {
        if (!entry.verdict.reason.isEmpty()) {
            const UnreadableFile file{entry.pdf, entry.verdict.reason, entry.verdict.kind};
            m_summary.unreadable.append(file);
            m_observer.FileUnreadable(file);
        }
    });
    m_observer.FilesRecorded(m_queue.Recorded(), m_n);
    if (m_jobs > 1 && m_progress) {
        m_progress->SetValue(FileProgressPercent(m_queue.Recorded(), m_n, true)); // files done of all
    }
    ShowFront();
}

// A file whose text lies only in images (a scan) is read by OCR when the run asks for it, and so
// are the pages without text of a file with text (a scanned page among others). A failure leaves
// the file unreadable with its reason (a file with text is counted all the same); a stop leaves it
// as the converter left it. A row that follows one read by OCR shares its text.
void Run::ReadScannedByOcr(ConversionQueue::Entry& entry) {
    if (!m_request.ocr.enabled || m_request.textInput) {
        return;
    }
    if (entry.verdict.reason.isEmpty() && m_ocrOutputs.contains(entry.output)) {
        m_summary.ocrRead << entry.pdf;
        return;
    }
    if (m_restored.contains(entry.output)) {
        return; // read by OCR, when it needed that, before it was stored
    }
    const bool scanned = entry.verdict.outcome == ExtractionOutcome::NoText;
    const bool withText = entry.verdict.reason.isEmpty() && QFileInfo(entry.output).isFile();
    if ((!scanned && !withText) || Stopping()) {
        return;
    }
    OcrPlace place;
    place.converter = m_request.converter.isEmpty() ? ConverterPath() : m_request.converter;
    place.languages = m_request.ocr.languages;
    place.workFolder = m_request.workFolder;
    place.running = m_context.converters;
    place.jobs = m_jobs;
    const QString shown = AnalyzeText(entry.pdf);
    const auto progress = [this, &shown](int done, int total) {
        if (m_progress) {
            m_progress->SetText(shown + QStringLiteral("OCR: ") + QString::number(done) + QStringLiteral(" of ") +
                                QString::number(total) + QStringLiteral(" pages read"));
        }
    };
    if (m_progress && scanned) {
        m_progress->SetText(shown + QStringLiteral("OCR: reading the pages"));
    }
    OcrResult read;
    const auto stop = [this] { return Stopping(); };
    // The files converting behind this one go on while its pages are read.
    const Yield yield = [this] {
        m_queue.KeepConverting();
        YieldNow(m_context.yield);
    };
    try {
        read = scanned ? ReadPdfByOcr(entry.pdf, entry.password, entry.output, place, yield, stop, progress)
                       : ReadEmptyPagesByOcr(entry.pdf, entry.password, entry.output, place, yield, stop, progress);
    } catch (const Failure& failure) {
        read.failure = failure.Description();
    }
    if (read.stopped) {
        return;
    }
    if (!read.failure.isEmpty()) {
        entry.verdict.reason = (scanned ? QStringLiteral("  - the text within its images could not be read by OCR: ")
                                        : QStringLiteral("  - its pages without text could not be read by OCR: ")) +
                               read.failure;
        entry.verdict.kind = UnreadableKind::OcrFailed;
        return;
    }
    // Pages without a word on them give no text even so.
    if (!read.read || (scanned && OutcomeOf(entry.output, m_context.ui) != ExtractionOutcome::TextAvailable)) {
        return;
    }
    entry.verdict = {ExtractionOutcome::TextAvailable, QString(), UnreadableKind::Other};
    m_ocrOutputs.insert(entry.output);
    m_summary.ocrRead << entry.pdf;
}

// A conversion of the file that the readability check left running (ConversionCache::HandOver)
// goes on as the row's own.
bool Run::TakeOver(ConversionQueue::Entry& entry) {
    if (!m_context.cache) {
        return false;
    }
    entry.conversion = m_context.cache->TakeOver(entry.pdf, entry.password);
    if (!entry.conversion) {
        return false;
    }
    m_takenOver.insert(entry.output);
    return true;
}

// A conversion taken over writes the cache's text: its end is kept there, as the check would have
// kept it, and the text is copied to where the counting pass reads it.
Extraction Run::TakenOverResult(ConversionQueue::Entry& entry) {
    const ConverterEnd end = entry.conversion->End();
    if (end.TextWhole()) {
        m_context.cache->Store(entry.pdf, entry.password, end);
    }
    KeptConversion(m_context.cache, entry.pdf, entry.password, entry.output);
    const QString converter = m_request.converter.isEmpty() ? ConverterPath() : m_request.converter;
    return JudgeConversion(end, converter, entry.output, !entry.password.isEmpty(), m_context.ui);
}

// Step 146: the row is decided at once (a text given in place of a PDF, a file already being
// converted, a conversion kept by the readability check, one converter at a time) or its
// conversion is started.
void Run::DecideRow(ConversionQueue::Entry& entry, int i) {
    if (m_request.textInput) {
        const InputReason reason = PlaceTextInput(entry.pdf, m_request.workFolder);
        entry.verdict = {ExtractionOutcome::NoOutput, reason.reason, reason.kind};
        return;
    }
    entry.output = TextFileOf(entry.pdf, m_request.workFolder);
    // The same file with another password: the earlier conversion is recorded first.
    if (m_queue.FollowOrWait(entry, true)) {
        return;
    }
    // The same file as a row whose conversion was taken over: that row is recorded first, and its
    // conversion kept for this one.
    if (m_takenOver.contains(entry.output)) {
        m_queue.FollowOrWait(entry, false);
    }
    m_ocrOutputs.remove(entry.output); // converted anew
    // Converted before (by the readability check), or still converting there. Only a conversion
    // that gave text stands; any other outcome (a crash, a failure, no text) may have been
    // passing, so the file is converted again.
    if (InputProblem(entry.pdf).isEmpty()) {
        if (TakeOver(entry)) {
            return;
        }
        if (const std::optional<ConverterEnd> kept =
                KeptConversion(m_context.cache, entry.pdf, entry.password, entry.output)) {
            const QString converter = m_request.converter.isEmpty() ? ConverterPath() : m_request.converter;
            const Extraction verdict =
                JudgeConversion(*kept, converter, entry.output, !entry.password.isEmpty(), m_context.ui);
            if (verdict.outcome == ExtractionOutcome::TextAvailable) {
                entry.verdict = {ExtractionOutcome::TextAvailable, QString(), UnreadableKind::Other};
                entry.copied = true;
                // Converted before the store was at hand (a check before "keep" was chosen): kept now.
                if (m_context.store && entry.password.isEmpty()) {
                    entry.storeKey = m_context.store->KeyOf(entry.pdf, StoreOptions());
                }
                return;
            }
            QFile::remove(entry.output);
        }
        if (RestoreStored(entry)) {
            return;
        }
    }
    if (m_jobs == 1) {
        const int start = m_progress ? RoundHalfEven(m_progress->Value()) : FileProgressPercent(i, m_n, false);
        entry.verdict =
            ConvertPdf(entry.pdf, entry.password, m_progress, start, m_n, m_context.yield, m_context.ui, m_place);
        return;
    }
    m_queue.Start(entry, m_place, false, m_n - i);
}

// A text kept by the store from an earlier command stands for the conversion: the file is
// unchanged, and only whole texts were kept (those with words, and those without: scans).
bool Run::RestoreStored(ConversionQueue::Entry& entry) {
    m_restored.remove(entry.output);
    if (!m_context.store) {
        return false;
    }
    QByteArray note;
    const QByteArray key = entry.password.isEmpty() ? m_context.store->KeyOf(entry.pdf, StoreOptions()) : QByteArray();
    if (m_context.store->Restore(key, entry.password, entry.output, &note)) {
        // Judged as the conversion that made it was: a text with words, or one without (a scan).
        entry.verdict = JudgeConversion(ConverterEnd::Exit(0),
                                        m_request.converter.isEmpty() ? ConverterPath() : m_request.converter,
                                        entry.output, false, m_context.ui);
        entry.copied = true;
        m_restored.insert(entry.output);
        if (note == "ocr") {
            m_ocrOutputs.insert(entry.output);
        }
        return true;
    }
    entry.storeKey = key;
    return false;
}

// A whole text converted (and read by OCR where asked) by this run is kept for the next command,
// a scan's text without words too (it is converted the same way each time); a stop may have cut
// it short, and a failure is never kept.
void Run::KeepInStore(const ConversionQueue::Entry& entry) {
    const bool whole =
        entry.verdict.outcome == ExtractionOutcome::TextAvailable
            ? entry.verdict.reason.isEmpty()
            : entry.verdict.outcome == ExtractionOutcome::NoText && entry.verdict.kind == UnreadableKind::NoText;
    if (!m_context.store || entry.storeKey.isEmpty() || !whole || m_restored.contains(entry.output) || Stopping()) {
        return;
    }
    m_context.store->Keep(entry.pdf, entry.password, StoreOptions(), entry.storeKey, entry.output,
                          m_ocrOutputs.contains(entry.output) ? QByteArray("ocr") : QByteArray());
}

void Run::ConvertRows() {
    TextStore::AheadRun ahead;
    if (m_context.store && m_context.restoreAhead && !m_context.cache && !m_request.textInput) {
        QList<std::pair<QByteArray, QString>> stored;
        for (const QString& row : m_request.rows.All()) {
            stored.append({m_context.store->KeyOf(row, StoreOptions()), TextFileOf(row, m_request.workFolder)});
        }
        ahead = m_context.store->RestoreAhead(stored);
    }
    QString path;
    for (int i = 1; i <= m_n && !m_observer.Abandoned(); ++i) {
        m_steps(132, [&] { YieldNow(m_context.yield); });
        m_steps(134, [&] {
            FailIf(i > m_request.rows.count(), QStringLiteral("Index out of bounds"));
            path = m_request.rows.at(i - 1);
        });
        m_steps(136, [&] {
            // The earliest file not yet recorded: file i itself when one converter works at a time.
            if (m_progress) {
                m_progress->SetValue(FileProgressPercent(m_queue.Recorded() + 1, m_n, false));
            }
        });
        m_steps(138, [&] {
            if (m_progress) {
                m_progress->SetText(AnalyzeText(m_queue.Empty() ? path : m_queue.Front().pdf));
            }
        });
        m_steps(140, [&] { m_observer.FileStarting(i, m_n, path); });
        m_steps(142, [&] { YieldNow(m_context.yield); });
        ConversionQueue::Entry entry;
        entry.pdf = path;
        m_steps(144, [&] { entry.password = m_observer.Password(path); });
        m_steps(146, [&] {
            try {
                DecideRow(entry, i);
            } catch (const Failure& failure) {
                entry.verdict = {ExtractionOutcome::NoOutput, QStringLiteral("  - ") + failure.Description(),
                                 UnreadableKind::Other};
            }
        });
        m_queue.Push(std::move(entry));
    }
}

// Step 152: the frequency method chosen, the counting pass over the rows as they stand now.
void CountRows(const AnalysisRequest& request, const AnalysisContext& context, RunObserver& observer,
               AnalysisSummary& summary) {
    PassInputs inputs;
    inputs.mode = request.mode;
    inputs.ignoreCase = request.ignoreCase;
    summary.paths = request.rows.All();
    // The rows as they stand now, each with its text (a row listed twice shares one, counted
    // once) and its verdict.
    inputs.texts = ConvertedTexts(summary.paths, request.labels, request.workFolder);
    qsizetype next = 0;
    for (ConvertedText& text : inputs.texts) {
        if (next < summary.unreadable.size() && summary.unreadable[next].path == text.source) {
            text.reason = summary.unreadable[next++].reason;
        }
    }
    inputs.stopRequested = [&observer] { return observer.StopRequested(); };
    inputs.progress = context.progress;
    inputs.results = context.results;
    inputs.yield = context.yield;
    inputs.ui = context.ui;
    inputs.workFolder = request.workFolder;
    inputs.letters = request.letters;
    inputs.words = request.words;
    inputs.stopWords = StopWordKeys(request.stopWords, request.letters, request.words);
    summary.method = ChooseFrequencyMethod(request.databaseWanted, request.textWanted, request.providerAvailable);
    if (context.textsReady) {
        inputs.keepTexts = true;
        QList<ConvertedText> texts = inputs.texts;
        QSet<QString> seen;
        for (ConvertedText& text : texts) {
            if (seen.contains(text.text) || !FileExists(text.text)) {
                text.text.clear();
            }
            seen.insert(text.text);
        }
        context.textsReady(texts, summary.method);
    }
    switch (summary.method) {
    case FrequencyMethodKind::Database:
        SortingDB(inputs);
        break;
    case FrequencyMethodKind::Text:
        SortingText(inputs);
        break;
    case FrequencyMethodKind::None:
        break;
    }
}

} // namespace

AnalysisSummary RunAnalysis(const AnalysisRequest& request, const AnalysisContext& given, ErrorReport& callerSteps) {
    AnalysisSummary summary;
    // Every failure is shown where it was shown before and kept in the summary.
    FailureLog callerUi(callerSteps.ReportsTo(), summary.failures);
    FailureLog procedureUi(given.ui, summary.failures);
    ErrorReport steps(&callerUi, callerSteps.SourceText());
    AnalysisContext context = given;
    context.ui = &procedureUi;
    RunObserver quiet;
    RunObserver& observer = context.observer ? *context.observer : quiet;

    steps(128, [&] { summary.fileCount = static_cast<int>(request.rows.count()); });
    {
        Run run(request, context, steps, observer, summary, summary.fileCount);
        run.ConvertRows();
        // The conversions still running end before the counting pass (or, when the run is
        // given up, are ended).
        if (!run.Finish()) {
            return summary;
        }
    }
    steps(152, [&] { CountRows(request, context, observer, summary); });
    return summary;
}
