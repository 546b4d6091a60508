#include "core/base/Environment.h"
#include "core/base/ErrorReport.h"
#include "core/base/Files.h"
#include "core/base/Paths.h"
#include "core/base/Places.h"
#include "core/base/Scramble.h"
#include "core/base/System.h"
#include "core/base/Texts.h"
#include "core/extract/Readability.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QSysInfo>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QFileDevice::Permissions kReadOnly =
    QFileDevice::ReadOwner | QFileDevice::ReadUser | QFileDevice::ReadGroup | QFileDevice::ReadOther;
const QFileDevice::Permissions kReadOnlyFolder =
    kReadOnly | QFileDevice::ExeOwner | QFileDevice::ExeUser | QFileDevice::ExeGroup | QFileDevice::ExeOther;

bool IsRoot() {
    return ::geteuid() == 0;
}

mode_t ModeOf(const QString& path) {
    struct stat info {};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

QString Latin1Codes(std::initializer_list<int> codes) {
    QString out;
    for (int code : codes) {
        out += QChar(code);
    }
    return out;
}

} // namespace

class HelpersTest : public QObject {
    Q_OBJECT

private slots:
    void stripExtension_data();
    void stripExtension();
    void fileNameFromPath_data();
    void fileNameFromPath();
    void normalizeBackslashes_data();
    void fileNameBytes_data();
    void fileNameBytes();
    void normalizeBackslashes();
    void fileExistsAndIsFolder_data();
    void fileExistsAndIsFolder();

    void deleteFileQuiet_data();
    void deleteFileQuiet();
    void deleteFileQuietRemovesLinkNotTarget();
    void deleteFileQuietInReadOnlyFolder();

    void writeBytesCreatesExactFile();
    void writeBytesLeavesExistingPathUntouched_data();
    void writeBytesLeavesExistingPathUntouched();
    void writeBytesFailureThrows();

    void specialFolderPath_data();
    void specialFolderPath();
    void specialFolderPathCreatesMissingDataHome();
    void addressWidthOfArchitecture_data();
    void addressWidthOfArchitecture();
    void processorAddressWidthOfThisMachine();

    void listContainsText_data();
    void listContainsText();

    void scrambleRoundTrip_data();
    void scrambleRoundTrip();
    void scrambleExactCodes_data();
    void scrambleExactCodes();
    void unscrambleWrapsBelowOne();
    void scrambleEmptyKeyThrows();

    void shortenTitle_data();
    void shortenTitle();

    void tempFolderFromEnvironment();
    void tempFolderPrivateFallback_data();
    void tempFolderPrivateFallback();
    void tempFolderRefusesForeignOrLinkedFolder();
    void converterSource_data();
    void converterSource();
    void placeConverter();
};

// ---------------------------------------------------------------- paths

void HelpersTest::stripExtension_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two dots") << "a.b.pdf"
                              << "a.b";
    QTest::newRow("dot first") << ".pdf"
                               << ".pdf";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("no extension") << "report"
                                  << "report";
    QTest::newRow("trailing dot") << "report."
                                  << "report";
    QTest::newRow("unix path") << "/home/u/a.b.pdf"
                               << "/home/u/a.b";
    QTest::newRow("windows path") << "C:\\Docs\\a.pdf"
                                  << "C:\\Docs\\a";
    QTest::newRow("dotted folder, unix") << "/data/My.Docs/Report"
                                         << "/data/My.Docs/Report";
    QTest::newRow("dotted folder, windows") << "C:\\My.Docs\\Report"
                                            << "C:\\My.Docs\\Report";
    QTest::newRow("dotted folder with extension") << "/data/My.Docs/Report.pdf"
                                                  << "/data/My.Docs/Report";
}

void HelpersTest::stripExtension() {
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(StripExtension(path), expected);
}

void HelpersTest::fileNameFromPath_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("backslashes") << "C:\\Docs\\report.pdf"
                                 << "report.pdf";
    QTest::newRow("slashes") << "/home/u/report.pdf"
                             << "report.pdf";
    QTest::newRow("mixed") << "C:\\a/b\\c.pdf"
                           << "c.pdf";
    QTest::newRow("no separator") << "report.pdf"
                                  << "report.pdf";
    QTest::newRow("ends with separator") << "/home/u/"
                                         << "";
    QTest::newRow("empty") << ""
                           << "";
}

