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
