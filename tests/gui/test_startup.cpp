#include "core/base/ErrorReport.h"
#include "core/base/Help.h"
#include "core/base/Places.h"
#include "core/base/Settings.h"
#include "core/base/System.h"
#include "core/count/DatabaseProvider.h"
#include "gui/Form1.h"
#include "support/GuiTestMain.h"
#include "support/ScriptedUi.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <memory>
#include <stdexcept>

namespace {

const QString kAdvice = QStringLiteral(
    "Error #3706: Provider cannot be found. It may not be properly installed.\r\n\r\n"
    "You are getting this error because:\r\n\r\n"
    "1. The SQLite driver for Qt is not installed on your computer.\r\n\r\n"
    "2. A set of Qt components to transfer data is not installed on your computer.\r\n\r\n"
    "You need to install the Qt 6 SQLite driver (package libqt6sql6-sqlite) to solve this problem.\r\n\r\n"
    "Would you like me to open the installation page now so you can do this?\r\n\r\n"
    "(If you have any further questions please email a screenshot of this error message to "
    "support@quorvant.example)");

const QString kInstallPage = QStringLiteral("https://doc.qt.io/qt-6/sql-driver.html");

const QString kStartupSource = QStringLiteral("\r\nin Zentrova2021/08/31.Form1.Form_Load at line ");

ProviderProbeResult
Missing(int number = 3706,
        const QString& text = QStringLiteral("Provider cannot be found. It may not be properly installed.")) {
    return {false, number, text};
}

// One start of the program: a main window on a scripted Ui, with the provider probe and the
// end of the program replaced. Answers for start-up boxes are queued before Load().
struct Session {
    explicit Session(bool providerAvailable = true) {
        Form1Options options;
        options.providerProbe = [providerAvailable] {
            return providerAvailable ? ProviderProbeResult{true, 0, {}} : Missing();
        };
        options.endProgram = [this] { ++ended; };
        form = std::make_unique<Form1>(ui, options);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Form1& Load() {
        form->Form_Load();
        return *form;
    }
    QList<ScriptedUi::Call> Reports() const {
        QList<ScriptedUi::Call> out;
        for (const ScriptedUi::Call& call : ui.Messages()) {
            if (call.caption == QStringLiteral("Application Error")) {
                out << call;
            }
        }
        return out;
    }
    QString ReportTexts() const {
        QStringList texts;
        for (const ScriptedUi::Call& call : Reports()) {
            texts << call.text;
        }
        return texts.join(QStringLiteral("\n---\n"));
    }

    ScriptedUi ui;
    int ended = 0;
    std::unique_ptr<Form1> form;
};

// The five stored controls and Check3 as a text "O1 O2 O3 O4 C1 C3", "1" for selected/ticked.
QString States(const Form1& form) {
    QString out;
    for (const QAbstractButton* b :
         {static_cast<QAbstractButton*>(form.Option1), static_cast<QAbstractButton*>(form.Option2),
          static_cast<QAbstractButton*>(form.Option3), static_cast<QAbstractButton*>(form.Option4),
          static_cast<QAbstractButton*>(form.Check1), static_cast<QAbstractButton*>(form.Check3)}) {
        out += b->isChecked() ? u'1' : u'0';
    }
    return out;
}

QString Stored(const QString& key) {
    SettingsStore store;
    return store.Contains(key) ? store.Get(key) : QStringLiteral("<absent>");
}

void Store(const QStringList& pairs) {
    SettingsStore store;
    for (const QString& pair : pairs) {
        const qsizetype eq = pair.indexOf(u'=');
        store.Save(pair.left(eq), pair.mid(eq + 1));
    }
}

QDateTime SetOldTime(const QString& path) {
    const QDateTime old = QDateTime::currentDateTime().addDays(-10);
    QFile file(path);
    if (file.open(QIODevice::ReadWrite)) {
        file.setFileTime(old, QFileDevice::FileModificationTime);
    }
    return QFileInfo(path).lastModified();
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void firstStart_data();
    void firstStart();
    void secondStartCreatesAndOverwritesNothing();
    void existingConverterLeftUntouched();
    void optionsPersistAcrossStarts();
    void check3TickedAfterEveryStart();
    void option3Click_data();
    void option3Click();
    void storedDatabaseMethodWithoutProvider();
    void badStoredValue_data();
    void badStoredValue();
    void missingTemplate();
    void closeDeletesConverterAndEnds();
    void helpButton();
    void checkDatabaseProvider_data();
    void checkDatabaseProvider();
    void realProviderProbe();
    void controlsAndCaptions_data();
    void controlsAndCaptions();
    void layoutFollowsWindow_data();
    void layoutFollowsWindow();
    void tabOrder_data();
    void tabOrder();
};

// ---------------------------------------------------------------- start-up

void StartupTest::firstStart_data() {
    QTest::addColumn<bool>("provider");
    QTest::addColumn<bool>("dataHomeExists");
    QTest::addColumn<bool>("tempSet");
    QTest::newRow("provider available") << true << true << true;
    QTest::newRow("provider missing") << false << true << true;
    QTest::newRow("fresh account without data folder") << true << false << true;
    QTest::newRow("TEMP not set") << true << true << false;
}

void StartupTest::firstStart() {
    QFETCH(bool, provider);
    QFETCH(bool, dataHomeExists);
    QFETCH(bool, tempSet);
    IsolatedEnvironment env;
    if (!dataHomeExists) {
        env.Set("XDG_DATA_HOME", env.Root() + QStringLiteral("/fresh/.local/share"));
    }
    const QString systemTemp = env.Root() + QStringLiteral("/systemtmp");
    QDir().mkpath(systemTemp);
    env.Set("TMPDIR", systemTemp);
    if (!tempSet) {
        env.Set("TEMP", QString());
    }

    Session session(provider);
    Form1& form = session.Load();
    QVERIFY2(session.ui.calls.isEmpty(), qPrintable(session.ui.MessageTexts().join(u'\n')));
    QCOMPARE(session.ended, 0);

    // Both data-folder levels, and the working database as a byte copy of the template.
    QVERIFY(QFileInfo(DataFolderFirstLevel()).isDir());
    QVERIFY(QFileInfo(DataFolder()).isDir());
    const QString dataHome = dataHomeExists ? env.Data() : env.Root() + QStringLiteral("/fresh/.local/share");
    QCOMPARE(WorkingDatabasePath(), dataHome + QStringLiteral("/Quorvant/Lexitally/dbData.sqlite"));
    const QByteArray blank = ReadAll(TestAppDir() + QStringLiteral("/dbBlank.sqlite"));
    QVERIFY(!blank.isEmpty());
    QCOMPARE(ReadAll(WorkingDatabasePath()), blank);
    QVERIFY(QFileInfo(WorkingDatabasePath()).isWritable());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("firstStart"));
        db.setDatabaseName(WorkingDatabasePath());
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec(QStringLiteral("SELECT COUNT(Word) FROM tbWords")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("firstStart"));

