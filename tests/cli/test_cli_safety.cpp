// The command line on bad input and in bad conditions: damaged conversions, special files,
// outputs that would destroy an input, signals, full disks, passwords kept off the command line.

#include "core/base/Places.h"
#include "support/CliRun.h"
#include "support/PdfFixtures.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

bool IsRoot() {
    return ::geteuid() == 0;
}

// What a program writes on its standard output.
QByteArray RunText(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(30000);
    return process.readAllStandardOutput();
}

// A converter of the test's own making: a shell script used in place of pdftotext.
QString FakeConverter(const IsolatedEnvironment& env, const QByteArray& body) {
    const QString path = WriteTextFile(env.Work() + QStringLiteral("/bin/fake-pdftotext"), "#!/bin/sh\n" + body);
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
    return path;
}

QJsonObject Json(const Outcome& outcome) {
    return QJsonDocument::fromJson(outcome.out).object();
}

// "path|reason" for every unreadable input of a JSON result.
QStringList Unreadable(const QJsonObject& json) {
    QStringList entries;
    for (const QJsonValue entry : json[QStringLiteral("unreadable")].toArray()) {
        entries << QFileInfo(entry[QStringLiteral("path")].toString()).fileName() + u'|' +
                       entry[QStringLiteral("reason")].toString();
    }
    return entries;
}

// True once the process catches the signal (its handler is in place): a signal sent before that
// would end it the default way.
bool Catches(qint64 pid, int signal) {
    for (const QByteArray& line : ReadAll(QStringLiteral("/proc/%1/status").arg(pid)).split('\n')) {
        if (line.startsWith("SigCgt:")) {
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1U;
        }
    }
    return false;
}

QByteArray Checksum(const QString& path) {
    return QCryptographicHash::hash(ReadAll(path), QCryptographicHash::Sha256);
}

