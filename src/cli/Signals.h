#pragma once

// SIGINT and SIGTERM end a command-line run cleanly: the first one is only noted here, and the
// run gives up at its next step (blocking reads, writes and waits return to look at it). A
// second one ends the program at once.

// Installs the handlers (without restarting interrupted system calls).
void InstallStopSignals();

// The signal that asked the run to end (SIGINT, SIGTERM), or 0.
int StopSignal();

inline bool StopSignalled() {
    return StopSignal() != 0;
}

// The exit status after that signal: 128 + its number.
int StopExitStatus();
