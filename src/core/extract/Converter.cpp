#include "core/extract/Converter.h"

#include "core/base/ErrorReport.h"
#include "core/base/Paths.h"
#include "core/base/Places.h"
#include "core/base/Texts.h"
#include "core/extract/TextFileWriter.h"
#include "core/extract/TextFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Keeps a process on the list of running converters while it lives.
class RunningRegistration {
public:
    RunningRegistration(ConverterProcesses* list, QProcess* process) : m_list(list), m_process(process) {
        if (m_list) {
            m_list->Add(m_process);
        }
    }
    ~RunningRegistration() {
        if (m_list) {
            m_list->Remove(m_process);
        }
    }
    RunningRegistration(const RunningRegistration&) = delete;
    RunningRegistration& operator=(const RunningRegistration&) = delete;

private:
    ConverterProcesses* m_list;
    QProcess* m_process;
};

// The error number for a program that cannot be started.
int StartErrorNumber(const QString& program) {
    QString resolved = program;
    if (!program.contains(u'/')) {
        resolved = QStandardPaths::findExecutable(program);
        if (resolved.isEmpty()) {
            return ConverterEnd::kFileNotFound;
        }
    }
    const QFileInfo info(resolved);
    if (!info.exists()) {
        return ConverterEnd::kFileNotFound;
    }
    if (info.isDir() || !info.isExecutable()) {
        return ConverterEnd::kPermissionDenied;
    }
    return ConverterEnd::kInvalidCall;
}

// What a converter says on its standard error, read as it comes (only the line being read is
// kept): whether the file did not open for want of the right password, or is no readable PDF.
class ConverterMessages {
public:
    void Read(QProcess& process) {
        const QByteArray bytes = process.readAllStandardError();
        qsizetype start = 0;
        for (qsizetype end = bytes.indexOf('\n'); end >= 0; end = bytes.indexOf('\n', start)) {
            Keep(QByteArrayView(bytes).sliced(start, end - start));
            Judge();
            m_line.clear();
            start = end + 1;
        }
        Keep(QByteArrayView(bytes).sliced(start));
    }

    // The end of a converter that has ended, told more precisely by what it said.
    ConverterEnd Told(const ConverterEnd& end) {
        Judge(); // a last line without its line feed
        m_line.clear();
        if (end != ConverterEnd::Exit(1)) {
            return end;
        }
        // A damaged file that is encrypted too says both: its password is what to act on.
        return m_refused ? ConverterEnd::Refused() : m_damaged ? ConverterEnd::NotAPdf() : end;
    }

private:
    void Keep(QByteArrayView part) {
        // Longer lines are not the messages looked for.
        m_line += part.first(std::min<qsizetype>(part.size(), std::max<qsizetype>(0, 256 - m_line.size())));
    }
    void Judge() {
        m_refused = m_refused || m_line.contains("Incorrect password");
        m_damaged = m_damaged || m_line.startsWith("Syntax Error") || m_line.contains("May not be a PDF file");
    }

    QByteArray m_line;
    bool m_refused = false;
    bool m_damaged = false;
};

// Starts a converter without a shell: nothing on its standard input, its messages read by
// ConverterMessages, and its standard output read by this process when textToPipe is set
// (discarded otherwise).
void StartConverter(QProcess& process, const QString& program, const QStringList& arguments, bool textToPipe) {
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    if (textToPipe) {
        process.setReadChannel(QProcess::StandardOutput);
#ifdef F_SETPIPE_SZ
        // A roomier pipe, so that a converter waits less for this process to read its text while
        // several run at once (only as much as an ordinary user may ask; a refusal is harmless).
        process.setChildProcessModifier([] { ::fcntl(STDOUT_FILENO, F_SETPIPE_SZ, 1 << 20); });
#endif
    } else {
        process.setStandardOutputFile(QProcess::nullDevice());
    }
    process.start();
}

bool IsPrintable(char32_t code) {
    return (code >= 32 && code <= 126) || code >= 160;
}

// How a process that has ended ended.
ConverterEnd EndOf(const QProcess& process) {
    // After a signal, Qt gives the signal's number as the exit code.
    return process.exitStatus() == QProcess::CrashExit ? ConverterEnd::Signal(process.exitCode())
                                                       : ConverterEnd::Exit(process.exitCode());
}

