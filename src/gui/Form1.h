#pragma once

#include "core/base/Settings.h"
#include "core/base/Ui.h"
#include "core/count/DatabaseProvider.h"
#include "core/count/Pass.h"
#include "core/extract/ConversionCache.h"
#include "core/extract/Converter.h"
#include "core/extract/Ocr.h"
#include "core/filelist/FolderScan.h"
#include "gui/GuiLayout.h"
#include "gui/GuiYield.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ErrorReport;
class Form2;
class ReadabilityChecker;
struct AnalysisRequest;
class TextStore;
struct AnalysisSummary;

// An OCR language by its name ("German" for tesseract's "deu"); the code itself when unknown.
QString OcrLanguageName(const QString& code);

// What a Form1 needs from outside besides the environment. Tests replace these.
struct Form1Options {
    ProviderProbe providerProbe = ProbeSqliteDriver;
    // Ends the program at once; the default leaves the process.
    std::function<void()> endProgram;
};

// The main window: file list, options, the analysis run and its progress bar.
class Form1 : public QWidget {
public:
    explicit Form1(Ui& ui, Form1Options options = {});
    ~Form1() override;

    // Start-up: every step runs under the error report.
    void Form_Load();
    // Shutdown: removes the converter link and ends the program.
    void Form_Unload();

    // Option click handlers (also raised by assignment through the Set* functions below).
    void Check1_Click();
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Option4_Click();
    void PushButton3_Click();
    // The list of common words chosen; "Other list…" asks for the user's own file.
    void ComboStopWords_Click(int index);
    // "Read scanned pages with OCR" ticked or unticked: a tick stands only when OCR can run (else
    // the user learns what to install).
    void ActionOcr_Click();
    // OCR as the run uses it.
    OcrOptions ChosenOcr() const;
    // The options of the "More…" menu that are on, as the window names them beside the button
    // ("word forms: English · OCR"); "" when none is.
    QString MoreOptionsOn() const;
    // The About box: version, licence and the components used.
    void ActionAbout_Click();
    QString AboutText() const;
    // True when OCR can run in the chosen languages; otherwise says what to install.
    bool OcrUsable();

    // File list: adding through the dialog, removing, clearing, reordering by dragging.
    void PushButton1_Click();
    void PushButton6_Click();
    void ListView1_KeyDown(int key);
    void ListView1_DblClick();
    void AddFileRow(const QString& path);
    void AddFileRows(const QStringList& paths);
    QStringList FileListPaths() const;
    // The readability check over the whole list (after every addition).
    void CheckReadability();

    // Folder scan, dropped files and folders, bundled samples.
    void PushButton4_Click();
    void PushButton7_Click();
    void ListView1_OLEDragDrop(const QStringList& paths);

    // The analysis run.
    void PushButton2_Click();
    // Progress percentage of file `current` of `total`, rounded half to even.
    static int PBCurrentValue(int current, int total, bool finished);
    bool StopRequested() const { return m_stopRequested; }
    bool RunInProgress() const { return m_runInProgress; }
    // The results window, loaded on first use.
    Form2& Results();
    CountMode ChosenCountMode() const;

    // Assignment that raises the click event like the user's click would: selecting an option
    // button always does, deselecting never; a check box only when its state changes.
    void SelectOption(QRadioButton* option, bool selected);
    void SetCheck(QCheckBox* box, bool ticked);

    bool IsBusy() const;
    void SetBusy(bool busy);
    bool ProviderAvailable() const { return m_providerAvailable; }
    const QString& ApplicationTitle() const { return m_appTitle; }
    Ui& UserInterface() { return m_ui; }
    Yield EventPump() const { return m_yield; }
    const QCursor& HandCursor() const { return m_handCursor; }

