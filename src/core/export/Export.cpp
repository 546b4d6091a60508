#include "core/export/Export.h"

#include "core/base/ErrorReport.h"
#include "core/base/Paths.h"
#include "core/base/Places.h"
#include "core/base/Texts.h"
#include "core/export/DataExport.h"
#include "core/export/OutputFile.h"
#include "core/extract/Unreadable.h"
#include "core/results/ResultTable.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

// Text is collected in a chunk and written once the chunk is this long.
constexpr qsizetype kChunkChars = 64 * 1024;

// A number cell holds 15 significant digits exactly; larger counts are written as text.
constexpr int kMaxNumberDigits = 15;
constexpr qint64 kLargestExactCount = 1000000000000000;

// Limits of a worksheet.
constexpr int kSheetRows = 1048576;
constexpr int kMaxCellChars = 32767;
constexpr double kMaxColumnWidth = 255.0;

int DecimalDigits(qint64 value) {
    int digits = 1;
    while (value >= 10) {
        value /= 10;
        ++digits;
    }
    return digits;
}

// The rows an export walks: the given order of table rows, or every row in table order.
class RowWalk {
public:
    RowWalk(const ResultTable& model, const QList<int>* order) : m_model(model), m_order(order) {}
    int Count() const { return m_order ? static_cast<int>(m_order->size()) : m_model.RowCount(); }
    // The table row of the i-th walked row (0-based).
    int At(int i) const { return m_order ? m_order->at(i) : i; }
    QString Cell(int i, int column) const { return m_model.Cell(At(i), column); }
    // The length in characters of a cell as the exports write it.
    int CellLength(int i, int column) const {
        qint64 count = 0;
        if (m_model.CountAt(At(i), column, &count)) {
            return DecimalDigits(count);
        }
        return CodePointLength(m_model.Cell(At(i), column));
    }
    bool CountAt(int i, int column, qint64* count) const { return m_model.CountAt(At(i), column, count); }
    bool IsTicked(int i) const { return m_model.IsTicked(At(i)); }
    // True when some walked row is ticked.
    bool AnyTicked() const {
        if (!m_order) {
            return m_model.TickedCount() > 0;
        }
        for (int row : *m_order) {
            if (m_model.IsTicked(row)) {
                return true;
            }
        }
        return false;
    }

private:
    const ResultTable& m_model;
    const QList<int>* m_order;
};

void AppendPadded(QString& out, const QString& cell, int width) {
    out += cell;
    const int blanks = width - CodePointLength(cell);
    if (blanks > 0) {
        out.resize(out.size() + blanks, u' ');
    }
    out += u'\t';
}

void ProgressStep(ProgressSink* progress, const Yield& yield, double value, const ProgressText& text) {
    YieldNow(yield);
    progress->SetValue(value);
    progress->SetText(text);
    YieldNow(yield);
}

void WriteAll(QIODevice& file, const QByteArray& bytes) {
    if (file.write(bytes) != bytes.size()) {
        throw ExportFailure(file.errorString(), ExportFailure::Stage::Write);
    }
}

void WriteChunk(QIODevice& file, QString& chunk) {
    const QByteArray bytes = chunk.toUtf8();
    chunk.resize(0);
    WriteAll(file, bytes);
}

// Runs the numbered steps of the text file: a step that fails is noted (the first failure is
// kept) and the next step runs, so that the progress bar still comes to rest.
class StepLog {
public:
    bool operator()(int step, const std::function<void()>& body) {
        try {
            body();
            return true;
        } catch (const ExportFailure& failure) {
            Note(step, failure.Description(), failure.GetStage(), failure.Reason());
        } catch (const Failure& failure) {
            Note(step, failure.Description(), ExportFailure::Stage::Write, {});
        } catch (const std::exception& e) {
            Note(step, QString::fromUtf8(e.what()), ExportFailure::Stage::Write, {});
        }
        return false;
    }
    // Throws the first failure noted.
    void ThrowFirst() const {
        if (m_step != 0) {
            throw ExportFailure(m_description, m_stage, m_reason, m_step);
        }
    }

private:
    void Note(int step, const QString& description, ExportFailure::Stage stage, const QString& reason) {
        if (m_step == 0) {
            m_step = step;
            m_description = description;
            m_stage = stage;
            m_reason = reason;
        }
    }
    int m_step = 0;
    QString m_description;
    ExportFailure::Stage m_stage = ExportFailure::Stage::Write;
    QString m_reason;
};

