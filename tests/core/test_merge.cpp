// Results of parts merged: the line count of all files, and the rows of both methods by both
// letter rules, worked out by hand from the methods' rules.

#include "core/results/Merge.h"
#include "support/TestEnv.h"

#include <QtTest>

namespace {

// An all-files part of the given totals and rows ("word count").
RunResults Part(const QString& method, LetterRule letters, qint64 lines, qint64 chars, const QStringList& rows = {}) {
    RunResults part;
    part.method = method;
    part.letters = letters;
    part.totals.lines = lines;
    part.totals.charsWithSpaces = chars;
    part.totals.charsWithoutSpaces = chars;
    for (const QString& row : rows) {
        part.rows << row.split(u' ');
        part.totals.words += row.section(u' ', 1).toLongLong();
    }
    return part;
}

QStringList Rows(const RunResults& results) {
    QStringList rows;
    for (const QStringList& row : results.rows) {
        rows << row.join(u' ');
    }
    return rows;
}

} // namespace

class MergeTest : public QObject {
    Q_OBJECT

private slots:
    // An all-files run reports the lines of all its texts together less one; a part that read a
    // text of one line reports 0 lines, and yet its line counts in the merge.
    void lineCount_data() {
        QTest::addColumn<QList<qint64>>("lines"); // of each part
        QTest::addColumn<QList<qint64>>("chars"); // with spaces, of each part
        QTest::addColumn<qint64>("merged");
        QTest::newRow("two parts of one line") << QList<qint64>{0, 0} << QList<qint64>{5, 4} << qint64{1};
        QTest::newRow("one line and no text") << QList<qint64>{0, 0} << QList<qint64>{5, 0} << qint64{0};
        QTest::newRow("no text and one line") << QList<qint64>{0, 0} << QList<qint64>{0, 5} << qint64{0};
        QTest::newRow("two lines, one line, three lines")
            << QList<qint64>{1, 0, 2} << QList<qint64>{9, 3, 20} << qint64{5};
        QTest::newRow("empty lines only") << QList<qint64>{3, 0} << QList<qint64>{0, 0} << qint64{3};
    }
    void lineCount() {
        QFETCH(QList<qint64>, lines);
        QFETCH(QList<qint64>, chars);
        QFETCH(qint64, merged);
        QList<RunResults> parts;
        QStringList names;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            parts << Part(QStringLiteral("text"), LetterRule::Ascii, lines[i], chars[i]);
            names << QStringLiteral("part%1.json").arg(i);
        }
        QCOMPARE(MergeRunResults(parts, names).totals.lines, merged);
    }

    // The database method joins spellings that differ in letter case only (by the ASCII rule, or
    // folded fully under all letters) under the binary-smallest one and orders by count, then by
    // the spelling with its ASCII letters in lower case; the text method keeps them apart and
    // orders by count, then by code points.
    void rows_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<bool>("allLetters");
        QTest::addColumn<QStringList>("first");
        QTest::addColumn<QStringList>("second");
        QTest::addColumn<QStringList>("merged");
        QTest::newRow("db, ascii") << "db" << false << QStringList{"apple 2", "Bee 1"}
                                   << QStringList{"cat 1", "bee 1", "APPLE 1"}
                                   << QStringList{"cat 1", "Bee 2", "APPLE 3"};
        QTest::newRow("db, ascii: case-blind order")
            << "db" << false << QStringList{"Zebra 1"} << QStringList{"apple 1"} << QStringList{"apple 1", "Zebra 1"};
        QTest::newRow("db, all letters") << "db" << true << QStringList{"Straße 1", "Éclair 1"}
                                         << QStringList{"STRASSE 1", "éclair 1", "Zebra 2", "apple 2"}
                                         << QStringList{"apple 2", "STRASSE 2", "Zebra 2", "Éclair 2"};
        // "İ" folds to "i" and a combining dot above, so it is not the spelling of "i" in another case.
        QTest::newRow("db, all letters: dotted capital I")
            << "db" << true << QStringList{"İstanbul 1"} << QStringList{"istanbul 1", "ISTANBUL 1"}
            << QStringList{"İstanbul 1", "ISTANBUL 2"};
        QTest::newRow("text, all letters")
            << "text" << true << QStringList{"Straße 1", "b 1"} << QStringList{"Straße 2", "STRASSE 1"}
            << QStringList{"STRASSE 1", "b 1", "Straße 3"};
        QTest::newRow("text, all letters: beyond the basic plane")
            << "text" << true << QStringList{"\U00010428 1", "\uFF21 1"} << QStringList{"z 1"}
            << QStringList{"z 1", "\uFF21 1", "\U00010428 1"};
    }
    void rows() {
        QFETCH(QString, method);
        QFETCH(bool, allLetters);
        QFETCH(QStringList, first);
        QFETCH(QStringList, second);
        QFETCH(QStringList, merged);
        const LetterRule letters = allLetters ? LetterRule::AllLanguages : LetterRule::Ascii;
        const RunResults results =
            MergeRunResults({Part(method, letters, 0, 10, first), Part(method, letters, 0, 10, second)},
                            {QStringLiteral("first.json"), QStringLiteral("second.json")});
        QCOMPARE(Rows(results), merged);
        QCOMPARE(results.letters, letters);
    }
};

LEXITALLY_TEST_MAIN(MergeTest)
#include "test_merge.moc"
