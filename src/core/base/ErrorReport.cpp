#include "core/base/ErrorReport.h"

#include "core/base/Ui.h"

#include <exception>

#ifndef LEXITALLY_SUPPORT_EMAIL
#define LEXITALLY_SUPPORT_EMAIL "support@quorvant.example"
#endif

QString SupportEmail() {
    return QStringLiteral(LEXITALLY_SUPPORT_EMAIL);
}

QString ErrorReportText(const QString& description, const QString& source, int step) {
    return description + QStringLiteral("\r\n") + source + QStringLiteral("at line ") + QString::number(step) +
           QStringLiteral("\r\r") + QStringLiteral("Please email screenshot of this message to ") + SupportEmail();
}

QString ErrorReportText(const StepFailure& failure) {
    return ErrorReportText(failure.description, failure.source, failure.step);
}

MsgAnswer FailureLog::Message(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon) {
    return (m_shown ? *m_shown : static_cast<Ui&>(m_silent)).Message(text, caption, buttons, icon);
}

QString FailureLog::Input(const QString& prompt, const QString& title) {
    return m_shown ? m_shown->Input(prompt, title) : QString();
}

QStringList FailureLog::OpenFiles(const QString& title, const QString& filter) {
    return m_shown ? m_shown->OpenFiles(title, filter) : QStringList();
}

QString FailureLog::SaveFile(const QString& title, const QString& filter) {
    return m_shown ? m_shown->SaveFile(title, filter) : QString();
}

QString FailureLog::SaveFileAt(const QString& title, const QString& filter, const QString& suggested) {
    return m_shown ? m_shown->SaveFileAt(title, filter, suggested) : QString();
}

QString FailureLog::BrowseForFolder(const QString& title, const QString& startFolder) {
    return m_shown ? m_shown->BrowseForFolder(title, startFolder) : QString();
}

bool FailureLog::OpenUrl(const QUrl& url) {
    return m_shown && m_shown->OpenUrl(url);
}

void FailureLog::ReportFailure(const QString& description, const QString& source, int step) {
    ReportStepFailure({source, step, description, {}});
}

void FailureLog::ReportStepFailure(const StepFailure& failure) {
    m_failures.append(failure);
    if (m_shown) {
        m_shown->ReportStepFailure(failure);
    }
}

void Ui::ReportFailure(const QString& description, const QString& source, int step) {
    Message(ErrorReportText(description, source, step), QStringLiteral("Application Error"), MsgButtons::Ok,
            MsgIcon::Exclamation);
}

void Ui::ReportStepFailure(const StepFailure& failure) {
    ReportFailure(failure.description, failure.source, failure.step);
}

void ShowErrorReport(Ui& ui, const QString& description, const QString& source, int step) {
    ui.ReportFailure(description, source, step);
}

bool ErrorReport::operator()(int step, const std::function<void()>& body) {
    try {
        body();
        return true;
    } catch (const Failure& failure) {
        Report(step, failure.Description(), failure.Problem());
    } catch (const std::exception& e) {
        Report(step, QString::fromUtf8(e.what()));
    }
    return false;
}

void ErrorReport::Report(int step, const QString& description, const FileProblem& problem) {
    if (m_ui) {
        m_ui->ReportStepFailure({m_source, step, description, problem});
    }
}
