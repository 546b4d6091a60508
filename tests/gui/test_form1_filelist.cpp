// The main window's file list: adding through the dialog with the readability check that
// follows, removing, clearing and reordering rows with the mouse.

#include "core/base/Help.h"
#include "core/base/Places.h"
#include "core/base/Settings.h"
#include "gui/MessageDialog.h"
#include "gui/QtUi.h"
#include "support/Form1Session.h"
#include "support/GuiTestMain.h"
#include "support/PdfFixtures.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <optional>

namespace {
const QString kCancel = QStringLiteral("<cancel>");
const QString kDialogTitle = QStringLiteral("Add File(s) - Hold Ctrl to select multiple files");
const QString kDialogFilter = QStringLiteral("PDF Files (*.pdf)|*.pdf|");
} // namespace

class Form1FileListTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void addFiles_data();
    void addFiles();
    void oddNameAddedUnchanged();

    void removeRow_data();
    void removeRow();
    void clearList_data();
    void clearList();

    void dragReorder_data();
    void dragReorder();

    void pointerRules_data();
    void pointerRules();

    void messageBoxFitsTheScreen_data();
    void messageBoxFitsTheScreen();

    void checkShowsItsProgress_data();
    void checkShowsItsProgress();

private:
    QString File(const QString& name) const { return m_files.path() + u'/' + name; }
    QStringList Files(const QStringList& names) const { return InFolder(m_files.path(), names); }

    QTemporaryDir m_files;
};

void Form1FileListTest::initTestCase() {
    QVERIFY(m_files.isValid());
    for (const QString& name :
         {QStringLiteral("good1.pdf"), QStringLiteral("good2.pdf"), QStringLiteral("good3.pdf")}) {
        QVERIFY(!MakeTextPdf(File(name), {QStringLiteral("Readable words on the page of ") + name}).isEmpty());
    }
    QVERIFY(!MakeImagePdf(File(QStringLiteral("scan.pdf"))).isEmpty());
    QVERIFY(!MakeZipAsPdf(File(QStringLiteral("zip.pdf"))).isEmpty());
    WriteTextFile(File(QStringLiteral("notes.txt")), "Plain notes, not a PDF at all.\n");
    // The fixtures themselves: the good files give text, the others do not.
    QVERIFY(PdftotextText(File(QStringLiteral("good1.pdf"))).contains(QStringLiteral("Readable words")));
    QVERIFY(PdftotextText(File(QStringLiteral("scan.pdf"))).trimmed().isEmpty());
}

// ---------------------------------------------------------------- adding through the dialog

