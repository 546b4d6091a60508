#include "core/base/Files.h"
#include "core/base/Places.h"
#include "core/base/Settings.h"
#include "core/filelist/FolderScan.h"
#include "core/filelist/Samples.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

namespace {

// An application folder of the test's own with the given sample files in its Samples folder.
QString MakeAppFolder(IsolatedEnvironment& env, const QString& name, const QStringList& samples) {
    const QString app = env.Root() + u'/' + name;
    QDir().mkpath(app + QStringLiteral("/Samples"));
    for (const QString& sample : samples) {
        WriteTextFile(app + QStringLiteral("/Samples/") + sample, "%PDF-1.4\n");
    }
    env.Set("LEXITALLY_APP_DIR", app);
    return app;
}

QString PdfToText(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        return QStringLiteral("<pdftotext failed>");
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class SamplesTest : public QObject {
    Q_OBJECT

private slots:
    void recordedOnce();
    void recordedAgainWhileEmpty();
    void roundTrip_data();
    void roundTrip();
    void unreadableSnapshot();
    void toAdd_data();
    void toAdd();
    void bundledSamples();
};

void SamplesTest::recordedOnce() {
    IsolatedEnvironment env;
    const QString app = MakeAppFolder(env, QStringLiteral("app"), {"b.pdf", "A.pdf", ".hidden.pdf", "notes.txt"});
    SettingsStore settings;
    RecordSampleList(settings);
    const QString samples = app + QStringLiteral("/Samples/");
    const QStringList expected = {samples + ".hidden.pdf", samples + "A.pdf", samples + "b.pdf", samples + "notes.txt"};
    QCOMPARE(SampleListPaths(settings), expected);
    const QString stored = settings.Get(kSnapshotKey);
    QVERIFY(!stored.isEmpty());
    QVERIFY2(!stored.contains(QStringLiteral("Samples")), "the stored list is scrambled");

    // A later start finds the list and keeps it, whatever the folder holds now.
    WriteTextFile(samples + "c.pdf", "%PDF-1.4\n");
    QFile::remove(samples + "A.pdf");
    SettingsStore later;
    RecordSampleList(later);
    QCOMPARE(later.Get(kSnapshotKey), stored);
    QCOMPARE(SampleListPaths(later), expected);
}

void SamplesTest::recordedAgainWhileEmpty() {
    IsolatedEnvironment env;
    const QString app = MakeAppFolder(env, QStringLiteral("app"), {});
    SettingsStore settings;
    RecordSampleList(settings);
    QCOMPARE(settings.Get(kSnapshotKey, QStringLiteral("<missing>")), QString());
    QVERIFY(SampleListPaths(settings).isEmpty());

    // No sample folder at all: nothing recorded, nothing thrown.
    env.Set("LEXITALLY_APP_DIR", env.Root() + QStringLiteral("/nowhere"));
    RecordSampleList(settings);
    QVERIFY(SampleListPaths(settings).isEmpty());

    // The next start that finds samples records them.
    env.Set("LEXITALLY_APP_DIR", app);
    WriteTextFile(app + "/Samples/late.pdf", "%PDF-1.4\n");
    RecordSampleList(settings);
    QCOMPARE(SampleListPaths(settings), QStringList{app + "/Samples/late.pdf"});
}

void SamplesTest::roundTrip_data() {
    QTest::addColumn<QString>("appName");
    QTest::addColumn<QStringList>("samples");
    QTest::newRow("plain") << "app" << QStringList{"one.pdf", "two.pdf"};
    QTest::newRow("accented and wide characters")
        << QStringLiteral("Äpp ñ 日本語") << QStringList{QStringLiteral("résumé.pdf"), QStringLiteral("文書.pdf")};
    QTest::newRow("characters the settings file escapes")
        << "semi;colon = \"quoted\" #hash %percent" << QStringList{"a,b.pdf", "[x].pdf"};
    QTest::newRow("backslashes and tilde") << "back\\slash ~tilde" << QStringList{"~lock.pdf", "a\\b.pdf"};
    QTest::newRow("many samples") << "app" << [] {
        QStringList names;
        for (int i = 0; i < 60; ++i) {
            names << QStringLiteral("sample %1 with a rather long name to make the list long.pdf")
                         .arg(i, 2, 10, QChar(u'0'));
        }
        return names;
    }();
}

void SamplesTest::roundTrip() {
    QFETCH(QString, appName);
    QFETCH(QStringList, samples);
    IsolatedEnvironment env;
    const QString app = MakeAppFolder(env, appName, samples);
    {
        SettingsStore settings;
        RecordSampleList(settings);
    }
    // Read back through a fresh store, as the next start of the program does.
    const SettingsStore settings;
    const QStringList paths = SampleListPaths(settings);
    QCOMPARE(paths.size(), samples.size());
    for (const QString& path : paths) {
        QVERIFY2(path.startsWith(app + QStringLiteral("/Samples/")) && FileExists(path), qPrintable(path));
    }
    QCOMPARE(SamplesToAdd(paths, {}), paths);
}

void SamplesTest::unreadableSnapshot() {
    IsolatedEnvironment env;
    MakeAppFolder(env, QStringLiteral("app"), {"a.pdf"});
    SettingsStore settings;
    // A value edited by hand: it unscrambles to nonsense, which names no file and adds nothing.
    settings.Save(kSnapshotKey, QStringLiteral("edited by hand | \u4e2d"));
    QCOMPARE(SamplesToAdd(SampleListPaths(settings), {}), QStringList{});
    // And it counts as recorded: the start-up does not replace it.
    RecordSampleList(settings);
    QCOMPARE(settings.Get(kSnapshotKey), QStringLiteral("edited by hand | \u4e2d"));
}

void SamplesTest::toAdd_data() {
    QTest::addColumn<QStringList>("recorded");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("empty list") << QStringList{"a.pdf", "b.pdf"} << QStringList{} << QStringList{"a.pdf", "b.pdf"};
    QTest::newRow("second press adds nothing")
        << QStringList{"a.pdf", "b.pdf"} << QStringList{"a.pdf", "x.pdf", "b.pdf"} << QStringList{};
    QTest::newRow("a deleted sample is skipped")
        << QStringList{"a.pdf", "gone.pdf", "b.pdf"} << QStringList{} << QStringList{"a.pdf", "b.pdf"};
    QTest::newRow("letter case differs") << QStringList{"a.pdf"} << QStringList{"A.PDF"} << QStringList{"a.pdf"};
    QTest::newRow("listed twice, added once")
        << QStringList{"a.pdf", "a.pdf", "b.pdf"} << QStringList{"b.pdf"} << QStringList{"a.pdf"};
    QTest::newRow("empty parts") << QStringList{"", "a.pdf"} << QStringList{""} << QStringList{"a.pdf"};
}

void SamplesTest::toAdd() {
    QFETCH(QStringList, recorded);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, expected);
    IsolatedEnvironment env;
    const QString folder = env.Work() + QStringLiteral("/Samples/");
    WriteTextFile(folder + "a.pdf", "%PDF-1.4\n");
    WriteTextFile(folder + "b.pdf", "%PDF-1.4\n");
    const auto full = [&](const QStringList& names) {
        QStringList out;
        for (const QString& name : names) {
            out << (name.isEmpty() ? name : folder + name);
        }
        return out;
    };
    QCOMPARE(SamplesToAdd(full(recorded), full(rows)), full(expected));
}

void SamplesTest::bundledSamples() {
    IsolatedEnvironment env;
    env.Set("LEXITALLY_APP_DIR", TestAppDir());
    const QStringList names = ListFilesInFolder(SampleFolder(), kAllFilesPattern);
    QVERIFY2(names.size() >= 4 && names.size() <= 6, qPrintable(names.join(u',')));
    int pictureOnly = 0;
    int multiPage = 0;
    bool accented = false;
    for (const QString& name : names) {
        QVERIFY2(name.endsWith(QStringLiteral(".pdf")), qPrintable(name));
        const QString text = PdfToText(SampleFolder() + u'/' + name);
        QVERIFY2(text != QStringLiteral("<pdftotext failed>"), qPrintable(name));
        if (text.trimmed().isEmpty()) {
            ++pictureOnly;
        }
        if (text.count(u'\f') > 1) {
            ++multiPage;
        }
        if (text.contains(QStringLiteral("cœur")) || text.contains(QStringLiteral("weiß"))) {
            accented = true;
        }
    }
    QCOMPARE(pictureOnly, 1);
    QVERIFY(multiPage >= 1);
    QVERIFY(accented);

    SettingsStore settings;
    RecordSampleList(settings);
    QCOMPARE(SampleListPaths(settings).size(), names.size());
}

LEXITALLY_TEST_MAIN(SamplesTest)
#include "test_samples.moc"
