// The analysis run of the main window.

#include "ErrorReport.h"
#include "Form1.h"
#include "Helpers.h"
#include "Texts.h"
#include "analysis/Converter.h"
#include "analysis/Readability.h"
#include "analysis/SortingDb.h"
#include "analysis/SortingText.h"
#include "results/Form2.h"
#include "results/ResultsModel.h"

#include <cmath>

namespace {
const QString kStart = QStringLiteral("Start Analyzing");
const QString kStop = QStringLiteral("Stop Analyzing");

QString PasswordPrompt(const QString& path) {
    return QStringLiteral("Enter password for file (") + path + QStringLiteral("): ") + QStringLiteral("\r\n") +
           QStringLiteral("Note: Leave this box blank if file is not password protected");
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
        return;
    }
    m_runInProgress = true;
    SetAddingEnabled(false);

    bool empty = false;
    steps(116, [&] { empty = ListView1->topLevelItemCount() == 0; });
    if (empty) {
        steps(118, [&] { m_ui.Message(QStringLiteral("No files added."), m_appTitle); });
        steps(120, [&] { PushButton2->setText(kStart); });
        m_runInProgress = false;
        SetAddingEnabled(true);
        return;
    }

    const CountMode mode = ChosenCountMode();
    steps(124,
          [&] { Results().PrepareColumns(mode == CountMode::AllFiles ? CountMode::AllFiles : CountMode::PerFile); });
    QString unreadable;
    int n = 0;
    steps(128, [&] { n = ListView1->topLevelItemCount(); });
    QString path;
    for (int i = 1; i <= n; ++i) {
        steps(132, [&] { YieldNow(m_yield); });
        steps(134, [&] {
            QTreeWidgetItem* row = ListView1->topLevelItem(i - 1);
            FailIf(!row, QStringLiteral("Index out of bounds"));
            path = row->text(0);
        });
        steps(136, [&] { ProgressBar1->SetValue(PBCurrentValue(i, n, false)); });
        steps(138, [&] { ProgressBar1->SetText(QStringLiteral("Analyze file ") + FileNameFromPath(path) + "... "); });
        steps(140, [&] { SetBusy(true); });
        steps(142, [&] { YieldNow(m_yield); });
        QString password;
        steps(144, [&] {
            if (Check1->isChecked()) {
                password = m_ui.Input(PasswordPrompt(path), QStringLiteral("Input Password"));
            }
        });
        ExtractionOutcome outcome = ExtractionOutcome::NoOutput;
        steps(146, [&] {
            outcome = ConvertForAnalysis(path, password, ProgressBar1, RoundHalfEven(ProgressBar1->Value()), n, m_yield,
                                         &m_ui);
        });
        steps(148, [&] {
            const QString reason = OutcomeReason(outcome, !password.isEmpty());
            if (!reason.isEmpty()) {
                unreadable += QStringLiteral("\r\n") + path + reason;
            }
        });
    }

    steps(152, [&] {
        PassInputs inputs;
        inputs.mode = mode;
        inputs.ignoreCase = [this] { return Check3->isChecked(); };
        inputs.pdfPaths = FileListPaths();
        inputs.stopRequested = [this] { return m_stopRequested; };
        inputs.progress = ProgressBar1;
        inputs.results = Results().Model();
        inputs.yield = m_yield;
        inputs.ui = &m_ui;
        if (Option3->isChecked()) {
            if (m_providerAvailable) {
                SortingDB(inputs);
            } else {
                SortingText(inputs);
            }
        } else if (Option4->isChecked()) {
            SortingText(inputs);
        }
    });
    steps(154, [&] {
        SetBusy(false);
        ProgressBar1->SetValue(0);
        ProgressBar1->SetText(kProgressRest);
        PushButton2->setText(kStart);
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
            Results().show();
            hide();
        });
    } else {
        steps(166, [&] { m_ui.Message(QStringLiteral("No text was found in PDF(s).") + unreadable, m_appTitle); });
    }
    m_runInProgress = false;
    SetAddingEnabled(true);
}

void Form1::CheckReadability() {
    if (!m_checker) {
        ReadabilityContext context;
        context.paths = [this] { return FileListPaths(); };
        context.ui = &m_ui;
        context.bar = ProgressBar1;
        context.setBusy = [this](bool busy) { SetBusy(busy); };
        context.yield = m_yield;
        context.appTitle = m_appTitle;
        m_checker = std::make_unique<ReadabilityChecker>(std::move(context));
    }
    m_checker->Request();
}
