#include "gui/ResultsModel.h"
#include "support/GuiTestMain.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

class ResultsModelTest : public QObject {
    Q_OBJECT
private slots:
    void rowsArriveUntickedInOneBatch();
    void ticks_data();
    void ticks();
    void clearRowsKeepsHeadersAndTotals();
    void hundredThousandRowsInTheView();
};

void ResultsModelTest::rowsArriveUntickedInOneBatch() {
    ResultsModel model;
    model.SetColumns(CountMode::AllFiles);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    for (int i = 0; i < 500; ++i) {
        model.AddRow({QStringLiteral("w%1").arg(i), QString::number(i)});
    }
    QCOMPARE(model.RowCount(), 500); // the exports see every row at once
    QCOMPARE(model.Cell(499, 0), QStringLiteral("w499"));
    QTRY_COMPARE(model.rowCount(), 500); // views learn of them when the event queue gets a turn
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(model.TickedCount(), 0);
    QCOMPARE(model.data(model.index(7, 0), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsUserCheckable));
    // Reads outside the rows never fail.
    QCOMPARE(model.Cell(500, 0), QString());
    QCOMPARE(model.Cell(0, 7), QString());
    QVERIFY(!model.IsTicked(-1));
}

void ResultsModelTest::ticks_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("before"); // x = ticked
    QTest::addColumn<QString>("after");
    QTest::newRow("box on") << "box 1 on"
                            << "...."
                            << ".x..";
    QTest::newRow("box off") << "box 1 off"
                             << "xx.."
                             << "x...";
    QTest::newRow("box on column 2 refused") << "box col2"
                                             << "...."
                                             << "....";
    QTest::newRow("range clamped") << "range 2..9 on"
                                   << "...."
                                   << "..xx";
    QTest::newRow("range off") << "range -3..1 off"
                               << "xxxx"
                               << "..xx";
    QTest::newRow("all on") << "all on"
                            << ".x.."
                            << "xxxx";
    QTest::newRow("all off") << "all off"
                             << "xx.x"
                             << "....";
    QTest::newRow("row outside") << "row 9 on"
                                 << "...."
                                 << "....";
}

void ResultsModelTest::ticks() {
    QFETCH(QString, action);
    QFETCH(QString, before);
    QFETCH(QString, after);
    ResultsModel model;
    model.SetColumns(CountMode::AllFiles);
    for (int i = 0; i < before.size(); ++i) {
        model.AddRow({QStringLiteral("w%1").arg(i), QStringLiteral("1")});
        model.SetTicked(i, before[i] == u'x');
    }
    model.FlushPending();
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    if (action.startsWith("box")) {
        const bool on = !action.endsWith("off");
        const int column = action == "box col2" ? 1 : 0;
        QCOMPARE(model.setData(model.index(1, column), on ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole),
                 column == 0);
    } else if (action == "range 2..9 on") {
        model.SetTickedRange(2, 9, true);
    } else if (action == "range -3..1 off") {
        model.SetTickedRange(-3, 1, false);
    } else if (action.startsWith("all")) {
        model.SetAllTicked(action == "all on");
    } else {
        model.SetTicked(9, true);
    }
    QString shown;
    for (int i = 0; i < after.size(); ++i) {
        QCOMPARE(model.IsTicked(i), after[i] == u'x');
        shown += model.data(model.index(i, 0), Qt::CheckStateRole).toInt() == Qt::Checked ? u'x' : u'.';
    }
    QCOMPARE(shown, after);
    QCOMPARE(model.TickedCount(), int(after.count(u'x')));
    QCOMPARE(changed.isEmpty(), before == after); // views repaint changed boxes
}

void ResultsModelTest::clearRowsKeepsHeadersAndTotals() {
    ResultsModel model;
    model.SetColumns(CountMode::PerFile);
    model.AddRow({QStringLiteral("a.pdf"), QStringLiteral("x"), QStringLiteral("1")});
    model.FlushPending();
    model.AddRow({QStringLiteral("a.pdf"), QStringLiteral("y"), QStringLiteral("2")}); // not yet announced
    model.SetTicked(0, true);
    model.SetTotals({5, 2, 30, 25});
    model.ClearRows();
    QCOMPARE(model.RowCount(), 0);
    QCOMPARE(model.TickedCount(), 0);
    QCOMPARE(model.ColumnCount(), 3);
    QCOMPARE(model.Captions().first(), QStringLiteral(" Word count: 5"));
    QTest::qWait(20); // the batch of the cleared rows must not come back
    QCOMPARE(model.rowCount(), 0);
    model.AddRow({QStringLiteral("b.pdf"), QStringLiteral("z"), QStringLiteral("3")});
    QCOMPARE(model.Cell(0, 1), QStringLiteral("z"));
    QVERIFY(!model.IsTicked(0));
}

void ResultsModelTest::hundredThousandRowsInTheView() {
    ResultsModel model;
    QTreeView view;
    view.setUniformRowHeights(true);
    view.setRootIsDecorated(false);
    view.setModel(&model);
    view.resize(600, 400);
    view.show();
    model.SetColumns(CountMode::PerFile);
    const QString label = QStringLiteral("/home/user/Documents/report.pdf");
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 100000; ++i) {
        model.AddRow({label, QStringLiteral("word%1").arg(i % 1000), QString::number(i)});
    }
    QCoreApplication::processEvents();
    view.scrollToBottom(); // lays out every row
    QCoreApplication::processEvents();
    const qint64 elapsed = clock.elapsed();
    qInfo("100,000 rows added and shown in %lld ms", static_cast<long long>(elapsed));
    QCOMPARE(model.rowCount(), 100000);
    QVERIFY2(elapsed < 1000, qPrintable(QStringLiteral("took %1 ms").arg(elapsed)));
}

LEXITALLY_GUI_TEST_MAIN(ResultsModelTest)
#include "test_results_model.moc"
