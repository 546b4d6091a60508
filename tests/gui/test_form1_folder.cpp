// Adding many files at once to the main window's list: the folder button, files and folders
// dropped on the list, and the bundled sample files.

#include "core/base/Places.h"
#include "core/base/Settings.h"
#include "core/filelist/Samples.h"
#include "support/Form1Session.h"
#include "support/GuiTestMain.h"
#include "support/PdfFixtures.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

namespace {

const QString kCancel = QStringLiteral("<cancel>");
const QString kAbsent = QStringLiteral("<absent>");
const QString kQuestion = QStringLiteral("Would you like this software to open the folder where these sample files are "
                                         "stored (so that you can view them before working with them)?");

QString StoredSetting(const QString& key) {
    SettingsStore store;
    return store.Contains(key) ? store.Get(key) : kAbsent;
}

// Mime data for a drag: "files" (local file urls), "text", "web" (a remote url), "files+text".
QMimeData* DragData(const QString& kind, const QStringList& paths) {
    auto* data = new QMimeData;
    if (kind.contains(QStringLiteral("files"))) {
        QList<QUrl> urls;
        for (const QString& path : paths) {
            urls << QUrl::fromLocalFile(path);
        }
        data->setUrls(urls);
    }
    if (kind == QStringLiteral("web")) {
        data->setUrls({QUrl(QStringLiteral("https://example.org/report.pdf"))});
    }
    if (kind.contains(QStringLiteral("text"))) {
        data->setText(paths.join(u'\n'));
    }
    return data;
}

// Sends a drag enter (and move) over the list; true when the list takes it.
bool DragOver(QWidget* viewport, const QMimeData* data) {
    const QPoint centre = viewport->rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    const bool accepted = enter.isAccepted() && enter.dropAction() != Qt::IgnoreAction;
    QDragMoveEvent move(centre, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    return accepted && move.isAccepted();
}

void DropOn(QWidget* viewport, const QMimeData* data) {
    QDropEvent drop(viewport->rect().center(), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, data, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
}

} // namespace

class Form1FolderTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void folderButton_data();
    void folderButton();

    void drop_data();
    void drop();
    void dragWithoutFiles_data();
    void dragWithoutFiles();

    void samplesRecordedOnce();
    void samplesButton_data();
    void samplesButton();

private:
    QString File(const QString& name) const { return m_files.path() + u'/' + name; }
    QStringList Files(const QStringList& names) const { return InFolder(m_files.path(), names); }
    // An application folder of the test's own: the template database and two sample PDFs.
    QString MakeAppFolder(IsolatedEnvironment& env) const;

    QTemporaryDir m_files;
};

void Form1FolderTest::initTestCase() {
    QVERIFY(m_files.isValid());
    auto pdf = [this](const QString& name) {
        return !MakeTextPdf(File(name), {QStringLiteral("Readable words in ") + name}).isEmpty();
    };
    // The folder of the folder button.
    for (const char* name : {"D/a.pdf", "D/~tmp.pdf", "D/b.PDF", "D/S/c.pdf"}) {
        QVERIFY(pdf(name));
    }
    WriteTextFile(File("D/notes.txt"), "Not a PDF, so not listed by the folder button.\n");
    // Folders and files to drop.
    QVERIFY(pdf("F1/a.pdf"));
    QVERIFY(pdf("F1/~lock.pdf"));
    WriteTextFile(File("F1/notes.txt"), "Plain notes.\n");
    QVERIFY(pdf("F2/b.pdf"));
    QVERIFY(pdf("F2/sub/c.pdf"));
    QVERIFY(pdf("F3/ok.pdf"));
    QVERIFY(pdf("F3/bell\adir/in.pdf"));
    QVERIFY(pdf("one.pdf"));
    QVERIFY(pdf("two.pdf"));
    QVERIFY(!MakeZipAsPdf(File("report.docx")).isEmpty());
}

QString Form1FolderTest::MakeAppFolder(IsolatedEnvironment& env) const {
    const QString app = env.Root() + QStringLiteral("/app");
    QDir().mkpath(app + QStringLiteral("/Samples"));
    QFile::copy(TestAppDir() + QStringLiteral("/dbBlank.sqlite"), app + QStringLiteral("/dbBlank.sqlite"));
    for (const QString& name : {QStringLiteral("beta.pdf"), QStringLiteral("alpha.pdf")}) {
        MakeTextPdf(app + QStringLiteral("/Samples/") + name, {QStringLiteral("Sample words of ") + name});
    }
    env.Set("LEXITALLY_APP_DIR", app);
    return app;
}

// ---------------------------------------------------------------- folder button

void Form1FolderTest::folderButton_data() {
    QTest::addColumn<QString>("lastFolder"); // stored before the start; kAbsent = none
    QTest::addColumn<QString>("answer");     // "@" = the fixture folder; kCancel = cancelled
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QStringList>("rows"); // beside the row "@/gone.pdf" listed before
    QTest::addColumn<QString>("storedAfter");

    const QStringList tree{"@/D/a.pdf", "@/D/b.PDF", "@/D/S/c.pdf"};
    QTest::newRow("first use") << kAbsent << "@/D" << 1 << tree << "@/D";
    QTest::newRow("opens on the last folder") << "@/F1"
                                              << "@/D" << 1 << tree << "@/D";
    QTest::newRow("answer with a closing slash") << kAbsent << "@/D/" << 1 << tree << "@/D/";
    QTest::newRow("twice doubles the rows") << kAbsent << "@/D" << 2 << tree + tree << "@/D";
    QTest::newRow("cancel keeps the last folder") << "@/F1" << kCancel << 1 << QStringList{} << "@/F1";
    QTest::newRow("cancel on first use") << kAbsent << kCancel << 1 << QStringList{} << kAbsent;
}

void Form1FolderTest::folderButton() {
    QFETCH(QString, lastFolder);
    QFETCH(QString, answer);
    QFETCH(int, clicks);
    QFETCH(QStringList, rows);
    QFETCH(QString, storedAfter);
    const auto expand = [this](QString text) { return text.replace(u'@', m_files.path()); };

    IsolatedEnvironment env;
    if (lastFolder != kAbsent) {
        SettingsStore().Save(QStringLiteral("LastFolder"), expand(lastFolder));
    }
    const QStringList folderBefore = FolderSnapshot(File("D"));
    Form1Session s;
    const QString gone = File("gone.pdf");
    s->AddFileRow(gone);
    for (int i = 0; i < clicks; ++i) {
        if (answer == kCancel) {
            s.ui.Answer(QString());
        } else {
            s.ui.Answer(expand(answer));
        }
        s.ui.Answer(MsgAnswer::Ok); // the check's box naming the missing file
        s->PushButton4_Click();
    }

    const auto pickers = s.Calls(QStringLiteral("folder"));
    QCOMPARE(pickers.size(), clicks);
    for (int i = 0; i < clicks; ++i) {
        QCOMPARE(pickers[i].caption, QStringLiteral("Please select folder:"));
        const QString start = i == 0 ? (lastFolder == kAbsent ? QString() : expand(lastFolder)) : expand(answer);
        QCOMPARE(pickers[i].extra, start);
    }
    QStringList expected{gone};
    for (const QString& row : rows) {
        expected << expand(row);
    }
    QCOMPARE(s->FileListPaths(), expected);
    QCOMPARE(StoredSetting(QStringLiteral("LastFolder")), storedAfter == kAbsent ? kAbsent : expand(storedAfter));
    // The readability check ran after every click, cancelled or not.
    QCOMPARE(s.ui.MessageTexts(), QStringList(clicks, UnreadableBox({gone})));
    QVERIFY(!s->IsBusy());
    QCOMPARE(FolderSnapshot(File("D")), folderBefore);
}

// ---------------------------------------------------------------- dropping files and folders

void Form1FolderTest::drop_data() {
    QTest::addColumn<bool>("realEvent"); // a QDropEvent on the list, else the handler directly
    QTest::addColumn<QList<QStringList>>("drops");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("unreadable");

    for (const bool real : {false, true}) {
        const char* how = real ? "drop event" : "handler";
        QTest::addRow("%s: two files in drop order", how)
            << real << QList<QStringList>{{"two.pdf", "one.pdf"}} << QStringList{"two.pdf", "one.pdf"} << QStringList{};
        QTest::addRow("%s: a folder gives every type but ~ files", how)
            << real << QList<QStringList>{{"F1"}} << QStringList{"F1/a.pdf", "F1/notes.txt"}
            << QStringList{"F1/notes.txt"};
        QTest::addRow("%s: two folders at once", how)
            << real << QList<QStringList>{{"F2", "F1"}}
            << QStringList{"F2/b.pdf", "F2/sub/c.pdf", "F1/a.pdf", "F1/notes.txt"} << QStringList{"F1/notes.txt"};
        QTest::addRow("%s: the same folder in two drops", how)
            << real << QList<QStringList>{{"F2"}, {"F2"}}
            << QStringList{"F2/b.pdf", "F2/sub/c.pdf", "F2/b.pdf", "F2/sub/c.pdf"} << QStringList{};
        QTest::addRow("%s: a file of another type is added and named", how)
            << real << QList<QStringList>{{"one.pdf", "report.docx"}} << QStringList{"one.pdf", "report.docx"}
            << QStringList{"report.docx"};
    }
    QTest::newRow("handler: a folder that is not searched is named with its reason")
        << false << QList<QStringList>{{"F3"}} << QStringList{"F3/ok.pdf"}
        << QStringList{"F3/bell\adir  - the folder was not searched: its name holds a control character or is "
                       "not valid UTF-8"};
    QTest::newRow("handler: a missing file is added as dropped")
        << false << QList<QStringList>{{"gone.pdf"}} << QStringList{"gone.pdf"} << QStringList{"gone.pdf"};
}

void Form1FolderTest::drop() {
    QFETCH(bool, realEvent);
    QFETCH(QList<QStringList>, drops);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, unreadable);

