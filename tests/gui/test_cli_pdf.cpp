// The command line on real PDFs: the same rows, totals and unreadable files as the window's run.

#include "core/count/Pass.h"
#include "gui/Form2.h"
#include "gui/ResultsModel.h"
#include "support/CliRun.h"
#include "support/Form1Session.h"
#include "support/GuiTestMain.h"
#include "support/PdfFixtures.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kPassword = QStringLiteral("own \"er\" pw");

// What a run gave, in the command line's JSON terms.
struct RunResult {
    QList<QStringList> rows;
    QList<qint64> totals;   // words, lines, with spaces, without spaces
    QStringList unreadable; // path + reason
};

QList<qint64> TotalsOf(const QStringList& captions) {
    QList<qint64> totals;
    for (const QString& caption : captions) {
        totals << caption.section(u' ', -1).toLongLong();
    }
    return totals;
}

} // namespace

class CliPdfTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_files;
    QString File(const QString& name) const { return m_files.path() + u'/' + name; }

    // The window's run over the files, answering every password box with `password`.
    RunResult WindowRun(const QStringList& pdfs, bool perFile, bool ignoreCase, bool database,
                        const QString& password) {
        IsolatedEnvironment env;
        Form1Session session;
        session->SelectOption(perFile ? session->Option2 : session->Option1, true);
        session->SelectOption(database ? session->Option3 : session->Option4, true);
        session->Check3->setChecked(ignoreCase);
        session->SetCheck(session->Check1, !password.isEmpty());
        for (int i = 0; i < pdfs.size() && !password.isEmpty(); ++i) {
            session.ui.Answer(password);
        }
        session->AddFileRows(pdfs);
        session->PushButton2_Click();
        RunResult result;
        ResultsModel* model = session->Results().Model();
        for (int r = 0; r < model->RowCount(); ++r) {
            QStringList row;
            for (int c = 0; c < model->ColumnCount(); ++c) {
                row << model->Cell(r, c);
            }
            result.rows << row;
        }
        result.totals = TotalsOf(model->Captions());
        for (const QString& text : session.ui.MessageTexts()) {
            const QString marker = QStringLiteral("The following files could not be read:\r\n");
            if (text.contains(marker)) {
                result.unreadable = text.mid(text.indexOf(marker) + marker.size()).split(QStringLiteral("\r\n"));
            }
        }
        return result;
    }

    RunResult CliRun(const QStringList& pdfs, bool perFile, bool ignoreCase, bool database, const QString& password,
                     int expectedExit) {
        IsolatedEnvironment env;
        QStringList arguments{QStringLiteral("--format=json"), QStringLiteral("--quiet")};
        arguments << QStringLiteral("--method") << (database ? QStringLiteral("db") : QStringLiteral("text"));
        if (perFile) {
            arguments << QStringLiteral("--per-file");
        }
        if (!ignoreCase) {
            arguments << QStringLiteral("--case-sensitive");
        }
        if (!password.isEmpty()) {
            arguments << QStringLiteral("--password") << password;
        }
        const Outcome outcome = RunCli(arguments + pdfs, env.Work());
        RunResult result;
        if (outcome.exitCode != expectedExit) {
            qWarning() << "exit" << outcome.exitCode << outcome.err;
            return result;
        }
        const QJsonObject json = QJsonDocument::fromJson(outcome.out).object();
        for (const QJsonValue& row : json[QStringLiteral("rows")].toArray()) {
            QStringList cells;
            for (const QJsonValue& cell : row.toArray()) {
                cells << cell.toVariant().toString(); // counts are numbers
            }
            result.rows << cells;
        }
        const QJsonObject totals = json[QStringLiteral("totals")].toObject();
        for (const char* key : {"words", "lines", "chars_with_spaces", "chars_without_spaces"}) {
            result.totals << totals[QString::fromLatin1(key)].toInteger();
        }
        for (const QJsonValue& item : json[QStringLiteral("unreadable")].toArray()) {
            const QJsonObject entry = item.toObject();
            result.unreadable << entry[QStringLiteral("path")].toString() + entry[QStringLiteral("reason")].toString();
        }
        return result;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_files.isValid());
        QVERIFY(!MakeTextPdf(File("Fables.pdf"), {"The Fox and the Grapes\nthe fox saw grapes", "Fox fox office"})
                     .isEmpty());
        QVERIFY(!MakeTextPdf(File("sub dir/Raven \"Poe\".PDF"), {"Once upon a midnight dreary\nthe raven"}).isEmpty());
        QVERIFY(!MakeImagePdf(File("scan.pdf")).isEmpty());
        QVERIFY(!MakeTruncatedPdf(File("broken.pdf")).isEmpty());
        QVERIFY(EncryptPdf(File("Fables.pdf"), File("locked.pdf"), QStringLiteral("open"), kPassword));
    }

    // The same files through the window and through the command line give the same rows,
    // totals and unreadable files, in every mode and with both methods.
    void sameAsWindow_data() {
        QTest::addColumn<bool>("perFile");
        QTest::addColumn<bool>("ignoreCase");
        QTest::addColumn<bool>("database");
        for (bool perFile : {false, true}) {
            for (bool ignoreCase : {true, false}) {
                for (bool database : {true, false}) {
                    QTest::addRow("%s, %s, %s", perFile ? "per file" : "all files",
                                  ignoreCase ? "ignore case" : "case-sensitive", database ? "db" : "text")
                        << perFile << ignoreCase << database;
                }
            }
        }
    }
    void sameAsWindow() {
        QFETCH(bool, perFile);
        QFETCH(bool, ignoreCase);
        QFETCH(bool, database);
        const QStringList pdfs = {File("Fables.pdf"), File("scan.pdf"), File("sub dir/Raven \"Poe\".PDF"),
                                  File("broken.pdf")};
        const RunResult window = WindowRun(pdfs, perFile, ignoreCase, database, {});
        const RunResult cli = CliRun(pdfs, perFile, ignoreCase, database, {}, 0);
        QVERIFY(!window.rows.isEmpty());
        // Worked out by hand from the converter's texts:
        //   "The Fox and the Grapes\nthe fox saw grapes\n\n\fFox fox o\uFB00ice\n\n\f" (6 lines)
        //   "\f" of the scan's empty page (1 line)
        //   "Once upon a midnight dreary\nthe raven\n\n\f" (4 lines)
        // 12 + 7 words ("\fFox" is Fox, the ligature leaves "oice"); lines: 5 + 0 + 3 per file,
        // 11 - 1 of the joined text; 55 + 1 + 37 characters, less 9 + 5 blanks.
        QCOMPARE(window.totals, (QList<qint64>{19, perFile ? 8 : 10, 93, 79}));
        QCOMPARE(cli.rows, window.rows);
        QCOMPARE(cli.totals, window.totals);
        QCOMPARE(cli.unreadable, window.unreadable);
        QCOMPARE(cli.unreadable.size(), 2); // the scan and the damaged file
    }

    // The command line's words in context: as many lines as the word's count in a run with the
    // same options, each with its page; nothing is written beside the PDFs.
    void concordanceMatchesCounts_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("row");       // the word's row in the run's results
        QTest::addColumn<QStringList>("pages"); // file:page of each line, in order
        QTest::newRow("ignore case") << QStringList{} << "fox"
                                     << "fox" << QStringList{"F:1", "F:1", "F:2", "F:2"};
        QTest::newRow("case-sensitive, text method") << QStringList{"--case-sensitive", "--method", "text"} << "fox"
                                                     << "fox" << QStringList{"F:1", "F:2"};
        QTest::newRow("case-sensitive, database groups case-blind") << QStringList{"--case-sensitive"} << "fox"
                                                                    << "Fox" << QStringList{"F:1", "F:1", "F:2", "F:2"};
        QTest::newRow("every language, two files") << QStringList{"--letters", "all"} << "THE"
                                                   << "the" << QStringList{"F:1", "F:1", "F:1", "R:1"};
    }
    void concordanceMatchesCounts() {
        QFETCH(QStringList, options);
        QFETCH(QString, word);
        QFETCH(QString, row);
        QFETCH(QStringList, pages);
        IsolatedEnvironment env;
        const QStringList pdfs = {File("Fables.pdf"), File("sub dir/Raven \"Poe\".PDF")};
        const QStringList before = FolderSnapshot(m_files.path());
        const Outcome counted = RunCli(options + QStringList{"--format=json"} + pdfs, env.Work());
        QCOMPARE(counted.exitCode, 0);
        qint64 count = -1;
        for (const QJsonValue& cells : QJsonDocument::fromJson(counted.out)["rows"].toArray()) {
            if (cells.toArray().at(0).toString() == row) {
                count = cells.toArray().at(1).toVariant().toLongLong();
            }
        }
        const Outcome lines =
            RunCli(QStringList{"concordance", "--format=json"} + options + QStringList{word} + pdfs, env.Work());
        QCOMPARE(lines.exitCode, 0);
        QStringList shown;
        for (const QJsonValue& row : QJsonDocument::fromJson(lines.out)["rows"].toArray()) {
            const QJsonArray cells = row.toArray();
            shown << cells.at(0).toString().section(u'/', -1).left(1) + u':' + QString::number(cells.at(1).toInt());
        }
        QCOMPARE(shown, pages);
        QCOMPARE(shown.size(), count);
        QCOMPARE(FolderSnapshot(m_files.path()), before);
    }

    void password() {
        const QStringList pdfs = {File("locked.pdf")};
        const RunResult window = WindowRun(pdfs, false, true, true, kPassword);
        const RunResult cli = CliRun(pdfs, false, true, true, kPassword, 0);
        QVERIFY(!cli.rows.isEmpty());
        QCOMPARE(cli.rows, window.rows);
        QVERIFY(cli.unreadable.isEmpty());
        const RunResult wrong = CliRun(pdfs, false, true, true, QStringLiteral("guess"), 1);
        QCOMPARE(wrong.unreadable,
                 QStringList{File("locked.pdf") + QStringLiteral("  - invalid password or no password protected.")});
    }

    // A folder stands for every PDF below it, as the folder scan finds them.
    void folderInput() {
        IsolatedEnvironment env;
        QTemporaryDir tree;
        QVERIFY(!MakeTextPdf(tree.path() + "/a.pdf", {"alpha"}).isEmpty());
        QVERIFY(!MakeTextPdf(tree.path() + "/~lock.pdf", {"skipped"}).isEmpty());
        QVERIFY(!MakeTextPdf(tree.path() + "/S/c.PDF", {"gamma"}).isEmpty());
        WriteTextFile(tree.path() + "/notes.txt", "not a pdf");
        const QStringList before = FolderSnapshot(tree.path());
        const Outcome outcome = RunCli({"--per-file", "--format=json", tree.path()}, env.Work());
        QCOMPARE(outcome.exitCode, 0);
        const QJsonArray rows = QJsonDocument::fromJson(outcome.out)[QStringLiteral("rows")].toArray();
        QStringList labels;
        for (const QJsonValue& row : rows) {
            labels << row.toArray()[0].toString();
        }
        QCOMPARE(labels, (QStringList{tree.path() + "/a.pdf", tree.path() + "/S/c.pdf"}));
        QCOMPARE(FolderSnapshot(tree.path()), before);
    }

    // Nothing readable: the message on standard error and exit status 1.
    void noText() {
        IsolatedEnvironment env;
        const Outcome outcome = RunCli({File("scan.pdf")}, env.Work());
        QCOMPARE(outcome.exitCode, 1);
        QVERIFY(outcome.err.contains(File("scan.pdf").toUtf8() + ": text unreadable."));
        QVERIFY(outcome.err.contains("No text was found in PDF(s)."));
    }

    // The text-file and workbook formats take every row.
    void exportFormats() {
        IsolatedEnvironment env;
        const Outcome text = RunCli({"--format=text", File("Fables.pdf")}, env.Work());
        QCOMPARE(text.exitCode, 0);
        const QList<QByteArray> lines = text.out.split('\n');
        QVERIFY(lines.first().startsWith(" Words\t"));
        QVERIFY(text.out.contains("grapes"));
        QVERIFY(lines.first().endsWith("\t\r"));
        const QString workbook = env.Work() + QStringLiteral("/out.xlsx");
        const Outcome xlsx = RunCli({"--format=xlsx", "-o", workbook, File("Fables.pdf")}, env.Work());
        QCOMPARE(xlsx.exitCode, 0);
        QProcess unzip;
        unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), workbook, QStringLiteral("xl/sharedStrings.xml")});
        QVERIFY(unzip.waitForFinished());
        QVERIFY(unzip.readAllStandardOutput().contains("grapes"));
    }
};

LEXITALLY_GUI_TEST_MAIN(CliPdfTest)
#include "test_cli_pdf.moc"
