#include "gui/CorpusViews.h"
#include "gui/DispersionView.h"
#include "gui/FileView.h"
#include "gui/Form2.h"
#include "support/Form1Session.h"
#include "support/GuiTestMain.h"
#include "support/PdfFixtures.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTableView>
#include <QtTest>

// a.pdf: "the cat sat on the mat" | "the Cat ran to the cat" (12 words, page 2 from word 6, "cat"
// at words 1, 7 and 11); b.pdf: "a dog and the cat" (5 words, "cat" at word 4).
class DispersionViewTest : public QObject {
    Q_OBJECT

private slots:
    void hitInItsFile_data() {
        QTest::addColumn<QString>("from"); // a mark of the plot, or a line of the words in context
        QTest::addColumn<int>("file");
        QTest::addColumn<int>("hit");       // the mark among the file's, or the line
        QTest::addColumn<double>("share");  // where the mark stands along its strip
        QTest::addColumn<bool>("tick");     // a page begins halfway along the strip
        QTest::addColumn<QString>("shown"); // page and hit labels
        QTest::addColumn<int>("key");       // then Alt with this key (0: none)
        QTest::addColumn<QString>("after");
        QTest::newRow("plot, first hit, next") << "plot" << 0 << 0 << 1 / 12.0 << true << "Page 1 of 2|Hit 1 of 3"
                                               << int(Qt::Key_N) << "Page 2 of 2|Hit 2 of 3";
        QTest::newRow("plot, last hit, previous") << "plot" << 0 << 2 << 11 / 12.0 << true << "Page 2 of 2|Hit 3 of 3"
                                                  << int(Qt::Key_P) << "Page 2 of 2|Hit 2 of 3";
        QTest::newRow("plot, one page") << "plot" << 1 << 0 << 0.8 << false << "Page 1 of 1|Hit 1 of 1" << 0 << "";
        QTest::newRow("words in context, previous") << "context" << 0 << 1 << 0.0 << false << "Page 2 of 2|Hit 2 of 3"
                                                    << int(Qt::Key_P) << "Page 1 of 2|Hit 1 of 3";
    }

    // A mark clicked where its hit stands, or a line double-clicked, shows the hit on its page;
    // the buttons go from hit to hit across pages; Esc closes the file view.
    void hitInItsFile() {
        QFETCH(QString, from);
        QFETCH(int, file);
        QFETCH(int, hit);
        QFETCH(double, share);
        QFETCH(bool, tick);
        QFETCH(QString, shown);
        QFETCH(int, key);
        QFETCH(QString, after);
        IsolatedEnvironment env;
        QVERIFY(EnsureConverterPlaced());
        const QString a =
            MakeTextPdf(env.Work() + QStringLiteral("/a.pdf"), {"the cat sat\non the mat", "the Cat ran to the cat"});
        const QString b = MakeTextPdf(env.Work() + QStringLiteral("/b.pdf"), {"a dog and the cat"});
        Form1Session s;
        QVERIFY(s.Show());
        s->AddFileRows({a, b});
        QTest::mouseClick(s->PushButton2, Qt::LeftButton);
        Form2& results = s->Results();
        QVERIFY(QTest::qWaitForWindowExposed(&results));
        for (int r = 0; r < results.Model()->rowCount(); ++r) {
            if (results.Model()->index(r, 0).data().toString() == QStringLiteral("cat")) {
                results.ListView1->setCurrentIndex(results.Model()->index(r, 0));
            }
        }
        CorpusAdditions* corpus = results.Corpus();
        if (from == QStringLiteral("plot")) {
            QTest::keyClick(results.ListView1, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
            auto* plot = results.findChild<DispersionView*>(QStringLiteral("DispersionView"));
            QVERIFY(plot && plot->isVisible());
            QTRY_VERIFY(!plot->Busy());
            QVERIFY(QTest::qWaitForWindowExposed(plot));
            QCOMPARE(plot->Summary->text(),
                     QStringLiteral("4 hits of \"cat\" in 2 of 2 files, 235.29 per 1,000 words"));
            const QRect strip = plot->Strips->StripRect(file);
            const QImage picture = plot->Strips->grab().toImage();
            const auto at = [&](double place) {
                return picture.pixel(strip.left() + static_cast<int>(place * strip.width()), strip.center().y());
            };
            QCOMPARE(at(0.5) != at(0.3), tick);
            if (file == 1) { // saved: the whole plot below its title as a picture, and as SVG
                for (QPushButton* button : {plot->PngButton, plot->SvgButton}) {
                    s.ui.Answer(env.Work() + QStringLiteral("/plot"));
                    QTest::mouseClick(button, Qt::LeftButton);
                }
                const QImage png(env.Work() + QStringLiteral("/plot.png"));
                QCOMPARE(png.width(), plot->Strips->width());
                QVERIFY(png.height() > 3 * plot->Strips->RowHeight());
                QVERIFY(ReadAll(env.Work() + QStringLiteral("/plot.svg")).contains("b.pdf"));
            }
            QTest::mouseClick(plot->Strips, Qt::LeftButton, {},
                              QPoint(strip.left() + static_cast<int>(share * strip.width()), strip.center().y()));
        } else {
            CorpusView* context = corpus->ShowConcordance();
            QVERIFY(QTest::qWaitForWindowExposed(context));
            QTableView* table = context->Table;
            const QPoint line = table->visualRect(table->model()->index(hit, 0)).center();
            // The window system's order: press, release, press, double click, release.
            for (const QEvent::Type type :
                 {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonPress,
                  QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
                const Qt::MouseButtons down = type != QEvent::MouseButtonRelease ? Qt::LeftButton : Qt::NoButton;
                QMouseEvent event(type, line, table->viewport()->mapToGlobal(line), Qt::LeftButton, down, {});
                QApplication::sendEvent(table->viewport(), &event);
            }
        }
        auto* view = results.findChild<FileView*>(QStringLiteral("FileView"));
        QVERIFY(view && view->isVisible());
        const auto labels = [view] { return view->PageLabel->text() + u'|' + view->HitLabel->text(); };
        QCOMPARE(labels(), shown);
        QString current; // the hit marked strongest
        for (const QTextEdit::ExtraSelection& mark : view->Text->extraSelections()) {
            current += mark.format.fontWeight() == QFont::Bold ? mark.cursor.selectedText() : QString();
        }
        QCOMPARE(current.toLower(), QStringLiteral("cat"));
        if (key != 0) {
            QApplication::setActiveWindow(view);
            QTest::keyClick(view->Text, static_cast<Qt::Key>(key), Qt::AltModifier);
            QTRY_COMPARE(labels(), after);
        }
        QApplication::setActiveWindow(view);
        QTest::keyClick(view->Text, Qt::Key_Escape);
        QVERIFY(!view->isVisible());
    }
};

LEXITALLY_GUI_TEST_MAIN(DispersionViewTest)
#include "test_dispersion_view.moc"
