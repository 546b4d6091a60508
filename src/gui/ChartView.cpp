#include "gui/ChartView.h"

#include "core/base/ErrorReport.h"
#include "core/base/Texts.h"
#include "core/export/DataExport.h"
#include "core/export/Export.h"
#include "gui/GuiHelpers.h"
#include "gui/ResultsModel.h"
#include "gui/SaveDialog.h"

#include <QAction>
#include <QApplication>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QEvent>
#include <QFileInfo>
#include <QHorizontalBarSeries>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

namespace {

const QString kCsvFilter = QStringLiteral("CSV (*.csv)|*.csv|All Files (*.*)|*.*|");
const QString kPngFilter = QStringLiteral("PNG Images (*.png)|*.png|");

qint64 CountOf(const ResultsModel& model, int row, int column) {
    qint64 count = 0;
    return model.CountAt(row, column, &count) && count > 0 ? count : 0;
}

QChartView* NewChartView(QWidget* parent, const QString& name) {
    auto* view = new QChartView(new QChart(), parent);
    view->setObjectName(name);
    view->setRenderHint(QPainter::Antialiasing);
    view->chart()->legend()->hide();
    return view;
}

// Empties a chart of its series and axes.
void Clear(QChart* chart) {
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
}

const QString kNothingToChart = QStringLiteral("There are no words to chart.");

// The words' labels: a bar is at least a label's height plus this, so that none is left out.
constexpr int kBarSpacing = 4;
// Room besides the bars: title, count axis with its labels and title, margins.
constexpr int kBarsChrome = 120;
// Up to this many points the rank plot marks each one (a single word is a dot, not nothing).
constexpr int kMarkedPoints = 60;

} // namespace

ChartData ChartDataOf(const ResultsModel& model, int currentTableRow, int limit) {
    ChartData data;
    const int wordColumn = model.ColumnOfKind(ResultColumnKind::Word);
    const int countColumn = model.ColumnOfKind(ResultColumnKind::Count);
    const int fileColumn = model.ColumnOfKind(ResultColumnKind::FileLabel);
    if (wordColumn < 0 || countColumn < 0 || model.RowCount() == 0) {
        return data;
    }
    if (fileColumn >= 0) {
        const int row = currentTableRow >= 0 && currentTableRow < model.RowCount() ? currentTableRow : 0;
        data.file = model.Cell(row, fileColumn);
    }
    const auto inScope = [&](int row) { return fileColumn < 0 || model.TextRef(row, fileColumn) == data.file; };
    for (const int row : model.ShownRows()) {
        if (inScope(row)) {
            data.top.append({model.Cell(row, wordColumn), CountOf(model, row, countColumn)});
        }
    }
    std::stable_sort(data.top.begin(), data.top.end(),
                     [](const WordCount& a, const WordCount& b) { return a.second > b.second; });
    if (data.top.size() > limit) {
        data.top.resize(limit);
    }
    for (int row = 0; row < model.RowCount(); ++row) {
        if (inScope(row)) {
            data.byRank.append(CountOf(model, row, countColumn));
        }
    }
    std::sort(data.byRank.begin(), data.byRank.end(), std::greater<>());
    return data;
}

RoundTicks RoundTicksFor(qint64 most) {
    RoundTicks ticks;
    if (most <= 0) {
        return ticks;
    }
    for (qint64 power = 1;; power *= 10) {
        for (const qint64 factor : {1, 2, 5}) {
            const qint64 step = factor * power;
            const qint64 intervals = (most + step - 1) / step;
            if (intervals <= 5) {
                ticks.step = step;
                ticks.top = intervals * step;
                return ticks;
            }
        }
    }
}

