#include "core/count/DatabaseProvider.h"

#include "core/base/ErrorReport.h"
#include "core/base/Texts.h"
#include "core/base/Ui.h"

#include <QSqlDatabase>
#include <QUuid>

ProviderProbeResult ProbeSqliteDriver() {
    ProviderProbeResult result;
    const QString name = QStringLiteral("lexitally-probe-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        result.available = db.isValid();
    }
    QSqlDatabase::removeDatabase(name);
    if (!result.available) {
        result.errorNumber = 3706;
        result.description = QStringLiteral("Provider cannot be found. It may not be properly installed.");
    }
    return result;
}

QString ProviderAdviceText() {
    const QStringList lines = {
        QStringLiteral("Error #3706: Provider cannot be found. It may not be properly installed."),
        QStringLiteral("You are getting this error because:"),
        QStringLiteral("1. The SQLite driver for Qt is not installed on your computer."),
        QStringLiteral("2. A set of Qt components to transfer data is not installed on your computer."),
        QStringLiteral("You need to install the Qt 6 SQLite driver (package libqt6sql6-sqlite) to solve this problem."),
        QStringLiteral("Would you like me to open the installation page now so you can do this?"),
        QStringLiteral("(If you have any further questions please email a screenshot of this error message to ") +
            SupportEmail() + u')',
    };
    return lines.join(QStringLiteral("\r\n\r\n"));
}

QString ProviderInstallPage() {
    return QStringLiteral("https://doc.qt.io/qt-6/sql-driver.html");
}

bool CheckDatabaseProvider(bool quiet, Ui* ui, const ProviderProbe& probe) {
    ProviderProbeResult found;
    try {
        found = probe();
    } catch (const std::exception& e) {
        found = {false, 0, QString::fromUtf8(e.what())};
    }
    if (found.available) {
        return true;
    }
    const bool missingProvider =
        found.errorNumber == 3706 ||
        found.description.contains(QStringLiteral("provider cannot be found"), Qt::CaseInsensitive);
    if (missingProvider && !quiet && ui) {
        if (ui->Message(ProviderAdviceText(), ShortenTitle(QStringLiteral("Lexitally")), MsgButtons::YesNo) ==
            MsgAnswer::Yes) {
            ui->OpenUrl(QUrl(ProviderInstallPage()));
        }
    }
    return false;
}
