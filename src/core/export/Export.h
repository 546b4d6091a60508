#pragma once

#include "core/base/Progress.h"
#include "core/base/Yield.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringView>

class QIODevice;
class ResultTable;
class Ui;

// The three ways out of the results list: an aligned text file, the clipboard text and a
// spreadsheet workbook. They read headers, cells and ticks of the model and never change it;
// a model that loses rows while they yield reads as empty rows.
//
// Each takes an optional row order: the table rows to walk, in that order (the rows a window
// shows, sorted or found). Without one every row is walked in table order. "All rows" and
// "row r" below mean the rows of the order when one is given.

// Length of a text in characters (Unicode code points; a surrogate pair is one).
int CodePointLength(QStringView text);

// For each column, the greatest length in characters of its cells over all rows, ticked or
// not; with withHeaders the header text counts too.
QList<int> ColumnWidths(const ResultTable& model, bool withHeaders, const Yield& yield = {},
                        const QList<int>* order = nullptr);

// Writes the header line and one line per ticked row to path: every cell padded with blanks to
// its column's width (measured over the header and all rows) and followed by a TAB, CR LF after
// every line, UTF-8 without byte-order mark. The file is replaced only once it is completely
// written. Progress steps go to progress when given. Failures are shown by the error report;
// the answer is true only when the file was written.
bool SaveListviewProperlySpaced(const ResultTable& model, const QString& path, ProgressSink* progress,
                                const Yield& yield, Ui& ui, const QList<int>* order = nullptr);

// The same file without progress or dialogs (command line); throws Failure when it could not be
// written.
void WriteTextExport(const ResultTable& model, const QString& path);
// The same text written into an open device.
void WriteTextExport(const ResultTable& model, QIODevice& device);

// The clipboard text: one line per ticked row, cells padded to the column widths of all rows
// (headers not measured), each cell followed by TAB, every line ending CR LF; no header line.
// Empty when no row is ticked.
QString ClipboardText(const ResultTable& model, const Yield& yield = {}, const QList<int>* order = nullptr);

// True when text is a plain decimal number (optional "-", digits, optional "." and digits) that
// a number cell shows unchanged: no leading or trailing zeros, at most 15 significant digits.
// Its value goes to value.
bool IsDecimalNumber(QStringView text, double* value = nullptr);

// Writes a new workbook to path: sheet row 1 the headers; list row r in sheet row r + 1, filled
// only when ticked; column 1 unchanged, other columns with every "=" removed; decimal numbers as
// numbers, everything else as text; columns sized to their widest cell. Progress value r/n*100
// per row. The workbook is written beside path and replaces it only when complete. Throws
// Failure (path untouched) when it cannot be written.
void WriteWorkbook(const ResultTable& model, const QString& path, ProgressSink* progress, const Yield& yield,
                   const QList<int>* order = nullptr);

// A new workbook path in folder, "Lexitally results 2026-12-07 08-30-12.xlsx", with " (2)",
// " (3)" … when taken. The name is reserved by creating the file empty, so no earlier file is
// ever overwritten. Throws Failure when the folder cannot take a new file.
QString ReserveWorkbookPath(const QString& folder, const QDateTime& when = QDateTime::currentDateTime());

// What can show a workbook: the desktop's default application for .xlsx, and the first of
// libreoffice, soffice, localc, gnumeric on PATH (its full path). The window opens a workbook
// with the desktop's opener and, when that fails, starts this program with the file.
struct SpreadsheetApplication {
    bool desktopDefault = false;
    QString program;
    bool Found() const { return desktopDefault || !program.isEmpty(); }
};
SpreadsheetApplication FindSpreadsheetApplication();

// True when FindSpreadsheetApplication found something to show a workbook with.
bool SpreadsheetApplicationInstalled();
