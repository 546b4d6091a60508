// The analysis run of the main window.

#include "core/base/ErrorReport.h"
#include "core/base/Paths.h"
#include "core/base/Places.h"
#include "core/base/Texts.h"
#include "core/count/CountingPass.h"
#include "core/count/StopWords.h"
#include "core/extract/Converter.h"
#include "core/extract/Readability.h"
#include "core/run/AnalysisRun.h"
#include "gui/CorpusViews.h"
#include "gui/Form1.h"
#include "gui/Form2.h"
#include "gui/GuiHelpers.h"
#include "gui/ResultsModel.h"

#include <QSet>

#include <cmath>

namespace {
const QString kStart = QStringLiteral("Start Analyzing");
const QString kStop = QStringLiteral("Stop Analyzing");

QString PasswordPrompt(const QString& path) {
    return QStringLiteral("Enter password for file (") + path + QStringLiteral("): ") + QStringLiteral("\r\n") +
           QStringLiteral("Note: Leave this box blank if file is not password protected");
}

// The main window's part in a run: the busy pointer, the password box, the stop button.
class WindowRunObserver : public RunObserver {
public:
    explicit WindowRunObserver(Form1& form) : m_form(form) {}
    void FileStarting(int, int, const QString&) override { m_form.SetBusy(true); }
    QString Password(const QString& path) override {
        if (!m_form.Check1->isChecked()) {
            return {};
        }
        const QString password = m_form.UserInterface().Input(PasswordPrompt(path), QStringLiteral("Input Password"));
        passwords.insert(path, password);
        return password;
    }
    QHash<QString, QString> passwords; // kept for the corpus views
    bool StopRequested() override {
        const bool stop = m_form.StopRequested();
        stopSeen = stopSeen || stop;
        return stop;
    }
    // The counting (or a conversion) saw the stop and ended early: the results are partial. A stop
    // that comes once nothing asks for it any more cuts nothing short.
    bool stopSeen = false;

private:
    Form1& m_form;
};

// Converters at once, for the run and the readability check: the setting "Jobs" (0 or missing:
// one per processor).
int ConverterJobs(const SettingsStore& settings) {
    const int jobs = settings.Get(QStringLiteral("Jobs"), QStringLiteral("0")).toInt();
    return jobs > 0 ? jobs : DefaultJobs();
}
} // namespace

int Form1::PBCurrentValue(int current, int total, bool finished) {
    return FileProgressPercent(current, total, finished);
}

Form2& Form1::Results() {
    if (!m_form2) {
        m_form2 = std::make_unique<Form2>(m_ui, this, m_options.endProgram);
        m_form2->Form_Load();
    }
    return *m_form2;
}

CountMode Form1::ChosenCountMode() const {
    if (Option1->isChecked()) {
        return CountMode::AllFiles;
    }
    return Option2->isChecked() ? CountMode::PerFile : CountMode::None;
}

void Form1::SetAddingEnabled(bool enabled) {
    for (QPushButton* button : {PushButton1, PushButton4, PushButton7}) {
        button->setEnabled(enabled);
    }
}

void Form1::PushButton2_Click() {
    ErrorReport steps(m_ui, QString::fromLatin1(Source::StartClick));
    bool stopping = false;
    steps(100, [&] { stopping = PushButton2->text() != kStart; });
    if (stopping) {
        steps(102, [&] { m_stopRequested = true; });
        steps(104, [&] { PushButton2->setText(kStart); });
        return;
    }
    steps(108, [&] { PushButton2->setText(kStop); });
    steps(110, [&] { m_stopRequested = false; });
    if (m_runInProgress) {
        return; // the stop is withdrawn
    }
    m_runInProgress = true;
    SetAddingEnabled(false);
    // A readability check still converting ends first and hands its conversions over to the run,
    // which starts once the check has ended (CheckReadability).
    if (m_checker && m_checker->Running()) {
        m_runAfterCheck = true;
        m_checker->End();
        return;
    }
    Analyze(steps);
}

void Form1::StartAfterCheck() {
    m_runAfterCheck = false;
    if (m_unloaded || m_stopRequested) {
        // Stopped (or the program ended) before the run began: what the check handed over ends.
        Cache().EndHandedOver();
        m_runInProgress = false;
        SetAddingEnabled(true);
        return;
    }
    ErrorReport steps(m_ui, QString::fromLatin1(Source::StartClick));
    Analyze(steps);
}

