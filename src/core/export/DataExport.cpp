#include "core/export/DataExport.h"

#include "core/base/ErrorReport.h"
#include "core/base/Paths.h"
#include "core/extract/Unreadable.h"
#include "core/results/ResultTable.h"

#include <QIODevice>
#include <QStringEncoder>

#include <algorithm>
#include <vector>

namespace {

void AppendJsonString(QByteArray& out, const QString& text) {
    out += '"';
    for (const char c : text.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20) {
                out += "\\u00";
                out += "0123456789abcdef"[byte >> 4];
                out += "0123456789abcdef"[byte & 15];
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

// "path" as shown, and when the name is not UTF-8 "path_bytes": its bytes in base64, so that a
// script can name the file.
void AppendJsonPath(QByteArray& out, const QString& path) {
    out += "\"path\":";
    AppendJsonString(out, ShownFileName(path));
    if (HasUndecodedBytes(path)) {
        out += ",\"path_bytes\":\"" + FileNameBytes(path).toBase64() + '"';
    }
}

void AppendJsonStrings(QByteArray& out, const QStringList& texts) {
    out += '[';
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        AppendJsonString(out, texts[i]);
    }
    out += ']';
}

// Writes the collected bytes once they are this many.
constexpr qsizetype kChunkBytes = 1 << 16;

void Put(QIODevice& out, QByteArray& chunk, bool force = false) {
    if (!force && chunk.size() < kChunkBytes) {
        return;
    }
    const bool written = out.write(chunk) == chunk.size();
    chunk.clear();
    FailIf(!written, out.errorString());
}

void AppendCsvText(QByteArray& out, const QString& text) {
    out += '"';
    out += text.toUtf8().replace('"', "\"\"");
    out += '"';
}

// A row of the results: texts as JSON strings, counts and the decimals of number columns as JSON
// numbers.
void AppendJsonRow(QByteArray& out, const ResultTable& table, int row) {
    out += '[';
    for (int c = 0; c < std::max(table.ColumnCount(), 1); ++c) {
        if (c > 0) {
            out += ',';
        }
        qint64 count = 0;
        if (table.CountAt(row, c, &count)) {
            out += QByteArray::number(count);
        } else if (IsNumberColumn(table.Header(c)) && IsJsonNumber(table.Cell(row, c))) {
            out += table.Cell(row, c).toLatin1(); // as written, decimals kept
        } else {
            AppendJsonString(out, table.Cell(row, c));
        }
    }
    out += ']';
}

// A file's lexical profile: its measures as numbers, as the summary's cells write them, null
// when empty.
void AppendJsonProfile(QByteArray& chunk, const LexicalProfile& profile) {
    static const char* const keys[] = {"types", "ttr", "sttr", "mattr", "mtld", "mean_word_length"};
    const QStringList cells = ProfileCells(profile);
    for (qsizetype i = 0; i < cells.size(); ++i) {
        chunk += ",\"" + QByteArray(keys[i]) + "\":" + (cells[i].isEmpty() ? QByteArray("null") : cells[i].toLatin1());
    }
}

// The "files" key of a file summary: each file's totals, or its reason.
void AppendJsonFiles(QIODevice& out, QByteArray& chunk, const QList<FileSummaryRow>& files, bool stopWords) {
    chunk += ",\"files\":[";
    for (qsizetype i = 0; i < files.size(); ++i) {
        const FileSummaryRow& file = files.at(i);
        chunk += i > 0 ? ",{" : "{";
        AppendJsonPath(chunk, file.path);
        if (file.counted) {
            const Totals& f = file.counts.file.totals;
            chunk += ",\"pages\":" + QByteArray::number(file.counts.file.pages) +
                     ",\"words\":" + QByteArray::number(f.words) + ",\"lines\":" + QByteArray::number(f.lines) +
                     ",\"chars_with_spaces\":" + QByteArray::number(f.charsWithSpaces) +
                     ",\"chars_without_spaces\":" + QByteArray::number(f.charsWithoutSpaces) +
                     ",\"distinct_words\":" + QByteArray::number(file.counts.distinctWords);
            if (stopWords) {
                chunk += ",\"stopped_words\":" + QByteArray::number(f.stoppedWords);
            }
            if (file.profile) {
                AppendJsonProfile(chunk, *file.profile);
            }
        }
        if (file.ocr) {
            chunk += ",\"ocr\":true";
        }
        if (!file.reason.isEmpty() || !file.counted) {
            chunk += ",\"reason\":";
            AppendJsonString(chunk, file.reason);
            chunk += ",\"kind\":";
            AppendJsonString(chunk, UnreadableKindName(file.kind));
        }
        chunk += '}';
        Put(out, chunk);
    }
    chunk += ']';
}

// The "unreadable" key: each input's path, the reason's text and its stable kind.
void AppendJsonUnreadable(QByteArray& chunk, const QList<UnreadableFile>& unreadable) {
    chunk += ",\"unreadable\":[";
    for (qsizetype i = 0; i < unreadable.size(); ++i) {
        if (i > 0) {
            chunk += ',';
        }
        chunk += '{';
        AppendJsonPath(chunk, unreadable[i].path);
        chunk += ",\"reason\":";
        AppendJsonString(chunk, unreadable[i].reason);
        chunk += ",\"kind\":";
        AppendJsonString(chunk, UnreadableKindName(unreadable[i].kind));
        chunk += '}';
    }
    chunk += ']';
}

} // namespace

void WriteCsv(const ResultTable& table, QIODevice& out, const QList<int>* order, bool header) {
    const int columns = table.ColumnCount();
    QByteArray chunk;
    for (int c = 0; c < columns && header; ++c) {
        if (c > 0) {
            chunk += ',';
        }
        AppendCsvText(chunk, table.Header(c));
    }
    if (header) {
        chunk += "\r\n";
    }
    const int rows = order ? static_cast<int>(order->size()) : table.RowCount();
    for (int i = 0; i < rows; ++i) {
        const int r = order ? order->at(i) : i;
        if (!table.IsTicked(r)) {
            continue;
        }
        for (int c = 0; c < columns; ++c) {
            if (c > 0) {
                chunk += ',';
            }
            qint64 count = 0;
            if (table.CountAt(r, c, &count)) {
                chunk += QByteArray::number(count);
            } else {
                AppendCsvText(chunk, table.Cell(r, c));
            }
        }
        chunk += "\r\n";
        Put(out, chunk);
    }
    Put(out, chunk, true);
}

QString TsvCell(const QString& cell) {
    const auto special = [](QChar c) { return c == u'\\' || c == u'\t' || c == u'\n' || c == u'\r'; };
    if (std::none_of(cell.cbegin(), cell.cend(), special)) {
        return cell; // one pass over the (mostly short) cell
    }
    QString escaped;
    escaped.reserve(cell.size() + 8);
    for (const QChar c : cell) {
        switch (c.unicode()) {
        case u'\\':
            escaped += QStringLiteral("\\\\");
            break;
        case u'\t':
            escaped += QStringLiteral("\\t");
            break;
        case u'\n':
            escaped += QStringLiteral("\\n");
            break;
        case u'\r':
            escaped += QStringLiteral("\\r");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

void WriteTsv(const ResultTable& table, QIODevice& out, bool header) {
    QByteArray chunk = header ? table.Headers().join(u'\t').toUtf8() + '\n' : QByteArray();
    // Cells go straight into the chunk: counts as digits, texts encoded in place.
    QStringEncoder toUtf8(QStringConverter::Utf8);
    const auto append = [&chunk, &toUtf8](const QString& text) {
        const qsizetype at = chunk.size();
        chunk.resize(at + toUtf8.requiredSpace(text.size()));
        const char* end = toUtf8.appendToBuffer(chunk.data() + at, text);
        chunk.resize(end - chunk.constData());
    };
    const int columns = table.ColumnCount();
    for (int r = 0; r < table.RowCount(); ++r) {
        for (int c = 0; c < columns; ++c) {
            if (c > 0) {
                chunk += '\t';
            }
            qint64 count = 0;
            if (table.Kind(c) == CellKind::Text) {
                append(TsvCell(table.TextRef(r, c)));
            } else if (table.CountAt(r, c, &count)) {
                chunk += QByteArray::number(count);
            } else {
                append(TsvCell(table.Cell(r, c)));
            }
        }
        chunk += '\n';
        Put(out, chunk);
    }
    Put(out, chunk, true);
}

void WriteJson(const ResultTable& table, const JsonRunFacts& facts, const QList<UnreadableFile>& unreadable,
               QIODevice& out, const QList<FileSummaryRow>* files, bool rows) {
    QByteArray chunk;
    chunk += "{\"format\":" + QByteArray::number(kJsonFormat) + ",\"mode\":";
    chunk += facts.mode == CountMode::PerFile ? "\"per-file\"" : "\"all\"";
    chunk += ",\"method\":";
    AppendJsonString(chunk, facts.method);
    chunk += ",\"ignore_case\":";
    chunk += facts.ignoreCase ? "true" : "false";
    chunk += ",\"letters\":";
    chunk += facts.letters == LetterRule::AllLanguages ? "\"all\"" : "\"ascii\"";
    if (facts.words != WordOptions{}) {
        chunk += ",\"word_options\":{\"segment\":";
        chunk += facts.words.segment ? "true" : "false";
        chunk += ",\"compat_forms\":";
        chunk += facts.words.compatibility ? "true" : "false";
        chunk += ",\"stem\":";
        AppendJsonString(chunk, facts.words.stemLanguage);
        chunk += '}';
    }
    const Totals& t = table.LastTotals();
    chunk += ",\"totals\":{\"words\":" + QByteArray::number(t.words) + ",\"lines\":" + QByteArray::number(t.lines) +
             ",\"chars_with_spaces\":" + QByteArray::number(t.charsWithSpaces) +
             ",\"chars_without_spaces\":" + QByteArray::number(t.charsWithoutSpaces) + '}';
    if (facts.stopWords) {
        chunk += ",\"stopped_words\":" + QByteArray::number(t.stoppedWords);
        if (!facts.stopFingerprint.isEmpty()) {
            chunk += ",\"stop_words\":{\"list\":";
            AppendJsonString(chunk, facts.stopList);
            chunk += ",\"sha256\":";
            AppendJsonString(chunk, facts.stopFingerprint);
            chunk += '}';
        }
    }
    if (rows) {
        chunk += ",\"columns\":";
        AppendJsonStrings(chunk, table.Headers());
        chunk += ",\"rows\":[";
        for (int r = 0; r < table.RowCount(); ++r) {
            if (r > 0) {
                chunk += ',';
            }
            AppendJsonRow(chunk, table, r);
            Put(out, chunk);
        }
        chunk += ']';
    }
    if (files) {
        AppendJsonFiles(out, chunk, *files, facts.stopWords);
    }
    AppendJsonUnreadable(chunk, unreadable);
    chunk += ",\"errors\":";
    AppendJsonStrings(chunk, facts.errors);
    chunk += "}\n";
    Put(out, chunk, true);
}

// True for a decimal number spelled as JSON spells numbers: "12", "0.5000", "-3.25".
bool IsJsonNumber(QStringView text) {
    const qsizetype start = text.startsWith(u'-') ? 1 : 0;
    const qsizetype point = text.indexOf(u'.');
    const qsizetype whole = (point < 0 ? text.size() : point) - start;
    if (whole < 1 || (whole > 1 && text[start] == u'0') || point == text.size() - 1) {
        return false;
    }
    for (qsizetype i = start; i < text.size(); ++i) {
        if (i != point && (text[i] < u'0' || text[i] > u'9')) {
            return false;
        }
    }
    return true;
}

bool IsNumberColumn(const QString& header) {
    static const QStringList numbers{QStringLiteral("Page"),
                                     QStringLiteral("Position"),
                                     QStringLiteral("Count"),
                                     QStringLiteral("Per million"),
                                     QStringLiteral("Range"),
                                     QStringLiteral("DP"),
                                     QStringLiteral("Reference count"),
                                     QStringLiteral("Reference per million"),
                                     QStringLiteral("Log-likelihood"),
                                     QStringLiteral("p"),
                                     QStringLiteral("Log ratio"),
                                     QStringLiteral("%DIFF"),
                                     QStringLiteral("Left"),
                                     QStringLiteral("Right"),
                                     QStringLiteral("Frequency"),
                                     QStringLiteral("MI"),
                                     QStringLiteral("T-score"),
                                     QStringLiteral("logDice"),
                                     QStringLiteral("Types"),
                                     QStringLiteral("TTR"),
                                     QStringLiteral("STTR"),
                                     QStringLiteral("MATTR"),
                                     QStringLiteral("MTLD"),
                                     QStringLiteral("Mean word length")};
    return numbers.contains(header);
}

QStringList FileSummaryHeaders() {
    return {QStringLiteral("File"),
            QStringLiteral("Pages"),
            QStringLiteral("Words"),
            QStringLiteral("Lines"),
            QStringLiteral("Characters with spaces"),
            QStringLiteral("Characters without spaces"),
            QStringLiteral("Distinct words"),
            QStringLiteral("Reason")};
}

void FillFileSummary(ResultTable& table, const QList<FileSummaryRow>& files, const Totals& totals, bool profiles) {
    table.ClearColumns();
    const QStringList headers = FileSummaryHeaders();
    const int reasonColumn = static_cast<int>(headers.size()) - 1;
    for (qsizetype c = 0; c < headers.size(); ++c) {
        table.AddColumn(headers[c], c == 0 || c == reasonColumn ? CellKind::Text : CellKind::Count);
    }

    for (const FileSummaryRow& file : files) {
        const int row = table.AppendRow();
        table.SetText(row, 0, ShownFileName(file.path));
        table.SetText(row, reasonColumn,
                      file.ocr && file.reason.isEmpty() ? QString::fromLatin1(kOcrNote) : file.reason);
        if (file.counted) {
            const Totals& f = file.counts.file.totals;
            const qint64 counts[] = {
                file.counts.file.pages,   f.words, f.lines, f.charsWithSpaces, f.charsWithoutSpaces,
                file.counts.distinctWords};
            for (int c = 0; c < 6; ++c) {
                table.SetCount(row, c + 1, counts[c]);
            }
        }
    }
    table.SetTotals(totals);
    if (profiles) {
        AddProfileColumns(table, files);
    }
}

void AddProfileColumns(ResultTable& table, const QList<FileSummaryRow>& files) {
    if (std::none_of(files.cbegin(), files.cend(),
                     [](const FileSummaryRow& file) { return file.profile.has_value(); })) {
        return;
    }
    const int first = table.ColumnCount();
    const QStringList headers = ProfileHeaders();
    for (qsizetype c = 0; c < headers.size(); ++c) {
        table.AddColumn(headers[c], c == 0 ? CellKind::Count : CellKind::Text);
    }
    for (int row = 0; row < table.RowCount() && row < files.size(); ++row) {
        const FileSummaryRow& file = files[row];
        if (!file.counted || !file.profile) {
            continue;
        }
        const QStringList cells = ProfileCells(*file.profile);
        table.SetCount(row, first, file.profile->types);
        for (int c = 1; c < cells.size(); ++c) {
            table.SetText(row, first + c, cells[c]);
        }
    }
}