ChartView::ChartView(Ui& ui, QWidget* parent) : QWidget(parent, Qt::Window), m_ui(ui) {
    setObjectName(QStringLiteral("ChartView"));
    setWindowTitle(QStringLiteral("Chart"));
    Tabs = new QTabWidget(this);
    BarsArea = new QScrollArea(Tabs);
    BarsArea->setObjectName(QStringLiteral("BarsArea"));
    BarsArea->setWidgetResizable(true);
    BarsArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    BarsArea->setFrameShape(QFrame::NoFrame);
    BarsView = NewChartView(BarsArea, QStringLiteral("BarsView"));
    BarsArea->setWidget(BarsView);
    RanksView = NewChartView(Tabs, QStringLiteral("RanksView"));
    BarsArea->viewport()->installEventFilter(this);
    Tabs->addTab(BarsArea, QStringLiteral("Most Frequent Words"));
    Tabs->addTab(RanksView, QStringLiteral("Rank and Frequency"));
    SaveButton = new QPushButton(QStringLiteral("&Save Chart As PNG..."), this);
    SaveButton->setObjectName(QStringLiteral("SaveButton"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Tabs);
    layout->addWidget(SaveButton, 0, Qt::AlignRight);
    connect(SaveButton, &QPushButton::clicked, this, [this] { SaveChartAsPng(); });
    CloseWithKeys(this);
    setMinimumSize(320, 240);
    resize(kWidth, kHeight);
}

void ChartView::PlaceOver(const QWidget* window) {
    ::PlaceOver(this, window, QSize(kWidth, kHeight));
}

void ChartView::ShowData(const ChartData& data) {
    m_file = data.file;
    const QString scope = data.file.isEmpty() ? QString() : QStringLiteral(" - ") + data.file;

    QChart* bars = BarsView->chart();
    Clear(bars);
    m_topAxis = nullptr; // gone with the other axes
    bars->setLocalizeNumbers(true);
    bars->setLocale(QLocale());
    bars->setTitle((data.top.size() == 1 ? QStringLiteral("The most frequent word")
                                         : QStringLiteral("The %1 most frequent words").arg(data.top.size())) +
                   scope);
    auto* set = new QBarSet(QStringLiteral("Count"));
    QStringList words;
    qint64 most = 0;
    // Bars are drawn from the bottom up: the most frequent word goes last, to the top.
    for (auto it = data.top.crbegin(); it != data.top.crend(); ++it) {
        words << it->first;
        *set << static_cast<qreal>(it->second);
        most = std::max(most, it->second);
    }
    auto* series = new QHorizontalBarSeries();
    series->append(set);
    bars->addSeries(series);
    auto* wordAxis = new QBarCategoryAxis();
    wordAxis->append(words);
    QFont small = wordAxis->labelsFont();
    small.setPointSizeF(8);
    wordAxis->setLabelsFont(small);
    wordAxis->setTruncateLabels(false);
    bars->addAxis(wordAxis, Qt::AlignLeft);
    series->attachAxis(wordAxis);
    const RoundTicks ticks = RoundTicksFor(most);
    auto* countAxis = new QValueAxis();
    countAxis->setRange(0, static_cast<qreal>(ticks.top));
    countAxis->setTickCount(static_cast<int>(ticks.top / ticks.step) + 1);
    countAxis->setLabelFormat(QStringLiteral("%.0f"));
    countAxis->setTitleText(QStringLiteral("Count"));
    bars->addAxis(countAxis, Qt::AlignBottom);
    series->attachAxis(countAxis);
    // The same scale over the bars, shown while they scroll, so that the counts can be read at
    // the top of the list too (the axis below is then out of sight).
    m_topAxis = new QValueAxis();
    m_topAxis->setRange(0, static_cast<qreal>(ticks.top));
    m_topAxis->setTickCount(countAxis->tickCount());
    m_topAxis->setLabelFormat(countAxis->labelFormat());
    bars->addAxis(m_topAxis, Qt::AlignTop);
    series->attachAxis(m_topAxis);
    // Each word keeps a line of its own; below that height the bars scroll.
    const int pitch = QFontMetrics(small).height() + kBarSpacing;
    BarsView->setMinimumHeight(static_cast<int>(words.size()) * pitch + kBarsChrome);
    ShowTopAxisWhenScrolled();

    QChart* ranks = RanksView->chart();
    Clear(ranks);
    ranks->setTitle(QStringLiteral("Rank and frequency of %1 words").arg(data.byRank.size()) + scope);
    auto* line = new QLineSeries();
    for (qsizetype i = 0; i < data.byRank.size(); ++i) {
        line->append(static_cast<qreal>(i + 1), static_cast<qreal>(std::max<qint64>(data.byRank[i], 1)));
    }
    line->setPointsVisible(data.byRank.size() <= kMarkedPoints);
    ranks->addSeries(line);
    const auto logAxis = [&](const QString& title, Qt::Alignment where, qreal top) {
        auto* axis = new QLogValueAxis();
        axis->setBase(10);
        axis->setLabelFormat(QStringLiteral("%g"));
        axis->setTitleText(title);
        axis->setRange(1, std::max<qreal>(top, 10));
        ranks->addAxis(axis, where);
        line->attachAxis(axis);
    };
    logAxis(QStringLiteral("Rank"), Qt::AlignBottom, static_cast<qreal>(data.byRank.size()));
    logAxis(QStringLiteral("Count"), Qt::AlignLeft, data.byRank.isEmpty() ? 1 : static_cast<qreal>(data.byRank[0]));
}

void ChartView::ShowTopAxisWhenScrolled() {
    if (m_topAxis) {
        m_topAxis->setVisible(BarsView->minimumHeight() > BarsArea->viewport()->height());
    }
}

bool ChartView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == BarsArea->viewport() && event->type() == QEvent::Resize) {
        ShowTopAxisWhenScrolled();
    }
    return QWidget::eventFilter(watched, event);
}

