#include "core/corpus/Collocates.h"
#include "core/corpus/Concordance.h"
#include "core/corpus/Dispersion.h"
#include "core/corpus/Keywords.h"
#include "core/corpus/LexicalProfile.h"
#include "core/corpus/Phrases.h"
#include "core/corpus/WordStats.h"
#include "core/export/DispersionSvg.h"
#include "core/results/ResultTable.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QtTest>

#include <map>

Q_DECLARE_METATYPE(CorpusRule)

namespace {

const CorpusRule kAsciiFolded{LetterRule::Ascii, true, false, {}};
const CorpusRule kAsciiKept{LetterRule::Ascii, false, false, {}};
const CorpusRule kAsciiDatabase{LetterRule::Ascii, false, true, {}};
const CorpusRule kAllFolded{LetterRule::AllLanguages, true, false, {}};

// Each line as "page|left|word|right".
QStringList Shown(const QList<ConcordanceLine>& lines) {
    QStringList shown;
    for (const ConcordanceLine& line : lines) {
        shown << QString::number(line.page) + u'|' + line.left + u'|' + line.keyword + u'|' + line.right;
    }
    return shown;
}

QString WriteText(const QString& folder, const QString& name, const QByteArray& bytes) {
    QDir().mkpath(folder);
    QFile file(folder + u'/' + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        return {};
    }
    return file.fileName();
}

// The phrases of a text by the ASCII rule with letter case ignored, restated plainly: pages at
// form feeds, words at blanks and line ends, a word the letters A-Z of its token.
std::map<QString, qint64> RestatedPhrases(const QByteArray& text, int length) {
    std::map<QString, qint64> counts;
    for (const QByteArray& page : text.split('\f')) {
        QStringList words;
        for (const QString& token :
             QString::fromUtf8(page).split(QRegularExpression(QStringLiteral("[ \r\n]")), Qt::SkipEmptyParts)) {
            QString word = token;
            word.remove(QRegularExpression(QStringLiteral("[^A-Za-z]")));
            if (!word.isEmpty()) {
                words << word.toLower();
            }
        }
        for (qsizetype i = 0; i + length <= words.size(); ++i) {
            ++counts[words.mid(i, length).join(u' ')];
        }
    }
    return counts;
}

// n words cycling through `kinds` words: prefix + two letters.
QByteArray Cycle(int n, int kinds, const QByteArray& prefix = {}) {
    QByteArrayList words;
    for (int i = 0; i < n; ++i) {
        words << prefix + char('a' + i % kinds / 26) + char('a' + i % kinds % 26);
    }
    return words.join(' ');
}

} // namespace