// The header line and the ticked rows of the text file, written in chunks (steps 108 to 112).
void WriteAlignedLines(const ResultTable& model, const ExportOptions& options, const QList<int>& widths,
                       QIODevice& file, const QString& name, StepLog& steps) {
    const RowWalk walk(model, options.order);
    const int columns = model.ColumnCount();
    const int rows = walk.Count();
    ProgressSink* progress = options.progress;
    const Yield& yield = options.yield;
    QString chunk;
    bool failed = !steps(108, [&] {
        for (int c = 0; c < columns; ++c) {
            YieldNow(yield);
            AppendPadded(chunk, model.Header(c), widths[c]);
        }
        chunk += QStringLiteral("\r\n");
        WriteChunk(file, chunk);
    });
    if (progress) {
        steps(110,
              [&] { ProgressStep(progress, yield, 20, ProgressText::Plain(QStringLiteral("Writing file: ") + name)); });
    }
    if (failed) {
        return;
    }
    steps(112, [&] {
        chunk.reserve(kChunkChars + 1024);
        for (int r = 1; r <= rows; ++r) {
            YieldNow(yield);
            if (!walk.IsTicked(r - 1)) {
                continue;
            }
            for (int c = 0; c < columns; ++c) {
                YieldNow(yield);
                AppendPadded(chunk, walk.Cell(r - 1, c), widths[c]);
            }
            if (progress) {
                YieldNow(yield);
                const double value = (static_cast<double>(rows / 2000 + r) / rows) * 100.0;
                progress->SetValue(std::min(100.0, value));
                if (r % 1000 == 0) {
                    progress->SetText(ProgressText{ProgressText::Kind::WritingRow, name, r, 0, 0});
                }
                YieldNow(yield);
            }
            chunk += QStringLiteral("\r\n");
            if (chunk.size() >= kChunkChars) {
                WriteChunk(file, chunk);
            }
        }
        WriteChunk(file, chunk);
    });
}

// Writes the text file to target when given, else to the file at path; throws the first failure.
void WriteAlignedText(const ResultTable& model, const ExportOptions& options, QIODevice* target, const QString& path) {
    const QString name = FileNameFromPath(path);
    const QString writing = QStringLiteral("Writing file: ") + name;
    ProgressSink* progress = options.progress;
    const Yield& yield = options.yield;
    StepLog steps;
    if (progress) {
        steps(100, [&] { ProgressStep(progress, yield, 1, ProgressText::Plain(writing)); });
    }
    QList<int> widths;
    steps(102, [&] { widths = ColumnWidths(model, true, yield, options.order); });
    widths.resize(model.ColumnCount(), 0);
    if (progress) {
        steps(104, [&] { ProgressStep(progress, yield, 10, ProgressText::Plain(writing)); });
    }
    OutputFile output(path, yield);
    bool open = target != nullptr;
    if (!target) {
        steps(106, [&] {
            open = output.Open();
            if (!open) {
                throw ExportFailure(output.ErrorString() + QStringLiteral(": ") + path, ExportFailure::Stage::Open,
                                    output.ErrorString());
            }
        });
    }
    if (open) {
        WriteAlignedLines(model, options, widths, target ? *target : output.Device(), name, steps);
    } else if (progress) {
        steps(110, [&] { ProgressStep(progress, yield, 20, ProgressText::Plain(writing)); });
    }
    if (progress) {
        steps(114, [&] {
            progress->SetValue(100);
            progress->SetText(QStringLiteral("Done."));
        });
    }
    bool failed = false;
    try {
        steps.ThrowFirst();
    } catch (const ExportFailure&) {
        failed = true;
    }
    if (open && !failed && !target) {
        steps(116, [&] {
            YieldNow(yield); // the last moment to give up: nothing has been replaced yet
            if (!output.Commit()) {
                throw ExportFailure(output.ErrorString() + QStringLiteral(": ") + path, ExportFailure::Stage::Commit,
                                    output.ErrorString());
            }
        });
    }
    if (progress) {
        steps(118, [&] {
            progress->SetValue(0);
            progress->SetText(kProgressRest);
        });
    }
    steps.ThrowFirst();
}

