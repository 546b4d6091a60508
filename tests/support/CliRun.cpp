#include "support/CliRun.h"

#include "support/TestEnv.h"

#include <QProcess>

Outcome RunCli(const QStringList& arguments, const QString& folder, const QByteArray& input) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(TestBinDir() + QStringLiteral("/lexitally-cli"), arguments);
    process.write(input);
    process.closeWriteChannel();
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
