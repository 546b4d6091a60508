#include "results/ResultsModel.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

class ResultsModelTest : public QObject {
    Q_OBJECT
private slots:
    void columnsOfMode_data();
    void columnsOfMode();
    void rowsArriveUntickedAndInOneBatch();
    void ticks_data();
    void ticks();
    void clearRowsKeepsHeadersAndTotals();
    void rowsWiderThanColumnsKeepTheirCells();
    void totalsCaptions();
    void outOfRangeReadsAreEmpty();
    void hundredThousandRowsInTheView();
};

void ResultsModelTest::columnsOfMode_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QList<int>>("widths");
    QTest::newRow("all files") << int(CountMode::AllFiles) << QStringList{QStringLiteral(" Words"), QStringLiteral("Count")}
                               << QList<int>{6300, 1000};
    QTest::newRow("per file") << int(CountMode::PerFile)
                              << QStringList{QStringLiteral("Filename"), QStringLiteral(" Words"), QStringLiteral("Count")}
                              << QList<int>{5000, 1500, 1000};
    QTest::newRow("none") << int(CountMode::None) << QStringList{} << QList<int>{};
}

void ResultsModelTest::columnsOfMode() {
    QFETCH(int, mode);
    QFETCH(QStringList, headers);
    QFETCH(QList<int>, widths);
    ResultsModel model;
    // Columns of an earlier run go first, as the run does it.
    model.SetColumns(CountMode::PerFile);
    model.ClearColumns();
    model.SetColumns(static_cast<CountMode>(mode));
    QCOMPARE(model.Headers(), headers);
    QCOMPARE(model.columnCount(), headers.size());
    for (int c = 0; c < headers.size(); ++c) {
        QCOMPARE(model.headerData(c, Qt::Horizontal).toString(), headers[c]);
        QCOMPARE(model.ColumnWidthTwips(c), widths[c]);
    }
}

void ResultsModelTest::rowsArriveUntickedAndInOneBatch() {
    ResultsModel model;
    model.SetColumns(CountMode::AllFiles);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    for (int i = 0; i < 500; ++i) {
        model.AddRow({QStringLiteral("w%1").arg(i), QString::number(i)});
    }
    QCOMPARE(model.RowCount(), 500);
    QCOMPARE(model.Cell(499, 0), QStringLiteral("w499"));
    QCOMPARE(model.TickedCount(), 0);
    QTRY_COMPARE(model.rowCount(), 500); // announced when the event queue gets a turn
    QCOMPARE(inserted.count(), 1);
    for (int i = 0; i < 500; ++i) {
        QCOMPARE(model.data(model.index(i, 0), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    }
    QVERIFY(model.flags(model.index(0, 0)) & Qt::ItemIsUserCheckable);
    QVERIFY(!(model.flags(model.index(0, 1)) & Qt::ItemIsUserCheckable));
    QVERIFY(!model.data(model.index(0, 1), Qt::CheckStateRole).isValid());
}

void ResultsModelTest::ticks_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QList<bool>>("before");
    QTest::addColumn<QList<bool>>("after");
    const QList<bool> none{false, false, false, false};
    QTest::newRow("tick box on row 2") << "box 1 on" << none << QList<bool>{false, true, false, false};
    QTest::newRow("untick box") << "box 1 off" << QList<bool>{true, true, false, false}
                                << QList<bool>{true, false, false, false};
    QTest::newRow("box on column 2 refused") << "box col2" << none << none;
    QTest::newRow("range clamped") << "range 2..9 on" << none << QList<bool>{false, false, true, true};
    QTest::newRow("range off") << "range -3..1 off" << QList<bool>{true, true, true, true}
                               << QList<bool>{false, false, true, true};
    QTest::newRow("all on") << "all on" << QList<bool>{false, true, false, false} << QList<bool>{true, true, true, true};
    QTest::newRow("all off") << "all off" << QList<bool>{true, true, false, true} << none;
    QTest::newRow("list of rows") << "rows 0,3 on" << none << QList<bool>{true, false, false, true};
}

void ResultsModelTest::ticks() {
    QFETCH(QString, action);
    QFETCH(QList<bool>, before);
    QFETCH(QList<bool>, after);
    ResultsModel model;
    model.SetColumns(CountMode::AllFiles);
    for (int i = 0; i < before.size(); ++i) {
        model.AddRow({QStringLiteral("w%1").arg(i), QStringLiteral("1")});
    }
    model.FlushPending();
    for (int i = 0; i < before.size(); ++i) {
        model.SetTicked(i, before[i]);
    }
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    if (action == "box 1 on") {
        QVERIFY(model.setData(model.index(1, 0), Qt::Checked, Qt::CheckStateRole));
    } else if (action == "box 1 off") {
        QVERIFY(model.setData(model.index(1, 0), Qt::Unchecked, Qt::CheckStateRole));
    } else if (action == "box col2") {
        QVERIFY(!model.setData(model.index(1, 1), Qt::Checked, Qt::CheckStateRole));
    } else if (action == "range 2..9 on") {
        model.SetTickedRange(2, 9, true);
    } else if (action == "range -3..1 off") {
        model.SetTickedRange(-3, 1, false);
    } else if (action == "all on") {
        model.SetAllTicked(true);
    } else if (action == "all off") {
        model.SetAllTicked(false);
    } else if (action == "rows 0,3 on") {
        model.SetTicked(QList<int>{0, 3}, true);
    }
    int ticked = 0;
    for (int i = 0; i < after.size(); ++i) {
        QCOMPARE(model.IsTicked(i), after[i]);
        QCOMPARE(model.data(model.index(i, 0), Qt::CheckStateRole).toInt(), int(after[i] ? Qt::Checked : Qt::Unchecked));
        ticked += after[i] ? 1 : 0;
    }
    QCOMPARE(model.TickedCount(), ticked);
    if (before != after) {
        QVERIFY(!changed.isEmpty()); // views repaint the boxes
    }
}

void ResultsModelTest::clearRowsKeepsHeadersAndTotals() {
    ResultsModel model;
    model.SetColumns(CountMode::PerFile);
    model.AddRow({QStringLiteral("a.pdf"), QStringLiteral("x"), QStringLiteral("1")});
    model.FlushPending();
    model.AddRow({QStringLiteral("a.pdf"), QStringLiteral("y"), QStringLiteral("2")}); // still pending
    model.SetTicked(0, true);
    model.SetTotals({5, 2, 30, 25});
    model.ClearRows();
    QCOMPARE(model.RowCount(), 0);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.TickedCount(), 0);
    QCOMPARE(model.ColumnCount(), 3);
    QCOMPARE(model.Captions().first(), QStringLiteral(" Word count: 5"));
    // The pending batch of the cleared rows must not come back.
    QTest::qWait(20);
    QCOMPARE(model.rowCount(), 0);
    model.AddRow({QStringLiteral("b.pdf"), QStringLiteral("z"), QStringLiteral("3")});
    QCOMPARE(model.Cell(0, 1), QStringLiteral("z"));
    QVERIFY(!model.IsTicked(0));
}

