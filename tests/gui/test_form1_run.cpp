// The analysis run of the main window: results in both counting modes with both methods,
// passwords, files that give no text, the empty list, stopping, progress and the busy window.

#include "core/base/Files.h"
#include "core/base/Places.h"
#include "gui/Form2.h"
#include "gui/ResultsModel.h"
#include "support/Form1Session.h"
#include "support/GuiTestMain.h"
#include "support/PdfFixtures.h"

#include "core/base/Settings.h"
#include "core/count/StopWords.h"

#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

const QString kStart = QStringLiteral("Start Analyzing");
const QString kStop = QStringLiteral("Stop Analyzing");
const QString kCancel = QStringLiteral("<cancel>");
const QString kWrongPassword = QStringLiteral("  - invalid password or no password protected.");
const QString kNoPassword = QStringLiteral("  - password protected or text is protexted.");
const QString kNoText = QStringLiteral("  - text unreadable. Please view the file yourself to see if it is really a "
                                       "scanned image of text and not proper PDF text.");
const QString kOwnerPassword = QStringLiteral("owner pass \"7\"");
const QString kUserPassword = QStringLiteral("user-pw");

// Rows of the results list, cells joined by "|".
QStringList RowsOf(const ResultsModel* model) {
    QStringList rows;
    for (int r = 0; r < model->RowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->ColumnCount(); ++c) {
            cells << model->Cell(r, c);
        }
        rows << cells.join(u'|');
    }
    return rows;
}

// Headers with their widths in twips: " Words:6300".
QStringList HeadersOf(const ResultsModel* model) {
    QStringList headers;
    for (int c = 0; c < model->ColumnCount(); ++c) {
        headers << model->Header(c) + u':' + QString::number(model->ColumnWidthTwips(c));
    }
    return headers;
}

QStringList Captions(int words, int lines, int withSpaces, int withoutSpaces) {
    return {QStringLiteral(" Word count: %1").arg(words), QStringLiteral(" Line Count: %1").arg(lines),
            QStringLiteral(" Character Count With Spaces: %1").arg(withSpaces),
            QStringLiteral(" Character Count Without Spaces: %1").arg(withoutSpaces)};
}

QStringList LabelTexts(Form2& results) {
    return {results.Label1->text(), results.Label2->text(), results.Label3->text(), results.Label4->text()};
}

// The top-level results windows that exist.
int ResultsWindows() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        count += dynamic_cast<Form2*>(widget) != nullptr;
    }
    return count;
}

enum class Method { Database, Text };

void Choose(Form1& form, bool perFile, Method method) {
    form.SelectOption(perFile ? form.Option2 : form.Option1, true);
    form.SelectOption(method == Method::Database ? form.Option3 : form.Option4, true);
}

// The processes this one started that are still running (not yet ended or not reaped).
int RunningChildren() {
    int running = 0;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        const QByteArray stat = ReadAll(QStringLiteral("/proc/") + pid + QStringLiteral("/stat"));
        const QList<QByteArray> rest = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        running += rest.size() > 1 && rest[0] != "Z" && rest[1].toLongLong() == QCoreApplication::applicationPid();
    }
    return running;
}

} // namespace

class Form1RunTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void pbCurrentValue_data();
    void pbCurrentValue();

    void resultsOfARun_data();
    void resultsOfARun();

    void databaseChosenWithoutDriver();
    void wordOptions_data();
    void wordOptions();
    void moreWordOptions_data();
    void moreWordOptions();
    void ownStopListRefused_data();
    void ownStopListRefused();

    void passwords_data();
    void passwords();
    void passwordAskedPerFile();

    void unreadableFiles_data();
    void unreadableFiles();

    void emptyList_data();
    void emptyList();

    void stopDuringRun_data();
    void stopDuringRun();

    void progressPerFile();
    void windowWhileRunning();
    void closeWhenIdle();
    void windowsTakeTurnsInOnePlace();
    void convertOnce_data();
    void convertOnce();
    void failedCheckConvertedAgain_data();
    void failedCheckConvertedAgain();
    void sideBySideShowsLife();
    void startDuringCheck_data();
    void startDuringCheck();
    void converterOfItsOwn_data();
    void converterOfItsOwn();

private:
    QString File(const QString& name) const { return m_files.path() + u'/' + name; }
    QStringList Files(const QStringList& names) const { return InFolder(m_files.path(), names); }
    // "@" stands for the fixture folder.
    QString Expand(QString text) const { return text.replace(u'@', m_files.path()); }
    QStringList Expand(const QStringList& texts) const {
        QStringList out;
        for (const QString& text : texts) {
            out << Expand(text);
        }
        return out;
    }

    QTemporaryDir m_files;
};

void Form1RunTest::convertOnce_data() {
    QTest::addColumn<bool>("keepTexts"); // "Keep converted texts" ticked
    QTest::newRow("within a session") << false;
    QTest::newRow("kept between sessions") << true;
}

// A file is converted once: the readability check's conversion serves the run and later checks,
// a changed file is converted again, and the kept texts go when their file leaves the list and
// when the program ends; with "Keep converted texts", the next session converts nothing it has
// seen unchanged.
void Form1RunTest::convertOnce() {
    QFETCH(bool, keepTexts);
    IsolatedEnvironment env;
    const QString log = env.Work() + QStringLiteral("/conversions.log");
    const QString converter =
        WriteTextFile(env.Work() + QStringLiteral("/bin/counting-pdftotext"),
                      "#!/bin/sh\n[ \"$1\" = -v ] || echo \"$*\" >> '" + log.toUtf8() + "'\nexec pdftotext \"$@\"\n");
    QFile::setPermissions(converter, QFile::permissions(converter) | QFileDevice::ExeOwner);
    env.Set("LEXITALLY_PDFTOTEXT", converter);
    const QString bee = env.Work() + QStringLiteral("/bee.pdf");
    QVERIFY(QFile::copy(File("bee.pdf"), bee));
    const auto conversions = [&log] { return static_cast<int>(ReadAll(log).count('\n')); };
    const auto kept = [] {
        const QStringList caches = QDir(TempFolder()).entryList({QStringLiteral("cache-*")}, QDir::Dirs);
        return caches.isEmpty() ? -1
                                : static_cast<int>(QDir(TempFolder() + u'/' + caches.first())
                                                       .entryList({QStringLiteral("*.txt")}, QDir::Files)
                                                       .size());
    };

    Form1Session s;
    QVERIFY(s.Show());
    s.ui.Answer(QStringList{bee});
    QTest::mouseClick(s->PushButton1, Qt::LeftButton);
    QCOMPARE(conversions(), 1);
    s.ui.Answer(QStringList{File("cat.pdf")});
    QTest::mouseClick(s->PushButton1, Qt::LeftButton);
    QCOMPARE(conversions(), 2); // the check converts only the file it has not seen
    QCOMPARE(kept(), 2);
    if (keepTexts) {
        s->ActionKeepTexts->trigger(); // the run keeps what the check converted before
    }

    QTest::mouseClick(s->PushButton2, Qt::LeftButton);
    QCOMPARE(conversions(), 2); // the run right after the check converts nothing again
    QCOMPARE(s->Results().Model()->Captions().first(), QStringLiteral(" Word count: 6"));

    // A changed file is converted again, with its new words.
    QVERIFY(!MakeTextPdf(bee, {"bee bee bee bee"}).isEmpty());
    s->PushButton2_Click();
    QCOMPARE(conversions(), 3);
    QCOMPARE(s->Results().Model()->Captions().first(), QStringLiteral(" Word count: 7"));

    // Leaving the list forgets the file's texts; the end of the program forgets the rest.
    s->ListView1->setCurrentItem(s->ListView1->topLevelItem(0));
    s->ListView1_KeyDown(Qt::Key_Delete);
    QCOMPARE(s->FileListPaths(), QStringList{File("cat.pdf")});
    QCOMPARE(kept(), 1);
    s->Form_Unload();
    QCOMPARE(s.ended, 1);
    QCOMPARE(kept(), -1);

    Form1Session next;
    QVERIFY(next.Show());
    QCOMPARE(next->ActionKeepTexts->isChecked(), keepTexts);
    next.ui.Answer(QStringList{bee, File("cat.pdf")});
    QTest::mouseClick(next->PushButton1, Qt::LeftButton);
    QTest::mouseClick(next->PushButton2, Qt::LeftButton);
    QVERIFY2(conversions() == (keepTexts ? 3 : 5), ReadAll(log).constData());
    QCOMPARE(next->Results().Model()->Captions().first(), QStringLiteral(" Word count: 7"));
    QCOMPARE(QFileInfo::exists(env.Cache() + QStringLiteral("/lexitally")), keepTexts);
}

