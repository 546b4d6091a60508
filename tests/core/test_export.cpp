#include "core/base/ErrorReport.h"
#include "core/export/DataExport.h"
#include "core/export/Export.h"
#include "core/results/ResultTable.h"
#include "core/run/AnalysisRun.h"
#include "support/ScriptedUi.h"
#include "support/TestEnv.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QXmlStreamReader>
#include <QtTest>

#include <csignal>
#include <optional>
#include <sys/resource.h>
#include <unistd.h>

namespace {

struct Row {
    QStringList cells;
    bool ticked = false;
};

void Fill(ResultTable& model, CountMode mode, const QList<Row>& rows) {
    model.SetColumns(mode);
    for (const Row& row : rows) {
        model.AddRow(row.cells);
        model.SetTicked(model.RowCount() - 1, row.ticked);
    }
}

// Remembers every value and text a progress sink is given.
class ProgressLog : public ProgressMemory {
public:
    void SetValue(double percent) override {
        ProgressMemory::SetValue(percent);
        values.append(percent);
    }
    void SetText(const ProgressText& text) override {
        ProgressMemory::SetText(text);
        texts.append(text.Format());
    }
    using ProgressSink::SetText;
    QList<double> values;
    QStringList texts;
};

QByteArray Unzip(const QString& file, const QString& member) {
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), file, member});
    unzip.waitForFinished(30000);
    return unzip.exitCode() == 0 ? unzip.readAllStandardOutput() : QByteArray();
}

// The first sheet of a workbook, read back through unzip: "B2" → "s:text", "n:12" or "f:formula";
// "dimension" → its range; "widths" → the number of sized columns.
QMap<QString, QString> ReadSheet(const QString& file) {
    QStringList strings;
    QXmlStreamReader shared(Unzip(file, QStringLiteral("xl/sharedStrings.xml")));
    while (shared.readNextStartElement() || !shared.atEnd()) {
        if (shared.isStartElement() && shared.name() == QLatin1String("t")) {
            strings << shared.readElementText(); // one <t> per string here: no rich text
        }
    }
    QMap<QString, QString> sheet;
    QXmlStreamReader xml(Unzip(file, QStringLiteral("xl/worksheets/sheet1.xml")));
    QString ref;
    bool text = false;
    int widths = 0;
    while (!xml.atEnd()) {
        if (!xml.readNextStartElement()) {
            continue;
        }
        const auto a = xml.attributes();
        if (xml.name() == QLatin1String("dimension")) {
            sheet[QStringLiteral("dimension")] = a.value(QLatin1String("ref")).toString();
        } else if (xml.name() == QLatin1String("col") && !a.value(QLatin1String("width")).isEmpty()) {
            ++widths;
        } else if (xml.name() == QLatin1String("c")) {
            ref = a.value(QLatin1String("r")).toString();
            text = a.value(QLatin1String("t")) == QLatin1String("s");
        } else if (xml.name() == QLatin1String("f")) {
            sheet[ref] = QStringLiteral("f:") + xml.readElementText();
        } else if (xml.name() == QLatin1String("v") && !sheet.contains(ref)) {
            const QString v = xml.readElementText();
            sheet[ref] = text ? QStringLiteral("s:") + strings.value(v.toInt()) : QStringLiteral("n:") + v;
        }
    }
    sheet[QStringLiteral("widths")] = QString::number(widths);
    return sheet;
}

QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Keeps files from growing past a size (also for root), for as long as it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }

private:
    rlimit m_saved{};
};

} // namespace

Q_DECLARE_METATYPE(QList<Row>)

class ExportTest : public QObject {
    Q_OBJECT
private slots:
    void textFile_data();
    void textFile();
    void textFileProgress_data();
    void textFileProgress();
    void textFileUnwritable_data();
    void textFileUnwritable();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();
    void clipboardText_data();
    void clipboardText();
    void csv_data();
    void csv();
    void json_data();
    void json();
    void rowOrder_data();
    void rowOrder();
    void decimalNumbers_data();
    void decimalNumbers();
    void workbook_data();
    void workbook();
    void workbookNamesNeverRepeat();
    void fileSummaryRows_data();
    void fileSummaryRows();
};