void ResultsModelTest::rowsWiderThanColumnsKeepTheirCells() {
    ResultsModel model;
    model.AddRow({QStringLiteral("only")});
    model.AddRow({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
    model.SetColumns(CountMode::AllFiles);
    QCOMPARE(model.Cell(0, 0), QStringLiteral("only"));
    QCOMPARE(model.Cell(0, 1), QString());
    QCOMPARE(model.Cell(1, 2), QStringLiteral("c"));
    model.SetColumns(CountMode::AllFiles); // four columns now
    QCOMPARE(model.Cell(1, 1), QStringLiteral("b"));
    QCOMPARE(model.Cell(1, 3), QString());
}

void ResultsModelTest::totalsCaptions() {
    ResultsModel model;
    QSignalSpy spy(&model, &ResultsModel::TotalsChanged);
    model.SetTotals({1234567890123LL, 0, 17, 9});
    QCOMPARE(spy.count(), 1);
    QCOMPARE(model.Captions(), (QStringList{QStringLiteral(" Word count: 1234567890123"), QStringLiteral(" Line Count: 0"),
                                            QStringLiteral(" Character Count With Spaces: 17"),
                                            QStringLiteral(" Character Count Without Spaces: 9")}));
}

void ResultsModelTest::outOfRangeReadsAreEmpty() {
    ResultsModel model;
    model.SetColumns(CountMode::AllFiles);
    model.AddRow({QStringLiteral("w"), QStringLiteral("1")});
    QCOMPARE(model.Cell(-1, 0), QString());
    QCOMPARE(model.Cell(1, 0), QString());
    QCOMPARE(model.Cell(0, 7), QString());
    QVERIFY(!model.IsTicked(5));
    model.SetTicked(5, true);
    QCOMPARE(model.TickedCount(), 0);
    QCOMPARE(model.Header(9), QString());
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
    QStringList words;
    for (int i = 0; i < 1000; ++i) {
        words << QStringLiteral("word%1").arg(i);
    }
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 100000; ++i) {
        model.AddRow({label, words[i % 1000], QString::number(i)});
    }
    QCoreApplication::processEvents();
    view.scrollToBottom(); // lays out every row
    QCoreApplication::processEvents();
    const qint64 elapsed = clock.elapsed();
    qInfo("100,000 rows added and shown in %lld ms", static_cast<long long>(elapsed));
    QCOMPARE(model.rowCount(), 100000);
    QCOMPARE(model.Cell(99999, 2), QStringLiteral("99999"));
    QVERIFY2(elapsed < 1000, qPrintable(QStringLiteral("took %1 ms").arg(elapsed)));
}

LEXITALLY_TEST_MAIN(ResultsModelTest)
#include "test_results_model.moc"
