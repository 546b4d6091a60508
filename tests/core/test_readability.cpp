#include "core/base/ErrorReport.h"
#include "core/base/Places.h"
#include "core/extract/ConversionCache.h"
#include "core/extract/Converter.h"
#include "core/extract/Readability.h"
#include "support/PdfFixtures.h"
#include "support/ScriptedUi.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <functional>

namespace {

const QString kTitle = QStringLiteral("Lexitally");
const QString kCrLf = QStringLiteral("\r\n");

// Makes one kind of listed file inside the folder; returns the path the list holds.
using FixtureMaker = std::function<QString(const QString& folder)>;

QString TextPdf(const QString& path, const QString& text = QStringLiteral("Plenty of proper words on this page.")) {
    return MakeTextPdf(path, {text}, kSansFont);
}

// The temporary folder's files other than the converter.
QStringList TempLeftovers() {
    QStringList names = QDir(TempFolder()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    names.removeAll(QStringLiteral("pdftotext"));
    return names;
}

struct BusyLog {
    QList<bool> calls;
    int depth = 0;
    int deepest = 0;
    std::function<void(bool)> Setter() {
        return [this](bool on) {
            calls << on;
            depth += on ? 1 : -1;
            deepest = std::max(deepest, depth);
        };
    }
};

// A stand-in converter: the real one after a pause that depends on the file's name, so that
// conversions side by side end out of list order.
QString SleepingConverter(IsolatedEnvironment& env, const QByteArray& pauses) {
    const QString path = WriteTextFile(env.Work() + QStringLiteral("/bin/sleepy-pdftotext"),
                                       "#!/bin/sh\ncase \"$*\" in " + pauses + " esac\nexec pdftotext \"$@\"\n");
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
    return path;
}

} // namespace

Q_DECLARE_METATYPE(FixtureMaker)

class ReadabilityTest : public QObject {
    Q_OBJECT

private slots:
    void outputPath_data() {
        QTest::addColumn<QString>("pdf");
        QTest::addColumn<QString>("name");
        QTest::newRow("dotted name") << QStringLiteral("/d/Report.v2.pdf") << QStringLiteral("Report.v2.txt");
        QTest::newRow("no extension in a dotted folder")
            << QStringLiteral("/x/My.Docs/Report") << QStringLiteral("Report.txt");
        QTest::newRow("upper-case extension") << QStringLiteral("/d/SCAN.PDF") << QStringLiteral("SCAN.txt");
        QTest::newRow("blanks and quotes") << QStringLiteral("/d/a b \"c\".pdf") << QStringLiteral("a b \"c\".txt");
    }
    void outputPath() {
        QFETCH(QString, pdf);
        QFETCH(QString, name);
        QCOMPARE(ReadabilityOutputPath(pdf), TempFolder() + u'/' + name);
    }

    void messageText() {
        const QString expected =
            QStringLiteral("These files could not be read:\r\n\r\n/d/a.pdf\r\n/d/b c.pdf\r\n\r\n"
                           "This program will extract text from a PDF but this program will not extract text within "
                           "an image within a PDF.\r\n\r\nEmail ") +
            SupportEmail() + QStringLiteral(" if you have any questions.");
        QCOMPARE(UnreadableMessage(QStringLiteral("/d/a.pdf\r\n/d/b c.pdf\r\n")), expected);
    }

