#include "core/base/ErrorReport.h"
#include "core/base/Places.h"
#include "core/extract/Converter.h"
#include "core/extract/TextFiles.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedUi.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <csignal>
#include <functional>
#include <sys/resource.h>

namespace {

// A progress bar that remembers everything written to it.
class RecordingBar : public ProgressSink {
public:
    void SetValue(double percent) override {
        m_value = percent;
        values << percent;
    }
    double Value() const override { return m_value; }
    void SetText(const ProgressText& text) override {
        m_text = text.Format();
        texts << m_text;
    }
    using ProgressSink::SetText;
    QString Text() const override { return m_text; }

    QList<double> values;
    QStringList texts;

private:
    double m_value = 0;
    QString m_text;
};

const QString kPleaseWait = QStringLiteral("Please wait.. ");

QString Sh() {
    return QStringLiteral("/bin/sh");
}

// How a fixture for one conversion case is made inside its own folder; returns the PDF path.
using FixtureMaker = std::function<QString(const QString& folder)>;

QStringList SamplePages() {
    return {QStringLiteral("Zebra crossing first page.\nGrüße aus Köln, naïve café."),
            QStringLiteral("Second page: the office affluent flow of fine files."),
            QStringLiteral("Third page ends here.")};
}

QString TextPdfIn(const QString& folder, const QString& name) {
    return MakeTextPdf(folder + u'/' + name, SamplePages());
}

QString EncryptedIn(const QString& folder, const QString& user, const QString& owner) {
    const QString plain = MakeTextPdf(
        folder + QStringLiteral("/../plain-") + QFileInfo(folder).fileName() + QStringLiteral(".pdf"), SamplePages());
    const QString out = folder + QStringLiteral("/Locked.pdf");
    return EncryptPdf(plain, out, user, owner) ? out : QString();
}

// Limits the size of every file this process and its children write, for as long as it lives: a
// write beyond it fails as on a full disk (the signal such a write raises is ignored, as the
// converters inherit). No file system needs to be mounted for it.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        m_ok = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool Ok() const { return m_ok; }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = SIG_DFL;
    bool m_ok = false;
};

} // namespace

Q_DECLARE_METATYPE(FixtureMaker)
Q_DECLARE_METATYPE(std::optional<int>)
Q_DECLARE_METATYPE(ExtractionOutcome)
Q_DECLARE_METATYPE(ConverterEnd)
Q_DECLARE_METATYPE(UnreadableKind)

class ConverterTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(EnsureConverterPlaced()); }

    void roundHalfEven_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("expected");
        QTest::newRow("0.5 to even 0") << 0.5 << 0;
        QTest::newRow("2.5 to even 2") << 2.5 << 2;
        QTest::newRow("3.5 to even 4") << 3.5 << 4;
        QTest::newRow("below half") << 2.49 << 2;
        QTest::newRow("above half") << 2.51 << 3;
        QTest::newRow("negative half") << -0.5 << 0;
    }
    void roundHalfEven() {
        QFETCH(double, value);
        QFETCH(int, expected);
        QCOMPARE(RoundHalfEven(value), expected);
    }

    void windowStyle_data() {
        QTest::addColumn<std::optional<int>>("given");
        QTest::addColumn<int>("expected");
        QTest::newRow("missing") << std::optional<int>() << 6;
        QTest::newRow("hidden") << std::optional<int>(0) << 0;
        QTest::newRow("nine") << std::optional<int>(9) << 6;
        QTest::newRow("minus one") << std::optional<int>(-1) << 6;
    }
    void windowStyle() {
        QFETCH(std::optional<int>, given);
        QFETCH(int, expected);
        QCOMPARE(EffectiveWindowStyle(given), expected);
    }

    // How a program ended, and the kind of reason a conversion that ended so gives (it wrote no
    // text).
    void resultCodes_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<ConverterEnd>("expected");
        QTest::addColumn<UnreadableKind>("kind");
        const QString notExecutable =
            WriteTextFile(qEnvironmentVariable("HOME") + QStringLiteral("/noexec"), "echo hi\n");
        const auto shell = [](const char* script) {
            return QStringList{QStringLiteral("-c"), QString::fromLatin1(script)};
        };
        QTest::newRow("success") << Sh() << shell("exit 0") << ConverterEnd::Exit(0)
                                 << UnreadableKind::PasswordProtected;
        QTest::newRow("exit code 3") << Sh() << shell("exit 3") << ConverterEnd::Exit(3)
                                     << UnreadableKind::PasswordProtected;
        // What the converter says tells a file it could not open for its password from a damaged one.
        QTest::newRow("status 1, saying nothing")
            << Sh() << shell("exit 1") << ConverterEnd::Exit(1) << UnreadableKind::PasswordProtected;
        QTest::newRow("status 1, password refused")
            << Sh() << shell("echo 'Command Line Error: Incorrect password' >&2; exit 1") << ConverterEnd::Refused()
            << UnreadableKind::PasswordProtected;
        QTest::newRow("status 1, no PDF")
            << Sh() << shell("echo 'Syntax Warning: May not be a PDF file (continuing anyway)' >&2; exit 1")
            << ConverterEnd::NotAPdf() << UnreadableKind::Damaged;
        QTest::newRow("status 1, damaged, last line without its end")
            << Sh() << shell("printf 'Syntax Error: Couldn'\\''t read xref table' >&2; exit 1")
            << ConverterEnd::NotAPdf() << UnreadableKind::Damaged;
        QTest::newRow("status 1, damaged and encrypted")
            << Sh()
            << shell(
                   "echo 'Syntax Error (9): Illegal character' >&2; echo 'Command Line Error: Incorrect password' >&2; "
                   "exit 1")
            << ConverterEnd::Refused() << UnreadableKind::PasswordProtected;
        QTest::newRow("status 0 after syntax errors")
            << Sh() << shell("echo 'Syntax Error: Couldn'\\''t read xref table' >&2; exit 0") << ConverterEnd::Exit(0)
            << UnreadableKind::PasswordProtected;
        QTest::newRow("exit code 2") << Sh() << shell("exit 2") << ConverterEnd::Exit(2)
                                     << UnreadableKind::TextNotWritten;
        QTest::newRow("exit code 255") << Sh() << shell("exit 255") << ConverterEnd::Exit(255)
                                       << UnreadableKind::ConversionFailed;
        QTest::newRow("ended by SIGTERM")
            << Sh() << shell("kill -TERM $$; sleep 5") << ConverterEnd::Signal(15) << UnreadableKind::ConverterCrashed;
        QTest::newRow("program on PATH") << QStringLiteral("true") << QStringList() << ConverterEnd::Exit(0)
                                         << UnreadableKind::PasswordProtected;
        QTest::newRow("missing program path") << QStringLiteral("/nonexistent/lexitally/pdftotext") << QStringList()
                                              << ConverterEnd::StartFailed(53) << UnreadableKind::ConverterNotStarted;
        QTest::newRow("missing program name") << QStringLiteral("lexitally-no-such-program") << QStringList()
                                              << ConverterEnd::StartFailed(53) << UnreadableKind::ConverterNotStarted;
        QTest::newRow("not executable") << notExecutable << QStringList() << ConverterEnd::StartFailed(70)
                                        << UnreadableKind::ConverterNotStarted;
        QTest::newRow("a folder") << QDir::tempPath() << QStringList() << ConverterEnd::StartFailed(70)
                                  << UnreadableKind::ConverterNotStarted;
    }
    void resultCodes() {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(ConverterEnd, expected);
        QFETCH(UnreadableKind, kind);
        ConverterProcesses running;
        const ConverterEnd end = RunAndWait(program, arguments, 0, nullptr, QString(), 0, 0, {}, 100, &running);
        QCOMPARE(end.ToText(), expected.ToText());
        QVERIFY(!running.Any());
        ScriptedUi ui;
        const Extraction verdict =
            JudgeConversion(end, program, QStringLiteral("/nonexistent/lexitally/out.txt"), false, &ui);
        QCOMPARE(verdict.kind, kind);
    }

    // Every argument arrives as it was given: blanks, quotes and empty texts included.
    void argumentsAreNotSplit() {
        IsolatedEnvironment env;
        const QString out = env.Work() + QStringLiteral("/args.txt");
        const QStringList arguments{QStringLiteral("-c"),
                                    QStringLiteral("printf '%s|' \"$@\" > \"$0\""),
                                    out,
                                    QStringLiteral("pass \"word\" with blanks"),
                                    QStringLiteral("it's"),
                                    QString(),
                                    QStringLiteral("; rm -rf /nothing")};
        QVERIFY(RunAndWait(Sh(), arguments, 0, nullptr, QString(), 0, 0, {}) == ConverterEnd::Exit(0));
        QCOMPARE(QString::fromUtf8(ReadAll(out)), QStringLiteral("pass \"word\" with blanks|it's||; rm -rf /nothing|"));
    }

    // A conversion that ends early is not held up by the poll interval.
    void shortRunsDoNotWaitForThePoll() {
        QElapsedTimer timer;
        timer.start();
        int yields = 0;
        for (int i = 0; i < 20; ++i) {
            QVERIFY(RunAndWait(QStringLiteral("true"), {}, 0, nullptr, QString(), 0, 0, [&] { ++yields; }) ==
                    ConverterEnd::Exit(0));
        }
        // Twenty full polls would take two seconds.
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(yields >= 20);
    }

    void progressOfLongConversion_data() {
        QTest::addColumn<QString>("progressText");
        QTest::addColumn<int>("startValue");
        QTest::addColumn<int>("fileCount");
        QTest::addColumn<int>("steps");
        QTest::addColumn<QList<double>>("values");
        QTest::newRow("readability check: unknown count, no text")
            << QString() << 0 << 0 << 3 << QList<double>{0, 10, 20, 30};
        QTest::newRow("file 3 of 4") << QStringLiteral("Analyze file c.pdf... ") << 50 << 4 << 3
                                     << QList<double>{50, 52, 54, 56};
        QTest::newRow("20 files: step rounds to 0")
            << QStringLiteral("Analyze file t.pdf... ") << 35 << 20 << 2 << QList<double>{35, 35, 35};
        QTest::newRow("file 2 of 8: step 1.25 rounds to 1")
            << QStringLiteral("Analyze file b.pdf... ") << 12 << 8 << 2 << QList<double>{12, 13, 14};
        QTest::newRow("unknown count stops at the cap")
            << QString() << 0 << 0 << 10 << QList<double>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 90};
        QTest::newRow("start near the end, unknown count")
            << QStringLiteral("x") << 85 << 0 << 2 << QList<double>{85, 87, 89};
    }
    void progressOfLongConversion() {
        QFETCH(QString, progressText);
        QFETCH(int, startValue);
        QFETCH(int, fileCount);
        QFETCH(int, steps);
        QFETCH(QList<double>, values);
        const QString prefix = progressText.isEmpty() ? QString() : progressText + QStringLiteral(", ");
        const QString last = prefix + kPleaseWait + QString::number(150 * steps);

        RecordingBar bar;
        bar.SetText(progressText);
        bar.SetValue(startValue);
        bar.texts.clear();
        bar.values.clear();
        // The converter would run far longer; once the bar has moved `steps` times the program
        // ends, and with it the converter.
        ConverterProcesses running;
        const auto yield = [&] {
            if (!bar.texts.isEmpty() && bar.texts.last() == last) {
                running.KillAll();
            }
        };
        const ConverterEnd end = RunAndWait(QStringLiteral("sleep"), {QStringLiteral("60")}, 0, &bar, progressText,
                                            startValue, fileCount, yield, 1, &running);
        QVERIFY(end == ConverterEnd::Signal(9));
        QCOMPARE(bar.values, values);
        QCOMPARE(bar.texts.size(), 150 * steps + 2);
        for (int n = 0; n <= 150 * steps; ++n) {
            QCOMPARE(bar.texts[n], prefix + kPleaseWait + QString::number(n));
        }
        QCOMPARE(bar.texts.last(), progressText.isEmpty() ? QStringLiteral("Progress Bar") : progressText);
        QVERIFY(!running.Any());
    }

    void shortConversionRestoresText_data() {
        QTest::addColumn<QString>("progressText");
        QTest::addColumn<QString>("restored");
        QTest::newRow("empty text") << QString() << QStringLiteral("Progress Bar");
        QTest::newRow("analysis text") << QStringLiteral("Analyze file a.pdf... ")
                                       << QStringLiteral("Analyze file a.pdf... ");
    }
    void shortConversionRestoresText() {
        QFETCH(QString, progressText);
        QFETCH(QString, restored);
        RecordingBar bar;
        QVERIFY(RunAndWait(Sh(), {QStringLiteral("-c"), QStringLiteral("exit 1")}, 0, &bar, progressText, 25, 4, {}) ==
                ConverterEnd::Exit(1));
        QCOMPARE(bar.texts, QStringList{restored});
        QVERIFY(bar.values.isEmpty());
    }

    void fileSize_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("asFolder");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("empty") << QByteArray() << false << qint64(0);
        QTest::newRow("9 bytes") << QByteArray(9, 'a') << false << qint64(9);
        QTest::newRow("10 bytes") << QByteArray(10, 'a') << false << qint64(10);
        QTest::newRow("a megabyte") << QByteArray(1 << 20, '\f') << false << qint64(1 << 20);
        QTest::newRow("a folder") << QByteArray() << true << qint64(0);
    }
    void fileSize() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, asFolder);
        QFETCH(qint64, expected);
        IsolatedEnvironment env;
        QString path = env.Work() + QStringLiteral("/sized.txt");
        if (asFolder) {
            QVERIFY(QDir().mkpath(path));
        } else {
            WriteTextFile(path, bytes);
        }
        QCOMPARE(FileSize2(path), expected);
    }
    void fileSizeOfMissingFile() { QCOMPARE(FileSize2(QStringLiteral("/nonexistent/lexitally/x.txt")), qint64(0)); }

    void noTextPdf_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("expected");
        QTest::newRow("empty file") << QByteArray() << false;
        QTest::newRow("form feed") << QByteArray("\f") << true;
        QTest::newRow("form feeds and line breaks") << QByteArray("\f\n\f\r\n\f\n") << true;
        QTest::newRow("five letters") << QByteArray("abcde") << false;
        QTest::newRow("form feed and six letters") << QByteArray("\fabcdef") << false;
        QTest::newRow("form feed and five letters") << QByteArray("\fabcde") << true;
        QTest::newRow("six letters then a control") << QByteArray("abcdef\x01") << false;
        QTest::newRow("letters spread over lines") << QByteArray("abc\r\ndef\f") << false;
        QTest::newRow("line ends are not characters") << QByteArray("ab\n\n\n\ncd\r\r\f") << true;
        QTest::newRow("tab is not printable") << QByteArray("\t") << true;
        QTest::newRow("delete is not printable") << QByteArray("\x7f") << true;
        QTest::newRow("C1 control is not printable") << QByteArray("\xc2\x85") << true;
        QTest::newRow("no-break space is printable")
            << QByteArray("\xc2\xa0\xc2\xa0\xc2\xa0\xc2\xa0\xc2\xa0\xc2\xa0\f") << false;
        QTest::newRow("five accented letters and a form feed")
            << QByteArray("\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\f") << true;
        QTest::newRow("six accented letters and a form feed")
            << QByteArray("\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\f") << false;
        // Characters outside the basic plane count once each, not once per UTF-16 half.
        QTest::newRow("three emoji and a form feed")
            << QByteArray("\xf0\x9f\x98\x80\xf0\x9f\x98\x80\xf0\x9f\x98\x80\f") << true;
        QTest::newRow("blanks only") << QByteArray("      ") << false;
    }
    void noTextPdf() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, expected);
        IsolatedEnvironment env;
        ScriptedUi ui;
        const QString path = WriteTextFile(env.Work() + QStringLiteral("/out.txt"), bytes);
        QCOMPARE(NoTextPDF(path, &ui), expected);
        QVERIFY(ui.calls.isEmpty());
    }

    void noTextPdfOfMissingFileIsReported() {
        ScriptedUi ui;
        QCOMPARE(NoTextPDF(QStringLiteral("/nonexistent/lexitally/out.txt"), &ui), false);
        QCOMPARE(ui.calls.size(), 1);
        QCOMPARE(ui.calls[0].caption, QStringLiteral("Application Error"));
        QVERIFY(ui.calls[0].text.contains(QString::fromLatin1(Source::NoTextPdf) + QStringLiteral("at line 100")));
    }

    void outcomeReasons_data() {
        QTest::addColumn<ExtractionOutcome>("outcome");
        QTest::addColumn<bool>("withPassword");
        QTest::addColumn<QString>("reason");
        QTest::newRow("text") << ExtractionOutcome::TextAvailable << false << QString();
        QTest::newRow("no output") << ExtractionOutcome::NoOutput << false
                                   << QStringLiteral("  - password protected or text is protexted.");
        QTest::newRow("no output with password")
            << ExtractionOutcome::NoOutput << true << QStringLiteral("  - invalid password or no password protected.");
        const QString unreadable =
            QStringLiteral("  - text unreadable. Please view the file yourself to see if it is really a scanned image "
                           "of text and not proper PDF text.");
        QTest::newRow("no text") << ExtractionOutcome::NoText << false << unreadable;
        QTest::newRow("no text with password") << ExtractionOutcome::NoText << true << unreadable;
    }
    void outcomeReasons() {
        QFETCH(ExtractionOutcome, outcome);
        QFETCH(bool, withPassword);
        QFETCH(QString, reason);
        QCOMPARE(OutcomeReason(outcome, withPassword), reason);
    }

    void converterArguments_data() {
        QTest::addColumn<QString>("pdf");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QStringList>("expected");
        const QString absoluteDash = QDir::current().absoluteFilePath(QStringLiteral("-x.pdf"));
        QTest::newRow("no password") << QStringLiteral("/d/a.pdf") << QString()
                                     << QStringList{"-enc", "UTF-8", "/d/a.pdf", "/t/a.txt"};
        QTest::newRow("password with quote and blanks")
            << QStringLiteral("/d/my file.pdf") << QStringLiteral("se \"cr\" et")
            << QStringList{"-enc", "UTF-8",        "-opw",           "se \"cr\" et",
                           "-upw", "se \"cr\" et", "/d/my file.pdf", "/t/a.txt"};
        QTest::newRow("path that looks like an option")
            << QStringLiteral("-x.pdf") << QString() << QStringList{"-enc", "UTF-8", absoluteDash, "/t/a.txt"};
    }
    void converterArguments() {
        QFETCH(QString, pdf);
        QFETCH(QString, password);
        QFETCH(QStringList, expected);
        QCOMPARE(ConverterArguments(pdf, QStringLiteral("/t/a.txt"), password), expected);
    }

    void fixturesHoldWhatTheySay() {
        IsolatedEnvironment env;
        const QString pdf = TextPdfIn(env.Work(), QStringLiteral("pages.pdf"));
        const QString text = PdftotextText(pdf);
        QCOMPARE(text.count(u'\f'), 3);
        QVERIFY(text.contains(QStringLiteral("Zebra")));
        QVERIFY(text.contains(QStringLiteral("Grüße")));
        QVERIFY(text.contains(QStringLiteral("Third page")));
        // The serif face may hand the ligatures over as single characters or as letters.
        QVERIFY(text.contains(QStringLiteral("office")) || text.contains(QChar(0xFB03)) ||
                text.contains(QChar(0xFB01)));
        // A character that no font draws would be missing from the file: no file rather than
        // another text.
        const QString undrawable = QStringLiteral("a \uFDD0 b");
        QVERIFY(MakeTextPdf(env.Work() + QStringLiteral("/undrawable.pdf"), {undrawable}).isEmpty());
        QVERIFY(MakeScannedPdf(env.Work() + QStringLiteral("/undrawable-scan.pdf"), {undrawable}).isEmpty());

        const QString image = MakeImagePdf(env.Work() + QStringLiteral("/image.pdf"));
        QVERIFY(!image.isEmpty());
        QCOMPARE(PdftotextText(image).trimmed(), QString());
        QVERIFY(PdftotextText(image).contains(u'\f'));

        const QString locked = env.Work() + QStringLiteral("/locked.pdf");
        QVERIFY(EncryptPdf(pdf, locked, QStringLiteral("user"), QStringLiteral("owner")));
        QCOMPARE(PdftotextText(locked), QString());
        QVERIFY(
            PdftotextText(locked, {QStringLiteral("-upw"), QStringLiteral("user")}).contains(QStringLiteral("Zebra")));

        QCOMPARE(PdftotextText(MakeTruncatedPdf(env.Work() + QStringLiteral("/cut.pdf"))), QString());
        const QString zip = MakeZipAsPdf(env.Work() + QStringLiteral("/letter.pdf"));
        QVERIFY(ReadAll(zip).startsWith("PK\x03\x04"));
        QCOMPARE(PdftotextText(zip), QString());
    }

    // Each case converted one at a time and beside others: the outcome and the kind of its reason.
    void outcomes_data() {
        QTest::addColumn<FixtureMaker>("make");
        QTest::addColumn<QString>("password");
        QTest::addColumn<ExtractionOutcome>("expected");
        QTest::addColumn<QString>("expectedWord");
        QTest::addColumn<UnreadableKind>("kind");

        const auto text = [](const QString& name) {
            return FixtureMaker([name](const QString& folder) { return TextPdfIn(folder, name); });
        };
        const auto locked = [](const QString& user, const QString& owner) {
            return FixtureMaker([user, owner](const QString& folder) { return EncryptedIn(folder, user, owner); });
        };
        const auto bytes = [](const QByteArray& content) {
            return FixtureMaker([content](const QString& folder) {
                return WriteTextFile(folder + QStringLiteral("/Odd.pdf"), content);
            });
        };
        const QString word = QStringLiteral("Zebra");
        const auto other = UnreadableKind::Other;

        QTest::newRow("text") << text(QStringLiteral("Report.pdf")) << QString() << ExtractionOutcome::TextAvailable
                              << word << other;
        QTest::newRow("text, upper-case extension")
            << text(QStringLiteral("REPORT.PDF")) << QString() << ExtractionOutcome::TextAvailable << word << other;
        // The user's own Report.txt beside Report.pdf stays as it is (the snapshot proves it).
        QTest::newRow("user's text beside the PDF") << FixtureMaker([](const QString& folder) {
            WriteTextFile(folder + QStringLiteral("/Report.txt"), "my own notes\n");
            return TextPdfIn(folder, QStringLiteral("Report.pdf"));
        }) << QString() << ExtractionOutcome::TextAvailable
                                                    << word << other;
        QTest::newRow("read-only folder") << FixtureMaker([](const QString& folder) {
            const QString pdf = TextPdfIn(folder + QStringLiteral("/locked"), QStringLiteral("Report.pdf"));
            QFile::setPermissions(folder + QStringLiteral("/locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            return pdf;
        }) << QString() << ExtractionOutcome::TextAvailable
                                          << word << other;
        QTest::newRow("odd file name") << text(OddPdfName()) << QString() << ExtractionOutcome::TextAvailable << word
                                       << other;
        QTest::newRow("no extension in a dotted folder") << FixtureMaker([](const QString& folder) {
            return MakeTextPdf(folder + QStringLiteral("/My.Docs/Report"), SamplePages());
        }) << QString() << ExtractionOutcome::TextAvailable
                                                         << word << other;
        QTest::newRow("image only") << FixtureMaker([](const QString& folder) {
            return MakeImagePdf(folder + QStringLiteral("/Scan.pdf"));
        }) << QString() << ExtractionOutcome::NoText
                                    << QString() << UnreadableKind::NoText;
        QTest::newRow("user password, none given")
            << locked(QStringLiteral("user"), QStringLiteral("owner")) << QString() << ExtractionOutcome::NoOutput
            << QString() << UnreadableKind::PasswordProtected;
        QTest::newRow("user password, wrong one")
            << locked(QStringLiteral("user"), QStringLiteral("owner")) << QStringLiteral("guess")
            << ExtractionOutcome::NoOutput << QString() << UnreadableKind::WrongPassword;
        QTest::newRow("user password, owner password given")
            << locked(QStringLiteral("user"), QStringLiteral("owner")) << QStringLiteral("owner")
            << ExtractionOutcome::TextAvailable << word << other;
        // The password that opens the file works as well as the owner password.
        QTest::newRow("user password typed")
            << locked(QStringLiteral("user"), QStringLiteral("owner")) << QStringLiteral("user")
            << ExtractionOutcome::TextAvailable << word << other;
        QTest::newRow("owner password only, none given") << locked(QString(), QStringLiteral("owner")) << QString()
                                                         << ExtractionOutcome::TextAvailable << word << other;
        // A file that opens without a password opens whatever password is given.
        QTest::newRow("owner password only, wrong one")
            << locked(QString(), QStringLiteral("owner")) << QStringLiteral("guess") << ExtractionOutcome::TextAvailable
            << word << other;
        QTest::newRow("password with quote and blanks")
            << locked(QStringLiteral("u 1"), QStringLiteral("own \"er\" x")) << QStringLiteral("own \"er\" x")
            << ExtractionOutcome::TextAvailable << word << other;
        QTest::newRow("truncated") << FixtureMaker([](const QString& folder) {
            return MakeTruncatedPdf(folder + QStringLiteral("/Cut.pdf"));
        }) << QString() << ExtractionOutcome::NoOutput
                                   << QString() << UnreadableKind::Damaged;
        QTest::newRow("truncated, a password given")
            << FixtureMaker([](const QString& folder) { return MakeTruncatedPdf(folder + QStringLiteral("/Cut.pdf")); })
            << QStringLiteral("guess") << ExtractionOutcome::NoOutput << QString() << UnreadableKind::Damaged;
        QTest::newRow("zip renamed to pdf")
            << FixtureMaker([](const QString& folder) { return MakeZipAsPdf(folder + QStringLiteral("/Letter.pdf")); })
            << QString() << ExtractionOutcome::NoOutput << QString() << UnreadableKind::Damaged;
        QTest::newRow("empty file") << bytes({}) << QString() << ExtractionOutcome::NoOutput << QString()
                                    << UnreadableKind::Damaged;
        QTest::newRow("random bytes") << bytes(QByteArray("\x9d\x07<[\xe4(\xff\x01/\x80", 10).repeated(400))
                                      << QString() << ExtractionOutcome::NoOutput << QString()
                                      << UnreadableKind::Damaged;
        QTest::newRow("missing file") << FixtureMaker([](const QString& folder) {
            return folder + QStringLiteral("/Gone.pdf");
        }) << QString() << ExtractionOutcome::NoOutput
                                      << QString() << UnreadableKind::NotFound;
    }
    void outcomes() {
        QFETCH(FixtureMaker, make);
        QFETCH(QString, password);
        QFETCH(ExtractionOutcome, expected);
        QFETCH(QString, expectedWord);
        QFETCH(UnreadableKind, kind);
        IsolatedEnvironment env;
        QVERIFY(EnsureConverterPlaced());
        const QString folder = env.Work() + QStringLiteral("/case");
        QVERIFY(QDir().mkpath(folder));
        const QString pdf = make(folder);
        QVERIFY(!pdf.isEmpty());
        const QStringList before = FolderSnapshot(folder);

        for (const bool beside : {false, true}) {
            ScriptedUi ui;
            ProgressMemory bar;
            bar.SetText(ProgressText::Plain(QStringLiteral("Analyze file x.pdf... ")));
            Extraction result;
            if (beside) {
                BackgroundConversion conversion(pdf, password, {});
                while (!conversion.Finished(20)) {
                }
                result = conversion.Result(&ui);
            } else {
                result = ConvertPdf(pdf, password, &bar, 0, 1, {}, &ui);
            }
            QCOMPARE(result.outcome, expected);
            QCOMPARE(result.kind, kind);
            if (kind == UnreadableKind::Damaged) {
                // People read what they read for any file that gave no output.
                QCOMPARE(result.reason, OutcomeReason(ExtractionOutcome::NoOutput, !password.isEmpty()));
            }
            QVERIFY(ui.calls.isEmpty());
            // Nothing was written beside the PDF.
            QCOMPARE(FolderSnapshot(folder), before);
            QCOMPARE(bar.Text(), QStringLiteral("Analyze file x.pdf... "));
            if (!expectedWord.isEmpty()) {
                QVERIFY(QString::fromUtf8(ReadAll(TextFileOf(pdf))).contains(expectedWord));
            }
            if (expected == ExtractionOutcome::NoOutput) {
                QVERIFY(!QFileInfo::exists(TextFileOf(pdf)));
            }
        }
    }

    // A text left behind by an earlier run does not pass for the output of a failed one.
    void staleOutputIsRemoved() {
        IsolatedEnvironment env;
        QVERIFY(EnsureConverterPlaced());
        const QString pdf = MakeTruncatedPdf(env.Work() + QStringLiteral("/Cut.pdf"));
        WriteTextFile(TextFileOf(pdf), "old text from an earlier run\n");
        ScriptedUi ui;
        QCOMPARE(ConvertForAnalysis(pdf, QString(), nullptr, 0, 1, {}, &ui), ExtractionOutcome::NoOutput);
        QVERIFY(!QFileInfo::exists(TextFileOf(pdf)));
    }

    // Two PDFs whose names differ only in letter case are two files with two texts.
    void namesDifferingInCase() {
        IsolatedEnvironment env;
        QVERIFY(EnsureConverterPlaced());
        const QString lower = MakeTextPdf(env.Work() + QStringLiteral("/report.pdf"), {QStringLiteral("lower words")});
        const QString upper = MakeTextPdf(env.Work() + QStringLiteral("/Report.pdf"), {QStringLiteral("upper words")});
        ScriptedUi ui;
        QCOMPARE(ConvertForAnalysis(lower, QString(), nullptr, 0, 2, {}, &ui), ExtractionOutcome::TextAvailable);
        QCOMPARE(ConvertForAnalysis(upper, QString(), nullptr, 50, 2, {}, &ui), ExtractionOutcome::TextAvailable);
        QVERIFY(TextFileOf(lower) != TextFileOf(upper));
        QVERIFY(QString::fromUtf8(ReadAll(TextFileOf(lower))).contains(QStringLiteral("lower")));
        QVERIFY(QString::fromUtf8(ReadAll(TextFileOf(upper))).contains(QStringLiteral("upper")));
    }

    // A file converted in page ranges on several converters: the ranges' texts joined in page
    // order are byte for byte the whole file's text, the password reaches every range, and one
    // range that fails fails the file with its reason; no range's text is left behind.
    void pageRanges_data() {
        QTest::addColumn<QString>("password"); // the file opens with "user"
        QTest::addColumn<QString>("standIn");  // what a stand-in converter does with the range from page 3
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("user"); // the password that opens the file, when it is encrypted
        const QString user = QStringLiteral("user");
        QTest::newRow("plain file") << QString() << QString() << QString() << user;
        QTest::newRow("password in every range") << "user" << QString() << QString() << user;
        QTest::newRow("wrong password") << "guess" << QString()
                                        << QStringLiteral("  - invalid password or no password protected.") << user;
        QTest::newRow("wrong password, owner password only") << "guess" << QString() << QString() << QString();
        QTest::newRow("one range fails") << QString() << "exit 5"
                                         << QStringLiteral("  - the conversion failed (converter exit status 5)")
                                         << user;
        // Stop: every range's converter is ended.
        QTest::newRow("stopped") << QString() << "exec sleep 30"
                                 << QStringLiteral("  - the converter crashed (signal 9)") << user;
    }
    void pageRanges() {
        QFETCH(QString, password);
        QFETCH(QString, standIn);
        QFETCH(QString, reason);
        QFETCH(QString, user);
        IsolatedEnvironment env;
        QVERIFY(EnsureConverterPlaced());
        QStringList pages;
        for (int page = 1; page <= 7; ++page) {
            pages << QStringLiteral("page %1 words\nsecond line of page %1").arg(page);
        }
        const QString plain = MakeTextPdf(env.Work() + QStringLiteral("/pages/plain.pdf"), pages);
        QVERIFY(!plain.isEmpty());
        QString pdf = plain;
        if (!password.isEmpty()) {
            pdf = env.Work() + QStringLiteral("/pages/locked.pdf");
            QVERIFY(EncryptPdf(plain, pdf, user, QStringLiteral("owner")));
        }
        QCOMPARE(PdfPageCount(pdf, password), password == QStringLiteral("guess") && !user.isEmpty() ? 0 : 7);
        QString converter;
        if (!standIn.isEmpty()) {
            converter = WriteTextFile(env.Work() + QStringLiteral("/converter"),
                                      "#!/bin/sh\n[ \"$2\" = 3 ] && " + standIn.toUtf8() + "\nexec pdftotext \"$@\"\n");
            QVERIFY(QFile::setPermissions(converter, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        }
        const QString work = env.Work() + QStringLiteral("/work");
        QVERIFY(QDir().mkpath(work));
        ConverterProcesses running;
        const ConversionPlace place{converter, work, &running};
        ScriptedUi ui;
        Extraction result;
        {
            BackgroundConversion conversion(pdf, password, place, {}, 3, 7);
            if (standIn.startsWith(QStringLiteral("exec sleep"))) {
                QVERIFY(running.Any());
                running.KillAll();
            }
            while (!conversion.Finished(20)) {
            }
            QCOMPARE(conversion.Running(), 0);
            result = conversion.Result(&ui);
        }
        QVERIFY(!running.Any());
        QCOMPARE(result.reason, reason);
        const QString output = TextFileOf(pdf, work);
        const QDir texts = QFileInfo(output).dir();
        if (reason.isEmpty()) {
            QFile text(output);
            QVERIFY(text.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromUtf8(text.readAll()), PdftotextText(plain));
            QCOMPARE(texts.entryList(QDir::Files), QStringList{QFileInfo(output).fileName()});
        } else {
            QVERIFY(texts.entryList(QDir::Files).isEmpty());
        }
        QVERIFY(ui.calls.isEmpty());
    }

    // A text that cannot be written whole is never taken for the PDF's text, however the
    // conversion runs: the converter itself ends with status 0 after its writes have failed.
    void textThatCannotBeWrittenWhole_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("one at a time") << "alone";
        QTest::newRow("beside other conversions") << "background";
        QTest::newRow("readability check") << "check";
    }
    void textThatCannotBeWrittenWhole() {
        QFETCH(QString, how);
        IsolatedEnvironment env;
        QVERIFY(EnsureConverterPlaced());
        QStringList pages;
        for (int page = 0; page < 12; ++page) {
            pages << QStringLiteral("Four score and seven years ago our fathers brought forth\n").repeated(30);
        }
        const QString pdf = MakeTextPdf(env.Work() + QStringLiteral("/long.pdf"), pages);
        QVERIFY(!pdf.isEmpty());
        const QString output = TextFileOf(pdf);
        ScriptedUi ui;
        Extraction result;
        ConverterEnd end;
        {
            const FileSizeLimit limit(8192); // the text is about 20,000 bytes
            QVERIFY(limit.Ok());
            if (how == QStringLiteral("alone")) {
                result = ConvertPdf(pdf, QString(), nullptr, 0, 1, {}, &ui);
            } else if (how == QStringLiteral("background")) {
                ConverterProcesses running;
                const ConversionPlace place{QString(), QString(), &running};
                {
                    BackgroundConversion conversion(pdf, QString(), place);
                    while (!conversion.Finished(20)) {
                    }
                    result = conversion.Result(&ui);
                }
                QVERIFY(!running.Any());
            } else {
                end = RunAndWait(ConverterPath(), ConverterArguments(pdf, QString::fromLatin1(kToStandardOutput)), 0,
                                 nullptr, QString(), 0, 0, {}, 100, nullptr, output);
            }
        }
        if (how == QStringLiteral("check")) {
            QVERIFY(!end.TextWhole());
            result = JudgeConversion(end, ConverterPath(), output, false, &ui);
        }
        QCOMPARE(result.kind, UnreadableKind::TextNotWritten);
        QCOMPARE(result.outcome, ExtractionOutcome::NoOutput);
        QVERIFY2(result.reason.startsWith(QStringLiteral("  - the converted text could not be written completely")),
                 qPrintable(result.reason));
        QVERIFY(!QFileInfo::exists(output));
        QVERIFY(ui.calls.isEmpty());

        // Without the limit the same conversion gives the whole text.
        const Extraction whole = ConvertPdf(pdf, QString(), nullptr, 0, 1, {}, &ui);
        QCOMPARE(whole.outcome, ExtractionOutcome::TextAvailable);
        QCOMPARE(QString::fromUtf8(ReadAll(output)).count(QStringLiteral("fathers")), 12 * 30);
    }

    // A converter whose link in the work folder has lost its program is named by the program, the
    // one thing to put right.
    void convertersLinkWithoutItsProgram() {
        IsolatedEnvironment env;
        const QString gone = env.Work() + QStringLiteral("/bin/pdftotext");
        const QString link = env.Work() + QStringLiteral("/work/pdftotext");
        QVERIFY(QDir().mkpath(env.Work() + QStringLiteral("/work")));
        QVERIFY(QFile::link(gone, link));
        const QString pdf = TextPdfIn(env.Work(), QStringLiteral("Report.pdf"));
        ScriptedUi ui;
        const Extraction result =
            ConvertPdf(pdf, QString(), nullptr, 0, 1, {}, &ui, ConversionPlace{link, {}, nullptr});
        QCOMPARE(result.kind, UnreadableKind::ConverterNotStarted);
        QCOMPARE(result.reason,
                 QStringLiteral("  - the converter could not be started: ") + gone + QStringLiteral(": not found"));
    }

    void missingConverterGivesNoOutput() {
        IsolatedEnvironment env;
        const QString pdf = TextPdfIn(env.Work(), QStringLiteral("Report.pdf"));
        QVERIFY(!QFileInfo(ConverterPath()).isSymLink() && !QFileInfo::exists(ConverterPath()));
        ScriptedUi ui;
        QCOMPARE(ConvertForAnalysis(pdf, QString(), nullptr, 0, 1, {}, &ui), ExtractionOutcome::NoOutput);
        QVERIFY(ui.calls.isEmpty());
    }
};

LEXITALLY_TEST_MAIN(ConverterTest)
#include "test_converter.moc"
