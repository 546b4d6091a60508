#include "core/base/ErrorReport.h"
#include "core/base/Places.h"
#include "core/extract/ConversionCache.h"
#include "core/extract/ConversionQueue.h"
#include "core/extract/Readability.h"
#include "core/extract/TextFileWriter.h"
#include "core/run/AnalysisRun.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedUi.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtTest>

#include <optional>

namespace {

const QString kUserPassword = QStringLiteral("user-pw");
const QString kOwnerPassword = QStringLiteral("owner pw");
const QString kWrongPassword = QStringLiteral("  - invalid password or no password protected.");

class Rows : public ResultSink {
public:
    void AddRow(const WordRow& row) override {
        rows << (row.label.isEmpty() ? QString() : row.label + u' ') + row.word + u' ' + QString::number(row.count);
    }
    void SetTotals(const Totals& totals) override { words = totals.words; }
    QStringList rows;
    qint64 words = 0;
};

// The known text of the scanned fixture: two pages, 32 words.
const QStringList kScannedPages{"The quick brown fox jumps over the lazy dog\n"
                                "Pack my box with five dozen liquor jugs\n"
                                "Seven happy children were reading green books",
                                "Second page holds other words\nnumber seven again"};
constexpr qint64 kScannedWords = 32;

// The running children of this process that read pages (the renderer and the OCR engine).
QStringList OcrChildren() {
    QStringList found;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QByteArray stat = ReadAll(QStringLiteral("/proc/") + pid + QStringLiteral("/stat"));
        const qsizetype close = stat.lastIndexOf(')');
        const QByteArray name = stat.mid(stat.indexOf('(') + 1, close - stat.indexOf('(') - 1);
        const QList<QByteArray> rest = stat.mid(close + 2).split(' ');
        if (rest.size() > 1 && rest[1].toLongLong() == QCoreApplication::applicationPid() &&
            (name == "tesseract" || name == "pdftoppm")) {
            found << QString::fromLatin1(name);
        }
    }
    return found;
}

// An executable shell script in the folder.
QString Script(const QString& path, const QByteArray& body) {
    WriteTextFile(path, "#!/bin/sh\n" + body);
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
    return path;
}

// Answers the password asked for each file in turn.
class Passwords : public RunObserver {
public:
    explicit Passwords(QStringList answers) : m_answers(std::move(answers)) {}
    QString Password(const QString&) override { return m_answers.isEmpty() ? QString() : m_answers.takeFirst(); }

private:
    QStringList m_answers;
};

struct Outcome {
    QStringList rows;
    QStringList unreadable; // "name: reason"
    QStringList ocrRead;    // file names
    QStringList kinds;      // of the unreadable files
    qint64 words = 0;
};

// One run of all files together by the text method, ignoring letter case.
Outcome Analyse(const QStringList& paths, const QStringList& passwords, int jobs, bool textInput = false,
                ConversionCache* cache = nullptr, const OcrOptions& ocr = {}) {
    AnalysisRequest request;
    request.rows = RowSource::Of(paths);
    request.ignoreCase = [] { return true; };
    request.databaseWanted = false;
    request.textWanted = true;
    request.textInput = textInput;
    request.jobs = jobs;
    request.ocr = ocr;
    Rows rows;
    Passwords observer(passwords);
    ScriptedUi ui;
    AnalysisContext context;
    context.results = &rows;
    context.observer = &observer;
    context.cache = cache;
    context.ui = &ui;
    ErrorReport steps(ui, QStringLiteral("in the test "));
    const AnalysisSummary summary = RunAnalysis(request, context, steps);
    Outcome outcome{rows.rows, {}, {}, {}, rows.words};
    for (const UnreadableFile& file : summary.unreadable) {
        outcome.unreadable << QFileInfo(file.path).fileName() + u':' + file.reason;
        outcome.kinds << UnreadableKindName(file.kind);
    }
    for (const QString& path : summary.ocrRead) {
        outcome.ocrRead << QFileInfo(path).fileName();
    }
    if (!ui.calls.isEmpty()) {
        outcome.unreadable << QStringLiteral("box: ") + ui.calls.first().text;
    }
    return outcome;
}

} // namespace

class RunTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_files.isValid());
        QVERIFY(!MakeTextPdf(File("bee.pdf"), {"bee ant bee"}).isEmpty());
        QVERIFY(EncryptPdf(File("bee.pdf"), File("locked.pdf"), kUserPassword, kOwnerPassword));
        QVERIFY(!MakeScannedPdf(File("scan.pdf"), kScannedPages).isEmpty());
        QVERIFY(EncryptPdf(File("scan.pdf"), File("locked-scan.pdf"), kUserPassword, kOwnerPassword));
        QVERIFY(!MakeScannedPdf(File("mixed.pdf"), {"text:alpha beta gamma", kScannedPages[0], "text:delta epsilon",
                                                    kScannedPages[1], "text:"})
                     .isEmpty());
    }

    // A scanned file gives no text; with OCR its pages are read, in any number at once, and it is
    // counted as the words printed on it (within a word or two of what OCR may misread). OCR is
    // for files without text only; a failing renderer or engine leaves the file unreadable.
    void scannedFile_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("passwords");
        QTest::addColumn<int>("jobs");
        QTest::addColumn<bool>("ocr");
        QTest::addColumn<QByteArray>("engine"); // a stand-in's script; "" for tesseract
        QTest::addColumn<QByteArray>("renderer");
        QTest::addColumn<QStringList>("ocrRead");
        QTest::addColumn<qint64>("words"); // besides the text PDF's
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<QString>("reason"); // a part of the first unreadable file's reason
        const QStringList scan{"scan.pdf"};
        const QByteArray none;
        QTest::newRow("without OCR") << scan << QStringList{} << 1 << false << none << none << QStringList{} << 0LL
                                     << QStringList{"no-text"} << "text unreadable";
        QTest::newRow("one page at a time")
            << scan << QStringList{} << 1 << true << none << none << scan << kScannedWords << QStringList{} << "";
        QTest::newRow("pages side by side, listed twice, beside a text")
            << QStringList{"bee.pdf", "scan.pdf", "scan.pdf"} << QStringList{} << 3 << true << none << none
            << QStringList{"scan.pdf", "scan.pdf"} << kScannedWords << QStringList{} << "";
        QTest::newRow("a protected scan with its password")
            << QStringList{"locked-scan.pdf"} << QStringList{kUserPassword} << 2 << true << none << none
            << QStringList{"locked-scan.pdf"} << kScannedWords << QStringList{} << "";
        QTest::newRow("a protected scan without one")
            << QStringList{"locked-scan.pdf"} << QStringList{} << 2 << true << none << none << QStringList{} << 0LL
            << QStringList{"password-protected"} << "password protected";
        QTest::newRow("scanned pages among text pages")
            << QStringList{"mixed.pdf"} << QStringList{} << 2 << true << none << none << QStringList{"mixed.pdf"}
            << kScannedWords << QStringList{} << "";
        QTest::newRow("scanned pages among text pages, without OCR")
            << QStringList{"mixed.pdf"} << QStringList{} << 2 << false << none << none << QStringList{} << 0LL
            << QStringList{} << "";
        QTest::newRow("scanned pages among text pages, the engine fails")
            << QStringList{"mixed.pdf"} << QStringList{} << 1 << true << QByteArray("exit 1\n") << none << QStringList{}
            << 0LL << QStringList{"ocr-failed"}
            << "its pages without text could not be read by OCR: tesseract ended with exit status 1 (page 2)";
        QTest::newRow("the engine fails")
            << scan << QStringList{} << 2 << true << QByteArray("exit 1\n") << none << QStringList{} << 0LL
            << QStringList{"ocr-failed"} << "could not be read by OCR: tesseract ended with exit status 1 (page ";
        QTest::newRow("the renderer crashes")
            << scan << QStringList{} << 1 << true << none << QByteArray("kill -SEGV $$\n") << QStringList{} << 0LL
            << QStringList{"ocr-failed"} << "could not be read by OCR: pdftoppm crashed (signal 11) (page 1)";
        QTest::newRow("the engine gives no text")
            << scan << QStringList{} << 1 << true << QByteArray("for out; do :; done\n: > \"$2.txt\"\n") << none
            << QStringList{} << 0LL << QStringList{"no-text"} << "text unreadable";
    }

    void scannedFile() {
        QFETCH(QStringList, files);
        QFETCH(QStringList, passwords);
        QFETCH(int, jobs);
        QFETCH(bool, ocr);
        QFETCH(QByteArray, engine);
        QFETCH(QByteArray, renderer);
        QFETCH(QStringList, ocrRead);
        QFETCH(qint64, words);
        QFETCH(QStringList, kinds);
        QFETCH(QString, reason);
        IsolatedEnvironment env;
        QVERIFY(EnsureConverterPlaced());
        if (!engine.isEmpty()) {
            env.Set("LEXITALLY_TESSERACT", Script(env.Work() + QStringLiteral("/bin/tesseract"), engine));
        }
        if (!renderer.isEmpty()) {
            env.Set("LEXITALLY_PDFTOPPM", Script(env.Work() + QStringLiteral("/bin/pdftoppm"), renderer));
        }
        QStringList paths;
        for (const QString& file : files) {
            paths << File(file);
        }
        const QStringList before = FolderSnapshot(m_files.path());
        const Outcome outcome = Analyse(paths, passwords, jobs, false, nullptr, OcrOptions{ocr, QStringLiteral("eng")});
        QCOMPARE(outcome.ocrRead, ocrRead);
        QCOMPARE(outcome.kinds, kinds);
        QVERIFY2(reason.isEmpty() ? outcome.unreadable.isEmpty() : outcome.unreadable.value(0).contains(reason),
                 qPrintable(outcome.unreadable.join(u'|')));
        const qint64 besides = files.contains(QStringLiteral("bee.pdf"))     ? 3
                               : files.contains(QStringLiteral("mixed.pdf")) ? 5
                                                                             : 0;
        QVERIFY2(qAbs(outcome.words - besides - words) <= 2, qPrintable(QString::number(outcome.words)));
        if (!ocrRead.isEmpty()) {
            // The words printed on the pages are among the rows (a misread word or two aside).
            const QStringList printed =
                kScannedPages.join(u' ').toLower().split(QRegularExpression(QStringLiteral("\\s+")));
            qsizetype missing = 0;
            for (const QString& word : printed) {
                missing += outcome.rows.filter(QRegularExpression(u'^' + word + QStringLiteral(" \\d+$"))).isEmpty();
            }
            QVERIFY2(missing <= 2, qPrintable(outcome.rows.join(u'|')));
            QVERIFY(outcome.rows.contains(QStringLiteral("seven 2")) || missing > 0);
        }
        // Nothing beside the PDFs; no page image left in the temporary folder.
        QCOMPARE(FolderSnapshot(m_files.path()), before);
        QCOMPARE(QDir(TempFolder()).entryList({QStringLiteral("ocr-*")}, QDir::Dirs), QStringList());
    }

    // The pages without text of a text with pages are read by OCR and put at their places; the
    // pages with text stay byte for byte. Once filled, there is nothing more to read.
    void emptyPagesReadInPlace() {
        IsolatedEnvironment env;
        const QString text = env.Work() + QStringLiteral("/mixed.txt");
        QVERIFY(QDir().mkpath(env.Work()));
        QVERIFY(QProcess::execute(QStringLiteral("pdftotext"), {"-enc", "UTF-8", File("mixed.pdf"), text}) == 0);
        QCOMPARE(ReadAll(text), QByteArray("alpha beta gamma\n\n\f\fdelta epsilon\n\n\f\f\f"));
        int done = 0;
        const OcrResult read =
            ReadEmptyPagesByOcr(File("mixed.pdf"), QString(), text, OcrPlace{}, {}, {}, [&done](int d, int total) {
                QCOMPARE(total, 2);
                done = d;
            });
        QVERIFY(read.read);
        QCOMPARE(read.pages, 2);
        QCOMPARE(done, 2);
        const QList<QByteArray> pages = ReadAll(text).split('\f');
        QCOMPARE(pages.size(), 6);
        QCOMPARE(pages[0], QByteArray("alpha beta gamma\n\n"));
        QVERIFY2(pages[1].startsWith("The quick brown fox"), pages[1].constData());
        QCOMPARE(pages[2], QByteArray("delta epsilon\n\n"));
        QVERIFY2(pages[3].startsWith("Second page holds"), pages[3].constData());
        QCOMPARE(pages[4], QByteArray()); // a blank page, with no image to read: not read at all
        QCOMPARE(pages[5], QByteArray());
        const QByteArray filled = ReadAll(text);
        QVERIFY(!ReadEmptyPagesByOcr(File("mixed.pdf"), QString(), text, OcrPlace{}, {}, {}).read);
        QCOMPARE(ReadAll(text), filled);
        QCOMPARE(QDir(env.Work()).entryList(QDir::Files), QStringList{"mixed.txt"});
    }

    // Stopped while pages are read: the renderer and the engine are ended at once, their page
    // images removed, and the file stays unreadable as the converter left it.
    void stopDuringOcr() {
        IsolatedEnvironment env;
        QVERIFY(EnsureConverterPlaced());
        const QString pdf =
            MakeScannedPdf(env.Work() + QStringLiteral("/long scan.pdf"), QStringList(6, kScannedPages.first()));
        QVERIFY(!pdf.isEmpty());
        struct Stopper : RunObserver {
            bool stop = false;
            bool StopRequested() override { return stop; }
        } observer;
        ConverterProcesses converters;
        QStringList seen;
        AnalysisRequest request;
        request.rows = RowSource::Of({pdf});
        request.ignoreCase = [] { return true; };
        request.databaseWanted = false;
        request.textWanted = true;
        request.jobs = 2;
        request.ocr = {true, QStringLiteral("eng")};
        ScriptedUi ui;
        AnalysisContext context;
        context.observer = &observer;
        context.converters = &converters;
        context.ui = &ui;
        QElapsedTimer clock;
        clock.start();
        // The stop comes once the engine reads a page.
        context.yield = [&] {
            if (!observer.stop && OcrChildren().contains(QStringLiteral("tesseract"))) {
                seen = OcrChildren();
                observer.stop = true;
            }
        };
        ErrorReport steps(ui, QStringLiteral("in the test "));
        const AnalysisSummary summary = RunAnalysis(request, context, steps);
        QVERIFY(observer.stop);
        QVERIFY(seen.contains(QStringLiteral("tesseract")));
        QCOMPARE(OcrChildren(), QStringList());
        QVERIFY(!converters.Any());
        QVERIFY2(clock.elapsed() < 20000, "the six pages were read all the same");
        QCOMPARE(summary.ocrRead, QStringList());
        QCOMPARE(summary.unreadable.size(), 1);
        QCOMPARE(summary.unreadable[0].kind, UnreadableKind::NoText);
        QCOMPARE(QDir(TempFolder()).entryList({QStringLiteral("ocr-*")}, QDir::Dirs), QStringList());
        QVERIFY(QDirIterator(TempFolder(), {QStringLiteral("*.pgm")}, QDir::Files, QDirIterator::Subdirectories)
                    .next()
                    .isEmpty());
    }

    // What keeps OCR from running is named with the Debian package that brings it.
    void ocrProblem_data() {
        QTest::addColumn<QString>("languages");
        QTest::addColumn<QByteArray>("variable");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("problem"); // a part of it; "" when OCR can run
        QTest::newRow("English") << "eng" << QByteArray() << QString() << "";
        QTest::newRow("no engine") << "eng" << QByteArray("LEXITALLY_TESSERACT") << "/nowhere/tesseract"
                                   << "install the Debian package tesseract-ocr and tesseract-ocr-eng";
        QTest::newRow("no renderer") << "eng" << QByteArray("LEXITALLY_PDFTOPPM") << "/nowhere/pdftoppm"
                                     << "needs pdftoppm, which was not found: install the Debian package poppler-utils";
        QTest::newRow("a language without data")
            << "xxx" << QByteArray() << QString() << "the OCR language data for xxx is not installed";
        QTest::newRow("two without data, one with")
            << "eng+deu+chi_sim" << QByteArray() << QString()
            << "for deu, chi_sim is not installed (installed: eng): install the Debian packages tesseract-ocr-deu "
               "tesseract-ocr-chi-sim";
        QTest::newRow("no list") << "eng deu" << QByteArray() << QString() << "names such as eng";
        QTest::newRow("an empty name") << "eng+" << QByteArray() << QString() << "names such as eng";
    }

    void ocrProblem() {
        QFETCH(QString, languages);
        QFETCH(QByteArray, variable);
        QFETCH(QString, value);
        QFETCH(QString, problem);
        IsolatedEnvironment env;
        if (!variable.isEmpty()) {
            env.Set(variable.constData(), value);
        }
        const QString found = OcrProblem(languages);
        QVERIFY2(problem.isEmpty() ? found.isEmpty() : found.contains(problem), qPrintable(found));
    }

    // A file listed twice with different passwords is converted with each: the later row does
    // not take over the verdict of the earlier one. A file has one text, counted once; the
    // later conversion's text (or its lack) is the one counted.
    void sameFileOtherPassword_data() {
        QTest::addColumn<QStringList>("passwords");
        QTest::addColumn<int>("jobs");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("unreadable");
        const QStringList counted{"ant 1", "bee 2"};
        const QStringList wrong{QStringLiteral("locked.pdf:") + kWrongPassword};
        QTest::newRow("right, then wrong") << QStringList{kOwnerPassword, "guess"} << 2 << QStringList{} << wrong;
        QTest::newRow("wrong, then right") << QStringList{"guess", kOwnerPassword} << 2 << counted << wrong;
        QTest::newRow("right twice") << QStringList{kOwnerPassword, kOwnerPassword} << 2 << counted << QStringList{};
        QTest::newRow("one job: wrong, then right") << QStringList{"guess", kOwnerPassword} << 1 << counted << wrong;
    }

    void sameFileOtherPassword() {
        QFETCH(QStringList, passwords);
        QFETCH(int, jobs);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, unreadable);
        IsolatedEnvironment env;
        QVERIFY(EnsureConverterPlaced());
        const Outcome outcome = Analyse({File("locked.pdf"), File("locked.pdf")}, passwords, jobs);
        QCOMPARE(outcome.rows, rows);
        QCOMPARE(outcome.unreadable, unreadable);
    }

    // Texts given in place of PDFs: why one cannot be used. The unreadable file is tried by
    // nobody, whom its permissions bind.
    void textInputReasons_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "missing"
                                 << "file not found";
        QTest::newRow("folder") << "folder"
                                << "is a folder";
        QTest::newRow("unreadable") << "unreadable"
                                    << "cannot be read";
    }

    void textInputReasons() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        IsolatedEnvironment env;
        const QString good = WriteTextFile(env.Work() + QStringLiteral("/good.txt"), "one two two\n");
        const QString bad = env.Work() + QStringLiteral("/bad.txt");
        std::optional<AsOrdinaryUser> user;
        if (kind == QStringLiteral("folder")) {
            QVERIFY(QDir().mkpath(bad));
        } else if (kind == QStringLiteral("unreadable")) {
            WriteTextFile(bad, "three\n");
            user.emplace(QStringList{env.Root()}, QStringList{env.Root()});
            QVERIFY(user->Ok());
            QVERIFY(QFile::setPermissions(bad, QFileDevice::WriteOwner));
        }
        const Outcome outcome = Analyse({bad, good}, {}, 1, true);
        QCOMPARE(outcome.rows, (QStringList{"one 1", "two 2"}));
        QCOMPARE(outcome.unreadable, QStringList{QStringLiteral("bad.txt:") + reason});
    }

    // The readability check keeps a file's conversion without a password; a run with the right
    // password does not take that failed conversion for its own.
    void checkThenRunWithPassword() {
        IsolatedEnvironment env;
        QVERIFY(EnsureConverterPlaced());
        ConversionCache cache(env.Temp() + QStringLiteral("/cache"));
        ScriptedUi ui;
        ReadabilityContext check;
        check.paths = [this] { return QStringList{File("locked.pdf")}; };
        check.ui = &ui;
        check.cache = &cache;
        QCOMPARE(CheckByCodeNotPreviewTextbox(check), QStringList{File("locked.pdf")});
        ConverterEnd end;
        QVERIFY(cache.Lookup(File("locked.pdf"), QString(), end));
        const Outcome outcome = Analyse({File("locked.pdf")}, {kUserPassword}, 1, false, &cache);
        QCOMPARE(outcome.rows, (QStringList{"ant 1", "bee 2"}));
        QCOMPARE(outcome.unreadable, QStringList{});
    }

    // A text restored from the cache is the cache's file under a second name, and a symbolic link
    // may stand where a text is written: either way a text written there is a new file, and
    // what the name led to stays as it was.
    void textsAreNeverWrittenThrough_data() {
        QTest::addColumn<bool>("restored");
        QTest::newRow("restored from the cache") << true;
        QTest::newRow("symbolic link") << false;
    }

    void textsAreNeverWrittenThrough() {
        QFETCH(bool, restored);
        IsolatedEnvironment env;
        ConversionCache cache(env.Temp() + QStringLiteral("/cache"));
        const QString kept = cache.TextPath(File("bee.pdf"), QString());
        WriteTextFile(kept, "kept\n");
        const QString target = env.Work() + QStringLiteral("/bee.txt");
        if (restored) {
            cache.Store(File("bee.pdf"), QString(), ConverterEnd::Exit(0));
            ConverterEnd end;
            QVERIFY(cache.Restore(File("bee.pdf"), QString(), target, end));
            QCOMPARE(ReadAll(target), QByteArray("kept\n"));
        } else {
            QVERIFY(QFile::link(kept, target));
        }
        TextFileWriter writer(target);
        QVERIFY(writer.Write("new\n"));
        QVERIFY(!writer.Finish());
        QCOMPARE(ReadAll(target), QByteArray("new\n"));
        QCOMPARE(ReadAll(kept), QByteArray("kept\n"));
    }

    // A row gone when the run reaches it fails its step: the failure comes back as data and is
    // shown as the error report, once; the run goes on.
    void failuresAsData() {
        IsolatedEnvironment env;
        const QString text = WriteTextFile(env.Work() + QStringLiteral("/a.txt"), "one\n");
        int asked = 0;
        AnalysisRequest request;
        request.rows = {[&] { return ++asked == 1 ? 2 : 1; }, [&](qsizetype) { return text; }};
        request.textInput = true;
        request.databaseWanted = false;
        request.textWanted = true;
        ScriptedUi ui;
        AnalysisContext context;
        context.ui = &ui;
        ErrorReport steps(ui, QStringLiteral("in the test "));
        const AnalysisSummary summary = RunAnalysis(request, context, steps);
        QCOMPARE(summary.failures.size(), 1);
        QCOMPARE(summary.failures[0].source, QStringLiteral("in the test "));
        QCOMPARE(summary.failures[0].step, 134);
        QCOMPARE(summary.failures[0].description, QStringLiteral("Index out of bounds"));
        QCOMPARE(ui.calls.size(), 1);
        QCOMPARE(ui.calls[0].caption, QStringLiteral("Application Error"));
        QCOMPARE(ui.calls[0].text, QStringLiteral("Index out of bounds\r\nin the test at line 134\r\r"
                                                  "Please email screenshot of this message to ") +
                                       SupportEmail());
    }

    // The queue against a stand-in converter: a slow file ends last but is recorded first, a
    // crash and a failure are recorded as such, a file listed again with the same password takes
    // the running conversion's verdict, with another password it is converted again (and this
    // time succeeds); given up, the queue ends what still runs.
    void conversionQueue() {
        IsolatedEnvironment env;
        const QString converter = WriteTextFile(
            env.Work() + QStringLiteral("/converter"),
            "#!/bin/sh\n"
            "for out; do :; done\n"
            "eval \"pdf=\\${$(($# - 1))}\"\n"
            "words() {\n"
            "    case \"$pdf\" in\n"
            "    *slow*) sleep 1; echo \"slow words\" ;;\n"
            "    *crash*) kill -SEGV $$ ;;\n"
            "    *once*) if [ ! -e \"$pdf.tried\" ]; then : >\"$pdf.tried\"; exit 99; fi; echo \"second time\" ;;\n"
            "    *) echo \"plain words\" ;;\n"
            "    esac\n"
            "}\n"
            "if [ \"$out\" = - ]; then words; else words >\"$out\"; fi\n");
        QVERIFY(QFile::setPermissions(converter, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        ConverterProcesses running;
        const ConversionPlace place{converter, env.Work(), &running};
        ScriptedUi ui;
        QStringList recorded;
        const auto record = [&](ConversionQueue::Entry& e) {
            const QString how = e.conversion ? e.conversion->End().ToText() : QStringLiteral("taken over");
            if (e.conversion) {
                e.verdict = e.conversion->Result(&ui);
            }
            recorded << QFileInfo(e.pdf).fileName() + u' ' + how + u' ' +
                            (e.verdict.reason.isEmpty() ? QStringLiteral("text") : UnreadableKindName(e.verdict.kind));
        };
        const auto add = [&](ConversionQueue& queue, const QString& name, const QString& password) {
            ConversionQueue::Entry entry;
            entry.pdf = env.Work() + u'/' + name;
            if (!QFileInfo::exists(entry.pdf)) {
                WriteTextFile(entry.pdf, "%PDF");
            }
            entry.password = password;
            entry.output = env.Work() + QStringLiteral("/text-") + name + QStringLiteral(".txt");
            if (!queue.FollowOrWait(entry, true)) {
                queue.Start(entry, place, false);
            }
            queue.Push(std::move(entry));
        };
        {
            ConversionQueue queue(2, {}, record);
            for (const char* name : {"slow.pdf", "crash.pdf", "plain.pdf", "slow.pdf", "once.pdf"}) {
                add(queue, QString::fromLatin1(name), QString());
            }
            add(queue, QStringLiteral("once.pdf"), QStringLiteral("pw"));
            queue.Finish();
        }
        QCOMPARE(recorded, (QStringList{"slow.pdf exit 0 text", "crash.pdf signal 11 converter-crashed",
                                        "plain.pdf exit 0 text", "slow.pdf taken over text",
                                        "once.pdf exit 99 conversion-failed", "once.pdf exit 0 text"}));
        QVERIFY(ui.calls.isEmpty());

        recorded.clear();
        QElapsedTimer timer;
        timer.start();
        {
            ConversionQueue queue(2, {}, record);
            add(queue, QStringLiteral("slow.pdf"), QString());
            QVERIFY(running.Any());
            queue.Finish([] { return true; });
            QVERIFY(!running.Any());
        }
        QVERIFY(recorded.isEmpty());
        QVERIFY2(timer.elapsed() < 900, qPrintable(QString::number(timer.elapsed())));
    }

    // A file of more than kSplitPages pages is converted in page ranges on the free converters
    // only when the rows still to start cannot keep them busy; a whole conversion still running
    // when converters fall idle hands its last pages over. The joined text is the whole file's.
    void bigFileInRanges_data() {
        QTest::addColumn<int>("jobs");
        QTest::addColumn<int>("rowsLeft");
        QTest::addColumn<int>("rangeMinimum"); // pages a converter left idle takes at least; 0: none
        QTest::addColumn<QString>("ranges");   // the page options each converter was given
        QTest::newRow("alone on two converters") << 2 << 0 << 0 << "-f 1 -l 100|-f 101 -l 201";
        QTest::newRow("alone on three converters") << 3 << 0 << 0 << "-f 1 -l 67|-f 68 -l 134|-f 135 -l 201";
        QTest::newRow("other rows to start") << 2 << 2 << 0 << "whole";
        QTest::newRow("row count unknown") << 2 << -1 << 0 << "whole";
        // The whole conversion writes nothing for two seconds, so it has all its pages left; the
        // first range ends long before, and the converter is idle again.
        QTest::newRow("idle converter takes the last pages") << 2 << 2 << 50 << "whole|-f 101 -l 201|-f 51 -l 100";
        QTest::newRow("two idle converters") << 3 << 5 << 50 << "whole|-f 68 -l 134|-f 135 -l 201";
        QTest::newRow("too few pages to hand over") << 2 << 2 << 150 << "whole";
    }
    void bigFileInRanges() {
        QFETCH(int, jobs);
        QFETCH(int, rowsLeft);
        QFETCH(int, rangeMinimum);
        QFETCH(QString, ranges);
        static const QString pdf = [this] {
            QStringList pages;
            for (int page = 1; page <= kSplitPages + 1; ++page) {
                pages << QStringLiteral("page %1 of the big file").arg(page);
            }
            return MakeTextPdf(File("big.pdf"), pages);
        }();
        QVERIFY(!pdf.isEmpty());
        IsolatedEnvironment env;
        const QString log = env.Work() + QStringLiteral("/ranges.log");
        const QString converter = WriteTextFile(env.Work() + QStringLiteral("/converter"),
                                                "#!/bin/sh\n"
                                                "if [ \"$1\" = -f ]; then echo \"$1 $2 $3 $4\" >>\"" +
                                                    log.toUtf8() + "\"; else echo whole >>\"" + log.toUtf8() +
                                                    "\"; sleep " + (rangeMinimum > 0 ? "2" : "0") +
                                                    "; fi\n"
                                                    "exec pdftotext \"$@\"\n");
        QVERIFY(QFile::setPermissions(converter, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        ConverterProcesses running;
        const ConversionPlace place{converter, env.Work(), &running};
        ScriptedUi ui;
        Extraction verdict{ExtractionOutcome::NoText, QStringLiteral("not recorded"), UnreadableKind::Other};
        ConversionQueue queue(jobs, {}, [&](ConversionQueue::Entry& e) { verdict = e.conversion->Result(&ui); });
        queue.SetRangeMinimum(rangeMinimum);
        ConversionQueue::Entry entry;
        entry.pdf = pdf;
        entry.output = env.Work() + QStringLiteral("/big.txt");
        queue.Start(entry, place, false, rowsLeft);
        queue.Push(std::move(entry));
        queue.Finish();
        QCOMPARE(verdict.reason, QString());
        QFile text(env.Work() + QStringLiteral("/big.txt"));
        QVERIFY(text.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(text.readAll()), PdftotextText(pdf));
        QFile logged(log);
        QVERIFY(logged.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(logged.readAll()).split(u'\n', Qt::SkipEmptyParts);
        QStringList expected = ranges.split(u'|');
        lines.sort(); // the converters run side by side
        expected.sort();
        QCOMPARE(lines.join(u'|'), expected.join(u'|'));
        QVERIFY(QDir(env.Work()).entryList({QStringLiteral("*.part*")}, QDir::Files).isEmpty());
    }

    // An entry belongs to the file (whatever path names it), its version and the password.
    void cacheKey_data() {
        QTest::addColumn<QString>("change"); // between storing and looking up
        QTest::addColumn<bool>("found");
        QTest::newRow("nothing") << "nothing" << true;
        QTest::newRow("through a link") << "link" << true;
        QTest::newRow("through ./ and ..") << "dots" << true;
        QTest::newRow("another password") << "password" << false;
        QTest::newRow("same size and time, other contents") << "metadata" << false;
        QTest::newRow("disabled cache") << "disabled" << false;
    }

    void cacheKey() {
        QFETCH(QString, change);
        QFETCH(bool, found);
        IsolatedEnvironment env;
        const QString pdf = WriteTextFile(env.Work() + QStringLiteral("/sub/a.pdf"), "version 1");
        const QString folder = change == QStringLiteral("disabled") ? QString() : env.Temp() + QStringLiteral("/cache");
        ConversionCache cache(folder);
        QCOMPARE(cache.Enabled(), !folder.isEmpty());
        QCOMPARE(cache.TextPath(pdf, QString()).isEmpty(), folder.isEmpty());
        cache.Store(pdf, QString(), ConverterEnd::Exit(3));
        QString asked = pdf;
        QString password;
        if (change == QStringLiteral("link")) {
            asked = env.Work() + QStringLiteral("/link.pdf");
            QVERIFY(QFile::link(pdf, asked));
        } else if (change == QStringLiteral("dots")) {
            asked = env.Work() + QStringLiteral("/sub/./../sub/a.pdf");
        } else if (change == QStringLiteral("password")) {
            password = QStringLiteral("pw");
        } else if (change == QStringLiteral("metadata")) {
            // Only the change time tells: same size, modification time put back.
            const QDateTime modified = QFileInfo(pdf).lastModified();
            QTest::qSleep(20);
            WriteTextFile(pdf, "version 2");
            QFile file(pdf);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
            file.close();
            QCOMPARE(QFileInfo(pdf).lastModified(), modified);
        }
        ConverterEnd end;
        QCOMPARE(cache.Lookup(asked, password, end), found);
        QCOMPARE(end.number, found ? 3 : 0);
    }

    // An entry with a result code and no text (the converter wrote none): restored as it is, and
    // a stale text at the target goes.
    void entryWithoutText() {
        IsolatedEnvironment env;
        const QString pdf = WriteTextFile(env.Work() + QStringLiteral("/a.pdf"), "pdf");
        ConversionCache cache(env.Temp() + QStringLiteral("/cache"));
        cache.Store(pdf, QString(), ConverterEnd::Exit(1));
        QVERIFY(!QFileInfo::exists(cache.TextPath(pdf, QString())));
        const QString target = WriteTextFile(env.Work() + QStringLiteral("/out/a.txt"), "stale text");
        ConverterEnd end;
        QVERIFY(cache.Restore(pdf, QString(), target, end));
        QVERIFY(end == ConverterEnd::Exit(1));
        QVERIFY(!QFileInfo::exists(target));
    }

private:
    QString File(const QString& name) const { return m_files.path() + u'/' + name; }
    QTemporaryDir m_files;
};

LEXITALLY_TEST_MAIN(RunTest)
#include "test_run.moc"