void HelpersTest::fileNameFromPath() {
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(FileNameFromPath(path), expected);
}

void HelpersTest::normalizeBackslashes_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("network path") << R"(\\\\srv\\a\\b.pdf)"
                                  << R"(\\srv\a\b.pdf)";
    QTest::newRow("three in a row, one pass") << R"(C:\\\a)"
                                              << R"(C:\\a)";
    QTest::newRow("four in a row") << R"(C:\\\\a)"
                                   << R"(C:\\a)";
    QTest::newRow("doubled throughout") << R"(C:\\Docs\\a.pdf)"
                                        << R"(C:\Docs\a.pdf)";
    QTest::newRow("single leading backslash") << R"(\Docs)"
                                              << R"(\\Docs)";
    QTest::newRow("only backslashes") << R"(\\\\)"
                                      << R"(\\)";
    QTest::newRow("slashes, no network rule") << "//home//u///x"
                                              << "/home/u//x";
    QTest::newRow("unix path unchanged") << "/home/u/a.pdf"
                                         << "/home/u/a.pdf";
    QTest::newRow("mixed pair kept") << R"(a\/b)"
                                     << R"(a\/b)";
    QTest::newRow("empty") << ""
                           << "";
}

void HelpersTest::normalizeBackslashes() {
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(NormalizeBackslashes(path), expected);
}

void HelpersTest::fileNameBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("undecoded");
    QTest::newRow("ascii") << QByteArray("a/b.pdf") << "a/b.pdf" << false;
    QTest::newRow("utf-8") << QByteArray("caf\xc3\xa9") << QStringLiteral("caf\u00e9") << false;
    QTest::newRow("latin-1 byte") << QByteArray("caf\xe9.pdf") << QStringLiteral("caf\ufffd.pdf") << true;
    QTest::newRow("cut sequence") << QByteArray("\xe2\x82") << QStringLiteral("\ufffd\ufffd") << true;
    QTest::newRow("overlong") << QByteArray("\xc0\xaf") << QStringLiteral("\ufffd\ufffd") << true;
    QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80") << QStringLiteral("\ufffd\ufffd\ufffd") << true;
    // U+10080 is the pair D800 DC80: its second half is no escaped byte.
    QTest::newRow("pair ending in the escape range")
        << QByteArray("\xf0\x90\x82\x80") << QStringLiteral("\U00010080") << false;
    QTest::newRow("valid after invalid") << QByteArray("\xff\xc3\xa9") << QStringLiteral("\ufffd\u00e9") << true;
}

void HelpersTest::fileNameBytes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    QFETCH(bool, undecoded);
    const QString name = DecodeFileName(bytes);
    QCOMPARE(FileNameBytes(name), bytes);
    QCOMPARE(HasUndecodedBytes(name), undecoded);
    QCOMPARE(ShownFileName(name), shown);
}

void HelpersTest::fileExistsAndIsFolder_data() {
    QTest::addColumn<QString>("entry"); // what to create under the work folder
    QTest::addColumn<QString>("path");  // what to ask about, relative to the work folder
    QTest::addColumn<bool>("exists");
    QTest::addColumn<bool>("folder");
    QTest::newRow("file") << "file"
                          << "a.pdf" << true << false;
    QTest::newRow("file with blanks and umlaut") << "file"
                                                 << "Bericht über a.pdf" << true << false;
    QTest::newRow("folder") << "folder"
                            << "sub" << true << true;
    QTest::newRow("missing") << ""
                             << "missing.pdf" << false << false;
    QTest::newRow("dangling link") << "dangling"
                                   << "gone.pdf" << false << false;
    QTest::newRow("empty path") << ""
                                << "<empty>" << false << false;
}

