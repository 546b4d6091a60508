#pragma once

// SIGINT and SIGTERM end a command-line run or merge cleanly. What the first one does depends on
// the mode: noted (the work gives up at its next step; blocking reads, writes and waits return to
// look at it), or, while nothing is on disk yet, the program ends at once saying so. A second
// signal ends the program at once.
enum class SignalMode {
    Note,          // the first signal is noted: StopSignal() tells it
    EndNothingYet, // the program ends at once: "lexitally-cli: interrupted; nothing was written"
};

// Installs the handlers (without restarting interrupted system calls), in the mode given.
void InstallStopSignals(SignalMode mode = SignalMode::Note);

// Changes the mode once the handlers are installed (a merge notes signals once it writes).
void SetSignalMode(SignalMode mode);

// The signal that asked the work to end (SIGINT, SIGTERM), or 0.
int StopSignal();

inline bool StopSignalled() {
    return StopSignal() != 0;
}

// The exit status after that signal: 128 + its number.
int StopExitStatus();

// Says on standard error that the work was interrupted (SIGINT) or terminated and nothing was
// written; returns StopExitStatus().
int ReportStopped();
