#include "core/extract/Ocr.h"

#include "core/base/Environment.h"
#include "core/base/ErrorReport.h"
#include "core/base/Places.h"
#include "core/extract/Converter.h"
#include "core/extract/TextFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <vector>

namespace {

const QString kEnginePackage = QStringLiteral("tesseract-ocr");
const QString kRendererPackage = QStringLiteral("poppler-utils");

// The program given, else found by name (beside the converter first when one is given).
QString ProgramFor(const QString& given, const QString& name, const QString& converter = {}) {
    if (!given.isEmpty()) {
        return given;
    }
    if (converter.contains(u'/')) {
        // Beside the converter itself, not beside a link to it.
        const QString real = QFileInfo(converter).canonicalFilePath();
        const QString beside = QFileInfo(real.isEmpty() ? converter : real).dir().filePath(name);
        if (QFileInfo(beside).isExecutable() && QFileInfo(beside).isFile()) {
            return beside;
        }
    }
    return QStandardPaths::findExecutable(name);
}

bool Runnable(const QString& program) {
    const QFileInfo info(program.contains(u'/') ? program : QStandardPaths::findExecutable(program));
    return !program.isEmpty() && info.isFile() && info.isExecutable();
}

// A path the programs could mistake for an option is handed over in absolute form.
QString AsOperand(const QString& path) {
    return path.startsWith(u'-') ? QFileInfo(path).absoluteFilePath() : path;
}

// How a program that has ended ended, for a reason: "" when it succeeded.
QString EndText(const QProcess& process) {
    if (process.exitStatus() == QProcess::CrashExit) {
        return QStringLiteral("crashed (signal ") + QString::number(process.exitCode()) + u')';
    }
    if (process.exitCode() != 0) {
        return QStringLiteral("ended with exit status ") + QString::number(process.exitCode());
    }
    return {};
}

// One page on its way: rendered into an image first, then read.
struct PageJob {
    int index = 0; // among the pages asked for
    int page = 0;
    bool reading = false;
    QString base; // base + ".pgm": the image; base + ".txt": the text
    ListedProcess process;
    ConverterProcesses* running = nullptr;

    PageJob() = default;
    PageJob(const PageJob&) = delete;
    PageJob& operator=(const PageJob&) = delete;
    ~PageJob() {
        process.End();
        QFile::remove(base + QStringLiteral(".pgm"));
        QFile::remove(base + QStringLiteral(".txt"));
    }

    // Starts the program for the page's next stage; false when it could not be started.
    bool Start(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment) {
        process.End();
        auto started = std::make_unique<QProcess>();
        started->setProgram(program);
        started->setArguments(arguments);
        started->setProcessEnvironment(environment);
        started->setStandardInputFile(QProcess::nullDevice());
        started->setStandardOutputFile(QProcess::nullDevice());
        started->setStandardErrorFile(QProcess::nullDevice());
        started->start();
        if (!started->waitForStarted(-1)) {
            return false;
        }
        process.Adopt(std::move(started), running);
        return true;
    }

    bool Ended() const { return !process || process->state() == QProcess::NotRunning; }
};

// The pages from first to last that show at least one image, as poppler's image lister (beside the
// converter) lists them; every one of them when that cannot be told.
QSet<int> PagesWithImages(const QString& pdf, const QString& password, const QString& converter, int first, int last) {
    const QString lister = ProgramFor({}, QStringLiteral("pdfimages"), converter);
    QStringList arguments{QStringLiteral("-list"), QStringLiteral("-f"), QString::number(first), QStringLiteral("-l"),
                          QString::number(last)};
    if (!password.isEmpty()) {
        arguments << QStringLiteral("-opw") << password << QStringLiteral("-upw") << password;
    }
    arguments << AsOperand(pdf);
    QSet<int> pages;
    const std::optional<QByteArray> listed = lister.isEmpty() ? std::nullopt : HelperOutput(lister, arguments);
    if (!listed) {
        for (int page = first; page <= last; ++page) {
            pages.insert(page);
        }
        return pages;
    }
    // Two heading lines, then one line per image that starts with its page number.
    for (const QByteArray& line : listed->split('\n')) {
        bool ok = false;
        const int page = line.simplified().split(' ').value(0).toInt(&ok);
        if (ok) {
            pages.insert(page);
        }
    }
    return pages;
}

// A stop or a failure of the pages' reading, copied into the result; false when every page was read.
bool Interrupted(const OcrPages& read, OcrResult& result) {
    result.stopped = read.stopped;
    result.failure = read.failure;
    return read.stopped || !read.failure.isEmpty();
}

// Replaces the file by the parts joined: written beside it first, so that the file is replaced
// only by a whole text. The reason why not, or "".
QString ReplaceText(const QString& output, const QList<QByteArrayView>& parts) {
    const QString written = output + QStringLiteral(".ocr");
    std::optional<ConverterEnd> failure;
    {
        TextFileWriter writer(written);
        for (const QByteArrayView part : parts) {
            writer.Write(part);
        }
        failure = writer.Finish();
    }
    if (!failure) {
        QFile::remove(output);
        if (!QFile::rename(written, output)) {
            failure = ConverterEnd::NotWritten();
        }
    }
    if (!failure) {
        return {};
    }
    QFile::remove(written);
    return failure->kind == ConverterEnd::Kind::TextFolderFull
               ? QStringLiteral("its text could not be written completely: the temporary folder is full")
               : QStringLiteral("its text could not be written completely to the temporary folder");
}

} // namespace