// Frees a workbook that is given up before it was written.
struct WorkbookCloser {
    void operator()(lxw_workbook* workbook) const { lxw_workbook_free(workbook); }
};

void CheckWorkbook(lxw_error error) {
    if (error != LXW_NO_ERROR) {
        throw Failure(QString::fromUtf8(lxw_strerror(error)));
    }
}

QString WithoutEquals(const QString& text) {
    if (!text.contains(u'=')) {
        return text;
    }
    QString out = text;
    out.remove(u'=');
    return out;
}

// Writes a count as a number cell; answers its width in characters.
int WriteNumber(lxw_worksheet* sheet, int row, int column, qint64 count) {
    CheckWorkbook(worksheet_write_number(sheet, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column),
                                         static_cast<double>(count), nullptr));
    return DecimalDigits(count);
}

// Writes one cell: decimal numbers as numbers, all else as text. Answers the cell's width in
// characters as shown.
int WriteCell(lxw_worksheet* sheet, int row, int column, const QString& text) {
    if (text.isEmpty()) {
        return 0;
    }
    double number = 0;
    if (IsDecimalNumber(text, &number)) {
        CheckWorkbook(worksheet_write_number(sheet, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column), number,
                                             nullptr));
        return static_cast<int>(text.size());
    }
    QString cell = text;
    if (CodePointLength(cell) > kMaxCellChars) {
        // A cell holds at most this many characters; the rest would be refused.
        int units = 0;
        for (int chars = 0; chars < kMaxCellChars; ++chars) {
            units += cell.at(units).isHighSurrogate() && units + 1 < cell.size() ? 2 : 1;
        }
        cell.truncate(units);
    }
    const QByteArray utf8 = cell.toUtf8();
    CheckWorkbook(worksheet_write_string(sheet, static_cast<lxw_row_t>(row), static_cast<lxw_col_t>(column),
                                         utf8.constData(), nullptr));
    return CodePointLength(cell);
}

// Refuses a table that does not fit on a worksheet.
void CheckSheetSize(const RowWalk& walk, int columns) {
    FailIf(columns > LXW_COL_MAX, QStringLiteral("A worksheet holds at most %1 columns.").arg(LXW_COL_MAX));
    for (int r = walk.Count() - 1; r >= kSheetRows - 1; --r) {
        FailIf(walk.IsTicked(r), QStringLiteral("Row %1 of the results does not fit on a worksheet, which holds at "
                                                "most %2 rows.")
                                     .arg(r + 1)
                                     .arg(kSheetRows));
    }
}

