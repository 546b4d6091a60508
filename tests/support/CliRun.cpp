#include "support/CliRun.h"

#include "support/TestEnv.h"

#include <QProcess>

namespace {

Outcome Finish(QProcess& process) {
    Outcome outcome;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        return outcome;
    }
    outcome.exitCode = process.exitCode();
    outcome.out = process.readAllStandardOutput();
    outcome.err = process.readAllStandardError();
    return outcome;
}

} // namespace

Outcome RunCli(const QStringList& arguments, const QString& folder, const QByteArray& input) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(TestBinDir() + QStringLiteral("/lexitally-cli"), arguments);
    process.write(input);
    process.closeWriteChannel();
    return Finish(process);
}

Outcome RunCliAs(const QString& user, const QStringList& arguments, const QString& folder) {
    QStringList command{QStringLiteral("-u"), user, QStringLiteral("--"), QStringLiteral("env")};
    for (const char* name :
         {"TEMP", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "HOME", "LEXITALLY_APP_DIR"}) {
        command << QLatin1String(name) + u'=' + qEnvironmentVariable(name);
    }
    command << TestBinDir() + QStringLiteral("/lexitally-cli") << arguments;
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral("runuser"), command);
    return Finish(process);
}
