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

class ProgressSink;
class Ui;

// Resolves the PATH arguments into rows of the pass, each with its text in place.
// With --text, an input is copied to the text file of its path as given (the pass deletes the
// texts it reads; the user's own file is never changed). Otherwise a folder stands for every
// PDF file below it, found as the folder scan of the main window finds them, and every PDF is
// converted as the analysis run converts it; files that give no text are listed as unreadable
// with the run's reason and stay rows of the pass, as in the window.
PreparedInputs PrepareInputs(const CliOptions& options, ProgressSink* progress, Ui& ui);