void HelpersTest::fileExistsAndIsFolder() {
    QFETCH(QString, entry);
    QFETCH(QString, path);
    QFETCH(bool, exists);
    QFETCH(bool, folder);
    IsolatedEnvironment env;
    const QString full = path == QStringLiteral("<empty>") ? QString() : env.Work() + u'/' + path;
    if (entry == QStringLiteral("file")) {
        WriteTextFile(full, "x");
    } else if (entry == QStringLiteral("folder")) {
        QVERIFY(QDir().mkpath(full));
    } else if (entry == QStringLiteral("dangling")) {
        QVERIFY(QFile::link(env.Work() + QStringLiteral("/nowhere.pdf"), full));
    }
    QCOMPARE(FileExists(full), exists);
    QCOMPARE(IsFolder(full), folder);
}

// ---------------------------------------------------------------- deleting and writing

void HelpersTest::deleteFileQuiet_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("left");
    const QStringList set = {"a.txt", "b.txt", "ab.txt", "c.pdf"};
    QTest::newRow("one file") << set << "a.txt" << QStringList{"ab.txt", "b.txt", "c.pdf"};
    QTest::newRow("star") << set << "*.txt" << QStringList{"c.pdf"};
    QTest::newRow("question mark") << set << "?.txt" << QStringList{"ab.txt", "c.pdf"};
    QTest::newRow("star matches all files, not folders") << set << "*" << QStringList{"sub"};
    QTest::newRow("missing file is silent") << set << "zzz.txt" << QStringList{"a.txt", "ab.txt", "b.txt", "c.pdf"};
    QTest::newRow("pattern without match") << set << "*.doc" << QStringList{"a.txt", "ab.txt", "b.txt", "c.pdf"};
    QTest::newRow("read-only file") << QStringList{"ro.txt"} << "ro.txt" << QStringList{};
}

void HelpersTest::deleteFileQuiet() {
    QFETCH(QStringList, files);
    QFETCH(QString, pattern);
    QFETCH(QStringList, left);
    IsolatedEnvironment env;
    const QString folder = env.Work() + QStringLiteral("/del");
    for (const QString& name : files) {
        WriteTextFile(folder + u'/' + name, name.toUtf8());
    }
    QFile::setPermissions(folder + QStringLiteral("/ro.txt"), kReadOnly);
    if (pattern == QStringLiteral("*")) {
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/sub")));
        left = QStringList{"sub"};
    }
    DeleteFileQuiet(folder + u'/' + pattern);
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name), left);
}

void HelpersTest::deleteFileQuietRemovesLinkNotTarget() {
    IsolatedEnvironment env;
    const QString target = WriteTextFile(env.Work() + QStringLiteral("/target"), "keep me");
    QFile::setPermissions(target, kReadOnly);
    const QFileDevice::Permissions before = QFile::permissions(target);
    const QString link = env.Temp() + QStringLiteral("/link");
    QVERIFY(QFile::link(target, link));
    const QString dangling = env.Temp() + QStringLiteral("/dangling");
    QVERIFY(QFile::link(env.Work() + QStringLiteral("/nowhere"), dangling));

    DeleteFileQuiet(link);
    DeleteFileQuiet(dangling);
    QVERIFY(!QFileInfo(link).isSymLink());
    QVERIFY(!QFileInfo(dangling).isSymLink());
    QCOMPARE(ReadAll(target), QByteArray("keep me"));
    QCOMPARE(QFile::permissions(target), before);
}

void HelpersTest::deleteFileQuietInReadOnlyFolder() {
    IsolatedEnvironment env;
    const QString folder = env.Work() + QStringLiteral("/locked");
    const QString file = WriteTextFile(folder + QStringLiteral("/a.txt"), "data");
    QFile::setPermissions(file, kReadOnly);
    QFile::setPermissions(folder, kReadOnlyFolder);
    const QFileDevice::Permissions fileBefore = QFile::permissions(file);
    const QFileDevice::Permissions folderBefore = QFile::permissions(folder);
    DeleteFileQuiet(file); // must not throw nor report
    // The folder's permissions are never changed to force the delete.
    QCOMPARE(QFile::permissions(folder), folderBefore);
    if (IsRoot()) {
        // Folder permissions do not bind the super-user: the file goes.
        QVERIFY(!QFileInfo::exists(file));
    } else {
        // The file stays, and the failed retry gives it its permissions back.
        QVERIFY(QFileInfo::exists(file));
        QCOMPARE(QFile::permissions(file), fileBefore);
    }
}

