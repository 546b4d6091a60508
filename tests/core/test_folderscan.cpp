#include "core/base/Paths.h"
#include "core/filelist/FolderScan.h"
#include "support/ScriptedUi.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QtTest>

#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Builds a tree below root from relative entries: "S/" is a folder, "S/c.pdf" a file (its
// folders are made too), "name -> target" a symbolic link to target (relative to root).
void MakeTree(const QString& root, const QStringList& entries) {
    QDir().mkpath(root);
    for (const QString& entry : entries) {
        const qsizetype arrow = entry.indexOf(QStringLiteral(" -> "));
        if (arrow >= 0) {
            const QString link = root + u'/' + entry.left(arrow);
            QDir().mkpath(QFileInfo(link).absolutePath());
            QVERIFY(QFile::link(root + u'/' + entry.mid(arrow + 4), link));
        } else if (entry.endsWith(u'/')) {
            QVERIFY(QDir().mkpath(root + u'/' + entry));
        } else {
            WriteTextFile(root + u'/' + entry, "%PDF-1.4\n");
            QVERIFY(QFile::exists(root + u'/' + entry));
        }
    }
}

QStringList Relative(const QString& root, const QStringList& paths) {
    QStringList out;
    for (const QString& path : paths) {
        out << (path.startsWith(root + u'/') ? path.mid(root.size() + 1) : QStringLiteral("outside:") + path);
    }
    return out;
}

// Runs the scan with a counting event pump and checks that it showed nothing.
QStringList Collect(const QString& folder, const QString& pattern, int* yields = nullptr,
                    SkippedFolders* skipped = nullptr) {
    ScriptedUi ui;
    int count = 0;
    const QStringList paths = CollectFolderFiles(
        folder, pattern, [&] { ++count; }, ui, skipped);
    if (yields) {
        *yields = count;
    }
    if (!ui.calls.isEmpty()) {
        qWarning() << "unexpected dialog:" << ui.calls.first().text;
        return {QStringLiteral("<dialog shown>")};
    }
    return paths;
}

} // namespace

class FolderScanTest : public QObject {
    Q_OBJECT

private slots:
    void collect_data();
    void collect();
    void nameLength_data();
    void nameLength();
    void hiddenFiles_data();
    void hiddenFiles();
    void symbolicLinks();
    void chosenFolderIsLink();
    void unreadableFolderSkipped();
    void vanishedFolderLeavesList();
    void invalidUtf8FolderSkipped();
    void folderListOrder();
    void repeatableAndYielding();
    void rootFolderEntries();
    void openable_data();
    void openable();
    void unsafeChars_data();
    void unsafeChars();
};