void ExportTest::textFile_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<Row>>("rows");
    QTest::addColumn<QByteArray>("expected");
    const auto all = int(CountMode::AllFiles);
    QTest::newRow("one ticked, one not") << all << QList<Row>{{{"the", "12"}, true}, {{"abc", "3"}, false}}
                                         << QByteArray(" Words\tCount\t\r\nthe   \t12   \t\r\n");
    QTest::newRow("none ticked") << all << QList<Row>{{{"the", "12"}, false}, {{"abc", "3"}, false}}
                                 << QByteArray(" Words\tCount\t\r\n");
    QTest::newRow("empty list") << all << QList<Row>{} << QByteArray(" Words\tCount\t\r\n");
    QTest::newRow("long unticked word widens")
        << all << QList<Row>{{{"a", "1"}, true}, {{"extraordinary", "123456"}, false}}
        << QByteArray(" Words       \tCount \t\r\na            \t1     \t\r\n");
    QTest::newRow("widths in characters")
        << all << QList<Row>{{{"naïve", "2"}, true}, {{"\U0001F600x", "1"}, true}, {{"ab", "10"}, true}}
        << QByteArray(
               " Words\tCount\t\r\nna\xC3\xAFve \t2    \t\r\n\xF0\x9F\x98\x80x    \t1    \t\r\nab    \t10   \t\r\n");
    QTest::newRow("per file, rows in list order")
        << int(CountMode::PerFile)
        << QList<Row>{{{"b.pdf", "zeta", "1"}, true}, {{"a.pdf", "alpha", "2"}, false}, {{"a.pdf", "be", "30"}, true}}
        << QByteArray("Filename\t Words\tCount\t\r\nb.pdf   \tzeta  \t1    \t\r\na.pdf   \tbe    \t30   \t\r\n");
    QTest::newRow("no columns") << int(CountMode::None) << QList<Row>{{{"x"}, true}} << QByteArray("\r\n\r\n");
}

void ExportTest::textFile() {
    QFETCH(int, mode);
    QFETCH(QList<Row>, rows);
    QFETCH(QByteArray, expected);
    IsolatedEnvironment env;
    ResultTable model;
    Fill(model, static_cast<CountMode>(mode), rows);
    ScriptedUi ui;
    const QString path = env.Work() + QStringLiteral("/results.txt");
    QVERIFY(SaveListviewProperlySpaced(model, path, nullptr, {}, ui));
    QCOMPARE(ReadAll(path), expected);
    QCOMPARE(ui.calls.size(), 0);
    QCOMPARE(FilesIn(env.Work()), QStringList{QStringLiteral("results.txt")});
}

void ExportTest::textFileProgress_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("row1000Ticked");
    QTest::addColumn<QStringList>("rowTexts");
    QTest::newRow("2500 rows") << 2500 << true
                               << QStringList{QStringLiteral("Writing file: out (1000)"),
                                              QStringLiteral("Writing file: out (2000)")};
    QTest::newRow("row 1000 unticked") << 2500 << false << QStringList{QStringLiteral("Writing file: out (2000)")};
    QTest::newRow("few rows") << 3 << true << QStringList{};
}

