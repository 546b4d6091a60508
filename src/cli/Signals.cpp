#include "cli/Signals.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t g_signal = 0;

void OnSignal(int signal) {
    g_signal = signal;
}

} // namespace

void InstallStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a read, write or open that blocks returns with EINTR so that the signal is
    // seen; SA_RESETHAND: a second signal takes its default action.
    action.sa_flags = SA_RESETHAND;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

int StopSignal() {
    return g_signal;
}

int StopExitStatus() {
    return 128 + g_signal;
}