// A converter that fails only the first time (the readability check's turn).
static QString ConverterFailingOnce(IsolatedEnvironment& env, const QByteArray& firstTime) {
    const QString mark = env.Work() + QStringLiteral("/failed-once");
    const QString converter = WriteTextFile(env.Work() + QStringLiteral("/bin/flaky-pdftotext"),
                                            "#!/bin/sh\nif [ ! -e '" + mark.toUtf8() + "' ]; then : > '" +
                                                mark.toUtf8() + "'; " + firstTime + "; fi\nexec pdftotext \"$@\"\n");
    QFile::setPermissions(converter, QFile::permissions(converter) | QFileDevice::ExeOwner);
    return converter;
}

void Form1RunTest::failedCheckConvertedAgain_data() {
    QTest::addColumn<QByteArray>("firstTime"); // what the converter does at the check
    QTest::addColumn<bool>("named");           // the check names the file
    QTest::newRow("crash") << QByteArray("kill -SEGV $$") << true;
    QTest::newRow("failure without output") << QByteArray("exit 3") << true;
    // The text goes where the converter is told: standard output for "-", else the named file.
    QTest::newRow("form feeds only") << QByteArray("for a; do out=$a; done; [ \"$out\" = - ] && out=/dev/stdout; "
                                                   "printf '\\f\\f\\f\\f\\f\\f\\f\\f\\f\\f\\f' > \"$out\"; exit 0")
                                     << false;
}

// Only a conversion of the check that gave text serves the run: a converter that failed once
// during the check and works afterwards gives the run its full counts, and the next check reads
// the file too.
void Form1RunTest::failedCheckConvertedAgain() {
    QFETCH(QByteArray, firstTime);
    QFETCH(bool, named);
    IsolatedEnvironment env;
    env.Set("LEXITALLY_PDFTOTEXT", ConverterFailingOnce(env, firstTime));
    Form1Session s;
    QVERIFY(s.Show());
    s.ui.Answer(QStringList{File("bee.pdf")});
    QTest::mouseClick(s->PushButton1, Qt::LeftButton);
    QCOMPARE(s.ui.MessageTexts(), named ? QStringList{UnreadableBox({File("bee.pdf")})} : QStringList{});
    s.ui.Clear();

    QTest::mouseClick(s->PushButton2, Qt::LeftButton);
    QCOMPARE(s.ui.MessageTexts(), QStringList{});
    QVERIFY(s->Results().isVisible());
    QCOMPARE(RowsOf(s->Results().Model()), (QStringList{"ant|1", "bee|2"}));
    QCOMPARE(s->Results().Model()->Captions(), Captions(3, 2, 12, 10));

    // The next check converts the file again and finds it readable.
    QTest::mouseClick(s->Results().PushButton1, Qt::LeftButton);
    s.ui.Answer(QStringList{File("cat.pdf")});
    QTest::mouseClick(s->PushButton1, Qt::LeftButton);
    QCOMPARE(s.ui.MessageTexts(), QStringList{});
}

// With converters working side by side the bar keeps the run's sign of life: it names the
// earliest file not yet recorded and counts while that file takes long.
void Form1RunTest::sideBySideShowsLife() {
    IsolatedEnvironment env;
    const QString converter = WriteTextFile(env.Work() + QStringLiteral("/bin/slow-pdftotext"),
                                            "#!/bin/sh\ncase \"$*\" in *slow.pdf*) sleep 6.2 ;; esac\n"
                                            "exec pdftotext \"$@\"\n");
    QFile::setPermissions(converter, QFile::permissions(converter) | QFileDevice::ExeOwner);
    env.Set("LEXITALLY_PDFTOTEXT", converter);
    SettingsStore().Save(QStringLiteral("Jobs"), QStringLiteral("2"));
    const QString slow = env.Work() + QStringLiteral("/slow.pdf");
    QVERIFY(QFile::copy(File("bee.pdf"), slow));
    Form1Session s;
    s->AddFileRows({slow, File("cat.pdf")});

    QStringList seen;
    QTimer watch;
    watch.setInterval(5);
    connect(&watch, &QTimer::timeout, this, [&] {
        const QString now = QString::number(s->ProgressBar1->Value()) + u'|' + s->ProgressBar1->Text();
        if (now.contains(QStringLiteral("Analyze file slow.pdf")) && (seen.isEmpty() || seen.last() != now)) {
            seen << now;
        }
    });
    watch.start();
    s->PushButton2_Click();
    watch.stop();

    // After about five seconds the count starts and goes up about ten times a second (a busy
    // machine may show a number late, never one out of turn).
    QVERIFY2(seen.size() >= 5, qPrintable(seen.join(u'\n')));
    QCOMPARE(seen.first(), QStringLiteral("0|Analyze file slow.pdf... "));
    const QString waiting = QStringLiteral("0|Analyze file slow.pdf... , Please wait.. ");
    int last = -1;
    for (qsizetype i = 1; i < seen.size(); ++i) {
        QVERIFY2(seen[i].startsWith(waiting), qPrintable(seen[i]));
        const int number = seen[i].mid(waiting.size()).toInt();
        QVERIFY2(number > last && (i > 1 || number <= 2), qPrintable(seen.join(u'\n')));
        last = number;
    }
    QVERIFY2(last >= 5, qPrintable(seen.join(u'\n')));
    QCOMPARE(s->Results().Model()->Captions().first(), QStringLiteral(" Word count: 6"));
    QCOMPARE(s->ProgressBar1->Text(), QStringLiteral("Progress Bar"));
}