// The run folders the command line left in the temporary folder.
QStringList RunFolders(const IsolatedEnvironment& env) {
    return QDir(env.Private()).entryList({QStringLiteral("cli-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
}

// Mounts a small tmpfs on folder for as long as it lives.
struct SmallDisk {
    SmallDisk(const QString& folder, const QByteArray& size) : path(QFile::encodeName(folder)) {
        QDir().mkpath(folder);
        mounted = ::mount("tmpfs", path.constData(), "tmpfs", 0, ("size=" + size).constData()) == 0;
    }
    ~SmallDisk() {
        if (mounted) {
            ::umount2(path.constData(), MNT_DETACH);
        }
    }
    QByteArray path;
    bool mounted = false;
};

// A workbook being built: a folder for it in the temporary folder, or a hidden file beside the output.
bool BuildingWorkbook(const IsolatedEnvironment& env, const QString& outputFolder) {
    return !QDir(env.Private()).entryList({QStringLiteral("workbook-*")}, QDir::Dirs).isEmpty() ||
           !QDir(outputFolder).entryList({QStringLiteral(".lexitally-*")}, QDir::Files | QDir::Hidden).isEmpty();
}

const QString kWords = QStringLiteral("Four score and seven years ago our fathers brought forth");

} // namespace

class CliSafetyTest : public QObject {
    Q_OBJECT

private slots:
    // Every file given ends up counted or named with a true reason; a conversion that fails,
    // crashes or cannot start is never counted.
    void unusableInputs_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("converter"); // script body; "" for the real pdftotext
        QTest::addColumn<QString>("reason");       // of bad.pdf
        QTest::addColumn<int>("exitCode");
        QTest::newRow("missing file") << "missing" << QByteArray() << "  - not found" << 4;
        QTest::newRow("FIFO named like a PDF, nothing written into it")
            << "fifo" << QByteArray() << "  - nothing was read (empty)" << 0;
        QTest::newRow("name that is not UTF-8")
            << "bytes" << QByteArray() << "  - the file name is not valid UTF-8: rename the file and add it again" << 4;
        QTest::newRow("converter crashes after writing a little")
            << "good" << QByteArray("yes word | head -c 300\nkill -SEGV $$\n")
            << "  - the converter crashed (signal 11)" << 3;
        QTest::newRow("converter fails after writing") << "good" << QByteArray("echo some words\nexit 5\n")
                                                       << "  - the conversion failed (converter exit status 5)" << 1;
        QTest::newRow("converter cannot write its output")
            << "good" << QByteArray("exit 2\n") << "  - the converted text could not be written to the temporary folder"
            << 3;
    }
    void unusableInputs() {
        QFETCH(QString, kind);
        QFETCH(QByteArray, converter);
        QFETCH(QString, reason);
        QFETCH(int, exitCode);
        IsolatedEnvironment env;
        QVERIFY(!MakeTextPdf(env.Work() + QStringLiteral("/good.pdf"), {kWords}).isEmpty());
        QString bad = env.Work() + QStringLiteral("/bad.pdf");
        QProcess writer;
        if (kind == QStringLiteral("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(bad).constData(), 0600), 0);
            writer.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral(": > \"$0\""), bad});
        } else if (kind == QStringLiteral("good")) {
            QVERIFY(QFile::copy(env.Work() + QStringLiteral("/good.pdf"), bad));
        } else if (kind == QStringLiteral("bytes")) {
            // A Latin-1 name, created through the shell, which passes the bytes through; the
            // folder scan finds it.
            QVERIFY(QDir().mkpath(env.Work() + QStringLiteral("/scan")));
            QCOMPARE(QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"),
                                                              QStringLiteral("cp \"$0/good.pdf\" \"$0/scan/caf$(printf "
                                                                             "'\\351').pdf\""),
                                                              env.Work()}),
                     0);
            bad = env.Work() + QStringLiteral("/scan");
        }
        if (!converter.isEmpty()) {
            env.Set("LEXITALLY_PDFTOTEXT", FakeConverter(env, converter));
        }
        const QByteArray before = Checksum(env.Work() + QStringLiteral("/good.pdf"));
        QElapsedTimer timer;
        timer.start();
        const QStringList arguments{"--format", "json", "--per-file", "good.pdf", bad};
        const Outcome outcome = RunCli(arguments, env.Work());
        QVERIFY2(timer.elapsed() < 60000, "the run must not hang");
        QCOMPARE(outcome.exitCode, exitCode);
        const QJsonObject json = Json(outcome);
        const QStringList unreadable = Unreadable(json);
        // A converter that fails fails for both files.
        QVERIFY2(unreadable.filter(QStringLiteral("|") + reason).size() == (converter.isEmpty() ? 1 : 2),
                 qPrintable(unreadable.join(u'\n')));
        if (converter.isEmpty()) {
            QCOMPARE(unreadable.size(), 1);
            QVERIFY(!json[QStringLiteral("rows")].toArray().isEmpty());
        }
        if (kind == QStringLiteral("bytes")) {
            // A script can name the file again by the bytes the JSON gives.
            const QJsonObject entry = json[QStringLiteral("unreadable")].toArray().first().toObject();
            const QByteArray name = QByteArray::fromBase64(entry[QStringLiteral("path_bytes")].toString().toLatin1());
            QVERIFY(name.endsWith("/scan/caf\xe9.pdf"));
            QCOMPARE(::access(name.constData(), R_OK), 0);
        }
        QCOMPARE(Checksum(env.Work() + QStringLiteral("/good.pdf")), before);
        QCOMPARE(RunFolders(env), QStringList());
    }

    // Every file a run or a merge reads is refused as its output, however it is spelled:
    // exit status 2, and no file changed.
    void outputIsInput_data() {
        QTest::addColumn<QStringList>("arguments"); // ABS stands for the work folder
        QTest::newRow("the PDF") << QStringList{"-o", "self.pdf", "self.pdf"};
        QTest::newRow("./ spelling") << QStringList{"-o", "./self.pdf", "self.pdf"};
        QTest::newRow("absolute path") << QStringList{"-o", "ABS/self.pdf", "self.pdf"};
        QTest::newRow("dir/.. spelling") << QStringList{"-o", "docs/../self.pdf", "self.pdf"};
        QTest::newRow("symbolic link") << QStringList{"-o", "alias.pdf", "self.pdf"};
        QTest::newRow("hard link") << QStringList{"-o", "hard.pdf", "self.pdf"};
        QTest::newRow("workbook over the PDF") << QStringList{"--format", "xlsx", "-o", "self.pdf", "self.pdf"};
        QTest::newRow("a PDF of the folder") << QStringList{"-o", "docs/x.pdf", "docs/"};
        QTest::newRow("common words") << QStringList{"--stop-words", "my.txt", "-o", "my.txt", "self.pdf"};
        QTest::newRow("common words, workbook, -oFILE")
            << QStringList{"--stop-words=my.txt", "--format=xlsx", "-omy.txt", "self.pdf"};
        QTest::newRow("a text") << QStringList{"--text", "--output=my.txt", "my.txt"};
        QTest::newRow("merge part") << QStringList{"merge", "-o", "p1.json", "p1.json", "p2.json"};
        QTest::newRow("merge part, workbook")
            << QStringList{"merge", "--format", "xlsx", "-o", "p2.json", "p1.json", "p2.json"};
        QTest::newRow("merge part through a link") << QStringList{"merge", "-o", "link.json", "p1.json", "p2.json"};
    }
    void outputIsInput() {
        QFETCH(QStringList, arguments);
        IsolatedEnvironment env;
        const QString pdf = MakeTextPdf(env.Work() + QStringLiteral("/self.pdf"), {kWords});
        QVERIFY(QDir().mkpath(env.Work() + QStringLiteral("/docs")));
        QVERIFY(QFile::copy(pdf, env.Work() + QStringLiteral("/docs/x.pdf")));
        QVERIFY(QFile::link(pdf, env.Work() + QStringLiteral("/alias.pdf")));
        QCOMPARE(::link(QFile::encodeName(pdf).constData(), QFile::encodeName(env.Work() + "/hard.pdf").constData()),
                 0);
        WriteTextFile(env.Work() + QStringLiteral("/my.txt"), "score\nyears\n");
        for (const QString& part : {QStringLiteral("p1"), QStringLiteral("p2")}) {
            const Outcome made = RunCli({"--format", "json", "-o", part + ".json", "self.pdf"}, env.Work());
            QCOMPARE(made.exitCode, 0);
        }
        QVERIFY(QFile::link(env.Work() + QStringLiteral("/p1.json"), env.Work() + QStringLiteral("/link.json")));
        const QStringList files{"self.pdf", "docs/x.pdf", "my.txt", "p1.json", "p2.json"};
        QList<QByteArray> before;
        for (const QString& file : files) {
            before << Checksum(env.Work() + u'/' + file);
        }
        arguments.replaceInStrings(QStringLiteral("ABS"), env.Work());
        const Outcome outcome = RunCli(arguments, env.Work());
        QCOMPARE(outcome.exitCode, 2);
        QCOMPARE(outcome.out, QByteArray());
        QVERIFY2(outcome.err.contains("is one of the inputs"), outcome.err.constData());
        QCOMPARE(outcome.err.count('\n'), 1);
        for (qsizetype i = 0; i < files.size(); ++i) {
            QCOMPARE(Checksum(env.Work() + u'/' + files[i]), before[i]);
        }
        QVERIFY(QFileInfo(env.Work() + QStringLiteral("/alias.pdf")).isSymLink());
        QCOMPARE(QDir(env.Work()).entryList(QDir::Hidden | QDir::Files).filter(QStringLiteral(".lexitally")),
                 QStringList());
    }

    // A FIFO or a device is written into and stays what it is; "-" is standard output.
    void outputTargets() {
        IsolatedEnvironment env;
        const QString pdf = MakeTextPdf(env.Work() + QStringLiteral("/self.pdf"), {kWords});

        // A FIFO: a reader takes the result, and the FIFO is still a FIFO afterwards.
        const QString fifo = env.Work() + QStringLiteral("/out.fifo");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QProcess reader;
        reader.start(QStringLiteral("cat"), {fifo});
        QVERIFY(reader.waitForStarted());
        const Outcome outcome = RunCli({"-o", fifo, "self.pdf"}, env.Work());
        QVERIFY(reader.waitForFinished());
        QCOMPARE(outcome.exitCode, 0);
        QVERIFY(reader.readAllStandardOutput().startsWith(" Words\tCount\n"));
        struct stat info {};
        QCOMPARE(::lstat(QFile::encodeName(fifo).constData(), &info), 0);
        QVERIFY(S_ISFIFO(info.st_mode));

        // "-" is standard output.
        const Outcome dash = RunCli({"-o", "-", "self.pdf"}, env.Work());
        QCOMPARE(dash.exitCode, 0);
        QVERIFY(dash.out.startsWith(" Words\tCount\n"));
        QVERIFY(!QFileInfo::exists(env.Work() + QStringLiteral("/-")));
    }

    // A signal ends the run at once: the converter is ended, the run's folder removed, nothing
    // written, and the exit status tells which signal it was.
    // A signal ends a run, a corpus command, or the wait for the common words of a FIFO that
    // no one writes: 128 + the signal, no output, the work folder removed, no converter left.
    void interruptions_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("converting"); // stopped while the converter runs
        const QStringList run{"-o", "result.tsv", "slow.pdf", "slow.pdf"};
        QTest::newRow("SIGINT") << SIGINT << run << true;
        QTest::newRow("SIGTERM") << SIGTERM << run << true;
        QTest::newRow("concordance, SIGINT")
            << SIGINT << QStringList{"concordance", "-o", "result.tsv", "seven", "slow.pdf", "slow.pdf"} << true;
        QTest::newRow("phrases, SIGTERM") << SIGTERM << QStringList{"phrases", "-o", "result.tsv", "slow.pdf"} << true;
        QTest::newRow("common words from a FIFO, SIGTERM")
            << SIGTERM << QStringList{"--stop-words", "words.fifo", "-o", "result.tsv", "slow.pdf"} << false;
    }
    void interruptions() {
        QFETCH(int, signal);
        QFETCH(QStringList, arguments);
        QFETCH(bool, converting);
        IsolatedEnvironment env;
        const QString pdf = MakeTextPdf(env.Work() + QStringLiteral("/slow.pdf"), {kWords});
        const QString pidFile = env.Work() + QStringLiteral("/converter.pid");
        QCOMPARE(::mkfifo(QFile::encodeName(env.Work() + QStringLiteral("/words.fifo")).constData(), 0600), 0);
        env.Set("LEXITALLY_PDFTOTEXT", FakeConverter(env, "echo $$ > '" + pidFile.toUtf8() +
                                                              "'\necho words\n"
                                                              "exec sleep 60\n"));
        QProcess cli;
        cli.setWorkingDirectory(env.Work());
        cli.start(TestBinDir() + QStringLiteral("/lexitally-cli"), arguments);
        QVERIFY(cli.waitForStarted());
        pid_t converter = 0;
        if (converting) {
            QTRY_VERIFY_WITH_TIMEOUT(!ReadAll(pidFile).isEmpty(), 30000);
            QTRY_COMPARE_WITH_TIMEOUT(RunFolders(env).size(), 1, 10000);
            converter = ReadAll(pidFile).trimmed().toInt();
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(Catches(cli.processId(), signal), 30000);
            QTest::qWait(300);
        }
        ::kill(static_cast<pid_t>(cli.processId()), signal);
        QVERIFY(cli.waitForFinished(10000));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 128 + signal);
        QCOMPARE(cli.readAllStandardOutput(), QByteArray());
        QVERIFY(!QFileInfo::exists(env.Work() + QStringLiteral("/result.tsv")));
        QCOMPARE(RunFolders(env), QStringList());
        QTRY_VERIFY_WITH_TIMEOUT(converter == 0 || ::kill(converter, 0) != 0, 5000); // no orphaned converter
    }

    // Memory the system refuses ends any command with exit status 3 and a message, never a crash;
    // a list of common words without end is refused.
    void memoryRefused_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("limit"); // KiB of address space
        QTest::addColumn<int>("exitCode");
        QTest::newRow("text method") << QStringList{"--method", "text", "--format", "json", "--text", "many.txt"}
                                     << 80000 << 3;
        QTest::newRow("database method") << QStringList{"--format", "json", "--text", "many.txt"} << 80000 << 3;
        QTest::newRow("endless common words")
            << QStringList{"--stop-words", "/dev/zero", "--text", "many.txt"} << 200000 << 2;
    }
    void memoryRefused() {
        QFETCH(QStringList, arguments);
        QFETCH(int, limit);
        QFETCH(int, exitCode);
        if (!AddressSpaceLimitsWork()) {
            QSKIP("the sanitizers reserve more address space than the limit");
        }
        IsolatedEnvironment env;
        QByteArray many;
        for (int i = 0; i < 500000; ++i) {
            const QByteArray word = QByteArray::number(i, 26).replace('0', 'z');
            for (const char c : word) {
                many += static_cast<char>(c <= '9' ? 'q' + (c - '0') : c);
            }
            many += ' ';
        }
        WriteTextFile(env.Work() + QStringLiteral("/many.txt"), many);
        QProcess limited;
        limited.setWorkingDirectory(env.Work());
        limited.start(QStringLiteral("bash"), QStringList{"-c", "ulimit -v " + QString::number(limit) + "; exec \"$@\"",
                                                          "bash", TestBinDir() + QStringLiteral("/lexitally-cli")} +
                                                  arguments);
        QVERIFY(limited.waitForFinished(60000));
        QCOMPARE(limited.exitStatus(), QProcess::NormalExit);
        QCOMPARE(limited.exitCode(), exitCode);
        QVERIFY(!limited.readAllStandardError().isEmpty());
        // What a program ended for want of memory left is removed by the next one.
        WriteTextFile(env.Work() + QStringLiteral("/few.txt"), "a few words");
        QCOMPARE(RunCli({"--text", "few.txt"}, env.Work()).exitCode, 0);
        QCOMPARE(RunFolders(env), QStringList());
    }

    // A signal while the output is written, or while a FIFO waits for its other end, ends the
    // program at once: 128 + the signal, nothing put in place, the run's folder removed.
    void interruptedOutput_data() {
        QTest::addColumn<QString>("phase");
        QTest::addColumn<int>("signal");
        for (const char* phase : {"writing a workbook", "output FIFO without a reader", "text FIFO without a writer"}) {
            QTest::addRow("%s, SIGINT", phase) << QString::fromLatin1(phase) << SIGINT;
            QTest::addRow("%s, SIGTERM", phase) << QString::fromLatin1(phase) << SIGTERM;
        }
    }
    void interruptedOutput() {
        QFETCH(QString, phase);
        QFETCH(int, signal);
        IsolatedEnvironment env;
        const QString fifo = env.Work() + QStringLiteral("/x.fifo");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(QDir().mkpath(env.Work() + QStringLiteral("/out")));
        QStringList arguments{"--text", "--quiet"};
        if (phase == QStringLiteral("writing a workbook")) {
            // 250,000 distinct words: a workbook that takes a while to write.
            QByteArray words;
            for (int i = 0; i < 250'000; ++i) {
                for (int n = i;; n /= 26) {
                    words += static_cast<char>('a' + n % 26);
                    if (n < 26) {
                        break;
                    }
                }
                words += i % 10 == 9 ? '\n' : ' ';
            }
            WriteTextFile(env.Work() + QStringLiteral("/words.txt"), words);
            arguments << "--format"
                      << "xlsx"
                      << "-o"
                      << "out/result.xlsx"
                      << "words.txt";
        } else if (phase == QStringLiteral("output FIFO without a reader")) {
            WriteTextFile(env.Work() + QStringLiteral("/words.txt"), "some words\n");
            arguments << "-o" << fifo << "words.txt";
        } else {
            arguments << fifo;
        }
        QProcess cli;
        cli.setWorkingDirectory(env.Work());
        cli.start(TestBinDir() + QStringLiteral("/lexitally-cli"), arguments);
        QVERIFY(cli.waitForStarted());
        if (phase == QStringLiteral("writing a workbook")) {
            QTRY_VERIFY_WITH_TIMEOUT(BuildingWorkbook(env, env.Work() + QStringLiteral("/out")), 60000);
        } else if (phase == QStringLiteral("output FIFO without a reader")) {
            QTRY_VERIFY_WITH_TIMEOUT(Catches(cli.processId(), signal), 30000);
            QTest::qWait(1000); // counted and waiting for a reader
            QCOMPARE(cli.state(), QProcess::Running);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(RunFolders(env).size(), 1, 10000);
            QTest::qWait(300);
        }
        ::kill(static_cast<pid_t>(cli.processId()), signal);
        QVERIFY(cli.waitForFinished(10000));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 128 + signal);
        QCOMPARE(cli.readAllStandardOutput(), QByteArray());
        QVERIFY(cli.readAllStandardError().contains("nothing was written"));
        QCOMPARE(QDir(env.Work() + QStringLiteral("/out")).entryList(QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(RunFolders(env), QStringList());
        struct stat info {};
        QCOMPARE(::lstat(QFile::encodeName(fifo).constData(), &info), 0);
        QVERIFY(S_ISFIFO(info.st_mode));
    }

    // Folders of runs whose process is gone are removed at the next start; others stay.
    void abandonedRunFolders() {
        IsolatedEnvironment env;
        QDir().mkpath(env.Private());
        const QString dead = env.Private() + QStringLiteral("/cli-999999999-abcdef");
        const QString alive =
            env.Private() + QStringLiteral("/run-") + QString::number(QCoreApplication::applicationPid()) + "-ghijkl";
        WriteTextFile(dead + QStringLiteral("/text/partial.txt"), "half a text");
        QVERIFY(QDir().mkpath(alive));
        WriteTextFile(env.Work() + QStringLiteral("/one.txt"), "one");
        QCOMPARE(RunCli({"--text", "one.txt"}, env.Work()).exitCode, 0);
        QVERIFY(!QFileInfo::exists(dead));
        QVERIFY(QFileInfo(alive).isDir());
    }

    // The password may come from standard input or the environment instead of the command line.
    void passwordSources_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<int>("exitCode"); // 0: counted, 1: not counted, 2: refused
        QTest::newRow("--password") << QStringList{"--password", "s3cret"} << QByteArray() << QString() << 0;
        QTest::newRow("--password-stdin")
            << QStringList{"--password-stdin"} << QByteArray("s3cret\n") << QString() << 0;
        QTest::newRow("--password-stdin, CR LF, no more lines read")
            << QStringList{"--password-stdin"} << QByteArray("s3cret\r\nnext\n") << QString() << 0;
        QTest::newRow("LEXITALLY_PASSWORD") << QStringList() << QByteArray() << "s3cret" << 0;
        QTest::newRow("none") << QStringList() << QByteArray() << QString() << 1;
        QTest::newRow("wrong one on standard input")
            << QStringList{"--password-stdin"} << QByteArray("guess\n") << QString() << 1;
        QTest::newRow("empty standard input") << QStringList{"--password-stdin"} << QByteArray() << QString() << 2;
        QTest::newRow("an empty line") << QStringList{"--password-stdin"} << QByteArray("\n") << QString() << 2;
        QTest::newRow("a line of 5,000,000 bytes")
            << QStringList{"--password-stdin"} << QByteArray(5'000'000, 'x') + '\n'
            << QString() << 2;
    }
    void passwordSources() {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(QString, environment);
        QFETCH(int, exitCode);
        IsolatedEnvironment env;
        const QString plain = MakeTextPdf(env.Work() + QStringLiteral("/plain.pdf"), {kWords});
        QVERIFY(EncryptPdf(plain, env.Work() + QStringLiteral("/locked.pdf"), QStringLiteral("s3cret"),
                           QStringLiteral("owner")));
        env.Set("LEXITALLY_PASSWORD", environment);
        const Outcome outcome = RunCli(arguments + QStringList{"--format", "json", "locked.pdf"}, env.Work(), input);
        QCOMPARE(outcome.exitCode, exitCode);
        if (exitCode == 2) {
            QCOMPARE(outcome.out, QByteArray());
            QVERIFY2(outcome.err.startsWith("lexitally-cli: --password-stdin: "), outcome.err.constData());
            QCOMPARE(outcome.err.count('\n'), 1);
        } else {
            QCOMPARE(Json(outcome)[QStringLiteral("rows")].toArray().isEmpty(), exitCode != 0);
        }
    }

    // Folders that cannot be searched and PATHs that cannot be read are named with their
    // reasons, everything else is counted, and exit status 4 tells a script so. Run as nobody,
    // whom permissions bind.
    void unreadablePaths_data() {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QStringList>("unreadable"); // name|reason
        QTest::addColumn<int>("exitCode");
        const QString denied = QStringLiteral("  - the folder could not be opened: permission denied");
        QTest::newRow("a closed folder named")
            << QStringList{"good.pdf", "closed"} << QStringList{"closed|" + denied} << 4;
        QTest::newRow("a closed folder below a named one")
            << QStringList{"tree"} << QStringList{"closed|" + denied} << 4;
        QTest::newRow("a folder that can be listed but not entered")
            << QStringList{"tree2"} << QStringList{"listonly|" + denied} << 4;
        QTest::newRow("a missing PATH") << QStringList{"good.pdf", "typo.pdf"} << QStringList{"typo.pdf|  - not found"}
                                        << 4;
        QTest::newRow("a PATH that cannot be read")
            << QStringList{"good.pdf", "private.pdf"}
            << QStringList{"private.pdf|  - cannot be read: permission denied"} << 4;
        QTest::newRow("a file that cannot be read in a named folder")
            << QStringList{"tree3"} << QStringList{"private.pdf|  - cannot be read: permission denied"} << 4;
        QTest::newRow("a scanned PDF is no error of the invocation")
            << QStringList{"good.pdf", "scan.pdf"}
            << QStringList{"scan.pdf|  - text unreadable. Please view the file yourself to see if it is really a "
                           "scanned image of text and not proper PDF text."}
            << 0;
    }
    void unreadablePaths() {
        QFETCH(QStringList, paths);
        QFETCH(QStringList, unreadable);
        QFETCH(int, exitCode);
        if (!IsRoot()) {
            QSKIP("permissions are tested as nobody, which needs the super-user");
        }
        IsolatedEnvironment env;
        const QString pdf = MakeTextPdf(env.Work() + QStringLiteral("/good.pdf"), {kWords});
        QVERIFY(!MakeImagePdf(env.Work() + QStringLiteral("/scan.pdf")).isEmpty());
        for (const char* copy : {"closed/in.pdf", "tree/open/in.pdf", "tree/closed/in.pdf", "private.pdf",
                                 "tree2/listonly/in.pdf", "tree2/in.pdf", "tree3/in.pdf", "tree3/private.pdf"}) {
            QDir().mkpath(QFileInfo(env.Work() + u'/' + copy).path());
            QVERIFY(QFile::copy(pdf, env.Work() + u'/' + copy));
        }
        QCOMPARE(QProcess::execute(QStringLiteral("chown"), {"-R", "nobody:", env.Root()}), 0);
        const QString cli = TestBinDir() + QStringLiteral("/lexitally-cli");
        if (QProcess::execute(QStringLiteral("runuser"), {"-u", "nobody", "--", "test", "-x", cli}) != 0) {
            QSKIP("nobody cannot run the program here");
        }
        for (const char* closed : {"closed", "tree/closed", "private.pdf", "tree2/listonly", "tree3/private.pdf"}) {
            const QString path = env.Work() + u'/' + closed;
            QCOMPARE(QProcess::execute(QStringLiteral("chown"), {"root:", path}), 0);
            QVERIFY(QFile::setPermissions(
                path, closed == QStringLiteral("tree2/listonly")
                          ? QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther
                          : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
        }
        const Outcome outcome = RunCliAs(QStringLiteral("nobody"), QStringList{"--format", "json"} + paths, env.Work());
        QCOMPARE(outcome.exitCode, exitCode);
        const QJsonObject json = Json(outcome);
        QCOMPARE(Unreadable(json), unreadable);
        QVERIFY(!json[QStringLiteral("rows")].toArray().isEmpty()); // the others are counted
        QCOMPARE(outcome.err.count('\n'), unreadable.size());       // each named on standard error too
    }

    // File names that hold escape sequences reach a terminal escaped; in JSON they stay as they are.
    void controlCharactersOnATerminal() {
        IsolatedEnvironment env;
        const QString name = QStringLiteral("x\x1b]0;PWNED\x07\x1b[2J\x9b.pdf");
        WriteTextFile(env.Work() + u'/' + name, "not a PDF");
        QProcess script;
        script.setWorkingDirectory(env.Work());
        // script gives the program a terminal; its log stays in the test's folder.
        script.start(QStringLiteral("script"),
                     {"-qec", TestBinDir() + QStringLiteral("/lexitally-cli --quiet ./x*.pdf"),
                      env.Work() + QStringLiteral("/typescript")});
        QVERIFY(script.waitForFinished(60000));
        const QByteArray shown = script.readAllStandardOutput();
        QVERIFY2(shown.contains("x\\x1b]0;PWNED\\x07\\x1b[2J\\x9b.pdf: password protected"), shown.constData());
        QVERIFY(!shown.contains('\x1b'));
        QVERIFY(!shown.contains('\x07'));
        const Outcome json = RunCli({"--format", "json", name}, env.Work());
        QCOMPARE(json.exitCode, 1);
        QCOMPARE(Unreadable(Json(json)), QStringList{name + "|  - password protected or text is protexted."});
    }

    // Converting on several processors changes nothing but the time: the same JSON, byte for
    // byte, as converting one file after another, in every mode, case and method.
    void parallelEqualsSequential_data() {
        QTest::addColumn<QStringList>("options");
        for (const char* method : {"db", "text"}) {
            for (const bool perFile : {false, true}) {
                for (const bool sensitive : {false, true}) {
                    QStringList options{"--method", QString::fromLatin1(method)};
                    if (perFile) {
                        options << "--per-file";
                    }
                    if (sensitive) {
                        options << "--case-sensitive";
                    }
                    QTest::addRow("%s", qPrintable(options.join(u' '))) << options;
                }
            }
        }
    }
    void parallelEqualsSequential() {
        QFETCH(QStringList, options);
        IsolatedEnvironment env;
        QStringList files;
        for (int i = 0; i < 6; ++i) {
            const QString name = QStringLiteral("doc%1.pdf").arg(i);
            QStringList pages;
            for (int page = 0; page <= i % 3; ++page) {
                pages << kWords.repeated(i + 1) + QStringLiteral("\nThe ") + QString::number(i) +
                             QStringLiteral(" the THE");
            }
            QVERIFY(!MakeTextPdf(env.Work() + u'/' + name, pages).isEmpty());
            files << name;
        }
        QVERIFY(!MakeImagePdf(env.Work() + QStringLiteral("/scan.pdf")).isEmpty());
        files.insert(2, QStringLiteral("scan.pdf"));
        files.insert(4, QStringLiteral("missing.pdf"));
        // A file listed twice, side by side: its conversions must not write one text at once.
        files << QStringLiteral("doc1.pdf") << QStringLiteral("doc1.pdf");
        const QStringList common = options + QStringList{"--format", "json"} + files;
        const Outcome sequential = RunCli(QStringList{"--jobs", "1"} + common, env.Work());
        QCOMPARE(sequential.exitCode, 4); // missing.pdf
        QCOMPARE(Unreadable(Json(sequential)).size(), 2);
        for (const char* jobs : {"2", "4"}) {
            const Outcome parallel = RunCli(QStringList{"--jobs", QString::fromLatin1(jobs)} + common, env.Work());
            QCOMPARE(parallel.exitCode, 4);
            QCOMPARE(parallel.out, sequential.out);
        }
    }

    // A full temporary folder never passes for success: a cut conversion is named (exit status 3).
    void fullTemporaryFolder() {
        if (!IsRoot()) {
            QSKIP("mounting a small file system needs the super-user");
        }
        IsolatedEnvironment env;
        QStringList pages;
        for (int page = 0; page < 60; ++page) {
            pages << QString(40, u'x').replace(u'x', kWords + u'\n');
        }
        QVERIFY(!MakeTextPdf(env.Work() + QStringLiteral("/long.pdf"), pages, kSansFont, 8).isEmpty());
        const SmallDisk disk(env.Root() + QStringLiteral("/small"), "64k");
        if (!disk.mounted) {
            QSKIP("no tmpfs could be mounted here");
        }
        env.Set("TEMP", env.Root() + QStringLiteral("/small"));
        const Outcome cut = RunCli({"--format", "json", "--per-file", "long.pdf"}, env.Work());
        QCOMPARE(cut.exitCode, 3);
        QVERIFY2(cut.err.startsWith("lexitally-cli: long.pdf: the converted text could not be written completely: "
                                    "the temporary folder is full\n"),
                 cut.err.constData());
        QCOMPARE(Unreadable(Json(cut)),
                 QStringList{"long.pdf|  - the converted text could not be written completely: the temporary folder "
                             "is full"});

        // A text that fits once is counted whole: the count writes no second copy of it.
        WriteTextFile(env.Work() + QStringLiteral("/big.txt"), QByteArray(40000, 'a') + ' ' + QByteArray(100, 'b'));
        const Outcome counted = RunCli({"--text", "--format", "json", "big.txt"}, env.Work());
        QCOMPARE(counted.exitCode, 0);
        QCOMPARE(Json(counted)[QStringLiteral("totals")][QStringLiteral("words")].toInt(), 2);
        QVERIFY2(counted.err.isEmpty(), counted.err.constData());
    }

    // Conversions side by side on a folder that fills up: the files that fit one after the other
    // in list order are counted whole, the others named, none counted short, whatever the number
    // of jobs and however long the conversions take; the results are incomplete (exit status 3).
    void fullTemporaryFolderSeveralJobs_data() {
        QTest::addColumn<QString>("jobs");
        QTest::addColumn<bool>("slow"); // each converter gives half its text, then the rest a second later
        QTest::newRow("one job") << "1" << false;
        QTest::newRow("two jobs") << "2" << false;
        QTest::newRow("six jobs") << "6" << false;
        QTest::newRow("six slow jobs") << "6" << true;
    }
    void fullTemporaryFolderSeveralJobs() {
        QFETCH(QString, jobs);
        QFETCH(bool, slow);
        if (!IsRoot()) {
            QSKIP("mounting a small file system needs the super-user");
        }
        IsolatedEnvironment env;
        // 45 pages of 40 lines of ten words: 18,000 words, about 100,000 bytes of text each.
        QStringList pages;
        for (int page = 0; page < 45; ++page) {
            pages << QString(40, u'x').replace(u'x', kWords + u'\n');
        }
        QStringList files;
        for (int i = 0; i < 6; ++i) {
            files << QStringLiteral("doc%1.pdf").arg(i);
            QVERIFY(!MakeTextPdf(env.Work() + u'/' + files.last(), pages, kSansFont, 8).isEmpty());
        }
        const SmallDisk disk(env.Root() + QStringLiteral("/small"), "256k");
        QVERIFY2(disk.mounted, "a tmpfs can be mounted by the super-user");
        env.Set("TEMP", env.Root() + QStringLiteral("/small"));
        if (slow) {
            const QByteArray text = QFile::encodeName(env.Work()) + "/text.$$";
            env.Set("LEXITALLY_PDFTOTEXT", FakeConverter(env, "pdftotext \"$@\" >" + text +
                                                                  " || exit\n"
                                                                  "head -c 50000 " +
                                                                  text +
                                                                  "; sleep 1\n"
                                                                  "tail -c +50001 " +
                                                                  text + "; rm " + text + "\n"));
        }
        const Outcome outcome =
            RunCli(QStringList{"--format", "json", "--per-file", "--jobs", jobs} + files, env.Work());
        const QJsonObject json = Json(outcome);
        QMap<QString, qint64> counted;
        for (const QJsonValue row : json[QStringLiteral("rows")].toArray()) {
            counted[QFileInfo(row[0].toString()).fileName()] += row[2].toInteger();
        }
        const QStringList unreadable = Unreadable(json);
        for (const QString& file : files) {
            if (counted.contains(file)) {
                QCOMPARE(counted[file], qint64(18000));
            } else {
                QVERIFY2(unreadable.contains(file + QStringLiteral("|  - the converted text could not be written "
                                                                   "completely: the temporary folder is full")),
                         qPrintable(unreadable.join(u'\n')));
            }
        }
        // 600,000 bytes of text do not fit in 256 KiB: some files are named, some counted.
        QVERIFY2(!unreadable.isEmpty() && !counted.isEmpty(), outcome.out.left(2000).constData());
        QCOMPARE(unreadable.size() + counted.size(), files.size());
        QCOMPARE(counted.keys(), files.mid(0, counted.size()));
        QCOMPARE(outcome.exitCode, 3);
    }

    // A private folder that was open to others holds nothing the program uses: it is emptied,
    // or refused when something in it cannot be removed. Run as nobody, the files planted by
    // another user (here the super-user).
    void privateFolderOpenToOthers_data() {
        QTest::addColumn<bool>("removable");
        QTest::newRow("planted files are removed") << true;
        QTest::newRow("a planted folder that cannot be emptied") << false;
    }
    void privateFolderOpenToOthers() {
        QFETCH(bool, removable);
        if (!IsRoot()) {
            QSKIP("planting files of another user needs the super-user");
        }
        IsolatedEnvironment env;
        WriteTextFile(env.Work() + QStringLiteral("/words.txt"), "planted words stay out\n");
        QCOMPARE(QProcess::execute(QStringLiteral("chown"), {"-R", "nobody:", env.Root()}), 0);
        const QString shared = env.Root() + QStringLiteral("/shared");
        QVERIFY(QDir().mkpath(shared));
        QCOMPARE(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
        const QString uid = QString::fromUtf8(RunText("id", {"-u", "nobody"}).trimmed());
        const QString folder = shared + QStringLiteral("/lexitally-") + uid;
        QVERIFY(QDir().mkpath(folder));
        QCOMPARE(QProcess::execute(QStringLiteral("chown"), {"nobody:", folder}), 0);
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
        const QString marker = env.Root() + QStringLiteral("/planted-ran");
        WriteTextFile(folder + QStringLiteral("/pdftotext"), "#!/bin/sh\ntouch '" + marker.toUtf8() + "'\n");
        QVERIFY(QFile::link(QStringLiteral("/etc/passwd"), folder + QStringLiteral("/temp_total.text")));
        if (!removable) {
            WriteTextFile(folder + QStringLiteral("/cache-planted/old.txt"), "planted\n");
        }
        env.Set("TEMP", shared);
        const Outcome outcome = RunCliAs(QStringLiteral("nobody"), {"--text", "words.txt"}, env.Work());
        const QFileDevice::Permissions othersWrite = QFileDevice::WriteGroup | QFileDevice::WriteOther;
        if (removable) {
            QCOMPARE(QFileInfo(folder).permissions() & othersWrite, QFileDevice::Permissions());
            QCOMPARE(outcome.exitCode, 0);
            QVERIFY2(outcome.out.contains("planted\t1"), outcome.out.constData());
            QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
                     QStringList());
            QVERIFY(QFileInfo(QStringLiteral("/etc/passwd")).isFile());
        } else {
            QCOMPARE(outcome.exitCode, 1);
            QVERIFY2(outcome.err.contains("was open to other users"), outcome.err.constData());
            QCOMPARE(outcome.out, QByteArray());
            // Still refused next time: it stays as it was found.
            QCOMPARE(QFileInfo(folder).permissions() & othersWrite, othersWrite);
        }
        QVERIFY(!QFileInfo::exists(marker));
    }

    // Parts that do not add up are refused (exit status 2) with the part's name and what is
    // wrong; a part from a run that failed is merged, its error reports carried under its name,
    // with exit status 3. The first part is a real run's over "apple apple pear".
    void hostileMergeParts_data() {
        QTest::addColumn<QStringList>("first");  // options of the first part's run
        QTest::addColumn<QStringList>("second"); // options of the second part's run, or
        QTest::addColumn<QByteArray>("part");    // the second part's bytes when there are none
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QByteArray head = R"({"mode":"all","method":"db","ignore_case":true,)";
        const QByteArray totals = R"("totals":{"words":1,"lines":0,"chars_with_spaces":4,"chars_without_spaces":4},)";
        const QByteArray columns = R"("columns":[" Words","Count"],)";
        const QByteArray rows = R"("rows":[["plum","1"]],)";
        const QByteArray tail = R"("unreadable":[],"errors":[]})";
        const auto part = [&](const QByteArray& replaced, const QByteArray& by) {
            QByteArray bytes = head + totals + columns + rows + tail;
            return replaced.isEmpty() ? bytes : bytes.replace(replaced, by);
        };
        const QStringList none;
        const QString alike = QStringLiteral("the parts must be counted alike");
        const QString notWord = QStringLiteral("second.json: row 1 is not a word with its count");
        const QByteArray largest = "9223372036854775807";

        QTest::newRow("written before the letters were recorded: ascii")
            << none << none << part({}, {}) << 0 << QString();
        QTest::newRow("written before the common words were recorded")
            << QStringList{"--stop-words", "english"} << none << part(totals, totals + R"("stopped_words":0,)") << 2
            << "common words of an unrecorded list left out";
        QTest::newRow("words overflow") << none << none << part(R"("words":1)", R"("words":)" + largest) << 2
                                        << "cannot merge second.json: the word count would exceed 9223372036854775807";
        QTest::newRow("characters overflow")
            << none << none << part(R"("chars_with_spaces":4)", R"("chars_with_spaces":)" + largest) << 2
            << "cannot merge second.json: the character count with spaces would exceed";
        QTest::newRow("lines overflow") << none << none << part(R"("lines":0)", R"("lines":)" + largest) << 2
                                        << "cannot merge second.json: the line count would exceed";
        QTest::newRow("a count overflows")
            << QStringList{"--method", "text"} << none
            << part(R"(["plum","1"])", R"(["apple",")" + largest + R"("])").replace(R"("db")", R"("text")") << 2
            << "cannot merge second.json: the count of apple would exceed 9223372036854775807";
        QTest::newRow("a count overflows, database groups")
            << none << none << part(R"(["plum","1"])", R"(["APPLE",")" + largest + R"("])") << 2
            << "cannot merge second.json: the count of APPLE would exceed";
        QTest::newRow("count beyond the largest")
            << none << none << part(R"(["plum","1"])", R"(["plum","9223372036854775808"])") << 2 << notWord;
        QTest::newRow("count zero") << none << none << part(R"(["plum","1"])", R"(["plum","0"])") << 2 << notWord;
        QTest::newRow("count with a sign")
            << none << none << part(R"(["plum","1"])", R"(["plum","+1"])") << 2 << notWord;
        QTest::newRow("laid out with blanks and line breaks, a letter escaped")
            << none << none << part(rows, "\"rows\" :\n  [\n    [ \"\\u0070lum\" ,\t\"1\" ]\r\n  ] ,\n") << 0
            << QString();
        QTest::newRow("a row cut short") << none << none << part(rows, R"("rows":[["plum","1"],)") << 2
                                         << "second.json: not JSON";
        QTest::newRow("count as a number") << none << none << part(R"(["plum","1"])", R"(["plum",1])") << 2 << notWord;
        const QByteArray format2 = R"({"format":2,)";
        QTest::newRow("format 2: counts as numbers")
            << none << none << part(R"(["plum","1"])", R"(["plum",1])").replace("{", format2) << 0 << QString();
        QTest::newRow("format 2: a count as text")
            << none << none << part({}, {}).replace("{", format2) << 2 << notWord;
        QTest::newRow("format 2: a count not whole")
            << none << none << part(R"(["plum","1"])", R"(["plum",1.5])").replace("{", format2) << 2 << notWord;
        QTest::newRow("format 2: a kind of unreadable input")
            << none << none
            << part(R"(["plum","1"])", R"(["plum",1])")
                   .replace("{", format2)
                   .replace(R"("unreadable":[])",
                            R"("unreadable":[{"path":"a.pdf","reason":"gone","kind":"not-found"}])")
            << 0 << QString();
        QTest::newRow("format unknown") << none << none << part(head, R"({"format":3,)" + head.mid(1)) << 2
                                        << "second.json: format 3 is not one this version reads";
        QTest::newRow("total not whole") << none << none << part(R"("words":1)", R"("words":1.5)") << 2
                                         << "second.json: totals.words is not a count";
        QTest::newRow("total negative") << none << none << part(R"("lines":0)", R"("lines":-1)") << 2
                                        << "second.json: totals.lines is not a count";
        QTest::newRow("no totals") << none << none << part(totals, {}) << 2 << "second.json: totals is missing";
        QTest::newRow("failed run") << none << none
                                    << part(R"("errors":[])", R"("errors":["Application Error: step 104"])") << 3
                                    << "from a run that failed: second.json: Application Error: step 104";
        QTest::newRow("errors not a list")
            << none << none << part(R"("errors":[])", R"("errors":"none")") << 2 << "second.json: errors is not a list";
        QTest::newRow("errors not texts") << none << none << part(R"("errors":[])", R"("errors":[104])") << 2
                                          << "second.json: errors holds something other than texts";
        QTest::newRow("no rows") << none << none << part(rows, {}) << 2 << "second.json: rows is not a list";
        QTest::newRow("rows an object") << none << none << part(rows, R"("rows":{},)") << 2
                                        << "second.json: rows is not a list";
        QTest::newRow("row of three cells")
            << none << none << part(R"(["plum","1"])", R"(["a.pdf","plum","1"])") << 2 << notWord;
        QTest::newRow("unreadable numbers") << none << none << part(R"("unreadable":[])", R"("unreadable":[1,2])") << 2
                                            << "second.json: unreadable entry 1 is not a path with its reason";
        QTest::newRow("unreadable without reason")
            << none << none << part(R"("unreadable":[])", R"("unreadable":[{"path":"a.pdf"}])") << 2
            << "second.json: unreadable entry 1 is not a path with its reason";
        QTest::newRow("unreadable without path")
            << none << none << part(R"("unreadable":[])", R"("unreadable":[{"path":"","reason":"gone"}])") << 2
            << "second.json: unreadable entry 1 is not a path with its reason";
        QTest::newRow("unreadable an object")
            << none << none << part(R"("unreadable":[])", R"("unreadable":{"a.pdf":"gone"})") << 2
            << "second.json: unreadable is not a list";
        QTest::newRow("no unreadable") << none << none << part(R"("unreadable":[],)", {}) << 2
                                       << "second.json: unreadable is not a list";
        QTest::newRow("other columns") << none << none << part(columns, R"("columns":["Word","Count"],)") << 2
                                       << "second.json: the columns are not those of mode all";
        QTest::newRow("unknown letters") << none << none << part(head, head + R"("letters":"latin",)") << 2
                                         << "second.json: letters is not ascii or all";
        QTest::newRow("ascii part with another letter")
            << none << none << part(R"(["plum","1"])", R"(["pflaume","1"],["naïve","1"])") << 2
            << "second.json: row 2 is not a word with its count";
        QTest::newRow("all letters: a digit")
            << QStringList{"--letters", "all"} << none
            << part(head, head + R"("letters":"all",)").replace(R"(["plum","1"])", R"(["pl2um","1"])") << 2 << notWord;
        QTest::newRow("all letters: a lone surrogate")
            << QStringList{"--letters", "all"} << none
            << part(head, head + R"("letters":"all",)").replace(R"(["plum","1"])", R"(["pl\ud800um","1"])") << 2
            << notWord;
        QTest::newRow("all letters: marks only")
            << QStringList{"--letters", "all"} << none
            << part(head, head + R"("letters":"all",)").replace(R"(["plum","1"])", R"(["\u0301\u0301","1"])") << 2
            << notWord;
        QTest::newRow("all letters: other scripts")
            << QStringList{"--letters", "all"} << none
            << part(head, head + R"("letters":"all",)").replace(R"(["plum","1"])", R"(["Ελλάδα","1"],["e\u0301","1"])")
            << 0 << QString();
        QTest::newRow("stop words without their count")
            << none << none << part(head, head + R"("stop_words":{"list":"english","sha256":"00"},)") << 2
            << "second.json: stop_words is not a list with its sha256";
        QTest::newRow("all letters with ascii")
            << none << QStringList{"--letters", "all"} << QByteArray() << 2
            << "(mode all, method db, letter case ignored, letters all, every word)";
        QTest::newRow("ascii with all letters")
            << QStringList{"--letters", "all"} << none << QByteArray() << 2 << alike;
        QTest::newRow("common words with every word")
            << none << QStringList{"--stop-words", "english"} << QByteArray() << 2 << "common words of english (";
        QTest::newRow("every word with common words")
            << QStringList{"--stop-words", "english"} << none << QByteArray() << 2 << alike;
        QTest::newRow("english with german") << QStringList{"--stop-words", "english"}
                                             << QStringList{"--stop-words", "german"} << QByteArray() << 2 << alike;
        QTest::newRow("english with english")
            << QStringList{"--stop-words", "english"} << QStringList{"--stop-words", "english"} << QByteArray() << 0
            << QString();
        QTest::newRow("the same words from a file of their own")
            << QStringList{"--stop-words", "english"} << QStringList{"--stop-words", "same-as-english.txt"}
            << QByteArray() << 0 << QString();
        QTest::newRow("one file in two per-file parts")
            << QStringList{"--per-file"} << QStringList{"--per-file"} << QByteArray() << 2
            << "cannot merge second.json: the file apples.txt was counted in first.json too";
    }

    void hostileMergeParts() {
        QFETCH(QStringList, first);
        QFETCH(QStringList, second);
        QFETCH(QByteArray, part);
        QFETCH(int, status);
        QFETCH(QString, message);
        IsolatedEnvironment env;
        WriteTextFile(env.Work() + QStringLiteral("/apples.txt"), "apple apple pear");
        // The english list's words in another order, with a comment and a blank line.
        QByteArray english = ReadAll(AppFolder() + QStringLiteral("/stopwords/english.txt"));
        QVERIFY(!english.isEmpty());
        QList<QByteArray> words = english.split('\n');
        std::reverse(words.begin(), words.end());
        WriteTextFile(env.Work() + QStringLiteral("/same-as-english.txt"), "# mine\n\n" + words.join('\n'));
        const Outcome made = RunCli(first + QStringList{"--text", "--format", "json", "apples.txt"}, env.Work());
        QCOMPARE(made.exitCode, 0);
        WriteTextFile(env.Work() + QStringLiteral("/first.json"), made.out);
        if (part.isEmpty()) {
            part = RunCli(second + QStringList{"--text", "--format", "json", "apples.txt"}, env.Work()).out;
        }
        WriteTextFile(env.Work() + QStringLiteral("/second.json"), part);
        const Outcome merged = RunCli({"merge", "first.json", "second.json"}, env.Work());
        QVERIFY2(merged.err.contains(message.toUtf8()), merged.err.constData());
        QCOMPARE(merged.exitCode, status);
        if (status == 2) {
            QCOMPARE(merged.out, QByteArray());
            QVERIFY2(merged.err.startsWith("lexitally-cli: merge: "), merged.err.constData());
            QCOMPARE(merged.err.count('\n'), 1);
            return;
        }
        const QJsonObject json = Json(merged);
        QCOMPARE(json[QStringLiteral("totals")][QStringLiteral("words")].toInteger() > 3, true);
        QStringList errors;
        for (const QJsonValue report : json[QStringLiteral("errors")].toArray()) {
            errors << report.toString();
        }
        QCOMPARE(errors, status == 3 ? QStringList{"second.json: Application Error: step 104"} : QStringList{});
    }

    // A signal ends a merge with 128 + its number and nothing written: while it waits for a part
    // on a FIFO, and while it writes a workbook (no hidden workbook is left beside the output).
    void mergeInterrupted_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("writing");
        QTest::newRow("SIGINT, reading") << SIGINT << false;
        QTest::newRow("SIGTERM, reading") << SIGTERM << false;
        QTest::newRow("SIGINT, writing") << SIGINT << true;
        QTest::newRow("SIGTERM, writing") << SIGTERM << true;
    }
    void mergeInterrupted() {
        QFETCH(int, signal);
        QFETCH(bool, writing);
        IsolatedEnvironment env;
        const QString part = env.Work() + QStringLiteral("/part.json");
        if (writing) {
            // 300,000 words "wa" … : a workbook that takes a while to write.
            QByteArray json = R"({"mode":"all","method":"text","ignore_case":true,"totals":{"words":300000,)"
                              R"("lines":0,"chars_with_spaces":1,"chars_without_spaces":1},)"
                              R"("columns":[" Words","Count"],"rows":[)";
            for (int i = 0; i < 300000; ++i) {
                QByteArray word = "w";
                for (int n = i; word.size() == 1 || n > 0; n /= 26) {
                    word += static_cast<char>('a' + n % 26);
                }
                json += (i > 0 ? ",[\"" : "[\"") + word + "\",\"1\"]";
            }
            WriteTextFile(part, json + R"(],"unreadable":[],"errors":[]})");
        } else {
            QCOMPARE(::mkfifo(QFile::encodeName(part).constData(), 0600), 0);
        }
        QProcess cli;
        cli.setWorkingDirectory(env.Work());
        cli.start(TestBinDir() + QStringLiteral("/lexitally-cli"),
                  {"merge", "--format", "xlsx", "-o", "merged.xlsx", "part.json"});
        QVERIFY(cli.waitForStarted());
        const auto hidden = [&env] {
            return QDir(env.Work()).entryList({QStringLiteral(".lexitally-*")}, QDir::Files | QDir::Hidden);
        };
        if (writing) {
            QTRY_VERIFY_WITH_TIMEOUT(BuildingWorkbook(env, env.Work()), 30000);
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(Catches(cli.processId(), signal), 30000);
        }
        ::kill(static_cast<pid_t>(cli.processId()), signal);
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 128 + signal);
        QVERIFY(cli.readAllStandardError().contains("nothing was written"));
        QVERIFY(!QFileInfo::exists(env.Work() + QStringLiteral("/merged.xlsx")));
        QCOMPARE(hidden(), QStringList());
    }

    // Help, version, the store's listing and the corpus commands' JSON and SVG written to a full
    // device fail as any output does, and say why.
    void listingsToAFullDevice_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("help") << QStringList{"--help"};
        QTest::newRow("version") << QStringList{"--version"};
        QTest::newRow("merge help") << QStringList{"merge", "--help"};
        QTest::newRow("concordance help") << QStringList{"concordance", "-h"};
        QTest::newRow("store") << QStringList{"cache"};
        QTest::newRow("concordance as JSON")
            << QStringList{"concordance", "--text", "--format", "json", "the", "a.txt"};
        QTest::newRow("plot as SVG") << QStringList{"dispersion", "--text", "--format", "svg", "the", "a.txt"};
    }
    void listingsToAFullDevice() {
        QFETCH(QStringList, arguments);
        if (!IsRoot()) {
            QSKIP("making a device node needs the super-user");
        }
        IsolatedEnvironment env;
        const QString full = env.Work() + QStringLiteral("/full");
        QCOMPARE(::mknod(QFile::encodeName(full).constData(), S_IFCHR | 0600, makedev(1, 7)), 0);
        WriteTextFile(env.Work() + QStringLiteral("/a.txt"), "the cat\n");
        QProcess cli;
        cli.setWorkingDirectory(env.Work());
        cli.setStandardOutputFile(full);
        cli.start(TestBinDir() + QStringLiteral("/lexitally-cli"), arguments);
        QVERIFY(cli.waitForFinished(30000));
        QCOMPARE(cli.exitCode(), 1);
        QVERIFY(cli.readAllStandardError().contains("No space left on device"));
    }

    // Where -o points: a link is written through and stays a link, "-" is standard output for
    // every format, a full disk is a failure that leaves the old file, and a terminal is shown
    // the control characters of names escaped.
    void outputPlaces_data() {
        QTest::addColumn<QString>("place");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("workbook through a link") << "link" << QStringList{"--format", "xlsx", "-o", "link.xlsx"} << 0;
        QTest::newRow("text through a link") << "link" << QStringList{"-o", "link.xlsx"} << 0;
        QTest::newRow("workbook to standard output") << "stdout" << QStringList{"--format", "xlsx", "-o", "-"} << 0;
        QTest::newRow("merged workbook to standard output")
            << "stdout" << QStringList{"merge", "--format", "xlsx", "-o", "-", "part.json"} << 0;
        QTest::newRow("full disk") << "full" << QStringList{"-o", "small/out.tsv"} << 1;
        QTest::newRow("full disk, workbook") << "full" << QStringList{"--format", "xlsx", "-o", "small/out.tsv"} << 1;
        QTest::newRow("terminal") << "terminal" << QStringList{"--per-file"} << 0;
        QTest::newRow("terminal, concordance") << "terminal" << QStringList{"concordance", "seven"} << 0;
    }
    void outputPlaces() {
        QFETCH(QString, place);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        IsolatedEnvironment env;
        const QString odd = QString::fromUtf8("e\x1b[31mred\x07.pdf");
        MakeTextPdf(env.Work() + u'/' + odd, {kWords});
        arguments << (arguments.contains(QStringLiteral("part.json")) ? QStringList() : QStringList{odd});
        QVERIFY(RunCli({"--format", "json", "-o", "part.json", odd}, env.Work()).exitCode == 0);
        WriteTextFile(env.Work() + QStringLiteral("/real.xlsx"), "old");
        QFile::link(QStringLiteral("real.xlsx"), env.Work() + QStringLiteral("/link.xlsx"));
        std::optional<SmallDisk> disk;
        if (place == u"full") {
            if (!IsRoot()) {
                QSKIP("mounting a small file system needs the super-user");
            }
            disk.emplace(env.Work() + QStringLiteral("/small"), "8k");
            WriteTextFile(env.Work() + QStringLiteral("/small/out.tsv"), "old");
            WriteTextFile(env.Work() + QStringLiteral("/small/filler"), QByteArray(4096, 'x'));
        }
        Outcome outcome;
        if (place == u"terminal") {
            QStringList command{TestBinDir() + QStringLiteral("/lexitally-cli")};
            QProcess terminal;
            terminal.setWorkingDirectory(env.Work());
            const QString quoted =
                (command + arguments).replaceInStrings(QStringLiteral("'"), QStringLiteral("'\\''")).join(u"' '");
            terminal.start(QStringLiteral("script"), {"-qec", "'" + quoted + "' 2>/dev/null", "/dev/null"});
            QVERIFY(terminal.waitForFinished(60000));
            outcome = {terminal.exitCode(), terminal.readAllStandardOutput(), {}};
        } else {
            outcome = RunCli(arguments, env.Work());
        }
        QCOMPARE(outcome.exitCode, exitCode);
        if (place == u"link") {
            QVERIFY(QFileInfo(env.Work() + QStringLiteral("/link.xlsx")).isSymLink());
            QVERIFY(ReadAll(env.Work() + QStringLiteral("/real.xlsx")) != "old");
        } else if (place == u"stdout") {
            QVERIFY(outcome.out.startsWith("PK"));
            QVERIFY(!QFileInfo::exists(env.Work() + QStringLiteral("/-")));
        } else if (place == u"full") {
            QVERIFY(outcome.err.contains("No space left on device"));
            QCOMPARE(ReadAll(env.Work() + QStringLiteral("/small/out.tsv")), QByteArray("old"));
        } else if (place == u"terminal") {
            QVERIFY(outcome.out.contains("e\\x1b[31mred\\x07.pdf"));
            QVERIFY(!outcome.out.contains('\x1b') && !outcome.out.contains('\a'));
        }
        QCOMPARE(QDir(env.Work()).entryList({QStringLiteral(".lexitally-*")}, QDir::Files | QDir::Hidden).size(), 0);
    }

    // The store of converted texts: the counts are the same with it or without it, cold or
    // warm, whatever happened to the store or to the PDFs in between.
    void storeOfConvertedTexts_data() {
        QTest::addColumn<QString>("between");
        QTest::addColumn<int>("entries"); // in the store after the second run
        QTest::addColumn<bool>("noted");  // the second run says once that it runs without it
        QTest::newRow("nothing") << "" << 3 << false;
        QTest::newRow("--no-cache") << "no-cache" << 0 << false;
        QTest::newRow("a PDF rewritten in place, size and time kept") << "rewrite" << 4 << false;
        QTest::newRow("entries damaged") << "damage" << 3 << false;
        QTest::newRow("store open to others") << "open" << 0 << true;
        QTest::newRow("store full") << "full" << 0 << true;
        QTest::newRow("two runs at once") << "together" << 3 << false;
        QTest::newRow("cleared") << "clear" << 3 << false;
    }
    void storeOfConvertedTexts() {
        QFETCH(QString, between);
        QFETCH(int, entries);
        QFETCH(bool, noted);
        IsolatedEnvironment env;
        const QString store = env.Cache() + QStringLiteral("/lexitally");
        // Two PDFs of one size, so that one can be rewritten with the other's bytes; an encrypted
        // one (owner password only) never gets an entry.
        const QString cat = MakeTextPdf(env.Root() + QStringLiteral("/cat.pdf"), {QStringLiteral("the cat sat")});
        const QString dog = MakeTextPdf(env.Root() + QStringLiteral("/dog.pdf"), {QStringLiteral("the dog ran")});
        QByteArray catBytes = ReadAll(cat), dogBytes = ReadAll(dog);
        const qsizetype size = std::max(catBytes.size(), dogBytes.size());
        catBytes.append(size - catBytes.size(), '\n');
        dogBytes.append(size - dogBytes.size(), '\n');
        WriteTextFile(env.Work() + QStringLiteral("/a.pdf"), catBytes);
        MakeTextPdf(env.Work() + QStringLiteral("/b.pdf"), {kWords});
        QVERIFY(!MakeImagePdf(env.Work() + QStringLiteral("/scan.pdf")).isEmpty()); // kept, though without words
        QVERIFY(EncryptPdf(cat, env.Work() + QStringLiteral("/owner.pdf"), QString(), QStringLiteral("owner")));
        const QStringList run{"--format", "json", "."};
        QVERIFY(EncryptPdf(dog, env.Work() + QStringLiteral("/user.pdf"), QStringLiteral("secret"),
                           QStringLiteral("secret")));
        const Outcome first = RunCli(run, env.Work());
        QCOMPARE(first.exitCode, 0);
        QCOMPARE(QDir(store).entryList(QDir::Files).filter(QRegularExpression("^[0-9a-f]{64}$")).size(), 3);
        std::optional<SmallDisk> disk;
        QStringList second = run;
        if (between == u"no-cache") {
            QVERIFY(QDir(store).removeRecursively());
            second.prepend(QStringLiteral("--no-cache"));
        } else if (between == u"rewrite") {
            const QDateTime modified = QFileInfo(env.Work() + QStringLiteral("/a.pdf")).lastModified();
            QFile file(env.Work() + QStringLiteral("/a.pdf"));
            QVERIFY(file.open(QIODevice::ReadWrite) && file.write(dogBytes) == size);
            file.close();
            QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(modified, QFileDevice::FileModificationTime));
        } else if (between == u"damage") {
            for (const QString& name : QDir(store).entryList(QDir::Files)) {
                QByteArray bytes = ReadAll(store + u'/' + name);
                bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x5a);
                WriteTextFile(store + u'/' + name, bytes);
            }
        } else if (between == u"open") {
            QVERIFY(QDir(store).removeRecursively() && QDir().mkpath(store));
            QFile::setPermissions(store, QFileDevice::Permissions(0x7777));
        } else if (between == u"full") {
            if (!IsRoot()) {
                QSKIP("mounting a small file system needs the super-user");
            }
            QVERIFY(QDir(store).removeRecursively());
            disk.emplace(store, "4k");
            QVERIFY(disk->mounted);
            QFile::setPermissions(store, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            WriteTextFile(store + QStringLiteral("/filler"), QByteArray(4000, 'x'));
        } else if (between == u"together") {
            QVERIFY(QDir(store).removeRecursively());
        } else if (between == u"clear") {
            const Outcome shown = RunCli({"cache"}, env.Work());
            QVERIFY2(shown.out.startsWith(("folder\t" + store + "\nentries\t3\n").toUtf8()), shown.out.constData());
            QCOMPARE(RunCli({"cache", "--clear"}, env.Work()).exitCode, 0);
            QCOMPARE(QDir(store).entryList(QDir::Files).filter(QRegularExpression("^[0-9a-f]{64}$")).size(), 0);
        }
        QProcess parallel;
        if (between == u"together") {
            parallel.setWorkingDirectory(env.Work());
            parallel.start(TestBinDir() + QStringLiteral("/lexitally-cli"), second);
        }
        const Outcome again = RunCli(second, env.Work());
        if (between == u"together") {
            QVERIFY(parallel.waitForFinished(60000));
            QCOMPARE(parallel.readAllStandardOutput(), again.out);
        }
        const Outcome reference = RunCli(QStringList{"--no-cache"} + run, env.Work());
        QCOMPARE(again.exitCode, 0);
        QCOMPARE(again.out, reference.out);
        QCOMPARE(again.err.count("store of converted texts"), noted ? 1 : 0);
        if (between == u"rewrite") {
            QVERIFY(again.out.contains("\"dog\"") && !first.out.contains("\"dog\""));
        } else if (between != u"open") {
            QCOMPARE(again.out, first.out);
        }
        if (between.isEmpty()) {
            // Warm, every shape of output is what the PDFs give.
            const QList<QStringList> shapes{
                {"--per-file", "."},       {"--summary", "."},          {"--stats", "--format", "csv", "."},
                {"--method", "text", "."}, {"concordance", "the", "."}, {"phrases", "."}};
            for (const QStringList& shape : shapes) {
                const QStringList cold = shape.first().startsWith(u'-')
                                             ? QStringList{"--no-cache"} + shape
                                             : shape.first(1) + QStringList{"--no-cache"} + shape.mid(1);
                QCOMPARE(RunCli(shape, env.Work()).out, RunCli(cold, env.Work()).out);
            }
        }
        disk.reset();
        QCOMPARE(QDir(store).entryList(QDir::Files).filter(QRegularExpression("^[0-9a-f]{64}$")).size(), entries);
    }
};

LEXITALLY_TEST_MAIN(CliSafetyTest)
#include "test_cli_safety.moc"