void Form1FileListTest::addFiles_data() {
    QTest::addColumn<QStringList>("before");     // rows already listed (added without a check)
    QTest::addColumn<QStringList>("chosen");     // what the dialog returns; kCancel = cancelled
    QTest::addColumn<QStringList>("rows");       // the list afterwards
    QTest::addColumn<QStringList>("unreadable"); // named by the check's box, in list order
    QTest::addColumn<int>("jobs");               // converters at once (0: the setting untouched); a slow converter

    QTest::newRow("one file") << QStringList{} << QStringList{"good1.pdf"} << QStringList{"good1.pdf"} << QStringList{}
                              << 0;
    QTest::newRow("several, in the order returned")
        << QStringList{} << QStringList{"good3.pdf", "good1.pdf", "good2.pdf"}
        << QStringList{"good3.pdf", "good1.pdf", "good2.pdf"} << QStringList{} << 0;
    QTest::newRow("same file twice") << QStringList{"good1.pdf"} << QStringList{"good1.pdf"}
                                     << QStringList{"good1.pdf", "good1.pdf"} << QStringList{} << 0;
    QTest::newRow("cancel, all readable")
        << QStringList{"good1.pdf"} << QStringList{kCancel} << QStringList{"good1.pdf"} << QStringList{} << 0;
    QTest::newRow("cancel on an empty list")
        << QStringList{} << QStringList{kCancel} << QStringList{} << QStringList{} << 0;
    QTest::newRow("cancel still checks the listed files")
        << QStringList{"good1.pdf", "scan.pdf", "gone.pdf", "notes.txt"} << QStringList{kCancel}
        << QStringList{"good1.pdf", "scan.pdf", "gone.pdf", "notes.txt"}
        << QStringList{"scan.pdf", "gone.pdf", "notes.txt"} << 0;
    QTest::newRow("earlier and new unreadable rows, rows stay")
        << QStringList{"scan.pdf"} << QStringList{"good2.pdf", "zip.pdf"}
        << QStringList{"scan.pdf", "good2.pdf", "zip.pdf"} << QStringList{"scan.pdf", "zip.pdf"} << 0;
    QTest::newRow("unreadable twice is named twice")
        << QStringList{"zip.pdf"} << QStringList{"zip.pdf"} << QStringList{"zip.pdf", "zip.pdf"}
        << QStringList{"zip.pdf", "zip.pdf"} << 0;
    // A converter that takes longest on the first rows: side by side they end out of order.
    for (const int jobs : {1, 3}) {
        QTest::addRow("cancel still checks the listed files, %d job(s)", jobs)
            << QStringList{"good1.pdf", "scan.pdf", "gone.pdf", "notes.txt"} << QStringList{kCancel}
            << QStringList{"good1.pdf", "scan.pdf", "gone.pdf", "notes.txt"}
            << QStringList{"scan.pdf", "gone.pdf", "notes.txt"} << jobs;
        QTest::addRow("earlier and new unreadable rows, %d job(s)", jobs)
            << QStringList{"scan.pdf", "good1.pdf"} << QStringList{"zip.pdf", "good2.pdf", "scan.pdf"}
            << QStringList{"scan.pdf", "good1.pdf", "zip.pdf", "good2.pdf", "scan.pdf"}
            << QStringList{"scan.pdf", "zip.pdf", "scan.pdf"} << jobs;
    }
}

void Form1FileListTest::addFiles() {
    QFETCH(QStringList, before);
    QFETCH(QStringList, chosen);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, unreadable);
    QFETCH(int, jobs);
    const QStringList folderBefore = FolderSnapshot(m_files.path());
    std::optional<IsolatedEnvironment> env;
    if (jobs > 0) {
        env.emplace();
        const QString sleepy = WriteTextFile(env->Work() + QStringLiteral("/bin/sleepy-pdftotext"),
                                             "#!/bin/sh\ncase \"$*\" in *good1*) sleep 0.6 ;; *scan*) sleep 0.3 ;; "
                                             "esac\nexec pdftotext \"$@\"\n");
        QFile::setPermissions(sleepy, QFile::permissions(sleepy) | QFileDevice::ExeOwner);
        env->Set("LEXITALLY_PDFTOTEXT", sleepy);
        SettingsStore().Save(QStringLiteral("Jobs"), QString::number(jobs));
    }

    Form1Session s;
    for (const QString& path : Files(before)) {
        s->AddFileRow(path);
    }
    if (chosen == QStringList{kCancel}) {
        s.ui.Answer(QStringList{});
    } else {
        s.ui.Answer(Files(chosen));
    }
    s->PushButton1_Click();

    const auto dialogs = s.Calls(QStringLiteral("openFiles"));
    QCOMPARE(dialogs.size(), 1);
    QCOMPARE(dialogs[0].caption, kDialogTitle);
    QCOMPARE(dialogs[0].extra, kDialogFilter);
    QCOMPARE(s->FileListPaths(), Files(rows));

    const auto boxes = s.ui.Messages();
    if (unreadable.isEmpty()) {
        QVERIFY2(boxes.isEmpty(), qPrintable(s.ui.MessageTexts().join(u'\n')));
    } else {
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, UnreadableBox(Files(unreadable)));
        QCOMPARE(boxes[0].caption, kCaption);
        QCOMPARE(boxes[0].buttons, MsgButtons::Ok);
        QCOMPARE(boxes[0].icon, MsgIcon::None);
    }
    QVERIFY(!s->IsBusy());
    QCOMPARE(s->ProgressBar1->Text(), QStringLiteral("Progress Bar"));
    // The check's conversions are gone, and nothing was written beside the user's files.
    QCOMPARE(LeftoverTexts(TempFolder()), QStringList{});
    QCOMPARE(FolderSnapshot(m_files.path()), folderBefore);
}