void Form1RunTest::startDuringCheck_data() {
    QTest::addColumn<int>("jobs");
    QTest::addColumn<bool>("stop"); // Stop pressed once the run has begun
    QTest::newRow("side by side") << 2 << false;
    QTest::newRow("one at a time") << 1 << false;
    QTest::newRow("side by side, stopped") << 2 << true;
}

// Start pressed while the readability check converts: the check ends, the run takes over what it
// converted and what it was converting, and each file is converted once. No converter is left
// running once the results are shown.
void Form1RunTest::startDuringCheck() {
    QFETCH(int, jobs);
    QFETCH(bool, stop);
    IsolatedEnvironment env;
    const QString log = env.Work() + QStringLiteral("/conversions.log");
    const QString converter =
        WriteTextFile(env.Work() + QStringLiteral("/bin/slow-pdftotext"),
                      "#!/bin/sh\necho \"$*\" >> '" + log.toUtf8() + "'\nsleep 0.3\nexec pdftotext \"$@\"\n");
    QFile::setPermissions(converter, QFile::permissions(converter) | QFileDevice::ExeOwner);
    env.Set("LEXITALLY_PDFTOTEXT", converter);
    SettingsStore().Save(QStringLiteral("Jobs"), QString::number(jobs));
    QStringList pdfs;
    for (int i = 1; i <= 8; ++i) {
        pdfs << env.Work() + QStringLiteral("/f%1.pdf").arg(i);
        QVERIFY(QFile::copy(File("bee.pdf"), pdfs.last()));
    }

    Form1Session s;
    QVERIFY(s.Show());
    QTimer::singleShot(450, s.form.get(), [&s] { QTest::mouseClick(s->PushButton2, Qt::LeftButton); });
    int runningAtResults = -1;
    bool stopPressed = false;
    QTimer watch;
    watch.setInterval(5);
    connect(&watch, &QTimer::timeout, this, [&] {
        if (stop && !stopPressed && s->ProgressBar1->Text().startsWith(QStringLiteral("Analyze file"))) {
            stopPressed = true;
            QTest::mouseClick(s->PushButton2, Qt::LeftButton);
        }
        if (runningAtResults < 0 && s->Results().isVisible()) {
            runningAtResults = RunningChildren();
        }
    });
    watch.start();
    s.ui.Answer(pdfs);
    QTest::mouseClick(s->PushButton1, Qt::LeftButton);
    QVERIFY(s->Results().isVisible());
    watch.stop();
    if (runningAtResults < 0) {
        runningAtResults = RunningChildren(); // shown at the very end of the click
    }
    QCOMPARE(runningAtResults, 0);
    QStringList converted;
    for (const QByteArray& line : ReadAll(log).split('\n')) {
        if (!line.isEmpty()) {
            converted << QString::fromUtf8(line).section(u' ', -2, -2);
        }
    }
    converted.sort();
    QCOMPARE(converted, pdfs);
    QCOMPARE(s.ui.MessageTexts(), QStringList{});
    QVERIFY(!s->RunInProgress());
    QCOMPARE(stopPressed, stop);
    if (!stop) {
        QCOMPARE(s->Results().Model()->Captions().first(), QStringLiteral(" Word count: 24"));
    }
}

void Form1RunTest::initTestCase() {
    QVERIFY(m_files.isValid());
    QVERIFY(!MakeTextPdf(File("bee.pdf"), {"bee ant bee"}).isEmpty());
    QVERIFY(!MakeTextPdf(File("cat.pdf"), {"cat dog cat"}).isEmpty());
    QVERIFY(!MakeTextPdf(File("sub.dir/Report.PDF"), {"bee ant bee"}).isEmpty());
    QVERIFY(!MakeTextPdf(File("lines.pdf"), {"alpha\nbeta beta\ngamma"}).isEmpty());
    QVERIFY(!MakeTextPdf(File("lines2.pdf"), {"delta\nepsilon epsilon"}).isEmpty());
    for (const char* name : {"x/a.pdf", "x/b.pdf", "x/c.pdf", "x/d.pdf"}) {
        QVERIFY(!MakeTextPdf(File(name), {"bee ant bee"}).isEmpty());
    }
    QVERIFY(!MakeTextPdf(File("langs.pdf"),
                         {"Stra\u00dfe STRASSE the die \u039a\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1\u03b1"}, kSansFont)
                 .isEmpty());
    QVERIFY(!MakeTextPdf(File("forms.pdf"), {"analyse Analysed analyses \uff41nalysing dog"}, kSansFont).isEmpty());
    QVERIFY(!MakeImagePdf(File("scan.pdf")).isEmpty());
    QVERIFY(!MakeZipAsPdf(File("zip.pdf")).isEmpty());
    QVERIFY(EncryptPdf(File("bee.pdf"), File("locked.pdf"), kUserPassword, kOwnerPassword));

    // What the converter makes of the fixtures; the expected counts below rest on it.
    QCOMPARE(PdftotextText(File("bee.pdf")), QStringLiteral("bee ant bee\n\n\f"));
    QCOMPARE(PdftotextText(File("lines.pdf")), QStringLiteral("alpha\nbeta beta\ngamma\n\n\f"));
    QCOMPARE(PdftotextText(File("lines2.pdf")), QStringLiteral("delta\nepsilon epsilon\n\n\f"));
    QCOMPARE(PdftotextText(File("langs.pdf")),
             QStringLiteral("Stra\u00dfe STRASSE the die \u039a\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1\u03b1\n\n\f"));
    QCOMPARE(PdftotextText(File("locked.pdf")), QString());
    QCOMPARE(PdftotextText(File("locked.pdf"), {"-opw", kOwnerPassword}), QStringLiteral("bee ant bee\n\n\f"));
}

// ---------------------------------------------------------------- progress value

void Form1RunTest::pbCurrentValue_data() {
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("total");
    QTest::addColumn<bool>("finished");
    QTest::addColumn<int>("value");
    QTest::newRow("1 of 4") << 1 << 4 << false << 0;
    QTest::newRow("2 of 4") << 2 << 4 << false << 25;
    QTest::newRow("3 of 4") << 3 << 4 << false << 50;
    QTest::newRow("3 of 8") << 3 << 8 << false << 25;
    QTest::newRow("2 of 8: 12.5 to the even 12") << 2 << 8 << false << 12;
    QTest::newRow("4 of 8: 37.5 to the even 38") << 4 << 8 << false << 38;
    QTest::newRow("2 of 3: 33.3") << 2 << 3 << false << 33;
    QTest::newRow("3 of 3: 66.7") << 3 << 3 << false << 67;
    QTest::newRow("finished 1 of 4") << 1 << 4 << true << 25;
    QTest::newRow("finished 4 of 4") << 4 << 4 << true << 100;
    QTest::newRow("finished 1 of 8: 12.5 to 12") << 1 << 8 << true << 12;
    QTest::newRow("finished 3 of 8: 37.5 to 38") << 3 << 8 << true << 38;
    QTest::newRow("finished 5 of 8: 62.5 to 62") << 5 << 8 << true << 62;
    QTest::newRow("finished 1 of 200: 0.5 to 0") << 1 << 200 << true << 0;
    QTest::newRow("finished 3 of 200: 1.5 to 2") << 3 << 200 << true << 2;
}

