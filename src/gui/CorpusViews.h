#pragma once

#include "core/base/Ui.h"
#include "core/corpus/Concordance.h"
#include "core/corpus/CorpusText.h"
#include "core/corpus/Dispersion.h"
#include "core/corpus/Keywords.h"
#include "core/count/Pass.h"
#include "core/export/Export.h"
#include "core/extract/Unreadable.h"
#include "core/results/ResultTable.h"
#include "core/run/AnalysisRun.h"
#include "gui/BackgroundJob.h"

#include <QAbstractTableModel>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <vector>

class DispersionView;
class FileView;
class GuiProgressBar;
class QAction;
class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableView;
class QTemporaryDir;
class QTreeView;
class ResultsModel;

// The corpus views of the results window: words in context, frequent phrases, word statistics
// and the file summary, each a window of its own opened from the results list's context menu.

// A caption whose mnemonic goes to the control it names (a control of a view's top row).
QLabel* Caption(const QString& text, QWidget* buddy);

// "1 line", "4 lines": the number and the word that goes with it.
QString Plural(qint64 n, const QString& one, const QString& many);

// What the views need of the last run: its files, how it cut its words, where its texts are kept.
struct CorpusRunInfo {
    QList<TextSource> files; // each file once, in list order (the run counts a file listed twice once)
    QStringList rows;        // the rows of the run, a file listed twice twice (the file summary's)
    CorpusRule rule;
    CountMode mode = CountMode::AllFiles;
    QString converter;
    ConversionCache* cache = nullptr;
    ConverterProcesses* running = nullptr;
    QList<UnreadableFile> unreadable;
    QStringList ocrRead; // the files whose text was read by OCR
    QString ocrLanguages = QStringLiteral("eng");
    int jobs = 1; // pages read by OCR at once
    // How the run was asked for, without its files: a reference for keywords is counted so too,
    // so that its rows are cut as the run's are.
    AnalysisRequest request;
    TextStore* store = nullptr; // converted texts kept between runs (none when not kept)
    // The texts the run counted, one per row ("" for a row that gave none or repeats one), left
    // in the run's folder, which the views then own: they open without converting again.
    QList<ConvertedText> texts;
    std::shared_ptr<QTemporaryDir> textFolder;
};

// The reference of the keywords: what the user chose and, once read, its words.
struct KeywordReference {
    QStringList paths;    // a folder; or files: PDFs, texts, or one word list saved by a run
    bool folder = false;  // paths holds one folder
    bool counted = false; // rows and words are those of the paths under the last run's options
    QList<WordFrequency> rows;
    qint64 words = 0;
    QString note; // what the user should know of it (files that gave no text, other options)
};

// The rows of a view: the cells of a ResultTable, sorted by a key of their own where one is given
// (numbers by value), and narrowed to the rows that hold a text in any cell (letter case ignored).
// Sorting and finding in many rows run on a thread of their own (BackgroundJob): the rows shown
// change when the new order is ready, and input never waits for it.
class CorpusTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CorpusTableModel(QObject* parent = nullptr);
    ~CorpusTableModel() override;
    void SetRows(std::shared_ptr<ResultTable> table, std::vector<QStringList> sortKeys, int rightAligned);
    const ResultTable& Table() const { return *m_table; }
    // Shows only the rows that hold the text ("" every row).
    void SetFilter(const QString& text);
    // The table rows shown, in the order shown.
    QList<int> ShownRows() const;
    int TableRow(int viewRow) const;
    // True while a new order is being made; WaitForOrder takes it at once.
    bool Busy() const { return m_job.Busy(); }
    void WaitForOrder() { m_job.Wait(); }
    // Up to this many rows the order is made at once, on the windows' thread.
    void SetAtOnceLimit(int rows) { m_atOnce = rows; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order) override;

signals:
    // A new order is shown; sorted: it came from a click on a column header.
    void OrderShown(bool sorted);

private:
    struct Keys;
    void Reorder(bool sorted);
    void ShowOrder(QList<int> order, bool sorted);

    std::shared_ptr<ResultTable> m_table = std::make_shared<ResultTable>();
    std::shared_ptr<Keys> m_keys;
    int m_rightAligned = -1; // the column shown against its right edge (the left context)
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QString m_filter;
    QString m_shownFilter; // the filter of the order shown
    int m_shownColumn = -1;
    Qt::SortOrder m_shownOrder = Qt::AscendingOrder;
    QList<int> m_order; // view row -> table row; every row when m_all
    bool m_all = true;  // the table's own order, every row
    int m_atOnce = 20000;
    BackgroundJob m_job{this};
};

// One view: its controls on top, a find box, the rows, a status line and the two exports.
class CorpusView : public QWidget {
public:
    CorpusView(Ui& ui, const QString& title, QString exportName, QWidget* parent);

    // The rows and what the status line says of them ("4 lines of \"cat\""); a note follows it.
    void SetRows(std::shared_ptr<ResultTable> table, std::vector<QStringList> sortKeys, const QString& count,
                 int rightAligned = -1, const QString& note = {});
    const ResultTable& Rows() const { return m_model->Table(); }
    CorpusTableModel* Model() const { return m_model; }
    bool Busy() const { return m_model->Busy(); }
    // The table rows in the order shown (sorted, found).
    QList<int> ShownOrder() const;
    // Ask for a file and write the rows shown; true when written.
    bool SaveCsv();
    bool SaveText();
    // Sizes the window to the screen of `window` and centres it over that window.
    void PlaceOver(const QWidget* window);

