#pragma once

#include "cli/CliOptions.h"
#include "cli/Outcome.h"

// The run of lexitally-cli: the words, lines and characters of the PATHs counted and written as
// the options ask.
CommandOutcome CountWords(CliOptions options);