void HelpersTest::writeBytesCreatesExactFile() {
    IsolatedEnvironment env;
    QByteArray bytes;
    for (int i = 0; i < 256; ++i) {
        bytes.append(static_cast<char>(i));
    }
    bytes.append(QByteArray(70000, '\xff'));
    const QString path = env.Temp() + QStringLiteral("/out.bin");
    int yields = 0;
    WriteBytesToFile(bytes, path, [&] { ++yields; });
    QCOMPARE(ReadAll(path), bytes);
    QVERIFY(yields >= 1);

    WriteBytesToFile(QByteArray(), env.Temp() + QStringLiteral("/empty.bin"));
    QVERIFY(QFileInfo(env.Temp() + QStringLiteral("/empty.bin")).isFile());
    QCOMPARE(QFileInfo(env.Temp() + QStringLiteral("/empty.bin")).size(), 0);
}

void HelpersTest::writeBytesLeavesExistingPathUntouched_data() {
    QTest::addColumn<QByteArray>("existing");
    QTest::newRow("same content") << QByteArray("converter");
    QTest::newRow("different content") << QByteArray("another build of the converter");
    QTest::newRow("longer content") << QByteArray(5000, 'z');
    QTest::newRow("empty file") << QByteArray();
}

void HelpersTest::writeBytesLeavesExistingPathUntouched() {
    QFETCH(QByteArray, existing);
    IsolatedEnvironment env;
    const QString path = WriteTextFile(env.Temp() + QStringLiteral("/pdftotext"), existing);
    const QDateTime stamp = QDateTime::currentDateTime().addDays(-3);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    WriteBytesToFile("converter", path);
    QCOMPARE(ReadAll(path), existing);
    QCOMPARE(QFileInfo(path).lastModified().toSecsSinceEpoch(), stamp.toSecsSinceEpoch());

    // A folder of that name counts as existing too.
    const QString folder = env.Temp() + QStringLiteral("/folder");
    QVERIFY(QDir().mkpath(folder));
    WriteBytesToFile("x", folder);
    QVERIFY(QFileInfo(folder).isDir());
}

void HelpersTest::writeBytesFailureThrows() {
    IsolatedEnvironment env;
    const QString path = env.Temp() + QStringLiteral("/no/such/folder/file.bin");
    QVERIFY_THROWS_EXCEPTION(Failure, WriteBytesToFile("abc", path));
    QVERIFY(!QFileInfo::exists(path));

    // A dangling link is not followed: nothing is created at its target.
    const QString target = env.Work() + QStringLiteral("/elsewhere.bin");
    const QString link = env.Temp() + QStringLiteral("/link.bin");
    QVERIFY(QFile::link(target, link));
    QVERIFY_THROWS_EXCEPTION(Failure, WriteBytesToFile("abc", link));
    QVERIFY(!QFileInfo::exists(target));

    // The failure says why.
    QString description;
    try {
        WriteBytesToFile("abc", path);
    } catch (const Failure& failure) {
        description = failure.Description();
    }
    QVERIFY(!description.isEmpty());
}

// ---------------------------------------------------------------- system

void HelpersTest::specialFolderPath_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("isDataFolder");
    QTest::newRow("35") << 35 << true;
    QTest::newRow("0") << 0 << false;
    QTest::newRow("26") << 26 << false;
    QTest::newRow("36") << 36 << false;
    QTest::newRow("-1") << -1 << false;
}

void HelpersTest::specialFolderPath() {
    QFETCH(int, number);
    QFETCH(bool, isDataFolder);
    IsolatedEnvironment env;
    QCOMPARE(SpecialFolderPath(number), isDataFolder ? env.Data() : QString());
}

