#include "cli/Inputs.h"

#include "cli/ConsoleUi.h"
#include "cli/Signals.h"
#include "core/base/ErrorReport.h"
#include "core/base/Places.h"
#include "core/base/System.h"
#include "core/count/StopWords.h"
#include "core/extract/Ocr.h"
#include "core/extract/TextFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool StatPath(const QString& path, struct stat& info) {
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &info) == 0;
}

bool SameInode(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Reads what the descriptor has, waiting for it in turns of 100 ms; onBytes takes each piece
// and returns false to end the reading.
template <typename OnBytes> StreamRead ReadDescriptor(int fd, const std::function<bool()>& stopped, OnBytes&& onBytes) {
    StreamRead result;
    char buffer[65536];
    for (;;) {
        if (stopped && stopped()) {
            result.stopped = true;
            return result;
        }
        pollfd wait{fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, 100);
        if (ready < 0 && errno != EINTR) {
            result.failure = SystemError(errno);
            return result;
        }
        if (ready <= 0) {
            continue;
        }
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN) {
                continue;
            }
            result.failure = SystemError(errno);
            return result;
        }
        if (got == 0) {
            return result;
        }
        result.size += got;
        if (!onBytes(QByteArrayView(buffer, got), result)) {
            return result;
        }
    }
}

// Opens the file for reading without waiting for a FIFO's writer: the wait is the reading
// loop's, which can be stopped. "-" is standard input. -1 with the failure set when it cannot.
int OpenStream(const QString& path, StreamRead& result) {
    if (path == QStringLiteral("-")) {
        return STDIN_FILENO;
    }
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        result.failure = SystemError(errno);
    }
    return fd;
}

} // namespace

bool SameFile(const QString& a, const QString& b) {
    struct stat first {};
    struct stat second {};
    return StatPath(a, first) && StatPath(b, second) && SameInode(first, second);
}

QString InputThatIsOutput(const QString& output, const QStringList& inputs, bool readsStandardInput) {
    struct stat target {};
    const bool standardOutput = output.isEmpty() || output == QStringLiteral("-");
    if (standardOutput ? ::fstat(STDOUT_FILENO, &target) != 0 : !StatPath(output, target)) {
        return {};
    }
    if (!S_ISREG(target.st_mode) && !S_ISFIFO(target.st_mode)) {
        return {};
    }
    struct stat in {};
    if (readsStandardInput && ::fstat(STDIN_FILENO, &in) == 0 && SameInode(in, target)) {
        return QStringLiteral("standard input");
    }
    for (const QString& input : inputs) {
        if (input != QStringLiteral("-") && StatPath(input, in) && SameInode(in, target)) {
            return input;
        }
    }
    return {};
}

bool IsStreamPath(const QString& path) {
    if (path == QStringLiteral("-")) {
        return true;
    }
    static const QRegularExpression ownDescriptor(QStringLiteral("^/(dev/stdin|dev/fd/\\d+|proc/self/fd/\\d+)$"));
    if (ownDescriptor.match(QDir::cleanPath(path)).hasMatch()) {
        return true;
    }
    struct stat info {};
    // A device is no stream to read to its end (a terminal is reached through /dev/stdin).
    return StatPath(path, info) && (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode));
}

StreamRead SpoolStream(const QString& path, const QString& target, const std::function<bool()>& stopped) {
    StreamRead result;
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        result.failure = out.errorString();
        return result;
    }
    const bool standardInput = path == QStringLiteral("-");
    const int fd = OpenStream(path, result);
    if (fd < 0) {
        return result;
    }
    result = ReadDescriptor(fd, stopped, [&out](QByteArrayView bytes, StreamRead& read) {
        if (out.write(bytes.data(), bytes.size()) != bytes.size()) {
            read.failure = out.errorString();
            return false;
        }
        return true;
    });
    if (!standardInput) {
        ::close(fd);
    }
    if (result.failure.isEmpty() && !out.flush()) {
        result.failure = out.errorString();
    }
    return result;
}

StreamRead ReadStandardInputLine(qint64 limit, const std::function<bool()>& stopped, QByteArray& line) {
    line.clear();
    bool ended = false;
    StreamRead result = ReadDescriptor(STDIN_FILENO, stopped, [&](QByteArrayView bytes, StreamRead& read) {
        const qsizetype end = bytes.indexOf('\n');
        line += end < 0 ? bytes : bytes.first(end);
        ended = end >= 0;
        if (line.size() > limit) {
            read.failure = QStringLiteral("longer than %1 bytes").arg(limit);
            return false;
        }
        return !ended;
    });
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    return result;
}

