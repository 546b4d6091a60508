#include "core/store/TextStore.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <sys/stat.h>

class TextStoreTest : public QObject {
    Q_OBJECT

    QString StoreFolder(const IsolatedEnvironment& env) const { return env.Root() + QStringLiteral("/cache/store"); }

private slots:
    // A stored text comes back only whole: a damaged, truncated or foreign entry reads as
    // missing, is removed, and the next Put stores it anew.
    void damagedEntriesAreNeverUsed_data() {
        QTest::addColumn<QString>("damage");
        QTest::newRow("whole") << "";
        QTest::newRow("byte flipped in the text") << "flip";
        QTest::newRow("truncated") << "truncate";
        QTest::newRow("another entry's bytes") << "foreign";
        QTest::newRow("empty") << "empty";
    }
    void damagedEntriesAreNeverUsed() {
        QFETCH(QString, damage);
        IsolatedEnvironment env;
        QString note;
        auto store = TextStore::Open(StoreFolder(env), TextStore::kDefaultLimit, note);
        QVERIFY2(store, qPrintable(note));
        const QString pdf = WriteTextFile(env.Work() + QStringLiteral("/a.pdf"), "%PDF-1.4 a");
        const QString other = WriteTextFile(env.Work() + QStringLiteral("/b.pdf"), "%PDF-1.4 b");
        const QByteArray key = TextStore::Key(pdf, QStringLiteral("v1"));
        const QByteArray otherKey = TextStore::Key(other, QStringLiteral("v1"));
        QByteArray text;
        for (int i = 0; i < 2000; ++i) {
            text += "line " + QByteArray::number(i) + " of the text\n\f";
        }
        store->Put(key, text, "exit 0 ocr");
        store->Put(otherKey, "other text");
        const QString entry = StoreFolder(env) + u'/' + QString::fromLatin1(key.toHex());
        QByteArray bytes = ReadAll(entry);
        if (damage == u"flip") {
            bytes[bytes.size() - 20] = static_cast<char>(bytes[bytes.size() - 20] ^ 0x10);
        } else if (damage == u"truncate") {
            bytes.chop(7);
        } else if (damage == u"foreign") {
            bytes = ReadAll(StoreFolder(env) + u'/' + QString::fromLatin1(otherKey.toHex()));
        } else if (damage == u"empty") {
            bytes.clear();
        }
        WriteTextFile(entry, bytes);
        QByteArray back;
        QByteArray made;
        QCOMPARE(store->Fetch(key, back, &made), damage.isEmpty());
        QCOMPARE(back, damage.isEmpty() ? text : QByteArray());
        QCOMPARE(made, damage.isEmpty() ? QByteArray("exit 0 ocr") : QByteArray());
        QCOMPARE(QFile::exists(entry), damage.isEmpty());
        store->Put(key, text);
        QVERIFY(store->Fetch(key, back));
        QCOMPARE(back, text);
        QVERIFY(store->Usable());
    }

    // The key follows the file: content changed with its size and times restored, a copy in
    // its place, another variant.
    // Texts restored ahead come back as Restore gives them: with their notes, never for a file
    // opened with a password, and not when the file's key changed since (the new entry is read).
    void restoredAhead() {
        IsolatedEnvironment env;
        QString note;
        auto store = TextStore::Open(StoreFolder(env), TextStore::kDefaultLimit, note);
        QVERIFY2(store, qPrintable(note));
        const QByteArray keys[] = {"a", "b", "c", "d"};
        QList<std::pair<QByteArray, QString>> ahead;
        for (const QByteArray& name : keys) {
            const QByteArray key = TextStore::Key(WriteTextFile(env.Work() + u'/' + name + ".pdf", name), "v1");
            store->Put(key, "text " + name, name == "a" ? "ocr" : "");
            ahead.append({key, env.Work() + u'/' + name + ".txt"});
        }
        const QByteArray stale = ahead[3].first;
        ahead[3].first = TextStore::Key(ahead[2].second, "v1"); // restored ahead under another key
        store->Put(ahead[3].first, "old text");
        const TextStore::AheadRun running = store->RestoreAhead(ahead);
        QVERIFY(running);
        QByteArray made;
        QVERIFY(store->Restore(ahead[0].first, {}, ahead[0].second, &made));
        QCOMPARE(made, QByteArray("ocr"));
        QCOMPARE(ReadAll(ahead[0].second), QByteArray("text a"));
        QVERIFY(!store->Restore(ahead[1].first, QStringLiteral("pw"), ahead[1].second));
        QVERIFY(!QFile::exists(ahead[1].second));
        QVERIFY(store->Restore(stale, {}, ahead[3].second));
        QCOMPARE(ReadAll(ahead[3].second), QByteArray("text d"));
        QVERIFY(store->Restore(ahead[2].first, {}, ahead[2].second));
        QCOMPARE(ReadAll(ahead[2].second), QByteArray("text c"));
    }