void HelpersTest::specialFolderPathCreatesMissingDataHome() {
    IsolatedEnvironment env;
    const QString fresh = env.Root() + QStringLiteral("/fresh/.local/share");
    env.Set("XDG_DATA_HOME", fresh);
    QCOMPARE(SpecialFolderPath(35), fresh);
    QVERIFY(QFileInfo(fresh).isDir());
    QCOMPARE(ModeOf(fresh), mode_t(0700));
}

void HelpersTest::addressWidthOfArchitecture_data() {
    QTest::addColumn<QString>("architecture");
    QTest::addColumn<QString>("width");
    QTest::newRow("x86_64") << "x86_64"
                            << "64";
    QTest::newRow("arm64") << "arm64"
                           << "64";
    QTest::newRow("power64") << "power64"
                             << "64";
    QTest::newRow("riscv64") << "riscv64"
                             << "64";
    QTest::newRow("s390x") << "s390x"
                           << "64";
    QTest::newRow("loongarch64") << "loongarch64"
                                 << "64";
    QTest::newRow("i386") << "i386"
                          << "32";
    QTest::newRow("arm") << "arm"
                         << "32";
    QTest::newRow("mips") << "mips"
                          << "32";
    QTest::newRow("riscv32") << "riscv32"
                             << "32";
    QTest::newRow("unknown") << "unknown"
                             << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("case matters") << "X86_64"
                                  << "";
}

void HelpersTest::addressWidthOfArchitecture() {
    QFETCH(QString, architecture);
    QFETCH(QString, width);
    QCOMPARE(AddressWidthOfArchitecture(architecture), width);
}

void HelpersTest::processorAddressWidthOfThisMachine() {
    // What the kernel calls this machine, told by uname(1) rather than by the program's table.
    QProcess uname;
    uname.start(QStringLiteral("uname"), {QStringLiteral("-m")});
    QVERIFY(uname.waitForFinished());
    const QByteArray machine = uname.readAllStandardOutput().trimmed();
    const QByteArrayList wide{"x86_64", "aarch64", "ppc64le", "ppc64", "s390x", "riscv64", "loongarch64", "mips64"};
    const QByteArrayList narrow{"i386", "i486", "i586", "i686", "armv7l", "armv6l", "mips", "ppc"};
    QVERIFY2(wide.contains(machine) || narrow.contains(machine), machine.constData());
    QCOMPARE(ProcessorAddressWidth(), wide.contains(machine) ? QStringLiteral("64") : QStringLiteral("32"));
}

void HelpersTest::listContainsText_data() {
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");
    const QStringList rows = {"/home/u/a.pdf", "/home/u/B.pdf", "/home/u/a.pdf"};
    QTest::newRow("first row") << rows << "/home/u/a.pdf" << true;
    QTest::newRow("last row only") << QStringList{"x", "y", "z"} << "z" << true;
    QTest::newRow("letter case counts") << rows << "/home/u/b.pdf" << false;
    QTest::newRow("trailing blank counts") << rows << "/home/u/a.pdf " << false;
    QTest::newRow("prefix is no match") << rows << "/home/u/a" << false;
    QTest::newRow("empty list") << QStringList{} << "" << false;
    QTest::newRow("empty row matches empty text") << QStringList{"a", ""} << "" << true;
}

void HelpersTest::listContainsText() {
    QFETCH(QStringList, rows);
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(ListContainsText(rows, text), expected);
}

// ---------------------------------------------------------------- scrambling

void HelpersTest::scrambleRoundTrip_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("key");
    QString allCodes;
    for (int code = 1; code < 256; ++code) {
        allCodes += QChar(code);
    }
    QString longText;
    while (longText.size() <= 40000) {
        longText += QStringLiteral("/usr/share/lexitally/Samples/Sample Ü %1.pdf|").arg(longText.size());
    }
    QTest::newRow("sample list") << "/opt/lexitally/Samples/a.pdf|/opt/lexitally/Samples/b.pdf"
                                 << "Lexitally";
    QTest::newRow("non-ASCII path") << "/home/jörg/Übersicht ünd 日本語 — €.pdf"
                                    << "Lexitally";
    QTest::newRow("non-ASCII key") << "/home/u/a.pdf"
                                   << "Schlüssel";
    QTest::newRow("codes 1 to 255") << allCodes << "k";
    QTest::newRow("empty text") << ""
                                << "key";
    QTest::newRow("over 32767 characters") << longText << "Lexitally";
}

