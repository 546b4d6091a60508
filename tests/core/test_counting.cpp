#include "core/base/ErrorReport.h"
#include "core/base/Paths.h"
#include "core/base/Places.h"
#include "core/base/Texts.h"
#include "core/count/CountingPass.h"
#include "core/count/SortingDb.h"
#include "core/count/SortingText.h"
#include "core/count/StopWords.h"
#include "core/count/WordRule.h"
#include "core/count/WorkingDatabase.h"
#include "core/extract/TextFiles.h"
#include "support/ScriptedUi.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include <algorithm>
#include <optional>
#include <random>
#include <unistd.h>

namespace {

// A text that a row's text file does not have (the converter gave nothing).
const QByteArray kMissing = QByteArrayLiteral("<missing>");

class RecordingSink : public ResultSink {
public:
    void AddRow(const WordRow& row) override {
        rows << (row.label.isEmpty() ? QStringList() : QStringList{row.label}) +
                    QStringList{row.word, QString::number(row.count)};
    }
    void SetTotals(const Totals& t) override {
        totals = t;
        ++totalsSet;
    }
    QList<QStringList> rows;
    Totals totals;
    int totalsSet = 0;
};

// Keeps every progress text in the order given.
class RecordingProgress : public ProgressMemory {
public:
    void SetValue(double percent) override {
        ProgressMemory::SetValue(percent);
        values << percent;
    }
    void SetText(const ProgressText& text) override {
        ProgressMemory::SetText(text);
        texts << text;
        if (onText) {
            onText(text);
        }
    }
    using ProgressSink::SetText;
    QList<double> values;
    QList<ProgressText> texts;
    std::function<void(const ProgressText&)> onText;
};

// One counting pass over texts placed where the pass looks for the texts of rows
// work/doc0.pdf, work/doc1.pdf, ...
struct Run {
    QString method = QStringLiteral("text"); // "text" or "db"
    CountMode mode = CountMode::AllFiles;
    std::function<bool()> ignoreCase = [] { return true; };
    std::function<bool()> stop = [] { return false; };
    LetterRule letters = LetterRule::Ascii;
    WordOptions words;
    QStringList stopWords;
    QStringList rows;
    RecordingSink sink;
    RecordingProgress progress;
    ScriptedUi ui;

    void Place(const QString& work, const QList<QByteArray>& texts) {
        for (qsizetype i = 0; i < texts.size(); ++i) {
            const QString row = work + QStringLiteral("/doc%1.pdf").arg(i);
            rows << row;
            if (texts[i] != kMissing) {
                WriteTextFile(TextFileOf(row), texts[i]);
            }
        }
    }

    void Go() {
        PassInputs in;
        in.mode = mode;
        in.ignoreCase = ignoreCase;
        in.texts = ConvertedTexts(rows);
        in.stopRequested = stop;
        in.progress = &progress;
        in.results = &sink;
        in.ui = &ui;
        in.letters = letters;
        in.words = words;
        in.stopWords = StopWordKeys(stopWords, letters, words);
        if (method == QStringLiteral("text")) {
            SortingText(in);
        } else {
            EnsureWorkingDatabase(); // as start-up does
            SortingDB(in);
        }
    }

    // Rows as "word count" (all files) or "doc1.pdf word count" (per file).
    QStringList Rows() const {
        QStringList out;
        for (QStringList row : sink.rows) {
            if (row.size() == 3) {
                row[0] = FileNameFromPath(row[0]);
            }
            out << row.join(u' ');
        }
        return out;
    }