// The program a person can do something about: the converter a link stands for (the link in the
// work folder is made anew at each start), else the program itself.
QString ProgramBehind(const QString& program) {
    const QFileInfo info(program);
    return info.isSymLink() ? info.symLinkTarget() : program;
}

// A path the converter could mistake for an option is handed over in absolute form.
QString AsOperand(const QString& path) {
    return path.startsWith(u'-') ? QFileInfo(path).absoluteFilePath() : path;
}

} // namespace

QString PleaseWaitText(const QString& progressText, int waited) {
    const QString prefix = progressText.isEmpty() ? QString() : progressText + QStringLiteral(", ");
    return prefix + QStringLiteral("Please wait.. ") + QString::number(waited);
}

int CreepingValue(int startValue, int fileCount, int k) {
    int step = 0;
    int cap = 0;
    if (fileCount == 0) {
        step = RoundHalfEven((100.0 - startValue) / 10.0);
        cap = 100 - step;
    } else {
        const double share = 100.0 / fileCount;
        step = RoundHalfEven(share / 10.0);
        cap = RoundHalfEven(share + startValue - step);
    }
    const qint64 value = startValue + static_cast<qint64>(k) * step;
    return value >= cap ? cap : static_cast<int>(value);
}

int EffectiveWindowStyle(std::optional<int> windowStyle) {
    if (!windowStyle || *windowStyle < 0 || *windowStyle > 6) {
        return 6;
    }
    return *windowStyle;
}

int RoundHalfEven(double value) {
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) {
        whole += 1.0;
    }
    return static_cast<int>(whole);
}

int FileProgressPercent(int current, int total, bool finished) {
    if (total <= 0) {
        return 0;
    }
    const double done = finished ? current : current - 1;
    return RoundHalfEven(done / total * 100.0);
}

ConverterEnd RunAndWait(const QString& program, const QStringList& arguments, std::optional<int> windowStyle,
                        ProgressSink* bar, const QString& progressText, int startValue, int fileCount,
                        const Yield& yield, int pollMs, ConverterProcesses* running, const QString& textFile) {
    // Converters run without a window of their own; the style is only kept as a value.
    (void)EffectiveWindowStyle(windowStyle);

    QProcess process;
    // Nothing to type and nobody to read its messages: it is judged by its text alone.
    StartConverter(process, program, arguments, !textFile.isEmpty());
    if (!process.waitForStarted(-1)) {
        return ConverterEnd::StartFailed(StartErrorNumber(program));
    }
    const RunningRegistration registration(running, &process);
    std::optional<TextFileWriter> text;
    if (!textFile.isEmpty()) {
        text.emplace(textFile);
    }
    ConverterMessages messages;

    int polls = 0;
    do {
        YieldNow(yield);
        // Returns as soon as the process ends: no full poll interval is spent after it.
        process.waitForFinished(pollMs);
        messages.Read(process);
        if (text && !text->Drain(process) && process.state() != QProcess::NotRunning) {
            // The text can no longer be complete: no need to wait for the rest of it.
            process.kill();
            process.waitForFinished(-1);
        }
        if (bar != nullptr) {
            YieldNow(yield);
            ++polls;
            if (polls >= 50) {
                YieldNow(yield);
                const int waited = polls - 50;
                bar->SetText(PleaseWaitText(progressText, waited));
                if (waited % 150 == 0) {
                    bar->SetValue(CreepingValue(startValue, fileCount, waited / 150));
                }
                YieldNow(yield);
            }
            YieldNow(yield);
        }
        YieldNow(yield);
    } while (process.state() != QProcess::NotRunning);

    if (bar != nullptr) {
        bar->SetText(progressText.isEmpty() ? kProgressRest : progressText);
    }
    if (text) {
        if (const std::optional<ConverterEnd> failure = text->Finish(process)) {
            return *failure;
        }
    }
    messages.Read(process);
    return messages.Told(EndOf(process));
}

void ConverterProcesses::Add(QProcess* process) {
    m_running.append(process);
}

void ConverterProcesses::Remove(QProcess* process) {
    m_running.removeAll(process);
}

ListedProcess::ListedProcess() = default;

ListedProcess::~ListedProcess() {
    End();
}

void ListedProcess::Adopt(std::unique_ptr<QProcess> process, ConverterProcesses* list) {
    End();
    m_process = std::move(process);
    m_list = list;
    if (m_list) {
        m_list->Add(m_process.get());
    }
    // The process is Qt's child and is reaped by Qt; this handle only tells that it has ended.
    // Where the kernel has no pidfd (before Linux 5.3, or filtered) it stays -1.
    m_endHandle = static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(m_process->processId()), 0));
}

