#pragma once

#include <QStringList>

// Runs the command the arguments name (arguments[0] is the program) and returns its exit status.
int RunCommand(const QStringList& arguments);