void HelpersTest::scrambleRoundTrip() {
    QFETCH(QString, text);
    QFETCH(QString, key);
    const QString scrambled = ScrambleText(text, key);
    if (!text.isEmpty()) {
        QVERIFY(scrambled != text);
    }
    for (QChar c : scrambled) {
        QVERIFY(c.unicode() >= 1 && c.unicode() <= 255);
    }
    QCOMPARE(UnscrambleText(scrambled, key), text);
}

void HelpersTest::scrambleExactCodes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one-character key shifts all alike") << "abc" << QString(QChar(3)) << "def";
    QTest::newRow("key repeats") << "abc" << Latin1Codes({1, 2}) << "bdd";
    // "é" is C3 A9; 0xC3 + 61 = 256 wraps to 1 (minus 255, not 256).
    QTest::newRow("wrap 256 to 1") << "é"
                                   << "=" << Latin1Codes({1, 0xA9 + 61});
    QTest::newRow("wrap 260 to 5") << "é"
                                   << "A" << Latin1Codes({5, 0xA9 + 65});
    QTest::newRow("255 does not wrap") << "é"
                                       << "<" << Latin1Codes({255, 0xA9 + 60});
}

void HelpersTest::scrambleExactCodes() {
    QFETCH(QString, text);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QCOMPARE(ScrambleText(text, key), expected);
    QCOMPARE(UnscrambleText(expected, key), text);
}

void HelpersTest::unscrambleWrapsBelowOne() {
    // 5 - 65 = -60, plus 255 gives 0xC3: the first byte of "é".
    QCOMPARE(UnscrambleText(Latin1Codes({5, 234}), QStringLiteral("A")), QStringLiteral("é"));
}

void HelpersTest::scrambleEmptyKeyThrows() {
    QVERIFY_THROWS_EXCEPTION(Failure, ScrambleText(QStringLiteral("abc"), QString()));
    QVERIFY_THROWS_EXCEPTION(Failure, UnscrambleText(QStringLiteral("abc"), QString()));
}

// ---------------------------------------------------------------- title

void HelpersTest::shortenTitle_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no blank") << "Lexitally"
                              << "Lexitally";
    QTest::newRow("45 characters, last word of 9") << "Quorvant Word And Line Counter Tools Platinum"
                                                   << "Quorvant Word And Line Counter Tools";
    QTest::newRow("30 characters still drops") << "Lexitally Word Counter For PDF"
                                               << "Lexitally Word Counter For";
    QTest::newRow("two drops") << "Quorvant Lexitally Word Counter Deluxe Plus One"
                               << "Quorvant Lexitally Word Counter Deluxe";
    QTest::newRow("two words") << "Lexitally Pro"
                               << "Lexitally";
    QTest::newRow("trailing blank") << "Lexitally "
                                    << "Lexitally";
    QTest::newRow("long first word stops") << QString(50, u'x') + " y" << QString(50, u'x');
}

void HelpersTest::shortenTitle() {
    QFETCH(QString, title);
    QFETCH(QString, expected);
    QCOMPARE(ShortenTitle(title), expected);
}

// ---------------------------------------------------------------- places

void HelpersTest::tempFolderFromEnvironment() {
    IsolatedEnvironment env;
    QCOMPARE(TempFolder(), env.Private());
    QCOMPARE(ModeOf(env.Private()), mode_t(0700));
    const QString missing = env.Root() + QStringLiteral("/not/yet");
    env.Set("TEMP", missing);
    QCOMPARE(TempFolder(), missing + QStringLiteral("/lexitally-") + QString::number(::getuid()));
    QVERIFY(QFileInfo(missing).isDir());
    // Everything of ours lives in the private folder, never loose in TEMP, where the user's own
    // files or another user's programs may lie.
    for (const QString& path : {ConverterPath(), ReadabilityOutputPath(QStringLiteral("/x/notes.pdf"))}) {
        QVERIFY2(path.startsWith(TempFolder() + u'/'), qPrintable(path));
    }
}

