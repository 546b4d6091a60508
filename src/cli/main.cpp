// lexitally-cli: the commands without windows: the run, the corpus commands, merge and the store.

#include "cli/CliOptions.h"
#include "cli/ConsoleUi.h"
#include "cli/Corpus.h"
#include "cli/Inputs.h"
#include "cli/Merge.h"
#include "cli/Store.h"
#include "cli/WordCount.h"
#include "core/base/Places.h"

#include <QCoreApplication>

#include <cstdlib>
#include <exception>
#include <new>
#include <unistd.h>

namespace {

constexpr int kUsage = 2;
constexpr int kStepFailed = 3;

// Refuses a merge whose output is one of its parts before the merge reads anything.
int CheckMergeOutput(const QStringList& arguments) {
    const ParsedArguments parsed = ParseCommandArguments(kMergeCommand, arguments);
    if (!parsed.options) {
        return 0; // the merge says what is wrong
    }
    const CliOptions& options = *parsed.options;
    const QString clash = InputThatIsOutput(options.output, options.paths, options.paths.contains(QStringLiteral("-")));
    if (clash.isEmpty()) {
        return 0;
    }
    const QString output = options.output.isEmpty() || options.output == QStringLiteral("-")
                               ? QStringLiteral("standard output")
                               : QStringLiteral("the output ") + options.output;
    PrintError(QStringLiteral("merge: ") + output + QStringLiteral(" is one of the inputs (") + clash +
               QStringLiteral("); choose another file"));
    return kUsage;
}

// Runs the command the arguments name; returns the exit status.
int RunCommand(const QStringList& arguments) {
    if (arguments.value(1) == QStringLiteral("concordance")) {
        return RunCorpusCommand(CorpusCommand::Concordance, arguments.mid(2));
    }
    if (arguments.value(1) == QStringLiteral("phrases")) {
        return RunCorpusCommand(CorpusCommand::Phrases, arguments.mid(2));
    }
    if (arguments.value(1) == QStringLiteral("cache")) {
        return RunCacheCommand(arguments.mid(2));
    }
    if (arguments.value(1) == QStringLiteral("merge")) {
        const int refused = CheckMergeOutput(arguments.mid(2));
        if (refused == 0) {
            RemoveAbandonedWorkFolders();
        }
        return refused != 0 ? refused : RunMerge(arguments.mid(2));
    }
    const ParsedArguments parsed = ParseArguments(arguments.mid(1));
    if (parsed.help) {
        return PrintOutput(UsageText());
    }
    if (parsed.version) {
        return PrintOutput(VersionText() + u'\n');
    }
    if (!parsed.options) {
        PrintError(parsed.error + QStringLiteral(" (see --help)"));
        return 2;
    }
    return ExitStatus(CountWords(*parsed.options));
}

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
    try {
        return RunCommand(app.arguments());
    } catch (const std::bad_alloc&) {
        // The work folder went as the stack unwound; an output is put in place only when whole.
        PrintError(QStringLiteral("out of memory: the system refused the memory the work needs; nothing was written"));
        return kStepFailed;
    }
}