QString OcrEngineProgram() {
    return ProgramFor(CurrentEnvironment().ocrEngine, QStringLiteral("tesseract"));
}

QString PageRendererProgram(const QString& converter) {
    return ProgramFor(CurrentEnvironment().ocrRenderer, QStringLiteral("pdftoppm"), converter);
}

bool ValidOcrLanguages(const QString& languages) {
    static const QRegularExpression list(QStringLiteral("^[A-Za-z0-9_/]+(\\+[A-Za-z0-9_/]+)*$"));
    return list.match(languages).hasMatch();
}

QString OcrLanguagePackage(const QString& language) {
    QString name = language.toLower();
    name.replace(u'_', u'-').replace(u'/', u'-');
    return kEnginePackage + u'-' + name;
}

QStringList InstalledOcrLanguages(const QString& engine) {
    const QString program = engine.isEmpty() ? OcrEngineProgram() : engine;
    if (!Runnable(program)) {
        return {};
    }
    const std::optional<QByteArray> output = HelperOutput(program, {QStringLiteral("--list-langs")});
    if (!output) {
        return {};
    }
    // A heading ("List of available languages in ... (3):"), then one name a line.
    QStringList languages;
    for (const QByteArray& line : output->split('\n')) {
        const QString name = QString::fromUtf8(line.trimmed());
        if (!name.isEmpty() && ValidOcrLanguages(name) && !name.contains(u'+') && name != QStringLiteral("osd")) {
            languages << name;
        }
    }
    return languages;
}

QString OcrProblem(const QString& languages, const QString& converter) {
    if (!ValidOcrLanguages(languages)) {
        return QStringLiteral("the OCR languages must be names such as eng, or several joined by + (eng+deu)");
    }
    const QString engine = OcrEngineProgram();
    if (!Runnable(engine)) {
        return QStringLiteral("reading scanned pages needs tesseract, which was not found (") +
               (engine.isEmpty() ? QStringLiteral("tesseract") : engine) +
               QStringLiteral("): install the Debian package ") + kEnginePackage + QStringLiteral(" and ") +
               OcrLanguagePackage(languages.section(u'+', 0, 0));
    }
    const QString renderer = PageRendererProgram(converter);
    if (!Runnable(renderer)) {
        return QStringLiteral("reading scanned pages needs pdftoppm, which was not found: install the Debian "
                              "package ") +
               kRendererPackage;
    }
    const QStringList installed = InstalledOcrLanguages(engine);
    if (installed.isEmpty()) {
        return QStringLiteral("tesseract (") + engine +
               QStringLiteral(") lists no language data: install the Debian package ") +
               OcrLanguagePackage(languages.section(u'+', 0, 0));
    }
    QStringList missing;
    QStringList packages;
    for (const QString& language : languages.split(u'+')) {
        if (!installed.contains(language) && !missing.contains(language)) {
            missing << language;
            packages << OcrLanguagePackage(language);
        }
    }
    if (missing.isEmpty()) {
        return {};
    }
    return QStringLiteral("the OCR language data for ") + missing.join(QStringLiteral(", ")) +
           QStringLiteral(" is not installed (installed: ") + installed.join(QStringLiteral(", ")) +
           QStringLiteral("): install the Debian package") +
           (packages.size() > 1 ? QStringLiteral("s ") : QStringLiteral(" ")) + packages.join(u' ');
}

