#include "cli/CliOptions.h"
#include "core/base/Places.h"
#include "core/count/WorkingDatabase.h"
#include "core/extract/TextFiles.h"
#include "support/CliInProcess.h"
#include "support/CliRun.h"
#include "support/PdfFixtures.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The two inputs every test uses, in the work folder.
const QByteArray kOne = "The cat\nthe Cat sat\n";
const QByteArray kTwo = "Sat the";

struct Inputs {
    explicit Inputs(const QString& work) : folder(work) {
        WriteTextFile(work + QStringLiteral("/one.txt"), kOne);
        WriteTextFile(work + QStringLiteral("/two.txt"), kTwo);
        QFile::setPermissions(work + QStringLiteral("/two.txt"), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
        for (const QString& name : {QStringLiteral("one.txt"), QStringLiteral("two.txt")}) {
            modified << QFileInfo(work + u'/' + name).lastModified();
        }
    }

    // The inputs are still there, unchanged, and no converted text is left behind.
    void VerifyUntouched() const {
        QCOMPARE(ReadAll(folder + QStringLiteral("/one.txt")), kOne);
        QCOMPARE(ReadAll(folder + QStringLiteral("/two.txt")), kTwo);
        QCOMPARE(QFileInfo(folder + QStringLiteral("/one.txt")).lastModified(), modified[0]);
        QCOMPARE(QFileInfo(folder + QStringLiteral("/two.txt")).lastModified(), modified[1]);
        QVERIFY(QDir(TextFolder()).isEmpty());
    }

    QString folder;
    QList<QDateTime> modified;
};

QByteArray Lines(const QStringList& lines) {
    return lines.join(u'\n').toUtf8() + '\n';
}

// The option names a help text lists: the names at the start of its option lines ("  -o,
// --output FILE"); those followed by a value go to valued too.
QStringList HelpOptions(const QByteArray& help, QStringList* valued = nullptr) {
    static const QRegularExpression line(
        QStringLiteral("^  (-[a-z0-9]|--[a-z-]*)(?:, (-[a-z0-9]|--[a-z-]*))?( [^ -])?"),
        QRegularExpression::MultilineOption);
    QStringList names;
    for (auto match = line.globalMatch(QString::fromUtf8(help)); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        for (int i : {1, 2}) {
            if (found.hasCaptured(i) && !found.captured(i).isEmpty()) {
                names << found.captured(i);
                if (valued && !found.captured(3).isEmpty()) {
                    *valued << found.captured(i);
                }
            }
        }
    }
    return names;
}

// The option names of a manual page's section: the dashed words of its tagged paragraphs' tags.
QStringList ManualOptions(const QString& page, const QString& section) {
    const QStringList lines = page.split(u'\n');
    QStringList names;
    bool inside = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].startsWith(QStringLiteral(".SH "))) {
            inside = lines[i] == QStringLiteral(".SH ") + section;
        } else if (inside && lines[i] == QStringLiteral(".TP") && i + 1 < lines.size()) {
            QString tag = lines[i + 1];
            tag.remove(QRegularExpression(QStringLiteral("\\\\f[BIRP]")))
                .replace(QStringLiteral("\\-"), QStringLiteral("-"));
            static const QRegularExpression word(QStringLiteral("(?:^|[\\s\",])(--?[a-z0-9-]*)(?=[\\s\",]|$)"));
            for (auto match = word.globalMatch(tag); match.hasNext();) {
                names << match.next().captured(1);
            }
        }
    }
    return names;
}

// The words of a variable the bash completion sets: local NAME='...'.
QStringList CompletionWords(const QString& script, const QString& name) {
    const QRegularExpression variable(QStringLiteral("local ") + name + QStringLiteral("='([^']*)'"));
    return variable.match(script).captured(1).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

QStringList Sorted(QStringList list) {
    list.sort();
    list.removeDuplicates();
    return list;
}

} // namespace

