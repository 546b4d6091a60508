#pragma once

#include "CliOptions.h"

#include <QList>
#include <QString>
#include <QStringList>

struct UnreadableInput {
    QString path; // as given
    QString reason;
};

// The rows of a counting pass and the inputs that could not be used.
struct PreparedInputs {
    QStringList paths;  // the rows, in the order given
    QStringList labels; // per-file label of each row
    QList<UnreadableInput> unreadable;
};

// Resolves the PATH arguments into rows of the pass, each with its text in place. A text
// input is copied to the text file of its path as given (the pass deletes the texts it reads;
// the user's own file is never changed).
PreparedInputs PrepareInputs(const CliOptions& options);
