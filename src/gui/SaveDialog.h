#pragma once

#include "core/base/Ui.h"

#include <QString>

class QImage;

// The save dialogs of the results' additions (CSV, chart pictures): they offer a file name in
// the folder saved to last (kept in the settings), add the extension when none is typed and
// ask before an existing file is replaced.

// The path with ".extension" appended when its file name has no extension of its own; a name
// that ends in a dot gets the extension in place of the dot.
QString WithExtension(const QString& path, const QString& extension);

// Asks for a file to save, offering `fileName` in the last folder saved to (the home folder at
// first). Empty when the user cancels or does not want an existing file replaced.
QString AskSavePath(Ui& ui, const QString& title, const QString& filter, const QString& fileName,
                    const QString& extension);

// What follows every save: "Done." when written, else what went wrong, with its reason.
void TellSaved(Ui& ui, const QString& what, const QString& path, bool saved, const QString& reason);

// Writes an image as PNG the way the exports write (a regular file is replaced only when
// complete). Throws ExportFailure.
void WritePng(const QImage& image, const QString& path);
