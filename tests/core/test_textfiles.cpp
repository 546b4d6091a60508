#include "core/base/ErrorReport.h"
#include "core/base/Places.h"
#include "core/extract/TextFiles.h"
#include "support/ScriptedUi.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

namespace {

// Reference line splitter: one character at a time.
QList<QByteArray> SplitLinesSlowly(const QByteArray& text) {
    QList<QByteArray> lines;
    if (text.isEmpty()) {
        return {QByteArray()};
    }
    QByteArray line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n' || c == '\r') {
            lines << line;
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            line += c;
        }
    }
    if (!line.isEmpty()) {
        lines << line;
    }
    return lines;
}

QList<QByteArray> SplitLines(const QByteArray& text) {
    QList<QByteArray> lines;
    ForEachLine(text, [&lines](QByteArrayView line) {
        lines << line.toByteArray();
        return true;
    });
    return lines;
}

} // namespace

class TextFilesTest : public QObject {
    Q_OBJECT

private slots:
    void textFileLivesInTheTextFolder() {
        IsolatedEnvironment env;
        const QString pdf = WriteTextFile(env.Work() + QStringLiteral("/Report.pdf"), "%PDF");
        QDir(env.Private() + QStringLiteral("/text")).removeRecursively();
        const QString text = TextFileOf(pdf);
        QCOMPARE(QFileInfo(text).absolutePath(), QDir(env.Private()).absoluteFilePath(QStringLiteral("text")));
        QVERIFY(QFileInfo(QFileInfo(text).absolutePath()).isDir()); // created on demand
        QVERIFY(
            QRegularExpression(QStringLiteral("^[0-9a-f]{40}\\.txt$")).match(QFileInfo(text).fileName()).hasMatch());
        QVERIFY(!text.startsWith(env.Work()));
    }

