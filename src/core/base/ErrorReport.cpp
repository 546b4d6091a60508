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

void Ui::ReportFailure(const QString& description, const QString& source, int step) {
    Message(ErrorReportText(description, source, step), QStringLiteral("Application Error"), MsgButtons::Ok,
            MsgIcon::Exclamation);
}

void ShowErrorReport(Ui& ui, const QString& description, const QString& source, int step) {
    ui.ReportFailure(description, source, step);
}

bool ErrorReport::operator()(int step, const std::function<void()>& body) {
    try {
        body();
        return true;
    } catch (const Failure& failure) {
        Report(step, failure.Description());
    } catch (const std::exception& e) {
        Report(step, QString::fromUtf8(e.what()));
    }
    return false;
}

void ErrorReport::Report(int step, const QString& description) {
    if (m_ui) {
        ShowErrorReport(*m_ui, description, m_source, step);
    }
}
