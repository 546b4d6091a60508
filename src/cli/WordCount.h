#pragma once

#include "cli/CliOptions.h"
#include "cli/Outcome.h"
#include "core/corpus/Keywords.h"
#include "core/extract/TextFiles.h"

#include <functional>
#include <optional>

// The run of lexitally-cli: the words, lines and characters of the PATHs counted and written as
// the options ask.
CommandOutcome CountWords(CliOptions options);

// The word rows of one count for all the PATHs, as a run gives them, and the words counted.
struct WordList {
    QList<WordFrequency> words;
    qint64 total = 0;
};
// Counts the PATHs into list, writing nothing; the files that gave no text are named on standard
// error and added to outcome. How the count ended when it could not go on.
std::optional<CommandOutcome::End> CountWordList(CliOptions options, WordList& list, CommandOutcome& outcome);

// Converts the PATHs as a run does (on as many cores as --jobs, from the store of converted
// texts, by OCR as asked) and hands their texts to use while they exist, one per row ("" for a row
// that gave none or repeats one); counts nothing. The files that gave no text are named on
// standard error and added to outcome. name: the command's, for messages.
std::optional<CommandOutcome::End> ConvertInputs(CliOptions options, const QString& name,
                                                 const std::function<void(const QList<ConvertedText>&)>& use,
                                                 CommandOutcome& outcome);
