#pragma once

#include <QString>

// The text of the main window's "Help" box. Its line breaks are single CR characters.
QString HelpText();
