#include "CliOutput.h"

#include <QFile>
#include <QSaveFile>

#include <cstdio>

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

} // namespace

QStringList ResultColumns(CountMode mode) {
    if (mode == CountMode::PerFile) {
        return {QStringLiteral("Filename"), QStringLiteral(" Words"), QStringLiteral("Count")};
    }
    return {QStringLiteral(" Words"), QStringLiteral("Count")};
}

QByteArray FormatTsv(const QStringList& columns, const QList<QStringList>& rows) {
    QByteArray out = columns.join(u'\t').toUtf8() + '\n';
    for (const QStringList& row : rows) {
        out += row.join(u'\t').toUtf8();
        out += '\n';
    }
    return out;
}

QByteArray FormatJson(const CliOptions& options, CliMethod methodUsed, const QStringList& columns,
                      const CollectedResults& results, const QList<UnreadableInput>& unreadable) {
    QByteArray out;
    out += "{\"mode\":";
    out += options.mode == CountMode::PerFile ? "\"per-file\"" : "\"all\"";
    out += ",\"method\":";
    AppendJsonString(out, MethodName(methodUsed));
    out += ",\"ignore_case\":";
    out += options.ignoreCase ? "true" : "false";
    const Totals& t = results.totals;
    out += ",\"totals\":{\"words\":" + QByteArray::number(t.words) + ",\"lines\":" + QByteArray::number(t.lines) +
           ",\"chars_with_spaces\":" + QByteArray::number(t.charsWithSpaces) +
           ",\"chars_without_spaces\":" + QByteArray::number(t.charsWithoutSpaces) + '}';
    out += ",\"columns\":";
    AppendJsonStrings(out, columns);
    out += ",\"rows\":[";
    for (qsizetype i = 0; i < results.rows.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        AppendJsonStrings(out, results.rows[i]);
    }
    out += "],\"unreadable\":[";
    for (qsizetype i = 0; i < unreadable.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        out += "{\"path\":";
        AppendJsonString(out, unreadable[i].path);
        out += ",\"reason\":";
        AppendJsonString(out, unreadable[i].reason);
        out += '}';
    }
    out += "]}\n";
    return out;
}

QString WriteOutput(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty()) {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.flush()) {
            return QStringLiteral("cannot write to standard output: ") + out.errorString();
        }
        return QString();
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        return QStringLiteral("cannot write ") + path + QStringLiteral(": ") + out.errorString();
    }
    return QString();
}