    // The converter: present in the temporary folder and working.
    const QString converter = ConverterPath();
    if (tempSet) {
        QCOMPARE(converter, env.Private() + QStringLiteral("/pdftotext"));
    } else {
        QVERIFY(converter.startsWith(systemTemp + QStringLiteral("/lexitally-")));
    }
    QVERIFY(QFileInfo(converter).isExecutable());
    QCOMPARE(QProcess::execute(converter, {QStringLiteral("-v")}), 0);

    // Window, title, list column.
    QCOMPARE(form.windowTitle(), QStringLiteral("Lexitally"));
    QCOMPARE(form.ApplicationTitle(), QStringLiteral("Lexitally"));
    QCOMPARE(form.ListView1->headerItem()->text(0), QStringLiteral("PDF Files"));
    QCOMPARE(form.ListView1->header()->sectionSize(0), TwipsToPixels(7000, &form));
    QCOMPARE(form.ProgressBar1->Text(), QStringLiteral("Progress Bar"));

    // Defaults: Check1 off, Option1 on, the database method exactly when available, Check3 on.
    QCOMPARE(form.ProviderAvailable(), provider);
    QCOMPARE(States(form), provider ? QStringLiteral("101001") : QStringLiteral("100101"));
    // Restored values are written back through the click events. Check1 restored as 0 onto an
    // unticked box changes nothing, so it raises no click and is not written.
    QCOMPARE(Stored("Option1"), QStringLiteral("True"));
    QCOMPARE(Stored("Option2"), QStringLiteral("False"));
    QCOMPARE(Stored("Option3"), provider ? QStringLiteral("True") : QStringLiteral("False"));
    QCOMPARE(Stored("Option4"), provider ? QStringLiteral("False") : QStringLiteral("True"));
    QCOMPARE(Stored("Check1"), QStringLiteral("<absent>"));
    QCOMPARE(Stored("Check3"), QStringLiteral("<absent>"));
}

void StartupTest::secondStartCreatesAndOverwritesNothing() {
    IsolatedEnvironment env;
    {
        Session first;
        first.Load();
    }
    const QByteArray userData("a working database the user has filled");
    WriteTextFile(WorkingDatabasePath(), userData);
    const QDateTime dbTime = SetOldTime(WorkingDatabasePath());
    const QString marker = WriteTextFile(DataFolder() + QStringLiteral("/marker"), "keep");
    const QString linkTarget = QFileInfo(ConverterPath()).symLinkTarget();

    Session second;
    second.Load();
    QVERIFY2(second.ui.calls.isEmpty(), qPrintable(second.ui.MessageTexts().join(u'\n')));
    QCOMPARE(ReadAll(WorkingDatabasePath()), userData);
    QCOMPARE(QFileInfo(WorkingDatabasePath()).lastModified(), dbTime);
    QCOMPARE(ReadAll(marker), QByteArray("keep"));
    QCOMPARE(QFileInfo(ConverterPath()).symLinkTarget(), linkTarget);
    QCOMPARE(QDir(env.Private()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"pdftotext"});
}

void StartupTest::existingConverterLeftUntouched() {
    IsolatedEnvironment env;
    const QByteArray otherBuild("#!/bin/sh\necho another build\n");
    const QString converter = WriteTextFile(env.Private() + QStringLiteral("/pdftotext"), otherBuild);
    QFile::setPermissions(converter, QFile::permissions(converter) | QFileDevice::ExeOwner);
    const QDateTime time = SetOldTime(converter);
    Session session;
    session.Load();
    QVERIFY(session.ui.calls.isEmpty());
    QVERIFY(!QFileInfo(converter).isSymLink());
    QCOMPARE(ReadAll(converter), otherBuild);
    QCOMPARE(QFileInfo(converter).lastModified(), time);
}

void StartupTest::optionsPersistAcrossStarts() {
    IsolatedEnvironment env;
    {
        Session first;
        Form1& form = first.Load();
        form.Option2->click();
        QCOMPARE(Stored("Option1"), QStringLiteral("False"));
        QCOMPARE(Stored("Option2"), QStringLiteral("True"));
        form.Check1->click();
        QCOMPARE(Stored("Check1"), QStringLiteral("1"));
        form.Option4->click();
        QCOMPARE(Stored("Option3"), QStringLiteral("False"));
        QCOMPARE(Stored("Option4"), QStringLiteral("True"));
    }
    {
        Session second;
        Form1& form = second.Load();
        QVERIFY(second.ui.calls.isEmpty());
        QCOMPARE(States(form), QStringLiteral("010111"));
        QCOMPARE(Stored("Option1"), QStringLiteral("False"));
        QCOMPARE(Stored("Option2"), QStringLiteral("True"));
        QCOMPARE(Stored("Check1"), QStringLiteral("1"));
        // Back to the defaults by clicking; the next start follows.
        form.Option1->click();
        form.Check1->click();
        form.Option3->click();
        QCOMPARE(Stored("Check1"), QStringLiteral("0"));
    }
    Session third;
    QCOMPARE(States(third.Load()), QStringLiteral("101001"));
    QCOMPARE(Stored("Option3"), QStringLiteral("True"));
}

void StartupTest::check3TickedAfterEveryStart() {
    IsolatedEnvironment env;
    {
        Session first;
        Form1& form = first.Load();
        form.Check3->click();
        QVERIFY(!form.Check3->isChecked());
    }
    QCOMPARE(Stored("Check3"), QStringLiteral("<absent>"));
    Session second;
    QVERIFY(second.Load().Check3->isChecked());
}

// ---------------------------------------------------------------- the database method option

void StartupTest::option3Click_data() {
    QTest::addColumn<bool>("provider");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("adviceShown");
    QTest::addColumn<bool>("pageOpened");
    QTest::addColumn<bool>("opener"); // the desktop can open pages
    QTest::newRow("provider missing, No") << false << int(MsgAnswer::No) << true << false << true;
    QTest::newRow("provider missing, Yes") << false << int(MsgAnswer::Yes) << true << true << true;
    QTest::newRow("provider missing, Yes, no opener") << false << int(MsgAnswer::Yes) << true << true << false;
    QTest::newRow("provider available") << true << int(MsgAnswer::No) << false << false << true;
}

void StartupTest::option3Click() {
    QFETCH(bool, provider);
    QFETCH(int, answer);
    QFETCH(bool, adviceShown);
    QFETCH(bool, pageOpened);
    QFETCH(bool, opener);
    IsolatedEnvironment env;
    Session session(provider);
    Form1& form = session.Load();
    QVERIFY(session.ui.calls.isEmpty());
    form.Option4->click();

    session.ui.openUrlWorks = opener;
    session.ui.Answer(static_cast<MsgAnswer>(answer));
    form.Option3->click();
    const QList<ScriptedUi::Call> messages = session.ui.Messages();
    const int notes = pageOpened && !opener ? 1 : 0; // the page named when it could not be opened
    QCOMPARE(messages.size(), (adviceShown ? 1 : 0) + notes);
    if (adviceShown) {
        QCOMPARE(messages[0].text, kAdvice);
        QCOMPARE(messages[0].caption, QStringLiteral("Lexitally"));
        QCOMPARE(messages[0].buttons, MsgButtons::YesNo);
        QCOMPARE(messages[0].icon, MsgIcon::None);
    }
    if (notes) {
        QCOMPARE(messages[1].text, QStringLiteral("The page could not be opened on this computer. Open this address "
                                                  "in your web browser:\r\n\r\n") +
                                       kInstallPage);
        QCOMPARE(messages[1].caption, QStringLiteral("Lexitally"));
        QCOMPARE(messages[1].buttons, MsgButtons::Ok);
    }
    QStringList opened;
    for (const ScriptedUi::Call& call : session.ui.calls) {
        if (call.kind == QStringLiteral("openUrl")) {
            opened << call.extra;
        }
    }
    QCOMPARE(opened, pageOpened ? QStringList{kInstallPage} : QStringList{});
    // Without the provider the database method cannot stay selected.
    QCOMPARE(form.Option3->isChecked(), provider);
    QCOMPARE(form.Option4->isChecked(), !provider);
    QCOMPARE(Stored("Option3"), provider ? QStringLiteral("True") : QStringLiteral("False"));
    QCOMPARE(Stored("Option4"), provider ? QStringLiteral("False") : QStringLiteral("True"));
    QCOMPARE(form.ProviderAvailable(), provider); // never re-evaluated

    // The advice comes again on every try.
    form.Option3->click();
    QCOMPARE(session.ui.Messages().size(), adviceShown ? 2 + notes : 0);
}

void StartupTest::storedDatabaseMethodWithoutProvider() {
    IsolatedEnvironment env;
    Store({"Option3=True", "Option4=False"});
    Session session(false);
    Form1& form = session.Load();
    QCOMPARE(session.ui.MessageTexts(), QStringList{kAdvice});
    QCOMPARE(States(form), QStringLiteral("100101"));
    QCOMPARE(Stored("Option3"), QStringLiteral("False"));
    QCOMPARE(Stored("Option4"), QStringLiteral("True"));
}

// ---------------------------------------------------------------- failures at start-up

void StartupTest::badStoredValue_data() {
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<bool>("provider");
    QTest::addColumn<bool>("reported");
    QTest::addColumn<QString>("states"); // O1 O2 O3 O4 C1 C3 after start-up
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("keyAfter"); // the bad key's stored text after start-up
    QTest::newRow("Check1") << QStringList{"Check1=yes"} << true << true << "101001"
                            << "Check1"
                            << "yes";
    QTest::newRow("Option1, keeps its design state") << QStringList{"Option1=maybe"} << true << true << "101001"
                                                     << "Option1"
                                                     << "maybe";
    QTest::newRow("Option2 after Option1 False, keeps its design state")
        << QStringList{"Option1=False", "Option2=maybe"} << true << true << "001001"
        << "Option2"
        << "maybe";
    // Restoring Option1 as selected writes both keys of the pair before Option2 is read.
    QTest::newRow("Option2 rewritten by the Option1 click") << QStringList{"Option2=maybe"} << true << false << "101001"
                                                            << "Option2"
                                                            << "False";
    QTest::newRow("Option3, keeps its design state") << QStringList{"Option3=maybe"} << true << true << "101001"
                                                     << "Option3"
                                                     << "maybe";
    QTest::newRow("Option4 without provider, keeps its design state")
        << QStringList{"Option4=maybe"} << false << true << "100001"
        << "Option4"
        << "maybe";
    QTest::newRow("empty text") << QStringList{"Option1="} << true << true << "101001"
                                << "Option1"
                                << "";
}

void StartupTest::badStoredValue() {
    QFETCH(QStringList, stored);
    QFETCH(bool, provider);
    QFETCH(bool, reported);
    QFETCH(QString, states);
    QFETCH(QString, key);
    QFETCH(QString, keyAfter);
    IsolatedEnvironment env;
    Store(stored);
    Session session(provider);
    Form1& form = session.Load();
    QCOMPARE(session.ui.Messages().size(), reported ? 1 : 0);
    QCOMPARE(session.Reports().size(), reported ? 1 : 0);
    if (reported) {
        const ScriptedUi::Call report = session.Reports().first();
        QVERIFY2(report.text.contains(kStartupSource), qPrintable(report.text));
        QVERIFY(report.text.endsWith(
            QStringLiteral("\r\rPlease email screenshot of this message to support@quorvant.example")));
        QCOMPARE(report.icon, MsgIcon::Exclamation);
    }
    QCOMPARE(States(form), states);
    QCOMPARE(Stored(key), keyAfter);
    // Start-up went on after the report.
    QVERIFY(QFileInfo(ConverterPath()).isExecutable());
    QVERIFY(QFileInfo(WorkingDatabasePath()).isFile());
    QCOMPARE(form.ProviderAvailable(), provider);
}

void StartupTest::missingTemplate() {
    IsolatedEnvironment env;
    // An application folder with everything but the template.
    const QString app = env.Root() + QStringLiteral("/app");
    QDir().mkpath(app);
    for (const QString& name : {QStringLiteral("HAND-M.CUR"), QStringLiteral("drag.ico")}) {
        QFile::copy(TestAppDir() + u'/' + name, app + u'/' + name);
    }
    QDir().mkpath(app + QStringLiteral("/Samples"));
    for (const QString& name : QDir(TestAppDir() + QStringLiteral("/Samples")).entryList(QDir::Files)) {
        QFile::copy(TestAppDir() + QStringLiteral("/Samples/") + name, app + QStringLiteral("/Samples/") + name);
    }
    env.Set("LEXITALLY_APP_DIR", app);

    Session session;
    Form1& form = session.Load();
    QCOMPARE(session.Reports().size(), 1);
    QVERIFY2(session.ReportTexts().contains(kStartupSource), qPrintable(session.ReportTexts()));
    QVERIFY(!QFileInfo::exists(WorkingDatabasePath()));
    QVERIFY(QFileInfo(DataFolder()).isDir());
    // The steps after the failing one ran, and the window opens.
    QCOMPARE(States(form), QStringLiteral("101001"));
    QCOMPARE(Stored("Option3"), QStringLiteral("True"));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(session.ended, 0);
}

// ---------------------------------------------------------------- shutdown and help

void StartupTest::closeDeletesConverterAndEnds() {
    IsolatedEnvironment env;
    Session session;
    Form1& form = session.Load();
    const QString converter = ConverterPath();
    const QString target = QFileInfo(converter).canonicalFilePath();
    QVERIFY(QFileInfo(converter).isExecutable());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    form.close();
    QCOMPARE(session.ended, 1);
    QVERIFY(!QFileInfo(converter).isSymLink());
    QVERIFY(!QFileInfo::exists(converter));
    QVERIFY(QFileInfo(target).isExecutable()); // the link went, not the converter it points to
    QVERIFY(session.ui.calls.isEmpty());

    // A second close does not end the program twice.
    form.close();
    QCOMPARE(session.ended, 1);
}

void StartupTest::helpButton() {
    IsolatedEnvironment env;
    Session session;
    Form1& form = session.Load();
    form.PushButton3->click();
    QCOMPARE(session.ui.calls.size(), 1);
    const ScriptedUi::Call call = session.ui.calls.first();
    QCOMPARE(call.kind, QStringLiteral("message"));
    QCOMPARE(call.text, QStringLiteral("This program will:\r\r*extract text from a PDF.\r\rThis program will not:\r\r"
                                       "*extract an image representing text from a PDF (text within an image within "
                                       "a PDF).\r\rCertain PDF files are unreadble by all third-party softwares such "
                                       "as this. Please try this software before you purchase."));
    QVERIFY(!call.text.contains(u'\n'));
    QCOMPARE(call.caption, QStringLiteral("Lexitally"));
    QCOMPARE(call.buttons, MsgButtons::Ok);
    QCOMPARE(call.icon, MsgIcon::None);
    // It reads and changes nothing.
    QCOMPARE(States(form), QStringLiteral("101001"));
    QCOMPARE(form.ListView1->topLevelItemCount(), 0);
}

// ---------------------------------------------------------------- provider check

void StartupTest::checkDatabaseProvider_data() {
    QTest::addColumn<bool>("available");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("description");
    QTest::addColumn<bool>("throws");
    QTest::addColumn<bool>("quiet");
    QTest::addColumn<bool>("withUi");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("boxes");
    QTest::addColumn<int>("pages");
    const QString missing = QStringLiteral("Provider cannot be found. It may not be properly installed.");
    const int yes = int(MsgAnswer::Yes);
    const int no = int(MsgAnswer::No);
    QTest::newRow("available") << true << 0 << "" << false << false << true << no << 0 << 0;
    QTest::newRow("missing, quiet") << false << 3706 << missing << false << true << true << yes << 0 << 0;
    QTest::newRow("missing, No") << false << 3706 << missing << false << false << true << no << 1 << 0;
    QTest::newRow("missing, Yes") << false << 3706 << missing << false << false << true << yes << 1 << 1;
    QTest::newRow("recognised by its text")
        << false << 0 << "ERROR: PROVIDER CANNOT BE FOUND" << false << false << true << no << 1 << 0;
    QTest::newRow("other failure, not quiet")
        << false << 429 << "ActiveX component can't create object" << false << false << true << yes << 0 << 0;
    QTest::newRow("other failure, quiet") << false << 429 << "Out of memory" << false << true << true << yes << 0 << 0;
    QTest::newRow("probe throws") << false << 0 << "driver crashed" << true << false << true << yes << 0 << 0;
    QTest::newRow("no Ui") << false << 3706 << missing << false << false << false << yes << 0 << 0;
}

void StartupTest::checkDatabaseProvider() {
    QFETCH(bool, available);
    QFETCH(int, number);
    QFETCH(QString, description);
    QFETCH(bool, throws);
    QFETCH(bool, quiet);
    QFETCH(bool, withUi);
    QFETCH(int, answer);
    QFETCH(int, boxes);
    QFETCH(int, pages);
    ScriptedUi ui;
    ui.Answer(static_cast<MsgAnswer>(answer));
    const ProviderProbe probe = [&]() -> ProviderProbeResult {
        if (throws) {
            throw std::runtime_error(description.toStdString());
        }
        return {available, number, description};
    };
    QCOMPARE(CheckDatabaseProvider(quiet, withUi ? &ui : nullptr, probe), available);
    QCOMPARE(ui.Messages().size(), boxes);
    if (boxes > 0) {
        QCOMPARE(ui.Messages().first().text, kAdvice);
        QCOMPARE(ui.Messages().first().buttons, MsgButtons::YesNo);
    }
    for (const ScriptedUi::Call& call : ui.Messages()) {
        QVERIFY(call.caption != QStringLiteral("Application Error")); // never the error report
    }
    QCOMPARE(ui.calls.size() - ui.Messages().size(), pages);
    if (pages > 0) {
        QCOMPARE(ui.calls.last().kind, QStringLiteral("openUrl"));
        QCOMPARE(ui.calls.last().extra, kInstallPage);
    }
}

void StartupTest::realProviderProbe() {
    const QStringList before = QSqlDatabase::connectionNames();
    const ProviderProbeResult found = ProbeSqliteDriver();
    QVERIFY2(found.available, qPrintable(found.description));
    QCOMPARE(QSqlDatabase::connectionNames(), before);
    ScriptedUi ui;
    QVERIFY(CheckDatabaseProvider(false, &ui));
    QVERIFY(ui.calls.isEmpty());
}

// ---------------------------------------------------------------- layout

void StartupTest::controlsAndCaptions_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("parent");
    QTest::newRow("PushButton3") << "PushButton3"
                                 << "Help"
                                 << "Form1";
    QTest::newRow("PushButton1") << "PushButton1"
                                 << "Add PDF File(s)"
                                 << "Form1";
    QTest::newRow("PushButton4") << "PushButton4"
                                 << "Add All PDF File(s) In Folder"
                                 << "Form1";
    QTest::newRow("PushButton6") << "PushButton6"
                                 << "Clear List"
                                 << "Form1";
    QTest::newRow("PushButton7") << "PushButton7"
                                 << "Load Sample/Example Files"
                                 << "Form1";
    QTest::newRow("PushButton2") << "PushButton2"
                                 << "Start Analyzing"
                                 << "Form1";
    QTest::newRow("Frame2") << "Frame2"
                            << "Options"
                            << "Form1";
    QTest::newRow("Frame1") << "Frame1"
                            << "Processing Speed Option"
                            << "Form1";
    QTest::newRow("Option1") << "Option1"
                             << "Give one count for all PDF files"
                             << "Frame2";
    QTest::newRow("Option2") << "Option2"
                             << "Give separate counts for each PDF file"
                             << "Frame2";
    QTest::newRow("Check3") << "Check3"
                            << "Ignore letter case when counting duplicate words"
                            << "Frame2";
    QTest::newRow("Check1") << "Check1"
                            << "Prompt for password because PDF files are password protected"
                            << "Frame2";
    QTest::newRow("Option3") << "Option3"
                             << "Database Method (faster)"
                             << "Frame1";
    QTest::newRow("Option4") << "Option4"
                             << "Regular Text Method (slower)"
                             << "Frame1";
    QTest::newRow("ProgressBar1") << "ProgressBar1"
                                  << "Progress Bar"
                                  << "Form1";
    QTest::newRow("ListView1") << "ListView1"
                               << "PDF Files"
                               << "Form1";
    // The additions beside them.
    QTest::newRow("CheckAllLetters") << "CheckAllLetters"
                                     << "Every alphabet, not only A\u2013Z"
                                     << "Frame2";
    QTest::newRow("CheckStopWords") << "CheckStopWords"
                                    << "Leave out common words"
                                    << "Frame2";
    QTest::newRow("LabelStopWords") << "LabelStopWords"
                                    << "List:"
                                    << "Frame2";
}