class CliTest : public QObject {
    Q_OBJECT

private slots:
    void tsv_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("lines");
        const QString all = QStringLiteral(" Words\tCount");
        const QString perFile = QStringLiteral("Filename\t Words\tCount");
        for (const QString& method : {QStringLiteral("db"), QStringLiteral("text")}) {
            const QStringList m{QStringLiteral("--method"), method};
            const bool db = method == QStringLiteral("db");
            QTest::addRow("%s, all files, ignore case", qPrintable(method))
                << m << QStringList{all, "cat\t2", "sat\t2", "the\t3"};
            QTest::addRow("%s, all files, case-sensitive", qPrintable(method))
                << m + QStringList{"--case-sensitive"}
                << (db ? QStringList{all, "Cat\t2", "Sat\t2", "The\t3"}
                       : QStringList{all, "Cat\t1", "Sat\t1", "The\t1", "cat\t1", "sat\t1", "the\t2"});
            QTest::addRow("%s, per file, ignore case", qPrintable(method))
                << m + QStringList{"--per-file"}
                << QStringList{perFile,           "one.txt\tsat\t1", "one.txt\tcat\t2",
                               "one.txt\tthe\t2", "two.txt\tsat\t1", "two.txt\tthe\t1"};
            QTest::addRow("%s, per file, case-sensitive", qPrintable(method))
                << m + QStringList{"--per-file", "--case-sensitive"}
                << (db ? QStringList{perFile, "one.txt\tsat\t1", "one.txt\tCat\t2", "one.txt\tThe\t2",
                                     "two.txt\tSat\t1", "two.txt\tthe\t1"}
                       : QStringList{perFile, "one.txt\tCat\t1", "one.txt\tThe\t1", "one.txt\tcat\t1",
                                     "one.txt\tsat\t1", "one.txt\tthe\t1", "two.txt\tSat\t1", "two.txt\tthe\t1"});
            QTest::addRow("%s, common words of a shipped list", qPrintable(method))
                << m + QStringList{"--stop-words", "english"} << QStringList{all, "cat\t2", "sat\t2"};
            QTest::addRow("%s, letters of all languages, case-sensitive", qPrintable(method))
                << m + QStringList{"--letters=all", "--case-sensitive"}
                << (db ? QStringList{all, "Cat\t2", "Sat\t2", "The\t3"}
                       : QStringList{all, "Cat\t1", "Sat\t1", "The\t1", "cat\t1", "sat\t1", "the\t2"});
        }
        QTest::newRow("db is the default")
            << QStringList{"--case-sensitive"} << QStringList{all, "Cat\t2", "Sat\t2", "The\t3"};
    }

    void tsv() {
        QFETCH(QStringList, options);
        QFETCH(QStringList, lines);
        IsolatedEnvironment env;
        const Inputs inputs(env.Work());
        const Outcome outcome =
            RunCliHere(options + QStringList{"--text", "--format", "tsv", "one.txt", "two.txt"}, env.Work());
        QCOMPARE(outcome.err, QByteArray());
        QCOMPARE(outcome.exitCode, 0);
        QCOMPARE(outcome.out, Lines(lines));
        inputs.VerifyUntouched();
    }

    void json_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("method");
        QTest::addColumn<bool>("ignoreCase");
        QTest::addColumn<qint64>("lines");
        QTest::addColumn<QString>("firstRow");
        QTest::newRow("db, all files") << QStringList{} << "all"
                                       << "db" << true << 2LL << "cat 2";
        QTest::newRow("text, per file, case-sensitive")
            << QStringList{"--method=text", "--per-file", "--case-sensitive"} << "per-file"
            << "text" << false << 1LL << "one.txt Cat 1";
    }

    void json() {
        QFETCH(QStringList, options);
        QFETCH(QString, mode);
        QFETCH(QString, method);
        QFETCH(bool, ignoreCase);
        QFETCH(qint64, lines);
        QFETCH(QString, firstRow);
        IsolatedEnvironment env;
        const Inputs inputs(env.Work());
        const Outcome outcome = RunCliHere(
            options + QStringList{"--text", "--format=json", "one.txt", "missing.txt", "two.txt"}, env.Work());
        QCOMPARE(outcome.exitCode, 4);                                                     // a PATH that does not exist
        QCOMPARE(outcome.err, QByteArray("lexitally-cli: missing.txt: file not found\n")); // and in the JSON
        QJsonParseError error;
        const QJsonObject json = QJsonDocument::fromJson(outcome.out, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QVERIFY(outcome.out.endsWith("}\n"));
        QCOMPARE(json.keys().size(), 10);
        QCOMPARE(json[QStringLiteral("format")].toInteger(), 2);
        QCOMPARE(json[QStringLiteral("letters")].toString(), QStringLiteral("ascii"));
        QCOMPARE(json[QStringLiteral("errors")].toArray(), QJsonArray());
        QCOMPARE(json[QStringLiteral("mode")].toString(), mode);
        QCOMPARE(json[QStringLiteral("method")].toString(), method);
        QCOMPARE(json[QStringLiteral("ignore_case")].toBool(), ignoreCase);
        const QJsonObject totals = json[QStringLiteral("totals")].toObject();
        QCOMPARE(totals[QStringLiteral("words")].toInteger(), 7);
        QCOMPARE(totals[QStringLiteral("lines")].toInteger(), lines);
        QCOMPARE(totals[QStringLiteral("chars_with_spaces")].toInteger(), 25);
        QCOMPARE(totals[QStringLiteral("chars_without_spaces")].toInteger(), 21);
        const QJsonArray columns = json[QStringLiteral("columns")].toArray();
        QCOMPARE(columns.size(), mode == QStringLiteral("all") ? 2 : 3);
        QCOMPARE(columns.last().toString(), QStringLiteral("Count"));
        const QJsonArray rows = json[QStringLiteral("rows")].toArray();
        QStringList first;
        const QJsonArray firstCells = rows.first().toArray();
        for (const QJsonValue cell : firstCells) {
            first << cell.toVariant().toString();
        }
        QVERIFY(firstCells.last().isDouble()); // the count is a number, the texts are strings
        QVERIFY(firstCells.first().isString());
        QCOMPARE(first.join(u' '), firstRow);
        const QJsonArray unreadable = json[QStringLiteral("unreadable")].toArray();
        QCOMPARE(unreadable.size(), 1);
        QCOMPARE(unreadable[0].toObject()[QStringLiteral("path")].toString(), QStringLiteral("missing.txt"));
        QCOMPARE(unreadable[0].toObject()[QStringLiteral("reason")].toString(), QStringLiteral("file not found"));
        QCOMPARE(unreadable[0].toObject()[QStringLiteral("kind")].toString(), QStringLiteral("not-found"));
        inputs.VerifyUntouched();
    }

    // Words of other languages, common words from a shipped list or the user's file (in the
    // word rule and letter case of the run), and what JSON says about the words left out.
    void wordOptions_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<qint64>("stopped"); // -1: no stopped_words in the JSON
        const QString text = QStringLiteral("--method=text");
        QTest::newRow("ASCII letters by default")
            << QStringList{text} << QStringList{"ber 1", "die 1", "strasse 1", "strae 2"} << -1LL;
        QTest::newRow("all letters") << QStringList{text, "--letters", "all"}
                                     << QStringList{"die 1", "\u00fcber 1", "strasse 3"} << -1LL;
        QTest::newRow("all letters, db, case-sensitive") << QStringList{"--letters", "all", "--case-sensitive"}
                                                         << QStringList{"die 1", "\u00dcBER 1", "STRASSE 3"} << -1LL;
        QTest::newRow("German list, all letters")
            << QStringList{text, "--letters", "all", "--stop-words", "german"} << QStringList{"strasse 3"} << 2LL;
        QTest::newRow("the user's list") << QStringList{text, "--letters=all", "--stop-words=mine.txt"}
                                         << QStringList{"die 1", "\u00fcber 1"} << 3LL;
        QTest::newRow("dictionary words, compatibility forms, German word forms")
            << QStringList{text, "--letters", "all", "--segment", "--compat-forms", "--stem", "german"}
            << QStringList{"die 1", "\u00fcber 1", "strasse 3"} << -1LL;
        QTest::newRow("Snowball's Dutch list") << QStringList{text, "--letters", "all", "--stop-words", "dutch"}
                                               << QStringList{"\u00fcber 1", "strasse 3"} << 1LL;
        QTest::newRow("the user's list by the ASCII rule")
            << QStringList{text, "--stop-words", "mine.txt"} << QStringList{"ber 1", "die 1", "strasse 1"} << 2LL;
    }

    void wordOptions() {
        QFETCH(QStringList, options);
        QFETCH(QStringList, rows);
        QFETCH(qint64, stopped);
        IsolatedEnvironment env;
        WriteTextFile(env.Work() + QStringLiteral("/de.txt"), "\xC3\x9c"
                                                              "BER die STRA\xC3\x9F"
                                                              "E Stra\xC3\x9F"
                                                              "e\n");
        WriteTextFile(env.Work() + QStringLiteral("/en.txt"), "STRASSE\n");
        // A byte-order mark, a comment (that would leave "die" out), blank lines and blanks
        // around the words.
        WriteTextFile(env.Work() + QStringLiteral("/mine.txt"), "\xEF\xBB\xBF#die\n  Stra\xC3\x9F"
                                                                "e \n\nSTRA\r\n");
        const Outcome outcome =
            RunCliHere(options + QStringList{"--text", "--format", "json", "de.txt", "en.txt"}, env.Work());
        QCOMPARE(outcome.err, QByteArray());
        QCOMPARE(outcome.exitCode, 0);
        const QJsonObject json = QJsonDocument::fromJson(outcome.out).object();
        QStringList got;
        for (const QJsonValue row : json[QStringLiteral("rows")].toArray()) {
            got << row[0].toString() + u' ' + row[1].toVariant().toString();
        }
        QCOMPARE(got, rows);
        QCOMPARE(json[QStringLiteral("totals")][QStringLiteral("words")].toInteger(), 5); // left out or not
        QCOMPARE(json.contains(QStringLiteral("stopped_words")), stopped >= 0);
        QCOMPARE(json[QStringLiteral("stopped_words")].toInteger(-1), stopped);
        // The settings that change the rows are recorded, so that a merge can tell them apart.
        QCOMPARE(json[QStringLiteral("letters")].toString(),
                 options.join(u' ').contains(QStringLiteral("all")) ? QStringLiteral("all") : QStringLiteral("ascii"));
        QCOMPARE(json[QStringLiteral("stop_words")][QStringLiteral("sha256")].toString().size(), stopped >= 0 ? 64 : 0);
    }

    // A file name holding a TAB, a line break or a backslash stays inside its cell of a TSV row.
    void tsvOddNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("cell");
        QTest::newRow("TAB") << "a\tb.txt" << QByteArray("a\\tb.txt");
        QTest::newRow("line feed") << "a\nb.txt" << QByteArray("a\\nb.txt");
        QTest::newRow("carriage return") << "a\rb.txt" << QByteArray("a\\rb.txt");
        QTest::newRow("backslash") << "a\\tb.txt" << QByteArray("a\\\\tb.txt");
        QTest::newRow("plain") << "a b.txt" << QByteArray("a b.txt");
    }

    void tsvOddNames() {
        QFETCH(QString, name);
        QFETCH(QByteArray, cell);
        IsolatedEnvironment env;
        WriteTextFile(env.Work() + u'/' + name, "beta alpha beta\n");
        const Outcome outcome = RunCliHere({"--text", "--per-file", "--format", "tsv", name}, env.Work());
        QCOMPARE(outcome.exitCode, 0);
        QCOMPARE(outcome.out, "Filename\t Words\tCount\n" + cell + "\talpha\t1\n" + cell + "\tbeta\t2\n");
    }

    // Standard input, its names and FIFOs are read as they come, for texts and for PDFs.
    void streams_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("source"); // "stdin" or "fifo"
        QTest::addColumn<bool>("pdf");
        QTest::addColumn<QString>("label"); // of the rows in per-file mode
        QTest::newRow("--text -") << QStringList{"--text", "-"} << "stdin" << false << "-";
        QTest::newRow("--text /dev/stdin") << QStringList{"--text", "/dev/stdin"} << "stdin" << false << "/dev/stdin";
        QTest::newRow("--text FIFO") << QStringList{"--text", "in.fifo"} << "fifo" << false << "in.fifo";
        QTest::newRow("PDF on -") << QStringList{"-"} << "stdin" << true << "-";
        QTest::newRow("PDF on /dev/stdin") << QStringList{"/dev/stdin"} << "stdin" << true << "/dev/stdin";
        QTest::newRow("PDF through a FIFO") << QStringList{"in.fifo"} << "fifo" << true << "in.fifo";
    }

    void streams() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, source);
        QFETCH(bool, pdf);
        QFETCH(QString, label);
        IsolatedEnvironment env;
        QByteArray content = "hello world hello\n";
        if (pdf) {
            const QString made =
                MakeTextPdf(env.Work() + QStringLiteral("/hello.pdf"), {QStringLiteral("hello world hello")});
            QVERIFY(!made.isEmpty());
            content = ReadAll(made);
        }
        QProcess writer;
        QByteArray input;
        if (source == QStringLiteral("fifo")) {
            const QString fifo = env.Work() + QStringLiteral("/in.fifo");
            QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
            // The writer opens the FIFO in its own process and waits there for the reader.
            writer.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("cat \"$0\" > \"$1\""),
                                                WriteTextFile(env.Work() + QStringLiteral("/content"), content), fifo});
        } else {
            input = content;
        }
        const Outcome outcome = RunCli(QStringList{"--per-file", "--format", "json"} + arguments, env.Work(), input);
        QCOMPARE(outcome.err, QByteArray());
        QCOMPARE(outcome.exitCode, 0);
        const QJsonObject json = QJsonDocument::fromJson(outcome.out).object();
        QStringList rows;
        for (const QJsonValue row : json[QStringLiteral("rows")].toArray()) {
            rows << row[0].toString() + u' ' + row[1].toString() + u' ' + row[2].toVariant().toString();
        }
        QCOMPARE(rows, (QStringList{label + QStringLiteral(" world 1"), label + QStringLiteral(" hello 2")}));
        QCOMPARE(json[QStringLiteral("unreadable")].toArray(), QJsonArray());
        if (source == QStringLiteral("fifo")) {
            QVERIFY(writer.waitForFinished(10000));
        }
    }

    // A spreadsheet or a script reads the CSV export with the right columns, whatever the file
    // names hold; counts are bare numbers, every row is there.
    void csvReadBack() {
        IsolatedEnvironment env;
        const QString odd = QStringLiteral("say \"hi\", then go.txt");
        WriteTextFile(env.Work() + u'/' + odd, "b a b");
        WriteTextFile(env.Work() + QStringLiteral("/plain.txt"), "caf\xC3\xA9");
        const Outcome outcome =
            RunCliHere({"--text", "--per-file", "--letters=all", "--format", "csv", "-o", "out.csv", odd, "plain.txt"},
                       env.Work());
        QCOMPARE(outcome.err, QByteArray());
        QCOMPARE(outcome.exitCode, 0);
        QProcess python;
        python.setWorkingDirectory(env.Work());
        python.start(QStringLiteral("python3"),
                     {QStringLiteral("-c"), QStringLiteral("import csv, json, sys\n"
                                                           "with open('out.csv', newline='', encoding='utf-8') as f:\n"
                                                           "    rows = list(csv.reader(f, strict=True))\n"
                                                           "print(json.dumps(rows))\n")});
        QVERIFY(python.waitForFinished(30000));
        QCOMPARE(python.exitCode(), 0);
        const QJsonArray rows = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
        const QJsonArray expected{QJsonArray{"Filename", " Words", "Count"}, QJsonArray{odd, "a", "1"},
                                  QJsonArray{odd, "b", "2"}, QJsonArray{"plain.txt", "caf\u00e9", "1"}};
        QCOMPARE(rows, expected);
        const QByteArray bytes = ReadAll(env.Work() + QStringLiteral("/out.csv"));
        QVERIFY(bytes.contains(",2\r\n")); // a count is a number, not a text
        QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
    }

    // What the options refuse, by the option table, in-process: one line naming the option.
    void optionsRefused_data() {
        QTest::addColumn<QString>("command"); // "" for a run
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("error");
        QTest::newRow("-j0") << "" << QStringList{"-j0", "--text", "one.txt"} << "--jobs needs a number from 1 to 256";
        QTest::newRow("--output= without a name")
            << "" << QStringList{"--output=", "--text", "one.txt"} << "--output needs a file name";
        QTest::newRow("unknown option") << "" << QStringList{"--bogus", "--text", "one.txt"}
                                        << "unknown option --bogus";
        QTest::newRow("unknown method") << "" << QStringList{"--method", "sql", "--text", "one.txt"}
                                        << "--method needs db or text";
        QTest::newRow("unknown format") << "" << QStringList{"--format=xml", "--text", "one.txt"}
                                        << "--format needs tsv, json, text or xlsx";
        QTest::newRow("unknown letters") << "" << QStringList{"--letters", "latin", "--text", "one.txt"}
                                         << "--letters needs ascii or all";
        QTest::newRow("unknown stemmer") << "" << QStringList{"--stem", "klingon", "--text", "one.txt"}
                                         << "--stem needs one of arabic, armenian, basque";
        QTest::newRow("dictionary words by the ASCII rule")
            << "" << QStringList{"--segment", "--text", "one.txt"} << "--segment needs --letters all";
        QTest::newRow("output without a name")
            << "" << QStringList{"--text", "one.txt", "-o"} << "-o needs a file name";
        QTest::newRow("workbook without a file")
            << "" << QStringList{"--format=xlsx", "--text", "one.txt"} << "--format xlsx needs -o FILE";
        QTest::newRow("merge, unknown option")
            << "merge" << QStringList{"--per-file", "a.json"} << "unknown option --per-file";
        QTest::newRow("--null alone") << "" << QStringList{"--text", "-0", "one.txt"} << "--null needs --files-from";
        QTest::newRow("the most frequent of a summary")
            << "" << QStringList{"--top", "1", "--summary", "--text", "one.txt"}
            << "--top and --most-frequent choose word rows";
        QTest::newRow("phrases, a workbook")
            << "phrases" << QStringList{"--format", "xlsx", "a.txt"} << "--format needs tsv, csv, json or text";
        QTest::newRow("concordance, no word") << "concordance" << QStringList{} << "no WORD given";
        QTest::newRow("totals of a summary")
            << "" << QStringList{"--totals", "--summary", "a.txt"} << "--totals adds to word rows";
        QTest::newRow("cache, a path") << "cache" << QStringList{"x"} << "unknown option x";
    }
    void optionsRefused() {
        QFETCH(QString, command);
        QFETCH(QStringList, arguments);
        QFETCH(QString, error);
        static const QHash<QString, CommandBit> commands{{"", kRunCommand},
                                                         {"merge", kMergeCommand},
                                                         {"phrases", kPhrasesCommand},
                                                         {"concordance", kConcordanceCommand},
                                                         {"cache", kCacheCommand}};
        const ParsedArguments parsed = ParseCommandArguments(commands.value(command), arguments);
        QVERIFY(!parsed.options && !parsed.help);
        QVERIFY2(parsed.error.startsWith(error), qPrintable(parsed.error));
        QVERIFY(!parsed.error.contains(u'\n'));
    }

    void exitCodes_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QString>("err"); // a part of standard error; "" when it must be empty
        QTest::newRow("no word in the text")
            << QStringList{"--text", "digits.txt"} << 1 << QByteArray(" Words\tCount\n") << "";
        QTest::newRow("no word, json") << QStringList{"--text", "--format", "json", "--per-file", "digits.txt"} << 1
                                       << QByteArray() << "";
        QTest::newRow("only a missing file") << QStringList{"--text", "--quiet", "gone.txt"} << 4
                                             << QByteArray(" Words\tCount\n") << "gone.txt: file not found";
        QTest::newRow("a mistyped path beside a good one")
            << QStringList{"--text", "one.txt", "gone.txt"} << 4 << QByteArray(" Words\tCount\nsat\t1\ncat\t2\n")
            << "gone.txt: file not found";
        QTest::newRow("-j2") << QStringList{"-j2", "--text", "one.txt"} << 0
                             << QByteArray(" Words\tCount\nsat\t1\ncat\t2\n") << "";
        QTest::newRow("--jobs=2") << QStringList{"--jobs=2", "--text", "one.txt"} << 0
                                  << QByteArray(" Words\tCount\nsat\t1\ncat\t2\n") << "";
        QTest::newRow("empty standard input as the text")
            << QStringList{"--text", "-"} << 1 << QByteArray(" Words\tCount\n") << "-: nothing was read (empty)";
        QTest::newRow("password from empty standard input")
            << QStringList{"--password-stdin", "--text", "one.txt"} << 2 << QByteArray()
            << "--password-stdin: standard input gave no password";
        QTest::newRow("password and text both on standard input")
            << QStringList{"--password-stdin", "--text", "-"} << 2 << QByteArray()
            << "--password-stdin and the PATH - cannot both read standard input";
        QTest::newRow("a folder") << QStringList{"--text", "."} << 1 << QByteArray(" Words\tCount\n")
                                  << ".: is a folder";
        QTest::newRow("an endless device") << QStringList{"--text", "/dev/zero"} << 1 << QByteArray(" Words\tCount\n")
                                           << "/dev/zero: not a regular file";
        QTest::newRow("a file of size 0 with a text")
            << QStringList{"--text", "/proc/self/status"} << 0 << QByteArray(" Words\tCount\n") << "";
        QTest::newRow("help") << QStringList{"--help"} << 0 << QByteArray("Usage: lexitally-cli") << "";
        // Without a PATH, standard input (not a terminal here, and empty) is the one PATH.
        QTest::newRow("no arguments") << QStringList{} << 1 << QByteArray(" Words\tCount\n")
                                      << "-: nothing was read (empty)";
        QTest::newRow("no path") << QStringList{"--text"} << 1 << QByteArray(" Words\tCount\n")
                                 << "-: nothing was read (empty)";
        QTest::newRow("paths from a list") << QStringList{"--text", "--files-from", "list.txt"} << 0
                                           << QByteArray(" Words\tCount\nsat\t1\ncat\t2\n") << "";
        QTest::newRow("paths from a NUL-separated list") << QStringList{"--text", "-0", "--files-from", "list0.txt"}
                                                         << 0 << QByteArray(" Words\tCount\nsat\t1\ncat\t2\n") << "";
        QTest::newRow("a list that is not there") << QStringList{"--text", "--files-from", "none.lst"} << 2
                                                  << QByteArray() << "--files-from none.lst: No such file or directory";
        QTest::newRow("the most frequent")
            << QStringList{"--top", "1", "--text", "one.txt"} << 0 << QByteArray(" Words\tCount\ncat\t2\n") << "";
        QTest::newRow("a total row") << QStringList{"--totals", "--text", "one.txt"} << 0
                                     << QByteArray(" Words\tCount\nsat\t1\ncat\t2\nthe\t2\n(total)\t5\n") << "";
        QTest::newRow("most frequent first, no header")
            << QStringList{"--most-frequent", "--no-header", "--text", "one.txt"} << 0
            << QByteArray("cat\t2\nthe\t2\nsat\t1\n") << "";
        QTest::newRow("common words of a missing file")
            << QStringList{"--stop-words", "none.txt", "--text", "one.txt"} << 2 << QByteArray()
            << "cannot read the common words: none.txt";
        QTest::newRow("a text given as a PDF")
            << QStringList{"one.txt"} << 1 << QByteArray(" Words\tCount\n")
            << "one.txt: password protected or text is protexted.\nlexitally-cli: No text was found in PDF(s).";
        QTest::newRow("merge, nothing to merge")
            << QStringList{"merge"} << 2 << QByteArray() << "merge: no RESULTS.json given (see merge --help)";
        QTest::newRow("merge help") << QStringList{"merge", "--help"} << 0 << QByteArray("Usage: lexitally-cli merge")
                                    << "";
    }

    void exitCodes() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QString, err);
        IsolatedEnvironment env;
        const Inputs inputs(env.Work());
        WriteTextFile(env.Work() + QStringLiteral("/digits.txt"), "42 -- 7\n");
        WriteTextFile(env.Work() + QStringLiteral("/list.txt"), "one.txt\n");
        WriteTextFile(env.Work() + QStringLiteral("/list0.txt"), QByteArray("one.txt\0", 8));
        const Outcome outcome = RunCli(arguments, env.Work()); // the program's own exit status
        QCOMPARE(outcome.exitCode, exitCode);
        if (out.isEmpty()) {
            if (!arguments.contains(QStringLiteral("json"))) {
                QCOMPARE(outcome.out, QByteArray());
            } else {
                QVERIFY(QJsonDocument::fromJson(outcome.out)[QStringLiteral("rows")].toArray().isEmpty());
            }
        } else {
            QVERIFY2(outcome.out.startsWith(out), outcome.out.constData());
        }
        if (err.isEmpty()) {
            QCOMPARE(outcome.err, QByteArray());
        } else {
            QVERIFY2(outcome.err.contains(err.toUtf8()), outcome.err.constData());
            if (exitCode == 2) {
                QCOMPARE(outcome.err.count('\n'), 1); // one line
            }
        }
        inputs.VerifyUntouched();
    }

    void outputFile_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QStringList>("options"); // FILE stands for the target
        QTest::addColumn<int>("exitCode");
        const QStringList o{"-o", "FILE"};
        QTest::newRow("new file") << "result.tsv" << o << 0;
        QTest::newRow("replaces an existing file") << "existing.tsv" << o << 0;
        QTest::newRow("folder missing") << "no/such/folder/result.tsv" << o << 1;
        QTest::newRow("-oFILE") << "result.tsv" << QStringList{"-oFILE"} << 0;
        QTest::newRow("--output=FILE") << "result.tsv" << QStringList{"--output=FILE"} << 0;
        QTest::newRow("--output FILE") << "result.tsv" << QStringList{"--output", "FILE"} << 0;
        QTest::newRow("new workbook") << "result.xlsx" << QStringList{"--format=xlsx", "-oFILE"} << 0;
    }

    void outputFile() {
        QFETCH(QString, target);
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        IsolatedEnvironment env;
        const Inputs inputs(env.Work());
        WriteTextFile(env.Work() + QStringLiteral("/existing.tsv"), QByteArray(10000, 'x'));
        options.replaceInStrings(QStringLiteral("FILE"), target);
        const Outcome outcome = RunCliHere(QStringList{"--text"} + options + QStringList{"two.txt"}, env.Work());
        QCOMPARE(outcome.exitCode, exitCode);
        QCOMPARE(outcome.out, QByteArray());
        if (exitCode == 0) {
            QCOMPARE(outcome.err, QByteArray());
            const QString path = env.Work() + u'/' + target;
            if (target.endsWith(QStringLiteral(".xlsx"))) {
                QVERIFY(ReadAll(path).startsWith("PK"));
            } else {
                QCOMPARE(ReadAll(path), Lines({" Words\tCount", "sat\t1", "the\t1"}));
            }
            // A new output gets the access of any new file: 0666 less the umask.
            const mode_t mask = ::umask(0);
            ::umask(mask);
            struct stat info {};
            QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
            if (target != QStringLiteral("existing.tsv")) {
                QCOMPARE(info.st_mode & 0777, 0666 & ~mask);
            }
        } else {
            QVERIFY(outcome.err.startsWith("lexitally-cli: cannot write " + target.toUtf8()));
        }
        inputs.VerifyUntouched();
    }

    // Start-up makes the working database ready without the main window: from the template,
    // or with the table created directly when there is no template.
    // A folder in the working database's place is left alone and said once; the text method counts.
    void workingDatabase_data() {
        QTest::addColumn<bool>("withTemplate");
        QTest::addColumn<bool>("folderInPlace");
        QTest::newRow("template present") << true << false;
        QTest::newRow("template absent") << false << false;
        QTest::newRow("a folder in its place") << true << true;
    }

    void workingDatabase() {
        QFETCH(bool, withTemplate);
        QFETCH(bool, folderInPlace);
        IsolatedEnvironment env;
        if (!withTemplate) {
            env.Set("LEXITALLY_APP_DIR", env.Root() + QStringLiteral("/empty-app"));
        }
        const Inputs inputs(env.Work());
        QVERIFY(!QFileInfo::exists(WorkingDatabasePath()));
        if (folderInPlace) {
            QVERIFY(QDir().mkpath(WorkingDatabasePath()));
        }
        const Outcome outcome = RunCliHere({"--text", "--format", "json", "two.txt"}, env.Work());
        QCOMPARE(outcome.exitCode, 0);
        QCOMPARE(QJsonDocument::fromJson(outcome.out)[QStringLiteral("method")].toString(),
                 folderInPlace ? QStringLiteral("text") : QStringLiteral("db"));
        QCOMPARE(QJsonDocument::fromJson(outcome.out)[QStringLiteral("rows")].toArray().size(), 2);
        if (folderInPlace) {
            QVERIFY(QFileInfo(WorkingDatabasePath()).isDir());
            QCOMPARE(outcome.err.count('\n'), 1);
            QVERIFY2(outcome.err.contains("is a folder); using the text method"), outcome.err.constData());
        } else {
            QCOMPARE(outcome.err, QByteArray());
            QVERIFY(QFileInfo(WorkingDatabasePath()).isFile());
        }
        inputs.VerifyUntouched();
    }

    // A corpus counted in parts and merged gives, byte for byte, what one run over all of it
    // gives, in every mode, letter-case setting and method; merged results merge again.
    void merge_data() {
        QTest::addColumn<QStringList>("options");
        for (const QString& method : {QStringLiteral("db"), QStringLiteral("text")}) {
            for (const bool perFile : {false, true}) {
                for (const bool caseSensitive : {false, true}) {
                    QStringList options{QStringLiteral("--method"), method};
                    if (perFile) {
                        options << QStringLiteral("--per-file");
                    }
                    if (caseSensitive) {
                        options << QStringLiteral("--case-sensitive");
                    }
                    QTest::addRow("%s", qPrintable(options.join(u' '))) << options;
                }
            }
        }
    }

    void merge() {
        QFETCH(QStringList, options);
        IsolatedEnvironment env;
        const Inputs inputs(env.Work());
        // Ties across the parts, spellings that differ in letter case only and whose smallest
        // spelling is in another part, a text without a final line break, an empty text, a
        // part with nothing but that, a blank line, CR LF, a missing file.
        WriteTextFile(env.Work() + QStringLiteral("/three.txt"), "Sat the apple\nApple APPLE zebra Zebra");
        WriteTextFile(env.Work() + QStringLiteral("/empty.txt"), "");
        WriteTextFile(env.Work() + QStringLiteral("/four.txt"), "dog bee\n\ncat Dog DOG\r\nzebra bee\n");
        WriteTextFile(env.Work() + QStringLiteral("/five.txt"), "apple app Zebra bee Dog CAT bee");
        const QList<QStringList> parts{
            {"one.txt", "three.txt", "missing.txt"}, {"empty.txt"}, {"two.txt", "four.txt", "five.txt"}};
        const QStringList json{"--text", "--format", "json"};
        const Outcome single = RunCliHere(options + json + parts[0] + parts[1] + parts[2], env.Work());
        QCOMPARE(single.exitCode, 4); // missing.txt
        QStringList names;
        for (qsizetype i = 0; i < parts.size(); ++i) {
            const Outcome part = RunCliHere(options + json + parts[i], env.Work());
            QVERIFY(part.exitCode == 0 || part.exitCode == 1 || part.exitCode == 4);
            names << QStringLiteral("part%1.json").arg(i);
            WriteTextFile(env.Work() + u'/' + names.last(), part.out);
        }
        const Outcome merged = RunCliHere(QStringList{"merge"} + names, env.Work());
        QCOMPARE(merged.err, QByteArray());
        QCOMPARE(merged.exitCode, 0);
        QCOMPARE(merged.out, single.out);

        // The first two merged first, then the third; and a merge to TSV.
        const Outcome firstTwo = RunCliHere({"merge", "-o", "first-two.json", names[0], names[1]}, env.Work());
        QCOMPARE(firstTwo.exitCode, 0);
        const Outcome again = RunCliHere({"merge", "first-two.json", names[2]}, env.Work());
        QCOMPARE(again.out, single.out);
        const Outcome tsv = RunCliHere(QStringList{"merge", "--format", "tsv"} + names, env.Work());
        QCOMPARE(tsv.out, RunCliHere(options + QStringList{"--text"} + parts[0] + parts[1] + parts[2], env.Work()).out);
    }

    // Results that cannot be merged are refused with one line and exit status 2.
    // Parts counted with common words left out: the merge adds up how many.
    void mergeAddsStoppedWords() {
        IsolatedEnvironment env;
        const Inputs inputs(env.Work());
        for (const QString& part : {QStringLiteral("one"), QStringLiteral("two")}) {
            const Outcome outcome = RunCliHere({"--text", "--stop-words", "english", "--format", "json", "-o",
                                                part + QStringLiteral(".json"), part + QStringLiteral(".txt")},
                                               env.Work());
            QCOMPARE(outcome.exitCode, 0);
        }
        const Outcome merged = RunCliHere({"merge", "one.json", "two.json"}, env.Work());
        QCOMPARE(merged.err, QByteArray());
        QCOMPARE(merged.exitCode, 0);
        const QJsonObject json = QJsonDocument::fromJson(merged.out).object();
        QCOMPARE(json[QStringLiteral("stopped_words")].toInteger(), 3); // "The", "the" and "the"
        QCOMPARE(json[QStringLiteral("totals")][QStringLiteral("words")].toInteger(), 7);
        QCOMPARE(json[QStringLiteral("rows")].toArray().size(), 2); // cat and sat
    }

    void mergeRefused_data() {
        QTest::addColumn<QStringList>("second"); // the options of the second part's run; "" for a file of its own
        QTest::addColumn<QByteArray>("file");    // that file's content
        QTest::addColumn<QString>("err");
        const QString alike = QStringLiteral("the parts must be counted alike");
        QTest::newRow("per file with all files") << QStringList{"--per-file"} << QByteArray() << alike;
        QTest::newRow("text method with database method") << QStringList{"--method", "text"} << QByteArray() << alike;
        QTest::newRow("case-sensitive with case ignored") << QStringList{"--case-sensitive"} << QByteArray() << alike;
        QTest::newRow("word forms grouped with spellings apart")
            << QStringList{"--stem", "english"} << QByteArray() << alike;
        QTest::newRow("word forms grouped in both")
            << QStringList{"--stem", "english"} << QByteArray() << "cannot merge results with word forms grouped";
        QTest::newRow("malformed word options")
            << QStringList{}
            << QByteArray(R"({"mode":"all","method":"db","ignore_case":true,"word_options":{"stem":1},)"
                          R"("totals":{"words":1,"lines":0,"chars_with_spaces":1,"chars_without_spaces":1},)"
                          R"("columns":[" Words","Count"],"rows":[],"unreadable":[]})")
            << "second.json: word_options is not segment, compat_forms and stem";
        QTest::newRow("not JSON") << QStringList{} << QByteArray("Cat\t2\n") << "second.json: not JSON";
        QTest::newRow("other JSON") << QStringList{} << QByteArray("{\"rows\": []}")
                                    << "second.json: mode is not all or per-file";
        QTest::newRow("a row without a count")
            << QStringList{}
            << QByteArray(R"({"mode":"all","method":"db","ignore_case":true,"totals":{"words":1,)"
                          R"("lines":0,"chars_with_spaces":1,"chars_without_spaces":1},)"
                          R"("columns":[" Words","Count"],"rows":[["a","x"]],"unreadable":[]})")
            << "second.json: row 1 is not a word with its count";
        QTest::newRow("missing") << QStringList{} << QByteArray() << "cannot read second.json";
    }

    void mergeRefused() {
        QFETCH(QStringList, second);
        QFETCH(QByteArray, file);
        QFETCH(QString, err);
        IsolatedEnvironment env;
        const Inputs inputs(env.Work());
        // A row whose name ends "in both" counts the first part with the second part's options too.
        const QStringList first = QByteArray(QTest::currentDataTag()).endsWith("in both") ? second : QStringList{};
        WriteTextFile(env.Work() + QStringLiteral("/first.json"),
                      RunCliHere(first + QStringList{"--text", "--format", "json", "one.txt"}, env.Work()).out);
        if (!second.isEmpty()) {
            WriteTextFile(env.Work() + QStringLiteral("/second.json"),
                          RunCliHere(second + QStringList{"--text", "--format", "json", "two.txt"}, env.Work()).out);
        } else if (!file.isEmpty()) {
            WriteTextFile(env.Work() + QStringLiteral("/second.json"), file);
        }
        const Outcome outcome = RunCliHere({"merge", "first.json", "second.json"}, env.Work());
        QCOMPARE(outcome.exitCode, 2);
        QCOMPARE(outcome.out, QByteArray());
        QVERIFY2(outcome.err.startsWith("lexitally-cli: merge: "), outcome.err.constData());
        QVERIFY2(outcome.err.contains(err.toUtf8()), outcome.err.constData());
        QCOMPARE(outcome.err.count('\n'), 1);
    }

    // A read-only working database is rebuilt once, with a message naming it. File permissions
    // do not bind the superuser, who therefore runs the program as nobody here.
    void readOnlyWorkingDatabase() {
        IsolatedEnvironment env;
        const Inputs inputs(env.Work());
        QCOMPARE(RunCliHere({"--text", "two.txt"}, env.Work()).exitCode, 0); // makes the working database
        const QString db = WorkingDatabasePath();
        QVERIFY(QFile::setPermissions(db, QFileDevice::ReadOwner));
        const bool root = ::geteuid() == 0;
        if (root) {
            QCOMPARE(QProcess::execute(QStringLiteral("chown"), {"-R", "nobody:", env.Root()}), 0);
            const QString cli = TestBinDir() + QStringLiteral("/lexitally-cli");
            if (QProcess::execute(QStringLiteral("runuser"),
                                  {"-u", "nobody", "--", "test", "-w", DataFolder(), "-a", "-x", cli}) != 0) {
                QSKIP("nobody cannot reach the test's folders or the program here");
            }
        }
        const auto run = [&] {
            const QStringList arguments{"--text", "two.txt"};
            return root ? RunCliAs(QStringLiteral("nobody"), arguments, env.Work()) : RunCliHere(arguments, env.Work());
        };
        const Outcome first = run();
        QCOMPARE(first.exitCode, 0);
        QCOMPARE(first.out, Lines({" Words\tCount", "sat\t1", "the\t1"}));
        QVERIFY2(first.err.contains(
                     ("The working database " + db + " could not be used (the file is read-only) and has been rebuilt.")
                         .toUtf8()),
                 first.err.constData());
        QCOMPARE(first.err.count('\n'), 1);
        QVERIFY(QFileInfo(db).permissions() & QFileDevice::WriteOwner);
        const Outcome second = run();
        QCOMPARE(second.exitCode, 0);
        QCOMPARE(second.err, QByteArray());
    }

    // A run killed in the middle of its words leaves the working database sound: the next run
    // neither rebuilds it nor fails.
    void killedRun() {
        IsolatedEnvironment env;
        const Inputs inputs(env.Work());
        QByteArray big;
        for (int i = 0; big.size() < 12'000'000; ++i) {
            for (int n = i % 200'000;; n /= 26) { // 200,000 distinct words
                big += static_cast<char>('a' + n % 26);
                if (n < 26) {
                    break;
                }
            }
            big += i % 12 == 11 ? '\n' : ' ';
        }
        WriteTextFile(env.Work() + QStringLiteral("/big.txt"), big);
        QCOMPARE(RunCliHere({"--text", "--quiet", "big.txt"}, env.Work()).exitCode, 0);
        const QString db = WorkingDatabasePath();
        // Killed early (while an earlier run's words would be cleared away), amid the words, later.
        for (const int milliseconds : {30, 300, 800}) {
            QProcess process;
            process.setWorkingDirectory(env.Work());
            process.start(TestBinDir() + QStringLiteral("/lexitally-cli"), {"--text", "--quiet", "big.txt"});
            QVERIFY(process.waitForStarted());
            if (!process.waitForFinished(milliseconds)) {
                ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
                QVERIFY(process.waitForFinished());
            }
            QCOMPARE(DatabaseIntegrity(db), QStringLiteral("ok"));
        }
        const Outcome next = RunCliHere({"--text", "two.txt"}, env.Work());
        QCOMPARE(next.exitCode, 0);
        QCOMPARE(next.err, QByteArray());
        QCOMPARE(next.out, Lines({" Words\tCount", "sat\t1", "the\t1"}));
    }

    // Real converter output of a PDF made here, counted through --text.
    void convertedPdf() {
        IsolatedEnvironment env;
        const QString pdf = env.Work() + QStringLiteral("/letter.pdf");
        QVERIFY(
            !MakeTextPdf(pdf, {QStringLiteral("Hello world of office files\nhello again, World! 2024")}, kSansFont, 14)
                 .isEmpty());
        const QString text = env.Work() + QStringLiteral("/letter.txt");
        QProcess converter;
        converter.start(QStringLiteral("pdftotext"), {"-enc", "UTF-8", pdf, text});
        QVERIFY(converter.waitForFinished(60000));
        QCOMPARE(converter.exitCode(), 0);
        const QByteArray converted = ReadAll(text);
        QVERIFY(!converted.isEmpty());

        const Outcome outcome = RunCliHere({"--text", "--format", "json", "letter.txt"}, env.Work());
        QCOMPARE(outcome.exitCode, 0);
        const QJsonObject json = QJsonDocument::fromJson(outcome.out).object();
        QStringList rows;
        for (const QJsonValue row : json[QStringLiteral("rows")].toArray()) {
            rows << row.toArray()[0].toString() + u' ' + row.toArray()[1].toVariant().toString();
        }
        // Ligature glyphs of the font ("ffi" in "office") come out as the letters.
        QCOMPARE(rows, (QStringList{"again 1", "files 1", "of 1", "office 1", "hello 2", "world 2"}));
        const QJsonObject totals = json[QStringLiteral("totals")].toObject();
        QCOMPARE(totals[QStringLiteral("words")].toInteger(), 8);
        const CharCounts counts = CountCharacters(converted);
        QCOMPARE(totals[QStringLiteral("chars_with_spaces")].toInteger(), counts.withSpaces);
        QCOMPARE(totals[QStringLiteral("chars_without_spaces")].toInteger(), counts.withoutSpaces);
        QCOMPARE(ReadAll(text), converted);
    }

    // Parts counted with the letters of all languages merge into what one run gives, in every
    // mode, letter-case setting and method, and say which letters they were counted with.
    void mergeAllLetters_data() {
        QTest::addColumn<QStringList>("options");
        for (const QString& method : {QStringLiteral("db"), QStringLiteral("text")}) {
            for (const bool perFile : {false, true}) {
                for (const bool caseSensitive : {false, true}) {
                    QStringList options{QStringLiteral("--letters"), QStringLiteral("all"), QStringLiteral("--method"),
                                        method};
                    if (perFile) {
                        options << QStringLiteral("--per-file");
                    }
                    if (caseSensitive) {
                        options << QStringLiteral("--case-sensitive");
                    }
                    QTest::addRow("%s", qPrintable(options.join(u' '))) << options;
                }
            }
        }
    }

    void mergeAllLetters() {
        QFETCH(QStringList, options);
        IsolatedEnvironment env;
        // Spellings that differ in letter case only across the parts ("Straße", "STRASSE"), a
        // letter with a combining accent against the precomposed one, Greek, Cyrillic, a word
        // of one line alone.
        WriteTextFile(env.Work() + QStringLiteral("/one.txt"), "Straße naïve Ελλάδα café\nСЛОВО слово");
        WriteTextFile(env.Work() + QStringLiteral("/two.txt"), "STRASSE strasse NAÏVE cafe\xcc\x81 zebra");
        WriteTextFile(env.Work() + QStringLiteral("/three.txt"), "ΕΛΛΆΔΑ Straße İstanbul istanbul\n");
        const QStringList json{"--text", "--format", "json"};
        const Outcome single = RunCliHere(options + json + QStringList{"one.txt", "two.txt", "three.txt"}, env.Work());
        QCOMPARE(single.exitCode, 0);
        QCOMPARE(QJsonDocument::fromJson(single.out)[QStringLiteral("letters")].toString(), QStringLiteral("all"));
        WriteTextFile(env.Work() + QStringLiteral("/first.json"),
                      RunCliHere(options + json + QStringList{"one.txt"}, env.Work()).out);
        WriteTextFile(env.Work() + QStringLiteral("/second.json"),
                      RunCliHere(options + json + QStringList{"two.txt", "three.txt"}, env.Work()).out);
        const Outcome merged = RunCliHere({"merge", "first.json", "second.json"}, env.Work());
        QCOMPARE(merged.err, QByteArray());
        QCOMPARE(merged.exitCode, 0);
        QCOMPARE(merged.out, single.out);
        if (options.contains(QStringLiteral("--case-sensitive")) && !options.contains(QStringLiteral("--per-file")) &&
            options.contains(QStringLiteral("db"))) {
            // The database joins "Straße" (2), "STRASSE" and "strasse" under the smallest spelling.
            QVERIFY2(merged.out.contains(R"(["STRASSE",4])"), merged.out.constData());
        }
    }

    // --summary: one row per file in each format. The fixture's text, as pdftotext gives it:
    // "One two three\n\n\fFour seven\nsix six\n\n\f" (each page ends with a form feed, each
    // paragraph with a blank line): 2 pages, 7 words, 6 of them distinct, 6 lines (5 by the
    // run's rule, which counts the line breaks between lines), 32 characters (13 + 11 + 7 + 1;
    // the form feeds count, line ends do not), 28 without the 4 spaces. The image page's text is
    // one form feed.
    // The corpus commands and --stats over two texts of 7 and 5 words (shares 7/12 and 5/12).
    void corpusCommands_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("lines");
        // DP: in one file only (1 - 7/12 + 5/12) / 2 = .4167, in two only .5833; cat (2 and 1):
        // (|2/3 - 7/12| + |1/3 - 5/12|) / 2 = .0833.
        QTest::newRow("stats") << QStringList{"--stats", "--text", "one.txt", "two.txt"} << 0
                               << QStringList{" Words\tCount\tPer million\tRange\tDP",
                                              "and\t1\t83333.33\t1\t0.5833",
                                              "away\t1\t83333.33\t1\t0.4167",
                                              "dog\t1\t83333.33\t1\t0.5833",
                                              "ran\t1\t83333.33\t1\t0.4167",
                                              "sat\t1\t83333.33\t1\t0.4167",
                                              "a\t2\t166666.67\t1\t0.5833",
                                              "the\t2\t166666.67\t1\t0.4167",
                                              "cat\t3\t250000.00\t2\t0.0833"};
        // A file listed twice is one file of the corpus, as it is one of the counts.
        QTest::newRow("stats, a file listed twice")
            << QStringList{"--stats", "--text", "one.txt", "two.txt", "one.txt"} << 0
            << QStringList{" Words\tCount\tPer million\tRange\tDP",
                           "and\t1\t83333.33\t1\t0.5833",
                           "away\t1\t83333.33\t1\t0.4167",
                           "dog\t1\t83333.33\t1\t0.5833",
                           "ran\t1\t83333.33\t1\t0.4167",
                           "sat\t1\t83333.33\t1\t0.4167",
                           "a\t2\t166666.67\t1\t0.5833",
                           "the\t2\t166666.67\t1\t0.4167",
                           "cat\t3\t250000.00\t2\t0.0833"};
        QTest::newRow("stats per file") << QStringList{"--stats", "--per-file", "--text", "one.txt"} << 2
                                        << QStringList{};
        QTest::newRow("stats with word forms")
            << QStringList{"--stats", "--stem", "english", "--text", "one.txt"} << 2 << QStringList{};
        QTest::newRow("phrases, none across a page")
            << QStringList{"phrases", "--text", "--length", "2", "--min-count", "2", "one.txt", "two.txt"} << 0
            << QStringList{"Phrase\tCount", "the cat\t2"};
        QTest::newRow("phrases, the most frequent")
            << QStringList{"phrases", "--text", "--top", "1", "--no-header", "one.txt", "two.txt"} << 0
            << QStringList{"the cat\t2"};
        QTest::newRow("phrases, length out of range")
            << QStringList{"phrases", "--text", "--length", "6", "one.txt"} << 2 << QStringList{};
        // "the": 2 of 7 words against none of 5: E1 = 7 * 2 / 12, G2 = 4 ln(2 / E1), Log ratio
        // log2((2 / 7) / (0.5 / 5)); no %DIFF without the word in the reference.
        QTest::newRow("keywords") << QStringList{"keywords", "--text", "--reference", "two.txt",
                                                 "--top",    "1",      "--no-header", "one.txt"}
                                  << 0 << QStringList{"the\t2\t285714.29\t0\t0.00\t2.16\t0.142015\t1.51\t"};
        QTest::newRow("keywords without a reference")
            << QStringList{"keywords", "--text", "one.txt"} << 2 << QStringList{};
        // "the" before "cat" twice (f(cat) 3, f(the) 2, N 12, span 1): E = 0.5, MI 2, T 1.5 / sqrt 2,
        // logDice 14 + log2(4 / 5).
        QTest::newRow("collocates") << QStringList{"collocates", "--text", "--left",      "1",   "--right", "0",
                                                   "--top",      "1",      "--no-header", "cat", "one.txt", "two.txt"}
                                    << 0 << QStringList{"the\t2\t0\t2\t2\t2.00\t1.06\t13.68\t6.99"};
        QTest::newRow("concordance") << QStringList{"concordance", "--text",  "--context", "4",
                                                    "CAT",         "one.txt", "two.txt"}
                                     << 0
                                     << QStringList{"File\tPage\tLeft\tWord\tRight", "one.txt\t1\tThe \tcat\t sat",
                                                    "one.txt\t1\tThe \tcat\t  ra", "two.txt\t1\ta \tcat\t and"};
        // "cat" is the 2nd and 5th of one.txt's 7 words and the 2nd of two.txt's 5.
        QTest::newRow("dispersion") << QStringList{"dispersion", "--text", "cat", "one.txt", "two.txt"} << 0
                                    << QStringList{"File\tPage\tPosition", "one.txt\t1\t0.1429", "one.txt\t1\t0.5714",
                                                   "two.txt\t1\t0.2000"};
        QTest::newRow("svg only for dispersion")
            << QStringList{"concordance", "--text", "--format", "svg", "cat", "one.txt"} << 2 << QStringList{};
        QTest::newRow("concordance, no line") << QStringList{"concordance", "--text", "dog", "one.txt"} << 1
                                              << QStringList{"File\tPage\tLeft\tWord\tRight"};
        // The full-width spelling is the word only when compatibility forms are read as letters.
        QTest::newRow("concordance, compatibility forms")
            << QStringList{"concordance", "--text", "--letters", "all",      "--compat-forms",
                           "--context",   "3",      "cat",       "three.txt"}
            << 0
            << QStringList{"File\tPage\tLeft\tWord\tRight", "three.txt\t1\t\t\uFF43\uFF41\uFF54\t ca",
                           "three.txt\t1\t\uFF41\uFF54 \tcat\t "};
        QTest::newRow("concordance, compatibility forms kept apart")
            << QStringList{"concordance", "--text", "--letters", "all", "--context", "3", "cat", "three.txt"} << 0
            << QStringList{"File\tPage\tLeft\tWord\tRight", "three.txt\t1\t\uFF41\uFF54 \tcat\t "};
        QTest::newRow("concordance, compatibility forms need every alphabet")
            << QStringList{"concordance", "--text", "--compat-forms", "cat", "three.txt"} << 2 << QStringList{};
        QTest::newRow("concordance, two words")
            << QStringList{"concordance", "--text", "a cat", "one.txt"} << 2 << QStringList{};
        // "-" reads one.txt from standard input, as a run reads it.
        QTest::newRow("concordance of standard input")
            << QStringList{"concordance", "--text", "--context", "4", "cat", "-"} << 0
            << QStringList{"File\tPage\tLeft\tWord\tRight", "-\t1\tThe \tcat\t sat", "-\t1\tThe \tcat\t  ra"};
        QTest::newRow("phrases with the run's options -oFILE -j -q")
            << QStringList{"phrases", "--text", "-j2", "-q", "-ophrases.tsv", "one.txt"} << 0 << QStringList{};
    }

    void corpusCommands() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QStringList, lines);
        IsolatedEnvironment env;
        WriteTextFile(env.Work() + QStringLiteral("/one.txt"), "The cat sat.\nThe cat\n\fran away\n");
        WriteTextFile(env.Work() + QStringLiteral("/two.txt"), "a cat and a dog\n");
        WriteTextFile(env.Work() + QStringLiteral("/three.txt"), "\uFF43\uFF41\uFF54 cat\n");
        const Outcome outcome =
            RunCliHere(arguments, env.Work(),
                       arguments.contains(QStringLiteral("-")) ? ReadAll(env.Work() + "/one.txt") : QByteArray());
        QCOMPARE(outcome.exitCode, exitCode);
        QCOMPARE(QString::fromUtf8(outcome.out).split(u'\n', Qt::SkipEmptyParts), lines);
    }

    // In JSON every number of the statistics columns is a number, decimals as in the other formats;
    // the corpus commands' JSON has its format and the kind of each unreadable file.
    void numbersInJson() {
        IsolatedEnvironment env;
        WriteTextFile(env.Work() + QStringLiteral("/two.txt"), "a cat and a dog\n");
        const Outcome stats = RunCliHere({"--stats", "--format", "json", "--text", "two.txt"}, env.Work());
        QVERIFY2(stats.out.contains(R"(["a",2,400000.00,1,0.0000])"), stats.out.constData());
        const Outcome phrases =
            RunCliHere({"phrases", "--format", "json", "--text", "two.txt", "gone.txt"}, env.Work());
        QVERIFY2(phrases.out.contains(R"("format":1)") &&
                     phrases.out.contains(R"({"kind":"not-found","path":"gone.txt","reason":"file not found"})"),
                 phrases.out.constData());
    }

    // The concordance's memory and output grow with its hits, not with the length of the tokens
    // around them: a long token of many words, a long line of Chinese without blanks.
    void concordanceMemory_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("word");
        QTest::addColumn<int>("hits");
        QTest::newRow("a long token") << QString(QStringLiteral("a,")).repeated(16000) << QStringList{} << "a" << 16000;
        QTest::newRow("Chinese without blanks")
            << QStringLiteral("\u5982\u679c\u8fd8\u6ca1\u6709\u5b89\u88c5\uff0c").repeated(40000)
            << QStringList{"--segment"} << "\u5b89\u88c5" << 40000;
    }
    void concordanceMemory() {
        QFETCH(QString, text);
        QFETCH(QStringList, options);
        QFETCH(QString, word);
        QFETCH(int, hits);
        if (!AddressSpaceLimitsWork()) {
            QSKIP("the sanitizers reserve more address space than the limit");
        }
        IsolatedEnvironment env;
        WriteTextFile(env.Work() + QStringLiteral("/long.txt"), text.toUtf8() + '\n');
        QStringList command{TestBinDir() + QStringLiteral("/lexitally-cli"),
                            "concordance",
                            "--text",
                            "--letters",
                            "all",
                            "--context",
                            "10"};
        command << options << word << QStringLiteral("long.txt");
        QProcess limited;
        limited.setWorkingDirectory(env.Work());
        limited.start(QStringLiteral("bash"), QStringList{"-c", "ulimit -v 400000; exec \"$@\"", "bash"} + command);
        QVERIFY(limited.waitForFinished(60000));
        QCOMPARE(limited.exitStatus(), QProcess::NormalExit);
        QCOMPARE(limited.exitCode(), 0);
        const QByteArray out = limited.readAllStandardOutput();
        const QList<QByteArray> lines = out.split('\n');
        QCOMPARE(lines.size(), hits + 2); // the header, and the empty piece after the last line end
        for (const QByteArray& line : lines.mid(1, hits)) {
            QCOMPARE(QString::fromUtf8(line.split('\t').value(3)), word);
        }
        QVERIFY(out.size() < qint64(hits) * 80);
    }

    void summary_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QList<QStringList>>("rows");
        const QStringList header{
            "File",           "Pages",  "Words", "Lines", "Characters with spaces", "Characters without spaces",
            "Distinct words", "Reason", "Kind"};
        const QStringList pages{"pages.pdf", "2", "7", "5", "32", "28", "6", "", ""};
        const QStringList scan{"scan.pdf",
                               "1",
                               "0",
                               "0",
                               "1",
                               "1",
                               "0",
                               "text unreadable. Please view the file yourself to see if it is really a scanned "
                               "image of text and not proper PDF text.",
                               "no-text"};
        const QStringList missing{"missing.pdf", "", "", "", "", "", "", "not found", "not-found"};
        for (const QString& format : {QStringLiteral("tsv"), QStringLiteral("csv"), QStringLiteral("text")}) {
            QTest::addRow("%s", qPrintable(format))
                << QStringList{"--summary", "--format", format} << QList<QStringList>{header, pages, scan, missing};
        }
        QTest::newRow("per file and text method alike") << QStringList{"--per-file", "--method=text", "--summary"}
                                                        << QList<QStringList>{header, pages, scan, missing};
        // Common words have no row: "one" and "six" of common.txt leave four distinct words.
        QTest::newRow("common words left out")
            << QStringList{"--summary", "--stop-words", "common.txt"}
            << QList<QStringList>{header, {"pages.pdf", "2", "7", "5", "32", "28", "4", "", ""}, scan, missing};
        // The profile counts them all, after the other columns (its measures are tested in the core).
        const QStringList profile{"Types", "TTR", "STTR", "MATTR", "MTLD", "Mean word length"};
        QTest::newRow("profile") << QStringList{"--profile", "--stop-words", "common.txt"}
                                 << QList<QStringList>{header + profile,
                                                       {"pages.pdf", "2", "7", "5", "32", "28", "4", "", "", "6",
                                                        "0.8571", "", "", "10.36", "3.71"},
                                                       scan + QStringList{"0", "", "", "", "", ""},
                                                       missing + QStringList{"", "", "", "", "", ""}};
    }

    void summary() {
        QFETCH(QStringList, options);
        QFETCH(QList<QStringList>, rows);
        IsolatedEnvironment env;
        QVERIFY(
            !MakeTextPdf(env.Work() + QStringLiteral("/pages.pdf"), {"One two three", "Four seven\nsix six"}, kSansFont)
                 .isEmpty());
        QVERIFY(!MakeImagePdf(env.Work() + QStringLiteral("/scan.pdf")).isEmpty());
        WriteTextFile(env.Work() + QStringLiteral("/common.txt"), "one\nsix\n");
        const Outcome outcome = RunCliHere(options + QStringList{"pages.pdf", "scan.pdf", "missing.pdf"}, env.Work());
        QCOMPARE(outcome.exitCode, 4); // a PATH that does not exist
        const QString format = options.value(options.indexOf(QStringLiteral("--format")) + 1);
        QList<QStringList> got;
        for (QString line : QString::fromUtf8(outcome.out).split(u'\n', Qt::SkipEmptyParts)) {
            if (format == QStringLiteral("csv")) {
                QVERIFY(line.endsWith(u'\r'));
                line.chop(1);
                QStringList cells;
                // The cells hold no comma or quote: a quoted cell is a text, a bare one a number.
                for (const QString& cell : line.split(u',')) {
                    cells << (cell.startsWith(u'"') ? cell.mid(1, cell.size() - 2) : cell);
                    QVERIFY2(cell.startsWith(u'"') || !cell.isEmpty(), qPrintable(line));
                }
                got << cells;
            } else if (format == QStringLiteral("text")) {
                QVERIFY(line.endsWith(QStringLiteral("\t\r")));
                line.chop(2);
                QStringList cells;
                for (const QString& cell : line.split(u'\t')) {
                    cells << cell.trimmed(); // padded to the column's width
                }
                got << cells;
            } else {
                got << line.split(u'\t');
            }
        }
        QCOMPARE(got, rows);
    }

    // --summary in JSON: the files under "files" with numbers for counts, the totals those of the
    // files counted apart, and the word rows only with --per-file.
    void summaryJson_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QByteArray>("files");
        QTest::addColumn<bool>("rows");
        const QByteArray files =
            R"([{"path":"pages.pdf","pages":2,"words":7,"lines":5,"chars_with_spaces":32,"chars_without_spaces":28,)"
            R"("distinct_words":6},{"path":"missing.pdf","reason":"not found","kind":"not-found"}])";
        QTest::newRow("summary") << QStringList{"--summary"} << files << false;
        QTest::newRow("summary next to the rows of each file")
            << QStringList{"--summary", "--per-file"} << files << true;
        QTest::newRow("common words left out")
            << QStringList{"--summary", "--stop-words", "common.txt"}
            << QByteArray(R"([{"path":"pages.pdf","pages":2,"words":7,"lines":5,"chars_with_spaces":32,)"
                          R"("chars_without_spaces":28,"distinct_words":4,"stopped_words":3},)"
                          R"({"path":"missing.pdf","reason":"not found","kind":"not-found"}])")
            << false;
        // A measure too long for the file is null. MTLD: forwards no factor, the rest (1 - 6 / 7) /
        // 0.28 of one; backwards "six six" is one, the rest all new: (7 / 0.5102 + 7) / 2.
        QTest::newRow("profile")
            << QStringList{"--profile"}
            << QByteArray(R"([{"path":"pages.pdf","pages":2,"words":7,"lines":5,"chars_with_spaces":32,)"
                          R"("chars_without_spaces":28,"distinct_words":6,"types":6,"ttr":0.8571,"sttr":null,)"
                          R"("mattr":null,"mtld":10.36,"mean_word_length":3.71},)"
                          R"({"path":"missing.pdf","reason":"not found","kind":"not-found"}])")
            << false;
        // Its kind survives a merge.
        QTest::newRow("a damaged file") << QStringList{"--summary", "--per-file", "cut.pdf"}
                                        << R"([{"path":"cut.pdf","reason":"password protected or text is protexted.",)"
                                           R"("kind":"damaged"},)" +
                                               files.mid(1)
                                        << true;
    }

    void summaryJson() {
        QFETCH(QStringList, options);
        QFETCH(QByteArray, files);
        QFETCH(bool, rows);
        IsolatedEnvironment env;
        QVERIFY(
            !MakeTextPdf(env.Work() + QStringLiteral("/pages.pdf"), {"One two three", "Four seven\nsix six"}, kSansFont)
                 .isEmpty());
        WriteTextFile(env.Work() + QStringLiteral("/common.txt"), "one\nsix\n");
        QVERIFY(!MakeTruncatedPdf(env.Work() + QStringLiteral("/cut.pdf")).isEmpty());
        const Outcome outcome =
            RunCliHere(options + QStringList{"--format", "json", "pages.pdf", "missing.pdf"}, env.Work());
        QCOMPARE(outcome.exitCode, 4);
        const QJsonObject json = QJsonDocument::fromJson(outcome.out).object();
        QCOMPARE(json[QStringLiteral("files")].toArray(), QJsonDocument::fromJson(files).array());
        QCOMPARE(json[QStringLiteral("mode")].toString(), QStringLiteral("per-file"));
        const QJsonObject totals = json[QStringLiteral("totals")].toObject();
        QCOMPARE(totals[QStringLiteral("words")].toInteger(), 7);
        QCOMPARE(totals[QStringLiteral("lines")].toInteger(), 5);
        QCOMPARE(json.contains(QStringLiteral("rows")), rows);
        QCOMPARE(json.contains(QStringLiteral("columns")), rows);
        if (rows) {
            QCOMPARE(json[QStringLiteral("rows")].toArray().size(), 6); // the distinct words of pages.pdf
            // A merge keeps the file summary next to the rows.
            WriteTextFile(env.Work() + QStringLiteral("/part.json"), outcome.out);
            const Outcome merged = RunCliHere({"merge", "part.json"}, env.Work());
            QCOMPARE(merged.exitCode, 0);
            QCOMPARE(QJsonDocument::fromJson(merged.out)[QStringLiteral("files")].toArray(),
                     QJsonDocument::fromJson(files).array());
        }
        QCOMPARE(json[QStringLiteral("unreadable")].toArray().size(),
                 options.contains(QStringLiteral("cut.pdf")) ? 2 : 1);
    }

    // A scanned PDF is read by OCR only when asked: the summary says so, in every format; what
    // keeps OCR from running is a usage error naming the package to install, before any file is read.
    void ocr_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("engine"); // $LEXITALLY_TESSERACT; "" unset
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("reason"); // the summary's reason column; "" for none
        QTest::addColumn<QString>("err");    // a part of standard error; "" when it must be empty
        const QString unreadable = QStringLiteral(
            "text unreadable. Please view the file yourself to see if it is really a scanned image of text and not "
            "proper PDF text.");
        QTest::newRow("without OCR") << QStringList{"--summary"} << "" << 1 << unreadable << "No text was found";
        QTest::newRow("OCR") << QStringList{"--ocr", "--summary"} << "" << 0 << "read by OCR"
                             << "";
        QTest::newRow("OCR in English, JSON")
            << QStringList{"--ocr=eng", "--summary", "--per-file", "--format", "json"} << "" << 0 << ""
            << "";
        QTest::newRow("OCR languages apart, one page at a time")
            << QStringList{"--ocr-lang", "eng", "-j1", "--summary", "--format=csv"} << "" << 0 << "read by OCR"
            << "";
        // The statistics read the texts again: OCR reads the scan again.
        QTest::newRow("OCR and statistics") << QStringList{"--ocr", "--stats"} << "" << 0 << ""
                                            << "";
        QTest::newRow("a language without data")
            << QStringList{"--ocr=eng+xxx"} << "" << 2 << ""
            << "--ocr: the OCR language data for xxx is not installed (installed: eng): install the Debian package "
               "tesseract-ocr-xxx";
        QTest::newRow("no OCR engine") << QStringList{"--ocr"} << "/nowhere/tesseract" << 2 << ""
                                       << "install the Debian package tesseract-ocr and tesseract-ocr-eng";
        QTest::newRow("no list of languages") << QStringList{"--ocr=eng deu"} << "" << 2 << ""
                                              << "--ocr= needs OCR languages such as eng";
        QTest::newRow("texts given") << QStringList{"--ocr", "--text"} << "" << 2 << ""
                                     << "--ocr reads the pages of PDFs: it cannot be used with --text";
        // The corpus commands read a scan as a run does; reason: a line of their output.
        // The scan is named as a run names it.
        QTest::newRow("concordance without OCR") << QStringList{"concordance", "fox"} << "" << 1 << ""
                                                 << "lexitally-cli: scan.pdf: text unreadable.";
        QTest::newRow("concordance by OCR")
            << QStringList{"concordance", "--ocr", "fox"} << "" << 0
            << "scan.pdf\t1\tThe quick brown \tfox\t jumps over the lazy dog Pack my box wit"
            << "";
        QTest::newRow("phrases by OCR") << QStringList{"phrases", "--ocr=eng", "--length", "3"} << "" << 0
                                        << "brown fox jumps\t1"
                                        << "";
        QTest::newRow("phrases, a language without data")
            << QStringList{"phrases", "--ocr-lang", "xxx"} << "" << 2 << ""
            << "phrases: --ocr: the OCR language data for xxx is not installed";
    }

    void ocr() {
        QFETCH(QStringList, options);
        QFETCH(QString, engine);
        QFETCH(int, exitCode);
        QFETCH(QString, reason);
        QFETCH(QString, err);
        IsolatedEnvironment env;
        env.Set("LEXITALLY_TESSERACT", engine);
        QVERIFY(
            !MakeScannedPdf(env.Work() + QStringLiteral("/scan.pdf"),
                            {"The quick brown fox jumps over the lazy dog\nPack my box with five dozen liquor jugs"})
                 .isEmpty());
        const QStringList before = FolderSnapshot(env.Work());
        const Outcome outcome = RunCliHere(options + QStringList{"scan.pdf"}, env.Work());
        QCOMPARE(outcome.exitCode, exitCode);
        if (err.isEmpty()) {
            QCOMPARE(outcome.err, QByteArray());
        } else {
            QVERIFY2(outcome.err.contains(err.toUtf8()), outcome.err.constData());
        }
        QCOMPARE(FolderSnapshot(env.Work()), before);
        if (exitCode == 2) {
            QCOMPARE(outcome.out, QByteArray());
            QCOMPARE(outcome.err.count('\n'), 1);
            return;
        }
        if (options.first() == QStringLiteral("concordance") || options.first() == QStringLiteral("phrases")) {
            QVERIFY2(outcome.out.split('\n').contains(reason.toUtf8()) || reason.isEmpty(), outcome.out.constData());
            return;
        }
        if (options.contains(QStringLiteral("--stats"))) {
            // One file: every word in it, evenly spread (Range 1, DP 0).
            QVERIFY2(outcome.out.contains("\nfox\t1\t58823.53\t1\t0.0000\n"), outcome.out.constData());
            return;
        }
        // Seventeen words printed; OCR may misread one.
        const bool read = options.join(u' ').contains(QStringLiteral("--ocr"));
        qint64 words = 0;
        if (options.contains(QStringLiteral("json"))) {
            const QJsonObject file = QJsonDocument::fromJson(outcome.out)[QStringLiteral("files")][0].toObject();
            QCOMPARE(file.contains(QStringLiteral("ocr")), read);
            QCOMPARE(file[QStringLiteral("ocr")].toBool(), read);
            QCOMPARE(file.contains(QStringLiteral("reason")), !read);
            words = file[QStringLiteral("words")].toInteger();
            QCOMPARE(file[QStringLiteral("pages")].toInteger(), 1); // the page ended by a form feed
            if (read) {
                // A merge keeps the note.
                WriteTextFile(env.Root() + QStringLiteral("/part.json"), outcome.out);
                const Outcome merged = RunCliHere({"merge", env.Root() + QStringLiteral("/part.json")}, env.Work());
                QCOMPARE(merged.exitCode, 0);
                QCOMPARE(QJsonDocument::fromJson(merged.out)[QStringLiteral("files")][0].toObject(), file);
            }
        } else {
            const QStringList lines = QString::fromUtf8(outcome.out).split(u'\n', Qt::SkipEmptyParts);
            QCOMPARE(lines.size(), 2);
            const bool csv = options.contains(QStringLiteral("--format=csv"));
            QStringList cells = lines[1].trimmed().split(csv ? u',' : u'\t');
            for (QString& cell : cells) {
                cell.remove(u'"');
            }
            QCOMPARE(cells.value(0), QStringLiteral("scan.pdf"));
            QCOMPARE(cells.value(7), reason);
            QCOMPARE(cells.value(1), QStringLiteral("1"));
            words = cells.value(2).toLongLong();
        }
        QVERIFY2(read ? qAbs(words - 17) <= 1 : words == 0, qPrintable(QString::number(words)));
    }

    // A signal during OCR ends the renderer and the engine with the run; no page image is left.
    void ocrInterrupted() {
        IsolatedEnvironment env;
        QVERIFY(!MakeScannedPdf(env.Work() + QStringLiteral("/scan.pdf"),
                                QStringList(8, QStringLiteral("Pack my box with five dozen liquor jugs")))
                     .isEmpty());
        QProcess process;
        process.setWorkingDirectory(env.Work());
        process.start(TestBinDir() + QStringLiteral("/lexitally-cli"), {"--ocr", "-j2", "--quiet", "scan.pdf"});
        QVERIFY(process.waitForStarted());
        const auto readers = [&env] {
            // The page readers of this test's run: their arguments name its temporary folder.
            QStringList found;
            for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
                const QByteArray command = ReadAll(QStringLiteral("/proc/") + pid + QStringLiteral("/cmdline"));
                if (command.contains(env.Temp().toUtf8()) &&
                    (command.startsWith("/usr/bin/tesseract") || command.startsWith("/usr/bin/pdftoppm"))) {
                    found << QString::fromLatin1(command.left(command.indexOf('\0')));
                }
            }
            return found;
        };
        QElapsedTimer clock;
        clock.start();
        while (!readers().contains(QStringLiteral("/usr/bin/tesseract")) && clock.elapsed() < 60000) {
            QTest::qWait(10);
        }
        QVERIFY(readers().contains(QStringLiteral("/usr/bin/tesseract")));
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 128 + SIGTERM);
        QCOMPARE(process.readAllStandardOutput(), QByteArray());
        QCOMPARE(readers(), QStringList());
        QCOMPARE(QDir(env.Private()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList());
    }

    // Progress is one line on standard error, rewritten, only when that is a terminal (a
    // pseudo-terminal made by script) and --quiet is not given; it is cleared at the end.
    void progress_data() {
        QTest::addColumn<bool>("terminal");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("terminal") << true << QStringList{"-j1"}
                                  << QStringList{"converting: 0 of 2 files done", "counting: ", "sorting: "};
        QTest::newRow("texts read, summary")
            << true << QStringList{"--text", "--summary"} << QStringList{"reading: 0 of 2 files done", "counting: "};
        // A terminal of 20 columns: the line never wraps.
        QTest::newRow("narrow terminal") << true << QStringList{"-j1", "stty:20"}
                                         << QStringList{"converting: 0 of 2\u2026", "counting: "};
        QTest::newRow("concordance") << true << QStringList{"concordance", "-j1", "two"}
                                     << QStringList{"converting: 0 of 2 files done"};
        QTest::newRow("terminal, quiet") << true << QStringList{"--quiet"} << QStringList{};
        QTest::newRow("not a terminal") << false << QStringList{} << QStringList{};
    }

    void progress() {
        QFETCH(bool, terminal);
        QFETCH(QStringList, options);
        QFETCH(QStringList, shown);
        IsolatedEnvironment env;
        const bool texts = options.contains(QStringLiteral("--text"));
        const QStringList files = texts ? QStringList{"one.txt", "two.txt"} : QStringList{"a.pdf", "b.pdf"};
        const Inputs inputs(env.Work());
        if (!texts) {
            for (const QString& file : files) {
                QVERIFY(!MakeTextPdf(env.Work() + u'/' + file, {"One two three"}, kSansFont).isEmpty());
            }
        }
        QByteArray err;
        if (terminal) {
            const QStringList columns = options.filter(QStringLiteral("stty:"));
            QString command = columns.isEmpty() ? QString() : "stty cols " + columns.first().mid(5) + "; ";
            command += TestBinDir() + QStringLiteral("/lexitally-cli");
            for (const QString& argument : options + files) {
                if (argument.startsWith(QStringLiteral("stty:"))) {
                    continue;
                }
                command += QStringLiteral(" '") + argument + u'\'';
            }
            command += QStringLiteral(" > out.tsv");
            QProcess script;
            script.setWorkingDirectory(env.Work());
            script.start(QStringLiteral("script"), {"-qec", command, env.Work() + QStringLiteral("/typescript")});
            QVERIFY(script.waitForFinished(120000));
            QCOMPARE(script.exitCode(), 0);
            err = script.readAllStandardOutput(); // standard error, as the terminal showed it
            QVERIFY(ReadAll(env.Work() + QStringLiteral("/out.tsv")).startsWith(" Words\tCount\n") ||
                    options.contains(QStringLiteral("--summary")) || options.startsWith(QStringLiteral("concordance")));
        } else {
            const Outcome outcome = RunCliHere(options + files, env.Work());
            QCOMPARE(outcome.exitCode, 0);
            err = outcome.err;
        }
        if (shown.isEmpty()) {
            QCOMPARE(err, QByteArray());
            return;
        }
        // Every state rewrites the line from its start; the last clears it.
        QVERIFY(err.startsWith("\r\033[K"));
        QVERIFY(err.endsWith("\r\033[K"));
        QVERIFY(!err.contains('\n'));
        for (const QString& text : shown) {
            QVERIFY2(err.contains(text.toUtf8()), err.constData());
        }
    }

    // --help, the manual page and the bash completion name the same options, and the completion
    // skips the value of every option that takes one.
    void optionsDocumented_data() {
        QTest::addColumn<QStringList>("help");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("completion");
        QTest::newRow("run") << QStringList{"--help"} << "OPTIONS"
                             << "options";
        QTest::newRow("merge") << QStringList{"merge", "--help"} << "MERGE"
                               << "merge_options";
        QTest::newRow("concordance") << QStringList{"concordance", "--help"} << "CONCORDANCE"
                                     << "concordance_options";
        QTest::newRow("phrases") << QStringList{"phrases", "--help"} << "PHRASES"
                                 << "phrases_options";
        QTest::newRow("keywords") << QStringList{"keywords", "--help"} << "KEYWORDS"
                                  << "keywords_options";
        QTest::newRow("collocates") << QStringList{"collocates", "--help"} << "COLLOCATES"
                                    << "collocates_options";
        QTest::newRow("dispersion") << QStringList{"dispersion", "--help"} << "DISPERSION"
                                    << "dispersion_options";
    }

    void optionsDocumented() {
        QFETCH(QStringList, help);
        QFETCH(QString, section);
        QFETCH(QString, completion);
        IsolatedEnvironment env;
        const Outcome outcome = RunCliHere(help, env.Work());
        QCOMPARE(outcome.exitCode, 0);
        QStringList valued;
        const QStringList listed = Sorted(HelpOptions(outcome.out, &valued));
        QVERIFY(listed.contains(QStringLiteral("--help")));
        QVERIFY(listed.contains(QStringLiteral("--format")));
        const QString packaging = QStringLiteral(LEXITALLY_TEST_SOURCE_DIR "/packaging/");
        const QString page = QString::fromUtf8(ReadAll(packaging + QStringLiteral("lexitally-cli.1")));
        QCOMPARE(Sorted(ManualOptions(page, section)), listed);
        const QString script = QString::fromUtf8(ReadAll(packaging + QStringLiteral("lexitally-cli.bash-completion")));
        QCOMPARE(Sorted(CompletionWords(script, completion)), listed);
        const QString valuedName = QString(completion).replace(QStringLiteral("options"), QStringLiteral("valued"));
        QCOMPARE(Sorted(CompletionWords(script, valuedName)), Sorted(valued));
    }
};

LEXITALLY_TEST_MAIN(CliTest)
#include "test_cli.moc"