void ExportTest::textFileProgress() {
    QFETCH(int, rows);
    QFETCH(bool, row1000Ticked);
    QFETCH(QStringList, rowTexts);
    IsolatedEnvironment env;
    ResultTable model;
    model.SetColumns(CountMode::AllFiles);
    for (int r = 1; r <= rows; ++r) {
        model.AddRow({QStringLiteral("w"), QString::number(r)});
        model.SetTicked(r - 1, r != 1000 || row1000Ticked);
    }
    ProgressLog progress;
    int yields = 0;
    ScriptedUi ui;
    const QString path = env.Work() + QStringLiteral("/out");
    QVERIFY(SaveListviewProperlySpaced(
        model, path, &progress, [&] { ++yields; }, ui));
    const QString writing = QStringLiteral("Writing file: out");
    QCOMPARE(progress.texts, QStringList({writing, writing, writing}) + rowTexts +
                                 QStringList({QStringLiteral("Done."), QStringLiteral("Progress Bar")}));
    // 1, 10, 20, then per written row (n div 2000 + r) / n * 100 at most 100, then 100 and 0.
    QCOMPARE(progress.values.size(), 3 + model.TickedCount() + 2);
    QCOMPARE(progress.values.mid(0, 3), QList<double>({1, 10, 20}));
    QCOMPARE(progress.values.at(3), double(rows / 2000 + 1) / rows * 100.0);
    QCOMPARE(progress.values.mid(progress.values.size() - 2), QList<double>({100, 0}));
    QCOMPARE(*std::max_element(progress.values.begin(), progress.values.end()), 100.0);
    QVERIFY(yields >= 2 * rows); // width pass and writing pass yield per row
}

void ExportTest::textFileUnwritable_data() {
    QTest::addColumn<QString>("where");
    QTest::newRow("folder is a file") << "file";
    QTest::newRow("folder missing") << "missing";
    QTest::newRow("read-only folder") << "readonly";
}

void ExportTest::textFileUnwritable() {
    QFETCH(QString, where);
    IsolatedEnvironment env;
    QString folder = env.Work() + QStringLiteral("/out");
    std::optional<AsOrdinaryUser> user; // the super-user writes into read-only folders
    if (where == "file") {
        WriteTextFile(folder, "not a folder");
    } else if (where == "readonly") {
        user.emplace(QStringList{env.Root()}, QStringList{env.Root()});
        QVERIFY(user->Ok());
        QDir().mkpath(folder);
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
    const QString path = folder + QStringLiteral("/results.txt");
    ResultTable model;
    Fill(model, CountMode::AllFiles, {{{"the", "12"}, true}});
    ScriptedUi ui;
    ProgressLog progress;
    QVERIFY(!SaveListviewProperlySpaced(model, path, &progress, {}, ui));
    QCOMPARE(ui.calls.size(), 1);
    QCOMPARE(ui.calls[0].caption, QStringLiteral("Application Error"));
    QCOMPARE(ui.calls[0].icon, MsgIcon::Exclamation);
    QVERIFY2(ui.calls[0].text.contains(
                 QStringLiteral("\r\nin Zentrova2021/08/31.Main.SaveListviewProperlySpaced at line 106\r\r")),
             qPrintable(ui.calls[0].text));
    QVERIFY(!ui.calls[0].text.startsWith(QStringLiteral("\r\n"))); // a description comes first
    QVERIFY(!QFileInfo::exists(path));
    QCOMPARE(progress.Text(), QStringLiteral("Progress Bar")); // the bar still comes to rest
    if (where != "file") {
        QVERIFY(FilesIn(folder).isEmpty()); // no stray temporary file
    }
}

void ExportTest::failedWriteKeepsTheOldFile_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("text file") << "text";
    QTest::newRow("text file, command line") << "cli";
    QTest::newRow("workbook") << "workbook";
}

void ExportTest::failedWriteKeepsTheOldFile() {
    QFETCH(QString, kind);
    IsolatedEnvironment env;
    const QByteArray old = "the user's earlier results\r\n";
    const QString path = WriteTextFile(env.Work() + QStringLiteral("/results"), old);
    ResultTable model;
    model.SetColumns(CountMode::AllFiles);
    for (int i = 0; i < 20000; ++i) {
        model.AddRow({QStringLiteral("word%1").arg(i), QString::number(i)});
    }
    model.SetAllTicked(true);
    ScriptedUi ui;
    bool written = true;
    {
        FileSizeLimit limit(kind == "workbook" ? 4096 : 64 * 1024); // the disk fills up midway
        try {
            if (kind == "text") {
                written = SaveListviewProperlySpaced(model, path, nullptr, {}, ui);
            } else if (kind == "cli") {
                WriteTextExport(model, path);
            } else {
                WriteWorkbook(model, path, nullptr, {});
            }
        } catch (const Failure& failure) {
            written = failure.Description().isEmpty();
        }
    }
    QVERIFY(!written);
    if (kind == "text") {
        QCOMPARE(ui.Messages().size(), 1);
        QVERIFY(ui.calls[0].text.contains(QStringLiteral("SaveListviewProperlySpaced at line 11")));
    }
    QCOMPARE(ReadAll(path), old);
    QCOMPARE(FilesIn(env.Work()), QStringList{QStringLiteral("results")}); // no stray partial file
}