void Form1FileListTest::oddNameAddedUnchanged() {
    const QString pdf = MakeTextPdf(m_files.path() + QStringLiteral("/a folder, with 'blanks'/") + OddPdfName(),
                                    {QStringLiteral("Readable words in an oddly named file")});
    QVERIFY(!pdf.isEmpty());
    Form1Session s;
    s.ui.Answer(QStringList{pdf});
    s->PushButton1_Click();
    QCOMPARE(s->FileListPaths(), QStringList{pdf});
    QCOMPARE(s.ui.Messages().size(), 0);
}

// ---------------------------------------------------------------- removing and clearing

void Form1FileListTest::removeRow_data() {
    QTest::addColumn<QString>("action"); // "Delete", "Backspace", "Insert", "double click"
    QTest::addColumn<int>("selected");   // -1: no row selected
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QStringList>("rows");

    const QStringList all{"p1.pdf", "p2.pdf", "p3.pdf"};
    QTest::newRow("Delete removes the selected row") << "Delete" << 1 << false << QStringList{"p1.pdf", "p3.pdf"};
    QTest::newRow("Delete on the first row") << "Delete" << 0 << false << QStringList{"p2.pdf", "p3.pdf"};
    QTest::newRow("Delete on the last row") << "Delete" << 2 << false << QStringList{"p1.pdf", "p2.pdf"};
    QTest::newRow("double click removes the clicked row")
        << "double click" << 2 << false << QStringList{"p1.pdf", "p2.pdf"};
    QTest::newRow("Backspace removes nothing") << "Backspace" << 1 << false << all;
    QTest::newRow("Insert removes nothing") << "Insert" << 1 << false << all;
    QTest::newRow("Delete without a selection") << "Delete" << -1 << false << all;
    QTest::newRow("Delete while busy") << "Delete" << 1 << true << all;
    QTest::newRow("double click while busy") << "double click" << 1 << true << all;
}

void Form1FileListTest::removeRow() {
    QFETCH(QString, action);
    QFETCH(int, selected);
    QFETCH(bool, busy);
    QFETCH(QStringList, rows);

    Form1Session s;
    QVERIFY(s.Show());
    s->AddFileRows(Files({"p1.pdf", "p2.pdf", "p3.pdf"}));
    QTreeWidget* list = s->ListView1;
    list->clearSelection();
    if (selected >= 0 && action != QStringLiteral("double click")) {
        list->setCurrentItem(list->topLevelItem(selected));
    }
    s->SetBusy(busy);

    if (action == QStringLiteral("double click")) {
        // The window system's order: press, release, press, double click, release.
        const QPoint at = RowCentre(list, selected);
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
                                        QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
            const bool down = type != QEvent::MouseButtonRelease;
            SendMouse(list->viewport(), type, at, Qt::LeftButton, down ? Qt::LeftButton : Qt::NoButton);
        }
    } else {
        const int key = action == QStringLiteral("Delete")      ? Qt::Key_Delete
                        : action == QStringLiteral("Backspace") ? Qt::Key_Backspace
                                                                : Qt::Key_Insert;
        QTest::keyClick(list, static_cast<Qt::Key>(key));
    }
    QCOMPARE(s->FileListPaths(), Files(rows));
    QCOMPARE(s->IsBusy(), busy);
    QCOMPARE(s.ui.calls.size(), 0); // removing never asks and never checks
}

void Form1FileListTest::clearList_data() {
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<bool>("click"); // a real click on the button, else the handler
    QTest::newRow("clears every row") << 3 << false << false;
    QTest::newRow("a click on the button") << 2 << false << true;
    QTest::newRow("empty list") << 0 << false << false;
    QTest::newRow("busy: nothing removed") << 3 << true << false;
}

