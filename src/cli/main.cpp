// lexitally-cli: the commands without windows: the run, the corpus commands, merge and the store.

#include "cli/Commands.h"
#include "cli/ConsoleUi.h"
#include "core/base/Environment.h"
#include "core/base/Paths.h"

#include <QCoreApplication>

#include <cstdlib>
#include <exception>
#include <new>
#include <unistd.h>

namespace {

constexpr int kStepFailed = 3;

// Memory refused where it cannot be caught (inside code that may not throw, such as a hash's
// growth) ends the program as memory refused anywhere else does, not with an abort.
[[noreturn]] void EndForWantOfMemory() {
    static const char kText[] =
        "lexitally-cli: out of memory: the system refused the memory the work needs; nothing was written\n";
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, kText, sizeof kText - 1);
    ::_exit(kStepFailed);
}

void EndOnUncaughtWantOfMemory() {
    if (const std::exception_ptr thrown = std::current_exception()) {
        try {
            std::rethrow_exception(thrown);
        } catch (const std::bad_alloc&) {
            EndForWantOfMemory();
        } catch (...) {
        }
    }
    std::abort();
}

} // namespace

int main(int argc, char** argv) {
    std::set_terminate(EndOnUncaughtWantOfMemory);
    QCoreApplication app(argc, argv);
    UseEnvironment(ReadEnvironment());
    // Decoded without loss: a path named by bytes that are not UTF-8 is reported by its bytes.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << DecodeFileName(QByteArray(argv[i]));
    }
    try {
        return RunCommand(arguments);
    } catch (const std::bad_alloc&) {
        // The work folder went as the stack unwound; an output is put in place only when whole.
        PrintError(QStringLiteral("out of memory: the system refused the memory the work needs; nothing was written"));
        return kStepFailed;
    }
}
