// lexitally-cli merge: the JSON results of runs over parts of a corpus, merged into the results
// of one run over all of it.

#include "cli/Merge.h"

#include "cli/CliOptions.h"
#include "cli/ConsoleUi.h"
#include "cli/Output.h"
#include "cli/Signals.h"
#include "core/base/ErrorReport.h"
#include "core/results/Merge.h"
#include "core/results/ResultTable.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>

#include <csignal>
#include <cstdio>
#include <new>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// The bytes of a results file; "-" is standard input.
QByteArray ReadInput(const QString& path) {
    const bool standardInput = path == QStringLiteral("-");
    QFile file(standardInput ? QString() : path);
    const bool opened = standardInput ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly);
    FailIf(!opened, QStringLiteral("cannot read ") + path + QStringLiteral(": ") + file.errorString());
    QByteArray bytes = file.readAll();
    FailIf(file.error() != QFileDevice::NoError,
           QStringLiteral("cannot read ") + path + QStringLiteral(": ") + file.errorString());
    return bytes;
}

// A merge holds every part in memory, as read and as rows: about this many bytes for each byte
// of the parts' JSON (measured for a part of 4.2 MB with 300,000 rows: 144 MB, 185 MB for a
// workbook, which is built in memory).
qint64 MemoryPerPartByte(CliFormat format) {
    return format == CliFormat::Xlsx ? 60 : 40;
}

// The address space the process may still take under its limits (RLIMIT_AS, RLIMIT_DATA), or -1
// when it is not limited.
qint64 AddressSpaceLeft() {
    qint64 limit = -1;
    for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        struct rlimit bound {};
        if (::getrlimit(resource, &bound) == 0 && bound.rlim_cur != RLIM_INFINITY) {
            const auto value =
                static_cast<qint64>(std::min<rlim_t>(bound.rlim_cur, std::numeric_limits<qint64>::max()));
            limit = limit < 0 ? value : std::min(limit, value);
        }
    }
    if (limit < 0) {
        return -1;
    }
    QFile statm(QStringLiteral("/proc/self/statm"));
    qint64 used = 0;
    if (statm.open(QIODevice::ReadOnly)) {
        used = statm.readLine().split(' ').value(0).toLongLong() * ::sysconf(_SC_PAGESIZE);
    }
    return std::max<qint64>(limit - used, 0);
}

// Refuses parts of this many bytes together when the process may not take the memory that
// merging them needs; Qt's containers do not all report a failed allocation.
void CheckMemoryFor(qint64 partBytes, CliFormat format) {
    const qint64 perByte = MemoryPerPartByte(format);
    const qint64 left = AddressSpaceLeft();
    const qint64 needed = partBytes > std::numeric_limits<qint64>::max() / perByte ? std::numeric_limits<qint64>::max()
                                                                                   : partBytes * perByte;
    constexpr qint64 kMegabyte = 1 << 20;
    FailIf(left >= 0 && needed > left,
           QStringLiteral("the parts (") + QString::number(partBytes / kMegabyte) + QStringLiteral(" MB) need about ") +
               QString::number(needed / kMegabyte) + QStringLiteral(" MB of memory to merge (") +
               QString::number(perByte) + QStringLiteral(" times their size), more than the ") +
               QString::number(left / kMegabyte) +
               QStringLiteral(" MB this process may still use; merge fewer parts at a time, or raise the limit"));
}

// Exit statuses besides 0 (see merge --help).
constexpr int kNoRows = 1;
constexpr int kRefused = 2;
constexpr int kPartFailed = 3;

} // namespace