void FolderScanTest::collect_data() {
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("noted"); // path below the chosen folder and reason

    const QStringList example = {"a.pdf", "~tmp.pdf", "b.PDF", "S/c.pdf", "notes.txt"};
    QTest::newRow("folder button") << example << kPdfPattern << QStringList{"a.pdf", "b.PDF", "S/c.pdf"}
                                   << QStringList{};
    QTest::newRow("dropped folder takes every type")
        << QStringList{"a.pdf", "notes.txt", "~lock.pdf", "README", "S/x.docx"} << kAllFilesPattern
        << QStringList{"a.pdf", "notes.txt", "README", "S/x.docx"} << QStringList{};
    QTest::newRow("level by level") << QStringList{"A/B/deep.pdf", "A/x.pdf", "Z/z.pdf", "top.pdf", "A/B/C/deeper.pdf"}
                                    << kPdfPattern
                                    << QStringList{"top.pdf", "A/x.pdf", "Z/z.pdf", "A/B/deep.pdf", "A/B/C/deeper.pdf"}
                                    << QStringList{};
    QTest::newRow("alphabetical ignoring case")
        << QStringList{"b/1.pdf", "A/2.pdf", "C.pdf", "a.pdf", "B.pdf"} << kPdfPattern
        << QStringList{"a.pdf", "B.pdf", "C.pdf", "A/2.pdf", "b/1.pdf"} << QStringList{};
    QTest::newRow("hidden folder entered")
        << QStringList{".cache/h.pdf", "v.pdf"} << kPdfPattern << QStringList{"v.pdf", ".cache/h.pdf"} << QStringList{};
    QTest::newRow("only real extension") << QStringList{"x.pdf.txt", "pdf", "y.pdfx", "dir.pdf/in.pdf", "z.Pdf"}
                                         << kPdfPattern << QStringList{"z.Pdf", "dir.pdf/in.pdf"} << QStringList{};
    QTest::newRow("tilde only at the start") << QStringList{"a~b.pdf", "~/c.pdf", "~x/~d.pdf"} << kPdfPattern
                                             << QStringList{"a~b.pdf", "~/c.pdf"} << QStringList{};
    QTest::newRow("control character in a folder name")
        << QStringList{QStringLiteral("bad\x01name/in.pdf"), QStringLiteral("bad\x01name/Sub/deep.pdf"), "ok/in.pdf"}
        << kPdfPattern << QStringList{"ok/in.pdf"}
        << QStringList{QStringLiteral("bad\x01name  - the folder was not searched: its name holds a control "
                                      "character or is not valid UTF-8")};
    // "?" is a legal letter of a name here: the folder is entered.
    QTest::newRow("question mark in a folder name") << QStringList{"what?/in.pdf", "fine/in.pdf"} << kPdfPattern
                                                    << QStringList{"fine/in.pdf", "what?/in.pdf"} << QStringList{};
    QTest::newRow("non-ASCII names")
        << QStringList{QStringLiteral("Études/résumé.pdf"), QStringLiteral("日本/文書.pdf")} << kPdfPattern
        << QStringList{QStringLiteral("Études/résumé.pdf"), QStringLiteral("日本/文書.pdf")} << QStringList{};
    QTest::newRow("doubled backslashes belong to the name")
        << QStringList{"a\\\\b.pdf", "c\\\\\\\\d/e.pdf"} << kPdfPattern << QStringList{"a\\\\b.pdf", "c\\\\\\\\d/e.pdf"}
        << QStringList{};
    // Links among the files that lead nowhere are named; links to folders are left out.
    QTest::newRow("links that lead nowhere")
        << QStringList{"a.pdf",
                       "dead.pdf -> gone.pdf",
                       "loop.pdf -> loop.pdf",
                       "~dead.pdf -> gone.pdf",
                       "dead.txt -> gone.txt",
                       "Folder/",
                       "folder.pdf -> Folder"}
        << kPdfPattern << QStringList{"a.pdf"}
        << QStringList{"dead.pdf  - the link could not be followed: no such file or directory",
                       "loop.pdf  - the link could not be followed: too many levels of symbolic links"};
    QTest::newRow("empty tree") << QStringList{"Empty/", "Also/Empty/"} << kAllFilesPattern << QStringList{}
                                << QStringList{};
}

void FolderScanTest::collect() {
    QFETCH(QStringList, tree);
    QFETCH(QString, pattern);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, noted);
    IsolatedEnvironment env;
    const QString root = env.Work() + QStringLiteral("/D");
    MakeTree(root, tree);
    SkippedFolders skipped;
    QCOMPARE(Relative(root, Collect(root, pattern, nullptr, &skipped)), expected);
    QStringList named;
    for (const SkippedFolder& entry : std::as_const(skipped)) {
        named << entry.path + entry.reason;
    }
    QCOMPARE(Relative(root, named), noted);
    // The chosen folder may be given with its closing separator.
    QCOMPARE(Relative(root, Collect(root + u'/', pattern)), expected);
}

void FolderScanTest::nameLength_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("entered");
    QTest::newRow("254 characters") << 254 << true;
    // The longest name the system accepts is taken on.
    QTest::newRow("255 characters") << 255 << true;
    QTest::newRow("127 two-byte characters") << -127 << true;
}

void FolderScanTest::nameLength() {
    QFETCH(int, length);
    QFETCH(bool, entered);
    IsolatedEnvironment env;
    const QString root = env.Work();
    const QString name = length > 0 ? QString(length, u'n') : QString(-length, QChar(0xE9));
    MakeTree(root, {name + QStringLiteral("/in.pdf"), "top.pdf"});
    const QStringList expected =
        entered ? QStringList{"top.pdf", name + QStringLiteral("/in.pdf")} : QStringList{"top.pdf"};
    QCOMPARE(Relative(root, Collect(root, kPdfPattern)), expected);
}