    const QStringList before = FolderSnapshot(m_files.path());
    Form1Session s;
    QVERIFY(s.Show());
    for (const QStringList& dropped : drops) {
        if (realEvent) {
            std::unique_ptr<QMimeData> data(DragData(QStringLiteral("files"), Files(dropped)));
            QVERIFY(DragOver(s->ListView1->viewport(), data.get()));
            DropOn(s->ListView1->viewport(), data.get());
        } else {
            s->ListView1_OLEDragDrop(Files(dropped));
        }
    }
    QCOMPARE(s->FileListPaths(), Files(rows));
    if (unreadable.isEmpty()) {
        QVERIFY2(s.ui.calls.isEmpty(), qPrintable(s.ui.MessageTexts().join(u'\n')));
    } else {
        QCOMPARE(s.ui.MessageTexts(), QStringList{UnreadableBox(Files(unreadable))});
    }
    QCOMPARE(FolderSnapshot(m_files.path()), before);
}

void Form1FolderTest::dragWithoutFiles_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("text") << "text" << false;
    QTest::newRow("a web address") << "web" << false;
    QTest::newRow("files") << "files" << true;
    QTest::newRow("files with text") << "files+text" << true;
}

void Form1FolderTest::dragWithoutFiles() {
    QFETCH(QString, kind);
    QFETCH(bool, accepted);

    Form1Session s;
    QVERIFY(s.Show());
    QWidget* viewport = s->ListView1->viewport();
    std::unique_ptr<QMimeData> data(DragData(kind, Files({"one.pdf"})));
    QCOMPARE(DragOver(viewport, data.get()), accepted);

    // A drop without files adds nothing, even where the list took an earlier drag of files.
    std::unique_ptr<QMimeData> files(DragData(QStringLiteral("files"), Files({"two.pdf"})));
    QVERIFY(DragOver(viewport, files.get()));
    DropOn(viewport, data.get());
    QCOMPARE(s->FileListPaths(), accepted ? Files({"one.pdf"}) : QStringList{});
    QCOMPARE(s.ui.calls.size(), 0);
}