class CorpusTest : public QObject {
    Q_OBJECT

private slots:
    void concordance_data() {
        QTest::addColumn<CorpusRule>("rule");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QStringList>("lines");
        // Contexts of 6 characters from the word's own ends, cut at the text's ends; line ends and
        // form feeds read as blanks; the punctuation of the word's token is context.
        QTest::newRow("pages and ends") << kAsciiFolded << QByteArray("The cat\n\fCat cat.\n\f") << "cat"
                                        << QStringList{"1|The |cat|  Cat ", "2| cat  |Cat| cat. ", "2|  Cat |cat|.  "};
        const QStringList punctuation{"1|\"|the| (the)", "1|\"the (|the|) the,", "1|(the) |the|, x"};
        QTest::newRow("punctuation around, ASCII letters")
            << kAsciiFolded << QByteArray("\"the (the) the, x") << "the" << punctuation;
        QTest::newRow("punctuation around, every language")
            << kAllFolded << QByteArray("\"the (the) the, x") << "the" << punctuation;
        QTest::newRow("two words of one token, every language")
            << kAllFolded << QByteArray("\xc2\xab\xc3\x89t\xc3\xa9\xc2\xbb,\xc3\xa9t\xc3\xa9.") << "\u00e9t\u00e9"
            << QStringList{"1|\u00ab|\u00c9t\u00e9|\u00bb,\u00e9t\u00e9.",
                           "1|\u00ab\u00c9t\u00e9\u00bb,|\u00e9t\u00e9|."};
        QTest::newRow("a word written decomposed")
            << kAllFolded << QByteArray("(Cafe\xcc\x81!) x") << "caf\u00e9" << QStringList{"1|(|Cafe\u0301|!) x"};
        QTest::newRow("dictionary words of a line without blanks")
            << CorpusRule{LetterRule::AllLanguages, true, false, {false, true, {}}}
            << QByteArray("\xe5\xa6\x82\xe6\x9e\x9c\xe8\xbf\x98\xe6\xb2\xa1\xe6\x9c\x89\xe5\xae\x89\xe8\xa3\x85"
                          "\xef\xbc\x8c\xe8\xaf\xb7\xe5\x85\x88\xe5\xae\x89\xe8\xa3\x85\xe3\x80\x82")
            << "\u5b89\u88c5"
            << QStringList{"1|\u5982\u679c\u8fd8\u6ca1\u6709|\u5b89\u88c5|\uff0c\u8bf7\u5148\u5b89\u88c5\u3002",
                           "1|\u6709\u5b89\u88c5\uff0c\u8bf7\u5148|\u5b89\u88c5|\u3002"};
        QTest::newRow("case kept") << kAsciiKept << QByteArray("Cat cat CAT") << "cat"
                                   << QStringList{"1|Cat |cat| CAT"};
        QTest::newRow("database groups case-blind") << kAsciiDatabase << QByteArray("Cat cat CAT") << "Cat"
                                                    << QStringList{"1||Cat| cat C", "1|Cat |cat| CAT", "1|t cat |CAT|"};
        QTest::newRow("hyphen and apostrophe join")
            << kAsciiFolded << QByteArray("a can't b\r\nc") << "cant" << QStringList{"1|a |can't| b  c"};
        QTest::newRow("every language, folded")
            << kAllFolded << QByteArray("Straße STRASSE strasse") << "STRASSE"
            << QStringList{"1||Straße| STRAS", "1|traße |STRASSE| stras", "1|RASSE |strasse|"};
        QTest::newRow("two words of one token, a page apart")
            << kAllFolded << QByteArray("x,ab\fab y") << "ab" << QStringList{"1|x,|ab| ab y", "2|x,ab |ab| y"};
        QTest::newRow("a word that is not there") << kAsciiFolded << QByteArray("a b c") << "d" << QStringList{};
    }

    void concordance() {
        QFETCH(CorpusRule, rule);
        QFETCH(QByteArray, text);
        QFETCH(QString, word);
        QFETCH(QStringList, lines);
        const QByteArray key = TypedWordKey(word, rule);
        QVERIFY(!key.isEmpty());
        QCOMPARE(Shown(ConcordanceOf(text, 0, key, rule, 6)), lines);
    }

