// The commands of lexitally-cli by name: the run, concordance, phrases, merge and cache.

#include "cli/Commands.h"

#include "cli/CliOptions.h"
#include "cli/ConsoleUi.h"
#include "cli/Corpus.h"
#include "cli/Inputs.h"
#include "cli/Keywords.h"
#include "cli/Merge.h"
#include "cli/Store.h"
#include "cli/WordCount.h"
#include "core/base/Places.h"

namespace {

constexpr int kUsage = 2;

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
    PrintError(QStringLiteral("merge: ") + OutputIsInputText(options.output, clash));
    return kUsage;
}

} // namespace

int RunCommand(const QStringList& arguments) {
    if (arguments.value(1) == QStringLiteral("concordance")) {
        return RunCorpusCommand(CorpusCommand::Concordance, arguments.mid(2));
    }
    if (arguments.value(1) == QStringLiteral("phrases")) {
        return RunCorpusCommand(CorpusCommand::Phrases, arguments.mid(2));
    }
    if (arguments.value(1) == QStringLiteral("collocates")) {
        return RunCorpusCommand(CorpusCommand::Collocates, arguments.mid(2));
    }
    if (arguments.value(1) == QStringLiteral("dispersion")) {
        return RunCorpusCommand(CorpusCommand::Dispersion, arguments.mid(2));
    }
    if (arguments.value(1) == QStringLiteral("keywords")) {
        return RunKeywordsCommand(arguments.mid(2));
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
