#include "gui/DesktopOpen.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

QString RunQuiet(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(3000)) {
        return {};
    }
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(1000);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return {};
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

} // namespace

QString DesktopOpener() {
    return QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
}

bool RunOpener(const QString& program, const QStringList& arguments, const Yield& yield, int settleMs) {
    if (program.isEmpty()) {
        return false;
    }
    // Kept beyond this call when the opener goes on running; it deletes itself once it ends.
    auto* process = new QProcess;
    process->setProgram(program);
    process->setArguments(arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->start();
    if (!process->waitForStarted(-1)) {
        delete process;
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (!process->waitForFinished(20)) {
        if (process->state() == QProcess::NotRunning) {
            break;
        }
        if (clock.elapsed() >= settleMs) {
            QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
            return true;
        }
        YieldNow(yield);
    }
    const bool opened = process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
    delete process;
    return opened;
}

QString CouldNotOpenText(const QUrl& url) {
    const QString blankLine = QStringLiteral("\r\n\r\n");
    if (!url.isLocalFile()) {
        return QStringLiteral("The page could not be opened on this computer. Open this address in your web browser:") +
               blankLine + url.toString();
    }
    const QString path = url.toLocalFile();
    if (QFileInfo(path).isDir()) {
        return QStringLiteral("The folder could not be opened on this computer. You can open it yourself:") +
               blankLine + path;
    }
    return QStringLiteral("The file could not be opened on this computer. You can open it yourself:") + blankLine +
           path;
}

bool OpenOrTell(Ui& ui, const QUrl& url, const QString& caption) {
    if (ui.OpenUrl(url)) {
        return true;
    }
    ui.Message(CouldNotOpenText(url), caption, MsgButtons::Ok, MsgIcon::None);
    return false;
}

SpreadsheetApplication FindSpreadsheetApplication() {
    SpreadsheetApplication found;
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    found.desktopDefault =
        !xdgMime.isEmpty() &&
        !RunQuiet(xdgMime, {QStringLiteral("query"), QStringLiteral("default"),
                            QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet")})
             .isEmpty();
    for (const char* program : {"libreoffice", "soffice", "localc", "gnumeric"}) {
        found.program = QStandardPaths::findExecutable(QString::fromLatin1(program));
        if (!found.program.isEmpty()) {
            break;
        }
    }
    return found;
}

bool SpreadsheetApplicationInstalled() {
    return FindSpreadsheetApplication().Found();
}
