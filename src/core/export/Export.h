#pragma once

#include "core/base/ErrorReport.h"
#include "core/base/Progress.h"
#include "core/base/Yield.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringView>

#include <functional>

class QIODevice;
class ResultTable;
class Ui;

// The ways out of the results list, for the window, the command line and the merge alike.
enum class ExportFormat {
    Text,      // aligned text: header line, ticked rows, cells padded, CR LF (the window's text file)
    Clipboard, // the clipboard text: ticked rows padded to the widths of all rows, no header line
    Workbook,  // a spreadsheet workbook (.xlsx) of the headers and the ticked rows
    Csv,       // comma-separated values of the ticked rows (WriteCsv)
    Tsv,       // tab-separated values of every row (WriteTsv)
    Json,      // the run's results as one JSON object (WriteJson; needs the JSON parts below)
};

struct JsonRunFacts;
struct FileSummaryRow;
struct UnreadableFile;

// How an export walks the table and what it reports on the way.
struct ExportOptions {
    // The table rows to walk, in that order (the rows a window shows, sorted or found); all rows
    // in table order when none. Text, clipboard, workbook and CSV.
    const QList<int>* order = nullptr;
    // Progress of the text file and the workbook; none when null.
    ProgressSink* progress = nullptr;
    // Called while writing; a Failure it throws gives the export up.
    Yield yield;
    // JSON: what the export says about the run besides its rows (required), the unreadable
    // inputs, the file summary; rows false leaves the rows out.
    const JsonRunFacts* facts = nullptr;
    const QList<UnreadableFile>* unreadable = nullptr;
    const QList<FileSummaryRow>* files = nullptr;
    bool rows = true;
    // TSV and CSV: the header line first.
    bool header = true;
};

// Why an export failed. Description() is the text the window's error report shows; Reason()
// the system's words without the path; Step() the numbered step of the text file's procedure
// that failed (0 for the other formats).
class ExportFailure : public Failure {
public:
    enum class Stage { Open, Write, Commit };
    ExportFailure(const QString& description, Stage stage, QString reason = {}, int step = 0)
        : Failure(description), m_stage(stage), m_reason(reason.isEmpty() ? description : std::move(reason)),
          m_step(step) {}
    Stage GetStage() const { return m_stage; }
    const QString& Reason() const { return m_reason; }
    int Step() const { return m_step; }

private:
    Stage m_stage;
    QString m_reason;
    int m_step;
};

// Writes the table in the format into an open device. Throws ExportFailure.
void Export(ExportFormat format, const ResultTable& table, const ExportOptions& options, QIODevice& device);

// Writes the table in the format to path: a regular file (or a new one) is replaced only once the
// export is complete (a failure leaves it as it was); standard output ("-"), a FIFO or a device
// is written straight into. Throws ExportFailure.
void Export(ExportFormat format, const ResultTable& table, const ExportOptions& options, const QString& path);

// Writes path the way the exports do (see above) with what write puts into the device, for other
// things the window saves (a chart's picture). A Failure of write leaves as an ExportFailure.
void WriteThrough(const QString& path, const Yield& yield, const std::function<void(QIODevice&)>& write);
// The same with bytes made beforehand (a JSON document, an SVG image); a failed write says why.
void WriteBytes(const QString& path, const Yield& yield, const QByteArray& bytes);

// Length of a text in characters (Unicode code points; a surrogate pair is one).
int CodePointLength(QStringView text);

// For each column, the greatest length in characters of its cells over all rows, ticked or
// not; with withHeaders the header text counts too.
QList<int> ColumnWidths(const ResultTable& model, bool withHeaders, const Yield& yield = {},
                        const QList<int>* order = nullptr);

// The text file (ExportFormat::Text): the header line and one line per ticked row, every cell
// padded with blanks to its column's width (measured over the header and all rows) and followed
// by a TAB, CR LF after every line, UTF-8 without byte-order mark. Failures are shown by the
// error report; the answer is true only when the file was written.
bool SaveListviewProperlySpaced(const ResultTable& model, const QString& path, ProgressSink* progress,
                                const Yield& yield, Ui& ui, const QList<int>* order = nullptr);

// The same file without progress or dialogs; throws Failure when it could not be written.
void WriteTextExport(const ResultTable& model, const QString& path);
// The same text written into an open device.
void WriteTextExport(const ResultTable& model, QIODevice& device);

// The clipboard text (ExportFormat::Clipboard): one line per ticked row, cells padded to the column widths of all rows
// (headers not measured), each cell followed by TAB, every line ending CR LF; no header line.
// Empty when no row is ticked.
QString ClipboardText(const ResultTable& model, const Yield& yield = {}, const QList<int>* order = nullptr);

// True when text is a plain decimal number (optional "-", digits, optional "." and digits) that
// a number cell shows unchanged: no leading or trailing zeros, at most 15 significant digits.
// Its value goes to value.
bool IsDecimalNumber(QStringView text, double* value = nullptr);

// Writes a new workbook (ExportFormat::Workbook) to path: sheet row 1 the headers; list row r in sheet row r + 1,
// filled only when ticked; column 1 unchanged, other columns with every "=" removed; decimal numbers as numbers,
// everything else as text; columns sized to their widest cell. Progress value r/n*100 per row. The workbook is written
// beside path and replaces it only when complete. Throws Failure (path untouched) when it cannot be written.
void WriteWorkbook(const ResultTable& model, const QString& path, ProgressSink* progress, const Yield& yield,
                   const QList<int>* order = nullptr);

// A new workbook path in folder, "Lexitally results 2026-12-07 08-30-12.xlsx", with " (2)",
// " (3)" … when taken. The name is reserved by creating the file empty, so no earlier file is
// ever overwritten. Throws Failure when the folder cannot take a new file.
QString ReserveWorkbookPath(const QString& folder, const QDateTime& when = QDateTime::currentDateTime());
