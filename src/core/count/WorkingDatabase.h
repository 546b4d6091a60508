#pragma once

#include <QString>

class QSqlError;

// The working database: a scratch copy of the template database in the data folder, holding
// the table tbWords of the database method.

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