void HelpersTest::tempFolderPrivateFallback_data() {
    QTest::addColumn<QString>("temp");     // "<unset>" or a value
    QTest::addColumn<int>("existingMode"); // -1: the folder does not exist yet
    QTest::addColumn<bool>("kept");        // what an existing folder held is still there
    QTest::newRow("unset") << "<unset>" << -1 << false;
    QTest::newRow("empty") << "" << -1 << false;
    QTest::newRow("existing private folder") << "<unset>" << 0700 << true;
    // Anything in a folder others could write into may be theirs: it is all removed.
    QTest::newRow("existing world-writable folder") << "<unset>" << 0777 << false;
    QTest::newRow("existing group-writable folder") << "<unset>" << 0770 << false;
    QTest::newRow("existing group-readable folder") << "" << 0750 << true;
}

void HelpersTest::tempFolderPrivateFallback() {
    QFETCH(QString, temp);
    QFETCH(int, existingMode);
    QFETCH(bool, kept);
    IsolatedEnvironment env;
    const QString systemTemp = env.Root() + QStringLiteral("/systemtmp");
    QVERIFY(QDir().mkpath(systemTemp));
    env.Set("TMPDIR", systemTemp);
    env.Set("TEMP", QString());
    if (temp != QStringLiteral("<unset>")) {
        qputenv("TEMP", QByteArray("")); // set, but empty
        QVERIFY(qEnvironmentVariableIsSet("TEMP"));
        UseEnvironment(ReadEnvironment());
    }
    const QString expected = systemTemp + QStringLiteral("/lexitally-") + QString::number(::getuid());
    const QStringList held{".hidden", "cache-1-abcdef", "pdftotext", "temp_total.text"};
    if (existingMode >= 0) {
        QVERIFY(QDir().mkpath(expected + QStringLiteral("/cache-1-abcdef")));
        WriteTextFile(expected + QStringLiteral("/cache-1-abcdef/a.txt"), "text");
        WriteTextFile(expected + QStringLiteral("/.hidden"), "x");
        WriteTextFile(expected + QStringLiteral("/pdftotext"), "#!/bin/sh\n");
        QVERIFY(QFile::link(expected + QStringLiteral("/.hidden"), expected + QStringLiteral("/temp_total.text")));
        QCOMPARE(::chmod(QFile::encodeName(expected).constData(), existingMode), 0);
    }
    const QString folder = TempFolder();
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             kept ? held : QStringList());
    QCOMPARE(folder, expected);
    QVERIFY(folder != QStringLiteral("/"));
    QVERIFY(QFileInfo(folder).isDir());
    QCOMPARE(ModeOf(folder), mode_t(0700));
    QCOMPARE(ConverterPath(), expected + QStringLiteral("/pdftotext"));
}

void HelpersTest::tempFolderRefusesForeignOrLinkedFolder() {
    IsolatedEnvironment env;
    const QString systemTemp = env.Root() + QStringLiteral("/systemtmp");
    QVERIFY(QDir().mkpath(systemTemp));
    env.Set("TMPDIR", systemTemp);
    env.Set("TEMP", QString());
    const QString expected = systemTemp + QStringLiteral("/lexitally-") + QString::number(::getuid());

    // Somebody planted a link under our name: it is not used.
    const QString planted = env.Work() + QStringLiteral("/planted");
    QVERIFY(QDir().mkpath(planted));
    QVERIFY(QFile::link(planted, expected));
    QVERIFY_THROWS_EXCEPTION(Failure, TempFolder());
    QVERIFY(QFile::remove(expected));

    // A plain file under our name: no folder, no use.
    WriteTextFile(expected, "x");
    QVERIFY_THROWS_EXCEPTION(Failure, TempFolder());
    QVERIFY(QFile::remove(expected));

    if (!IsRoot()) {
        QSKIP("giving a folder to another user needs the super-user");
    }
    QVERIFY(QDir().mkpath(expected));
    QCOMPARE(::chown(QFile::encodeName(expected).constData(), 65534, 65534), 0);
    QCOMPARE(::chmod(QFile::encodeName(expected).constData(), 0777), 0);
    QVERIFY_THROWS_EXCEPTION(Failure, TempFolder());
    QCOMPARE(ModeOf(expected), mode_t(0777)); // someone else's folder is not touched
}