StreamRead ReadStopWordsInput(const QString& nameOrPath, const std::function<bool()>& stopped, QStringList& words) {
    const QString path = StopWordsPath(nameOrPath);
    StreamRead result;
    // A file named "-" is no standard input here.
    const int fd = OpenStream(path == QStringLiteral("-") ? QStringLiteral("./-") : path, result);
    if (fd >= 0) {
        QByteArray text;
        result = ReadDescriptor(fd, stopped, [&text](QByteArrayView bytes, StreamRead& read) {
            text += bytes;
            if (text.size() > kStopWordsLimit) {
                read.failure = QStringLiteral("longer than %1 bytes").arg(kStopWordsLimit);
                return false;
            }
            return true;
        });
        ::close(fd);
        if (result.failure.isEmpty()) {
            words = StopWordsOf(text);
        }
    }
    if (!result.failure.isEmpty()) {
        result.failure = path + QStringLiteral(": ") + result.failure;
    }
    return result;
}

StreamRead ReadFileList(const QString& path, bool nulSeparated, const std::function<bool()>& stopped,
                        QStringList& paths) {
    StreamRead result;
    const int fd = OpenStream(path, result);
    if (fd < 0) {
        result.failure = path + QStringLiteral(": ") + result.failure;
        return result;
    }
    QByteArray bytes;
    result = ReadDescriptor(fd, stopped, [&bytes](QByteArrayView piece, StreamRead& read) {
        if (read.size > kFileListLimit) {
            read.failure = QStringLiteral("longer than %1 bytes").arg(kFileListLimit);
            return false;
        }
        bytes += piece;
        return true;
    });
    if (fd != STDIN_FILENO) {
        ::close(fd);
    }
    if (!result.failure.isEmpty()) {
        result.failure = path + QStringLiteral(": ") + result.failure;
        return result;
    }
    for (QByteArray name : bytes.split(nulSeparated ? '\0' : '\n')) {
        if (!nulSeparated && name.endsWith('\r')) {
            name.chop(1);
        }
        if (!name.isEmpty()) {
            paths << QFile::decodeName(name);
        }
    }
    return result;
}

std::optional<CommandOutcome::End> CompletePaths(QStringList& paths, const QString& filesFrom, bool nulSeparated,
                                                 const QString& command) {
    const QString prefix = command.isEmpty() ? QString() : command + QStringLiteral(": ");
    if (!filesFrom.isEmpty()) {
        const StreamRead read = ReadFileList(filesFrom, nulSeparated, StopSignalled, paths);
        if (read.stopped) {
            return CommandOutcome::End::Interrupted;
        }
        if (!read.failure.isEmpty()) {
            PrintError(prefix + QStringLiteral("--files-from ") + read.failure);
            return CommandOutcome::End::Usage;
        }
    } else if (paths.isEmpty() && !::isatty(STDIN_FILENO)) {
        paths << QStringLiteral("-");
    }
    if (paths.isEmpty()) {
        PrintError(prefix + QStringLiteral("no PATH given (see ") + (command.isEmpty() ? QString() : command + u' ') +
                   QStringLiteral("--help)"));
        return CommandOutcome::End::Usage;
    }
    return std::nullopt;
}

bool ReadAsStream(const QString& path, bool textInput) {
    if (IsStreamPath(path)) {
        return true;
    }
    struct stat info {};
    if (!textInput || !StatPath(path, info) || !S_ISREG(info.st_mode) || info.st_size != 0) {
        return false;
    }
    // Files such as those of /proc tell a size of 0 and yet have a text; an empty file stays
    // what it is.
    QFile file(path);
    char first = 0;
    return file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) && file.read(&first, 1) == 1;
}

// True when a PATH named on the command line cannot be read at all: missing, or no access.
bool NamedPathUnreadable(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat info {};
    if (path.isEmpty() || ::stat(native.constData(), &info) != 0) {
        return true;
    }
    return ::access(native.constData(), S_ISDIR(info.st_mode) ? R_OK | X_OK : R_OK) != 0;
}

// The rows of the run: a folder stands for every PDF file below it, found as the main window's
// folder scan finds them; every other PATH is a row as given.
RunInputs ExpandPaths(const QStringList& paths, bool textInput, Ui& ui) {
    RunInputs inputs;
    for (const QString& path : paths) {
        if (!IsStreamPath(path) && NamedPathUnreadable(path)) {
            inputs.pathProblem = true;
        }
        if (!textInput && QFileInfo(path).isDir()) {
            const QStringList files = CollectFolderFiles(path, kPdfPattern, {}, ui, &inputs.skipped);
            inputs.rows << files;
            inputs.shownAs << files;
        } else {
            inputs.rows << path;
            inputs.shownAs << path;
        }
    }
    inputs.pathProblem = inputs.pathProblem || !inputs.skipped.isEmpty();
    return inputs;
}