void ListedProcess::End() {
    if (m_endHandle >= 0) {
        ::close(m_endHandle);
        m_endHandle = -1;
    }
    if (!m_process) {
        return;
    }
    if (m_list) {
        m_list->Remove(m_process.get());
    }
    if (m_process->state() != QProcess::NotRunning) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
    m_process.reset();
}

bool WaitForAnyEnd(const std::vector<int>& handles, int waitMs) {
    if (handles.empty()) {
        return false;
    }
    std::vector<pollfd> polled;
    polled.reserve(handles.size());
    for (const int handle : handles) {
        polled.push_back({handle, POLLIN, 0});
    }
    ::poll(polled.data(), static_cast<nfds_t>(polled.size()), waitMs);
    return true;
}

std::optional<QByteArray> HelperOutput(const QString& program, const QStringList& arguments, int timeoutMs) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(-1) || !process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}

void ConverterProcesses::KillAll() {
    const QList<QProcess*> running = m_running;
    for (QProcess* process : running) {
        process->kill();
    }
    for (QProcess* process : running) {
        process->waitForFinished(5000);
    }
}

qint64 FileSize2(const QString& path) {
    if (path.isEmpty()) {
        return 0;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return 0;
    }
    return file.size();
}

bool NoTextPDF(const QString& path, Ui* ui) {
    ErrorReport steps(ui, QString::fromLatin1(Source::NoTextPdf));
    std::optional<FileBytes> bytes;
    bool noText = false;
    qint64 printable = 0;
    steps(100, [&] { bytes.emplace(path); });
    // Line by line as the line reader gives them, but only as far as needed: the answer is
    // known after six printable characters.
    steps(102, [&] {
        if (!bytes) {
            return;
        }
        ForEachLine(bytes->View(), [&](QByteArrayView raw) {
            const QString line = QString::fromUtf8(raw);
            const QStringView view(line);
            for (qsizetype i = 0; i < view.size(); ++i) {
                char32_t code = view[i].unicode();
                if (QChar::isHighSurrogate(code) && i + 1 < view.size() && view[i + 1].isLowSurrogate()) {
                    code = QChar::surrogateToUcs4(view[i], view[i + 1]);
                    ++i;
                }
                if (!IsPrintable(code)) {
                    noText = true;
                } else if (++printable >= 6) {
                    noText = false;
                    return false;
                }
            }
            return true;
        });
    });
    return noText;
}

QString OutcomeReason(ExtractionOutcome outcome, bool withPassword) {
    switch (outcome) {
    case ExtractionOutcome::TextAvailable:
        return {};
    case ExtractionOutcome::NoOutput:
        return withPassword ? QStringLiteral("  - invalid password or no password protected.")
                            : QStringLiteral("  - password protected or text is protexted.");
    case ExtractionOutcome::NoText:
        return QStringLiteral("  - text unreadable. Please view the file yourself to see if it is really a scanned "
                              "image of text and not proper PDF text.");
    }
    return {};
}

QStringList ConverterArguments(const QString& pdf, const QString& output, const QString& password) {
    QStringList arguments{QStringLiteral("-enc"), QStringLiteral("UTF-8")};
    if (!password.isEmpty()) {
        // The typed password is tried as the owner password and as the open (user) password:
        // a user who knows only the password that opens the file can read it too.
        arguments << QStringLiteral("-opw") << password << QStringLiteral("-upw") << password;
    }
    arguments << AsOperand(pdf) << (output == QLatin1StringView(kToStandardOutput) ? output : AsOperand(output));
    return arguments;
}

ExtractionOutcome OutcomeOf(const QString& output, Ui* ui) {
    if (!QFileInfo(output).isFile()) {
        return ExtractionOutcome::NoOutput;
    }
    return NoTextPDF(output, ui) ? ExtractionOutcome::NoText : ExtractionOutcome::TextAvailable;
}

UnreadableKind OutcomeKind(ExtractionOutcome outcome, bool withPassword) {
    switch (outcome) {
    case ExtractionOutcome::TextAvailable:
        break;
    case ExtractionOutcome::NoOutput:
        return withPassword ? UnreadableKind::WrongPassword : UnreadableKind::PasswordProtected;
    case ExtractionOutcome::NoText:
        return UnreadableKind::NoText;
    }
    return UnreadableKind::Other;
}

