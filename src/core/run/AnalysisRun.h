#pragma once

#include "core/base/ErrorReport.h"
#include "core/base/Progress.h"
#include "core/base/RowSource.h"
#include "core/base/Yield.h"
#include "core/count/Pass.h"
#include "core/extract/Ocr.h"
#include "core/extract/Unreadable.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class ConversionCache;
class TextStore;
class ConverterProcesses;
class Ui;

// The method a run uses: the database method only while its provider is available (otherwise
// the text method, without a word about it); the text method when asked for; none when neither.
FrequencyMethodKind ChooseFrequencyMethod(bool databaseWanted, bool textWanted, bool providerAvailable);

// What the window and the command line do differently during a run. Everything has a quiet
// default.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    // File i of n is about to be converted (the window shows its busy pointer).
    virtual void FileStarting(int /*i*/, int /*n*/, const QString& /*path*/) {}
    // The password for the file ("" for none).
    virtual QString Password(const QString& /*path*/) { return {}; }
    // The file gave no text.
    virtual void FileUnreadable(const UnreadableFile& /*file*/) {}
    // The conversions of the first `done` files of n have ended and been recorded.
    virtual void FilesRecorded(int /*done*/, int /*n*/) {}
    // Read by the counting pass after every line and by the sort.
    virtual bool StopRequested() { return false; }
    // The run is given up (the program is ending): the files not yet converted are skipped and
    // no counting pass runs.
    virtual bool Abandoned() { return false; }
};

// What one analysis run works on.
struct AnalysisRequest {
    // The file list. The run takes its length once, reads row i when it reaches it, and counts
    // the rows the list holds when conversion ends.
    RowSource rows;
    // Per-file labels of the rows; when empty each row's label is FileLabel(path).
    QStringList labels;
    CountMode mode = CountMode::AllFiles;
    std::function<bool()> ignoreCase; // queried for every token
    bool databaseWanted = true;
    bool textWanted = false;
    bool providerAvailable = true;
    // Every path names a UTF-8 text used in place of a converted PDF (no converter runs).
    bool textInput = false;
    // Where converted texts and the combined text go ("" = the temporary folder).
    QString workFolder;
    // The converter to run ("" = the link in the temporary folder).
    QString converter;
    // How many files are converted at once (1: one after the other, each waited for).
    int jobs = 1;
    // Which characters make a word.
    LetterRule letters = LetterRule::Ascii;
    // Dictionary words, compatibility forms, word forms (all off by default).
    WordOptions words;
    // Common words left out of the rows but not of the word count (ReadStopWords gives them).
    QStringList stopWords;
    // Files that give no text (a scanned image) read by OCR instead (off by default). The caller
    // has made sure it can run (OcrProblem).
    OcrOptions ocr;
};

// The number of converters a run may keep busy: the processors of the machine.
int DefaultJobs();

// Who the run reports to.
struct AnalysisContext {
    ProgressSink* progress = nullptr;
    ResultSink* results = nullptr;
    RunObserver* observer = nullptr;
    ConverterProcesses* converters = nullptr; // running converters, so that a shutdown can end them
    ConversionCache* cache = nullptr;         // conversions made earlier (the readability check's)
    TextStore* store = nullptr;               // converted texts kept between runs (its variant set)
    // Every file is opened without a password and no conversion is kept elsewhere (cache): the
    // stored texts are restored ahead, on the other cores, while the run goes through the rows.
    bool restoreAhead = false;
    Yield yield;
    Ui* ui = nullptr; // error reports of the called procedures
    // Told each row's text just before the counting pass ("" for a row that gave none or repeats
    // a row before it), and the frequency method chosen. When given, the texts stay in the work folder after counting,
    // so that they can be walked again (at the same time as the pass, on another core) until it goes.
    std::function<void(const QList<ConvertedText>&, FrequencyMethodKind)> textsReady;
};

// What a run gave besides its rows and totals.
struct AnalysisSummary {
    QList<UnreadableFile> unreadable; // in list order
    FrequencyMethodKind method = FrequencyMethodKind::None;
    QStringList paths; // the rows of the counting pass
    // The rows whose text was read by OCR, in list order (a row listed twice, twice).
    QStringList ocrRead;
    int fileCount = 0; // the length of the list when the run began
    // Every step that failed, the run's own and those of the procedures it called, in the order
    // they failed. Each was shown through its Ui as it happened.
    QList<StepFailure> failures;
};

// The analysis run: converts every listed PDF (asking the observer for a password), collects the
// files that gave no text with their reasons, chooses the frequency method and runs the counting
// pass, which fills the results and hands over the totals. Each step runs under `steps`, the
// caller's error report (steps 128 to 152); a failed step never ends the loop. A row that is gone
// when the run reaches it is reported, and the file of the row before is taken again.
AnalysisSummary RunAnalysis(const AnalysisRequest& request, const AnalysisContext& context, ErrorReport& steps);

// The message line of the unreadable files: CR LF + path + reason for each, in order.
QString UnreadableList(const QList<UnreadableFile>& files);