void ExportTest::clipboardText_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<Row>>("rows");
    QTest::addColumn<QString>("expected");
    const auto all = int(CountMode::AllFiles);
    QTest::newRow("rows 1 and 3 of three")
        << all << QList<Row>{{{"the", "12"}, true}, {{"abc", "3"}, false}, {{"of", "7"}, true}}
        << QStringLiteral("the\t12\t\r\nof \t7 \t\r\n");
    QTest::newRow("unticked longest cell pads")
        << all << QList<Row>{{{"a", "1"}, true}, {{"longest", "1000"}, false}} << QStringLiteral("a      \t1   \t\r\n");
    QTest::newRow("headers not measured")
        << int(CountMode::PerFile) << QList<Row>{{{"x.pdf", "a", "1"}, true}} << QStringLiteral("x.pdf\ta\t1\t\r\n");
    QTest::newRow("none ticked") << all << QList<Row>{{{"the", "12"}, false}} << QString();
    QTest::newRow("empty list") << all << QList<Row>{} << QString();
    QTest::newRow("characters, not code units") << all << QList<Row>{{{"\U0001F600", "1"}, true}, {{"ab", "1"}, true}}
                                                << QStringLiteral("\U0001F600 \t1\t\r\nab\t1\t\r\n");
}

// RFC 4180: quoted texts with doubled quotes, bare counts, CR LF; ticked rows in the given order.
void ExportTest::csv_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<Row>>("rows");
    QTest::addColumn<QList<int>>("order"); // empty: table order
    QTest::addColumn<QByteArray>("expected");
    const auto all = int(CountMode::AllFiles);
    const auto perFile = int(CountMode::PerFile);
    QTest::newRow("ticked rows only") << all
                                      << QList<Row>{{{"the", "12"}, true}, {{"abc", "3"}, false}, {{"of", "7"}, true}}
                                      << QList<int>{}
                                      << QByteArray("\" Words\",\"Count\"\r\n\"the\",12\r\n\"of\",7\r\n");
    QTest::newRow("in the given order") << all
                                        << QList<Row>{{{"the", "12"}, true}, {{"abc", "3"}, true}, {{"of", "7"}, true}}
                                        << QList<int>{2, 0}
                                        << QByteArray("\" Words\",\"Count\"\r\n\"of\",7\r\n\"the\",12\r\n");
    QTest::newRow("quotes, commas and line breaks in labels")
        << perFile
        << QList<Row>{{{"/a/say \"hi\", then.pdf", "\u00e9t\u00e9", "2"}, true},
                      {{"/b/two\nlines.pdf", "x", "1"}, true}}
        << QList<int>{}
        << QByteArray("\"Filename\",\" Words\",\"Count\"\r\n"
                      "\"/a/say \"\"hi\"\", then.pdf\",\"\xC3\xA9t\xC3\xA9\",2\r\n"
                      "\"/b/two\nlines.pdf\",\"x\",1\r\n");
    QTest::newRow("no row ticked") << all << QList<Row>{{{"the", "12"}, false}} << QList<int>{}
                                   << QByteArray("\" Words\",\"Count\"\r\n");
}

