#pragma once

#include <QString>
#include <QStringList>

// "lexitally-cli keywords --reference REF PATH...": the words unusually frequent in the PATHs
// compared with a reference corpus (core/corpus/Keywords.h).
QString KeywordsUsageText();
// Runs the command; returns the exit status.
int RunKeywordsCommand(const QStringList& arguments);