    void singleFile_data() {
        QTest::addColumn<FixtureMaker>("make");
        QTest::addColumn<bool>("unreadable");
        const auto at = [](const QString& name, std::function<QString(const QString&)> make) {
            return FixtureMaker([name, make](const QString& folder) { return make(folder + u'/' + name); });
        };
        QTest::newRow("text") << at(QStringLiteral("Report.pdf"), [](const QString& p) { return TextPdf(p); }) << false;
        QTest::newRow("odd name") << at(OddPdfName(), [](const QString& p) { return TextPdf(p); }) << false;
        QTest::newRow("no extension in a dotted folder")
            << at(QStringLiteral("My.Docs/Report"), [](const QString& p) { return TextPdf(p); }) << false;
        QTest::newRow("image only") << at(QStringLiteral("Scan.pdf"), MakeImagePdf) << true;
        QTest::newRow("user password") << FixtureMaker([](const QString& folder) {
            const QString plain = TextPdf(folder + QStringLiteral("/../plain.pdf"));
            const QString out = folder + QStringLiteral("/Locked.pdf");
            return EncryptPdf(plain, out, QStringLiteral("user"), QStringLiteral("owner")) ? out : QString();
        }) << true;
        QTest::newRow("owner password only") << FixtureMaker([](const QString& folder) {
            const QString plain = TextPdf(folder + QStringLiteral("/../plain.pdf"));
            const QString out = folder + QStringLiteral("/Owned.pdf");
            return EncryptPdf(plain, out, QString(), QStringLiteral("owner")) ? out : QString();
        }) << false;
        QTest::newRow("truncated") << at(QStringLiteral("Cut.pdf"), [](const QString& p) {
            return MakeTruncatedPdf(p);
        }) << true;
        QTest::newRow("zip renamed to pdf") << at(QStringLiteral("Letter.pdf"), MakeZipAsPdf) << true;
        QTest::newRow("missing file") << FixtureMaker([](const QString& folder) {
            return folder + QStringLiteral("/Gone.pdf");
        }) << true;
        // pdftotext writes the text, two line ends and a page break: 6 letters give 9 bytes, 7 give 10.
        QTest::newRow("output of 9 bytes")
            << at(QStringLiteral("Short.pdf"), [](const QString& p) { return TextPdf(p, QStringLiteral("Abcdef")); })
            << true;
        QTest::newRow("output of 10 bytes")
            << at(QStringLiteral("Short.pdf"), [](const QString& p) { return TextPdf(p, QStringLiteral("Abcdefg")); })
            << false;
    }
    void singleFile() {
        QFETCH(FixtureMaker, make);
        QFETCH(bool, unreadable);
        IsolatedEnvironment env;
        QVERIFY(EnsureConverterPlaced());
        const QString folder = env.Work() + QStringLiteral("/case");
        QVERIFY(QDir().mkpath(folder));
        const QString pdf = make(folder);
        QVERIFY(!pdf.isEmpty());
        const QStringList before = FolderSnapshot(folder);

        ScriptedUi ui;
        ProgressMemory bar;
        BusyLog busy;
        const QStringList result =
            CheckByCodeNotPreviewTextbox([&] { return QStringList{pdf}; }, ui, &bar, busy.Setter(), {}, kTitle);

        QCOMPARE(result, unreadable ? QStringList{pdf} : QStringList());
        if (unreadable) {
            QCOMPARE(ui.calls.size(), 1);
            const ScriptedUi::Call& box = ui.calls.first();
            QCOMPARE(box.kind, QStringLiteral("message"));
            QCOMPARE(box.text, UnreadableMessage(pdf + kCrLf));
            QCOMPARE(box.caption, kTitle);
            QCOMPARE(box.buttons, MsgButtons::Ok);
            QCOMPARE(box.icon, MsgIcon::None);
        } else {
            QVERIFY(ui.calls.isEmpty());
        }
        QCOMPARE(busy.calls, (QList<bool>{true, false}));
        QCOMPARE(bar.Text(), QStringLiteral("Progress Bar"));
        QCOMPARE(FolderSnapshot(folder), before);
        QCOMPARE(TempLeftovers(), QStringList());
    }

    // With OCR the scanned images are read at Start: only the files OCR cannot help are named.
    void messageNamesExactlyTheUnreadableFilesInListOrder_data() {
        QTest::addColumn<bool>("ocr");
        QTest::newRow("without OCR") << false;
        QTest::newRow("with OCR") << true;
    }