void ExportTest::csv() {
    QFETCH(int, mode);
    QFETCH(QList<Row>, rows);
    QFETCH(QList<int>, order);
    QFETCH(QByteArray, expected);
    ResultTable model;
    Fill(model, static_cast<CountMode>(mode), rows);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    WriteCsv(model, buffer, order.isEmpty() ? nullptr : &order);
    QCOMPARE(buffer.data(), expected);
}

// JSON strings escape the quote, the backslash and every control character below U+0020; DEL and
// letters beyond ASCII go as they are (UTF-8).
void ExportTest::json_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("escaped");
    QTest::newRow("plain") << "a b.pdf" << QByteArray(R"("a b.pdf")");
    QTest::newRow("quote and backslash") << "say \"hi\" \\ there" << QByteArray(R"("say \"hi\" \\ there")");
    QTest::newRow("tab, line feed, return") << "a\tb\nc\rd" << QByteArray(R"("a\tb\nc\rd")");
    QTest::newRow("other controls") << QStringLiteral("\x01|\x07|\x1b|\x1f|\x7f|\u00e9")
                                    << QByteArray("\"\\u0001|\\u0007|\\u001b|\\u001f|\x7f|\xC3\xA9\"");
}

void ExportTest::json() {
    QFETCH(QString, text);
    QFETCH(QByteArray, escaped);
    ResultTable model;
    Fill(model, CountMode::PerFile, {{{text, "w", "2"}, false}});
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    WriteJson(
        model,
        JsonRunFacts{CountMode::PerFile, QStringLiteral("text"), true, {text}, false, LetterRule::Ascii, {}, {}, {}},
        {UnreadableFile{text, text}}, buffer);
    const QByteArray expected =
        R"({"format":2,"mode":"per-file","method":"text","ignore_case":true,"letters":"ascii","totals":{"words":0,"lines":0,)"
        R"("chars_with_spaces":0,"chars_without_spaces":0},"columns":["Filename"," Words","Count"],"rows":[[)" +
        escaped + R"(,"w",2]],"unreadable":[{"path":)" + escaped + R"(,"reason":)" + escaped +
        R"(,"kind":"other"}],"errors":[)" + escaped + "]}\n";
    QCOMPARE(buffer.data(), expected);
}

void ExportTest::clipboardText() {
    QFETCH(int, mode);
    QFETCH(QList<Row>, rows);
    QFETCH(QString, expected);
    ResultTable model;
    Fill(model, static_cast<CountMode>(mode), rows);
    QCOMPARE(ClipboardText(model), expected);
}

// All three exports walk only the rows of a given order, in that order, and measure their widths
// over those rows alone.
void ExportTest::rowOrder_data() {
    QTest::addColumn<QList<Row>>("rows");
    QTest::addColumn<QList<int>>("order");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QStringList>("sheet");
    const QList<Row> threeRows{{{"the", "12"}, true}, {{"abc", "3"}, false}, {{"of", "7"}, true}};
    QTest::newRow("reversed") << threeRows << QList<int>{2, 1, 0}
                              << QByteArray(" Words\tCount\t\r\nof    \t7    \t\r\nthe   \t12   \t\r\n")
                              << QStringLiteral("of \t7 \t\r\nthe\t12\t\r\n")
                              << QStringList{"dimension=A1:B4", "A2=s:of", "B2=n:7", "A3=", "A4=s:the", "B4=n:12"};
    QTest::newRow("rows left out do not widen")
        << QList<Row>{{{"the", "12"}, true}, {{"extraordinary", "123456"}, true}, {{"of", "7"}, true}}
        << QList<int>{0, 2} << QByteArray(" Words\tCount\t\r\nthe   \t12   \t\r\nof    \t7    \t\r\n")
        << QStringLiteral("the\t12\t\r\nof \t7 \t\r\n") << QStringList{"dimension=A1:B3", "A2=s:the", "A3=s:of", "A4="};
    QTest::newRow("only unticked rows") << threeRows << QList<int>{1} << QByteArray(" Words\tCount\t\r\n") << QString()
                                        << QStringList{"dimension=A1:B1", "A2="};
    QTest::newRow("no row") << threeRows << QList<int>{} << QByteArray(" Words\tCount\t\r\n") << QString()
                            << QStringList{"dimension=A1:B1", "A2="};
}