void Form1FileListTest::clearList() {
    QFETCH(int, rowCount);
    QFETCH(bool, busy);
    QFETCH(bool, click);

    Form1Session s;
    QStringList paths;
    for (int i = 1; i <= rowCount; ++i) {
        paths << File(QStringLiteral("row%1.pdf").arg(i));
    }
    s->AddFileRows(paths);
    s->SetBusy(busy);
    if (click) {
        QVERIFY(s.Show());
        QTest::mouseClick(s->PushButton6, Qt::LeftButton);
    } else {
        s->PushButton6_Click();
    }
    QCOMPARE(s->FileListPaths(), busy ? paths : QStringList{});
    QCOMPARE(s.ui.calls.size(), 0); // no question, no check
}

// ---------------------------------------------------------------- reordering by dragging

// The hand over the six buttons, the default pointer over the window, frames, Check3 and the
// list; nothing changes while the hourglass shows.
void Form1FileListTest::pointerRules_data() {
    QTest::addColumn<QString>("over");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<int>("shape");
    const int hand = int(Qt::BitmapCursor); // the hand cursor comes from HAND-M.CUR
    for (const char* button :
         {"PushButton1", "PushButton2", "PushButton3", "PushButton4", "PushButton6", "PushButton7"}) {
        QTest::addRow("%s", button) << QString::fromLatin1(button) << false << hand;
    }
    for (const char* area : {"Form1", "Frame1", "Frame2", "Check3", "list"}) {
        QTest::addRow("%s", area) << QString::fromLatin1(area) << false << int(Qt::ArrowCursor);
    }
    QTest::newRow("button while busy") << QStringLiteral("PushButton1") << true << int(Qt::WaitCursor);
    QTest::newRow("list while busy") << QStringLiteral("list") << true << int(Qt::WaitCursor);
}

void Form1FileListTest::pointerRules() {
    QFETCH(QString, over);
    QFETCH(bool, busy);
    QFETCH(int, shape);
    IsolatedEnvironment env;
    Form1Session session;
    session->setCursor(busy ? Qt::WaitCursor : Qt::CrossCursor);
    QWidget* target = over == QStringLiteral("Form1")  ? session.form.get()
                      : over == QStringLiteral("list") ? session->ListView1->viewport()
                                                       : session->findChild<QWidget*>(over);
    QVERIFY(target);
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QCOMPARE(int(session->cursor().shape()), shape);
}

void Form1FileListTest::dragReorder_data() {
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("press");         // row pressed on; -1 below the rows; -2 no press at all
    QTest::addColumn<bool>("releaseFirst"); // the button comes up before the moves
    QTest::addColumn<QList<int>>("moves");  // rows the pointer passes over, in order
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<int>("current"); // the selected row afterwards; -1: not checked

    const QStringList abc{"a.pdf", "b.pdf", "c.pdf"};
    QTest::newRow("first dragged down over second and third")
        << abc << 0 << false << QList<int>{1, 2} << QStringList{"b.pdf", "c.pdf", "a.pdf"} << 2;
    QTest::newRow("last dragged up over second and first")
        << abc << 2 << false << QList<int>{1, 0} << QStringList{"c.pdf", "a.pdf", "b.pdf"} << 0;
    QTest::newRow("down one and back again") << abc << 0 << false << QList<int>{1, 0} << abc << 0;
    QTest::newRow("moving about on the own row") << abc << 1 << false << QList<int>{1, 1} << abc << 1;
    QTest::newRow("row with equal text never exchanges")
        << QStringList{"a.pdf", "a.pdf", "c.pdf"} << 0 << false << QList<int>{1}
        << QStringList{"a.pdf", "a.pdf", "c.pdf"} << 0;
    QTest::newRow("past an equal row the drag goes on")
        << QStringList{"a.pdf", "a.pdf", "c.pdf"} << 0 << false << QList<int>{1, 2}
        << QStringList{"c.pdf", "a.pdf", "a.pdf"} << 2;
    QTest::newRow("moves after the button came up") << abc << 0 << true << QList<int>{1, 2} << abc << -1;
    QTest::newRow("moves without a press") << abc << -2 << false << QList<int>{0, 1, 2} << abc << -1;
    QTest::newRow("press below the rows") << abc << -1 << false << QList<int>{0, 1, 2} << abc << -1;
}

