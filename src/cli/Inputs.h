#pragma once

#include "cli/Outcome.h"
#include "core/extract/Unreadable.h"
#include "core/filelist/FolderScan.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

// The files a command-line run reads, besides the PDFs: standard input, FIFOs and the like, and
// the guard that keeps the output from being one of them.

// True when the two paths name the same file (one device, one inode), whatever their spelling,
// links included.
bool SameFile(const QString& a, const QString& b);

// The first input that is the output itself, "standard input" when the program reads
// standard input and the output is that file, or "" when none is. An output of "" or "-" is
// standard output. Only regular files and FIFOs are compared: a terminal may well be both.
QString InputThatIsOutput(const QString& output, const QStringList& inputs, bool readsStandardInput);

// The refusal of an output that is the input clash (from InputThatIsOutput): "standard output is
// one of the inputs (…); choose another file", or "the output FILE is …".
QString OutputIsInputText(const QString& output, const QString& clash);

// True for a PATH that is read once as it comes and cannot be handed to the converter by its
// name: "-" (standard input), a FIFO or socket, and names of this program's own descriptors
// (/dev/stdin, /dev/fd/N, /proc/self/fd/N). A device given by its own name is none.
bool IsStreamPath(const QString& path);

// How reading a stream ended.
struct StreamRead {
    bool stopped = false; // stopped() said so while waiting
    QString failure;      // the system's description when it could not be read or written
    qint64 size = 0;      // bytes copied
};

// Copies the stream to the regular file target (created), waiting for its writer as long as
// needed; stopped() is asked at least every 100 ms while it waits.
StreamRead SpoolStream(const QString& path, const QString& target, const std::function<bool()>& stopped);

// The first line of standard input without its line end, at most limit bytes. Fails (failure
// set) when the line is longer; stopped as above.
StreamRead ReadStandardInputLine(qint64 limit, const std::function<bool()>& stopped, QByteArray& line);

// The words of --stop-words: a list's name or a file, read as streams are read (a FIFO waits for
// its writer; stopped as above). Fails (failure set, naming the file) when it cannot be read or
// is longer than kStopWordsLimit, such as an endless device.
StreamRead ReadStopWordsInput(const QString& nameOrPath, const std::function<bool()>& stopped, QStringList& words);

// The longest list of --files-from.
inline constexpr qint64 kFileListLimit = qint64(256) << 20;

// Adds the names that the file lists (one a line, or each ended by NUL) to paths; "-" is standard
// input. Read as streams are read (stopped as above); fails (failure set, naming the file) when it
// cannot be read or is longer than kFileListLimit.
StreamRead ReadFileList(const QString& path, bool nulSeparated, const std::function<bool()>& stopped,
                        QStringList& paths);

// Completes a command's PATHs: those --files-from lists follow those given; with none at all and
// standard input no terminal, standard input ("-") is the one PATH. How the command ends when it
// cannot go on (said on standard error, command, "" for a run, first): usage when the list cannot
// be read or there is no PATH, interrupted by a signal.
std::optional<CommandOutcome::End> CompletePaths(QStringList& paths, const QString& filesFrom, bool nulSeparated,
                                                 const QString& command);

// True for a PATH whose content is read as it comes, into a file of the run's own: a stream
// (IsStreamPath), and with textInput a regular file that tells a size of 0.
bool ReadAsStream(const QString& path, bool textInput);

// The rows of a run and what stands behind them.
struct RunInputs {
    QStringList rows;         // a folder stands for every PDF file below it
    QStringList labels;       // per-file labels, when some rows are not shown by their path
    QStringList shownAs;      // for each row, the name the user gave (streams are read into a file of their own)
    SkippedFolders skipped;   // folders that could not be searched
    bool pathProblem = false; // a PATH (or a folder below one) could not be read
};

// The rows of a command: a folder stands for every PDF file below it (not with textInput), found
// as the main window's folder scan finds them; every other PATH is a row as given.
RunInputs ExpandPaths(const QStringList& paths, bool textInput, Ui& ui);

// Reads every stream among the rows (standard input, FIFOs, …) into a file of workFolder, each
// stream once, and puts that file in its place, labelled by the name it was given; a stream that
// gives nothing or cannot be read goes to unreadable. Returns false when a signal came.
bool ReadStreams(RunInputs& inputs, bool textInput, const QString& workFolder, QList<UnreadableFile>& unreadable);

class QTemporaryDir;
class Ui;

// One run's own folder inside the user's temporary folder, so that runs side by side and a window
// open at the same time never share a converted text or the converter link; with PDFs, the
// converter link inside it.
struct RunFolder {
    std::unique_ptr<QTemporaryDir> work;
    QString converter; // "" for a run over texts
};

// Makes the run's folder; nothing (after saying why on standard error) when it cannot be made.
std::optional<RunFolder> MakeRunFolder(bool textInput);

struct OcrOptions;

// The work folder of a command and its inputs made ready: the folder made (with the converter
// placed), OCR checked, the streams among the rows read into it; the folders that could not be
// searched and the streams that gave nothing go to unreadable. How the command ends when it
// cannot go on (said on standard error, prefix first).
std::optional<CommandOutcome::End> PrepareWork(RunInputs& inputs, bool textInput, const OcrOptions& ocr,
                                               const QString& prefix, std::optional<RunFolder>& folder,
                                               QList<UnreadableFile>& unreadable);

// True when OCR is off or can run with the run's converter; else says on standard error, after
// prefix, what to install.
bool OcrReady(const OcrOptions& ocr, const QString& converter, const QString& prefix = {});