InputReason InputProblem(const QString& path) {
    // U+FFFD: a name that reached the program already decoded with loss (from a drop, say).
    if (path.contains(QChar(0xFFFD)) || HasUndecodedBytes(path)) {
        return {QStringLiteral("  - the file name is not valid UTF-8: rename the file and add it again"),
                UnreadableKind::NameNotUtf8};
    }
    struct stat info {};
    const QByteArray native = QFile::encodeName(path);
    if (path.isEmpty() || ::stat(native.constData(), &info) != 0) {
        return errno == EACCES ? InputReason{QStringLiteral("  - cannot be read: permission denied"),
                                             UnreadableKind::PermissionDenied}
                               : InputReason{QStringLiteral("  - not found"), UnreadableKind::NotFound};
    }
    if (!S_ISREG(info.st_mode)) {
        return {S_ISDIR(info.st_mode) ? QStringLiteral("  - not a regular file (a folder)")
                                      : QStringLiteral("  - not a regular file"),
                UnreadableKind::NotRegularFile};
    }
    if (::access(native.constData(), R_OK) != 0) {
        return {QStringLiteral("  - cannot be read: permission denied"), UnreadableKind::PermissionDenied};
    }
    return {};
}

Extraction JudgeConversion(const ConverterEnd& end, const QString& program, const QString& output, bool withPassword,
                           Ui* ui) {
    const auto failed = [&output](const QString& reason, UnreadableKind kind) {
        QFile::remove(output);
        return Extraction{ExtractionOutcome::NoOutput, reason, kind};
    };
    switch (end.kind) {
    case ConverterEnd::Kind::NotStarted: {
        const QString why = end.number == ConverterEnd::kFileNotFound ? QStringLiteral("not found")
                            : end.number == ConverterEnd::kPermissionDenied
                                ? QStringLiteral("permission denied")
                                : QStringLiteral("error ") + QString::number(end.number);
        return failed(QStringLiteral("  - the converter could not be started: ") + ProgramBehind(program) +
                          QStringLiteral(": ") + why,
                      UnreadableKind::ConverterNotStarted);
    }
    case ConverterEnd::Kind::PasswordRefused:
    case ConverterEnd::Kind::Damaged:
        return failed(OutcomeReason(ExtractionOutcome::NoOutput, withPassword),
                      end.kind == ConverterEnd::Kind::Damaged ? UnreadableKind::Damaged
                                                              : OutcomeKind(ExtractionOutcome::NoOutput, withPassword));
    case ConverterEnd::Kind::Signalled:
        return failed(QStringLiteral("  - the converter crashed (signal ") + QString::number(end.number) +
                          QStringLiteral(")"),
                      UnreadableKind::ConverterCrashed);
    case ConverterEnd::Kind::TextFolderFull:
        return failed(QStringLiteral("  - the converted text could not be written completely: the temporary "
                                     "folder is full"),
                      UnreadableKind::TextNotWritten);
    case ConverterEnd::Kind::TextNotWritten:
        return failed(QStringLiteral("  - the converted text could not be written completely to the temporary "
                                     "folder"),
                      UnreadableKind::TextNotWritten);
    case ConverterEnd::Kind::Exited:
        break;
    }
    const int code = end.number;
    if (code == 2) {
        return failed(QStringLiteral("  - the converted text could not be written to the temporary folder"),
                      UnreadableKind::TextNotWritten);
    }
    const bool present = QFileInfo(output).isFile();
    if (code != 0 && (present || (code != 1 && code != 3))) {
        return failed(QStringLiteral("  - the conversion failed (converter exit status ") + QString::number(code) +
                          QStringLiteral(")"),
                      UnreadableKind::ConversionFailed);
    }
    const ExtractionOutcome outcome = OutcomeOf(output, ui);
    return {outcome, OutcomeReason(outcome, withPassword), OutcomeKind(outcome, withPassword)};
}