void FolderScanTest::hiddenFiles_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("added");
    QTest::newRow("writable hidden file") << ".draft.pdf" << 0644 << false;
    QTest::newRow("read-only hidden file") << ".kept.pdf" << 0444 << true;
    QTest::newRow("hidden, group-writable only") << ".g.pdf" << 0464 << true;
    QTest::newRow("read-only plain file") << "plain.pdf" << 0444 << true;
    QTest::newRow("writable plain file") << "plain.pdf" << 0644 << true;
}

void FolderScanTest::hiddenFiles() {
    QFETCH(QString, name);
    QFETCH(int, mode);
    QFETCH(bool, added);
    IsolatedEnvironment env;
    const QString root = env.Work();
    MakeTree(root, {name, "Sub/" + name});
    const QStringList made = {root + u'/' + name, root + "/Sub/" + name};
    for (const QString& path : made) {
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(mode)), 0);
    }
    QStringList expected;
    if (added) {
        expected << name << "Sub/" + name;
    }
    QCOMPARE(Relative(root, Collect(root, kAllFilesPattern)), expected);
    // The folder listing itself keeps hidden files; only the collection leaves some out.
    QCOMPARE(ListFilesInFolder(root, kPdfPattern), QStringList{name});
}

void FolderScanTest::symbolicLinks() {
    IsolatedEnvironment env;
    const QString root = env.Work() + QStringLiteral("/D");
    MakeTree(root, {"a.pdf", "S/b.pdf", "S/loop -> S", "S/up -> .", "link -> S", "alias.pdf -> a.pdf",
                    "dead.pdf -> gone.pdf", "S/T/c.pdf", "S/T/back -> S"});
    QCOMPARE(Relative(root, Collect(root, kPdfPattern)), (QStringList{"a.pdf", "alias.pdf", "S/b.pdf", "S/T/c.pdf"}));

    ScriptedUi ui;
    QStringList folders{root + u'/'};
    GetSubDirectories2016(folders, true, {}, ui);
    QCOMPARE(Relative(root, folders), (QStringList{QString(), "S/", "S/T/"}));
}

void FolderScanTest::chosenFolderIsLink() {
    IsolatedEnvironment env;
    const QString real = env.Work() + QStringLiteral("/real");
    MakeTree(real, {"a.pdf", "S/b.pdf"});
    const QString link = env.Work() + QStringLiteral("/chosen");
    QVERIFY(QFile::link(real, link));
    QCOMPARE(Relative(link, Collect(link, kPdfPattern)), (QStringList{"a.pdf", "S/b.pdf"}));
}

void FolderScanTest::unreadableFolderSkipped() {
    IsolatedEnvironment env;
    const QString root = env.Work() + QStringLiteral("/D");
    MakeTree(root, {"a.pdf", "Locked/x.pdf", "Locked/Inner/y.pdf", "Open/b.pdf"});
    QCOMPARE(::chmod(QFile::encodeName(root + "/Locked").constData(), 0), 0);
    QStringList collected;
    SkippedFolders skipped;
    SkippedFolders chosen;
    QStringList folders{root + u'/'};
    ScriptedUi ui;
    {
        AsOrdinaryUser user({env.Root(), env.Work(), root, root + "/Open"});
        QVERIFY(user.Ok());
        collected = Collect(root, kPdfPattern);
        GetSubDirectories2016(folders, true, {}, ui);
        CollectFolderFiles(root, kPdfPattern, {}, ui, &skipped);
        CollectFolderFiles(root + "/Locked", kPdfPattern, {}, ui, &chosen);
    }
    QCOMPARE(Relative(root, collected), (QStringList{"a.pdf", "Open/b.pdf"}));
    QCOMPARE(Relative(root, folders), (QStringList{QString(), "Open/"}));
    QVERIFY(ui.calls.isEmpty());
    // Named with the reason, the chosen folder as well as one below it.
    for (const SkippedFolders& noted : {skipped, chosen}) {
        QCOMPARE(noted.size(), 1);
        QCOMPARE(noted[0].path, root + "/Locked");
        QCOMPARE(noted[0].reason, QStringLiteral("  - the folder could not be opened: permission denied"));
    }
}