    void keyChangesWithTheFile_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("same");
        QTest::newRow("untouched") << "" << true;
        QTest::newRow("rewritten, same size and time") << "rewrite" << false;
        QTest::newRow("replaced by a copy") << "copy" << false;
        QTest::newRow("other options") << "variant" << false;
    }
    void keyChangesWithTheFile() {
        QFETCH(QString, change);
        QFETCH(bool, same);
        IsolatedEnvironment env;
        const QString pdf = WriteTextFile(env.Work() + QStringLiteral("/a.pdf"), "%PDF-1.4 one");
        QProcess::execute(QStringLiteral("touch"), {QStringLiteral("-d"), QStringLiteral("2020-01-01"), pdf});
        const QByteArray before = TextStore::Key(pdf, QStringLiteral("v1"));
        QVERIFY(!before.isEmpty());
        QTest::qWait(20);
        QString variant = QStringLiteral("v1");
        if (change == u"rewrite") {
            WriteTextFile(pdf, "%PDF-1.4 two");
            QProcess::execute(QStringLiteral("touch"), {QStringLiteral("-d"), QStringLiteral("2020-01-01"), pdf});
        } else if (change == u"copy") {
            QFile::copy(pdf, pdf + QStringLiteral(".new"));
            QFile::remove(pdf);
            QFile::rename(pdf + QStringLiteral(".new"), pdf);
            QProcess::execute(QStringLiteral("touch"), {QStringLiteral("-d"), QStringLiteral("2020-01-01"), pdf});
        } else if (change == u"variant") {
            variant = QStringLiteral("v1 ocr eng");
        }
        QCOMPARE(TextStore::Key(pdf, variant) == before, same);
    }

    // The least recently used entries go first; a hit counts as a use.
    void trimKeepsTheRecentlyUsed() {
        IsolatedEnvironment env;
        QString note;
        QByteArray text(30000, 'x');
        for (int i = 0; i < text.size(); ++i) {
            text[i] = static_cast<char>('a' + (i * 7919) % 26);
        }
        QList<QByteArray> keys;
        for (int i = 0; i < 4; ++i) {
            keys << TextStore::Key(WriteTextFile(env.Work() + QStringLiteral("/%1.pdf").arg(i), QByteArray::number(i)),
                                   QStringLiteral("v"));
        }
        {
            auto store = TextStore::Open(StoreFolder(env), TextStore::kDefaultLimit, note);
            for (const QByteArray& key : keys) {
                store->Put(key, text);
                QTest::qWait(15);
            }
            QByteArray back;
            QVERIFY(store->Fetch(keys[0], back));
            store->Trim();
        }
        const qint64 one = TextStore::Open(StoreFolder(env), 1, note)->Read().bytes / 4;
        auto store = TextStore::Open(StoreFolder(env), 2 * one, note);
        store->Trim();
        QByteArray back;
        QVERIFY(store->Fetch(keys[0], back));
        QVERIFY(!store->Fetch(keys[1], back));
        QVERIFY(!store->Fetch(keys[2], back));
        QVERIFY(store->Fetch(keys[3], back));
        QCOMPARE(store->Read().entries, 2);
        QCOMPARE(store->Read().hits, 1);
        QVERIFY(store->Clear());
        QCOMPARE(store->Read().entries, 0);
    }

    // A folder others could write into (or that is not ours) is not used.
    void unsafeFolderIsRefused_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("used");
        QTest::newRow("private") << 0700 << true;
        QTest::newRow("readable by others") << 0755 << true;
        QTest::newRow("writable by the group") << 0770 << false;
        QTest::newRow("writable by all") << 0777 << false;
    }
    void unsafeFolderIsRefused() {
        QFETCH(int, mode);
        QFETCH(bool, used);
        IsolatedEnvironment env;
        QVERIFY(QDir().mkpath(StoreFolder(env)));
        QCOMPARE(::chmod(QFile::encodeName(StoreFolder(env)).constData(), static_cast<mode_t>(mode)), 0);
        QString note;
        QCOMPARE(TextStore::Open(StoreFolder(env), TextStore::kDefaultLimit, note) != nullptr, used);
        QCOMPARE(note.isEmpty(), used);
    }

    void sizes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("bytes");
        QTest::newRow("bytes") << "1000" << qint64(1000);
        QTest::newRow("K") << "64K" << qint64(65536);
        QTest::newRow("MiB") << "2MiB" << qint64(2) * 1024 * 1024;
        QTest::newRow("G") << "1G" << (qint64(1) << 30);
        QTest::newRow("none") << "0" << qint64(0);
        QTest::newRow("word") << "big" << qint64(-1);
        QTest::newRow("negative") << "-5" << qint64(-1);
    }
    void sizes() {
        QFETCH(QString, text);
        QFETCH(qint64, bytes);
        QCOMPARE(TextStore::ParseSize(text), bytes);
    }
};

LEXITALLY_TEST_MAIN(TextStoreTest)
#include "test_store.moc"