int PdfPageCount(const QString& pdf, const QString& password, const QString& converter) {
    const QString beside = QFileInfo(converter).dir().filePath(QStringLiteral("pdfinfo"));
    const QString program = converter.contains(u'/') && QFileInfo(beside).isExecutable()
                                ? beside
                                : QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
    if (program.isEmpty()) {
        return 0;
    }
    QStringList arguments;
    if (!password.isEmpty()) {
        arguments << QStringLiteral("-opw") << password << QStringLiteral("-upw") << password;
    }
    arguments << AsOperand(pdf);
    const std::optional<QByteArray> output = HelperOutput(program, arguments);
    if (!output) {
        // A file with an owner password only opens without a password too.
        return password.isEmpty() ? 0 : PdfPageCount(pdf, QString(), converter);
    }
    for (const QByteArray& line : output->split('\n')) {
        if (line.startsWith("Pages:")) {
            bool ok = false;
            const int pages = line.mid(6).trimmed().toInt(&ok);
            return ok && pages > 0 ? pages : 0;
        }
    }
    return 0;
}

struct BackgroundConversion::Part {
    QString file;
    int first = 1; // the range's first page
    int last = 0;  // its last page; 0: the whole file, whose page count is not known
    ListedProcess process;
    std::unique_ptr<TextFileWriter> text; // the converter's standard output, into file
    ConverterMessages messages;
    int startError = 0;
    std::optional<ConverterEnd> end;

    bool Ended() const { return !process || process->state() == QProcess::NotRunning; }

    // The range's pages not yet written (only when its last page is known).
    int PagesLeft() const {
        if (last == 0 || Ended() || text->Complete()) {
            return 0;
        }
        return static_cast<int>(std::max<qint64>(0, last - first + 1 - text->Pages()));
    }

    ConverterEnd End() {
        if (!end) {
            end = ConverterEnd::StartFailed(startError);
            if (process) {
                process->waitForFinished(-1);
                messages.Read(*process);
                // A range cut short once its last page was written ended well whatever
                // ended its converter.
                end = text->Finish(*process).value_or(text->Complete() ? ConverterEnd::Exit(0)
                                                                       : messages.Told(EndOf(*process)));
            }
        }
        return *end;
    }
};

BackgroundConversion::BackgroundConversion(const QString& pdf, const QString& password, const ConversionPlace& place,
                                           const QString& output, int parts, int pages)
    : m_pdf(pdf), m_password(password), m_converter(place.converter.isEmpty() ? ConverterPath() : place.converter),
      m_output(output.isEmpty() ? TextFileOf(pdf, place.workFolder) : output), m_withPassword(!password.isEmpty()),
      m_pages(pages), m_running(place.running) {
    QFile::remove(m_output);
    m_started.start();
    m_problem = InputProblem(pdf);
    if (!m_problem.isEmpty()) {
        return;
    }
    StartParts(pages > 1 ? std::clamp(parts, 1, pages) : 1);
}

void BackgroundConversion::StartParts(int count) {
    for (int i = 0; i < count; ++i) {
        if (count == 1) {
            m_parts.push_back(StartPart(1, 0));
        } else {
            // Pages first to last of this range: the ranges cover the file in order, evenly.
            m_parts.push_back(StartPart(static_cast<int>(static_cast<qint64>(m_pages) * i / count + 1),
                                        static_cast<int>(static_cast<qint64>(m_pages) * (i + 1) / count)));
        }
    }
}

bool BackgroundConversion::RetryWithoutPassword() {
    if (m_end || m_password.isEmpty() || std::none_of(m_parts.begin(), m_parts.end(), [](const auto& part) {
            return part->End().kind == ConverterEnd::Kind::PasswordRefused;
        })) {
        return false;
    }
    m_password.clear();
    m_pages = std::max(0, m_pages); // it may be counted without the password
    const int count = m_pages > 1 ? std::clamp(static_cast<int>(m_parts.size()), 1, m_pages) : 1;
    for (const auto& part : m_parts) {
        if (part->file != m_output) {
            QFile::remove(part->file);
        }
    }
    m_parts.clear();
    QFile::remove(m_output);
    StartParts(count);
    return true;
}

std::unique_ptr<BackgroundConversion::Part> BackgroundConversion::StartPart(int first, int last) {
    auto part = std::make_unique<Part>();
    QStringList arguments = ConverterArguments(m_pdf, QString::fromLatin1(kToStandardOutput), m_password);
    part->file = m_output;
    part->first = first;
    part->last = last;
    if (last > 0) {
        arguments =
            QStringList{QStringLiteral("-f"), QString::number(first), QStringLiteral("-l"), QString::number(last)} +
            arguments;
        part->file = m_output + QStringLiteral(".part") + QString::number(++m_partFiles);
        QFile::remove(part->file);
    }
    auto process = std::make_unique<QProcess>();
    StartConverter(*process, m_converter, arguments, true);
    if (!process->waitForStarted(-1)) {
        part->startError = StartErrorNumber(m_converter);
    } else {
        part->process.Adopt(std::move(process), m_running);
        part->text = std::make_unique<TextFileWriter>(part->file);
    }
    return part;
}