namespace {

// One reading of pages by OCR: each page rendered (pdftoppm) then read (tesseract), up to
// place.jobs pages at a time, the images in a folder of its own.
class PageReading {
public:
    PageReading(const QString& pdf, const QString& password, const QList<int>& pages, const OcrPlace& place)
        : m_pdf(pdf), m_pages(pages), m_place(place),
          m_engine(place.engine.isEmpty() ? OcrEngineProgram() : place.engine),
          m_renderer(place.renderer.isEmpty() ? PageRendererProgram(place.converter) : place.renderer),
          m_images((place.workFolder.isEmpty() ? TempFolder() : place.workFolder) + QStringLiteral("/ocr-XXXXXX")),
          m_environment(QProcessEnvironment::systemEnvironment()), m_jobs(std::max(1, place.jobs)) {
        m_result.texts.resize(pages.size());
        // One thread per engine: the pages are what runs side by side.
        m_environment.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
        if (!password.isEmpty()) {
            m_password << QStringLiteral("-opw") << password << QStringLiteral("-upw") << password;
        }
    }

    OcrPages Run(const Yield& yield, const std::function<bool()>& stop, const OcrProgress& progress) {
        if (m_pages.isEmpty()) {
            return m_result;
        }
        if (!m_images.isValid()) {
            m_result.failure = QStringLiteral("no folder for the page images: ") + m_images.errorString();
            return m_result;
        }
        while (m_next < m_pages.size() || !m_active.empty()) {
            if (stop && stop()) {
                m_active.clear();
                m_result.stopped = true;
                return m_result;
            }
            if (!StartPages()) {
                return m_result;
            }
            YieldNow(yield);
            if (!Poll(stop, progress)) {
                return m_result;
            }
        }
        return m_result;
    }

private:
    void Fail(const PageJob& job, const QString& what) {
        m_result.failure = what + QStringLiteral(" (page ") + QString::number(job.page) + u')';
        m_active.clear();
    }

    bool Render(PageJob& job) {
        const QString page = QString::number(job.page);
        const QStringList arguments = QStringList{QStringLiteral("-r"),
                                                  QStringLiteral("300"),
                                                  QStringLiteral("-gray"),
                                                  QStringLiteral("-f"),
                                                  page,
                                                  QStringLiteral("-l"),
                                                  page,
                                                  QStringLiteral("-singlefile")} +
                                      m_password + QStringList{AsOperand(m_pdf), job.base};
        return job.Start(m_renderer, arguments, m_environment);
    }

    bool Read(PageJob& job) {
        job.reading = true;
        return job.Start(m_engine,
                         {job.base + QStringLiteral(".pgm"), job.base, QStringLiteral("-l"), m_place.languages,
                          QStringLiteral("--dpi"), QStringLiteral("300")},
                         m_environment);
    }

    // Starts pages while fewer than the jobs are at work; false (the failure set) when one
    // could not be started.
    bool StartPages() {
        while (static_cast<int>(m_active.size()) < m_jobs && m_next < m_pages.size()) {
            auto job = std::make_unique<PageJob>();
            job->index = static_cast<int>(m_next);
            job->page = m_pages[m_next++];
            job->base = m_images.filePath(QStringLiteral("page-") + QString::number(job->page));
            job->running = m_place.running;
            if (!Render(*job)) {
                Fail(*job, QStringLiteral("pdftoppm could not be started: ") + m_renderer);
                return false;
            }
            m_active.push_back(std::move(job));
        }
        return true;
    }

    // A short wait on each page at work in turn; a page whose program has ended moves on. False
    // (the failure set) when a page failed.
    bool Poll(const std::function<bool()>& stop, const OcrProgress& progress) {
        const int waitMs = m_active.size() == 1 ? 50 : 5;
        for (std::size_t i = 0; i < m_active.size();) {
            PageJob& job = *m_active[i];
            if (!job.process->waitForFinished(waitMs) && !job.Ended()) {
                ++i;
                continue;
            }
            if (stop && stop()) {
                return true; // a program ended by the stop is no failure
            }
            const QString end = EndText(*job.process);
            if (!end.isEmpty()) {
                Fail(job, (job.reading ? QStringLiteral("tesseract ") : QStringLiteral("pdftoppm ")) + end);
                return false;
            }
            if (!job.reading) {
                if (!QFileInfo(job.base + QStringLiteral(".pgm")).isFile()) {
                    Fail(job, QStringLiteral("pdftoppm gave no image"));
                    return false;
                }
                if (!Read(job)) {
                    Fail(job, QStringLiteral("tesseract could not be started: ") + m_engine);
                    return false;
                }
                ++i;
                continue;
            }
            QFile text(job.base + QStringLiteral(".txt"));
            if (!text.open(QIODevice::ReadOnly)) {
                Fail(job, QStringLiteral("tesseract gave no text"));
                return false;
            }
            // The engine ends a page with a form feed of its own: the pages are joined here.
            m_result.texts[job.index] = text.readAll().replace('\f', QByteArray());
            text.close();
            m_active.erase(m_active.begin() + static_cast<std::ptrdiff_t>(i));
            ++m_done;
            if (progress) {
                progress(m_done, static_cast<int>(m_pages.size()));
            }
        }
        return true;
    }