bool ChartView::SaveChartAsPng() {
    const bool barsShown = Tabs->currentIndex() == 0;
    QString name = barsShown ? QStringLiteral("Most frequent words.png") : QStringLiteral("Rank and frequency.png");
    if (!m_file.isEmpty()) {
        name = QFileInfo(m_file).completeBaseName() + QStringLiteral(" - ") + name;
    }
    const QString path =
        AskSavePath(m_ui, QStringLiteral("Save Chart As PNG"), kPngFilter, name, QStringLiteral("png"));
    if (path.isEmpty()) {
        return false;
    }
    QChartView* view = barsShown ? BarsView : RanksView;
    QString reason;
    try {
        WritePng(view->grab().toImage(), path);
    } catch (const ExportFailure& failure) {
        reason = failure.Reason();
    }
    TellSaved(m_ui, QStringLiteral("The chart"), path, reason.isEmpty(), reason);
    return reason.isEmpty();
}

ResultsAdditions::ResultsAdditions(Ui& ui, ResultsModel& model, QTreeView& list, QWidget& window)
    : QObject(&window), m_ui(ui), m_model(model), m_list(list), m_window(window) {
    setObjectName(QStringLiteral("ResultsAdditions"));
    auto* csv = new QAction(QStringLiteral("Save Ticked Rows As CSV..."), &list);
    csv->setObjectName(QStringLiteral("SaveCsvAction"));
    auto* chart = new QAction(QStringLiteral("Chart..."), &list);
    chart->setObjectName(QStringLiteral("ChartAction"));
    list.addAction(csv);
    list.addAction(chart);
    window.installEventFilter(this);
    connect(csv, &QAction::triggered, this, [this] { SaveCsv(); });
    connect(chart, &QAction::triggered, this, [this] { ShowChart(); });
}

bool ResultsAdditions::SaveCsv() {
    const QString path =
        AskSavePath(m_ui, QStringLiteral("Save"), kCsvFilter, QStringLiteral("Results.csv"), QStringLiteral("csv"));
    if (path.isEmpty()) {
        return false;
    }
    const QList<int> shown = m_model.ShownRows();
    ExportOptions options;
    options.order = m_model.IsReordered() ? &shown : nullptr;
    try {
        Export(ExportFormat::Csv, m_model.Table(), options, path);
    } catch (const ExportFailure& failure) {
        TellSaved(m_ui, QStringLiteral("The results"), path, false, failure.Reason());
        return false;
    }
    TellSaved(m_ui, QStringLiteral("The results"), path, true, {});
    return true;
}

ChartView* ResultsAdditions::ShowChart() {
    const ChartData data = ChartDataOf(m_model, m_model.TableRow(m_list.currentIndex().row()));
    if (data.top.isEmpty()) {
        if (m_chart) {
            m_chart->hide();
        }
        m_ui.Message(kNothingToChart, AppTitle());
        return nullptr;
    }
    if (!m_chart) {
        m_chart = new ChartView(m_ui, &m_window);
    }
    m_chart->ShowData(data);
    if (!m_chart->isVisible()) {
        m_chart->PlaceOver(&m_window);
    }
    m_chart->show();
    m_chart->raise();
    m_chart->activateWindow();
    return m_chart;
}

bool ResultsAdditions::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_window && event->type() == QEvent::Hide && m_chart && !event->spontaneous()) {
        m_chart->hide();
    }
    return QObject::eventFilter(watched, event);
}