BackgroundConversion::~BackgroundConversion() {
    QStringList leftOver;
    if (!m_end && m_parts.size() > 1) {
        // Ended before its ranges were joined: no part file is left behind.
        for (const auto& part : m_parts) {
            leftOver << part->file;
        }
    }
    m_parts.clear();
    for (const QString& file : leftOver) {
        QFile::remove(file);
    }
}

bool BackgroundConversion::Finished(int waitMs) {
    bool all = true;
    for (const auto& part : m_parts) {
        if (part->Ended()) {
            continue;
        }
        QProcess& process = *part->process;
        const bool ended = process.waitForFinished(waitMs) || process.state() == QProcess::NotRunning;
        if (!ended && (!part->text->Drain(process) || part->text->Complete())) {
            // The text can no longer be complete, or the range's pages are all written (the
            // pages after them are another converter's): no need to wait for the rest of it.
            process.kill();
            process.waitForFinished(-1);
            continue;
        }
        part->messages.Read(process);
        if (!ended) {
            all = false;
            waitMs = 0; // the others are only looked at
        }
    }
    // A password that does not open the file may not be needed: a file with an owner password
    // only opens without one.
    return all && !RetryWithoutPassword();
}

bool BackgroundConversion::EndHandles(std::vector<int>& handles) const {
    for (const auto& part : m_parts) {
        if (!part->Ended()) {
            if (part->process.EndHandle() < 0) {
                return false;
            }
            handles.push_back(part->process.EndHandle());
        }
    }
    return true;
}

int BackgroundConversion::Running() {
    Finished();
    int running = 0;
    for (const auto& part : m_parts) {
        running += part->Ended() ? 0 : 1;
    }
    return running;
}

int BackgroundConversion::PagesLeft() {
    // A conversion that ends within half a second is not worth counting the pages of.
    if (Finished() || m_pages < 0 || (m_pages == 0 && m_started.elapsed() < 500)) {
        return 0;
    }
    if (m_pages == 0) {
        // Asked once: a file whose pages cannot be counted is left to its one converter.
        m_pages = PdfPageCount(m_pdf, m_password, m_converter);
        if (m_pages <= 0) {
            m_pages = -1;
            return 0;
        }
        for (const auto& part : m_parts) {
            part->last = part->last == 0 ? m_pages : part->last;
        }
    }
    int most = 0;
    for (const auto& part : m_parts) {
        most = std::max(most, part->PagesLeft());
    }
    return most;
}

int BackgroundConversion::Split(int free, int minPages) {
    const int left = PagesLeft();
    const int pieces = std::min(free + 1, left / std::max(1, minPages));
    if (pieces < 2) {
        return 0;
    }
    const auto busiest = std::max_element(m_parts.begin(), m_parts.end(),
                                          [](const auto& a, const auto& b) { return a->PagesLeft() < b->PagesLeft(); });
    Part& part = **busiest;
    // The converter keeps the first share of the pages it has left; the rest go, in page order,
    // to new converters whose texts follow its own.
    const int next = part.first + static_cast<int>(part.text->Pages());
    part.last = next + left / pieces - 1;
    part.text->KeepPages(part.last - part.first + 1);
    std::vector<std::unique_ptr<Part>> started;
    for (int i = 1; i < pieces; ++i) {
        started.push_back(StartPart(next + static_cast<int>(static_cast<qint64>(left) * i / pieces),
                                    next + static_cast<int>(static_cast<qint64>(left) * (i + 1) / pieces) - 1));
    }
    m_parts.insert(busiest + 1, std::make_move_iterator(started.begin()), std::make_move_iterator(started.end()));
    return pieces - 1;
}

int BackgroundConversion::WaitedPolls() {
    if (Finished()) {
        return -1;
    }
    return static_cast<int>(m_started.elapsed() / 100) - 50;
}

ConverterEnd BackgroundConversion::End() {
    if (!m_end) {
        m_end = m_parts.empty() ? ConverterEnd::StartFailed(0) : Join();
    }
    return *m_end;
}

