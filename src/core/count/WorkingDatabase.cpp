#include "core/count/WorkingDatabase.h"

#include "core/base/ErrorReport.h"
#include "core/base/Files.h"
#include "core/base/Places.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

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
    const QString name = QStringLiteral("lexitally-create-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(working);
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