// Fills the sheet: headers, ticked rows, column widths.
void FillSheet(lxw_worksheet* sheet, const ResultTable& model, const ExportOptions& options) {
    const RowWalk walk(model, options.order);
    const int rows = walk.Count();
    const int columns = model.ColumnCount();
    std::vector<int> widths(static_cast<size_t>(columns), 0);
    for (int c = 0; c < columns; ++c) {
        YieldNow(options.yield);
        widths[c] = std::max(widths[c], WriteCell(sheet, 0, c, model.Header(c)));
    }
    for (int r = 1; r <= rows; ++r) {
        YieldNow(options.yield);
        if (options.progress) {
            options.progress->SetValue(static_cast<double>(r) / rows * 100.0);
        }
        if (!walk.IsTicked(r - 1)) {
            continue;
        }
        for (int c = 0; c < columns; ++c) {
            YieldNow(options.yield);
            qint64 count = 0;
            if (walk.CountAt(r - 1, c, &count) && count < kLargestExactCount) {
                widths[c] = std::max(widths[c], WriteNumber(sheet, r, c, count));
                continue;
            }
            const QString cell = walk.Cell(r - 1, c);
            widths[c] = std::max(widths[c], WriteCell(sheet, r, c, c == 0 ? cell : WithoutEquals(cell)));
        }
    }
    for (int c = 0; c < columns; ++c) {
        if (widths[c] > 0) {
            // Column widths count characters of the default font, plus a little room.
            const double width = std::min(kMaxColumnWidth, widths[c] * 1.1 + 1.0);
            CheckWorkbook(
                worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), width, nullptr));
        }
    }
}

// Writes the whole workbook to the file (named in the local encoding).
void BuildWorkbook(const QByteArray& file, const QString& path, const ResultTable& model,
                   const ExportOptions& options) {
    QByteArray tempFolder = QFile::encodeName(TempFolder());
    lxw_workbook_options settings{};
    settings.constant_memory = LXW_FALSE;
    settings.tmpdir = tempFolder.data();
    std::unique_ptr<lxw_workbook, WorkbookCloser> workbook(workbook_new_opt(file.constData(), &settings));
    FailIf(!workbook, QStringLiteral("The workbook could not be created: ") + path);
    lxw_worksheet* sheet = workbook_add_worksheet(workbook.get(), nullptr);
    FailIf(!sheet, QStringLiteral("The worksheet could not be created."));
    FillSheet(sheet, model, options);
    // workbook_close writes the file and frees the workbook in every case.
    CheckWorkbook(workbook_close(workbook.release()));
}

// Copies the finished workbook into a device, a piece at a time.
void CopyFile(const QString& from, QIODevice& device, const Yield& yield) {
    QFile finished(from);
    const bool read = finished.open(QIODevice::ReadOnly);
    FailIf(!read, finished.errorString());
    constexpr qint64 kPiece = 1 << 20;
    while (!finished.atEnd()) {
        YieldNow(yield);
        const QByteArray bytes = finished.read(kPiece);
        FailIf(finished.error() != QFileDevice::NoError, finished.errorString());
        if (device.write(bytes) != bytes.size()) {
            throw ExportFailure(device.errorString(), ExportFailure::Stage::Write);
        }
    }
}

// The workbook built whole in a folder of this process inside the temporary folder (which a later
// run removes should this one be killed), then handed to write.
void BuildThenWrite(const ResultTable& model, const ExportOptions& options,
                    const std::function<void(const QString&)>& write) {
    CheckSheetSize(RowWalk(model, options.order), model.ColumnCount());
    const std::unique_ptr<QTemporaryDir> folder = NewWorkFolder(QStringLiteral("workbook"));
    const QString built = folder->filePath(QStringLiteral("workbook.xlsx"));
    BuildWorkbook(QFile::encodeName(built), QString(), model, options);
    YieldNow(options.yield);
    write(built);
}

// The workbook into an open device.
void WorkbookToDevice(const ResultTable& model, const ExportOptions& options, QIODevice& device) {
    BuildThenWrite(model, options, [&](const QString& built) { CopyFile(built, device, options.yield); });
}

// The workbook to path, the way every export is written there (WriteThrough): only once it is
// complete does it replace a regular file, and a FIFO or device is opened only then.
void WorkbookToPath(const ResultTable& model, const ExportOptions& options, const QString& path) {
    BuildThenWrite(model, options, [&](const QString& built) {
        WriteThrough(path, options.yield, [&](QIODevice& device) { CopyFile(built, device, options.yield); });
    });
}

