#pragma once

#include <QString>

// The clipboard routines of the results window. A clipboard that refuses a call is asked again,
// up to 1000 times in all; they never fail loudly.

// Empties the clipboard.
void ClipboardClear();

// Puts text on the clipboard as plain text; true when the last attempt took (the clipboard
// reads back the same text).
bool ClipboardSetText(const QString& text);
