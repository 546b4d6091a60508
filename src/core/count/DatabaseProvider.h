#pragma once

#include <QString>
#include <functional>

class Ui;

// What a probe of the database interface found.
struct ProviderProbeResult {
    bool available = false;
    int errorNumber = 0;
    QString description;
};
using ProviderProbe = std::function<ProviderProbeResult()>;

// The real probe: can a connection object of the SQLite driver be created?
ProviderProbeResult ProbeSqliteDriver();

// The advice box text shown when the database interface is missing.
QString ProviderAdviceText();
// The page that "Yes" in the advice box opens.
QString ProviderInstallPage();

// True when the database interface is available. When it is not and quiet is false, the
// advice box (Yes/No) is shown through ui for a missing provider, and Yes opens the
// installation page. Never shows the error report.
bool CheckDatabaseProvider(bool quiet, Ui* ui, const ProviderProbe& probe = ProbeSqliteDriver);
