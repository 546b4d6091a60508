#include "cli/Signals.h"

#include "cli/ConsoleUi.h"

#include <QString>

#include <csignal>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_signal = 0;
volatile std::sig_atomic_t g_endAtOnce = 0;

template <std::size_t N> void WriteNow(const char (&text)[N]) {
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, text, N - 1);
}

void OnSignal(int signal) {
    if (g_endAtOnce != 0) {
        if (signal == SIGINT) {
            WriteNow("lexitally-cli: interrupted; nothing was written\n");
        } else {
            WriteNow("lexitally-cli: terminated; nothing was written\n");
        }
        ::_exit(128 + signal);
    }
    g_signal = signal;
}

} // namespace

void InstallStopSignals(SignalMode mode) {
    SetSignalMode(mode);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a read, write or open that blocks returns with EINTR so that the signal is
    // seen; SA_RESETHAND: a second signal takes its default action.
    action.sa_flags = SA_RESETHAND;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

void SetSignalMode(SignalMode mode) {
    g_endAtOnce = mode == SignalMode::EndNothingYet ? 1 : 0;
}

int StopSignal() {
    return g_signal;
}

int StopExitStatus() {
    return 128 + g_signal;
}

int ReportStopped() {
    PrintError(g_signal == SIGINT ? QStringLiteral("interrupted; nothing was written")
                                  : QStringLiteral("terminated; nothing was written"));
    return StopExitStatus();
}