// ---------------------------------------------------------------- sample files

void Form1FolderTest::samplesRecordedOnce() {
    IsolatedEnvironment env;
    const QString app = MakeAppFolder(env);
    QCOMPARE(StoredSetting(kSnapshotKey), kAbsent);
    QString recorded;
    {
        Form1Session first;
        recorded = StoredSetting(kSnapshotKey);
        QVERIFY(recorded != kAbsent && !recorded.isEmpty());
        QVERIFY2(!recorded.contains(QStringLiteral("Samples")), "the list is stored scrambled");
        QCOMPARE(first.loadCalls.size(), 0);
    }
    // A file that arrives later is not offered: the next start keeps the recorded list.
    MakeTextPdf(app + QStringLiteral("/Samples/late.pdf"), {QStringLiteral("Sample words arriving late")});
    Form1Session second;
    QCOMPARE(StoredSetting(kSnapshotKey), recorded);
    second->PushButton7_Click();
    QCOMPARE(second->FileListPaths(), InFolder(app + QStringLiteral("/Samples"), {"alpha.pdf", "beta.pdf"}));
}

void Form1FolderTest::samplesButton_data() {
    QTest::addColumn<QStringList>("before");  // rows listed first, in the sample folder
    QTest::addColumn<QStringList>("deleted"); // samples deleted after the start
    QTest::addColumn<QStringList>("answers"); // one click per answer: "Yes" or "No"
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("unreadable");

    QTest::newRow("adds the samples in recorded order")
        << QStringList{} << QStringList{} << QStringList{"No"} << QStringList{"alpha.pdf", "beta.pdf"} << QStringList{};
    QTest::newRow("twice adds once and asks twice") << QStringList{} << QStringList{} << QStringList{"No", "No"}
                                                    << QStringList{"alpha.pdf", "beta.pdf"} << QStringList{};
    QTest::newRow("Yes opens the sample folder") << QStringList{} << QStringList{} << QStringList{"Yes"}
                                                 << QStringList{"alpha.pdf", "beta.pdf"} << QStringList{};
    QTest::newRow("Yes without an opener names the folder")
        << QStringList{} << QStringList{} << QStringList{"Yes, no opener"} << QStringList{"alpha.pdf", "beta.pdf"}
        << QStringList{};
    QTest::newRow("a listed sample is not added again") << QStringList{"beta.pdf"} << QStringList{} << QStringList{"No"}
                                                        << QStringList{"beta.pdf", "alpha.pdf"} << QStringList{};
    QTest::newRow("a deleted sample is skipped silently")
        << QStringList{} << QStringList{"alpha.pdf"} << QStringList{"No"} << QStringList{"beta.pdf"} << QStringList{};
    QTest::newRow("every sample deleted: still asks") << QStringList{} << QStringList{"alpha.pdf", "beta.pdf"}
                                                      << QStringList{"Yes", "No"} << QStringList{} << QStringList{};
    QTest::newRow("letter case differs: the sample is still added")
        << QStringList{"ALPHA.pdf"} << QStringList{} << QStringList{"No"}
        << QStringList{"ALPHA.pdf", "alpha.pdf", "beta.pdf"} << QStringList{"ALPHA.pdf"};
}

