#pragma once

#include "core/base/Progress.h"
#include "core/base/Yield.h"
#include "core/extract/ConverterEnd.h"
#include "core/extract/Unreadable.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class QProcess;
class TextFileWriter;
class Ui;

// The converters that are running for one owner (a window, a command-line run), so that a
// shutdown or an interruption can end them at once.
class ConverterProcesses {
public:
    void Add(QProcess* process);
    void Remove(QProcess* process);
    // Kills every running converter; the waiting RunAndWait calls then return at once.
    void KillAll();
    bool Any() const { return !m_running.isEmpty(); }

private:
    QList<QProcess*> m_running;
};

// A child process kept on an owner's list of running converters (when one is given) while it is
// held; ending it, or letting it go out of scope, kills it when it still runs.
class ListedProcess {
public:
    ListedProcess();
    ~ListedProcess();
    ListedProcess(const ListedProcess&) = delete;
    ListedProcess& operator=(const ListedProcess&) = delete;

    // Takes a process that has started and puts it on the list.
    void Adopt(std::unique_ptr<QProcess> process, ConverterProcesses* list);
    // Kills the process when it still runs, takes it off the list and lets it go.
    void End();
    // A descriptor that polls readable once the process has ended (Linux pidfd), or -1.
    int EndHandle() const { return m_endHandle; }

    explicit operator bool() const { return m_process != nullptr; }
    QProcess* operator->() const { return m_process.get(); }
    QProcess& operator*() const { return *m_process; }

private:
    std::unique_ptr<QProcess> m_process;
    ConverterProcesses* m_list = nullptr;
    int m_endHandle = -1;
};

// Sleeps until one of the processes behind the handles ends, or waitMs pass; false when there
// was no handle to wait on (nothing was waited for).
bool WaitForAnyEnd(const std::vector<int>& handles, int waitMs);

// Runs a helper program (no shell, nothing on its standard input, its messages discarded) and
// gives what it wrote on its standard output; nothing when it cannot be started, ran longer than
// timeoutMs (it is then killed) or did not end with status 0.
std::optional<QByteArray> HelperOutput(const QString& program, const QStringList& arguments, int timeoutMs = 30000);

// Running the PDF-to-text converter and judging what it wrote.

// The output operand that has the converter give its text on its standard output.
inline constexpr char kToStandardOutput[] = "-";

// The show style a new process would get: missing, below 0 or above 6 becomes 6 (minimized,
// not activated). Processes here never show a window; the value is kept for the callers.
int EffectiveWindowStyle(std::optional<int> windowStyle);

// Rounds to the nearest integer, halves to the even neighbour (2.5 → 2, 3.5 → 4, 0.5 → 0).
int RoundHalfEven(double value);

// The progress percentage of file `current` of `total`: the share of files finished before it
// (or including it when finished), rounded half to even.
int FileProgressPercent(int current, int total, bool finished);

// The bar of a long conversion: `waited` polls after the first 50, the text reads progressText +
// ", " (when not empty) + "Please wait.. " + waited.
QString PleaseWaitText(const QString& progressText, int waited);
// ... and the bar's value creeps k = waited / 150 steps forward from startValue, inside the
// current file's share of fileCount files (0: unknown count), never beyond its cap.
int CreepingValue(int startValue, int fileCount, int k);

// Runs the program with the argument list (no shell) and waits for its end, polling every
// pollMs milliseconds and yielding several times per poll. With a progress bar, after 50 polls
// the bar reads progressText + ", " (when not empty) + "Please wait.. " + (polls − 50), and every
// 150 polls after that the bar creeps forward inside the current file's share (fileCount 0:
// unknown count). At the end the bar's text is progressText again, or "Progress Bar" when it is
// empty; its value stays where it was moved.
// Returns how the program ended (its exit status, the signal that ended it, or why it could not
// be started); a status 1 whose messages say that the file needs another password or is no
// readable PDF is told as PasswordRefused or Damaged. No time limit. While it runs, the process
// is on the list `running` when one is given. With a textFile, what the program writes on its
// standard output is written to that file by this process, so that a write that fails is seen (a
// converter writing a file itself ends with status 0 after a failed write): the program is then
// ended, the end is TextFolderFull or TextNotWritten, and the file is removed. Without one, the
// standard output is discarded.
ConverterEnd RunAndWait(const QString& program, const QStringList& arguments, std::optional<int> windowStyle,
                        ProgressSink* bar, const QString& progressText, int startValue, int fileCount,
                        const Yield& yield, int pollMs = 100, ConverterProcesses* running = nullptr,
                        const QString& textFile = {});

