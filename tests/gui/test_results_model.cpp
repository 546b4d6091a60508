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
    void viewOrder_data();
    void viewOrder();
    void ticksThroughTheView();
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

namespace {

// The rows a view shows, cells as displayed joined by "|".
QStringList ShownRows(const ResultsModel& model) {
    QStringList rows;
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model.columnCount(); ++c) {
            cells << model.data(model.index(r, c)).toString();
        }
        rows << cells.join(u'|');
    }
    return rows;
}

const QStringList kWordRows{"bee|3", "Ant|12", "ant|3", "cat|1", "bat|20"};
const QStringList kFileRows{"/d/b/z.pdf|x|2", "/d/a/y.pdf|x|1", "/d/c/a.pdf|w|5"};

} // namespace

void ResultsModelTest::viewOrder_data() {
    QTest::addColumn<bool>("perFile");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("column"); // -1: table order
    QTest::addColumn<bool>("descending");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("shown");
    // clang-format off
    QTest::newRow("words Z to A") << false << kWordRows << 0 << true << ""
        << QStringList{"cat|1", "bee|3", "bat|20", "ant|3", "Ant|12"};
    QTest::newRow("counts as numbers, most first, ties in table order") << false << kWordRows << 1 << true << ""
        << QStringList{"bat|20", "Ant|12", "bee|3", "ant|3", "cat|1"};
    QTest::newRow("found, letter case ignored") << false << kWordRows << -1 << false << "AT"
        << QStringList{"cat|1", "bat|20"};
    QTest::newRow("found and sorted") << false << kWordRows << 1 << true << "a"
        << QStringList{"bat|20", "Ant|12", "ant|3", "cat|1"};
    QTest::newRow("nothing found") << false << kWordRows << 0 << false << "zz"
        << QStringList{};
    QTest::newRow("per file: whole labels shown") << true << kFileRows << -1 << false << ""
        << QStringList{"/d/b/z.pdf|x|2", "/d/a/y.pdf|x|1", "/d/c/a.pdf|w|5"};
    QTest::newRow("per file: files by the label shown") << true << kFileRows << 0 << false << ""
        << QStringList{"/d/a/y.pdf|x|1", "/d/b/z.pdf|x|2", "/d/c/a.pdf|w|5"};
    QTest::newRow("per file: found in the words only") << true << kFileRows << -1 << false << "y"
        << QStringList{};
    // clang-format on
}

void ResultsModelTest::viewOrder() {
    QFETCH(bool, perFile);
    QFETCH(QStringList, rows);
    QFETCH(int, column);
    QFETCH(bool, descending);
    QFETCH(QString, filter);
    QFETCH(QStringList, shown);
    ResultsModel model;
    model.SetColumns(perFile ? CountMode::PerFile : CountMode::AllFiles);
    for (const QString& row : rows) {
        model.AddRow(row.split(u'|'));
    }
    model.FlushPending();
    model.SortRows(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    model.SetFilter(filter);
    QCOMPARE(ShownRows(model), shown);
    QCOMPARE(model.ShownCount(), shown.size());
    // The table keeps the order the rows came in.
    QCOMPARE(model.Cell(0, 0), rows.first().section(u'|', 0, 0));
    if (perFile && !shown.isEmpty()) {
        const QModelIndex first = model.index(0, 0);
        QCOMPARE(model.data(first, Qt::ToolTipRole).toString(), model.Cell(model.TableRow(0), 0));
    }
    // Back to table order, every row.
    model.ClearView();
    QCOMPARE(model.rowCount(), rows.size());
    QVERIFY(!model.IsReordered());
}

// Ticks given through a sorted and narrowed view land on the right table rows and survive the
// view; rows added meanwhile take their sorted places.
void ResultsModelTest::ticksThroughTheView() {
    ResultsModel model;
    QTreeView view;
    view.setModel(&model);
    model.SetColumns(CountMode::AllFiles);
    for (const QString& row : kWordRows) {
        model.AddRow(row.split(u'|'));
    }
    model.FlushPending();
    model.SortRows(1, Qt::DescendingOrder);
    view.setCurrentIndex(model.index(1, 1)); // Ant|12
    QVERIFY(model.setData(model.index(0, 0), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(model.IsTicked(4)); // bat|20

    model.SetFilter(QStringLiteral("b"));
    QCOMPARE(ShownRows(model), (QStringList{"bat|20", "bee|3"}));
    QVERIFY(!view.currentIndex().isValid()); // Ant is no longer shown
    model.SetShownTicked(true);
    model.SetViewRangeTicked(0, 0, false);
    QCOMPARE(model.data(model.index(1, 0), Qt::CheckStateRole).toInt(), int(Qt::Checked));

    model.SetFilter(QString());
    view.setCurrentIndex(model.index(1, 1)); // Ant|12 again
    model.AddRow({QStringLiteral("dog"), QStringLiteral("15")});
    model.FlushPending();
    QCOMPARE(ShownRows(model), (QStringList{"bat|20", "dog|15", "Ant|12", "bee|3", "ant|3", "cat|1"}));
    QCOMPARE(view.currentIndex().row(), 2); // the current row moved with its word
    QString ticks;
    for (int r = 0; r < model.RowCount(); ++r) {
        ticks += model.IsTicked(r) ? u'x' : u'.';
    }
    QCOMPARE(ticks, QStringLiteral("x.....")); // bee ticked, bat unticked again, the rest never shown ticked
    QCOMPARE(model.ShownRows(), (QList<int>{4, 5, 1, 0, 2, 3}));
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

    // Sorting and finding stay quick enough to follow clicks and typing.
    clock.restart();
    model.SortRows(1, Qt::AscendingOrder);
    model.SortRows(2, Qt::DescendingOrder);
    model.SetFilter(QStringLiteral("rd99"));
    model.WaitForOrder(); // many rows: the order is made on a thread of its own
    QCoreApplication::processEvents();
    const qint64 sorted = clock.elapsed();
    qInfo("sorted twice and found in %lld ms", static_cast<long long>(sorted));
    QCOMPARE(model.rowCount(), 1100); // word99 and word990 … word999, 100 of each
    QCOMPARE(model.data(model.index(0, 2)).toString(), QStringLiteral("99999"));
    QVERIFY2(sorted < 1500, qPrintable(QStringLiteral("took %1 ms").arg(sorted)));
}

LEXITALLY_GUI_TEST_MAIN(ResultsModelTest)
#include "test_results_model.moc"