void ExportTest::rowOrder() {
    QFETCH(QList<Row>, rows);
    QFETCH(QList<int>, order);
    QFETCH(QByteArray, text);
    QFETCH(QString, clipboard);
    QFETCH(QStringList, sheet);
    IsolatedEnvironment env;
    ResultTable model;
    Fill(model, CountMode::AllFiles, rows);
    ScriptedUi ui;
    const QString path = env.Work() + QStringLiteral("/results.txt");
    QVERIFY(SaveListviewProperlySpaced(model, path, nullptr, {}, ui, &order));
    QCOMPARE(ReadAll(path), text);
    QCOMPARE(ClipboardText(model, {}, &order), clipboard);
    ProgressLog progress;
    const QString book = env.Work() + QStringLiteral("/book.xlsx");
    WriteWorkbook(model, book, &progress, {}, &order);
    const QMap<QString, QString> cells = ReadSheet(book);
    for (const QString& e : sheet) {
        QCOMPARE(e.section(u'=', 0, 0) + u'=' + cells.value(e.section(u'=', 0, 0)), e);
    }
    QCOMPARE(progress.values.size(), order.size());
    QCOMPARE(ui.calls.size(), 0);
}

void ExportTest::decimalNumbers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("number");
    QTest::addColumn<double>("value");
    QTest::newRow("count") << "12" << true << 12.0;
    QTest::newRow("zero") << "0" << true << 0.0;
    QTest::newRow("fraction") << "-1.5" << true << -1.5;
    QTest::newRow("fifteen digits") << "123456789012345" << true << 123456789012345.0;
    QTest::newRow("sixteen digits") << "1234567890123456" << false << 0.0;
    QTest::newRow("leading zeros") << "007" << false << 0.0;
    QTest::newRow("trailing zero") << "1.50" << false << 0.0;
    QTest::newRow("exponent") << "1e5" << false << 0.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("formula") << "=1+1" << false << 0.0;
}

void ExportTest::decimalNumbers() {
    QFETCH(QString, text);
    QFETCH(bool, number);
    QFETCH(double, value);
    double parsed = -1;
    QCOMPARE(IsDecimalNumber(text, &parsed), number);
    if (number) {
        QCOMPARE(parsed, value);
    }
}

void ExportTest::workbook_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<Row>>("rows");
    QTest::addColumn<QStringList>("expected"); // "B2=n:12", "A2=s:the", "A3=" (no cell)
    const auto all = int(CountMode::AllFiles);
    QTest::newRow("rows 1 and 3 of three")
        << all << QList<Row>{{{"the", "12"}, true}, {{"abc", "3"}, false}, {{"of", "7"}, true}}
        << QStringList{"dimension=A1:B4", "widths=2", "A1=s: Words", "B1=s:Count", "A2=s:the",
                       "B2=n:12",         "A3=",      "B3=",         "A4=s:of",    "B4=n:7"};
    QTest::newRow("equals signs") << int(CountMode::PerFile) << QList<Row>{{{"a=b.pdf", "x=y", "1=2"}, true}}
                                  << QStringList{"dimension=A1:C2", "widths=3", "C1=s:Count",
                                                 "A2=s:a=b.pdf",    "B2=s:xy",  "C2=n:12"};
    QTest::newRow("formula text stays text")
        << all << QList<Row>{{{"=SUM(A1:A9)", "=5"}, true}} << QStringList{"A2=s:=SUM(A1:A9)", "B2=n:5"};
    QTest::newRow("no row ticked") << all << QList<Row>{{{"the", "12"}, false}, {{"abc", "3"}, false}}
                                   << QStringList{"dimension=A1:B1", "A1=s: Words", "A2=", "A3="};
    QTest::newRow("odd numbers stay text")
        << all << QList<Row>{{{"007", "1.50"}, true}} << QStringList{"A2=s:007", "B2=s:1.50"};
}