void Form1RunTest::pbCurrentValue() {
    QFETCH(int, current);
    QFETCH(int, total);
    QFETCH(bool, finished);
    QFETCH(int, value);
    QCOMPARE(Form1::PBCurrentValue(current, total, finished), value);
}

// ---------------------------------------------------------------- a run that fills the results

void Form1RunTest::resultsOfARun_data() {
    QTest::addColumn<bool>("perFile");
    QTest::addColumn<int>("method");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("captions");

    const QStringList all{" Words:6300", "Count:1000"};
    const QStringList per{"Filename:5000", " Words:1500", "Count:1000"};
    for (const Method method : {Method::Database, Method::Text}) {
        const char* name = method == Method::Database ? "database" : "text";
        const int m = static_cast<int>(method);
        QTest::addRow("%s, all files, one file", name)
            << false << m << QStringList{"bee.pdf"} << all << QStringList{"ant|1", "bee|2"} << Captions(3, 2, 12, 10);
        QTest::addRow("%s, all files, two files", name)
            << false << m << QStringList{"bee.pdf", "cat.pdf"} << all << QStringList{"ant|1", "dog|1", "bee|2", "cat|2"}
            << Captions(6, 5, 24, 20);
        QTest::addRow("%s, per file, two files", name)
            << true << m << QStringList{"bee.pdf", "cat.pdf"} << per
            << QStringList{"@/bee.pdf|ant|1", "@/bee.pdf|bee|2", "@/cat.pdf|dog|1", "@/cat.pdf|cat|2"}
            << Captions(6, 4, 24, 20);
        QTest::addRow("%s, per file, label ends in .pdf", name)
            << true << m << QStringList{"sub.dir/Report.PDF"} << per
            << QStringList{"@/sub.dir/Report.pdf|ant|1", "@/sub.dir/Report.pdf|bee|2"} << Captions(3, 2, 12, 10);
        QTest::addRow("%s, per file, same file twice counts once", name)
            << true << m << QStringList{"bee.pdf", "bee.pdf"} << per
            << QStringList{"@/bee.pdf|ant|1", "@/bee.pdf|bee|2"} << Captions(3, 2, 12, 10);
    }
}

void Form1RunTest::resultsOfARun() {
    QFETCH(bool, perFile);
    QFETCH(int, method);
    QFETCH(QStringList, files);
    QFETCH(QStringList, headers);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, captions);

    IsolatedEnvironment env;
    const QStringList folderBefore = FolderSnapshot(m_files.path());
    Form1Session s;
    QVERIFY(s->ProviderAvailable());
    Choose(*s, perFile, static_cast<Method>(method));
    s->AddFileRows(Files(files));
    QVERIFY(s.Show());

    s->PushButton2_Click();

    QVERIFY2(s.ui.calls.isEmpty(), qPrintable(s.ui.MessageTexts().join(u'\n'))); // no "Done." box
    Form2& results = s->Results();
    QCOMPARE(HeadersOf(results.Model()), headers);
    QCOMPARE(RowsOf(results.Model()), Expand(rows));
    QCOMPARE(results.Model()->Captions(), captions);
    QCOMPARE(LabelTexts(results), captions);
    QVERIFY(results.isVisible());
    QVERIFY(!s->isVisible());
    // Idle again.
    QCOMPARE(s->PushButton2->text(), kStart);
    QVERIFY(!s->RunInProgress());
    QVERIFY(!s->IsBusy());
    QCOMPARE(s->ProgressBar1->Value(), 0.0);
    QCOMPARE(s->ProgressBar1->Text(), QStringLiteral("Progress Bar"));
    // The texts were consumed; nothing was written beside the PDFs.
    QCOMPARE(QDir(TempFolder() + QStringLiteral("/text")).entryList(QDir::Files), QStringList{});
    QCOMPARE(FolderSnapshot(m_files.path()), folderBefore);
}

// The database method chosen while the driver was missing at start-up: the text method runs,
// and nothing says so.
void Form1RunTest::databaseChosenWithoutDriver() {
    IsolatedEnvironment env;
    Form1Session s([] { return ProviderProbeResult{false, 3706, QStringLiteral("Provider cannot be found.")}; });
    QVERIFY(!s->ProviderAvailable());
    s->Option3->setChecked(true);
    // The database is not touched: the database method would rebuild a damaged one and say so.
    WriteTextFile(WorkingDatabasePath(), "not a database");
    s->AddFileRows(Files({"bee.pdf", "cat.pdf"}));
    s->PushButton2_Click();
    QCOMPARE(s.ui.calls.size(), 0);
    QCOMPARE(RowsOf(s->Results().Model()), (QStringList{"ant|1", "dog|1", "bee|2", "cat|2"}));
    QVERIFY(s->Results().isVisible());
}

// The additions among the options, ticked with the mouse: letters of all languages and a list of
// common words (English unless another is chosen, or the user's own file through "Other list…").
// Off, the run counts as it always has.
void Form1RunTest::wordOptions_data() {
    QTest::addColumn<bool>("allLetters");
    QTest::addColumn<int>("stopList");       // -1: none; else the list's place in the choice
    QTest::addColumn<QByteArray>("ownList"); // the user's file, chosen through "Other list…"
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("wordCount");
    QTest::addColumn<bool>("listGone"); // the chosen list's file cannot be read
    const QString greek = QStringLiteral("\u03ba\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1\u03b1|1");
    const int other = static_cast<int>(StopListNames().size()); // after the lists that come with the program
    const QStringList asAlways{"die|1", "strae|1", "strasse|1", "the|1"};
    QTest::newRow("as always") << false << -1 << QByteArray() << asAlways << " Word count: 4" << false;
    QTest::newRow("all letters") << true << -1 << QByteArray() << QStringList{"die|1", "the|1", greek, "strasse|2"}
                                 << " Word count: 5" << false;
    QTest::newRow("English common words")
        << false << 0 << QByteArray() << QStringList{"die|1", "strae|1", "strasse|1"} << " Word count: 4" << false;
    QTest::newRow("all letters, German common words")
        << true << 1 << QByteArray() << QStringList{"the|1", greek, "strasse|2"} << " Word count: 5" << false;
    QTest::newRow("own list") << false << other << QByteArray("# mine\nDIE\n\nstrasse\n")
                              << QStringList{"strae|1", "the|1"} << " Word count: 4" << false;
    QTest::newRow("English list cannot be read") << false << 0 << QByteArray() << asAlways << " Word count: 4" << true;
}

