#pragma once

#include <QString>

class QSqlDatabase;
class QSqlError;

// The working database: a scratch copy of the template database in the data folder. The
// database method opens it for every run and counts in a temporary table of its connection;
// the file itself holds nothing of a run, so it can always be replaced by a fresh copy.

// The statement that makes tbWords where it is missing.
const QString& WordTableStatement();

// The description of a database error; never empty.
QString ErrorText(const QSqlError& error);

// Copies the template to the working database when the working database is missing. Throws
// Failure ("File not found: " + template) when the template is missing too.
void CopyTemplateDatabase();

// Makes the data folder and the working database ready: a copy of the template when the
// working database is missing, or a new database holding tbWords when the template is absent
// too. Throws Failure.
void EnsureWorkingDatabase();

// Replaces the working database, whatever it holds, by a fresh copy of the template (or a new
// database holding tbWords when the template is absent). The file is swapped in whole, so a
// connection that still has the old file open keeps reading it. Throws Failure.
void RebuildWorkingDatabase();

// Opens db (a QSQLITE connection) on the working database for one run, made ready first: one
// that is missing is created; one that cannot serve a run (no database, damaged, read-only)
// is rebuilt; words that an earlier version left in the file's tbWords are cleared away and
// the file shrunk. Returns why it was rebuilt, or "" when it was used as it was. Throws
// Failure when the working database can be neither used nor rebuilt.
QString OpenWorkingDatabase(QSqlDatabase& db);

// The message that tells the user the working database was rebuilt, and why.
QString RebuiltDatabaseText(const QString& path, const QString& reason);
