#pragma once

#include "core/base/Ui.h"

#include <QList>
#include <QString>
#include <functional>
#include <stdexcept>

// What a failure that concerns a file says besides its description, for a reader who is not
// shown the error report: the file, what went wrong with it and the system's reason ("No space
// left on device"). Empty when the failure concerns no file.
struct FileProblem {
    QString file;
    QString what;
    QString reason;
    bool isEmpty() const { return file.isEmpty(); }
};

// A failure with the description that the failing component gave.
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString& description, FileProblem problem = {})
        : std::runtime_error(description.toStdString()), m_problem(std::move(problem)) {}
    QString Description() const { return QString::fromUtf8(what()); }
    const FileProblem& Problem() const { return m_problem; }

private:
    FileProblem m_problem;
};

// Throws a Failure with the description when the condition holds. Evaluate the condition
// before the call: the order in which arguments are evaluated is unspecified, so a description
// read from the same object (errorString()) could be taken before the operation ran.
inline void FailIf(bool condition, const QString& description) {
    if (condition) {
        throw Failure(description);
    }
}

// Source texts of the procedures that carry the error report.
namespace Source {
inline constexpr const char* FormLoad = "in Zentrova2021/08/31.Form1.Form_Load ";
inline constexpr const char* Option3Click = "in Zentrova2021/08/31.Form1.Option3_Click ";
inline constexpr const char* AddFilesClick = "in Zentrova2021/08/31.Form1.PushButton1_Click ";
inline constexpr const char* StartClick = "in Zentrova2021/08/31.Form1.PushButton2_Click ";
inline constexpr const char* HelpClick = "in Zentrova2021/08/31.Form1.PushButton3_Click ";
inline constexpr const char* AddFolderClick = "in Zentrova2021/08/31.Form1.PushButton4_Click ";
inline constexpr const char* ClearListClick = "in Zentrova2021/08/31.Form1.PushButton6_Click ";
inline constexpr const char* SamplesClick = "in Zentrova2021/08/31.Form1.PushButton7_Click ";
inline constexpr const char* GetSubDirectories = "in Morvinta2021/08/31.AddFolder.GetSubDirectories2016 ";
inline constexpr const char* NoTextPdf = "in Zentrova2021/08/31.Main.NoTextPDF ";
inline constexpr const char* ReadabilityCheck = "in Zentrova2021/08/31.Check.CheckByCodeNotPreviewTextbox ";
inline constexpr const char* AppendFile = "in Zentrova2021/08/31.Main.AppendFileFSO ";
inline constexpr const char* CharCount = "in Zentrova2021/08/31.Main.CharCountFSO ";
inline constexpr const char* SortingDb = "in Zentrova2021/08/31.Sorting.SortingDB ";
inline constexpr const char* SortingText = "in Zentrova2021/08/31.Sorting.SortingText ";
inline constexpr const char* BubbleSort = "in Zentrova2021/08/31.Bubble.BubbleSort ";
inline constexpr const char* Form2Load = "in Zentrova2021/08/31.Form2.Form_Load ";
inline constexpr const char* BackClick = "in Zentrova2021/08/31.Form2.PushButton1_Click ";
inline constexpr const char* ClearResultsClick = "in Zentrova2021/08/31.Form2.PushButton9_Click ";
inline constexpr const char* SaveListview = "in Zentrova2021/08/31.Main.SaveListviewProperlySpaced ";
inline constexpr const char* SaveTextClick = "in Zentrova2021/08/31.Form2.PushButton5_Click ";
inline constexpr const char* SaveExcelClick = "in Zentrova2021/08/31.Form2.PushButton3_Click ";
inline constexpr const char* CopyClick = "in Zentrova2021/08/31.Form2.PushButton8_Click ";
} // namespace Source

// The support address that ends the error report and other messages.
QString SupportEmail();

// The full text of the error report box.
QString ErrorReportText(const QString& description, const QString& source, int step);

// One step that failed: the procedure's source text, the step's number and the failure's
// description, as the error report names them.
struct StepFailure {
    QString source;
    int step = 0;
    QString description;
    FileProblem problem; // the file it concerns, when it concerns one
};

// The error report's text of a failed step (see ErrorReportText).
QString ErrorReportText(const StepFailure& failure);

// A Ui that appends every failed step reported through it to a list, in the order they failed,
// and passes everything (the failures included, so they are shown as they happen) on to the Ui
// it stands for; without one it shows nothing and answers as SilentUi. Several logs may share
// one list.
class FailureLog : public Ui {
public:
    FailureLog(Ui* shown, QList<StepFailure>& failures) : m_shown(shown), m_failures(failures) {}

    MsgAnswer Message(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon) override;
    QString Input(const QString& prompt, const QString& title) override;
    QStringList OpenFiles(const QString& title, const QString& filter) override;
    QString SaveFile(const QString& title, const QString& filter) override;
    QString SaveFileAt(const QString& title, const QString& filter, const QString& suggested) override;
    QString BrowseForFolder(const QString& title, const QString& startFolder) override;
    bool OpenUrl(const QUrl& url) override;
    void ReportFailure(const QString& description, const QString& source, int step) override;
    void ReportStepFailure(const StepFailure& failure) override;

private:
    Ui* m_shown;
    SilentUi m_silent;
    QList<StepFailure>& m_failures;
};

// Shows the error report: caption "Application Error", exclamation icon, OK only.
void ShowErrorReport(Ui& ui, const QString& description, const QString& source, int step);

// Runs the numbered steps of one reporting procedure. A step that throws shows the
// error report and the procedure goes on with its next step; the report stays armed.
//
//     ErrorReport steps(ui, Source::HelpClick);
//     steps(100, [&] { ... });
//     steps(102, [&] { ... });
class ErrorReport {
public:
    ErrorReport(Ui& ui, QString source) : m_ui(&ui), m_source(std::move(source)) {}
    // Without a Ui the failures are still caught, but nothing is shown.
    ErrorReport(Ui* ui, QString source) : m_ui(ui), m_source(std::move(source)) {}

    // Runs body as step `step`; true when it finished without a failure.
    bool operator()(int step, const std::function<void()>& body);

    // Reports a failure that the caller caught itself.
    void Report(int step, const QString& description, const FileProblem& problem = {});

    const QString& SourceText() const { return m_source; }
    // Where the failures are reported (null: nowhere).
    Ui* ReportsTo() const { return m_ui; }

private:
    Ui* m_ui;
    QString m_source;
};