// Reads every stream among the rows (standard input, FIFOs, …) into a file of the work folder,
// each stream once, and puts that file in its place. Returns false when a signal came.
bool ReadStreams(RunInputs& inputs, bool textInput, const QString& workFolder, QList<UnreadableFile>& unreadable) {
    QHash<QString, QString> read; // stream → its file
    QStringList rows;
    QStringList shownAs;
    bool any = false;
    for (qsizetype i = 0; i < inputs.rows.size(); ++i) {
        const QString& row = inputs.rows[i];
        if (!ReadAsStream(row, textInput)) {
            rows << row;
            shownAs << inputs.shownAs[i];
            continue;
        }
        any = true;
        if (!read.contains(row)) {
            const QString file =
                workFolder + QStringLiteral("/stream-%1%2").arg(read.size() + 1).arg(textInput ? ".txt" : ".pdf");
            const StreamRead result = SpoolStream(row, file, StopSignalled);
            if (result.stopped) {
                return false;
            }
            const QString dash = textInput ? QString() : QStringLiteral("  - ");
            if (!result.failure.isEmpty() || result.size == 0) {
                unreadable.append(
                    {row,
                     dash + (result.failure.isEmpty() ? QStringLiteral("nothing was read (empty)")
                                                      : QStringLiteral("cannot be read: ") + result.failure),
                     result.failure.isEmpty() ? UnreadableKind::EmptyInput : UnreadableKind::Other});
                if (!result.failure.isEmpty()) {
                    inputs.pathProblem = true;
                }
                read.insert(row, QString());
                continue;
            }
            read.insert(row, file);
        }
        if (!read.value(row).isEmpty()) {
            rows << read.value(row);
            shownAs << row;
        }
    }
    if (any) {
        inputs.rows = rows;
        inputs.shownAs = shownAs;
        // A stream is labelled by the name it was given; other rows as the run labels them.
        for (qsizetype i = 0; i < rows.size(); ++i) {
            inputs.labels << ((rows[i] != shownAs[i] || textInput) ? shownAs[i] : FileLabel(rows[i]));
        }
    }
    return true;
}

std::optional<RunFolder> MakeRunFolder(bool textInput) {
    RunFolder folder;
    try {
        folder.work = NewWorkFolder(QStringLiteral("cli"));
        if (!textInput) {
            folder.converter = folder.work->path() + QStringLiteral("/pdftotext");
            PlaceConverter(ConverterSource(ProcessorAddressWidth()), folder.converter);
        }
    } catch (const Failure& failure) {
        PrintError(failure.Description());
        return std::nullopt;
    }
    return folder;
}

bool OcrReady(const OcrOptions& ocr, const QString& converter, const QString& prefix) {
    const QString problem = ocr.enabled ? OcrProblem(ocr.languages, converter) : QString();
    if (!problem.isEmpty()) {
        PrintError(prefix + QStringLiteral("--ocr: ") + problem);
    }
    return problem.isEmpty();
}

std::optional<CommandOutcome::End> PrepareWork(RunInputs& inputs, bool textInput, const OcrOptions& ocr,
                                               const QString& prefix, std::optional<RunFolder>& folder,
                                               QList<UnreadableFile>& unreadable) {
    folder = MakeRunFolder(textInput);
    if (!folder) {
        return CommandOutcome::End::NotWritten;
    }
    if (!OcrReady(ocr, folder->converter, prefix)) {
        return CommandOutcome::End::Usage;
    }
    for (const SkippedFolder& skipped : std::as_const(inputs.skipped)) {
        unreadable.append({skipped.path, skipped.reason, skipped.kind});
    }
    if (!ReadStreams(inputs, textInput, folder->work->path(), unreadable)) {
        return CommandOutcome::End::Interrupted;
    }
    return std::nullopt;
}

QString OutputIsInputText(const QString& output, const QString& clash) {
    const QString named = output.isEmpty() || output == QStringLiteral("-") ? QStringLiteral("standard output")
                                                                            : QStringLiteral("the output ") + output;
    return named + QStringLiteral(" is one of the inputs (") + clash + QStringLiteral("); choose another file");
}