    // Controls, under their designer names.
    QPushButton* PushButton1 = nullptr; // "Add PDF File(s)"
    QPushButton* PushButton2 = nullptr; // "Start Analyzing"
    QPushButton* PushButton3 = nullptr; // "Help"
    QPushButton* PushButton4 = nullptr; // "Add All PDF File(s) In Folder"
    QPushButton* PushButton6 = nullptr; // "Clear List"
    QPushButton* PushButton7 = nullptr; // "Load Sample/Example Files"
    QTreeWidget* ListView1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QRadioButton* Option3 = nullptr;
    QRadioButton* Option4 = nullptr;
    QCheckBox* Check1 = nullptr;
    QCheckBox* Check3 = nullptr;
    QCheckBox* CheckAllLetters = nullptr; // words in every alphabet, not only A-Z
    QCheckBox* CheckStopWords = nullptr;  // "Leave out common words"
    QLabel* LabelStopWords = nullptr;     // the list chooser's caption
    QComboBox* ComboStopWords = nullptr;  // English, German, French, Spanish, the user's file, "Other list…"
    // "More…": a menu of the further word options, all off by default.
    QToolButton* ButtonMoreOptions = nullptr;
    QAction* ActionSegment = nullptr;       // "Dictionary words (Chinese, Japanese, Thai, …)"
    QAction* ActionCompatForms = nullptr;   // "Join compatibility forms (presentation forms, full-width letters)"
    QMenu* MenuWordForms = nullptr;         // "Group word forms": "Off" and the stemmers' languages
    QActionGroup* WordFormsGroup = nullptr; // its entries; the checked one's data is the language ("" off)
    QAction* ActionOcr = nullptr;           // "Read scanned pages with OCR"
    QMenu* MenuOcrLanguages = nullptr;      // "OCR languages": the installed ones, several may be ticked
    QAction* ActionKeepTexts = nullptr;     // "Keep converted texts": the store shared with the command line
    QAction* ActionAbout = nullptr;         // "About Lexitally…": version, licence, components
    QLabel* LabelMoreOptions = nullptr;     // under "More…": which of its options are on (hidden when none)
    GuiProgressBar* ProgressBar1 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool FileListEvent(QObject* watched, QEvent* event);

private:
    void BuildControls();
    void BuildWordAdditions();
    void RestoreWordAdditions();
    void RestoreStopList();
    void BuildMoreMenu();
    void ShowMoreOptionsOn();
    void PlaceControls();
    void ConnectHandlers();
    void SetTabOrder();
    // Tab enters an option group at its selected option; the arrow keys move within the group.
    static void FocusSelectedOption(QRadioButton* first, QRadioButton* second);
    void RestoreBool(QRadioButton* option, const QString& key, const QString& defaultValue);
    void SetAddingEnabled(bool enabled);
    void StoreOptionPair(QRadioButton* first, const QString& firstKey, QRadioButton* second, const QString& secondKey);
    // The further word options as the run uses them.
    WordOptions ChosenWordOptions() const;
    // Shows the user's own list of common words in the chooser (one such entry) and selects it.
    void ChooseOwnStopList(const QString& path);
    // OCR of scanned pages in the "More…" menu: built, connected, restored from the settings.
    void BuildOcrOptions(QMenu* more);
    void ConnectOcrOptions();
    void RestoreOcrOptions();
    // The OCR languages menu: the languages installed and those chosen.
    void FillOcrLanguages();
    // The store of converted texts in the "More…" menu: built and connected, restored.
    void BuildStoreOption(QMenu* more);
    void RestoreStoreOption();
    // The store when "Keep converted texts" is ticked, opened at first use and backing the
    // conversion cache; null when unticked or when it cannot be used (said, and unticked).
    TextStore* KeptTexts();
    // Bounds the store (least recently used entries go) after a run and at the end.
    void TrimKeptTexts();

    Ui& m_ui;
    Form1Options m_options;
    TwipsLayout m_layout;
    SettingsStore m_settings;
    Yield m_yield;
    QString m_appTitle;
    QString m_converter; // the converter this window runs, by its real path
    QCursor m_handCursor;
    bool m_providerAvailable = false;
    bool m_unloaded = false;
    int m_stopListChoice = 0;                       // the chooser's entry before "Other list…" was picked
    QString m_ocrLanguages = QStringLiteral("eng"); // the OCR languages, joined by "+"

    // Reordering the file list by dragging.
    bool m_isDragging = false;
    QTreeWidgetItem* m_dragRow = nullptr;
    QCursor m_dragCursor;

    // The analysis run.
    bool m_stopRequested = false;
    bool m_runInProgress = false;
    bool m_runAfterCheck = false; // Start was pressed during a readability check: the run waits for its end
    void StartAfterCheck();
    void Analyze(ErrorReport& steps);
    AnalysisRequest RunRequest(CountMode mode);
    // The corpus views learn the files of the run, their passwords and how it counted.
    void GiveViewsTheRun(const AnalysisRequest& request, const AnalysisSummary& summary,
                         const QHash<QString, QString>& passwords, const QList<ConvertedText>& texts);
    void ShowRunEnd(ErrorReport& steps, QString unreadable, bool stopped);
    // What the window keeps in the temporary folder and the converters it runs, removed and ended
    // when the program ends.
    void RemoveWorkFolders();
    std::unique_ptr<Form2> m_form2;
    std::unique_ptr<ReadabilityChecker> m_checker;
    // Folders of the latest additions that could not be searched; named by the next check.
    SkippedFolders m_skippedFolders;
    // Converters started by this window's runs and checks; ended when the program ends.
    ConverterProcesses m_converters;
    // The folder of the run in progress; removed when the run ends or the program ends.
    std::unique_ptr<QTemporaryDir> m_runFolder;
    // The conversions of the listed files, kept from the readability check for the run; removed
    // when a file leaves the list, at Clear and when the program ends.
    std::unique_ptr<QTemporaryDir> m_cacheFolder;
    std::unique_ptr<ConversionCache> m_cache;
    std::unique_ptr<TextStore> m_store;
    ConversionCache& Cache();
    // Forgets the conversions of files that are no longer listed.
    void ForgetUnlisted(const QStringList& removed);
};