void Form1RunTest::wordOptions() {
    QFETCH(bool, allLetters);
    QFETCH(int, stopList);
    QFETCH(QByteArray, ownList);
    QFETCH(QStringList, rows);
    QFETCH(QString, wordCount);
    QFETCH(bool, listGone);
    IsolatedEnvironment env;
    const QString list = env.Work() + QStringLiteral("/app/stopwords/english.txt");
    if (listGone) {
        // The program's folder as built, but for a list whose file has gone.
        QVERIFY(QDir().mkpath(env.Work() + QStringLiteral("/app/stopwords")));
        for (const QFileInfo& entry : QDir(TestAppDir()).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
            if (entry.fileName() != QStringLiteral("stopwords")) {
                QVERIFY(QFile::link(entry.filePath(), env.Work() + QStringLiteral("/app/") + entry.fileName()));
            }
        }
        QVERIFY(QFile::link(env.Work() + QStringLiteral("/gone.txt"), list));
        env.Set("LEXITALLY_APP_DIR", env.Work() + QStringLiteral("/app"));
    }
    Form1Session s;
    s->AddFileRows(Files({"langs.pdf"}));
    QVERIFY(s.Show());
    QVERIFY(!s->CheckAllLetters->isChecked());
    QVERIFY(!s->CheckStopWords->isChecked());
    QVERIFY(!s->ComboStopWords->isEnabled());
    QVERIFY(!s->LabelStopWords->isEnabled());
    const auto click = [](QCheckBox* box) {
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(8, box->height() / 2));
    };
    if (allLetters) {
        click(s->CheckAllLetters);
        QVERIFY(s->CheckAllLetters->isChecked());
    }
    const QString ownPath = env.Work() + QStringLiteral("/my common words.txt");
    if (!ownList.isEmpty()) {
        WriteTextFile(ownPath, ownList);
        s.ui.Answer(QStringList{ownPath});
    }
    if (stopList >= 0) {
        click(s->CheckStopWords);
        QVERIFY(s->ComboStopWords->isEnabled());
        QVERIFY(s->LabelStopWords->isEnabled());
        for (int i = 0; i < stopList; ++i) {
            QTest::keyClick(s->ComboStopWords, Qt::Key_Down);
        }
        QCOMPARE(s->ComboStopWords->currentIndex(), stopList);
    }
    if (!ownList.isEmpty()) {
        const QList<ScriptedUi::Call> dialogs = s.Calls(QStringLiteral("openFiles"));
        QCOMPARE(dialogs.size(), 1);
        QCOMPARE(dialogs[0].extra, QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"));
        QCOMPARE(s->ComboStopWords->currentText(), QStringLiteral("my common words.txt"));
        QCOMPARE(s->ComboStopWords->itemText(stopList + 1), QStringLiteral("Other list\u2026"));
        s.ui.Clear();
    }
    s->PushButton2_Click();
    // An unreadable list is said once; the run goes on with every word.
    QCOMPARE(s.ui.MessageTexts(), listGone ? QStringList{QStringLiteral("The list of common words cannot be read: ") +
                                                         list + QStringLiteral(": No such file or directory")}
                                           : QStringList{});
    QCOMPARE(RowsOf(s->Results().Model()), rows);
    QCOMPARE(s->Results().Model()->Captions().first(), wordCount);

    // The next start shows the same choices.
    Form1Session next;
    QCOMPARE(next->CheckAllLetters->isChecked(), allLetters);
    QCOMPARE(next->CheckStopWords->isChecked(), stopList >= 0);
    QCOMPARE(next->ComboStopWords->isEnabled(), stopList >= 0);
    QCOMPARE(next->ComboStopWords->currentIndex(), std::max(stopList, 0));
    const QStringList shipped{"english", "german"};
    const QString kept = ownList.isEmpty() ? shipped.value(std::max(stopList, 0)) : ownPath;
    QCOMPARE(next->ComboStopWords->currentData().toString(), kept);
}

// The options of the "More…" menu: dictionary words and compatibility forms take effect with
// every alphabet only; word forms group by the chosen language. Kept for the next start.
void Form1RunTest::moreWordOptions_data() {
    QTest::addColumn<bool>("allLetters");
    QTest::addColumn<bool>("compatibility");
    QTest::addColumn<QString>("language"); // the "Group word forms" entry, "" for "Off"
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("off") << true << false << QString()
                         << QStringList{"analyse|1", "analysed|1", "analyses|1", "dog|1", "\uff41nalysing|1"};
    QTest::newRow("word forms") << false << false << QStringLiteral("english")
                                << QStringList{"dog|1", "nalysing|1", "analyse|3"};
    QTest::newRow("word forms, compatibility forms")
        << true << true << QStringLiteral("english") << QStringList{"dog|1", "analyse|4"};
    QTest::newRow("compatibility forms without every alphabet")
        << false << true << QString() << QStringList{"analyse|1", "analysed|1", "analyses|1", "dog|1", "nalysing|1"};
}

void Form1RunTest::moreWordOptions() {
    QFETCH(bool, allLetters);
    QFETCH(bool, compatibility);
    QFETCH(QString, language);
    QFETCH(QStringList, rows);
    IsolatedEnvironment env;
    Form1Session s;
    s->AddFileRows(Files({"forms.pdf"}));
    QVERIFY(s.Show());
    QVERIFY(!s->ActionSegment->isEnabled());
    QVERIFY(!s->ActionCompatForms->isEnabled());
    QCOMPARE(s->WordFormsGroup->checkedAction()->text(), QStringLiteral("Off"));
    s->CheckAllLetters->setChecked(allLetters);
    QCOMPARE(s->ActionCompatForms->isEnabled(), allLetters);
    s->ActionCompatForms->setChecked(compatibility);
    for (QAction* entry : s->WordFormsGroup->actions()) {
        if (entry->data().toString() == language) {
            entry->trigger();
        }
    }
    s->PushButton2_Click();
    QCOMPARE(RowsOf(s->Results().Model()), rows);

    Form1Session next;
    QCOMPARE(next->ActionCompatForms->isChecked(), compatibility);
    QCOMPARE(next->ActionCompatForms->isEnabled(), allLetters);
    QCOMPARE(next->WordFormsGroup->checkedAction()->data().toString(), language);
}

// "Other list…" keeps the list chosen before when the user cancels or picks a file that gives no
// words; the user learns why.
void Form1RunTest::ownStopListRefused_data() {
    QTest::addColumn<QString>("file"); // in the work folder; "" cancels the dialog
    QTest::addColumn<QByteArray>("words");
    QTest::addColumn<QString>("message"); // %1 stands for the file
    QTest::newRow("cancelled") << QString() << QByteArray() << QString();
    QTest::newRow("missing") << "gone.txt" << QByteArray() << "The list of common words cannot be read: ";
    QTest::newRow("no words") << "empty.txt" << QByteArray("# nothing\n\n")
                              << "The list of common words holds no "
                                 "words: %1";
}

void Form1RunTest::ownStopListRefused() {
    QFETCH(QString, file);
    QFETCH(QByteArray, words);
    QFETCH(QString, message);
    IsolatedEnvironment env;
    Form1Session s;
    QVERIFY(s.Show());
    QTest::mouseClick(s->CheckStopWords, Qt::LeftButton, Qt::NoModifier, QPoint(8, s->CheckStopWords->height() / 2));
    QTest::keyClick(s->ComboStopWords, Qt::Key_Down); // German
    const QString path = file.isEmpty() ? QString() : env.Work() + u'/' + file;
    if (!words.isEmpty()) {
        WriteTextFile(path, words);
    }
    s.ui.Answer(path.isEmpty() ? QStringList{} : QStringList{path});
    QTest::keyClick(s->ComboStopWords, Qt::Key_End); // "Other list…"
    QCOMPARE(s.Calls(QStringLiteral("openFiles")).size(), 1);
    QCOMPARE(s->ComboStopWords->currentText(), QStringLiteral("German"));
    QCOMPARE(s->ComboStopWords->count(), StopListNames().size() + 1);
    const QStringList shown = s.ui.MessageTexts();
    QCOMPARE(shown.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QVERIFY2(shown[0].startsWith(message.arg(path)), qPrintable(shown[0]));
    }
    Form1Session next;
    QCOMPARE(next->ComboStopWords->currentData().toString(), QStringLiteral("german"));
}

