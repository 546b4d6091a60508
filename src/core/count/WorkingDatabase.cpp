#include "core/count/WorkingDatabase.h"

#include "core/base/ErrorReport.h"
#include "core/base/Files.h"
#include "core/base/Places.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QUuid>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// How long a run waits for another connection that holds the file (a clean-up of another run).
constexpr int kBusyMilliseconds = 10000;

// The engine's own words for a failure, without the driver's addition.
QString Reason(const QSqlError& error) {
    const QString text = error.databaseText().trimmed();
    return text.isEmpty() ? ErrorText(error) : text;
}

// True when the failure only says that another connection holds the file right now.
bool IsBusy(const QSqlError& error) {
    const int code = error.nativeErrorCode().toInt() & 0xff; // the primary result code
    return code == 5 || code == 6;                           // SQLITE_BUSY, SQLITE_LOCKED
}

// Makes a database holding tbWords at path (an empty or missing file).
void CreateDatabase(const QString& path) {
    const QString name = QStringLiteral("lexitally-create-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open()) {
            failure = ErrorText(db.lastError());
        } else {
            QSqlQuery query(db);
            if (!query.exec(WordTableStatement())) {
                failure = ErrorText(query.lastError());
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    FailIf(!failure.isEmpty(), failure);
}

// Opens db and tells why it cannot serve a run: "" when it can (db is then open). Throws
// Failure when another connection keeps the file longer than a run waits.
QString Problem(QSqlDatabase& db) {
    if (!db.open()) {
        return Reason(db.lastError());
    }
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA quick_check"))) {
        FailIf(IsBusy(query.lastError()), ErrorText(query.lastError()));
        return Reason(query.lastError());
    }
    if (!query.next() || query.value(0).toString() != QStringLiteral("ok")) {
        return QStringLiteral("database disk image is malformed");
    }
    query.finish();
    if (!QFileInfo(db.databaseName()).isWritable()) {
        return QStringLiteral("the file is read-only");
    }
    return {};
}

// An earlier version kept every word of its last run, in document order, in the file's
// tbWords. Such words are cleared away once and the space they took is given back, so that
// the file tells nothing of what was counted. Returns what went wrong, or "".
QString ClearOldWords(QSqlDatabase& db) {
    QSqlQuery query(db);
    const auto failed = [&query] {
        FailIf(IsBusy(query.lastError()), ErrorText(query.lastError()));
        return Reason(query.lastError());
    };
    if (!query.exec(QStringLiteral("SELECT 1 FROM main.sqlite_master WHERE type = 'table' AND name = 'tbWords' "
                                   "COLLATE NOCASE"))) {
        return failed();
    }
    const bool table = query.next();
    query.finish();
    if (!table) {
        return {};
    }
    if (!query.exec(QStringLiteral("SELECT EXISTS (SELECT 1 FROM main.tbWords)"))) {
        return failed();
    }
    const bool words = query.next() && query.value(0).toBool();
    query.finish();
    if (!words) {
        return {};
    }
    if (!query.exec(QStringLiteral("DELETE FROM main.tbWords")) || !query.exec(QStringLiteral("VACUUM"))) {
        return failed();
    }
    return {};
}

} // namespace

const QString& WordTableStatement() {
    static const QString statement = QStringLiteral("CREATE TABLE IF NOT EXISTS tbWords (Word TEXT)");
    return statement;
}

QString ErrorText(const QSqlError& error) {
    const QString text = error.text().trimmed();
    return text.isEmpty() ? QStringLiteral("Unspecified database error") : text;
}

void CopyTemplateDatabase() {
    const QString working = WorkingDatabasePath();
    if (FileExists(working)) {
        return;
    }
    const QString blank = TemplateDatabasePath();
    FailIf(!FileExists(blank), QStringLiteral("File not found: ") + blank);
    QFile from(blank);
    const bool copied = from.copy(working);
    // Another run that started at the same moment may have made it first: the copy is renamed
    // into place whole, so the file it finds is complete.
    if (!copied && FileExists(working)) {
        return;
    }
    FailIf(!copied, from.errorString());
    QFile::setPermissions(working, QFile::permissions(working) | QFileDevice::WriteOwner);
}

void EnsureWorkingDatabase() {
    const QString folder = DataFolder();
    FailIf(!QDir().mkpath(folder), QStringLiteral("Path not found: ") + folder);
    const QString working = WorkingDatabasePath();
    if (FileExists(working)) {
        return;
    }
    if (FileExists(TemplateDatabasePath())) {
        CopyTemplateDatabase();
        return;
    }
    CreateDatabase(working);
}

void RebuildWorkingDatabase() {
    const QString folder = DataFolder();
    FailIf(!QDir().mkpath(folder), QStringLiteral("Path not found: ") + folder);
    const QString working = WorkingDatabasePath();
    // The new file is made beside the old one and then renamed over it in one step.
    QTemporaryFile fresh(working + QStringLiteral(".new-XXXXXX"));
    const bool made = fresh.open(); // before its reason is read
    FailIf(!made, fresh.errorString());
    const QString blank = TemplateDatabasePath();
    if (FileExists(blank)) {
        QFile from(blank);
        const bool opened = from.open(QIODevice::ReadOnly);
        FailIf(!opened, from.errorString());
        const QByteArray bytes = from.readAll();
        const bool written = fresh.write(bytes) == bytes.size() && fresh.flush();
        FailIf(!written, fresh.errorString());
        fresh.close();
    } else {
        fresh.close();
        CreateDatabase(fresh.fileName());
    }
    // A journal left by the old file must never be played back into the new one.
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        QFile::remove(working + QLatin1String(suffix));
    }
    const bool replaced =
        std::rename(QFile::encodeName(fresh.fileName()).constData(), QFile::encodeName(working).constData()) == 0;
    FailIf(!replaced, QStringLiteral("cannot replace ") + working + QStringLiteral(": ") +
                          QString::fromLocal8Bit(std::strerror(errno)));
    fresh.setAutoRemove(false);
}

QString OpenWorkingDatabase(QSqlDatabase& db) {
    EnsureWorkingDatabase();
    db.setDatabaseName(WorkingDatabasePath());
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=") + QString::number(kBusyMilliseconds));
    QString problem = Problem(db);
    if (problem.isEmpty()) {
        problem = ClearOldWords(db);
    }
    if (problem.isEmpty()) {
        return {};
    }
    db.close();
    try {
        RebuildWorkingDatabase();
    } catch (const Failure& failure) {
        throw Failure(problem + QStringLiteral("; the working database cannot be rebuilt: ") + failure.Description());
    }
    const QString still = Problem(db);
    FailIf(!still.isEmpty(), still);
    return problem;
}

QString RebuiltDatabaseText(const QString& path, const QString& reason) {
    return QStringLiteral("The working database ") + path + QStringLiteral(" could not be used (") + reason +
           QStringLiteral(") and has been rebuilt.");
}