    void messageNamesExactlyTheUnreadableFilesInListOrder() {
        QFETCH(bool, ocr);
        IsolatedEnvironment env;
        QVERIFY(EnsureConverterPlaced());
        const QString w = env.Work();
        const QString image = MakeImagePdf(w + QStringLiteral("/b/Scan one.pdf"));
        const QString cut = MakeTruncatedPdf(w + QStringLiteral("/Cut.pdf"));
        const QStringList rows{
            TextPdf(w + QStringLiteral("/a/Report.pdf")), image, TextPdf(w + QStringLiteral("/c/Zeta.pdf")), cut, image,
            w + QStringLiteral("/nowhere/Gone.pdf")};
        ScriptedUi ui;
        ReadabilityContext context{
            [&] { return rows; }, &ui, nullptr, {}, {}, kTitle, nullptr, QString(), nullptr, {}, {}, {},
            [ocr] { return ocr; }};
        const QStringList result = CheckByCodeNotPreviewTextbox(context);
        const QStringList expected = ocr ? QStringList{cut, w + QStringLiteral("/nowhere/Gone.pdf")}
                                         : QStringList{image, cut, image, w + QStringLiteral("/nowhere/Gone.pdf")};
        QCOMPARE(result, expected);
        QCOMPARE(ui.MessageTexts(), QStringList{UnreadableMessage(expected.join(kCrLf) + kCrLf)});
    }

    // Converters side by side end in any order; the files are measured, named and kept in list
    // order all the same, a file listed twice and two files of one name never share a converter.
    void sideBySide_data() {
        QTest::addColumn<int>("jobs");
        QTest::addColumn<bool>("keep"); // conversions kept in a cache
        QTest::newRow("one job") << 1 << false;
        QTest::newRow("three jobs") << 3 << false;
        QTest::newRow("one job, kept") << 1 << true;
        QTest::newRow("three jobs, kept") << 3 << true;
    }
    void sideBySide() {
        QFETCH(int, jobs);
        QFETCH(bool, keep);
        IsolatedEnvironment env;
        env.Set("LEXITALLY_PDFTOTEXT", SleepingConverter(env, "*slow*) sleep 0.6 ;; *mid*) sleep 0.3 ;;"));
        QVERIFY(EnsureConverterPlaced());
        const QString w = env.Work();
        const QString slowText = TextPdf(w + QStringLiteral("/a/slow-1.pdf"));
        const QString slowScan = MakeImagePdf(w + QStringLiteral("/b/slow-scan.pdf"));
        const QString fastScan = MakeImagePdf(w + QStringLiteral("/fast-scan.pdf"));
        const QString midCut = MakeTruncatedPdf(w + QStringLiteral("/mid-cut.pdf"));
        const QString sameName = MakeImagePdf(w + QStringLiteral("/c/slow-1.pdf"));
        const QString gone = w + QStringLiteral("/gone.pdf");
        const QString fastText = TextPdf(w + QStringLiteral("/fast.pdf"));
        const QStringList rows{slowText, slowScan, fastScan, midCut, sameName, gone, fastText, slowScan, slowText};

        ScriptedUi ui;
        ProgressMemory bar;
        BusyLog busy;
        ConverterProcesses running;
        ConversionCache cache(keep ? w + QStringLiteral("/cache") : QString());
        ReadabilityContext context;
        context.paths = [&] { return rows; };
        context.ui = &ui;
        context.bar = &bar;
        context.setBusy = busy.Setter();
        context.appTitle = kTitle;
        context.running = &running;
        context.cache = keep ? &cache : nullptr;
        context.jobs = [jobs] { return jobs; };
        const QStringList result = CheckByCodeNotPreviewTextbox(context);

        const QStringList expected{slowScan, fastScan, midCut, sameName, gone, slowScan};
        QCOMPARE(result, expected);
        QCOMPARE(ui.MessageTexts(), QStringList{UnreadableMessage(expected.join(kCrLf) + kCrLf)});
        QCOMPARE(busy.calls, (QList<bool>{true, false}));
        QCOMPARE(bar.Text(), QStringLiteral("Progress Bar"));
        QVERIFY(!running.Any());
        QCOMPARE(TempLeftovers(), QStringList());
        if (keep) {
            // The readable files are kept with their text for the run.
            ConverterEnd code = ConverterEnd::Exit(-1);
            QVERIFY(cache.Lookup(slowText, QString(), code));
            QVERIFY(code == ConverterEnd::Exit(0));
            QVERIFY(ReadAll(cache.TextPath(slowText, QString())).contains("Plenty of proper words"));
            QVERIFY(cache.Lookup(fastText, QString(), code));
            QVERIFY(!cache.Lookup(gone, QString(), code));
        }
    }