// ---------------------------------------------------------------- passwords

void Form1RunTest::passwords_data() {
    QTest::addColumn<bool>("ask"); // Check1 ticked
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("answers"); // typed into the password box, kCancel = cancelled
    QTest::addColumn<QString>("message");     // "" = no box
    QTest::addColumn<QStringList>("rows");

    const QStringList bab{"ant|1", "bee|2"};
    QTest::newRow("right password") << true << QStringList{"locked.pdf"} << QStringList{kOwnerPassword} << "" << bab;
    QTest::newRow("wrong password") << true << QStringList{"locked.pdf"} << QStringList{"guess"}
                                    << "No text was found in PDF(s).\r\nThe following files could not be read:\r\n"
                                       "@/locked.pdf" +
                                           kWrongPassword
                                    << QStringList{};
    QTest::newRow("box left blank") << true << QStringList{"locked.pdf"} << QStringList{""}
                                    << "No text was found in PDF(s).\r\nThe following files could not be read:\r\n"
                                       "@/locked.pdf" +
                                           kNoPassword
                                    << QStringList{};
    QTest::newRow("box cancelled") << true << QStringList{"locked.pdf"} << QStringList{kCancel}
                                   << "No text was found in PDF(s).\r\nThe following files could not be read:\r\n"
                                      "@/locked.pdf" +
                                          kNoPassword
                                   << QStringList{};
    QTest::newRow("option off: no box, no password")
        << false << QStringList{"locked.pdf"} << QStringList{}
        << "No text was found in PDF(s).\r\nThe following files could not be read:\r\n@/locked.pdf" + kNoPassword
        << QStringList{};
    QTest::newRow("password typed for an open file")
        << true << QStringList{"bee.pdf"} << QStringList{"anything"} << "" << bab;
    QTest::newRow("open file and a wrong password")
        << true << QStringList{"bee.pdf", "locked.pdf"} << QStringList{"", "guess"}
        << "Done.\r\nThe following files could not be read:\r\n@/locked.pdf" + kWrongPassword << bab;
}

void Form1RunTest::passwords() {
    QFETCH(bool, ask);
    QFETCH(QStringList, files);
    QFETCH(QStringList, answers);
    QFETCH(QString, message);
    QFETCH(QStringList, rows);

    IsolatedEnvironment env;
    Form1Session s;
    s->SetCheck(s->Check1, ask);
    Choose(*s, false, Method::Text);
    s->AddFileRows(Files(files));
    QVERIFY(s.Show());
    for (const QString& answer : answers) {
        if (answer == kCancel) {
            s.ui.AnswerCancel();
        } else {
            s.ui.Answer(answer);
        }
    }
    s->PushButton2_Click();

    QCOMPARE(s.Calls(QStringLiteral("input")).size(), answers.size());
    const auto boxes = s.ui.Messages();
    if (message.isEmpty()) {
        QVERIFY2(boxes.isEmpty(), qPrintable(s.ui.MessageTexts().join(u'\n')));
    } else {
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, Expand(message));
        QCOMPARE(boxes[0].caption, kCaption);
        QCOMPARE(boxes[0].buttons, MsgButtons::Ok);
        QCOMPARE(boxes[0].icon, MsgIcon::None);
    }
    QCOMPARE(RowsOf(s->Results().Model()), rows);
    // Results replace the main window only when there are rows.
    QCOMPARE(s->Results().isVisible(), !rows.isEmpty());
    QCOMPARE(s->isVisible(), rows.isEmpty());
    QCOMPARE(s->PushButton2->text(), kStart);
}

void Form1RunTest::passwordAskedPerFile() {
    IsolatedEnvironment env;
    Form1Session s;
    s->SetCheck(s->Check1, true);
    const QStringList files = Files({"bee.pdf", "locked.pdf", "cat.pdf"});
    s->AddFileRows(files);
    s.ui.Answer(QString());
    s.ui.Answer(kOwnerPassword);
    s.ui.Answer(QString());
    s->PushButton2_Click();

    const auto boxes = s.Calls(QStringLiteral("input"));
    QCOMPARE(boxes.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(boxes[i].caption, QStringLiteral("Input Password"));
        QCOMPARE(boxes[i].text, QStringLiteral("Enter password for file (") + files[i] +
                                    QStringLiteral("): \r\nNote: Leave this box blank if file is not password "
                                                   "protected"));
    }
    QCOMPARE(s.ui.Messages().size(), 0);
    QCOMPARE(s->Results().Model()->Captions(), Captions(9, 8, 36, 30));
}

// ---------------------------------------------------------------- files that give no text

void Form1RunTest::unreadableFiles_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("rows");

    const QString done = QStringLiteral("Done.\r\nThe following files could not be read:");
    const QString none = QStringLiteral("No text was found in PDF(s).\r\nThe following files could not be read:");
    QTest::newRow("scanned image among readable")
        << QStringList{"bee.pdf", "scan.pdf"} << done + "\r\n@/scan.pdf" + kNoText << QStringList{"ant|1", "bee|2"};
    QTest::newRow("no output, in list order")
        << QStringList{"zip.pdf", "bee.pdf", "gone.pdf"}
        << done + "\r\n@/zip.pdf" + kNoPassword + "\r\n@/gone.pdf  - not found" << QStringList{"ant|1", "bee|2"};
    QTest::newRow("all unreadable") << QStringList{"scan.pdf", "zip.pdf"}
                                    << none + "\r\n@/scan.pdf" + kNoText + "\r\n@/zip.pdf" + kNoPassword
                                    << QStringList{};
    QTest::newRow("not a PDF at all") << QStringList{"notes.txt"} << none + "\r\n@/notes.txt" + kNoPassword
                                      << QStringList{};
}

void Form1RunTest::unreadableFiles() {
    QFETCH(QStringList, files);
    QFETCH(QString, message);
    QFETCH(QStringList, rows);

    IsolatedEnvironment env;
    WriteTextFile(File("notes.txt"), "Plain notes that no converter reads as a PDF.\n");
    Form1Session s;
    Choose(*s, false, Method::Database);
    s->AddFileRows(Files(files));
    QVERIFY(s.Show());
    s->PushButton2_Click();

    QCOMPARE(s.ui.MessageTexts(), QStringList{Expand(message)});
    QCOMPARE(s.ui.Messages()[0].caption, kCaption);
    QCOMPARE(RowsOf(s->Results().Model()), rows);
    QCOMPARE(s->Results().isVisible(), !rows.isEmpty());
    QCOMPARE(s->isVisible(), rows.isEmpty());
    QCOMPARE(s->PushButton2->text(), kStart);
    QVERIFY(!s->IsBusy());
    // The rows stay in the file list whatever the outcome.
    QCOMPARE(s->FileListPaths(), Files(files));
}

