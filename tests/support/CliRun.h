#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What a run of the built command line gave.
struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs the built lexitally-cli in folder with the test's (isolated) environment; input is
// what it reads on standard input.
Outcome RunCli(const QStringList& arguments, const QString& folder, const QByteArray& input = {});

// Runs the built lexitally-cli as another user (through runuser; the caller is the superuser)
// with the isolated environment's variables handed on. The folders it uses must be that user's.
Outcome RunCliAs(const QString& user, const QStringList& arguments, const QString& folder);