void StartupTest::controlsAndCaptions() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, parent);
    IsolatedEnvironment env;
    Session session;
    Form1& form = session.Load();
    auto* widget = form.findChild<QWidget*>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(widget->parentWidget()->objectName(), parent);
    QString text;
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        text = button->text();
    } else if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
        text = frame->title();
    } else if (auto* bar = dynamic_cast<GuiProgressBar*>(widget)) {
        text = bar->text();
    } else if (auto* list = qobject_cast<QTreeWidget*>(widget)) {
        text = list->headerItem()->text(0);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        text = label->text();
    }
    QCOMPARE(text, caption);
}

void StartupTest::layoutFollowsWindow_data() {
    QTest::addColumn<int>("extraWidth");
    QTest::addColumn<int>("extraHeight");
    QTest::newRow("design size") << 0 << 0;
    QTest::newRow("wider") << 300 << 0;
    QTest::newRow("taller") << 0 << 250;
    QTest::newRow("both") << 420 << 310;
}

void StartupTest::layoutFollowsWindow() {
    QFETCH(int, extraWidth);
    QFETCH(int, extraHeight);
    IsolatedEnvironment env;
    Session session;
    Form1& form = session.Load();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QSize designed = form.size();
    const QRect listAtDesign = form.ListView1->geometry();
    form.resize(designed + QSize(extraWidth, extraHeight));
    QTRY_COMPARE(form.size(), designed + QSize(extraWidth, extraHeight));

    // The list takes all the extra room.
    QCOMPARE(form.ListView1->width(), listAtDesign.width() + extraWidth);
    QCOMPARE(form.ListView1->height(), listAtDesign.height() + extraHeight);

    // Top to bottom, nothing overlaps, everything stays inside the window.
    const QList<QList<QWidget*>> rows = {
        {form.PushButton3},
        {form.ListView1},
        {form.PushButton1, form.PushButton4},
        {form.PushButton6, form.PushButton7},
        {form.Frame2},
        {form.Frame1},
        {form.PushButton2},
        {form.ProgressBar1},
    };
    int previousBottom = -1;
    for (const QList<QWidget*>& row : rows) {
        int bottom = 0;
        int previousRight = -1;
        for (QWidget* widget : row) {
            const QRect r = widget->geometry();
            QVERIFY2(form.rect().contains(r), qPrintable(widget->objectName()));
            QVERIFY2(r.top() > previousBottom, qPrintable(widget->objectName()));
            QVERIFY2(r.left() > previousRight, qPrintable(widget->objectName()));
            previousRight = r.right();
            bottom = std::max(bottom, r.bottom());
        }
        previousBottom = bottom;
    }
    // The progress bar keeps its distance to the bottom edge.
    QVERIFY(form.height() - form.ProgressBar1->geometry().bottom() < TwipsToPixels(600, &form));
    // The controls of each frame fit inside it, one below the other.
    for (const QList<QWidget*>& frame :
         QList<QList<QWidget*>>{{form.Option1, form.Option2, form.Check3, form.Check1}, {form.Option3, form.Option4}}) {
        int bottom = -1;
        for (QWidget* widget : frame) {
            QVERIFY2(widget->parentWidget()->rect().contains(widget->geometry()), qPrintable(widget->objectName()));
            QVERIFY2(widget->geometry().top() > bottom, qPrintable(widget->objectName()));
            bottom = widget->geometry().bottom();
        }
    }
    // The word options stand in a column of their own beside the design's options: the two boxes
    // share their left edge, the list's caption and chooser stand under them; each shows its
    // whole caption, inside the frame, on none of the design's controls.
    const QList<QWidget*> additions{form.CheckAllLetters, form.CheckStopWords, form.LabelStopWords, form.ComboStopWords,
                                    form.ButtonMoreOptions};
    QCOMPARE(form.CheckAllLetters->x(), form.CheckStopWords->x());
    QVERIFY(form.CheckAllLetters->geometry().bottom() < form.CheckStopWords->y());
    QVERIFY(form.CheckStopWords->geometry().bottom() < form.ComboStopWords->y());
    QVERIFY(form.LabelStopWords->x() > form.CheckStopWords->x());
    QVERIFY(form.LabelStopWords->geometry().right() < form.ComboStopWords->x());
    QCOMPARE(form.LabelStopWords->buddy(), form.ComboStopWords);
    for (QWidget* widget : additions) {
        const QString name = widget->objectName();
        QVERIFY2(form.Frame2->rect().contains(widget->geometry()), qPrintable(name));
        QVERIFY2(widget->sizeHint().width() <= widget->width(), qPrintable(name));
        for (QWidget* design : {static_cast<QWidget*>(form.Option1), static_cast<QWidget*>(form.Option2),
                                static_cast<QWidget*>(form.Check3), static_cast<QWidget*>(form.Check1)}) {
            QVERIFY2(!widget->geometry().intersects(design->geometry()),
                     qPrintable(name + QStringLiteral(" on ") + design->objectName()));
        }
    }
}