    QList<qint64> Totals() const {
        return {sink.totals.words, sink.totals.lines, sink.totals.charsWithSpaces, sink.totals.charsWithoutSpaces};
    }
};

QByteArray Repeat(const QByteArray& word, int times) {
    QByteArray out;
    for (int i = 0; i < times; ++i) {
        out += word + ' ';
    }
    return out;
}

const QStringList kMethods = {QStringLiteral("text"), QStringLiteral("db")};

// Random words of one to seven letters drawn from "aAbBzZ", so that many words differ in letter
// case only and many counts tie; now and then a word of 254 to 258 letters.
QList<QByteArray> RandomWords(quint32 seed, int count) {
    std::mt19937 random(seed);
    QList<QByteArray> words;
    for (int i = 0; i < count; ++i) {
        const bool longWord = random() % 50 == 0;
        const int length = longWord ? 254 + static_cast<int>(random() % 5) : 1 + static_cast<int>(random() % 7);
        QByteArray word;
        for (int k = 0; k < length; ++k) {
            word += "aAbBzZ"[longWord && k < 250 ? 0 : random() % 6];
        }
        words << word;
    }
    return words;
}

// A word table of `size` entries (the empty entry first when asked) with distinct random words
// of letters from "aAbBzZ" and small counts that often tie; now and then a count just below or
// above 100,000,000,000, where the entries' texts stop comparing as numbers.
WordTable RandomTable(quint32 seed, int size, bool emptyEntry) {
    std::mt19937 random(seed);
    WordTable table;
    QSet<QByteArray> seen;
    if (emptyEntry && size > 0) {
        table << WordEntry{};
    }
    while (table.size() < size) {
        QByteArray word;
        for (int k = 1 + static_cast<int>(random() % 7); k > 0; --k) {
            word += "aAbBzZ"[random() % 6];
        }
        if (!seen.contains(word)) {
            seen.insert(word);
            const qint64 count = random() % 50 == 0 ? 99'999'999'995LL + random() % 10 : 1 + random() % 4;
            table << WordEntry{count, word};
        }
    }
    return table;
}

QStringList EntryTexts(const WordTable& table) {
    QStringList texts;
    for (const WordEntry& entry : table) {
        texts << entry.Text();
    }
    return texts;
}

// The rows the database method gave when it stored one row per word occurrence and let one
// query count, group and order them: the reference for the method's results.
QStringList OneRowPerWordRows(const QList<QByteArray>& words) {
    const QString name = QStringLiteral("test-reference");
    QStringList rows;
    {
        QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        c.setDatabaseName(QStringLiteral(":memory:"));
        c.open();
        QSqlQuery q(c);
        q.exec(QStringLiteral("CREATE TABLE tbWords (Word TEXT)"));
        c.transaction();
        q.prepare(QStringLiteral("INSERT INTO tbWords VALUES (?)"));
        for (const QByteArray& word : words) {
            q.bindValue(0, QString::fromLatin1(word.left(255)));
            q.exec();
        }
        c.commit();
        q.exec(QStringLiteral("SELECT SUM(Occurrences) AS WCount, MIN(Spelling) AS Word FROM "
                              "(SELECT COUNT(*) AS Occurrences, Word COLLATE BINARY AS Spelling FROM tbWords "
                              "GROUP BY Word COLLATE BINARY) GROUP BY Spelling COLLATE NOCASE "
                              "ORDER BY SUM(Occurrences), MIN(Spelling) COLLATE NOCASE"));
        while (q.next()) {
            rows << q.value(1).toString() + u' ' + q.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

// Runs statements on a database file through a connection of the test's own.
bool ExecuteOn(const QString& path, const QStringList& statements) {
    const QString name = QStringLiteral("test-statements");
    bool done = true;
    {
        QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        c.setDatabaseName(path);
        done = c.open();
        for (const QString& statement : statements) {
            done = done && QSqlQuery(c).exec(statement);
        }
    }
    QSqlDatabase::removeDatabase(name);
    return done;
}

// Leaves a database file as a killed run, a stray write or a change of permissions might:
// "garbage" (no database at all), "cut short" (a database of many rows cut to half its length),
// "damaged pages" (pages in the middle overwritten), "read-only".
void Damage(const QString& path, const QString& how) {
    if (how == QStringLiteral("garbage")) {
        QFile::remove(path);
        WriteTextFile(path, QByteArray(4096, 'x'));
        return;
    }
    if (how == QStringLiteral("read-only")) {
        QFile::setPermissions(path, QFileDevice::ReadOwner);
        return;
    }
    QStringList fill{QStringLiteral("CREATE TABLE IF NOT EXISTS tbWords (Word TEXT)")};
    fill << QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
                           "INSERT INTO tbWords SELECT 'word' || i FROM n");
    QVERIFY(ExecuteOn(path, fill));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    if (how == QStringLiteral("cut short")) {
        QVERIFY(file.resize(file.size() / 2));
    } else {
        QVERIFY(file.seek(file.size() / 2));
        file.write(QByteArray(3 * 4096, '\xA5'));
    }
    file.close();
    QVERIFY(DatabaseIntegrity(path) != QStringLiteral("ok"));
}

} // namespace

class CountingTest : public QObject {
    Q_OBJECT

    // Adds one row per method; the database method may expect other rows (case-blind groups).
    void AddCase(const char* name, CountMode mode, bool ignoreCase, const QList<QByteArray>& texts,
                 const QStringList& textRows, const QList<qint64>& totals,
                 const std::optional<QStringList>& dbRows = std::nullopt) {
        AddWordsCase(name, LetterRule::Ascii, {}, mode, ignoreCase, texts, textRows, totals, 0, dbRows);
    }

    // As AddCase, with a letter rule and common words to leave out (stopped of them in the texts).
    void AddWordsCase(const char* name, LetterRule letters, const QStringList& stopWords, CountMode mode,
                      bool ignoreCase, const QList<QByteArray>& texts, const QStringList& textRows,
                      const QList<qint64>& totals, qint64 stopped,
                      const std::optional<QStringList>& dbRows = std::nullopt) {
        AddFormsCase(name, letters, {}, stopWords, mode, ignoreCase, texts, textRows, totals, stopped, dbRows);
    }

    // As AddWordsCase, with further word options.
    void AddFormsCase(const char* name, LetterRule letters, const WordOptions& words, const QStringList& stopWords,
                      CountMode mode, bool ignoreCase, const QList<QByteArray>& texts, const QStringList& textRows,
                      const QList<qint64>& totals, qint64 stopped,
                      const std::optional<QStringList>& dbRows = std::nullopt) {
        for (const QString& method : kMethods) {
            const QStringList rows = method == QStringLiteral("text") || !dbRows ? textRows : *dbRows;
            QTest::addRow("%s: %s", qPrintable(method), name)
                << method << mode << ignoreCase << texts << rows << totals << letters << stopWords << stopped << words;
        }
    }

private slots:
    void pass_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<CountMode>("mode");
        QTest::addColumn<bool>("ignoreCase");
        QTest::addColumn<QList<QByteArray>>("texts");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QList<qint64>>("totals"); // words, lines, characters with and without spaces
        QTest::addColumn<LetterRule>("letters");
        QTest::addColumn<QStringList>("stopWords");
        QTest::addColumn<qint64>("stopped");
        QTest::addColumn<WordOptions>("words");
        const CountMode all = CountMode::AllFiles;
        const CountMode perFile = CountMode::PerFile;

        AddCase("two lines", all, true, {"a b\nc"}, {"a 1", "b 1", "c 1"}, {3, 1, 4, 3});
        AddCase("b a b", all, true, {"b a b"}, {"a 1", "b 2"}, {3, 0, 5, 3});
        AddCase("empty text", all, true, {""}, {}, {0, 0, 0, 0});
        AddCase("empty text, per file", perFile, true, {""}, {}, {0, 0, 0, 0});
        AddCase("no text file", all, true, {kMissing}, {}, {0, 0, 0, 0});
        AddCase("missing text between two", perFile, true, {"a", kMissing, "b b"}, {"doc0.pdf a 1", "doc2.pdf b 2"},
                {3, 0, 4, 3});
        AddCase("two texts of two lines, all files", all, true, {"a\nb", "c\nd"}, {"a 1", "b 1", "c 1", "d 1"},
                {4, 3, 4, 4});
        AddCase("two texts of two lines, per file", perFile, true, {"a\nb", "c\nd"},
                {"doc0.pdf a 1", "doc0.pdf b 1", "doc1.pdf c 1", "doc1.pdf d 1"}, {4, 2, 4, 4});
        AddCase("last line without break joins no other text", all, true, {"a b\nc", "d"}, {"a 1", "b 1", "c 1", "d 1"},
                {4, 2, 5, 4});
        // All files count as one text of all their lines: empty texts add none, a text of one
        // line break adds one empty line, every line end is one.
        AddCase("empty texts between, all files", all, true, {"", "x", ""}, {"x 1"}, {1, 0, 1, 1});
        AddCase("a text of one line break, all files", all, true, {"\n", "a"}, {"a 1"}, {1, 1, 1, 1});
        AddCase("line ends across texts, all files", all, true, {"a\r\nb\r\n", "c\rd"}, {"a 1", "b 1", "c 1", "d 1"},
                {4, 3, 4, 4});
        AddCase("word rule", all, true, {"don't e-mail 3D na\xC3\xAFve x2 one\ttwo 42 -- \xC2\xA7"},
                {"d 1", "dont 1", "email 1", "nave 1", "onetwo 1", "x 1"}, {6, 0, 40, 32});
        AddCase("three blanks and a line of blanks", all, true, {"a   b\n   \n"}, {"a 1", "b 1"}, {2, 1, 8, 2});
        AddCase("tab and page break stay in the token", all, true, {"a\tb\f c"}, {"ab 1", "c 1"}, {2, 0, 6, 5});
        AddCase("ignore case", all, true, {"The THE the"}, {"the 3"}, {3, 0, 11, 9});
        AddCase("letter case kept", all, false, {"The THE the apple Apple"},
                {"Apple 1", "THE 1", "The 1", "apple 1", "the 1"}, {5, 0, 23, 19}, QStringList{"Apple 2", "THE 3"});
        AddCase("Zebra and apple", all, false, {"apple Zebra"}, {"Zebra 1", "apple 1"}, {2, 0, 11, 10},
                QStringList{"apple 1", "Zebra 1"});
        AddCase("app before apple", all, true, {"apple app"}, {"app 1", "apple 1"}, {2, 0, 9, 8});
        AddCase("10 after 9", all, true, {Repeat("b", 10) + Repeat("a", 9) + "c"}, {"c 1", "a 9", "b 10"},
                {20, 0, 39, 20});
        AddCase("line ends LF, CR LF and CR", all, true, {"a\rb\r\nc\nd"}, {"a 1", "b 1", "c 1", "d 1"}, {4, 3, 4, 4});
        AddCase("line ends, per file", perFile, true, {"a\rb\r\n", "c\n\nd\r"},
                {"doc0.pdf a 1", "doc0.pdf b 1", "doc1.pdf c 1", "doc1.pdf d 1"}, {4, 3, 4, 4});
        // U+FB00-U+FB06 are written out; U+FB07 and a cut sequence are no letters.
        AddCase("ligatures", all, true,
                {"\xEF\xAC\x81ne \xEF\xAC\x80 O\xEF\xAC\x84ine \xEF\xAC\x86op \xEF\xAC\x85 a\xEF\xAC\x83x "
                 "\xEF\xAC\x87 b\xEF\xAC"},
                {"affix 1", "b 1", "ff 1", "fine 1", "offline 1", "st 1", "stop 1"}, {7, 0, 27, 20});
        AddCase("invalid UTF-8", all, true,
                {"ab\x80"
                 "cd \xFFx \xE2\x82"},
                {"abcd 1", "x 1"}, {2, 0, 11, 9});
        AddCase("per-file blocks", perFile, true, {"b a b", "a c"},
                {"doc0.pdf a 1", "doc0.pdf b 2", "doc1.pdf a 1", "doc1.pdf c 1"}, {5, 0, 8, 5});
        AddCase("per file, one text without words", perFile, true, {"42", "a"}, {"doc1.pdf a 1"}, {1, 0, 3, 3});
        AddCase("per file, one word only", perFile, true, {"x x x"}, {"doc0.pdf x 3"}, {3, 0, 5, 3});
        const QByteArray a300(300, 'a');
        const QByteArray a256(256, 'a');
        AddCase("words over 255 letters", all, true, {a300 + ' ' + a256},
                {QString::fromLatin1(a256) + " 1", QString::fromLatin1(a300) + " 1"}, {2, 0, 557, 556},
                QStringList{QString(255, u'a') + " 2"});
        // More words than one stored batch of either kind.
        AddCase("many words", all, true, {Repeat("x", 5000) + Repeat("y", 4100) + Repeat("z", 70)},
                {"z 70", "y 4100", "x 5000"}, {9170, 0, 18340, 9170});

        // Letters of all languages: both methods give the same words when letter case is ignored.
        const LetterRule allLetters = LetterRule::AllLanguages;
        AddWordsCase("all letters: German, full folding", allLetters, {}, all, true,
                     {"Stra\u00dfe STRASSE strasse Gr\u00f6\u00dfe GR\u00d6SSE gr\u00f6\u00dfe"},
                     {"gr\u00f6sse 3", "strasse 3"}, {6, 0, 41, 36}, 0);
        AddWordsCase("all letters: French and Spanish", allLetters, {}, all, true,
                     {"Na\u00efve caf\u00e9 actualizaci\u00f3n \u00bfQu\u00e9? l'\u00e9t\u00e9 don't e-mail"},
                     {"actualizaci\u00f3n 1", "caf\u00e9 1", "dont 1", "email 1", "l\u00e9t\u00e9 1", "na\u00efve 1",
                      "qu\u00e9 1"},
                     {7, 0, 49, 43}, 0);
        AddWordsCase("all letters: Greek and Russian", allLetters, {}, all, true,
                     {"\u039a\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1\u03b1 \u03a3\u038a\u03a3\u03a5\u03a6\u039f\u03a3 "
                      "\u03c3\u03af\u03c3\u03c5\u03c6\u03bf\u03c2\n\u041f\u0440\u0438\u0432\u0435\u0442 "
                      "\u043c\u0438\u0440 \u041c\u0418\u0420"},
                     {"\u03ba\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1\u03b1 1", "\u043f\u0440\u0438\u0432\u0435\u0442 1",
                      "\u03c3\u03af\u03c3\u03c5\u03c6\u03bf\u03c3 2", "\u043c\u0438\u0440 2"},
                     {6, 1, 38, 34}, 0);
        // Dotted capital I folds to i and a combining dot; dotless i stays a letter of its own.
        AddWordsCase("all letters: Turkish", allLetters, {}, all, true,
                     {"\u0130stanbul ISTANBUL \u0131stanbul istanbul"},
                     {"i\u0307stanbul 1", "\u0131stanbul 1", "istanbul 2"}, {4, 0, 35, 32}, 0);
        AddWordsCase("all letters: combining accents are composed", allLetters, {}, all, false,
                     {"cafe\u0301 caf\u00e9 Cafe\u0301"}, {"Caf\u00e9 1", "caf\u00e9 2"}, {3, 0, 16, 14}, 0,
                     QStringList{"Caf\u00e9 3"});
        AddWordsCase("all letters: letter case kept", allLetters, {}, all, false,
                     {"Stra\u00dfe STRASSE stra\u00dfe Apple apple"},
                     {"Apple 1", "STRASSE 1", "Stra\u00dfe 1", "apple 1", "stra\u00dfe 1"}, {5, 0, 33, 29}, 0,
                     QStringList{"Apple 2", "STRASSE 3"});
        AddWordsCase("all letters: digits and punctuation end a word", allLetters, {}, all, true,
                     {"hello,world x2y 3D 42 -- \u00a7 \u00ab\u00e0\u00bb"},
                     {"d 1", "hello 1", "world 1", "x 1", "y 1", "\u00e0 1"}, {6, 0, 30, 24}, 0);
        AddWordsCase("all letters: ligatures and bytes that are not UTF-8", allLetters, {}, all, true,
                     {"\xEF\xAC\x81ne O\xEF\xAC\x84ine ab\x80"
                      "cd \xC3\xA9\xFF\xC3\xA9"},
                     {"abcd 1", "fine 1", "offline 1", "\u00e9\u00e9 1"}, {4, 0, 19, 16}, 0);
        // Both methods cut a word after 255 characters, never between a letter and its marks.
        const QByteArray e300 = QString(300, u'\u00e9').toUtf8();
        const QByteArray e256 = QString(256, u'\u00e9').toUtf8();
        AddWordsCase("all letters: words over 255 letters", allLetters, {}, all, true, {e300 + ' ' + e256},
                     {QString(255, u'\u00e9') + " 2"}, {2, 0, 557, 556}, 0);
        const QString xAcute = QStringLiteral("x\u0301"); // no precomposed form: two characters
        AddWordsCase("all letters: a long word is cut after a whole letter", allLetters, {}, all, true,
                     {(xAcute.repeated(200) + u' ' + xAcute.repeated(128)).toUtf8()}, {xAcute.repeated(127) + " 2"},
                     {2, 0, 657, 656}, 0);
        // The typeset apostrophe, the hyphens and the soft hyphen join the letters around them.
        AddWordsCase("all letters: apostrophes and hyphens of every kind", allLetters, {}, all, true,
                     {"don\u2019t e\u2010mail non\u2011stop co\u00adoperate"},
                     {"cooperate 1", "dont 1", "email 1", "nonstop 1"}, {4, 0, 32, 29}, 0);
        // Folding gives the composed form: the Greek iota with dialytika and tonos folds to three
        // characters that compose to one again.
        AddWordsCase("all letters: folded words are composed", allLetters, {}, all, true,
                     {"\u0390 \u03b9\u0308\u0301 \u03b0"}, {"\u03b0 1", "\u0390 2"}, {3, 0, 7, 5}, 0);
        // A letter keeps thirty marks in a row; more are dropped.
        AddWordsCase(
            "all letters: thirty marks at most", allLetters, {}, all, true,
            {(QStringLiteral("a") + QString(40, u'\u0301') + QStringLiteral(" a") + QString(30, u'\u0301')).toUtf8()},
            {QStringLiteral("\u00e1") + QString(29, u'\u0301') + " 2"}, {2, 0, 73, 72}, 0);

        // Common words have no row but count as words.
        AddWordsCase("common words", LetterRule::Ascii, {"the", "And"}, all, true, {"The cat and the hat"},
                     {"cat 1", "hat 1"}, {5, 0, 19, 15}, 3);
        AddWordsCase("common words, letter case kept", LetterRule::Ascii, {"the"}, all, false, {"The cat THE"},
                     {"cat 1"}, {3, 0, 11, 9}, 2);
        AddWordsCase("common words by the ASCII rule", LetterRule::Ascii, {"\u00fcber", "don't"}, all, true,
                     {"\u00dcber dont bar"}, {"bar 1"}, {3, 0, 13, 11}, 2);
        AddWordsCase("common words, all letters", allLetters, {"\u00fcber", "Stra\u00dfe"}, all, false,
                     {"\u00dcber die STRASSE \u00fcber"}, {"die 1"}, {4, 0, 21, 18}, 3);
        AddWordsCase("common words, per file", LetterRule::Ascii, {"a"}, perFile, true, {"a a b", "a c"},
                     {"doc0.pdf b 1", "doc1.pdf c 1"}, {5, 0, 8, 5}, 3);

        // Compatibility forms join their normal spellings: Arabic presentation forms (seen
        // initial, teh final), a Hebrew wide alef, full-width Latin; a full-width apostrophe
        // joins like the apostrophe.
        WordOptions compatibility;
        compatibility.compatibility = true;
        AddFormsCase("compatibility forms", allLetters, compatibility, {}, all, true,
                     {"\u0627\ufeb3\ufe96 \u0627\u0633\u062a \ufb21\u05d1 \u05d0\u05d1 \uff21\uff42\uff43 abc "
                      "don\uff07t"},
                     {"dont 1", "abc 2", "\u05d0\u05d1 2", "\u0627\u0633\u062a 2"}, {7, 0, 27, 21}, 0);
        AddFormsCase("compatibility forms, letter case kept", allLetters, compatibility, {}, all, false,
                     {"\uff21\uff22\uff23 ABC"}, {"ABC 2"}, {2, 0, 7, 6}, 0);
        AddFormsCase("compatibility forms in common words", allLetters, compatibility, {"\uff41nd"}, all, false,
                     {"AND and \uff21\uff2e\uff24 x"}, {"x 1"}, {4, 0, 13, 10}, 3);
        // Dictionary words where no blanks part them, as ICU's iterator cuts them: Chinese
        // 我们|是|学生, Japanese これ|は|日本語|です, Thai
        // ภาษา|ไทย|เป็น|ภาษา; Latin letters
        // before Chinese ones are a word of their own. Languages with blanks keep their words.
        WordOptions segment;
        segment.segment = true;
        AddFormsCase("dictionary words", allLetters, segment, {}, all, true,
                     {"\u6211\u4eec\u662f\u5b66\u751f\u3002\n\u3053\u308c\u306f\u65e5\u672c\u8a9e\u3067\u3059\n"
                      "\u0e20\u0e32\u0e29\u0e32\u0e44\u0e17\u0e22\u0e40\u0e1b\u0e47\u0e19\u0e20\u0e32\u0e29\u0e32 "
                      "Unicode\u4e2d\u6587"},
                     {"unicode 1", "\u0e40\u0e1b\u0e47\u0e19 1", "\u0e44\u0e17\u0e22 1", "\u3053\u308c 1",
                      "\u3067\u3059 1", "\u306f 1", "\u4e2d\u6587 1", "\u5b66\u751f 1", "\u6211\u4eec 1",
                      "\u65e5\u672c\u8a9e 1", "\u662f 1", "\u0e20\u0e32\u0e29\u0e32 2"},
                     {13, 2, 39, 38}, 0);
        AddFormsCase("dictionary words, languages with blanks", allLetters, segment, {}, all, true,
                     {"Na\u00efve don't e-mail \u041f\u0440\u0438\u0432\u0435\u0442 \u05e9\u05dc\u05d5\u05dd "
                      "x\u0301y"},
                     {"dont 1", "email 1", "na\u00efve 1", "x\u0301y 1", "\u043f\u0440\u0438\u0432\u0435\u0442 1",
                      "\u05e9\u05dc\u05d5\u05dd 1"},
                     {6, 0, 34, 29}, 0);
        // Word forms: one row per stem, shown by its most frequent spelling (ties: the smallest).
        WordOptions english;
        english.stemLanguage = QStringLiteral("english");
        AddFormsCase("word forms", LetterRule::Ascii, english, {"the"}, all, true,
                     {"analyse analysed analyses analysing Analysed the cats cat dog"},
                     {"dog 1", "cat 2", "analysed 5"}, {9, 0, 61, 53}, 1);
        AddFormsCase("word forms, letter case kept", LetterRule::Ascii, english, {}, all, false,
                     {"analyses Analysed analyse"}, {"Analysed 3"}, {3, 0, 25, 23}, 0);
        AddFormsCase("word forms, per file", allLetters, english, {}, perFile, true, {"runs run", "running"},
                     {"doc0.pdf run 2", "doc1.pdf running 1"}, {3, 0, 15, 14}, 0);
    }

    void pass() {
        QFETCH(QString, method);
        QFETCH(CountMode, mode);
        QFETCH(bool, ignoreCase);
        QFETCH(QList<QByteArray>, texts);
        QFETCH(QStringList, rows);
        QFETCH(QList<qint64>, totals);
        QFETCH(LetterRule, letters);
        QFETCH(QStringList, stopWords);
        QFETCH(qint64, stopped);
        QFETCH(WordOptions, words);
        IsolatedEnvironment env;
        Run run;
        run.words = words;
        run.method = method;
        run.mode = mode;
        run.ignoreCase = [ignoreCase] { return ignoreCase; };
        run.letters = letters;
        run.stopWords = stopWords;
        run.Place(env.Work(), texts);
        run.Go();
        QCOMPARE(run.Rows(), rows);
        QCOMPARE(run.Totals(), totals);
        QCOMPARE(run.sink.totals.stoppedWords, stopped);
        QCOMPARE(run.sink.totalsSet, 1);
        QVERIFY2(run.ui.calls.isEmpty(), qPrintable(run.ui.MessageTexts().join(u'\n')));
        // Every text has been used up; the PDFs' folder holds nothing new.
        for (const QString& row : run.rows) {
            QVERIFY(!QFileInfo::exists(TextFileOf(row)));
        }
        QVERIFY(QDir(env.Work()).isEmpty());
    }

    void sameFileListedTwice_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<CountMode>("mode");
        QTest::addColumn<QStringList>("rows");
        for (const QString& method : kMethods) {
            QTest::addRow("%s, all files", qPrintable(method))
                << method << CountMode::AllFiles << QStringList{"a 1", "b 1"};
            QTest::addRow("%s, per file", qPrintable(method))
                << method << CountMode::PerFile << QStringList{"doc.pdf a 1", "doc.pdf b 1"};
        }
    }