    void textFileIdentity_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("same");
        QTest::newRow("same spelling") << "docs/a.pdf"
                                       << "docs/a.pdf" << true;
        QTest::newRow("dot segments") << "docs/a.pdf"
                                      << "docs/../docs/./a.pdf" << true;
        QTest::newRow("doubled separator") << "docs/a.pdf"
                                           << "docs//a.pdf" << true;
        QTest::newRow("relative to the working folder") << "docs/a.pdf"
                                                        << "@cwd:a.pdf" << true;
        QTest::newRow("symbolic link") << "docs/a.pdf"
                                       << "@link:docs/a.pdf" << true;
        QTest::newRow("letter case names another file") << "docs/a.pdf"
                                                        << "docs/a.PDF" << false;
        QTest::newRow("same name, other folder") << "docs/a.pdf"
                                                 << "other/a.pdf" << false;
        QTest::newRow("missing files by absolute path") << "gone/x.pdf"
                                                        << "gone/../gone/x.pdf" << true;
        QTest::newRow("missing and existing") << "gone/a.pdf"
                                              << "docs/a.pdf" << false;
    }

    void textFileIdentity() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, same);
        IsolatedEnvironment env;
        const QString work = env.Work();
        WriteTextFile(work + QStringLiteral("/docs/a.pdf"), "one");
        WriteTextFile(work + QStringLiteral("/docs/a.PDF"), "two");
        WriteTextFile(work + QStringLiteral("/other/a.pdf"), "three");
        const QString previous = QDir::currentPath();
        const auto resolve = [&](const QString& spec) {
            if (spec.startsWith(QStringLiteral("@cwd:"))) {
                QDir::setCurrent(work + QStringLiteral("/docs"));
                return spec.mid(5);
            }
            if (spec.startsWith(QStringLiteral("@link:"))) {
                const QString link = work + QStringLiteral("/link.pdf");
                QFile::link(work + u'/' + spec.mid(6), link);
                return link;
            }
            return work + u'/' + spec;
        };
        const QString a = TextFileOf(resolve(first));
        const QString b = TextFileOf(resolve(second));
        QDir::setCurrent(previous);
        QCOMPARE(a == b, same);
    }

    void counts_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qint64>("withSpaces");
        QTest::addColumn<qint64>("withoutSpaces");
        QTest::addColumn<qint64>("lines");
        QTest::newRow("empty text is one empty line") << QByteArray() << 0LL << 0LL << 1LL;
        QTest::newRow("two lines") << QByteArray("a b\nc") << 4LL << 3LL << 2LL;
        QTest::newRow("CR LF, ending in a break") << QByteArray("a b\r\nc\r\n") << 4LL << 3LL << 2LL;
        QTest::newRow("lone CR") << QByteArray("a\rb\rc") << 3LL << 3LL << 3LL;
        QTest::newRow("only a break") << QByteArray("\n") << 0LL << 0LL << 1LL;
        QTest::newRow("two breaks") << QByteArray("\r\n\r\n") << 0LL << 0LL << 2LL;
        QTest::newRow("CR then CR LF") << QByteArray("\r\r\n") << 0LL << 0LL << 2LL;
        QTest::newRow("LF then CR") << QByteArray("a\n\rb") << 2LL << 2LL << 3LL;
        QTest::newRow("tab and page break count") << QByteArray("a\tb\fc") << 5LL << 5LL << 1LL;
        QTest::newRow("three blanks") << QByteArray("a   b") << 5LL << 2LL << 1LL;
        QTest::newRow("blanks only") << QByteArray("   \n") << 3LL << 0LL << 1LL;
        QTest::newRow("two-byte letter") << QByteArray("na\xC3\xAFve") << 5LL << 5LL << 1LL;
        QTest::newRow("ligature is one character") << QByteArray("\xEF\xAC\x81ne") << 3LL << 3LL << 1LL;
        QTest::newRow("four-byte character") << QByteArray("\xF0\x9F\x98\x80 x") << 3LL << 2LL << 1LL;
        QTest::newRow("stray continuation byte") << QByteArray("a\x80"
                                                               "b")
                                                 << 3LL << 3LL << 1LL;
        QTest::newRow("cut sequence") << QByteArray("\xE2\x82 b") << 4LL << 3LL << 1LL;
        QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << 3LL << 3LL << 1LL;
        QTest::newRow("long ASCII with breaks inside words of 8")
            << QByteArray("abcdefg hijklmn\r\nopq rstu vwxyz  \rABCDEFGHIJKLMNOP\n") << 47LL << 42LL << 3LL;
        QTest::newRow("character across an 8-byte boundary")
            << QByteArray("abcdefg\xC3\xA9hijklmnop qrstuvw\xE2\x82\xAC") << 26LL << 25LL << 1LL;
    }

    void counts() {
        QFETCH(QByteArray, text);
        QFETCH(qint64, withSpaces);
        QFETCH(qint64, withoutSpaces);
        QFETCH(qint64, lines);
        const CharCounts counts = CountCharacters(text);
        QCOMPARE(counts.withSpaces, withSpaces);
        QCOMPARE(counts.withoutSpaces, withoutSpaces);
        QCOMPARE(CountLines(text), lines);

        IsolatedEnvironment env;
        const QString path = WriteTextFile(env.Work() + QStringLiteral("/t.txt"), text);
        ScriptedUi ui;
        QCOMPARE(CharCountFSO(path, false, &ui), withSpaces);
        QCOMPARE(CharCountFSO(path, true, &ui), withoutSpaces);
        QCOMPARE(static_cast<qint64>(ReadLinesFSO(path).size()), lines);
        QVERIFY(ui.calls.isEmpty());
    }

    // The fast paths must agree with a plain decoder and a plain line splitter on any bytes.
    void countsAgreeWithDecoder_data() {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 40; ++seed) {
            QTest::addRow("seed %u", seed) << seed;
        }
    }

    void countsAgreeWithDecoder() {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        // Pieces that make ASCII runs, line ends, valid and broken sequences likely.
        QList<QByteArray> pieces = QByteArray("a|b|Z| |  |\t|\r|\n|\r\n|abcdefgh|12345678 |\xC3\xA9|\xE2\x82\xAC|"
                                              "\xF0\x9F\x98\x80|\xEF\xAC\x81|\x80|\xBF|\xC3|\xE2\x82|\xF0\x9F|"
                                              "\xED\xA0\x80|\xC0\xAF|\xF4\x90\x80\x80|\xFF|\xF8\x88\x80\x80\x80")
                                       .split('|');
        // Long runs of ASCII, of blanks and of line ends.
        pieces << QByteArray("lorem ipsum\r\ndolor sit amet\n").repeated(150) << QByteArray(4500, ' ')
               << QByteArray("\r\n").repeated(2300);
        for (int round = 0; round < 50; ++round) {
            QByteArray text;
            const int n = static_cast<int>(random.bounded(60));
            for (int i = 0; i < n; ++i) {
                text += pieces[random.bounded(static_cast<int>(pieces.size()))];
            }
            const QList<uint> decoded = QString::fromUtf8(text).toUcs4(); // code points
            qint64 breaks = 0;
            qint64 blanks = 0;
            for (const uint c : decoded) {
                breaks += c == '\r' || c == '\n';
                blanks += c == ' ';
            }
            const CharCounts counts = CountCharacters(text);
            QCOMPARE(counts.withSpaces, decoded.size() - breaks);
            QCOMPARE(counts.withoutSpaces, decoded.size() - breaks - blanks);
            QCOMPARE(SplitLines(text), SplitLinesSlowly(text));
        }
    }

    void readLines_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("empty file") << QByteArray() << QStringList{QString()};
        QTest::newRow("last line without break") << QByteArray("one\ntwo") << QStringList{"one", "two"};
        QTest::newRow("break at the end opens no line") << QByteArray("one\r\n") << QStringList{"one"};
        QTest::newRow("empty lines kept") << QByteArray("\n\nx\r\r") << QStringList{"", "", "x", ""};
        QTest::newRow("UTF-8 decoded") << QByteArray("na\xC3\xAFve") << QStringList{QStringLiteral("na\u00efve")};
        QTest::newRow("invalid byte") << QByteArray("a\xFF") << QStringList{QStringLiteral("a\ufffd")};
    }

    void readLines() {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, lines);
        IsolatedEnvironment env;
        QCOMPARE(ReadLinesFSO(WriteTextFile(env.Work() + QStringLiteral("/t.txt"), text)), lines);
    }

    void readLinesOfMissingFileFails() {
        IsolatedEnvironment env;
        QVERIFY_THROWS_EXCEPTION(Failure, ReadLinesFSO(env.Work() + QStringLiteral("/none.txt")));
        QVERIFY_THROWS_EXCEPTION(Failure, ReadLinesFSO(env.Work()));
    }

    void appendFile_data() {
        QTest::addColumn<QList<QByteArray>>("sources");
        QTest::addColumn<QByteArray>("combined");
        QTest::newRow("LF texts") << QList<QByteArray>{"a\nb", "c\n"} << QByteArray("a\r\nb\r\nc\r\n");
        QTest::newRow("CR LF kept once") << QList<QByteArray>{"a\r\nb\r\n"} << QByteArray("a\r\nb\r\n");
        QTest::newRow("lone CR") << QList<QByteArray>{"a\rb"} << QByteArray("a\r\nb\r\n");
        QTest::newRow("empty text adds nothing") << QList<QByteArray>{"", "x", ""} << QByteArray("x\r\n");
        QTest::newRow("only a break is one empty line") << QList<QByteArray>{"\n"} << QByteArray("\r\n");
        QTest::newRow("bytes kept as they are")
            << QList<QByteArray>{"\xFF\xC3\xA9\x80 \f"} << QByteArray("\xFF\xC3\xA9\x80 \f\r\n");
    }

    void appendFile() {
        QFETCH(QList<QByteArray>, sources);
        QFETCH(QByteArray, combined);
        IsolatedEnvironment env;
        ScriptedUi ui;
        const QString target = env.Temp() + QStringLiteral("/combined.text");
        for (qsizetype i = 0; i < sources.size(); ++i) {
            const QString source = WriteTextFile(env.Work() + QStringLiteral("/s%1.txt").arg(i), sources[i]);
            AppendFileFSO(target, source, &ui);
            QCOMPARE(ReadAll(source), sources[i]); // the source stays as it was
        }
        QVERIFY(QFileInfo::exists(target));
        QCOMPARE(ReadAll(target), combined);
        QVERIFY(ui.calls.isEmpty());
    }

    void failuresAreReportedOnce_data() {
        QTest::addColumn<QString>("procedure");
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("description");
        QTest::newRow("append: missing source")
            << "append-source" << QString::fromLatin1(Source::AppendFile) << 102 << "No such file or directory: ";
        QTest::newRow("append: target folder missing")
            << "append-target" << QString::fromLatin1(Source::AppendFile) << 100 << "No such file or directory: ";
        QTest::newRow("char count: missing file")
            << "count" << QString::fromLatin1(Source::CharCount) << 100 << "No such file or directory: ";
    }

    void failuresAreReportedOnce() {
        QFETCH(QString, procedure);
        QFETCH(QString, source);
        QFETCH(int, step);
        QFETCH(QString, description);
        IsolatedEnvironment env;
        ScriptedUi ui;
        const QString existing = WriteTextFile(env.Work() + QStringLiteral("/s.txt"), "a\n");
        const QString missing = env.Work() + QStringLiteral("/missing.txt");
        const QString target = env.Temp() + QStringLiteral("/combined.text");
        if (procedure == QStringLiteral("append-source")) {
            WriteTextFile(target, "kept\r\n");
            AppendFileFSO(target, missing, &ui);
            QCOMPARE(ReadAll(target), QByteArray("kept\r\n"));
        } else if (procedure == QStringLiteral("append-target")) {
            AppendFileFSO(env.Temp() + QStringLiteral("/no/such/folder/c.text"), existing, &ui);
            QCOMPARE(ReadAll(existing), QByteArray("a\n"));
        } else {
            QCOMPARE(CharCountFSO(missing, false, &ui), qint64(0));
        }
        const QList<ScriptedUi::Call> messages = ui.Messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].caption, QStringLiteral("Application Error"));
        QVERIFY2(messages[0].text.contains(source + QStringLiteral("at line ") + QString::number(step)),
                 qPrintable(messages[0].text));
        QVERIFY2(messages[0].text.startsWith(description + env.Root()), qPrintable(messages[0].text));
    }
};

LEXITALLY_TEST_MAIN(TextFilesTest)
#include "test_textfiles.moc"