// Every range's end, then the first failure as the conversion's end (its text, if any, judged
// as the output), or the ranges' texts appended in order to the output.
ConverterEnd BackgroundConversion::Join() {
    std::optional<ConverterEnd> failure;
    for (const auto& part : m_parts) {
        const ConverterEnd end = part->End();
        if (!failure && !(end.kind == ConverterEnd::Kind::Exited && end.number == 0)) {
            failure = end;
            if (part->file != m_output && QFileInfo::exists(part->file)) {
                QFile::rename(part->file, m_output);
            }
        }
    }
    if (m_parts.size() == 1) {
        return m_parts.front()->End();
    }
    const auto removeParts = [this] {
        for (const auto& part : m_parts) {
            if (part->file != m_output) {
                QFile::remove(part->file);
            }
        }
    };
    if (failure) {
        removeParts();
        return *failure;
    }
    // The first range becomes the output (a whole conversion cut short already writes it); the
    // others are appended to it and removed.
    if (m_parts.front()->file != m_output) {
        QFile::remove(m_output);
        if (!QFile::rename(m_parts.front()->file, m_output)) {
            removeParts();
            return ConverterEnd::NotWritten();
        }
    }
    std::optional<ConverterEnd> written;
    const int fd = ::open(QFile::encodeName(m_output).constData(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        written = ConverterEnd::NotWritten();
    }
    for (std::size_t i = 1; i < m_parts.size(); ++i) {
        QFile in(m_parts[i]->file);
        if (!written && !in.open(QIODevice::ReadOnly)) {
            written = ConverterEnd::NotWritten();
        }
        while (!written) {
            const QByteArray chunk = in.read(1 << 20);
            if (chunk.isEmpty()) {
                break;
            }
            for (qsizetype done = 0; !written && done < chunk.size();) {
                const ssize_t n = ::write(fd, chunk.constData() + done, static_cast<size_t>(chunk.size() - done));
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                if (n <= 0) {
                    const int error = n < 0 ? errno : ENOSPC;
                    written =
                        error == ENOSPC || error == EDQUOT ? ConverterEnd::FolderFull() : ConverterEnd::NotWritten();
                } else {
                    done += n;
                }
            }
        }
        in.close();
        QFile::remove(m_parts[i]->file);
    }
    if (fd >= 0 && ::close(fd) != 0 && !written) {
        written = ConverterEnd::NotWritten();
    }
    if (written) {
        QFile::remove(m_output);
        return *written;
    }
    return ConverterEnd::Exit(0);
}

Extraction BackgroundConversion::Result(Ui* ui) {
    if (!m_problem.isEmpty()) {
        return {ExtractionOutcome::NoOutput, m_problem.reason, m_problem.kind};
    }
    return JudgeConversion(End(), m_converter, m_output, m_withPassword, ui);
}

Extraction ConvertPdf(const QString& pdf, const QString& password, ProgressSink* bar, int startValue, int fileCount,
                      const Yield& yield, Ui* ui, const ConversionPlace& place) {
    const QString output = TextFileOf(pdf, place.workFolder);
    // An output left from an earlier run must not pass for this conversion's result.
    QFile::remove(output);
    const InputReason problem = InputProblem(pdf);
    if (!problem.isEmpty()) {
        return {ExtractionOutcome::NoOutput, problem.reason, problem.kind};
    }
    const QString converter = place.converter.isEmpty() ? ConverterPath() : place.converter;
    const QString progressText = bar != nullptr ? bar->Text() : QString();
    const auto convert = [&](const QString& given) {
        return RunAndWait(converter, ConverterArguments(pdf, QString::fromLatin1(kToStandardOutput), given), 0, bar,
                          progressText, startValue, fileCount, yield, 100, place.running, output);
    };
    ConverterEnd end = convert(password);
    if (end.kind == ConverterEnd::Kind::PasswordRefused && !password.isEmpty()) {
        // A password that does not open the file may not be needed: a file with an owner
        // password only opens without one.
        end = convert(QString());
    }
    return JudgeConversion(end, converter, output, !password.isEmpty(), ui);
}

ExtractionOutcome ConvertForAnalysis(const QString& pdf, const QString& password, ProgressSink* bar, int startValue,
                                     int fileCount, const Yield& yield, Ui* ui, const ConversionPlace& place) {
    return ConvertPdf(pdf, password, bar, startValue, fileCount, yield, ui, place).outcome;
}