    // Four conversions of a second each on four converters take about one second, not four.
    void sideBySideTakesTheTimeOfOne() {
        IsolatedEnvironment env;
        env.Set("LEXITALLY_PDFTOTEXT", SleepingConverter(env, "*) sleep 1 ;;"));
        QVERIFY(EnsureConverterPlaced());
        QStringList rows;
        for (const char* name : {"one", "two", "three", "four"}) {
            rows << TextPdf(env.Work() + u'/' + QString::fromLatin1(name) + QStringLiteral(".pdf"));
        }
        ScriptedUi ui;
        ReadabilityContext context;
        context.paths = [&] { return rows; };
        context.ui = &ui;
        context.appTitle = kTitle;
        context.jobs = [] { return 4; };
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(CheckByCodeNotPreviewTextbox(context), QStringList());
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed()) + QStringLiteral(" ms")));
        QVERIFY(ui.calls.isEmpty());
    }

    // Closing the window ends every converter at work; the files are then named as unreadable.
    void endingEveryConverter() {
        IsolatedEnvironment env;
        const QString stuck =
            WriteTextFile(env.Work() + QStringLiteral("/bin/stuck-pdftotext"), "#!/bin/sh\nexec sleep 60\n");
        QFile::setPermissions(stuck, QFile::permissions(stuck) | QFileDevice::ExeOwner);
        QStringList rows;
        for (const char* name : {"one", "two", "three"}) {
            rows << TextPdf(env.Work() + u'/' + QString::fromLatin1(name) + QStringLiteral(".pdf"));
        }
        ScriptedUi ui;
        ConverterProcesses running;
        ReadabilityContext context;
        context.paths = [&] { return rows; };
        context.ui = &ui;
        context.appTitle = kTitle;
        context.running = &running;
        context.converter = stuck;
        context.jobs = [] { return 3; };
        int ended = 0;
        context.yield = [&] {
            if (running.Any()) {
                ++ended;
                running.KillAll();
            }
        };
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(CheckByCodeNotPreviewTextbox(context), rows);
        QVERIFY(clock.elapsed() < 20000);
        QCOMPARE(ended, 1); // all three were running and ended at once
        QCOMPARE(ui.MessageTexts(), QStringList{UnreadableMessage(rows.join(kCrLf) + kCrLf)});
    }

    // Two listed PDFs with the same name in different folders share the temporary output one
    // after the other; each is judged on its own conversion.
    void sameNameInTwoFolders() {
        IsolatedEnvironment env;
        QVERIFY(EnsureConverterPlaced());
        const QString text = TextPdf(env.Work() + QStringLiteral("/a/Report.pdf"));
        const QString image = MakeImagePdf(env.Work() + QStringLiteral("/b/Report.pdf"));
        ScriptedUi ui;
        QCOMPARE(CheckByCodeNotPreviewTextbox(
                     [&] {
                         return QStringList{text, image};
                     },
                     ui, nullptr, {}, {}, kTitle),
                 QStringList{image});
        QCOMPARE(CheckByCodeNotPreviewTextbox(
                     [&] {
                         return QStringList{image, text};
                     },
                     ui, nullptr, {}, {}, kTitle),
                 QStringList{image});
    }

    // The temporary output of a PDF named with pattern characters is removed as that one file;
    // other files in the temporary folder stay.
    void patternCharactersInName() {
        IsolatedEnvironment env;
        QVERIFY(EnsureConverterPlaced());
        const QString keep = WriteTextFile(TempFolder() + QStringLiteral("/keep.txt"), "someone else's file\n");
        const QString other = WriteTextFile(TempFolder() + QStringLiteral("/a-file.txt"), "another one\n");
        const QString star = TextPdf(env.Work() + QStringLiteral("/*.pdf"));
        const QString question = TextPdf(env.Work() + QStringLiteral("/a?file.pdf"));
        ScriptedUi ui;
        QCOMPARE(CheckByCodeNotPreviewTextbox(
                     [&] {
                         return QStringList{star, question};
                     },
                     ui, nullptr, {}, {}, kTitle),
                 QStringList());
        QCOMPARE(ReadAll(keep), QByteArray("someone else's file\n"));
        QCOMPARE(ReadAll(other), QByteArray("another one\n"));
        QVERIFY(!QFileInfo::exists(TempFolder() + QStringLiteral("/*.txt")));
    }

    // A row removed while the check yields is reported once and skipped; the rest is checked.
    void rowRemovedDuringCheck() {
        IsolatedEnvironment env;
        QVERIFY(EnsureConverterPlaced());
        const QString image = MakeImagePdf(env.Work() + QStringLiteral("/Scan.pdf"));
        QStringList rows{TextPdf(env.Work() + QStringLiteral("/Report.pdf")), image,
                         env.Work() + QStringLiteral("/Last.pdf")};
        bool removed = false;
        const Yield yield = [&] {
            if (!removed) {
                removed = true;
                rows.removeLast();
            }
        };
        ScriptedUi ui;
        BusyLog busy;
        const QStringList result =
            CheckByCodeNotPreviewTextbox([&] { return rows; }, ui, nullptr, busy.Setter(), yield, kTitle);
        QCOMPARE(result, QStringList{image});
        QCOMPARE(ui.calls.size(), 2);
        QCOMPARE(ui.calls[0].caption, QStringLiteral("Application Error"));
        QVERIFY(
            ui.calls[0].text.contains(QString::fromLatin1(Source::ReadabilityCheck) + QStringLiteral("at line 106")));
        QCOMPARE(ui.calls[1].text, UnreadableMessage(image + kCrLf));
        QCOMPARE(busy.calls, (QList<bool>{true, false}));
    }

    // Files added while a check runs: the check is not nested but runs once more afterwards,
    // and that run sees the list as it stands then.
    void requestDuringCheckRunsOnceMoreAfterIt() {
        IsolatedEnvironment env;
        QVERIFY(EnsureConverterPlaced());
        QStringList rows{TextPdf(env.Work() + QStringLiteral("/Report.pdf"))};
        const QString image = MakeImagePdf(env.Work() + QStringLiteral("/Scan.pdf"));
        const QString cut = MakeTruncatedPdf(env.Work() + QStringLiteral("/Cut.pdf"));

        ScriptedUi ui;
        BusyLog busy;
        ReadabilityContext context;
        context.paths = [&] { return rows; };
        context.ui = &ui;
        context.setBusy = busy.Setter();
        context.appTitle = kTitle;
        ReadabilityChecker* checker = nullptr;
        int additions = 0;
        bool returnedAtOnce = true;
        context.yield = [&] {
            // Two additions arrive during the first check.
            if (additions < 2 && checker->Running()) {
                rows << (additions == 0 ? image : cut);
                ++additions;
                const int before = checker->Completed();
                checker->Request();
                returnedAtOnce = returnedAtOnce && checker->Completed() == before && checker->Running();
            }
        };
        ReadabilityChecker realChecker(context);
        checker = &realChecker;
        realChecker.Request();

        QCOMPARE(additions, 2);
        QVERIFY(returnedAtOnce);
        QCOMPARE(realChecker.Completed(), 2);
        QVERIFY(!realChecker.Running());
        QCOMPARE(busy.deepest, 1);
        QCOMPARE(busy.calls, (QList<bool>{true, false, true, false}));
        QCOMPARE(ui.MessageTexts(), QStringList{UnreadableMessage(image + kCrLf + cut + kCrLf)});

        // Idle again: the next request runs at once.
        realChecker.Request();
        QCOMPARE(realChecker.Completed(), 3);
    }
};

LEXITALLY_TEST_MAIN(ReadabilityTest)
#include "test_readability.moc"