// CSV, TSV and JSON into a device.
void DataToDevice(ExportFormat format, const ResultTable& table, const ExportOptions& options, QIODevice& device) {
    switch (format) {
    case ExportFormat::Csv:
        WriteCsv(table, device, options.order, options.header);
        break;
    case ExportFormat::Tsv:
        WriteTsv(table, device, options.header);
        break;
    case ExportFormat::Json: {
        FailIf(!options.facts, QStringLiteral("The JSON export needs the facts of its run."));
        static const QList<UnreadableFile> none;
        WriteJson(table, *options.facts, options.unreadable ? *options.unreadable : none, device, options.files,
                  options.rows);
        break;
    }
    default:
        break;
    }
}

// Runs an export body; any failure leaves as an ExportFailure.
template <typename Body> void AsExportFailure(Body body) {
    try {
        body();
    } catch (const ExportFailure&) {
        throw;
    } catch (const Failure& failure) {
        throw ExportFailure(failure.Description(), ExportFailure::Stage::Write);
    }
}

} // namespace

int CodePointLength(QStringView text) {
    int length = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (text[i].isHighSurrogate() && i + 1 < size && text[i + 1].isLowSurrogate()) {
            ++i;
        }
        ++length;
    }
    return length;
}

QList<int> ColumnWidths(const ResultTable& model, bool withHeaders, const Yield& yield, const QList<int>* order) {
    const RowWalk walk(model, order);
    const int columns = model.ColumnCount();
    QList<int> widths;
    widths.reserve(columns);
    for (int c = 0; c < columns; ++c) {
        int m = withHeaders ? CodePointLength(model.Header(c)) : 0;
        const int rows = walk.Count();
        const bool counts = model.Kind(c) == CellKind::Count;
        for (int r = 0; r < rows; ++r) {
            YieldNow(yield);
            if (counts) {
                m = std::max(m, walk.CellLength(r, c));
                continue;
            }
            const QString& cell = model.TextRef(walk.At(r), c);
            // A character takes at least one code unit, so a shorter text cannot be longer.
            if (cell.size() > m) {
                m = std::max(m, CodePointLength(cell));
            }
        }
        widths.append(m);
    }
    return widths;
}

bool SaveListviewProperlySpaced(const ResultTable& model, const QString& path, ProgressSink* progress,
                                const Yield& yield, Ui& ui, const QList<int>* order) {
    try {
        Export(ExportFormat::Text, model, {order, progress, yield}, path);
        return true;
    } catch (const ExportFailure& failure) {
        ShowErrorReport(ui, failure.Description(), QString::fromLatin1(Source::SaveListview), failure.Step());
    }
    return false;
}

void Export(ExportFormat format, const ResultTable& table, const ExportOptions& options, QIODevice& device) {
    AsExportFailure([&] {
        switch (format) {
        case ExportFormat::Text:
            WriteAlignedText(table, options, &device, QString());
            break;
        case ExportFormat::Clipboard: {
            const QByteArray bytes = ClipboardText(table, options.yield, options.order).toUtf8();
            WriteAll(device, bytes);
            break;
        }
        case ExportFormat::Workbook:
            WorkbookToDevice(table, options, device);
            break;
        case ExportFormat::Csv:
        case ExportFormat::Tsv:
        case ExportFormat::Json:
            DataToDevice(format, table, options, device);
            break;
        }
    });
}

void Export(ExportFormat format, const ResultTable& table, const ExportOptions& options, const QString& path) {
    AsExportFailure([&] {
        if (format == ExportFormat::Text) {
            WriteAlignedText(table, options, nullptr, path);
        } else if (format == ExportFormat::Workbook) {
            WorkbookToPath(table, options, path);
        } else {
            WriteThrough(path, options.yield, [&](QIODevice& device) { Export(format, table, options, device); });
        }
    });
}