// ---------------------------------------------------------------- empty list

void Form1RunTest::emptyList_data() {
    QTest::addColumn<bool>("earlierRun");
    QTest::newRow("results window never used") << false;
    QTest::newRow("after a per-file run") << true;
}

void Form1RunTest::emptyList() {
    QFETCH(bool, earlierRun);
    IsolatedEnvironment env;
    Form1Session s;
    QStringList headers;
    QStringList rows;
    if (earlierRun) {
        Choose(*s, true, Method::Text);
        s->AddFileRows(Files({"bee.pdf"}));
        s->PushButton2_Click();
        headers = HeadersOf(s->Results().Model());
        rows = RowsOf(s->Results().Model());
        QCOMPARE(rows.size(), 2);
        s->PushButton6_Click();
        Choose(*s, false, Method::Text); // a different mode would lay out other columns
        s.ui.Clear();
    }
    const int windowsBefore = ResultsWindows();

    s->PushButton2_Click();

    QCOMPARE(s.ui.MessageTexts(), QStringList{"No files added."});
    QCOMPARE(s.ui.Messages()[0].caption, kCaption);
    QCOMPARE(s.ui.Messages()[0].buttons, MsgButtons::Ok);
    QCOMPARE(s.ui.Messages()[0].icon, MsgIcon::None);
    QCOMPARE(s->PushButton2->text(), kStart);
    QVERIFY(!s->RunInProgress());
    QVERIFY(s->PushButton1->isEnabled());
    QCOMPARE(ResultsWindows(), windowsBefore); // no results window was made for this
    if (earlierRun) {
        QCOMPARE(HeadersOf(s->Results().Model()), headers);
        QCOMPARE(RowsOf(s->Results().Model()), rows);
    }
    // A second click starts again (the run is not stuck "in progress").
    s.ui.Clear();
    s->PushButton2_Click();
    QCOMPARE(s.ui.MessageTexts(), QStringList{"No files added."});
}

// ---------------------------------------------------------------- stopping

void Form1RunTest::stopDuringRun_data() {
    QTest::addColumn<bool>("perFile");
    QTest::addColumn<int>("method");
    QTest::addColumn<int>("clicks"); // clicks on the button while the first password box is open
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<bool>("afterCount"); // the clicks come once the totals are shown instead

    // lines.pdf: "alpha" / "beta beta" / "gamma"; lines2.pdf: "delta" / "epsilon epsilon".
    for (const Method method : {Method::Database, Method::Text}) {
        const char* name = method == Method::Database ? "database" : "text";
        const int m = static_cast<int>(method);
        QTest::addRow("%s, all files, stop: first line only", name)
            << false << m << 1 << QStringList{"alpha|1"} << Captions(1, 8, 41, 39) << false;
        QTest::addRow("%s, all files, stop withdrawn", name)
            << false << m << 2 << QStringList{"alpha|1", "delta|1", "gamma|1", "beta|2", "epsilon|2"}
            << Captions(7, 8, 41, 39) << false;
        QTest::addRow("%s, per file, stop: first line of each file", name)
            << true << m << 1 << QStringList{"@/lines.pdf|alpha|1", "@/lines2.pdf|delta|1"} << Captions(2, 7, 41, 39)
            << false;
        QTest::addRow("%s, per file, stop withdrawn", name)
            << true << m << 2
            << QStringList{"@/lines.pdf|alpha|1", "@/lines.pdf|gamma|1", "@/lines.pdf|beta|2", "@/lines2.pdf|delta|1",
                           "@/lines2.pdf|epsilon|2"}
            << Captions(7, 7, 41, 39) << false;
    }
    // A stop that comes once the words are counted cuts nothing short (the database method has
    // no sort of its own to stop): the results are whole and not marked.
    QTest::addRow("database, all files, stop after the last count")
        << false << static_cast<int>(Method::Database) << 1
        << QStringList{"alpha|1", "delta|1", "gamma|1", "beta|2", "epsilon|2"} << Captions(7, 8, 41, 39) << true;
    QTest::addRow("database, per file, stop after the last count")
        << true << static_cast<int>(Method::Database) << 1
        << QStringList{"@/lines.pdf|alpha|1", "@/lines.pdf|gamma|1", "@/lines.pdf|beta|2", "@/lines2.pdf|delta|1",
                       "@/lines2.pdf|epsilon|2"}
        << Captions(7, 7, 41, 39) << true;
}

void Form1RunTest::stopDuringRun() {
    QFETCH(bool, perFile);
    QFETCH(int, method);
    QFETCH(int, clicks);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, captions);
    QFETCH(bool, afterCount);

    IsolatedEnvironment env;
    Form1Session s;
    s->SetCheck(s->Check1, true);
    Choose(*s, perFile, static_cast<Method>(method));
    s->AddFileRows(Files({"lines.pdf", "lines2.pdf"}));
    QVERIFY(s.Show());
    QStringList captionsSeen;
    QString titleWhileStopping;
    QString barWhileStopping = QStringLiteral("Analyze file lines.pdf... ");
    const auto stop = [&] {
        for (int i = 0; i < clicks; ++i) {
            QTest::mouseClick(s->PushButton2, Qt::LeftButton);
            captionsSeen << s->PushButton2->text();
        }
        captionsSeen << (s->StopRequested() ? "stop requested" : "no stop");
        titleWhileStopping = s->windowTitle();
        if (!afterCount) {
            barWhileStopping = s->ProgressBar1->format();
        }
    };
    QMetaObject::Connection totals;
    if (afterCount) {
        totals = QObject::connect(s->Results().Model(), &ResultsModel::TotalsChanged, stop);
    } else {
        s.ui.During(stop);
    }
    s->PushButton2_Click();
    QObject::disconnect(totals);

    const QStringList expectedSeen =
        clicks == 1 ? QStringList{kStart, "stop requested"} : QStringList{kStart, kStop, "no stop"};
    QCOMPARE(captionsSeen, expectedSeen);
    // The stop changes only the button: the title and the bar go on as before, since every file
    // is still converted.
    const bool stopped = clicks == 1 && !afterCount;
    QCOMPARE(titleWhileStopping, QStringLiteral("Lexitally"));
    QCOMPARE(barWhileStopping, QStringLiteral("Analyze file lines.pdf... "));
    QCOMPARE(s->windowTitle(), QStringLiteral("Lexitally"));
    // Results of a stopped run say they are partial.
    QCOMPARE(s->Results().windowTitle(),
             stopped ? QStringLiteral("Lexitally \u2014 stopped, partial results") : QStringLiteral("Lexitally"));
    QCOMPARE(s.Calls(QStringLiteral("input")).size(), 2); // both files still converted, no second run
    QCOMPARE(s.ui.Messages().size(), 0);
    QCOMPARE(RowsOf(s->Results().Model()), Expand(rows));
    QCOMPARE(s->Results().Model()->Captions(), captions);
    QCOMPARE(s->PushButton2->text(), kStart);
    QVERIFY(!s->RunInProgress());
    QVERIFY(s->Results().isVisible());
    QCOMPARE(QDir(TempFolder() + QStringLiteral("/text")).entryList(QDir::Files), QStringList{});

    // The next run, not stopped, is whole again.
    QTest::mouseClick(s->Results().PushButton1, Qt::LeftButton);
    QTest::mouseClick(s->PushButton2, Qt::LeftButton);
    QCOMPARE(s->Results().windowTitle(), QStringLiteral("Lexitally"));
}