// The size of a file in bytes; 0 when it cannot be opened (missing, a folder, no access).
qint64 FileSize2(const QString& path);

// True when the text file holds no real text: fewer than six printable characters (code point
// 32–126 or 160 and above) and at least one other character. An empty file gives false.
// Carries its own error report, shown through ui (nothing is shown without one).
bool NoTextPDF(const QString& path, Ui* ui);

// What one conversion of the analysis run gave.
enum class ExtractionOutcome {
    TextAvailable, // output present with real text
    NoOutput,      // the converter wrote nothing (damaged, protected, wrong password, no converter)
    NoText,        // output present but without real text (a scanned image)
};

// The reason appended to a PDF's path in the list of files that could not be read; "" for
// text available. withPassword: the conversion was made with a password.
QString OutcomeReason(ExtractionOutcome outcome, bool withPassword);
// ... and its kind (Other for text available).
UnreadableKind OutcomeKind(ExtractionOutcome outcome, bool withPassword);

// What one conversion gave, with the reason and its kind when it gave no usable text. A
// conversion whose converter could not start, crashed, failed or could not write its whole
// output is never used.
struct Extraction {
    ExtractionOutcome outcome = ExtractionOutcome::NoOutput;
    QString reason; // "" when text is available
    UnreadableKind kind = UnreadableKind::Other;
};

// The verdict on a finished conversion: how the converter ended, the program that ran (a converter
// that could not be started is named by what the program links to, when it is a link) and the
// output it was to write. A failed conversion's output is deleted.
Extraction JudgeConversion(const ConverterEnd& end, const QString& program, const QString& output, bool withPassword,
                           Ui* ui);

// Why a path given as a PDF cannot be converted at all (an empty reason when it is a regular
// file that can be read): "  - not found", "  - not a regular file", "  - cannot be read:
// permission denied", each with its kind.
struct InputReason {
    QString reason;
    UnreadableKind kind = UnreadableKind::Other;
    bool isEmpty() const { return reason.isEmpty(); }
};
InputReason InputProblem(const QString& path);

// The converter's arguments: -enc UTF-8 [-opw PASSWORD -upw PASSWORD] PDF OUTPUT. The password is one
// argument whatever it holds; a path that would read as an option is made absolute, except the
// output kToStandardOutput.
QStringList ConverterArguments(const QString& pdf, const QString& output, const QString& password = {});

// The outcome for a converter output file: missing (or not a plain file) → no output,
// NoTextPDF → no text, else text available.
ExtractionOutcome OutcomeOf(const QString& output, Ui* ui);

// Where a conversion of the analysis run takes place: the converter ("" = ConverterPath()), the
// folder of the converted texts ("" = the temporary folder) and the list of running converters.
struct ConversionPlace {
    QString converter;
    QString workFolder;
    ConverterProcesses* running = nullptr;
};

// Converts the PDF for the analysis run into TextFileOf(pdf, place.workFolder) (a stale output
// is removed first) with the place's converter, showing progress on the bar (its current text is
// carried into the "Please wait.." text), and returns the outcome. The password, when not empty,
// is passed as the owner and the open password; when it does not open the file, the file is
// converted again without one (a file with an owner password only opens so). Nothing is ever
// written beside the PDF.
// Throws Failure when the temporary folder cannot be used.
ExtractionOutcome ConvertForAnalysis(const QString& pdf, const QString& password, ProgressSink* bar, int startValue,
                                     int fileCount, const Yield& yield, Ui* ui, const ConversionPlace& place = {});
// Files with more pages than this may be converted in page ranges on several converters at once
// when the other files cannot keep the converters busy; smaller files are always converted whole.
inline constexpr int kSplitPages = 200;
// A conversion already running hands the last of its pages to converters left idle at the end of
// a run, each taking at least this many pages.
inline constexpr int kMinRangePages = 50;

// The number of pages of the PDF as poppler's page-count tool (beside the converter, else on the
// search path) reads it with the password, or without one when the password does not open it; 0
// when it cannot be told.
int PdfPageCount(const QString& pdf, const QString& password, const QString& converter = {});

