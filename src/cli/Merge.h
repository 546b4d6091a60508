#pragma once

#include <QStringList>

// "lexitally-cli merge": merges the JSON results of separate runs. Takes the arguments that
// follow "merge"; returns the exit status.
int RunMerge(const QStringList& arguments);