AnalysisRequest Form1::RunRequest(CountMode mode) {
    AnalysisRequest request;
    request.workFolder = m_runFolder ? m_runFolder->path() : QString();
    request.converter = m_converter;
    request.rows = {[this] { return static_cast<qsizetype>(ListView1->topLevelItemCount()); },
                    [this](qsizetype i) { return ListView1->topLevelItem(static_cast<int>(i))->text(0); }};
    request.mode = mode;
    request.ignoreCase = [this] { return Check3->isChecked(); };
    request.databaseWanted = Option3->isChecked();
    request.textWanted = Option4->isChecked();
    request.providerAvailable = m_providerAvailable;
    request.jobs = ConverterJobs(m_settings);
    request.letters = CheckAllLetters->isChecked() ? LetterRule::AllLanguages : LetterRule::Ascii;
    request.words = ChosenWordOptions();
    request.ocr = ChosenOcr();
    if (CheckStopWords->isChecked()) {
        try {
            request.stopWords = ReadStopWords(ComboStopWords->currentData().toString());
        } catch (const Failure& failure) {
            // The run goes on with every word; the user learns why.
            m_ui.Message(QStringLiteral("The list of common words cannot be read: ") + failure.Description(),
                         m_appTitle);
        }
    }
    return request;
}

void Form1::GiveViewsTheRun(const AnalysisRequest& request, const AnalysisSummary& summary,
                            const QHash<QString, QString>& passwords, const QList<ConvertedText>& texts) {
    CorpusAdditions* corpus = Results().Corpus();
    if (!corpus) {
        return;
    }
    CorpusRunInfo run;
    run.rows = summary.paths;
    QSet<QString> listed;
    for (qsizetype i = 0; i < summary.paths.size(); ++i) {
        const QString& path = summary.paths[i];
        if (listed.contains(path)) {
            continue;
        }
        listed.insert(path);
        run.files.append(
            {path, request.labels.value(i, FileLabel(path)), passwords.value(path), summary.ocrRead.contains(path)});
    }
    run.rule = {request.letters, Check3->isChecked(), summary.method == FrequencyMethodKind::Database, request.words};
    run.mode = request.mode;
    run.converter = m_converter;
    run.cache = &Cache();
    run.running = &m_converters;
    run.unreadable = summary.unreadable;
    run.ocrRead = summary.ocrRead;
    run.ocrLanguages = request.ocr.languages;
    run.jobs = request.jobs;
    run.request = request;
    run.request.rows = {};
    run.request.labels.clear();
    run.request.ignoreCase = [ignore = run.rule.ignoreCase] { return ignore; };
    run.store = KeptTexts();
    if (!texts.isEmpty()) {
        run.texts = texts;
        run.textFolder = std::move(m_runFolder);
    }
    corpus->SetRun(std::move(run));
}

void Form1::Analyze(ErrorReport& steps) {
    bool empty = false;
    steps(116, [&] { empty = ListView1->topLevelItemCount() == 0; });
    if (empty) {
        steps(118, [&] { m_ui.Message(QStringLiteral("No files added."), m_appTitle); });
        steps(120, [&] { PushButton2->setText(kStart); });
        m_runInProgress = false;
        SetAddingEnabled(true);
        return;
    }

    // Scanned pages are read only when OCR can run; otherwise the user learns what to install.
    if (ActionOcr->isChecked() && !OcrUsable()) {
        PushButton2->setText(kStart);
        m_runInProgress = false;
        SetAddingEnabled(true);
        return;
    }

    const CountMode mode = ChosenCountMode();
    steps(124,
          [&] { Results().PrepareColumns(mode == CountMode::AllFiles ? CountMode::AllFiles : CountMode::PerFile); });

    // The run's own folder for its converted texts, so that two windows never share one.
    steps(126, [&] { m_runFolder = NewWorkFolder(QStringLiteral("run")); });
    WindowRunObserver observer(*this);
    const AnalysisRequest request = RunRequest(mode);
    AnalysisContext context;
    context.progress = ProgressBar1;
    context.results = Results().Model();
    context.observer = &observer;
    context.converters = &m_converters;
    context.cache = &Cache();
    context.store = KeptTexts();
    context.yield = m_yield;
    context.ui = &m_ui;
    // The texts stay for the corpus views, which take the run's folder with them.
    QList<ConvertedText> counted;
    if (Results().Corpus()) {
        context.textsReady = [&counted](const QList<ConvertedText>& texts, FrequencyMethodKind) { counted = texts; };
    }
    const AnalysisSummary summary = RunAnalysis(request, context, steps);
    TrimKeptTexts();
    // A conversion handed over by the readability check that the run did not take (another
    // password, a file that changed) ends with it.
    Cache().EndHandedOver();
    GiveViewsTheRun(request, summary, observer.passwords, counted);
    QString unreadable = UnreadableList(summary.unreadable);
    m_runFolder.reset();
    ShowRunEnd(steps, unreadable, observer.stopSeen);
}