void FolderScanTest::vanishedFolderLeavesList() {
    IsolatedEnvironment env;
    const QString root = env.Work();
    MakeTree(root, {"A/", "B/in.pdf", "C/Sub/"});
    // The folder B goes in the moment between being seen as a folder and being listed.
    QStringList folders{root + "/A/", root + "/B/", root + "/C/"};
    int turn = 0;
    ScriptedUi ui;
    SkippedFolders skipped;
    GetSubDirectories2016(
        folders, true,
        [&] {
            if (++turn == 2) {
                QDir(root + "/B").removeRecursively();
            }
        },
        ui, &skipped);
    QCOMPARE(Relative(root, folders), (QStringList{"A/", "C/", "C/Sub/"}));
    QVERIFY(ui.calls.isEmpty());
    QCOMPARE(skipped.size(), 0); // nothing was in it to be missed
}

void FolderScanTest::invalidUtf8FolderSkipped() {
    auto env = std::make_unique<IsolatedEnvironment>();
    const QString root = env->Work();
    const QByteArray bad = QFile::encodeName(root) + "/bad\xff\xfe";
    QCOMPARE(::mkdir(bad.constData(), 0755), 0);
    QCOMPARE(::close(::open((bad + "/in.pdf").constData(), O_CREAT | O_WRONLY, 0644)), 0);
    // A file whose name is not UTF-8 is listed, its bytes kept, so that the run can name it.
    const QByteArray badFile = QFile::encodeName(root) + "/good/caf\xe9.PDF";
    MakeTree(root, {"good/in.pdf"});
    QCOMPARE(::close(::open(badFile.constData(), O_CREAT | O_WRONLY, 0644)), 0);
    const QStringList collected = Collect(root, kPdfPattern);
    // A folder holding a control character is not entered either; both are named.
    MakeTree(root, {QStringLiteral("tab\there/in.pdf")});
    ScriptedUi ui;
    SkippedFolders skipped;
    CollectFolderFiles(root, kPdfPattern, {}, ui, &skipped);
    QCOMPARE(skipped.size(), 2);
    for (const SkippedFolder& folder : skipped) {
        QCOMPARE(folder.reason, QStringLiteral("  - the folder was not searched: its name holds a control character "
                                               "or is not valid UTF-8"));
    }
    QCOMPARE(skipped[1].path, root + QStringLiteral("/tab\there"));
    QCOMPARE(Relative(root, collected), (QStringList{DecodeFileName("good/caf\xe9.PDF"), "good/in.pdf"}));
    QCOMPARE(FileNameBytes(collected[0]), badFile);
    // The environment takes these names with it, although Qt cannot spell them.
    const QString everything = env->Root();
    env.reset();
    QVERIFY(!QFileInfo::exists(everything));
}

void FolderScanTest::folderListOrder() {
    IsolatedEnvironment env;
    const QString root = env.Work();
    MakeTree(root, {"P/x/", "P/Y/", "Q/z/deep/", "p2/"});
    ScriptedUi ui;
    QStringList folders{root + u'/'};
    GetSubDirectories2016(folders, false, {}, ui);
    QCOMPARE(Relative(root, folders), (QStringList{QString(), "P/", "p2/", "Q/"}));
    folders = QStringList{root + u'/'};
    GetSubDirectories2016(folders, true, {}, ui);
    QCOMPARE(Relative(root, folders), (QStringList{QString(), "P/", "p2/", "Q/", "P/x/", "P/Y/", "Q/z/", "Q/z/deep/"}));
    // An entry that is not a folder stays where it is and adds nothing.
    folders = QStringList{root + "/missing/", root + "/Q/z/"};
    GetSubDirectories2016(folders, true, {}, ui);
    QCOMPARE(Relative(root, folders), (QStringList{"missing/", "Q/z/", "Q/z/deep/"}));
    QVERIFY(ui.calls.isEmpty());
}

void FolderScanTest::repeatableAndYielding() {
    IsolatedEnvironment env;
    const QString root = env.Work();
    QStringList tree;
    for (int i = 0; i < 12; ++i) {
        tree << QStringLiteral("F%1/G%2/f%3.pdf").arg(i % 4).arg(i).arg(i);
    }
    MakeTree(root, tree);
    int yields = 0;
    const QStringList first = Collect(root, kPdfPattern, &yields);
    QCOMPARE(first.size(), 12);
    // Every folder (1 + 4 + 12) gives the event queue a turn at least once.
    QVERIFY2(yields >= 17, qPrintable(QString::number(yields)));
    // Collecting again gives the same rows in the same order: no duplicate test, no change.
    QCOMPARE(Collect(root, kPdfPattern) + Collect(root, kPdfPattern), first + first);
}

