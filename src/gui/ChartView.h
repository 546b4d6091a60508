#pragma once

#include "core/base/Ui.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QWidget>

class QChartView;
class QPushButton;
class QScrollArea;
class QTabWidget;
class QTreeView;
class QValueAxis;
class ResultsModel;

// A word of the chart with how often it occurs.
using WordCount = QPair<QString, qint64>;

// What the chart shows of the results: the rows shown in the list (sorted or found as they are);
// per file only the rows of one file, the file of the list's current row (or the first file).
struct ChartData {
    QString file;         // per file: the file charted; "" for all files
    QList<WordCount> top; // the most frequent words of the rows shown, most frequent first
    QList<qint64> byRank; // the counts of every word of the file (or of all files), largest first
};

// The chart's data: the top `limit` words of the shown rows (equal counts in the order shown)
// and the rank-frequency counts of all rows.
ChartData ChartDataOf(const ResultsModel& model, int currentTableRow, int limit = 30);

// The ticks of a count axis: from 0 to `top` every `step`, where the step is 1, 2 or 5 times a
// power of ten and gives at most five intervals.
struct RoundTicks {
    qint64 top = 1;
    qint64 step = 1;
};
RoundTicks RoundTicksFor(qint64 most);

// The results' chart window: a horizontal bar chart of the 30 most frequent words and, on a
// second tab, the rank-frequency plot on log-log axes; "Save Chart As PNG..." saves the tab shown.
// Every bar keeps its word: when the window is too low for them all, the bars scroll.
class ChartView : public QWidget {
public:
    ChartView(Ui& ui, QWidget* parent = nullptr);

    // Draws the charts anew from the results.
    void ShowData(const ChartData& data);
    // Sizes the window to fit the screen of `window` and centres it over that window, its
    // frame inside the screen's free room.
    void PlaceOver(const QWidget* window);
    // Asks for a file and saves the chart of the tab shown there as PNG; true when written.
    bool SaveChartAsPng();

    QTabWidget* Tabs = nullptr;
    QScrollArea* BarsArea = nullptr; // holds BarsView
    QChartView* BarsView = nullptr;
    QChartView* RanksView = nullptr;
    QPushButton* SaveButton = nullptr;

    // The size the window takes where the screen allows it.
    static constexpr int kWidth = 820;
    static constexpr int kHeight = 760;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The count axis over the bars is shown only while the bars scroll.
    void ShowTopAxisWhenScrolled();

    Ui& m_ui;
    QString m_file;                  // per file: the file charted
    QValueAxis* m_topAxis = nullptr; // the count axis over the bars (owned by the chart)
};

// The results window's additions, kept apart from the window itself: context-menu actions of
// its list to save the ticked rows as CSV and to show the chart.
class ResultsAdditions : public QObject {
public:
    ResultsAdditions(Ui& ui, ResultsModel& model, QTreeView& list, QWidget& window);

    // "Save Ticked Rows As CSV...": asks for a file (confirming an overwrite) and writes the
    // ticked rows in the order shown. True when written.
    bool SaveCsv();
    // "Chart...": shows the chart window with the results as they are shown now, over the
    // results window; with no word to chart, says so instead (nullptr).
    ChartView* ShowChart();

protected:
    // The chart goes when the results window is hidden.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Ui& m_ui;
    ResultsModel& m_model;
    QTreeView& m_list;
    QWidget& m_window;
    ChartView* m_chart = nullptr;
};