// One conversion running beside others (the run converts several files at once). It starts at
// construction and is listed with the place's running converters while it runs. With parts > 1
// and pages given, the file is converted in that many page ranges at once, each into its own
// part file beside the output; once every range has ended they are joined in page order into the
// output (byte for byte the text of a whole conversion). The first range that fails decides how
// the conversion ended, and then no text is kept. A password that does not open the file has it
// converted again without one, as ConvertForAnalysis does.
class BackgroundConversion {
public:
    // The text goes to TextFileOf(pdf, place.workFolder), or to output when one is given.
    BackgroundConversion(const QString& pdf, const QString& password, const ConversionPlace& place,
                         const QString& output = {}, int parts = 1, int pages = 0);
    ~BackgroundConversion();
    BackgroundConversion(const BackgroundConversion&) = delete;
    BackgroundConversion& operator=(const BackgroundConversion&) = delete;

    // True once every converter has ended (or never started); waits at most waitMs for them.
    bool Finished(int waitMs = 0);
    // How many of its converters are still running.
    int Running();
    // Adds the end handles of its running converters (ListedProcess::EndHandle); false when one
    // has none.
    bool EndHandles(std::vector<int>& handles) const;
    // While the converter runs: the polls a wait for this one conversion (RunAndWait's 100 ms
    // polls) would have counted beyond its first 50 since the start, so below 0 during the first
    // five seconds; -1 once it has ended.
    int WaitedPolls();
    // Milliseconds since it started.
    qint64 Age() const { return m_started.elapsed(); }
    // The most pages one of its converters has still to write; the page count is asked once
    // (PdfPageCount) when not given. 0 when it has ended or its pages cannot be counted.
    int PagesLeft();
    // Hands the last pages of that converter to up to `free` more converters, so that each has
    // about as many pages to write, at least minPages; the texts are still joined in page order
    // (the converter that gave pages up stops after its last page). Returns how many started.
    int Split(int free, int minPages);
    // How the converter ended (write failures included); only once Finished().
    ConverterEnd End();
    // The verdict; only once Finished().
    Extraction Result(Ui* ui);

    // One converter of the conversion: the whole file, or one page range of it.
    struct Part;

private:
    ConverterEnd Join();
    // Starts the conversion on `count` converters: the whole file on one, or as many page ranges.
    void StartParts(int count);
    // Starts a converter on pages first to last (last 0: the whole file, into the output itself).
    std::unique_ptr<Part> StartPart(int first, int last);
    // Once every converter has ended: when the password did not open the file, starts the
    // conversion again without it and returns true.
    bool RetryWithoutPassword();

    QString m_pdf;
    QString m_password;
    QString m_converter;
    QString m_output;
    bool m_withPassword = false;
    int m_pages = 0; // 0: not counted yet; below 0: cannot be counted
    int m_partFiles = 0;
    InputReason m_problem; // the input cannot be converted at all
    std::optional<ConverterEnd> m_end;
    QElapsedTimer m_started;
    std::vector<std::unique_ptr<Part>> m_parts;
    ConverterProcesses* m_running = nullptr;
};

// Waits, yielding, until fewer than `jobs` of the conversions are still running; `tick` runs
// between the polls (the bar's sign of life, recording what has ended). Each element of
// `entries` has a member `conversion` (a pointer to a BackgroundConversion, or null).
template <class Entries, class Tick>
void WaitForFreeConverter(Entries& entries, int jobs, const Yield& yield, Tick&& tick) {
    const auto running = [&entries] {
        int count = 0;
        for (auto& entry : entries) {
            count += entry.conversion ? entry.conversion->Running() : 0;
        }
        return count;
    };
    std::vector<int> handles;
    while (running() >= jobs) {
        tick();
        YieldNow(yield);
        // Asleep until any of them ends, so that its place is taken at once.
        handles.clear();
        bool all = true;
        for (auto& entry : entries) {
            all = all && (!entry.conversion || entry.conversion->EndHandles(handles));
        }
        if (all && WaitForAnyEnd(handles, 5)) {
            continue;
        }
        // Without handles: a short wait on each in turn.
        for (auto& entry : entries) {
            if (entry.conversion && !entry.conversion->Finished() && entry.conversion->Finished(5)) {
                break;
            }
        }
    }
}

// The same conversion with its reason (see JudgeConversion).
Extraction ConvertPdf(const QString& pdf, const QString& password, ProgressSink* bar, int startValue, int fileCount,
                      const Yield& yield, Ui* ui, const ConversionPlace& place = {});