    const QString& m_pdf;
    const QList<int>& m_pages;
    const OcrPlace& m_place;
    const QString m_engine;
    const QString m_renderer;
    // The page images, never beside the PDF; removed with everything in it.
    const QTemporaryDir m_images;
    QProcessEnvironment m_environment;
    QStringList m_password;
    const int m_jobs;
    OcrPages m_result;
    std::vector<std::unique_ptr<PageJob>> m_active;
    qsizetype m_next = 0;
    int m_done = 0;
};

} // namespace

OcrPages ReadPagesByOcr(const QString& pdf, const QString& password, const QList<int>& pages, const OcrPlace& place,
                        const Yield& yield, const std::function<bool()>& stop, const OcrProgress& progress) {
    return PageReading(pdf, password, pages, place).Run(yield, stop, progress);
}

OcrResult ReadPdfByOcr(const QString& pdf, const QString& password, const QString& output, const OcrPlace& place,
                       const Yield& yield, const std::function<bool()>& stop, const OcrProgress& progress) {
    OcrResult result;
    result.pages = PdfPageCount(pdf, password, place.converter);
    if (result.pages == 0) {
        // The converter ends every page with a form feed.
        QFile converted(output);
        if (converted.open(QIODevice::ReadOnly)) {
            result.pages = static_cast<int>(converted.readAll().count('\f'));
        }
    }
    if (result.pages == 0) {
        result.failure = QStringLiteral("its pages cannot be counted");
        return result;
    }
    QList<int> numbers;
    for (int page = 1; page <= result.pages; ++page) {
        numbers << page;
    }
    const OcrPages read = ReadPagesByOcr(pdf, password, numbers, place, yield, stop, progress);
    if (Interrupted(read, result)) {
        return result;
    }
    QList<QByteArrayView> parts;
    for (const QByteArray& text : read.texts) {
        parts << text << QByteArrayView("\f");
    }
    result.failure = ReplaceText(output, parts);
    result.read = result.failure.isEmpty();
    return result;
}

OcrResult ReadEmptyPagesByOcr(const QString& pdf, const QString& password, const QString& output, const OcrPlace& place,
                              const Yield& yield, const std::function<bool()>& stop, const OcrProgress& progress) {
    OcrResult result;
    QFile file(output);
    if (!file.open(QIODevice::ReadOnly)) {
        return result;
    }
    const QByteArray text = file.readAll();
    file.close();
    // Every page ends with a form feed; what follows the last one is no page.
    QList<QByteArrayView> pages;
    for (qsizetype begin = 0, end = text.indexOf('\f'); end >= 0; begin = end + 1, end = text.indexOf('\f', begin)) {
        pages << QByteArrayView(text).sliced(begin, end - begin);
    }
    const QByteArrayView rest = QByteArrayView(text).sliced(text.lastIndexOf('\f') + 1);
    QList<int> empty;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (pages[i].trimmed().isEmpty()) {
            empty << static_cast<int>(i + 1);
        }
    }
    if (empty.isEmpty()) {
        return result;
    }
    // A page that shows no image is blank (or drawn without letters): nothing for OCR to read.
    const QString converter = place.converter.isEmpty() ? ConverterPath() : place.converter;
    const QSet<int> images = PagesWithImages(pdf, password, converter, empty.front(), empty.back());
    empty.removeIf([&images](int page) { return !images.contains(page); });
    if (empty.isEmpty()) {
        return result;
    }
    const OcrPages read = ReadPagesByOcr(pdf, password, empty, place, yield, stop, progress);
    if (Interrupted(read, result)) {
        return result;
    }
    QList<QByteArrayView> parts;
    for (qsizetype i = 0, next = 0; i < pages.size(); ++i) {
        const bool readNow = next < empty.size() && empty[next] == i + 1;
        const QByteArrayView page = readNow ? QByteArrayView(read.texts[next++]) : pages[i];
        result.pages += readNow && !page.trimmed().isEmpty() ? 1 : 0;
        parts << page << QByteArrayView("\f");
    }
    parts << rest;
    if (result.pages == 0) {
        return result; // blank pages: the text stays as it is
    }
    result.failure = ReplaceText(output, parts);
    result.read = result.failure.isEmpty();
    return result;
}