void Form1FolderTest::samplesButton() {
    QFETCH(QStringList, before);
    QFETCH(QStringList, deleted);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, unreadable);

    IsolatedEnvironment env;
    const QString samples = MakeAppFolder(env) + QStringLiteral("/Samples");
    Form1Session s;
    for (const QString& name : deleted) {
        QVERIFY(QFile::remove(samples + u'/' + name));
    }
    s->AddFileRows(InFolder(samples, before));
    for (const QString& answer : answers) {
        s.ui.openUrlWorks = answer != QStringLiteral("Yes, no opener");
        s.ui.Answer(answer.startsWith(QStringLiteral("Yes")) ? MsgAnswer::Yes : MsgAnswer::No);
        s->PushButton7_Click();
    }

    QCOMPARE(s->FileListPaths(), InFolder(samples, rows));
    QStringList expectedBoxes;
    for (const QString& answer : answers) {
        expectedBoxes << kQuestion;
        if (answer == QStringLiteral("Yes, no opener")) {
            expectedBoxes << QStringLiteral("The folder could not be opened on this computer. You can open it "
                                            "yourself:\r\n\r\n") +
                                 samples + u'/';
        }
    }
    if (!unreadable.isEmpty()) {
        expectedBoxes << UnreadableBox(InFolder(samples, unreadable));
    }
    QCOMPARE(s.ui.MessageTexts(), expectedBoxes);
    for (const ScriptedUi::Call& box : s.ui.Messages()) {
        if (box.text == kQuestion) {
            QCOMPARE(box.caption, kCaption);
            QCOMPARE(box.buttons, MsgButtons::YesNo);
            QCOMPARE(box.icon, MsgIcon::None);
        }
    }
    const auto opened = s.Calls(QStringLiteral("openUrl"));
    QCOMPARE(opened.size(), static_cast<qsizetype>(answers.filter(QStringLiteral("Yes")).size()));
    for (const ScriptedUi::Call& call : opened) {
        QCOMPARE(QUrl(call.extra).toLocalFile(), samples + u'/');
    }
}

LEXITALLY_GUI_TEST_MAIN(Form1FolderTest)

#include "test_form1_folder.moc"