    void sameFileListedTwice() {
        QFETCH(QString, method);
        QFETCH(CountMode, mode);
        QFETCH(QStringList, rows);
        IsolatedEnvironment env;
        const QString pdf = WriteTextFile(env.Work() + QStringLiteral("/doc.pdf"), "%PDF");
        WriteTextFile(TextFileOf(pdf), "a b");
        Run run;
        run.method = method;
        run.mode = mode;
        run.rows = {pdf, env.Work() + QStringLiteral("/./doc.pdf")};
        run.Go();
        QCOMPARE(run.Rows(), rows);
        QCOMPARE(run.Totals(), (QList<qint64>{2, 0, 3, 2}));
        QCOMPARE(ReadAll(pdf), QByteArray("%PDF"));
    }

    void labels() {
        IsolatedEnvironment env;
        Run run;
        run.mode = CountMode::PerFile;
        run.rows = {env.Work() + QStringLiteral("/Report.PDF"), env.Work() + QStringLiteral("/notes.v2.txt")};
        WriteTextFile(TextFileOf(run.rows[0]), "a");
        WriteTextFile(TextFileOf(run.rows[1]), "b");
        run.Go();
        QCOMPARE(run.sink.rows[0][0], env.Work() + QStringLiteral("/Report.pdf"));
        QCOMPARE(run.sink.rows[1][0], env.Work() + QStringLiteral("/notes.v2.pdf"));

        // Labels given by the caller replace the file names.
        Run given;
        given.mode = CountMode::PerFile;
        given.rows = run.rows;
        WriteTextFile(TextFileOf(given.rows[0]), "a");
        PassInputs in;
        in.mode = CountMode::PerFile;
        in.texts = ConvertedTexts(given.rows, {QStringLiteral("first"), QStringLiteral("second")});
        in.results = &given.sink;
        SortingText(in);
        QCOMPARE(given.sink.rows, (QList<QStringList>{{"first", "a", "1"}}));
    }

