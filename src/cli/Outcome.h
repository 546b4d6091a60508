#pragma once

#include "core/extract/Unreadable.h"

#include <QList>

// How a command ended. Every command returns one; the exit status is decided from it in one place
// (ExitStatus), as --help documents it.
struct CommandOutcome {
    enum class End {
        Written,     // the output was written: the status follows from what the command met
        Usage,       // 2: asked for what cannot be done (said on standard error)
        NotWritten,  // 1: the output could not be made or written (said)
        Interrupted, // 128 + the signal: nothing was written
    };
    End end = End::Written;
    bool stepFailed = false;          // a step failed: its numbers may be incomplete
    bool pathProblem = false;         // a PATH, or a folder below one, could not be read
    QList<UnreadableFile> unreadable; // the files that gave no text, with their kinds
    bool rows = false;                // the output holds rows

    static CommandOutcome Ended(End end) {
        CommandOutcome outcome;
        outcome.end = end;
        return outcome;
    }
};

// The exit status: 2 for usage, 1 when nothing was written, 128 + the signal (said on standard
// error) when interrupted; for a written output 3 when its numbers may be incomplete (a step
// failed, a file's text was lost to the machine), 4 when an input could not be read, 1 without
// rows, else 0.
int ExitStatus(const CommandOutcome& outcome);
