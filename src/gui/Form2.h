#pragma once

#include "core/base/Ui.h"
#include "core/export/Export.h"
#include "gui/DesktopOpen.h"
#include "gui/GuiLayout.h"
#include "gui/GuiYield.h"
#include "gui/ResultsModel.h"

#include <QAction>
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>
#include <QWidget>
#include <functional>
#include <vector>

class CorpusAdditions;

// The results window: the four counts, the results list with its tick boxes, and the exports
// (text file, workbook, clipboard). It stays alive from its first use until the program ends.
class Form2 : public QWidget {
public:
    // mainWindow is shown again by "< Back"; endProgram ends the program at once when this
    // window is closed (the default leaves the process).
    Form2(Ui& ui, QWidget* mainWindow, std::function<void()> endProgram = {}, QWidget* parent = nullptr);
    ~Form2() override;

    // Load-time set-up; runs once, on first use of the list or when first shown.
    void Form_Load();

    // What the analysis run uses: the list, its row sink, preparing the mode's columns (rows and
    // columns are cleared first) and the busy flag (hourglass pointer).
    ResultsModel* Model();
    ResultsModel& Sink();
    void PrepareColumns(CountMode mode);
    bool IsBusy() const;
    // A run that was stopped: the title says the results are partial. A new run clears it.
    void MarkPartial(bool partial);
    bool IsMarkedPartial() const { return m_partial; }

    // Handlers.
    void PushButton1_Click(); // "< Back"
    void PushButton3_Click(); // "Save Results As Excel File"
    void PushButton5_Click(); // "Save Results As Text File"
    void PushButton8_Click(); // "Copy Results To Clipboard"
    void PushButton9_Click(); // "Clear Results"
    // A click on a column header sorts the rows on the screen by the column (words and file
    // labels A to Z, counts most frequent first), a second click reverses, a third shows the rows
    // in the order they came. Nothing of it is kept: each run's rows come in their own order.
    void ListView1_ColumnClick(int column);
    // The find box: the list shows only the words that contain its text.
    void FindBox_Change();
    // Shows the find bar above the list (taking its room from the list) and puts the cursor in
    // it; hiding it shows every row again and gives the list back its room.
    void ShowFindBar(bool shown);

    // True when a spreadsheet application can show a workbook; otherwise says so first.
    bool SaveResultsAsExcelFileIsExcelInstalled();
    // Replaces the desktop check behind SaveResultsAsExcelFileIsExcelInstalled: what it finds
    // is what a new workbook is opened with.
    void SetSpreadsheetFinder(std::function<SpreadsheetApplication()> finder) {
        m_spreadsheetFinder = std::move(finder);
    }
    // The same with a yes/no check standing for the desktop's default application.
    void SetSpreadsheetCheck(std::function<bool()> check);

    // Ticks through the keyboard and the list's context menu; they act on the rows shown.
    void TickAll(bool ticked);
    void TickSelected(bool ticked);
    // Space: every selected row takes the opposite of the current row's tick.
    void ToggleSelected();

    const QCursor& HandCursor() const { return m_handCursor; }
    // The corpus views of the last run's texts (context menu: words in context, phrases, ...).
    CorpusAdditions* Corpus() const { return m_corpus; }

    // Controls, under their designer names.
    QPushButton* PushButton1 = nullptr; // "< Back"
    QGroupBox* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QWidget* FindBar = nullptr;   // above the list while shown: Ctrl+F, Esc
    QLineEdit* FindBox = nullptr; // in the find bar
    QLabel* FindCount = nullptr;  // how many rows match
    QTreeView* ListView1 = nullptr;
    QPushButton* PushButton5 = nullptr; // "Save Results As Text File"
    QPushButton* PushButton3 = nullptr; // "Save Results As Excel File"
    QPushButton* PushButton8 = nullptr; // "Copy Results To Clipboard"
    QPushButton* PushButton9 = nullptr; // "Clear Results"
    GuiProgressBar* ProgressBar1 = nullptr;
    QAction* TickAllAction = nullptr;
    QAction* UntickAllAction = nullptr;
    QAction* TickSelectedAction = nullptr;
    QAction* UntickSelectedAction = nullptr;
    QAction* FindAction = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildFindBar();
    void BuildList();
    void PlaceControls();
    void LayoutControls();
    void ConnectHandlers();
    void ApplyColumnWidths();
    void ShowTotals();
    void ShowSortIndicator();
    // The rows are shown in a new order: the find bar says how many, the current row stays in view.
    void ShowOrder();
    // The rows an export walks: those shown in the order shown, copied into storage; none while
    // the list shows every row in the order they came.
    const QList<int>* ExportOrder(QList<int>& storage) const;
    // Busy nests: the pointer returns to normal only when the last export ends.
    void BeginBusy();
    void EndBusy();

    Ui& m_ui;
    QWidget* m_mainWindow;
    std::function<void()> m_endProgram;
    std::function<SpreadsheetApplication()> m_spreadsheetFinder;
    SpreadsheetApplication m_spreadsheet; // what the last check found
    ResultsModel* m_model = nullptr;
    TwipsLayout m_layout;
    Yield m_yield;
    QCursor m_handCursor;
    int m_busyDepth = 0;
    bool m_loaded = false;
    bool m_partial = false;
    bool m_ended = false;
    CorpusAdditions* m_corpus = nullptr;
};
