#include "core/results/Merge.h"

#include "core/base/ErrorReport.h"
#include "core/count/SortingText.h"
#include "core/results/ResultTable.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <vector>

namespace {

QString ModeName(CountMode mode) {
    return mode == CountMode::PerFile ? QStringLiteral("per-file") : QStringLiteral("all");
}

// True for a word as the counting pass makes it: one or more of the 52 ASCII letters.
bool IsWord(const QString& text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(),
                                          [](QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); });
}

// The positive count of a row, as the export writes it (decimal digits).
qint64 Count(const QString& text) {
    bool ok = false;
    const qint64 count = text.toLongLong(&ok);
    return ok && count > 0 && text == QString::number(count) ? count : 0;
}

qint64 Total(const QJsonObject& totals, const char* name) {
    const QJsonValue value = totals[QLatin1String(name)];
    FailIf(!value.isDouble() || value.toInteger(-1) < 0,
           QStringLiteral("totals.") + QLatin1String(name) + QStringLiteral(" is not a count"));
    return value.toInteger();
}

// Lines of all texts together of an all-files run: its line count is that number less one, or
// 0 when it read no text. A run whose texts hold neither a character nor a line break has read
// no line; a run whose only text is one empty line cannot be told from it and counts as none.
qint64 AllLines(const RunResults& run) {
    return run.totals.lines > 0 || run.totals.charsWithSpaces > 0 ? run.totals.lines + 1 : 0;
}

// The text method's rows over all parts: counts added per word, entries sorted as it sorts them.
QList<QStringList> TextMethodRows(const QList<RunResults>& parts) {
    QHash<QString, qint64> counts;
    QStringList order;
    for (const RunResults& part : parts) {
        for (const QStringList& row : part.rows) {
            auto found = counts.find(row[0]);
            if (found == counts.end()) {
                counts.insert(row[0], Count(row[1]));
                order << row[0];
            } else {
                found.value() += Count(row[1]);
            }
        }
    }
    WordTable table;
    table.reserve(order.size());
    for (const QString& word : std::as_const(order)) {
        table.append(WordEntry{counts.value(word), word.toLatin1()});
    }
    SortWords(table, PassInputs{});
    QList<QStringList> rows;
    rows.reserve(table.size());
    for (const WordEntry& entry : std::as_const(table)) {
        rows.append({QString::fromLatin1(entry.word), QString::number(entry.count)});
    }
    return rows;
}

// The database method's rows over all parts: the groups of words that differ in letter case only
// joined, each under its binary-smallest spelling, ordered by count and then by the word with
// letter case ignored (the words are ASCII letters, so that is the order of their lower case).
QList<QStringList> DatabaseMethodRows(const QList<RunResults>& parts) {
    struct Group {
        QString spelling;
        qint64 count = 0;
    };
    QHash<QString, Group> groups; // by the lower-case word
    for (const RunResults& part : parts) {
        for (const QStringList& row : part.rows) {
            Group& group = groups[row[0].toLower()];
            if (group.spelling.isEmpty() || row[0] < group.spelling) {
                group.spelling = row[0];
            }
            group.count += Count(row[1]);
        }
    }
    std::vector<std::pair<qint64, QString>> order; // count, lower-case word
    order.reserve(static_cast<size_t>(groups.size()));
    for (auto it = groups.cbegin(); it != groups.cend(); ++it) {
        order.emplace_back(it.value().count, it.key());
    }
    std::sort(order.begin(), order.end());
    QList<QStringList> rows;
    rows.reserve(static_cast<qsizetype>(order.size()));
    for (const auto& [count, key] : order) {
        rows.append({groups.value(key).spelling, QString::number(count)});
    }
    return rows;
}

} // namespace