void FolderScanTest::rootFolderEntries() {
    ScriptedUi ui;
    QStringList folders{QStringLiteral("/")};
    GetSubDirectories2016(folders, false, {}, ui);
    QVERIFY(folders.size() > 1);
    for (const QString& folder : std::as_const(folders).mid(1)) {
        QVERIFY2(folder.startsWith(u'/') && !folder.startsWith(QStringLiteral("//")) && folder.endsWith(u'/'),
                 qPrintable(folder));
    }
    QVERIFY(CollectFolderFiles(QString(), kAllFilesPattern, {}, ui).isEmpty());
}

void FolderScanTest::openable_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("openable");
    QTest::newRow("regular file") << "file" << true;
    QTest::newRow("folder") << "folder" << false;
    QTest::newRow("missing") << "missing" << false;
    QTest::newRow("named pipe (must not block)") << "fifo" << false;
    QTest::newRow("link to a file") << "filelink" << true;
    QTest::newRow("dangling link") << "dangling" << false;
    QTest::newRow("device") << "device" << false;
    QTest::newRow("embedded NUL") << "nul" << false;
    QTest::newRow("unreadable file") << "unreadable" << false;
}

void FolderScanTest::openable() {
    QFETCH(QString, kind);
    QFETCH(bool, openable);
    IsolatedEnvironment env;
    const QString root = env.Work();
    const QString file = WriteTextFile(root + "/file.pdf", "%PDF-1.4\n");
    QString path;
    if (kind == "file") {
        path = file;
    } else if (kind == "folder") {
        path = root;
    } else if (kind == "missing") {
        path = root + "/missing.pdf";
    } else if (kind == "fifo") {
        path = root + "/pipe.pdf";
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    } else if (kind == "filelink") {
        path = root + "/link.pdf";
        QVERIFY(QFile::link(file, path));
    } else if (kind == "dangling") {
        path = root + "/dangling.pdf";
        QVERIFY(QFile::link(root + "/nowhere.pdf", path));
    } else if (kind == "device") {
        path = QStringLiteral("/dev/null");
    } else if (kind == "nul") {
        path = file + QChar(u'\0') + QStringLiteral("x");
    } else if (kind == "unreadable") {
        path = file;
        QCOMPARE(::chmod(QFile::encodeName(file).constData(), 0200), 0);
        AsOrdinaryUser user({env.Root(), root});
        QVERIFY(user.Ok());
        QCOMPARE(IsOpenableFile(path), openable);
        return;
    }
    QCOMPARE(IsOpenableFile(path), openable);
}

void FolderScanTest::unsafeChars_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("unsafe");
    QTest::newRow("space and punctuation") << "Report 2021 (b-c_d) [f] #h %i &j" << false;
    QTest::newRow("code 31") << QStringLiteral("a\x1f") << true;
    QTest::newRow("code 126") << "a~" << false;
    QTest::newRow("code 127") << QStringLiteral("a\x7f") << true;
    QTest::newRow("code 159") << QString(QChar(0x9f)) << true;
    QTest::newRow("code 160") << QString(QChar(0xa0)) << false;
    QTest::newRow("accented") << QStringLiteral("Études é ü ß") << false;
    QTest::newRow("beyond one byte") << QStringLiteral("日本語 Ωμέγα") << false;
    QTest::newRow("outside the basic plane") << QStringLiteral("music \U0001D11E") << false;
    QTest::newRow("question mark") << "why?" << false;
    QTest::newRow("replacement character") << QString(QChar(0xFFFD)) << true;
    QTest::newRow("lone high surrogate") << QString(QChar(0xD834)) + QStringLiteral("x") << true;
    QTest::newRow("lone low surrogate") << QString(QChar(0xDD1E)) << true;
}

void FolderScanTest::unsafeChars() {
    QFETCH(QString, name);
    QFETCH(bool, unsafe);
    QCOMPARE(HasUnsafeChars(name), unsafe);
}

LEXITALLY_TEST_MAIN(FolderScanTest)
#include "test_folderscan.moc"