namespace {

// Reads and merges the parts; false (said) when a part cannot be read or merged, or memory runs
// short.
bool ReadAndMerge(const CliOptions& options, RunResults& merged) {
    qint64 bytesRead = 0;
    try {
        QList<RunResults> parts;
        qint64 partBytes = 0; // of the parts that are regular files, known before they are read
        for (const QString& input : options.paths) {
            const QFileInfo file(input);
            partBytes += input != QStringLiteral("-") && file.isFile() ? file.size() : 0;
        }
        CheckMemoryFor(partBytes, options.format);
        for (const QString& input : options.paths) {
            QByteArray json = ReadInput(input);
            if (input == QStringLiteral("-") || !QFileInfo(input).isFile()) {
                partBytes += json.size(); // read from a stream
                CheckMemoryFor(partBytes, options.format);
            }
            bytesRead += json.size();
            try {
                parts.append(ReadRunResults(json));
            } catch (const Failure& failure) {
                throw Failure(input + QStringLiteral(": ") + failure.Description());
            }
            json = QByteArray(); // the bytes are not needed while the next part is read
        }
        merged = MergeRunResults(std::move(parts), options.paths);
    } catch (const Failure& failure) {
        PrintError(QStringLiteral("merge: ") + failure.Description());
        return false;
    } catch (const std::bad_alloc&) {
        PrintError(QStringLiteral("merge: not enough memory to merge the parts (") + QString::number(bytesRead) +
                   QStringLiteral(" bytes read; a merge holds all parts in memory, about ") +
                   QString::number(MemoryPerPartByte(options.format)) + QStringLiteral(" times their size)"));
        return false;
    }
    return true;
}

// Writes the merged results; the exit status.
int WriteMerged(const CliOptions& options, RunResults& merged) {
    ResultTable table;
    table.SetColumns(merged.mode);
    for (const QStringList& row : std::as_const(merged.rows)) {
        table.AddRow(row);
    }
    merged.rows = {}; // the table shares the texts
    table.SetTotals(merged.totals);
    const JsonRunFacts facts{merged.mode,    merged.method,   merged.ignoreCase,      merged.errors, merged.stopWords,
                             merged.letters, merged.stopList, merged.stopFingerprint, merged.words};
    // While it writes, a signal is noted and the writing gives up at its next step.
    SetSignalMode(SignalMode::Note);
    // The parts' file summaries go with the merged rows where they have a place (JSON).
    const bool files = merged.hasFiles && options.format == CliFormat::Json;
    const QString failure = WriteResults(
        options.format, options.output, facts, table, merged.unreadable,
        [] { FailIf(StopSignalled(), QStringLiteral("interrupted")); }, files ? &merged.files : nullptr);
    if (StopSignalled() && !failure.isEmpty()) {
        // A file is left as it was, and a workbook is made whole before it is written; what a
        // stream (standard output, a FIFO) was given of the other formats is written.
        const QFileInfo target(options.output);
        const bool stream =
            options.format != CliFormat::Xlsx && (options.output.isEmpty() || options.output == QStringLiteral("-") ||
                                                  (target.exists() && !target.isFile()));
        const int signal = StopSignal();
        PrintError((signal == SIGINT ? QStringLiteral("interrupted; ") : QStringLiteral("terminated; ")) +
                   (stream ? QStringLiteral("the output is incomplete") : QStringLiteral("nothing was written")));
        return 128 + signal;
    }
    if (!failure.isEmpty()) {
        PrintError(failure);
        return kNoRows;
    }
    if (!merged.errors.isEmpty()) {
        return kPartFailed;
    }
    return table.RowCount() == 0 ? kNoRows : 0;
}

} // namespace

int RunMerge(const QStringList& arguments) {
    const ParsedArguments parsed = ParseCommandArguments(kMergeCommand, arguments);
    if (parsed.help) {
        return PrintOutput(MergeUsageText());
    }
    if (!parsed.options) {
        PrintError(QStringLiteral("merge: ") + parsed.error + QStringLiteral(" (see merge --help)"));
        return kRefused;
    }
    // Before the writing begins nothing of the merge is on disk: a signal ends it at once, even
    // while it waits for a part on a FIFO or a terminal.
    InstallStopSignals(SignalMode::EndNothingYet);
    RunResults merged;
    if (!ReadAndMerge(*parsed.options, merged)) {
        return kRefused;
    }
    for (const QString& report : std::as_const(merged.errors)) {
        PrintError(QStringLiteral("merge: from a run that failed: ") + report);
    }
    try {
        return WriteMerged(*parsed.options, merged);
    } catch (const std::bad_alloc&) {
        PrintError(QStringLiteral("merge: not enough memory to write the merged results"));
        return kNoRows;
    }
}