void Form1::ShowRunEnd(ErrorReport& steps, QString unreadable, bool stopped) {
    // A run the stop cut short shows what it has, marked as partial.
    steps(154, [&] {
        SetBusy(false);
        ProgressBar1->SetValue(0);
        ProgressBar1->SetText(kProgressRest);
        PushButton2->setText(kStart);
        Results().MarkPartial(stopped);
    });
    steps(156, [&] {
        if (!unreadable.isEmpty()) {
            unreadable = QStringLiteral("\r\nThe following files could not be read:") + unreadable;
        }
    });
    bool haveRows = false;
    steps(158, [&] { haveRows = Results().Model()->RowCount() >= 1; });
    if (haveRows) {
        steps(160, [&] {
            if (!unreadable.isEmpty()) {
                m_ui.Message(QStringLiteral("Done.") + unreadable, m_appTitle);
            }
        });
        steps(162, [&] {
            TakePlaceOf(&Results(), this);
            Results().show();
            hide();
        });
    } else {
        steps(166, [&] { m_ui.Message(QStringLiteral("No text was found in PDF(s).") + unreadable, m_appTitle); });
    }
    m_runInProgress = false;
    SetAddingEnabled(true);
}

ConversionCache& Form1::Cache() {
    if (!m_cache) {
        try {
            m_cacheFolder = NewWorkFolder(QStringLiteral("cache"));
        } catch (const Failure&) {
            m_cacheFolder.reset(); // no folder: every conversion is made anew
        }
        m_cache = std::make_unique<ConversionCache>(m_cacheFolder ? m_cacheFolder->path() : QString());
        m_cache->SetStore(m_store.get());
    }
    return *m_cache;
}

void Form1::ForgetUnlisted(const QStringList& removed) {
    if (!m_cache) {
        return;
    }
    const QStringList listed = FileListPaths();
    for (const QString& path : removed) {
        if (!listed.contains(path)) {
            m_cache->Forget(path);
        }
    }
}

void Form1::CheckReadability() {
    if (!m_checker) {
        ReadabilityContext context;
        context.rows = {[this] { return static_cast<qsizetype>(ListView1->topLevelItemCount()); },
                        [this](qsizetype i) { return ListView1->topLevelItem(static_cast<int>(i))->text(0); }};
        context.ui = &m_ui;
        context.bar = ProgressBar1;
        context.setBusy = [this](bool busy) { SetBusy(busy); };
        context.yield = m_yield;
        context.appTitle = m_appTitle;
        context.running = &m_converters;
        context.converter = m_converter;
        context.cache = &Cache();
        context.jobs = [this] { return ConverterJobs(m_settings); };
        context.ocr = [this] { return ActionOcr->isChecked(); };
        context.moreUnreadable = [this] {
            QString lines;
            for (const SkippedFolder& folder : std::as_const(m_skippedFolders)) {
                lines += folder.path + folder.reason + QStringLiteral("\r\n");
            }
            m_skippedFolders.clear();
            return lines;
        };
        m_checker = std::make_unique<ReadabilityChecker>(std::move(context));
    }
    KeptTexts();
    m_checker->Request();
    // Start was pressed while the check converted: the run begins now that the check has ended.
    if (m_runAfterCheck && !m_checker->Running()) {
        StartAfterCheck();
    }
}