    void typedWord_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("key");
        QTest::newRow("one word") << " Cat " << QByteArray("cat");
        QTest::newRow("punctuation around") << "(cat)," << QByteArray("cat");
        QTest::newRow("two words") << "cat dog" << QByteArray();
        QTest::newRow("no letters") << "1984" << QByteArray();
    }

    void typedWord() {
        QFETCH(QString, typed);
        QFETCH(QByteArray, key);
        QCOMPARE(TypedWordKey(typed, kAsciiFolded), key);
    }

    void sortByNeighbours() {
        QList<ConcordanceLine> lines{{0, 1, "b z ", "x", " c"}, {0, 1, "A y ", "x", " b"}, {0, 1, "c Y ", "x", " a"}};
        SortConcordance(lines, ConcordanceSort::Left);
        QCOMPARE(lines[0].left, QStringLiteral("A y ")); // "y a" before "y c" before "z b"
        QCOMPARE(lines[1].left, QStringLiteral("c Y "));
        SortConcordance(lines, ConcordanceSort::Right);
        QCOMPARE(lines[0].right, QStringLiteral(" a"));
        QCOMPARE(lines[2].right, QStringLiteral(" c"));
    }

    void phrasesAgainstRestatement_data() {
        QTest::addColumn<int>("length");
        for (int n = kMinPhraseLength; n <= kMaxPhraseLength; ++n) {
            QTest::addRow("%d words", n) << n;
        }
    }

    void phrasesAgainstRestatement() {
        QFETCH(int, length);
        const QByteArray text = "The cat sat on the mat.\nThe cat sat\r\non the hat; the cat\f sat on the mat\n"
                                "and the Cat sat on  the mat\n\f\fthe cat sat on the mat the cat";
        PhraseCounter counter(length, kAsciiFolded);
        counter.AddText(text);
        std::map<QString, qint64> found;
        for (const PhraseCount& phrase : counter.Phrases(1, PhraseOrder::MostFirst)) {
            found[phrase.phrase] = phrase.count;
        }
        QCOMPARE(found, RestatedPhrases(text, length));
    }

    void phraseOrderAndMinimum() {
        PhraseCounter counter(2, kAsciiFolded);
        counter.AddText("a b a b a b c d\f d e");
        QList<PhraseCount> most = counter.Phrases(2, PhraseOrder::MostFirst);
        QCOMPARE(most.size(), 2);
        QCOMPARE(most[0].phrase, QStringLiteral("a b"));
        QCOMPARE(most[0].count, 3);
        QCOMPARE(most[1].phrase, QStringLiteral("b a"));
        const QList<PhraseCount> least = counter.Phrases(1, PhraseOrder::LeastFirst);
        QCOMPARE(least.first().phrase, QStringLiteral("b c")); // count 1, then A to Z: "b c", "c d", "d e"
        QCOMPARE(least.size(), 5);                             // no "d d" across the page end
    }

    // Three files worked by hand: 3, 2 and 5 words (shares .3, .2, .5).
    void rangeAndDispersion() {
        IsolatedEnvironment env;
        QList<ConvertedText> texts;
        int i = 0;
        for (const QByteArray& text : {QByteArray("a A b"), QByteArray("a c"), QByteArray("b b b\f c c")}) {
            const QString name = QStringLiteral("f%1.txt").arg(++i);
            texts.append({name, name, WriteText(env.Work(), name, text), {}});
        }
        texts.append({"none.pdf", "none.pdf", {}, "  - no text"}); // a file without text adds nothing
        ResultTable table;
        FillStatistics(table, WordStatistics(texts, kAsciiFolded));
        QCOMPARE(table.Headers(), (QStringList{" Words", "Count", "Per million", "Range", "DP"}));
        QCOMPARE(table.RowCount(), 3);
        // a: v = 2/3, 1/3, 0: DP = (.3667 + .1333 + .5) / 2; c: (.3 + .1333 + .1667) / 2; b: (.05 + .2 + .25) / 2.
        QCOMPARE(table.Row(0), (QStringList{"a", "3", "300000.00", "2", "0.5000"}));
        QCOMPARE(table.Row(1), (QStringList{"c", "3", "300000.00", "2", "0.3000"}));
        QCOMPARE(table.Row(2), (QStringList{"b", "4", "400000.00", "2", "0.2500"}));
        // Common words are left out of the rows but stay among all words.
        const QList<WordStat> without = WordStatistics(texts, kAsciiFolded, {"b"});
        QCOMPARE(without.size(), 2);
        QCOMPARE(without[0].perMillion, 300000.0);
    }

    // Worked by hand: a word a times in c words against b times in d words.
    void keywordMeasures_data() {
        QTest::addColumn<QList<qint64>>("abcd");
        QTest::addColumn<double>("g2");
        QTest::addColumn<double>("logRatio");
        // E1 = 6 * 4 / 14, E2 = 8 * 4 / 14; G2 = 2 (3 ln(3 / E1) + ln(1 / E2)); LR = log2(.5 / .125).
        QTest::newRow("more frequent in the target") << QList<qint64>{3, 1, 6, 8} << 1.70434 << 2.0;
        // A zero adds nothing to G2 and counts as 0.5 in the Log Ratio: log2((.5 / 6) / (2 / 8)).
        QTest::newRow("absent from the target") << QList<qint64>{0, 2, 6, 8} << 2.23846 << std::log2(1.0 / 3.0);
        QTest::newRow("as frequent in both") << QList<qint64>{5, 5, 10, 10} << 0.0 << 0.0;
    }
    void keywordMeasures() {
        QFETCH(QList<qint64>, abcd);
        QFETCH(double, g2);
        QFETCH(double, logRatio);
        QVERIFY(qAbs(LogLikelihood(abcd[0], abcd[1], abcd[2], abcd[3]) - g2) < 1e-4);
        QVERIFY(qAbs(LogRatio(abcd[0], abcd[1], abcd[2], abcd[3]) - logRatio) < 1e-9);
        QVERIFY(qAbs(ChiSquareP(3.841459) - 0.05) < 1e-6); // the 5% point of one degree of freedom
    }

    void keywordRows() {
        const QList<WordFrequency> target{{"cat", 3}, {"dog", 1}, {"the", 2}};
        const QList<WordFrequency> reference{{"the", 4}, {"dog", 1}, {"cat", 1}, {"mouse", 2}};
        ResultTable table;
        FillKeywords(table, Keywords(target, 6, reference, 8, {}));
        QCOMPARE(table.RowCount(), 2); // "the" and "mouse" are rarer in the target
        QCOMPARE(table.Row(0),
                 (QStringList{"cat", "3", "500000.00", "1", "125000.00", "1.70", "0.191722", "2.00", "300.00"}));
        QCOMPARE(table.Cell(1, 0), QStringLiteral("dog"));
        KeywordOptions negative;
        negative.negative = true;
        const QList<KeywordRow> rare = Keywords(target, 6, reference, 8, negative);
        QCOMPARE(rare.size(), 2);
        QCOMPARE(rare[0].word, QStringLiteral("mouse")); // G2 2.24 before "the" (0.23)
        QCOMPARE(*rare[0].percentDiff, -100.0);
        negative.minCount = 3; // "mouse" is seen twice in the reference
        QCOMPARE(Keywords(target, 6, reference, 8, negative).size(), 1);
    }

    // Node "cat", one word each side, over two files (6 and 8 words; N = 14, f(cat) = 4, span 2):
    // cat 2 + 2 (E = 4 * 4 * 2 / 14: MI log2(1.75), T (4 - E) / 2, logDice 14), dog 1 + 1; no span
    // reaches from one file into the next, nor across the page end to "mouse".
    void collocates() {
        IsolatedEnvironment env;
        const QList<ConvertedText> texts{
            {"t", "t", WriteText(env.Work(), "t.txt", "cat cat cat dog the the"), {}},
            {"r", "r", WriteText(env.Work(), "r.txt", "the the the the dog cat \fmouse mouse"), {}}};
        CollocateOptions options;
        options.left = 1;
        options.right = 1;
        const Collocation found = Collocates(texts, "cat", kAsciiFolded, options);
        QCOMPARE(found.nodeCount, 4);
        QCOMPARE(found.corpusWords, 14);
        ResultTable table;
        FillCollocates(table, found.rows);
        QCOMPARE(table.Row(0), (QStringList{"cat", "2", "2", "4", "4", "0.81", "0.86", "14.00", "5.66"}));
        QCOMPARE(table.Row(1), (QStringList{"dog", "1", "1", "2", "2", "0.81", "0.61", "13.42", "2.49"}));
        QCOMPARE(table.RowCount(), 2);
        options.minCount = 3;
        options.sort = CollocateSort::MI;
        QCOMPARE(Collocates(texts, "cat", kAsciiFolded, options).rows.size(), 1);
    }

    // "the" is word 0 (page 1) and word 4 (page 2) of t's 6 words, and word 3 of r's 5, on its
    // third page after an empty second one; a file without text has no strip.
    void hitPlaces() {
        IsolatedEnvironment env;
        const QList<ConvertedText> texts{
            {"t", "t", WriteText(env.Work(), "t.txt", "The cat sat\n\fon the mat\n\f"), {}},
            {"none", "none", {}, "no text"},
            {"r", "r", WriteText(env.Work(), "r.txt", "no hit here\n\f\n\fthe end\n\f"), {}}};
        const Dispersion found = DispersionOf(texts, "the", kAsciiFolded);
        QCOMPARE(found.hits, 3);
        QCOMPARE(found.words, 11);
        QCOMPARE(found.files.size(), 2);
        const FileDispersion& t = found.files[0];
        const FileDispersion& r = found.files[1];
        QCOMPARE(t.pageStarts, (QList<qint64>{0, 3}));
        QCOMPARE(r.pageStarts, (QList<qint64>{0, 3, 3}));
        QCOMPARE(r.file, 2);
        QCOMPARE(t.Position(t.hits[1]), 4.0 / 6.0);
        QCOMPARE(t.hits[1].page, 2);
        QCOMPARE(t.hits[1].begin, 16); // "the" of "on the mat"
        QCOMPARE(r.Position(r.hits[0]), 0.6);
        QCOMPARE(r.hits[0].page, 3);
        QCOMPARE(r.PagePosition(3), 0.6);
        QCOMPARE(r.PerThousand(), 200.0);
        // The image: well-formed, one strip per file, one mark per hit.
        const QByteArray svg = DispersionSvg(found, texts, QStringLiteral("the"));
        QXmlStreamReader xml(svg);
        int strips = 0;
        int marks = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"g") {
                ++strips;
            } else if (xml.isStartElement() && xml.attributes().value("stroke") == u"#1f5fbf") {
                marks += static_cast<int>(xml.attributes().value("d").count(u'M'));
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(strips, 2);
        QCOMPARE(marks, 3);
    }

    // Worked by hand; -1 for a measure left empty. A text cycling through k words has k types in
    // every window and piece of k words or more, and an MTLD factor every ceil(k / 0.72) words.
    void lexicalProfile_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<CorpusRule>("rule");
        QTest::addColumn<QList<double>>("measures"); // types, TTR, STTR, MATTR, MTLD, mean word length
        // A factor after "the other cat" (4 / 6) both ways.
        QTest::newRow("letter case ignored") << QByteArray("The cat saw the other cat") << kAsciiFolded
                                             << QList<double>{4, 4 / 6.0, -1, -1, 6, 20 / 6.0};
        // No factor both ways: the rest (1 - 5/6) / 0.28 of one.
        QTest::newRow("letter case kept") << QByteArray("The cat saw the other cat") << kAsciiKept
                                          << QList<double>{5, 5 / 6.0, -1, -1, 6 / ((1 - 5 / 6.0) / 0.28), 20 / 6.0};
        // By the ASCII rule a word is its token's letters: "dont" and "Oclock", 4 and 6.
        QTest::newRow("letters of a token")
            << QByteArray("don't O'clock") << kAsciiFolded << QList<double>{2, 1, -1, -1, -1, 5};
        // One key "strasse"; the lengths as written, 6 and 7.
        QTest::newRow("folded fully, measured as written") << QByteArray("Stra\xC3\x9F"
                                                                         "e STRASSE")
                                                           << kAllFolded << QList<double>{1, 0.5, -1, -1, 2, 6.5};
        // Forwards a factor at "a b a", "b c d e f" left all new: 8 / 1; backwards "f e d c b a b a"
        // stays at 6 / 8: 8 / (0.25 / 0.28).
        QTest::newRow("forwards and backwards apart")
            << QByteArray("a b a b c d e f") << kAsciiFolded << QList<double>{6, 0.75, -1, -1, (8 + 8.96) / 2, 1};
        // Forwards a factor at 18 / 25, exactly 0.72, then "b b": 27 / 2; backwards "b b", three
        // "a a", and 18 / 19 left: 27 / (4 + (1 / 19) / 0.28).
        QTest::newRow("a factor at 0.72")
            << QByteArray("a b c d e f g h i j k l m n o p q r a a a a a a a b b") << kAsciiFolded
            << QList<double>{18, 18 / 27.0, -1, -1, (13.5 + 27 / (4 + (1 / 19.0) / 0.28)) / 2, 1};
        QTest::newRow("no word twice: no factor")
            << QByteArray("a b c") << kAsciiFolded << QList<double>{3, 1, -1, -1, -1, 1};
        QTest::newRow("no words") << QByteArray(" \n.") << kAsciiFolded << QList<double>{0, -1, -1, -1, -1, -1};
        // 35 factors of 14 words, 9 new ones left.
        QTest::newRow("499 words") << Cycle(499, 10) << kAsciiFolded
                                   << QList<double>{10, 10 / 499.0, -1, -1, 499 / 35.0, 2};
        QTest::newRow("999 words") << Cycle(999, 10) << kAsciiFolded
                                   << QList<double>{10, 10 / 999.0, -1, 0.02, 999 / 71.0, 2};
        // The last 200 words are no piece.
        QTest::newRow("1,200 words") << Cycle(1200, 10) << kAsciiFolded
                                     << QList<double>{10, 10 / 1200.0, 0.01, 0.02, 1200 / 85.0, 2};
        // 1,000 words of 10 kinds, then 1,500 of 50 others. STTR (10 + 50) / 2 / 1,000. MATTR: 501
        // windows of 10 types, 499 across the parts (4,945 types of the first, 23,725 of the
        // second), 1,001 of 50: 83,730 / (2,001 * 500). MTLD forwards 71 factors of 14, one of 78
        // (6 + 50 new words, then 56 / 78), 20 of 70, 28 new left: 92; backwards 21 of 70, one of
        // 56 (30 + 10 new, then 40 / 56), 69 of 14, 8 new left: 91.
        QTest::newRow("two parts") << Cycle(1000, 10) + ' ' + Cycle(1500, 50, "q") << kAsciiFolded
                                   << QList<double>{60, 0.024, 0.03, 83730 / 1000500.0, (2500 / 92.0 + 2500 / 91.0) / 2,
                                                    2.6};
    }
    void lexicalProfile() {
        QFETCH(QByteArray, text);
        QFETCH(CorpusRule, rule);
        QFETCH(QList<double>, measures);
        const LexicalProfile profile = ProfileOf(text, rule);
        QCOMPARE(profile.types, qint64(measures[0]));
        const std::optional<double> got[] = {profile.ttr, profile.sttr, profile.mattr, profile.mtld,
                                             profile.meanWordLength};
        for (int i = 0; i < 5; ++i) {
            const double expected = measures[i + 1];
            QVERIFY2(expected < 0 ? !got[i] : got[i] && qAbs(*got[i] - expected) < 1e-9,
                     qPrintable(QStringLiteral("measure %1: %2").arg(i + 1).arg(got[i] ? *got[i] : -1)));
        }
    }

    void dispersionBounds() {
        // Spread exactly as the words: 0; all in one file of a tenth of the words: 0.9.
        const QList<WordStat> even = StatisticsOf({10, 30}, {{"w", {{0, 1}, {1, 3}}}});
        QVERIFY(qAbs(even[0].dp) < 1e-12);
        const QList<WordStat> one = StatisticsOf({10, 90}, {{"w", {{0, 4}}}});
        QVERIFY(qAbs(one[0].dp - 0.9) < 1e-12);
        QCOMPARE(one[0].range, 1);
    }
};

LEXITALLY_TEST_MAIN(CorpusTest)
#include "test_corpus.moc"