    QHBoxLayout* Controls = nullptr;
    QLineEdit* FindBox = nullptr;
    QTableView* Table = nullptr;
    QLabel* Status = nullptr;
    QPushButton* CsvButton = nullptr;
    QPushButton* TextButton = nullptr;

private:
    bool Save(ExportFormat format, const QString& filter, const QString& extension);
    // The status line: how many rows are shown of how many, and for which find text.
    void ShowStatus();

    Ui& m_ui;
    QString m_exportName;
    QString m_count;
    QString m_note;
    CorpusTableModel* m_model = nullptr;
};

// The context-menu entries of the results list that open the views, and the views themselves
// (children of the results window named "ConcordanceView", "PhrasesView", "StatisticsView",
// "FileSummaryView", "KeywordsView" and "CollocatesView"), the dispersion plot of the current
// word ("DispersionView") and the text of a file at a hit ("FileView"), opened from a mark of the
// plot or a line of the words in context.
class CorpusAdditions : public QObject {
public:
    CorpusAdditions(Ui& ui, ResultsModel& model, QTreeView& list, QWidget& window);
    ~CorpusAdditions() override;

    // Called when a run has filled the results.
    void SetRun(CorpusRunInfo run);

    // The converted text of each file of the last run. The one place the views get their texts.
    QList<ConvertedText> LastRunTexts();
    // The texts the run left for the views, in the views' order of files.
    void AdoptRunTexts();
    // Removes the views' own conversions (and their folder); the next view converts again. Done
    // when a run is set, when the results window is hidden (the views close with it) and by the
    // main window when the program ends.
    void DropTexts();

    CorpusView* ShowConcordance();
    CorpusView* ShowPhrases();
    CorpusView* ShowStatistics();
    CorpusView* ShowFileSummary();
    // Keywords of the results list against a reference the user chooses (KeywordViews.cpp).
    CorpusView* ShowKeywords();
    // The collocates of the list's current word.
    CorpusView* ShowCollocates();
    // The dispersion plot of the list's current word.
    DispersionView* ShowPlot();
    // The text of a file (index into the views' texts) at one of its hits, in text order.
    FileView* ShowInFile(int text, QList<DispersionHit> hits, int hit);
    // The file view at the words in context's current line.
    FileView* ShowLineInFile();
    // True while a reference is being counted (the window stays usable meanwhile).
    bool CountingReference() const { return m_countingReference; }

    // The concordance's controls (for its window's tests).
    QLineEdit* WordBox = nullptr;
    QComboBox* FileBox = nullptr;
    QSpinBox* ContextBox = nullptr;
    QPushButton* ShowButton = nullptr;
    // The phrases' controls.
    QSpinBox* LengthBox = nullptr;
    QSpinBox* MinCountBox = nullptr;
    QComboBox* OrderBox = nullptr;
    QPushButton* CountButton = nullptr;
    // The keywords' controls.
    QLineEdit* ReferenceBox = nullptr; // what the reference is (read only)
    QPushButton* FolderButton = nullptr;
    QPushButton* FileButton = nullptr;
    QPushButton* StopButton = nullptr; // shown while a reference is counted
    GuiProgressBar* ReferenceProgress = nullptr;
    QComboBox* KeywordSortBox = nullptr;
    QCheckBox* NegativeBox = nullptr;
    QSpinBox* KeywordMinBox = nullptr;
    // The collocates' controls.
    QLineEdit* NodeBox = nullptr;
    QSpinBox* LeftBox = nullptr;
    QSpinBox* RightBox = nullptr;
    QComboBox* MeasureBox = nullptr;
    QSpinBox* CollocateMinBox = nullptr;
    QPushButton* CollocateButton = nullptr;

protected:
    // The views go when the results window is hidden.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The view, created (named `name`) when it is not there; placed over the results when hidden.
    CorpusView* Open(QPointer<CorpusView>& view, const QString& name, const QString& title, const QString& exportName);
    void FillConcordance();
    void FillPhrases();
    void BuildKeywordControls(CorpusView* view);
    void BuildCollocateControls(CorpusView* view);
    void ChooseReferenceFolder();
    void ChooseReferenceFiles();
    // Reads or counts the reference when it is not counted yet; false when it has no words.
    bool ReadReference();
    // Counts the reference's files as the run counted its own; false when stopped.
    bool CountReference(const QStringList& files, bool textInput);
    void ShowCounting(bool counting);
    void FillKeywords();
    void FillCollocates();
    void HideViews();
    // The word and file of the list's current row ("" and -1 when none).
    QString CurrentWord(int& file) const;

    Ui& m_ui;
    ResultsModel& m_model;
    QTreeView& m_list;
    QWidget& m_window;
    CorpusRunInfo m_run;
    QList<ConvertedText> m_texts;
    std::shared_ptr<QTemporaryDir> m_work; // the run's texts, or fresh conversions of the views
    QPointer<CorpusView> m_concordance;
    QPointer<CorpusView> m_phrases;
    QPointer<CorpusView> m_statistics;
    QPointer<CorpusView> m_summary;
    QPointer<CorpusView> m_keywords;
    QPointer<CorpusView> m_collocates;
    QPointer<DispersionView> m_plot;
    QPointer<FileView> m_fileView;
    QList<ConcordanceLine> m_lines; // the words in context shown, one per row of their table
    KeywordReference m_reference;
    bool m_countingReference = false;
    bool m_stopReference = false;       // asked of the reference's count
    QAction* m_summaryAction = nullptr; // on only after a run that counts each file on its own
    BackgroundJob m_profileJob{this};   // the file summary's lexical profiles
};