void WriteThrough(const QString& path, const Yield& yield, const std::function<void(QIODevice&)>& write) {
    AsExportFailure([&] {
        OutputFile output(path, yield);
        if (!output.Open()) {
            throw ExportFailure(output.ErrorString() + QStringLiteral(": ") + path, ExportFailure::Stage::Open,
                                output.ErrorString());
        }
        write(output.Device());
        YieldNow(yield);
        if (!output.Commit()) {
            throw ExportFailure(output.ErrorString() + QStringLiteral(": ") + path, ExportFailure::Stage::Commit,
                                output.ErrorString());
        }
    });
}

void WriteBytes(const QString& path, const Yield& yield, const QByteArray& bytes) {
    WriteThrough(path, yield, [&bytes](QIODevice& device) { WriteAll(device, bytes); });
}

void WriteTextExport(const ResultTable& model, const QString& path) {
    Export(ExportFormat::Text, model, {}, path);
}

void WriteTextExport(const ResultTable& model, QIODevice& device) {
    Export(ExportFormat::Text, model, {}, device);
}

QString ClipboardText(const ResultTable& model, const Yield& yield, const QList<int>* order) {
    const RowWalk walk(model, order);
    const int rows = walk.Count();
    const int columns = model.ColumnCount();
    if (rows == 0 || !walk.AnyTicked()) {
        return {};
    }
    QList<int> widths = ColumnWidths(model, false, yield, order);
    widths.resize(columns, 0);
    QString text;
    for (int r = 0; r < rows; ++r) {
        YieldNow(yield);
        if (!walk.IsTicked(r)) {
            continue;
        }
        for (int c = 0; c < columns; ++c) {
            YieldNow(yield);
            AppendPadded(text, walk.Cell(r, c), widths[c]);
        }
        text += QStringLiteral("\r\n");
    }
    return text;
}

bool IsDecimalNumber(QStringView text, double* value) {
    const qsizetype sign = text.startsWith(u'-') ? 1 : 0;
    bool point = false;
    bool digit = false;
    for (qsizetype i = sign; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'.' && !point) {
            point = true;
        } else if (c >= u'0' && c <= u'9') {
            digit = true;
        } else {
            return false;
        }
    }
    if (!digit) {
        return false;
    }
    const qsizetype digits = text.size() - sign;
    double parsed = 0;
    if (!point && digits <= kMaxNumberDigits && text[sign] != u'0') {
        parsed = text.toDouble(); // a whole number as counts are written: shown unchanged
    } else {
        // Only texts that a number cell shows unchanged: no leading or trailing zeros, no "-0",
        // no more significant digits than a number holds.
        bool ok = false;
        parsed = text.toDouble(&ok);
        if (!ok || (sign && parsed == 0) || QString::number(parsed, 'g', kMaxNumberDigits) != text) {
            return false;
        }
    }
    if (value) {
        *value = parsed;
    }
    return true;
}

void WriteWorkbook(const ResultTable& model, const QString& path, ProgressSink* progress, const Yield& yield,
                   const QList<int>* order) {
    Export(ExportFormat::Workbook, model, {order, progress, yield}, path);
}

QString ReserveWorkbookPath(const QString& folder, const QDateTime& when) {
    const QString stem = QDir(folder).filePath(ProductTitle() + QStringLiteral(" results ") +
                                               when.toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")));
    QString lastError;
    for (int n = 1; n <= 10000; ++n) {
        const QString path = n == 1 ? stem + QStringLiteral(".xlsx") : stem + QStringLiteral(" (%1).xlsx").arg(n);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            return path;
        }
        lastError = file.errorString();
        if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) {
            break; // not taken, so the folder itself refuses new files
        }
    }
    throw Failure(lastError.isEmpty() ? QStringLiteral("Path not found: ") + folder : lastError);
}