RunResults ReadRunResults(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    FailIf(error.error != QJsonParseError::NoError, QStringLiteral("not JSON (") + error.errorString() +
                                                        QStringLiteral(" at offset ") + QString::number(error.offset) +
                                                        u')');
    FailIf(!document.isObject(), QStringLiteral("not the JSON results of lexitally-cli"));
    const QJsonObject object = document.object();
    RunResults run;
    const QString mode = object[QStringLiteral("mode")].toString();
    FailIf(mode != QStringLiteral("all") && mode != QStringLiteral("per-file"),
           QStringLiteral("mode is not all or per-file"));
    run.mode = mode == QStringLiteral("all") ? CountMode::AllFiles : CountMode::PerFile;
    run.method = object[QStringLiteral("method")].toString();
    FailIf(run.method != QStringLiteral("db") && run.method != QStringLiteral("text"),
           QStringLiteral("method is not db or text"));
    FailIf(!object[QStringLiteral("ignore_case")].isBool(), QStringLiteral("ignore_case is not true or false"));
    run.ignoreCase = object[QStringLiteral("ignore_case")].toBool();
    const QJsonObject totals = object[QStringLiteral("totals")].toObject();
    run.totals = {Total(totals, "words"), Total(totals, "lines"), Total(totals, "chars_with_spaces"),
                  Total(totals, "chars_without_spaces")};
    run.stopWords = object.contains(QStringLiteral("stopped_words"));
    if (run.stopWords) {
        run.totals.stoppedWords = Total(object, "stopped_words");
    }
    QStringList columns;
    for (const QJsonValue column : object[QStringLiteral("columns")].toArray()) {
        columns << column.toString();
    }
    FailIf(columns != ResultHeaders(run.mode), QStringLiteral("the columns are not those of mode ") + mode);
    const qsizetype width = columns.size();
    const QJsonArray rows = object[QStringLiteral("rows")].toArray();
    run.rows.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const QJsonArray cells = rows[i].toArray();
        QStringList row;
        for (const QJsonValue cell : cells) {
            row << cell.toString();
        }
        FailIf(row.size() != width || !IsWord(row[width - 2]) || Count(row[width - 1]) == 0,
               QStringLiteral("row ") + QString::number(i + 1) + QStringLiteral(" is not a word with its count"));
        run.rows.append(row);
    }
    for (const QJsonValue file : object[QStringLiteral("unreadable")].toArray()) {
        run.unreadable.append({file[QStringLiteral("path")].toString(), file[QStringLiteral("reason")].toString()});
    }
    return run;
}

RunResults MergeRunResults(const QList<RunResults>& parts, const QStringList& names) {
    RunResults merged;
    if (parts.isEmpty()) {
        return merged;
    }
    const RunResults& first = parts.first();
    merged.mode = first.mode;
    merged.method = first.method;
    merged.ignoreCase = first.ignoreCase;
    const auto describe = [](const RunResults& run) {
        return QStringLiteral("mode ") + ModeName(run.mode) + QStringLiteral(", method ") + run.method +
               (run.ignoreCase ? QStringLiteral(", letter case ignored") : QStringLiteral(", case-sensitive"));
    };
    qint64 allLines = 0;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const RunResults& part = parts[i];
        FailIf(part.mode != first.mode || part.method != first.method || part.ignoreCase != first.ignoreCase,
               QStringLiteral("cannot merge ") + names.value(i) + QStringLiteral(" (") + describe(part) +
                   QStringLiteral(") with ") + names.value(0) + QStringLiteral(" (") + describe(first) +
                   QStringLiteral("): the parts must be counted alike"));
        merged.totals.words += part.totals.words;
        merged.totals.lines += part.totals.lines;
        merged.totals.charsWithSpaces += part.totals.charsWithSpaces;
        merged.totals.charsWithoutSpaces += part.totals.charsWithoutSpaces;
        merged.totals.stoppedWords += part.totals.stoppedWords;
        merged.stopWords = merged.stopWords || part.stopWords;
        allLines += AllLines(part);
        merged.unreadable += part.unreadable;
    }
    if (merged.mode == CountMode::PerFile) {
        for (const RunResults& part : parts) {
            merged.rows += part.rows;
        }
    } else {
        merged.totals.lines = std::max<qint64>(allLines - 1, 0);
        merged.rows = merged.method == QStringLiteral("text") ? TextMethodRows(parts) : DatabaseMethodRows(parts);
    }
    return merged;
}