void ExportTest::workbook() {
    QFETCH(int, mode);
    QFETCH(QList<Row>, rows);
    QFETCH(QStringList, expected);
    IsolatedEnvironment env;
    ResultTable model;
    Fill(model, static_cast<CountMode>(mode), rows);
    ProgressLog progress;
    const QString path = env.Work() + QStringLiteral("/book.xlsx");
    WriteWorkbook(model, path, &progress, {});
    const QMap<QString, QString> sheet = ReadSheet(path);
    for (const QString& e : expected) {
        QCOMPARE(e.section(u'=', 0, 0) + u'=' + sheet.value(e.section(u'=', 0, 0)), e);
    }
    for (const QString& cell : sheet) {
        QVERIFY(!cell.startsWith(QStringLiteral("f:")));
    }
    QCOMPARE(progress.values.size(), rows.size()); // r / n * 100 for every row, ticked or not
    QCOMPARE(progress.values.last(), 100.0);
    QCOMPARE(FilesIn(env.Work()), QStringList{QStringLiteral("book.xlsx")});
}

void ExportTest::workbookNamesNeverRepeat() {
    IsolatedEnvironment env;
    const QDateTime when(QDate(2026, 12, 7), QTime(8, 30, 12));
    const QString first = ReserveWorkbookPath(env.Temp(), when);
    const QString second = ReserveWorkbookPath(env.Temp(), when);
    const QString third = ReserveWorkbookPath(env.Temp(), when);
    QCOMPARE(first, env.Temp() + QStringLiteral("/Lexitally results 2026-12-07 08-30-12.xlsx"));
    QCOMPARE(second, env.Temp() + QStringLiteral("/Lexitally results 2026-12-07 08-30-12 (2).xlsx"));
    QCOMPARE(third, env.Temp() + QStringLiteral("/Lexitally results 2026-12-07 08-30-12 (3).xlsx"));
    bool threw = false;
    try {
        ReserveWorkbookPath(env.Temp() + QStringLiteral("/missing"), when);
    } catch (const Failure&) {
        threw = true;
    }
    QVERIFY(threw);
}

void ExportTest::fileSummaryRows_data() {
    QTest::addColumn<QStringList>("paths");      // the rows of the run
    QTest::addColumn<QStringList>("unreadable"); // in list order, each "  - gone"
    QTest::addColumn<QList<int>>("counted");     // the rows the pass counted; row i has i + 1 words
    QTest::addColumn<QStringList>("rows");       // path|words ("-": not counted)|reason
    QTest::newRow("a file listed twice") << QStringList{"a", "b", "a"} << QStringList{} << QList<int>{0, 1}
                                         << QStringList{"a|1|", "b|2|"};
    QTest::newRow("an unreadable file listed twice") << QStringList{"z", "a", "z", "y"} << QStringList{"z", "z", "y"}
                                                     << QList<int>{1} << QStringList{"z|-|gone", "a|2|", "y|-|gone"};
}

// One row per file, with its counts, however often the file was listed.
void ExportTest::fileSummaryRows() {
    QFETCH(QStringList, paths);
    QFETCH(QStringList, unreadable);
    QFETCH(QList<int>, counted);
    QFETCH(QStringList, rows);
    QList<UnreadableFile> gone;
    for (const QString& path : unreadable) {
        gone.append({path, QStringLiteral("  - gone"), UnreadableKind::Other});
    }
    QList<FileSummary> files;
    for (const int i : counted) {
        files.append({{i, {i + 1, 1, 1, 1, 0}, 1}, 1});
    }
    QStringList shown;
    for (const FileSummaryRow& row : FileSummaryRows(paths, gone, files)) {
        shown << row.path + u'|' + (row.counted ? QString::number(row.counts.file.totals.words) : QStringLiteral("-")) +
                     u'|' + row.reason;
    }
    QCOMPARE(shown, rows);
}

LEXITALLY_TEST_MAIN(ExportTest)
#include "test_export.moc"
