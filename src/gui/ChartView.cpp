#include "gui/ChartView.h"

#include "core/base/ErrorReport.h"
#include "core/base/Files.h"
#include "core/base/Texts.h"
#include "core/export/DataExport.h"
#include "core/export/OutputFile.h"
#include "gui/ResultsModel.h"

#include <QAction>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHorizontalBarSeries>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

namespace {

const QString kCsvFilter = QStringLiteral("CSV (*.csv)|*.csv|All Files (*.*)|*.*|");
const QString kPngFilter = QStringLiteral("PNG Images (*.png)|*.png|");

qint64 CountOf(const QString& text) {
    bool ok = false;
    const qint64 count = text.toLongLong(&ok);
    return ok && count > 0 ? count : 0;
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

// Asks before an existing file is replaced; true to go on.
bool MayWrite(Ui& ui, const QString& path) {
    return !FileExists(path) ||
           ui.Message(QStringLiteral("Are you sure you wish to overwrite ") + path + QStringLiteral(" ?"), AppTitle(),
                      MsgButtons::YesNo, MsgIcon::None) == MsgAnswer::Yes;
}

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
    const auto inScope = [&](int row) { return fileColumn < 0 || model.CellRef(row, fileColumn) == data.file; };
    for (const int row : model.ShownRows()) {
        if (inScope(row)) {
            data.top.append({model.Cell(row, wordColumn), CountOf(model.CellRef(row, countColumn))});
        }
    }
    std::stable_sort(data.top.begin(), data.top.end(),
                     [](const WordCount& a, const WordCount& b) { return a.second > b.second; });
    if (data.top.size() > limit) {
        data.top.resize(limit);
    }
    for (int row = 0; row < model.RowCount(); ++row) {
        if (inScope(row)) {
            data.byRank.append(CountOf(model.CellRef(row, countColumn)));
        }
    }
    std::sort(data.byRank.begin(), data.byRank.end(), std::greater<>());
    return data;
}

ChartView::ChartView(Ui& ui, QWidget* parent) : QWidget(parent, Qt::Window), m_ui(ui) {
    setObjectName(QStringLiteral("ChartView"));
    setWindowTitle(QStringLiteral("Chart"));
    Tabs = new QTabWidget(this);
    BarsView = NewChartView(Tabs, QStringLiteral("BarsView"));
    RanksView = NewChartView(Tabs, QStringLiteral("RanksView"));
    Tabs->addTab(BarsView, QStringLiteral("Most Frequent Words"));
    Tabs->addTab(RanksView, QStringLiteral("Rank and Frequency"));
    SaveButton = new QPushButton(QStringLiteral("Save Chart As PNG..."), this);
    SaveButton->setObjectName(QStringLiteral("SaveButton"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Tabs);
    layout->addWidget(SaveButton, 0, Qt::AlignRight);
    connect(SaveButton, &QPushButton::clicked, this, [this] { SaveChartAsPng(); });
    resize(820, 760);
}

void ChartView::ShowData(const ChartData& data) {
    const QString scope = data.file.isEmpty() ? QString() : QStringLiteral(" - ") + data.file;

    QChart* bars = BarsView->chart();
    Clear(bars);
    bars->setTitle(QStringLiteral("The %1 most frequent words").arg(data.top.size()) + scope);
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
    small.setPointSizeF(7.5); // thirty words one below the other
    wordAxis->setLabelsFont(small);
    wordAxis->setTruncateLabels(false);
    bars->addAxis(wordAxis, Qt::AlignLeft);
    series->attachAxis(wordAxis);
    auto* countAxis = new QValueAxis();
    countAxis->setRange(0, static_cast<qreal>(std::max<qint64>(most, 1)));
    countAxis->setLabelFormat(QStringLiteral("%d"));
    countAxis->setTitleText(QStringLiteral("Count"));
    bars->addAxis(countAxis, Qt::AlignBottom);
    series->attachAxis(countAxis);

    QChart* ranks = RanksView->chart();
    Clear(ranks);
    ranks->setTitle(QStringLiteral("Rank and frequency of %1 words").arg(data.byRank.size()) + scope);
    auto* line = new QLineSeries();
    for (qsizetype i = 0; i < data.byRank.size(); ++i) {
        line->append(static_cast<qreal>(i + 1), static_cast<qreal>(std::max<qint64>(data.byRank[i], 1)));
    }
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

bool ChartView::SaveChartAsPng() {
    const QString path = m_ui.SaveFile(QStringLiteral("Save Chart As PNG"), kPngFilter);
    if (path.isEmpty() || !MayWrite(m_ui, path)) {
        return false;
    }
    auto* view = qobject_cast<QChartView*>(Tabs->currentWidget());
    const bool saved = view && view->grab().save(path, "PNG");
    if (!saved) {
        m_ui.Message(QStringLiteral("The chart could not be saved as ") + path + QStringLiteral("."), AppTitle(),
                     MsgButtons::Ok, MsgIcon::Exclamation);
    }
    return saved;
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
    connect(csv, &QAction::triggered, this, [this] { SaveCsv(); });
    connect(chart, &QAction::triggered, this, [this] { ShowChart(); });
}

bool ResultsAdditions::SaveCsv() {
    const QString path = m_ui.SaveFile(QStringLiteral("Save"), kCsvFilter);
    if (path.isEmpty() || !MayWrite(m_ui, path)) {
        return false;
    }
    const QList<int> shown = m_model.ShownRows();
    OutputFile file(path);
    try {
        const bool opened = file.Open();
        FailIf(!opened, file.ErrorString());
        WriteCsv(m_model.Table(), file.Device(), m_model.IsReordered() ? &shown : nullptr);
        const bool committed = file.Commit();
        FailIf(!committed, file.ErrorString());
    } catch (const Failure& failure) {
        m_ui.Message(QStringLiteral("The results could not be saved as ") + path + QStringLiteral(": ") +
                         failure.Description(),
                     AppTitle(), MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    m_ui.Message(QStringLiteral("Done."), AppTitle());
    return true;
}

ChartView& ResultsAdditions::ShowChart() {
    if (!m_chart) {
        m_chart = new ChartView(m_ui, &m_window);
    }
    m_chart->ShowData(ChartDataOf(m_model, m_model.TableRow(m_list.currentIndex().row())));
    m_chart->show();
    m_chart->raise();
    return *m_chart;
}