void Form1FileListTest::dragReorder() {
    QFETCH(QStringList, rows);
    QFETCH(int, press);
    QFETCH(bool, releaseFirst);
    QFETCH(QList<int>, moves);
    QFETCH(QStringList, after);
    QFETCH(int, current);

    Form1Session s;
    QVERIFY(s.Show());
    QTreeWidget* list = s->ListView1;
    QWidget* viewport = list->viewport();
    // A drag of an earlier row must not leak into a press beside the rows.
    s->AddFileRows(Files(rows));
    SendMouse(viewport, QEvent::MouseButtonPress, RowCentre(list, 2), Qt::LeftButton, Qt::LeftButton);
    SendMouse(viewport, QEvent::MouseButtonRelease, RowCentre(list, 2), Qt::LeftButton, Qt::NoButton);

    const QRect last = list->visualItemRect(list->topLevelItem(list->topLevelItemCount() - 1));
    const QPoint below(last.center().x(), last.bottom() + last.height());
    QVERIFY(below.y() < viewport->height());
    QPoint at;
    if (press != -2) {
        at = press >= 0 ? RowCentre(list, press) : below;
        SendMouse(viewport, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        if (releaseFirst) {
            SendMouse(viewport, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
        }
    }
    const Qt::MouseButtons held = press != -2 && !releaseFirst ? Qt::LeftButton : Qt::NoButton;
    for (const int row : moves) {
        at = RowCentre(list, row);
        SendMouse(viewport, QEvent::MouseMove, at, Qt::NoButton, held);
    }
    if (held != Qt::NoButton) {
        SendMouse(viewport, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    }

    QCOMPARE(s->FileListPaths(), Files(after));
    if (current >= 0) {
        QCOMPARE(list->indexOfTopLevelItem(list->currentItem()), current);
    }
    // After the button came up, further moves exchange nothing.
    const QStringList settled = s->FileListPaths();
    SendMouse(viewport, QEvent::MouseMove, RowCentre(list, 0), Qt::NoButton, Qt::NoButton);
    SendMouse(viewport, QEvent::MouseMove, RowCentre(list, 2), Qt::NoButton, Qt::NoButton);
    QCOMPARE(s->FileListPaths(), settled);
    QCOMPARE(s.ui.calls.size(), 0);
}

// ---------------------------------------------------------------- the check at work

void Form1FileListTest::checkShowsItsProgress_data() {
    QTest::addColumn<QString>("action"); // tried while the check runs
    QTest::addColumn<double>("seconds"); // each conversion takes
    QTest::addColumn<QStringList>("seen");
    QTest::addColumn<int>("jobs"); // converters at once
    // A short conversion leaves the bar at rest; one of more than five seconds counts on it.
    QTest::newRow("Clear List") << "clear" << 0.2 << QStringList{"0|Progress Bar"} << 1;
    QTest::newRow("Delete") << "delete" << 0.2 << QStringList{"0|Progress Bar"} << 1;
    QTest::newRow("double-click") << "double-click" << 0.2 << QStringList{"0|Progress Bar"} << 1;
    QTest::newRow("a long conversion") << "none" << 6.2
                                       << QStringList{"0|Progress Bar", "0|Please wait.. 0", "0|Please wait.. 1"} << 1;
    // Side by side the same: no text of its own, the count of the earliest file still converting.
    QTest::newRow("Clear List, side by side") << "clear" << 0.2 << QStringList{"0|Progress Bar"} << 3;
    QTest::newRow("long conversions side by side")
        << "none" << 6.2 << QStringList{"0|Progress Bar", "0|Please wait.. 0", "0|Please wait.. 1"} << 3;
}

// The check shows the bar as a conversion shows it, with no text of its own, and a click that
// the busy window ignores does nothing at all.
void Form1FileListTest::checkShowsItsProgress() {
    QFETCH(QString, action);
    QFETCH(double, seconds);
    QFETCH(QStringList, seen);
    QFETCH(int, jobs);
    IsolatedEnvironment env;
    SettingsStore().Save(QStringLiteral("Jobs"), QString::number(jobs));
    // A converter slow enough to be watched at work.
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    QVERIFY(!pdftotext.isEmpty());
    const QString slow = WriteTextFile(env.Work() + QStringLiteral("/bin/slow-pdftotext"),
                                       "#!/bin/sh\nsleep " + QByteArray::number(seconds) + "\nexec '" +
                                           pdftotext.toUtf8() + "' \"$@\"\n");
    QFile::setPermissions(slow, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    env.Set("LEXITALLY_PDFTOTEXT", slow);
    Form1Session s;
    QVERIFY(s.Show());
    const QStringList files = Files(action == "none" && jobs == 1 ? QStringList{"good1.pdf"}
                                                                  : QStringList{"good1.pdf", "good2.pdf", "good3.pdf"});
    QElapsedTimer clock;
    clock.start();
    s->AddFileRows(files);

    QStringList shown;
    QStringList formats;
    bool tried = false;
    QTimer watch;
    watch.setInterval(5);
    connect(&watch, &QTimer::timeout, this, [&] {
        const QString now = QString::number(s->ProgressBar1->Value()) + u'|' + s->ProgressBar1->Text();
        if (shown.isEmpty() || shown.last() != now) {
            shown << now;
        }
        if (!formats.contains(s->ProgressBar1->format())) {
            formats << s->ProgressBar1->format();
        }
        if (!tried) {
            tried = true;
            if (action == "clear") {
                QTest::mouseClick(s->PushButton6, Qt::LeftButton);
            } else if (action != "none") {
                s->ListView1->setCurrentItem(s->ListView1->topLevelItem(1));
                if (action == "delete") {
                    QTest::keyClick(s->ListView1, Qt::Key_Delete);
                } else {
                    const QPoint at = RowCentre(s->ListView1, 1);
                    for (const QEvent::Type type :
                         {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
                          QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
                        const bool down = type != QEvent::MouseButtonRelease;
                        SendMouse(s->ListView1->viewport(), type, at, Qt::LeftButton,
                                  down ? Qt::LeftButton : Qt::NoButton);
                    }
                }
            }
        }
    });
    watch.start();
    s->CheckReadability();
    watch.stop();

    // The bar at rest first, then the count going up; a busy machine may show a number late,
    // never one out of turn.
    QCOMPARE(shown.first(), seen.first());
    const QString waiting = QStringLiteral("0|Please wait.. ");
    const QStringList counts = shown.filter(waiting);
    QCOMPARE(counts.isEmpty(), seen.size() == 1);
    for (qsizetype i = 0; i < counts.size(); ++i) {
        QVERIFY2(counts[i].mid(waiting.size()).toInt() > (i == 0 ? -1 : counts[i - 1].mid(waiting.size()).toInt()) &&
                     (i > 0 || counts[i].mid(waiting.size()).toInt() <= 1),
                 qPrintable(shown.join(u'\n')));
    }
    // Nothing but the rest text and the count.
    for (const QString& state : std::as_const(shown)) {
        const QString text = state.section(u'|', 1);
        QVERIFY2(text == QStringLiteral("Progress Bar") || text.startsWith(QStringLiteral("Please wait.. ")),
                 qPrintable(state));
    }
    if (jobs > 1 && action == "none") {
        QVERIFY2(clock.elapsed() < 2 * seconds * 1000, qPrintable(QString::number(clock.elapsed())));
    }
    if (action != "none") {
        QCOMPARE(shown, seen);
        QCOMPARE(formats, QStringList{"Progress Bar"}); // nothing added to the bar either
    }
    QCOMPARE(s->ProgressBar1->Value(), 0.0);
    QCOMPARE(s->FileListPaths(), files); // the click did nothing
    QCOMPARE(s->ProgressBar1->format(), QStringLiteral("Progress Bar"));
    QVERIFY(!s->IsBusy());
    QCOMPARE(s.ui.calls.size(), 0);
}

// ---------------------------------------------------------------- message boxes on the screen

void Form1FileListTest::messageBoxFitsTheScreen_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("yesNo");
    QTest::addColumn<bool>("scrolls");
    QStringList notPdfs;
    QString noText = QStringLiteral("No text was found in PDF(s).\r\nThe following files could not be read:");
    for (int i = 1; i <= 80; ++i) {
        notPdfs << QStringLiteral("/home/reader/Downloads/folder of notes/notes-%1.txt").arg(i);
        noText += QStringLiteral("\r\n/home/reader/Downloads/folder of notes/notes-%1.txt  - text unreadable. Please "
                                 "view the file yourself to see if it is really a scanned image of text and not proper "
                                 "PDF text.")
                      .arg(i);
    }
    QTest::newRow("80 unreadable files") << UnreadableBox(notPdfs) << false << true;
    QTest::newRow("no text in 80 files") << noText << false << true;
    QTest::newRow("a path wider than the screen")
        << QStringLiteral("Are you sure you wish to overwrite /") + QString(300, u'x') + QStringLiteral(" ?") << true
        << true;
    QTest::newRow("Done.") << QStringLiteral("Done.") << false << false;
    QTest::newRow("help") << HelpText() << false << false;
}

// However long its text, a box stays inside the screen with OK in sight and the default; a short
// one is wide enough for its caption.
void Form1FileListTest::messageBoxFitsTheScreen() {
    QFETCH(QString, text);
    QFETCH(bool, yesNo);
    QFETCH(bool, scrolls);
    IsolatedEnvironment env;
    QWidget owner;
    owner.resize(400, 300);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    QtUi ui;
    QRect frame;
    QRect button;
    QRect room;
    QString shown;
    bool isDefault = false;
    bool area = false;
    QTimer::singleShot(0, &owner, [&] {
        auto* box = dynamic_cast<MessageDialog*>(QApplication::activeModalWidget());
        if (!box) {
            return;
        }
        frame = box->frameGeometry();
        room = MessageDialog::ScreenRoom(box);
        QPushButton* ok = box->DefaultButton();
        button = QRect(ok->mapToGlobal(QPoint(0, 0)), ok->size());
        isDefault = ok->isDefault() && ok->isVisible();
        area = box->TextArea() != nullptr;
        shown = area ? box->TextArea()->toPlainText() : box->TextLabel()->text();
        QTest::keyClick(box, Qt::Key_Return);
    });
    QTimer::singleShot(5000, &owner, [] {
        if (QWidget* left = QApplication::activeModalWidget()) {
            left->close();
        }
    });
    const MsgAnswer answer = ui.Message(text, kCaption, yesNo ? MsgButtons::YesNo : MsgButtons::Ok, MsgIcon::None);

    QVERIFY(frame.isValid());
    QCOMPARE(shown, QtUi::DisplayText(text)); // every character of the text, in one place
    QCOMPARE(area, scrolls);
    QVERIFY2(
        room.contains(frame),
        qPrintable(QStringLiteral("%1,%2 %3x%4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())));
    QVERIFY(frame.contains(button));
    QVERIFY(isDefault);
    QCOMPARE(answer, yesNo ? MsgAnswer::Yes : MsgAnswer::Ok); // Return presses the default
    QVERIFY(frame.width() > QFontMetrics(QApplication::font()).horizontalAdvance(kCaption) + 100);
}

LEXITALLY_GUI_TEST_MAIN(Form1FileListTest)
#include "test_form1_filelist.moc"