    // The stop query is read after every line: the rest of a text is not walked, but every
    // character and line is still counted and every text is used up.
    void stop_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<CountMode>("mode");
        QTest::addColumn<int>("stopAfterLines"); // 0: requested before the pass began
        QTest::addColumn<QStringList>("rows");
        for (const QString& method : kMethods) {
            // The text method's sort also sees the stop and leaves after one comparison.
            const bool text = method == QStringLiteral("text");
            QTest::addRow("%s: before the pass, all files", qPrintable(method))
                << method << CountMode::AllFiles << 0 << (text ? QStringList{"b 1", "a 1"} : QStringList{"a 1", "b 1"});
            QTest::addRow("%s: before the pass, per file", qPrintable(method))
                << method << CountMode::PerFile << 0 << QStringList{"doc0.pdf a 1", "doc0.pdf b 1", "doc1.pdf e 1"};
            QTest::addRow("%s: during the walk, all files", qPrintable(method))
                << method << CountMode::AllFiles << 2
                << (text ? QStringList{"b 1", "a 1", "c 1"} : QStringList{"a 1", "b 1", "c 1"});
            QTest::addRow("%s: during the walk, per file", qPrintable(method))
                << method << CountMode::PerFile << 2
                << QStringList{"doc0.pdf a 1", "doc0.pdf b 1", "doc0.pdf c 1", "doc1.pdf e 1"};
        }
    }

    void stop() {
        QFETCH(QString, method);
        QFETCH(CountMode, mode);
        QFETCH(int, stopAfterLines);
        QFETCH(QStringList, rows);
        IsolatedEnvironment env;
        Run run;
        run.method = method;
        run.mode = mode;
        int asked = 0;
        run.stop = [&asked, stopAfterLines] { return ++asked >= stopAfterLines; };
        run.Place(env.Work(), {"b a\nc\nd", "e\nf"});
        run.Go();
        QCOMPARE(run.Rows(), rows);
        const qint64 lines = mode == CountMode::AllFiles ? 4 : 3;
        QCOMPARE(run.sink.totals.lines, lines);
        QCOMPARE(run.sink.totals.charsWithSpaces, qint64(7));
        QCOMPARE(run.sink.totals.words, static_cast<qint64>(rows.size()));
        QVERIFY(!QFileInfo::exists(TextFileOf(run.rows[1])));
    }

    // A stop still set when the sort begins leaves it after one comparison: the rows come in
    // the table's order with correct counts.
    void stopBeforeSort_data() {
        QTest::addColumn<CountMode>("mode");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("all files: the empty entry is compared first")
            << CountMode::AllFiles << QByteArray("b b c a") << QStringList{"b 2", "c 1", "a 1"};
        QTest::newRow("per file: one exchange, then no further pass")
            << CountMode::PerFile << QByteArray("c b a") << QStringList{"doc0.pdf b 1", "doc0.pdf c 1", "doc0.pdf a 1"};
    }

    void stopBeforeSort() {
        QFETCH(CountMode, mode);
        QFETCH(QByteArray, text);
        QFETCH(QStringList, rows);
        IsolatedEnvironment env;
        Run run;
        run.mode = mode;
        bool stopNow = false;
        run.stop = [&stopNow] { return stopNow; };
        run.progress.onText = [&stopNow](const ProgressText& text) {
            if (text.kind == ProgressText::Kind::Plain &&
                text.text == QStringLiteral("Counting words, please wait...")) {
                stopNow = true;
            }
        };
        run.Place(env.Work(), {text});
        run.Go();
        QCOMPARE(run.Rows(), rows);
        QCOMPARE(run.sink.totals.words, qint64(text.count(' ') + 1));
        int comparisons = 0;
        for (const ProgressText& t : run.progress.texts) {
            comparisons += t.kind == ProgressText::Kind::SortingLoop;
        }
        QCOMPARE(comparisons, 1);
    }

    // Counting in memory and handing the engine one row per spelling gives the very rows that
    // one row per word occurrence gave: the same groups, spellings, counts and order.
    void databaseMethodMatchesOneRowPerWord_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<quint32>("seed");
        for (const quint32 seed : {1u, 2u, 3u}) {
            QTest::addRow("seed %u", seed) << QStringLiteral("db") << seed;
        }
    }

    void databaseMethodMatchesOneRowPerWord() {
        QFETCH(QString, method);
        QFETCH(quint32, seed);
        IsolatedEnvironment env;
        const QList<QByteArray> words = RandomWords(seed, 6000);
        QByteArray text;
        for (qsizetype i = 0; i < words.size(); ++i) {
            text += words[i] + (i % 9 == 8 ? '\n' : ' ');
        }
        Run run;
        run.method = method;
        run.ignoreCase = [] { return false; };
        run.Place(env.Work(), {text});
        run.Go();
        const QStringList expected = OneRowPerWordRows(words);
        QVERIFY(expected.size() > 300);
        QCOMPARE(run.Rows(), expected);
        QCOMPARE(run.sink.totals.words, qint64(words.size()));
    }

    // The switch is asked for every token, so a change during the pass applies from the next word.
    void ignoreCaseAskedPerToken_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QStringList>("rows");
        // The first token is asked before the switch turns: the text method keeps "B" apart, the
        // database groups letter case whatever the switch says.
        QTest::newRow("text") << "text" << QStringList{"B 1", "b 2"};
        QTest::newRow("db") << "db" << QStringList{"B 3"};
    }

    void ignoreCaseAskedPerToken() {
        QFETCH(QString, method);
        QFETCH(QStringList, rows);
        IsolatedEnvironment env;
        Run run;
        run.method = method;
        int asked = 0;
        run.ignoreCase = [&asked] { return ++asked > 1; };
        run.Place(env.Work(), {"B b B"});
        run.Go();
        QCOMPARE(run.Rows(), rows);
        QCOMPARE(asked, 3);
    }

    void progress() {
        IsolatedEnvironment env;
        Run run;
        run.Place(env.Work(), {"x y  z\n\nw"});
        run.Go();
        QStringList tokens;
        for (const ProgressText& text : run.progress.texts) {
            if (text.kind == ProgressText::Kind::CountingToken) {
                tokens << text.Format();
            }
        }
        const QString prefix = QStringLiteral("Counting words, please wait... ");
        QCOMPARE(tokens, (QStringList{prefix + "1.1", prefix + "1.2", prefix + "1.3", prefix + "1.4", prefix + "3.1"}));
        QCOMPARE(run.progress.values.mid(0, 3), (QList<double>{1.0 / 3.0 * 100.0, 2.0 / 3.0 * 100.0, 100.0}));
    }

    void bubbleSort_data() {
        QTest::addColumn<QStringList>("words"); // "count word", in table order; "" is the empty entry
        QTest::addColumn<QStringList>("sorted");
        QTest::addColumn<int>("comparisons");
        QTest::addColumn<QStringList>("someTexts"); // progress texts that must appear
        QTest::newRow("empty entry only") << QStringList{""} << QStringList{""} << 0 << QStringList{};
        QTest::newRow("one word per file") << QStringList{"1 x"} << QStringList{"1 x"} << 0 << QStringList{};
        QTest::newRow("one pair") << QStringList{"", "3 a"} << QStringList{"", "3 a"} << 1
                                  << QStringList{"Sorting words, loop 1 of 0, please wait... 0"};
        // Every pass runs over the whole table; the sort ends after a pass without exchange.
        QTest::newRow("reversed") << QStringList{"", "3 c", "2 b", "1 a"} << QStringList{"", "1 a", "2 b", "3 c"} << 9
                                  << QStringList{"Sorting words, loop 1 of 2, please wait... 0",
                                                 "Sorting words, loop 3 of 2, please wait... 2"};
        QTest::newRow("count before word")
            << QStringList{"", "10 a", "9 b", "1 Zebra", "1 apple", "1 app"}
            << QStringList{"", "1 Zebra", "1 app", "1 apple", "9 b", "10 a"} << 20 << QStringList{};
    }

    void bubbleSort() {
        QFETCH(QStringList, words);
        QFETCH(QStringList, sorted);
        QFETCH(int, comparisons);
        QFETCH(QStringList, someTexts);
        WordTable table;
        for (const QString& word : words) {
            WordEntry entry;
            if (!word.isEmpty()) {
                entry.count = word.section(u' ', 0, 0).toLongLong();
                entry.word = word.section(u' ', 1).toLatin1();
            }
            table << entry;
        }
        RecordingProgress progress;
        PassInputs in;
        in.progress = &progress;
        BubbleSort(table, in);
        QStringList result;
        for (const WordEntry& entry : table) {
            result << (entry.IsEmpty() ? QString()
                                       : QString::number(entry.count) + u' ' + QString::fromLatin1(entry.word));
        }
        QCOMPARE(result, sorted);
        QStringList texts;
        for (const ProgressText& text : progress.texts) {
            texts << text.Format();
        }
        QCOMPARE(texts.size(), comparisons);
        for (const QString& text : someTexts) {
            QVERIFY2(texts.contains(text), qPrintable(text));
        }
        for (const double value : progress.values) {
            QVERIFY(value >= 0 && value <= 100 && value == std::trunc(value));
        }
    }

    // The n log n sort ends in the very order the bubble sort ends in.
    void sortWordsAsBubbleSort_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("emptyEntry");
        for (const int size : {0, 1, 2, 3, 17, 2047, 2048, 2049, 4500}) {
            for (const bool emptyEntry : {false, true}) {
                QTest::addRow("%d entries%s", size, emptyEntry ? ", the empty one first" : "") << size << emptyEntry;
            }
        }
    }

    void sortWordsAsBubbleSort() {
        QFETCH(int, size);
        QFETCH(bool, emptyEntry);
        for (const quint32 seed : {1u, 2u}) {
            WordTable sorted = RandomTable(seed + static_cast<quint32>(size), size, emptyEntry);
            WordTable bubbled = sorted;
            SortWords(sorted, PassInputs{});
            BubbleSort(bubbled, PassInputs{});
            QCOMPARE(EntryTexts(sorted), EntryTexts(bubbled));
        }
    }

    // The sort shows one pass, its progress following the work, and gives the event queue turns.
    void sortWordsProgress_data() {
        QTest::addColumn<int>("size");
        QTest::newRow("one pair") << 2;
        QTest::newRow("one run") << 1000;
        QTest::newRow("runs and merges") << 9000;
    }

    void sortWordsProgress() {
        QFETCH(int, size);
        WordTable table = RandomTable(7, size, true);
        RecordingProgress progress;
        int turns = 0;
        PassInputs in;
        in.progress = &progress;
        in.yield = [&turns] { ++turns; };
        SortWords(table, in);
        const qint64 last = size - 2;
        QVERIFY(!progress.texts.isEmpty());
        qint64 previous = 0;
        for (const ProgressText& text : progress.texts) {
            QCOMPARE(text.kind, ProgressText::Kind::SortingLoop);
            QCOMPARE(text.a, qint64(1));
            QCOMPARE(text.b, last);
            QVERIFY(text.c >= previous && text.c <= last);
            previous = text.c;
        }
        QCOMPARE(progress.texts.last().Format(),
                 QStringLiteral("Sorting words, loop 1 of %1, please wait... %1").arg(last));
        QVERIFY(std::is_sorted(progress.values.begin(), progress.values.end()));
        QCOMPARE(progress.values.last(), 100.0);
        QCOMPARE(turns, progress.texts.size());
    }

    // 200,000 distinct words are counted, sorted and reported in well under five seconds, in
    // order of count and then of character codes.
    void manyDistinctWords() {
        IsolatedEnvironment env;
        QByteArray text;
        QList<std::pair<qint64, QByteArray>> expected;
        for (int i = 0; i < 200'000; ++i) {
            QByteArray word;
            for (int n = i;; n /= 52) {
                word += "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"[n % 52];
                if (n < 52) {
                    break;
                }
            }
            const int count = 1 + i % 3;
            for (int k = 0; k < count; ++k) {
                text += word + (i % 10 == 9 && k == 0 ? '\n' : ' ');
            }
            expected.append({count, word});
        }
        std::sort(expected.begin(), expected.end());
        Run run;
        run.ignoreCase = [] { return false; };
        run.Place(env.Work(), {text});
        QElapsedTimer clock;
        clock.start();
        run.Go();
        const qint64 milliseconds = clock.elapsed();
        qInfo("200,000 distinct words counted, sorted and reported in %lld ms", static_cast<long long>(milliseconds));
        QVERIFY2(milliseconds < 5000, qPrintable(QString::number(milliseconds)));
        QCOMPARE(run.sink.rows.size(), qsizetype(200'000));
        for (qsizetype i = 0; i < expected.size(); ++i) {
            const QStringList& row = run.sink.rows[i];
            if (row[0] != QLatin1String(expected[i].second) || row[1] != QString::number(expected[i].first)) {
                QFAIL(qPrintable(QStringLiteral("row %1: %2").arg(i).arg(row.join(u' '))));
            }
        }
    }

    // A stop while the table is sorted leaves it as the sort has made it so far: every word with
    // its count, in sorted stretches not yet merged into one.
    void stopWhileSorting() {
        IsolatedEnvironment env;
        QByteArray text;
        for (int i = 6000; i > 0; --i) { // first seen in the reverse of their order
            QByteArray word = QByteArray::number(i);
            for (char& c : word) {
                c = static_cast<char>(c - '0' + 'a');
            }
            text += word + ' ';
        }
        Run run;
        bool stopNow = false;
        run.stop = [&stopNow] { return stopNow; };
        run.progress.onText = [&stopNow](const ProgressText& text) {
            stopNow = stopNow || text.kind == ProgressText::Kind::SortingLoop;
        };
        run.Place(env.Work(), {text});
        run.Go();
        int sortTexts = 0;
        for (const ProgressText& t : run.progress.texts) {
            sortTexts += t.kind == ProgressText::Kind::SortingLoop;
        }
        QCOMPARE(sortTexts, 1); // left after the first step
        QStringList rows = run.Rows();
        QCOMPARE(rows.size(), qsizetype(6000));
        QCOMPARE(run.sink.totals.words, qint64(6000));
        QVERIFY(!std::is_sorted(rows.begin(), rows.end()));
        QVERIFY(std::is_sorted(rows.begin(), rows.begin() + 1000));
        std::sort(rows.begin(), rows.end());
        QVERIFY(std::adjacent_find(rows.begin(), rows.end()) == rows.end()); // each word once
    }

    void entryOrder_data() {
        QTest::addColumn<qint64>("countA");
        QTest::addColumn<QByteArray>("wordA");
        QTest::addColumn<qint64>("countB");
        QTest::addColumn<QByteArray>("wordB");
        QTest::addColumn<bool>("greater");
        QTest::newRow("empty entry first") << 0LL << QByteArray() << 1LL << QByteArray("a") << false;
        QTest::newRow("anything after the empty entry") << 1LL << QByteArray("a") << 0LL << QByteArray() << true;
        QTest::newRow("10 after 9") << 10LL << QByteArray("a") << 9LL << QByteArray("b") << true;
        QTest::newRow("capitals first") << 1LL << QByteArray("apple") << 1LL << QByteArray("Zebra") << true;
        QTest::newRow("prefix first") << 1LL << QByteArray("app") << 1LL << QByteArray("apple") << false;
        QTest::newRow("12 digits compare as text")
            << 100000000000LL << QByteArray("a") << 99999999999LL << QByteArray("a") << false;
    }

    void entryOrder() {
        QFETCH(qint64, countA);
        QFETCH(QByteArray, wordA);
        QFETCH(qint64, countB);
        QFETCH(QByteArray, wordB);
        QFETCH(bool, greater);
        const WordEntry a{countA, wordA};
        const WordEntry b{countB, wordB};
        QCOMPARE(EntryGreater(a, b), greater);
        QCOMPARE(EntryGreater(a, b), a.Text() > b.Text()); // the same as comparing the entries' texts
    }

    void entryTexts_data() {
        QTest::addColumn<QString>("function");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::newRow("pad") << "pad"
                             << "3 apple"
                             << "00000000003 apple";
        QTest::newRow("pad keeps 11 digits") << "pad"
                                             << "12345678901 a"
                                             << "12345678901 a";
        QTest::newRow("pad keeps more digits") << "pad"
                                               << "123456789012 a"
                                               << "123456789012 a";
        QTest::newRow("pad rewrites the number") << "pad"
                                                 << "0007 x"
                                                 << "00000000007 x";
        QTest::newRow("strip") << "strip"
                               << "00000000012 apple"
                               << "12 apple";
        QTest::newRow("strip zeros only") << "strip"
                                          << "000"
                                          << "";
        QTest::newRow("strip nothing") << "strip"
                                       << "10 a"
                                       << "10 a";
    }

    void entryTexts() {
        QFETCH(QString, function);
        QFETCH(QString, input);
        QFETCH(QString, output);
        QCOMPARE(function == QStringLiteral("pad") ? PadCount(input) : StripLeadingZeros(input), output);
    }

    void captions_data() {
        QTest::addColumn<qint64>("words");
        QTest::addColumn<qint64>("lines");
        QTest::addColumn<qint64>("with");
        QTest::addColumn<qint64>("without");
        QTest::addColumn<QStringList>("captions");
        QTest::newRow("zeros") << 0LL << 0LL << 0LL << 0LL
                               << QStringList{" Word count: 0", " Line Count: 0", " Character Count With Spaces: 0",
                                              " Character Count Without Spaces: 0"};
        QTest::newRow("beyond 32 bits") << 3000000000LL << 12LL << 4294967296LL << 1234567LL
                                        << QStringList{" Word count: 3000000000", " Line Count: 12",
                                                       " Character Count With Spaces: 4294967296",
                                                       " Character Count Without Spaces: 1234567"};
    }

    void captions() {
        QFETCH(qint64, words);
        QFETCH(qint64, lines);
        QFETCH(qint64, with);
        QFETCH(qint64, without);
        QFETCH(QStringList, captions);
        QCOMPARE(CountCaptions(Totals{words, lines, with, without}), captions);
    }

    void noModeCountsNothing_data() {
        QTest::addColumn<QString>("method");
        for (const QString& method : kMethods) {
            QTest::newRow(qPrintable(method)) << method;
        }
    }

    void noModeCountsNothing() {
        QFETCH(QString, method);
        IsolatedEnvironment env;
        Run run;
        run.method = method;
        run.mode = CountMode::None;
        run.Place(env.Work(), {"a b"});
        run.Go();
        QVERIFY(run.sink.rows.isEmpty());
        QCOMPARE(run.sink.totalsSet, 0);
        QVERIFY(QFileInfo::exists(TextFileOf(run.rows[0])));
    }

    // A working database that a killed run, a stray write or a change of permissions left
    // unusable is rebuilt once, with one message naming it; the run counts as usual.
    void damagedDatabase_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<CountMode>("mode");
        QTest::addColumn<QString>("reason");
        QTest::newRow("not a database") << "garbage" << CountMode::AllFiles << "file is not a database";
        QTest::newRow("not a database, per file") << "garbage" << CountMode::PerFile << "file is not a database";
        QTest::newRow("cut short") << "cut short" << CountMode::AllFiles << "database disk image is malformed";
        QTest::newRow("damaged pages") << "damaged pages" << CountMode::PerFile << "database disk image is malformed";
        QTest::newRow("read-only") << "read-only" << CountMode::AllFiles << "the file is read-only";
    }

    void damagedDatabase() {
        QFETCH(QString, damage);
        QFETCH(CountMode, mode);
        QFETCH(QString, reason);
        IsolatedEnvironment env;
        // File permissions do not bind the super-user: a read-only database is tried as nobody.
        std::optional<AsOrdinaryUser> user;
        if (damage == QStringLiteral("read-only")) {
            user.emplace(QStringList{env.Root()}, QStringList{env.Root()});
            QVERIFY(user->Ok());
        }
        EnsureWorkingDatabase();
        const QString db = WorkingDatabasePath();
        Damage(db, damage);
        const QStringList rows = mode == CountMode::AllFiles
                                     ? QStringList{"a 1", "b 1", "c 1", "d 1"}
                                     : QStringList{"doc0.pdf a 1", "doc0.pdf b 1", "doc0.pdf c 1", "doc1.pdf d 1"};
        Run run;
        run.method = QStringLiteral("db");
        run.mode = mode;
        run.Place(env.Work(), {"a b\nc", "d"});
        run.Go();
        QCOMPARE(run.Rows(), rows);
        const QList<ScriptedUi::Call> messages = run.ui.Messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].caption, AppTitle());
        QCOMPARE(messages[0].icon, MsgIcon::None);
        QCOMPARE(messages[0].text, QStringLiteral("The working database ") + db +
                                       QStringLiteral(" could not be used (") + reason +
                                       QStringLiteral(") and has been rebuilt."));
        QCOMPARE(DatabaseIntegrity(db), QStringLiteral("ok"));
        QVERIFY(QFileInfo(db).isWritable());

        // Rebuilt once: the next run finds nothing to say.
        Run next;
        next.method = QStringLiteral("db");
        next.mode = mode;
        next.Place(env.Work(), {"a b\nc", "d"});
        next.Go();
        QCOMPARE(next.Rows(), rows);
        QVERIFY2(next.ui.calls.isEmpty(), qPrintable(next.ui.MessageTexts().join(u'\n')));
    }

    // A working database that can be neither used nor rebuilt gives one error report; the pass
    // still counts characters and lines, uses up the texts and sets the totals.
    void unusableDatabase_data() {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<CountMode>("mode");
        QTest::addColumn<QString>("description"); // what the engine said
        QTest::newRow("a folder in its place") << "folder" << CountMode::AllFiles << "unable to open database file";
        QTest::newRow("read-only, in a read-only folder")
            << "read-only folder" << CountMode::PerFile << "the file is read-only";
    }

    void unusableDatabase() {
        QFETCH(QString, damage);
        QFETCH(CountMode, mode);
        QFETCH(QString, description);
        IsolatedEnvironment env;
        std::optional<AsOrdinaryUser> user;
        if (damage != QStringLiteral("folder")) {
            user.emplace(QStringList{env.Root()}, QStringList{env.Root()});
            QVERIFY(user->Ok());
        }
        EnsureWorkingDatabase();
        const QString db = WorkingDatabasePath();
        if (damage == QStringLiteral("folder")) {
            QFile::remove(db);
            QDir().mkpath(db + QStringLiteral("/inside"));
        } else {
            QFile::setPermissions(db, QFileDevice::ReadOwner);
            QFile::setPermissions(DataFolder(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }
        Run run;
        run.method = QStringLiteral("db");
        run.mode = mode;
        run.Place(env.Work(), {"a b\nc", "d"});
        PassInputs in;
        in.mode = mode;
        in.texts = ConvertedTexts(run.rows);
        in.results = &run.sink;
        in.ui = &run.ui;
        SortingDB(in);
        QFile::setPermissions(DataFolder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        const QList<ScriptedUi::Call> messages = run.ui.Messages();
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].caption, QStringLiteral("Application Error"));
        QVERIFY(messages[0].text.contains(QString::fromLatin1(Source::SortingDb) + QStringLiteral("at line 100")));
        QVERIFY2(messages[0].text.contains(description), qPrintable(messages[0].text));
        QVERIFY(run.sink.rows.isEmpty());
        QCOMPARE(run.sink.totals.charsWithSpaces, qint64(5));
        QCOMPARE(run.sink.totals.lines, mode == CountMode::AllFiles ? qint64(2) : qint64(1));
        QCOMPARE(run.sink.totalsSet, 1);
        QVERIFY(!QFileInfo::exists(TextFileOf(run.rows[0])));
        QVERIFY(!QFileInfo::exists(TextFileOf(run.rows[1])));
        QVERIFY(QFileInfo(db).exists()); // what stood in its place is left alone
    }

    // The working database tells nothing of what was counted: a run writes nothing into it, and
    // the words an earlier version left in its tbWords are cleared away once, the file shrunk.
    void databaseKeepsNoWords_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<CountMode>("mode");
        QTest::addColumn<bool>("oldWords");
        for (const bool oldWords : {false, true}) {
            for (const CountMode mode : {CountMode::AllFiles, CountMode::PerFile}) {
                QTest::addRow("%s, %s", oldWords ? "old words" : "template",
                              mode == CountMode::AllFiles ? "all files" : "per file")
                    << QStringLiteral("db") << mode << oldWords;
            }
        }
    }

    void databaseKeepsNoWords() {
        QFETCH(QString, method);
        QFETCH(CountMode, mode);
        QFETCH(bool, oldWords);
        IsolatedEnvironment env;
        EnsureWorkingDatabase();
        const QString db = WorkingDatabasePath();
        const QByteArray blank = ReadAll(db);
        if (oldWords) {
            QVERIFY(ExecuteOn(
                db, {QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                    "WHERE i < 20000) INSERT INTO tbWords SELECT 'zebrafinch' || i FROM n")}));
            QVERIFY(ReadAll(db).contains("zebrafinch"));
        }
        for (int round = 0; round < 2; ++round) {
            const QByteArray before = ReadAll(db);
            Run run;
            run.method = method;
            run.mode = mode;
            run.Place(env.Work(), {"quokka wombat quokka", "numbat"});
            run.Go();
            const QStringList rows = mode == CountMode::AllFiles
                                         ? QStringList{"numbat 1", "wombat 1", "quokka 2"}
                                         : QStringList{"doc0.pdf wombat 1", "doc0.pdf quokka 2", "doc1.pdf numbat 1"};
            QCOMPARE(run.Rows(), rows);
            QVERIFY2(run.ui.calls.isEmpty(), qPrintable(run.ui.MessageTexts().join(u'\n')));
            const QByteArray after = ReadAll(db);
            QVERIFY(!after.contains("quokka") && !after.contains("numbat"));
            QVERIFY(!after.contains("zebrafinch"));
            if (oldWords && round == 0) {
                QCOMPARE(after.size(), blank.size()); // cleared and shrunk back to the template's size
            } else {
                QCOMPARE(after, before); // not written at all
            }
            QCOMPARE(DatabaseIntegrity(db), QStringLiteral("ok"));
            QCOMPARE(QDir(DataFolder()).entryList(QDir::Files), QStringList{"dbData.sqlite"});
        }
    }

    void databaseWithoutTable_data() {
        QTest::addColumn<QString>("state");
        QTest::newRow("table missing") << "no table";
        QTest::newRow("database file missing") << "no file";
        QTest::newRow("rows of an earlier run") << "old rows";
        // The run's words never go into the file's table, whatever it accepts.
        QTest::newRow("a table that refuses every word") << "refusing table";
    }

    void databaseWithoutTable() {
        QFETCH(QString, state);
        IsolatedEnvironment env;
        QDir().mkpath(DataFolder());
        const QString db = WorkingDatabasePath();
        if (state != QStringLiteral("no file")) {
            const QString name = QStringLiteral("test-setup");
            {
                QSqlDatabase c = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
                c.setDatabaseName(db);
                QVERIFY(c.open());
                QSqlQuery q(c);
                if (state == QStringLiteral("no table")) {
                    QVERIFY(q.exec(QStringLiteral("CREATE TABLE other (x)")));
                } else if (state == QStringLiteral("refusing table")) {
                    QVERIFY(q.exec(QStringLiteral("CREATE TABLE tbWords (Word TEXT CHECK (0))")));
                } else {
                    QVERIFY(q.exec(QStringLiteral("CREATE TABLE tbWords (Word TEXT)")));
                    QVERIFY(q.exec(QStringLiteral("INSERT INTO tbWords VALUES ('a'), ('old')")));
                }
            }
            QSqlDatabase::removeDatabase(name);
        }
        Run run;
        run.Place(env.Work(), {"a b b"});
        PassInputs in;
        in.texts = ConvertedTexts(run.rows);
        in.ignoreCase = [] { return true; };
        in.results = &run.sink;
        in.ui = &run.ui;
        SortingDB(in);
        QVERIFY(run.ui.calls.isEmpty());
        QCOMPARE(run.Rows(), (QStringList{"a 1", "b 2"}));
    }

    // A second run started while the first is under way (its own connection to the same working
    // database) never sees the first run's words, nor the first the second's.
    void runsSideBySide_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<CountMode>("mode");
        QTest::addColumn<QString>("when"); // "walk": at the first word; "sort": when the words are grouped
        for (const CountMode mode : {CountMode::AllFiles, CountMode::PerFile}) {
            for (const QString& when : {QStringLiteral("walk"), QStringLiteral("sort")}) {
                QTest::addRow("%s, during the %s", mode == CountMode::AllFiles ? "all files" : "per file",
                              qPrintable(when))
                    << QStringLiteral("db") << mode << when;
            }
        }
    }

    void runsSideBySide() {
        QFETCH(QString, method);
        QFETCH(CountMode, mode);
        QFETCH(QString, when);
        IsolatedEnvironment env;
        Run first;
        Run second;
        for (Run* run : {&first, &second}) {
            run->method = method;
            run->mode = mode;
        }
        first.Place(env.Work() + QStringLiteral("/first"), {"a b b", "c"});
        second.Place(env.Work() + QStringLiteral("/second"), {"x y y", "z z z"});
        bool started = false;
        first.progress.onText = [&](const ProgressText& text) {
            const bool now = when == QStringLiteral("walk")
                                 ? text.kind == ProgressText::Kind::CountingToken
                                 : text.text == QStringLiteral("Sorting words, please wait...");
            if (now && !started) {
                started = true;
                second.Go();
            }
        };
        first.Go();
        QVERIFY(started);
        const bool all = mode == CountMode::AllFiles;
        const QStringList firstRows =
            all ? QStringList{"a 1", "c 1", "b 2"} : QStringList{"doc0.pdf a 1", "doc0.pdf b 2", "doc1.pdf c 1"};
        const QStringList secondRows =
            all ? QStringList{"x 1", "y 2", "z 3"} : QStringList{"doc0.pdf x 1", "doc0.pdf y 2", "doc1.pdf z 3"};
        QCOMPARE(first.Rows(), firstRows);
        QCOMPARE(second.Rows(), secondRows);
        QCOMPARE(first.sink.totals.words, qint64(4));
        QCOMPARE(second.sink.totals.words, qint64(6));
        QVERIFY2(first.ui.calls.isEmpty(), qPrintable(first.ui.MessageTexts().join(u'\n')));
        QVERIFY2(second.ui.calls.isEmpty(), qPrintable(second.ui.MessageTexts().join(u'\n')));
    }

    // Every call has a connection of its own and leaves none behind.
    void connectionsReleased() {
        IsolatedEnvironment env;
        const QStringList before = QSqlDatabase::connectionNames();
        for (const CountMode mode : {CountMode::AllFiles, CountMode::PerFile, CountMode::None}) {
            Run run;
            run.method = QStringLiteral("db");
            run.mode = mode;
            run.Place(env.Work(), {"a", "b"});
            run.Go();
        }
        QCOMPARE(QSqlDatabase::connectionNames(), before);
    }

    // A letter followed by marks of two classes out of their canonical order (which a
    // normalisation sorts) takes time in proportion to its length, not its square.
    void manyCombiningMarks_data() {
        QTest::addColumn<bool>("fold");
        QTest::newRow("letter case kept") << false;
        QTest::newRow("letter case ignored") << true;
    }
    void manyCombiningMarks() {
        QFETCH(bool, fold);
        // U+0301 (class 230) before U+0316 (class 220), 50,000 times.
        const QByteArray token = "a" + QStringLiteral("\u0301\u0316").repeated(50000).toUtf8();
        std::vector<QByteArray> words;
        QElapsedTimer timer;
        timer.start();
        AllLanguageWords(token, fold, words);
        const qint64 elapsed = timer.elapsed();
        QVERIFY2(elapsed < 1000, qPrintable(QString::number(elapsed) + QStringLiteral(" ms")));
        // Thirty marks are kept: fifteen of each class, U+0316 first; the first U+0301 then
        // composes with the letter.
        QCOMPARE(words.size(), size_t(1));
        QCOMPARE(QString::fromUtf8(words[0]),
                 QStringLiteral("\u00e1") + QString(15, u'\u0316') + QString(14, u'\u0301'));
    }

    // A list of common words read from a file: one word a line, whatever ends the lines.
    void stopWordFile_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("words");
        const QStringList three{"the", "and", "of"};
        QTest::newRow("LF") << QByteArray("the\nand\nof\n") << three;
        QTest::newRow("CR LF") << QByteArray("the\r\nand\r\nof") << three;
        QTest::newRow("lone CR") << QByteArray("the\rand\r\r# a note\rof\r") << three;
        QTest::newRow("mixed, byte order mark, blanks") << QByteArray("\xEF\xBB\xBFthe\r\n  and \rof\n# x\n") << three;
    }
    void stopWordFile() {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, words);
        IsolatedEnvironment env;
        QCOMPARE(ReadStopWords(WriteTextFile(env.Work() + QStringLiteral("/words.txt"), content)), words);
    }
};

LEXITALLY_TEST_MAIN(CountingTest)
#include "test_counting.moc"