void HelpersTest::converterSource_data() {
    QTest::addColumn<QString>("fromEnv");
    QTest::addColumn<QStringList>("bundled"); // widths with a bundled build
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("expected"); // ENV, 64, 32 or PATH
    QTest::newRow("environment wins") << "/opt/conv/pdftotext" << QStringList{"64"} << "64"
                                      << "ENV";
    QTest::newRow("bundled 64") << "" << QStringList{"32", "64"} << "64"
                                << "64";
    QTest::newRow("bundled 32") << "" << QStringList{"32", "64"} << "32"
                                << "32";
    QTest::newRow("unknown width takes 32") << "" << QStringList{"32", "64"} << ""
                                            << "32";
    QTest::newRow("no bundled build") << "" << QStringList{} << "64"
                                      << "PATH";
    QTest::newRow("only the other build") << "" << QStringList{"32"} << "64"
                                          << "PATH";
}

void HelpersTest::converterSource() {
    QFETCH(QString, fromEnv);
    QFETCH(QStringList, bundled);
    QFETCH(QString, width);
    QFETCH(QString, expected);
    IsolatedEnvironment env;
    const QString app = env.Root() + QStringLiteral("/app");
    env.Set("LEXITALLY_APP_DIR", app);
    env.Set("LEXITALLY_PDFTOTEXT", fromEnv);
    for (const QString& w : bundled) {
        const QString exe =
            WriteTextFile(app + QStringLiteral("/converter/") + w + QStringLiteral("/pdftotext"), "#!/bin/sh\n");
        QFile::setPermissions(exe, QFile::permissions(exe) | QFileDevice::ExeOwner);
    }
    QString want;
    if (expected == QStringLiteral("ENV")) {
        want = fromEnv;
    } else if (expected == QStringLiteral("PATH")) {
        want = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        QVERIFY2(!want.isEmpty(), "pdftotext must be installed");
    } else {
        want = app + QStringLiteral("/converter/") + expected + QStringLiteral("/pdftotext");
    }
    QCOMPARE(ConverterSource(width), want);
}

void HelpersTest::placeConverter() {
    IsolatedEnvironment env;
    const QString source = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    QVERIFY(!source.isEmpty());
    const QString target = ConverterPath();

    PlaceConverter(source, target);
    QVERIFY(QFileInfo(target).isExecutable());
    QCOMPARE(QFileInfo(target).canonicalFilePath(), QFileInfo(source).canonicalFilePath());

    // An existing converter of any kind stays as it is.
    QVERIFY(QFile::remove(target));
    WriteTextFile(target, "#!/bin/sh\necho other build\n");
    PlaceConverter(source, target);
    QVERIFY(!QFileInfo(target).isSymLink());
    QCOMPARE(ReadAll(target), QByteArray("#!/bin/sh\necho other build\n"));

    // A link whose converter has gone is replaced by a working one.
    QVERIFY(QFile::remove(target));
    QVERIFY(QFile::link(env.Work() + QStringLiteral("/removed/pdftotext"), target));
    PlaceConverter(source, target);
    QVERIFY(QFileInfo(target).isExecutable());
    QCOMPARE(QFileInfo(target).canonicalFilePath(), QFileInfo(source).canonicalFilePath());

    // No converter anywhere: a clear failure, nothing placed.
    QVERIFY(QFile::remove(target));
    QVERIFY_THROWS_EXCEPTION(Failure, PlaceConverter(QString(), target));
    QVERIFY(!QFileInfo::exists(target));
}

LEXITALLY_TEST_MAIN(HelpersTest)
#include "test_helpers.moc"