void StartupTest::tabOrder_data() {
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("order");
    const QStringList top{"PushButton3", "ListView1", "PushButton1", "PushButton4", "PushButton6", "PushButton7"};
    QTest::newRow("design options") << QStringList{}
                                    << top + QStringList{"Option1", "CheckAllLetters", "CheckStopWords",
                                                         "Check3",  "Check1",          "ButtonMoreOptions",
                                                         "Option3", "PushButton2"};
    QTest::newRow("other options") << QStringList{"Option1=False", "Option2=True", "Option3=False", "Option4=True"}
                                   << top + QStringList{"Option2", "CheckAllLetters", "CheckStopWords",
                                                        "Check3",  "Check1",          "ButtonMoreOptions",
                                                        "Option4", "PushButton2"};
}

// Tab walks the main window top to bottom, left to right, entering each option group at its
// selected option; every button is reached, and Tab after the last goes back to the first.
void StartupTest::tabOrder() {
    QFETCH(QStringList, stored);
    QFETCH(QStringList, order);
    IsolatedEnvironment env;
    Store(stored);
    Session session;
    Form1& form = session.Load();
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QApplication::setActiveWindow(&form);
    form.PushButton3->setFocus();
    QStringList seen{QApplication::focusWidget()->objectName()};
    for (qsizetype i = 0; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        seen << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(seen, order + QStringList{"PushButton3"});

    // Within a group the arrow keys choose, and the focus follows the selected option.
    QRadioButton* selected = form.Option1->isChecked() ? form.Option1 : form.Option2;
    QRadioButton* other = selected == form.Option1 ? form.Option2 : form.Option1;
    selected->setFocus(Qt::TabFocusReason);
    QTest::keyClick(selected, selected == form.Option1 ? Qt::Key_Down : Qt::Key_Up);
    QVERIFY(other->isChecked());
    QCOMPARE(QApplication::focusWidget(), other);
    QCOMPARE(Stored(other->objectName()), QStringLiteral("True"));
}

LEXITALLY_GUI_TEST_MAIN(StartupTest)
#include "test_startup.moc"
