#include "core/base/ErrorReport.h"
#include "core/base/Scramble.h"
#include "core/base/Settings.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QtTest>

class SettingsTest : public QObject {
    Q_OBJECT

private slots:
    void readBool_data();
    void readBool();
    void readInt_data();
    void readInt();
    void storeLivesInUserConfiguration();
    void absentKeyReadsDefault();
    void valuesSurviveAnotherStore_data();
    void valuesSurviveAnotherStore();
    void readsHandWrittenFile();
    void saveOverwritesOnlyItsKey();
};

void SettingsTest::readBool_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("expected");
    QTest::newRow("True") << "True" << true << true;
    QTest::newRow("False") << "False" << true << false;
    QTest::newRow("lower case true") << "true" << true << true;
    QTest::newRow("default 1") << "1" << true << true;
    QTest::newRow("default 0") << "0" << true << false;
    QTest::newRow("minus one") << "-1" << true << true;
    QTest::newRow("other number") << "2" << true << true;
    QTest::newRow("zero with decimals") << "0.0" << true << false;
    QTest::newRow("blanks around") << " True " << true << true;
    QTest::newRow("word") << "maybe" << false << false;
    QTest::newRow("empty") << "" << false << false;
    QTest::newRow("yes") << "yes" << false << false;
    QTest::newRow("not a number") << "nan" << false << false;
    QTest::newRow("infinity") << "inf" << false << false;
    QTest::newRow("hex") << "0x1" << false << false;
}

void SettingsTest::readBool() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(bool, expected);
    if (!valid) {
        QVERIFY_THROWS_EXCEPTION(Failure, SettingsStore::ReadBool(text));
        return;
    }
    QCOMPARE(SettingsStore::ReadBool(text), expected);
}

void SettingsTest::readInt_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("expected");
    QTest::newRow("0") << "0" << true << 0;
    QTest::newRow("1") << "1" << true << 1;
    QTest::newRow("-1") << "-1" << true << -1;
    QTest::newRow("blanks") << " 1 " << true << 1;
    QTest::newRow("largest") << "2147483647" << true << 2147483647;
    QTest::newRow("too large") << "2147483648" << false << 0;
    QTest::newRow("far too large") << "1e300" << false << 0;
    QTest::newRow("word") << "ticked" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("not a number") << "nan" << false << 0;
    QTest::newRow("infinity") << "-inf" << false << 0;
}

void SettingsTest::readInt() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, expected);
    if (!valid) {
        QVERIFY_THROWS_EXCEPTION(Failure, SettingsStore::ReadInt(text));
        return;
    }
    QCOMPARE(SettingsStore::ReadInt(text), expected);
}

void SettingsTest::storeLivesInUserConfiguration() {
    IsolatedEnvironment env;
    SettingsStore store;
    QCOMPARE(store.FilePath(), env.Config() + QStringLiteral("/Quorvant/Lexitally.conf"));
    store.Save(QStringLiteral("Option1"), QStringLiteral("False"));
    store.Save(QStringLiteral("Check1"), QStringLiteral("1"));
    QVERIFY(QFileInfo(store.FilePath()).isFile());
    const QString file = QString::fromUtf8(ReadAll(store.FilePath()));
    QVERIFY2(file.contains(QStringLiteral("[Lexitally]")), qPrintable(file));
    QVERIFY2(file.contains(QStringLiteral("Option1=False")), qPrintable(file));
    QVERIFY2(file.contains(QStringLiteral("Check1=1")), qPrintable(file));
}

void SettingsTest::absentKeyReadsDefault() {
    IsolatedEnvironment env;
    SettingsStore store;
    QVERIFY(!store.Contains(QStringLiteral("Option3")));
    QCOMPARE(store.Get(QStringLiteral("Option3"), QStringLiteral("1")), QStringLiteral("1"));
    QCOMPARE(store.Get(QStringLiteral("LastFolder")), QString());
    QVERIFY(!QFileInfo::exists(store.FilePath())); // reading writes nothing
    store.Save(QStringLiteral("Option3"), QStringLiteral("False"));
    QVERIFY(store.Contains(QStringLiteral("Option3")));
    QCOMPARE(store.Get(QStringLiteral("Option3"), QStringLiteral("1")), QStringLiteral("False"));
}

void SettingsTest::valuesSurviveAnotherStore_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QString allCodes;
    for (int code = 1; code < 256; ++code) {
        allCodes += QChar(code);
    }
    QTest::newRow("True") << "Option2"
                          << "True";
    QTest::newRow("folder with blanks and umlaut") << "LastFolder"
                                                   << "/home/jörg/My Docs/Ärger";
    QTest::newRow("comma") << "LastFolder"
                           << "/home/u/a, b";
    QTest::newRow("ini punctuation") << "LastFolder"
                                     << "/home/u/x=y;z#w[1]\"q\"";
    QTest::newRow("blanks at both ends") << "LastFolder"
                                         << "  /home/u/x  ";
    QTest::newRow("variant look-alike") << "LastFolder"
                                        << "@Variant(abc)";
    QTest::newRow("every code 1 to 255") << "Snapshot" << allCodes;
    QTest::newRow("scrambled sample list")
        << "Snapshot"
        << ScrambleText(QStringLiteral("/usr/share/lexitally/Samples/a.pdf|/usr/share/lexitally/Samples/b c.pdf"),
                        QStringLiteral("Lexitally"));
}

void SettingsTest::valuesSurviveAnotherStore() {
    QFETCH(QString, key);
    QFETCH(QString, value);
    IsolatedEnvironment env;
    SettingsStore().Save(key, value);
    QCOMPARE(SettingsStore().Get(key), value);
}

void SettingsTest::readsHandWrittenFile() {
    IsolatedEnvironment env;
    WriteTextFile(env.Config() + QStringLiteral("/Quorvant/Lexitally.conf"),
                  "[Lexitally]\nCheck1=1\nOption1=False\nOption2=True\nLastFolder=/home/u/pdfs\n");
    SettingsStore store;
    QCOMPARE(store.Get(QStringLiteral("Check1"), QStringLiteral("0")), QStringLiteral("1"));
    QCOMPARE(store.Get(QStringLiteral("Option1"), QStringLiteral("1")), QStringLiteral("False"));
    QCOMPARE(store.Get(QStringLiteral("Option2"), QStringLiteral("0")), QStringLiteral("True"));
    QCOMPARE(store.Get(QStringLiteral("LastFolder")), QStringLiteral("/home/u/pdfs"));
}

void SettingsTest::saveOverwritesOnlyItsKey() {
    IsolatedEnvironment env;
    SettingsStore store;
    store.Save(QStringLiteral("Option3"), QStringLiteral("True"));
    store.Save(QStringLiteral("Option4"), QStringLiteral("False"));
    store.Save(QStringLiteral("Option3"), QStringLiteral("False"));
    QCOMPARE(store.Get(QStringLiteral("Option3")), QStringLiteral("False"));
    QCOMPARE(store.Get(QStringLiteral("Option4")), QStringLiteral("False"));
    // Another store that wrote in between is not overwritten by a stale copy.
    SettingsStore other;
    other.Save(QStringLiteral("LastFolder"), QStringLiteral("/a"));
    store.Save(QStringLiteral("Check1"), QStringLiteral("1"));
    QCOMPARE(SettingsStore().Get(QStringLiteral("LastFolder")), QStringLiteral("/a"));
    QCOMPARE(SettingsStore().Get(QStringLiteral("Check1")), QStringLiteral("1"));
}

LEXITALLY_TEST_MAIN(SettingsTest)
#include "test_settings.moc"