// ---------------------------------------------------------------- progress and the busy window

// One converter at a time: the bar names each file as its turn comes.
void Form1RunTest::progressPerFile() {
    IsolatedEnvironment env;
    SettingsStore().Save(QStringLiteral("Jobs"), QStringLiteral("1"));
    Form1Session s;
    s->SetCheck(s->Check1, true);
    s->AddFileRows(Files({"x/a.pdf", "x/b.pdf", "x/c.pdf", "x/d.pdf"}));
    QStringList seen;
    for (int i = 0; i < 4; ++i) {
        s.ui.During([&] { seen << QString::number(s->ProgressBar1->Value()) + u'|' + s->ProgressBar1->Text(); });
    }
    s->PushButton2_Click();
    QCOMPARE(seen, (QStringList{"0|Analyze file a.pdf... ", "25|Analyze file b.pdf... ", "50|Analyze file c.pdf... ",
                                "75|Analyze file d.pdf... "}));
    QCOMPARE(s->ProgressBar1->Value(), 0.0);
    QCOMPARE(s->ProgressBar1->Text(), QStringLiteral("Progress Bar"));
}

// While a run works the adding buttons are off, and removing, clearing and dropping do nothing.
void Form1RunTest::windowWhileRunning() {
    IsolatedEnvironment env;
    Form1Session s;
    s->SetCheck(s->Check1, true);
    const QStringList files = Files({"bee.pdf", "cat.pdf"});
    s->AddFileRows(files);
    QVERIFY(s.Show());
    QStringList during;
    s.ui.During([&] {
        for (QPushButton* button : {s->PushButton1, s->PushButton4, s->PushButton7}) {
            during << button->objectName() + (button->isEnabled() ? " on" : " off");
        }
        during << (s->IsBusy() ? "busy" : "idle");
        during << s->PushButton2->text();
        s->ListView1->setCurrentItem(s->ListView1->topLevelItem(0));
        QTest::keyClick(s->ListView1, Qt::Key_Delete);
        s->ListView1_DblClick();
        s->PushButton6_Click();
        s->ListView1_OLEDragDrop({File("lines.pdf")});
        during << QString::number(s->FileListPaths().size());
    });
    s->PushButton2_Click();

    QCOMPARE(during, (QStringList{"PushButton1 off", "PushButton4 off", "PushButton7 off", "busy", kStop, "2"}));
    QCOMPARE(s->FileListPaths(), files);
    for (QPushButton* button : {s->PushButton1, s->PushButton4, s->PushButton7}) {
        QVERIFY(button->isEnabled());
    }
    QVERIFY(!s->IsBusy());
    QCOMPARE(s.ui.Messages().size(), 0);
}

void Form1RunTest::closeWhenIdle() {
    IsolatedEnvironment env;
    Form1Session s;
    const QString converter = ConverterPath();
    QVERIFY(QFileInfo(converter).isExecutable());
    s->AddFileRows(Files({"bee.pdf"}));
    s->PushButton2_Click();
    QVERIFY(s->Results().isVisible());
    s->Results().PushButton1_Click(); // back to the main window
    QVERIFY(s->isVisible());
    QCOMPARE(s.ended, 0);

    s->close();
    QCOMPARE(s.ended, 1);
    QVERIFY(!QFileInfo::exists(converter) && !QFileInfo(converter).isSymLink());
    QCOMPARE(s.ui.calls.size(), 0);
}

// The results window opens where the main window stood, and "< Back" brings the main window to
// where the results window was.
void Form1RunTest::windowsTakeTurnsInOnePlace() {
    IsolatedEnvironment env;
    Form1Session s;
    s->move(137, 41);
    QVERIFY(s.Show());
    s->AddFileRows(Files({"bee.pdf"}));
    QTest::mouseClick(s->PushButton2, Qt::LeftButton);
    Form2& results = s->Results();
    QVERIFY(results.isVisible());
    QVERIFY(!s->isVisible());
    QCOMPARE(results.frameGeometry().topLeft(), QPoint(137, 41));
    // One size too, so that no edge jumps when they take turns.
    QCOMPARE(results.size(), s->size());

    // A window moved once its placement has been seen to hold stays where it is moved; one the
    // user made larger hands its size on.
    QTest::qWait(100);
    results.move(60, 20);
    results.resize(results.size() + QSize(40, 30));
    QTest::mouseClick(results.PushButton1, Qt::LeftButton); // "< Back"
    QVERIFY(s->isVisible());
    QCOMPARE(s->frameGeometry().topLeft(), QPoint(60, 20));
    QCOMPARE(s->size(), results.size());

    // The next run opens the results window there again.
    QTest::qWait(100);
    s->move(90, 30);
    QTest::qWait(800);
    QCOMPARE(s->frameGeometry().topLeft(), QPoint(90, 30));
    QTest::mouseClick(s->PushButton2, Qt::LeftButton);
    QCOMPARE(results.frameGeometry().topLeft(), QPoint(90, 30));
    QCOMPARE(s.ui.calls.size(), 0);
}

LEXITALLY_GUI_TEST_MAIN(Form1RunTest)

#include "test_form1_run.moc"

// Each window runs the converter itself: another window's shutdown, which removes the link in the
// shared temporary folder, and a file planted under the link's name change nothing.
void Form1RunTest::converterOfItsOwn_data() {
    QTest::addColumn<QString>("what");
    QTest::newRow("another window closed first") << "closed";
    QTest::newRow("a converter planted in the temporary folder") << "planted";
}

void Form1RunTest::converterOfItsOwn() {
    QFETCH(QString, what);
    IsolatedEnvironment env;
    const QString marker = env.Work() + QStringLiteral("/planted-ran");
    std::unique_ptr<Form1Session> other;
    if (what == QStringLiteral("planted")) {
        WriteTextFile(ConverterPath(), "#!/bin/sh\ntouch '" + marker.toUtf8() + "'\necho planted words\n");
        QFile::setPermissions(ConverterPath(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    } else {
        other = std::make_unique<Form1Session>();
    }
    Form1Session s;
    if (other) {
        (*other)->close();
        QCOMPARE(other->ended, 1);
        QVERIFY(!QFileInfo::exists(ConverterPath()));
    }
    s->AddFileRows(Files({"bee.pdf"}));
    QVERIFY2(s.ui.calls.isEmpty(), qPrintable(s.ui.MessageTexts().join(u'\n'))); // all readable
    s->PushButton2_Click();
    QVERIFY2(s.ui.calls.isEmpty(), qPrintable(s.ui.MessageTexts().join(u'\n')));
    QCOMPARE(RowsOf(s->Results().Model()), QStringList({"ant|1", "bee|2"}));
    QVERIFY(!QFileInfo::exists(marker));
}
