#include "cli/Outcome.h"

#include "cli/Signals.h"

#include <algorithm>

namespace {

constexpr int kNoRows = 1;
constexpr int kUsage = 2;
constexpr int kStepFailed = 3;
constexpr int kPathUnreadable = 4;

bool Any(const QList<UnreadableFile>& files, bool (*holds)(UnreadableKind)) {
    return std::any_of(files.begin(), files.end(), [holds](const UnreadableFile& file) { return holds(file.kind); });
}

} // namespace

int ExitStatus(const CommandOutcome& outcome) {
    switch (outcome.end) {
    case CommandOutcome::End::Usage:
        return kUsage;
    case CommandOutcome::End::NotWritten:
        return kNoRows;
    case CommandOutcome::End::Interrupted:
        return ReportStopped();
    case CommandOutcome::End::Written:
        break;
    }
    if (outcome.stepFailed || Any(outcome.unreadable, LostToEnvironment)) {
        return kStepFailed;
    }
    if (outcome.pathProblem || Any(outcome.unreadable, CannotBeRead)) {
        return kPathUnreadable;
    }
    return outcome.rows ? 0 : kNoRows;
}
