#include "core/results/Merge.h"

#include "core/base/ErrorReport.h"
#include "core/count/SortingText.h"
#include "core/count/WordRule.h"
#include "core/results/ResultTable.h"

#include <QCryptographicHash>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

constexpr qint64 kLargestCount = std::numeric_limits<qint64>::max();

QString ModeName(CountMode mode) {
    return mode == CountMode::PerFile ? QStringLiteral("per-file") : QStringLiteral("all");
}

// True for a word as the counting pass makes it by the letter rule: one or more of the 52 ASCII
// letters, or one or more letters and combining marks of any script, one of them a letter.
bool IsWord(const QString& text, LetterRule letters) {
    if (text.isEmpty()) {
        return false;
    }
    if (letters == LetterRule::Ascii) {
        return std::all_of(text.begin(), text.end(),
                           [](QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); });
    }
    bool letter = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        } else if (text[i].isSurrogate()) {
            return false; // a lone surrogate is no character
        }
        if (QChar::isLetter(c)) {
            letter = true;
        } else if (!QChar::isMark(c)) {
            return false;
        }
    }
    return letter;
}

// The positive count of a row, as the export writes it (decimal digits), or 0.
qint64 Count(const QString& text) {
    bool ok = false;
    const qint64 count = text.toLongLong(&ok);
    return ok && count > 0 && text == QString::number(count) ? count : 0;
}

qint64 Total(const QJsonObject& totals, const char* name, const QString& prefix) {
    const QJsonValue value = totals[QLatin1String(name)];
    if (!value.isDouble() || value.toInteger(-1) < 0) {
        throw Failure(prefix + QLatin1String(name) + QStringLiteral(" is not a count"));
    }
    return value.toInteger();
}

// a + b, or a Failure naming the part and what grew too large.
qint64 Add(qint64 a, qint64 b, const QString& part, const QString& what) {
    qint64 sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        throw Failure(QStringLiteral("cannot merge ") + part + QStringLiteral(": ") + what +
                      QStringLiteral(" would exceed ") + QString::number(kLargestCount));
    }
    return sum;
}

// Lines of all texts together of an all-files run: its line count is that number less one, or
// 0 when it read no text. A run whose texts hold neither a character nor a line break has read
// no line; a run whose only text is one empty line cannot be told from it and counts as none.
qint64 AllLines(const RunResults& run, const QString& name) {
    return run.totals.lines > 0 || run.totals.charsWithSpaces > 0
               ? Add(run.totals.lines, 1, name, QStringLiteral("the line count"))
               : 0;
}

// The bytes with the ASCII letters in lower case: how the database's case-blind order and
// grouping (COLLATE NOCASE) see a word.
QByteArray AsciiLower(const QByteArray& bytes) {
    QByteArray lower = bytes;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c | 0x20);
        }
    }
    return lower;
}

// The text method's rows over all parts: counts added per word, entries sorted as it sorts them.
QList<QStringList> TextMethodRows(QList<RunResults>& parts, const QStringList& names) {
    QHash<QString, qint64> counts;
    QStringList order;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        for (const QStringList& row : parts[i].rows) {
            auto found = counts.find(row[0]);
            if (found == counts.end()) {
                counts.insert(row[0], Count(row[1]));
                order << row[0];
            } else {
                found.value() =
                    Add(found.value(), Count(row[1]), names.value(i), QStringLiteral("the count of ") + row[0]);
            }
        }
        parts[i].rows = {}; // counted: its memory is needed for the merged rows
    }
    WordTable table;
    table.reserve(order.size());
    for (const QString& word : std::as_const(order)) {
        table.append(WordEntry{counts.value(word), word.toUtf8()});
    }
    SortWords(table, PassInputs{});
    QList<QStringList> rows;
    rows.reserve(table.size());
    for (const WordEntry& entry : std::as_const(table)) {
        rows.append({QString::fromUtf8(entry.word), QString::number(entry.count)});
    }
    return rows;
}

// The database method's rows over all parts: the groups of words that differ in letter case only
// joined, each under its binary-smallest spelling (UTF-8 bytes, that is code points), ordered by
// count and then by that spelling with its ASCII letters in lower case, as the database orders
// its groups. Under the ASCII rule the group of a word is its lower case; under the rule of all
// letters its full case folding, as the database method groups them.
QList<QStringList> DatabaseMethodRows(QList<RunResults>& parts, const QStringList& names, LetterRule letters) {
    struct Group {
        QByteArray spelling;
        qint64 count = 0;
    };
    QHash<QByteArray, Group> groups; // by the folded word
    for (qsizetype i = 0; i < parts.size(); ++i) {
        for (const QStringList& row : parts[i].rows) {
            const QByteArray word = row[0].toUtf8();
            Group& group = groups[letters == LetterRule::Ascii ? AsciiLower(word) : FoldCaseUtf8(word)];
            if (group.spelling.isEmpty() || word < group.spelling) {
                group.spelling = word;
            }
            group.count = Add(group.count, Count(row[1]), names.value(i), QStringLiteral("the count of ") + row[0]);
        }
        parts[i].rows = {}; // counted: its memory is needed for the merged rows
    }
    std::vector<std::pair<qint64, QByteArray>> order; // count, the spelling as the database orders it
    order.reserve(static_cast<size_t>(groups.size()));
    QHash<QByteArray, QByteArray> spellings; // by the ordering key
    for (auto it = groups.cbegin(); it != groups.cend(); ++it) {
        const QByteArray key = AsciiLower(it.value().spelling);
        order.emplace_back(it.value().count, key);
        spellings.insert(key, it.value().spelling);
    }
    std::sort(order.begin(), order.end());
    QList<QStringList> rows;
    rows.reserve(static_cast<qsizetype>(order.size()));
    for (const auto& [count, key] : order) {
        rows.append({QString::fromUtf8(spellings.value(key)), QString::number(count)});
    }
    return rows;
}

QString Describe(const RunResults& run) {
    QString text = QStringLiteral("mode ") + ModeName(run.mode) + QStringLiteral(", method ") + run.method +
                   (run.ignoreCase ? QStringLiteral(", letter case ignored") : QStringLiteral(", case-sensitive")) +
                   QStringLiteral(", letters ") + LetterRuleName(run.letters);
    if (run.words.segment) {
        text += QStringLiteral(", dictionary words");
    }
    if (run.words.compatibility) {
        text += QStringLiteral(", compatibility forms joined");
    }
    if (!run.words.stemLanguage.isEmpty()) {
        text += QStringLiteral(", word forms grouped (") + run.words.stemLanguage + u')';
    }
    if (!run.stopWords) {
        return text + QStringLiteral(", every word");
    }
    if (run.stopFingerprint.isEmpty()) {
        return text + QStringLiteral(", common words of an unrecorded list left out");
    }
    return text + QStringLiteral(", common words of ") + run.stopList + QStringLiteral(" (") +
           run.stopFingerprint.left(8) + QStringLiteral(") left out");
}

bool Alike(const RunResults& a, const RunResults& b) {
    return a.mode == b.mode && a.method == b.method && a.ignoreCase == b.ignoreCase && a.letters == b.letters &&
           a.stopWords == b.stopWords && a.stopFingerprint == b.stopFingerprint && a.words == b.words;
}

// The fast reading of the rows gives up on anything but plain, well-formed rows of texts; the
// rows are then read from the parsed document, which says what is wrong.
struct NotPlain {};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

qsizetype SkipBlanks(QByteArrayView json, qsizetype at) {
    while (at < json.size() && IsBlank(json[at])) {
        ++at;
    }
    return at;
}

// The end of the JSON text (string) that begins at at, after its closing quote; -1 when it ends
// before that.
qsizetype SkipString(QByteArrayView json, qsizetype at) {
    for (++at; at < json.size(); ++at) {
        if (json[at] == '\\') {
            ++at;
        } else if (json[at] == '"') {
            return at + 1;
        }
    }
    return -1;
}

// The end of the JSON value that begins at at, brackets and strings followed, not checked; -1 when
// the text ends before it.
qsizetype SkipValue(QByteArrayView json, qsizetype at) {
    if (at >= json.size()) {
        return -1;
    }
    if (json[at] == '"') {
        return SkipString(json, at);
    }
    if (json[at] != '[' && json[at] != '{') {
        while (at < json.size() && !IsBlank(json[at]) && json[at] != ',' && json[at] != '}' && json[at] != ']') {
            ++at;
        }
        return at;
    }
    qsizetype depth = 0;
    while (at < json.size()) {
        const char c = json[at];
        if (c == '"') {
            at = SkipString(json, at);
            if (at < 0) {
                return -1;
            }
            continue;
        }
        if (c == '[' || c == '{') {
            ++depth;
        } else if ((c == ']' || c == '}') && --depth == 0) {
            return at + 1;
        }
        ++at;
    }
    return -1;
}

// Where the value of the top-level key (written without escapes) begins and ends; {-1, -1} when
// the text is not an object of key-value pairs or has no such key.
std::pair<qsizetype, qsizetype> TopLevelValue(QByteArrayView json, QByteArrayView key) {
    qsizetype at = SkipBlanks(json, 0);
    if (at >= json.size() || json[at] != '{') {
        return {-1, -1};
    }
    at = SkipBlanks(json, at + 1);
    while (at < json.size() && json[at] == '"') {
        const qsizetype keyEnd = SkipString(json, at);
        if (keyEnd < 0) {
            break;
        }
        const bool wanted = json.sliced(at + 1, keyEnd - at - 2) == key;
        at = SkipBlanks(json, keyEnd);
        if (at >= json.size() || json[at] != ':') {
            break;
        }
        const qsizetype begin = SkipBlanks(json, at + 1);
        const qsizetype end = SkipValue(json, begin);
        if (end < 0) {
            break;
        }
        if (wanted) {
            return {begin, end};
        }
        at = SkipBlanks(json, end);
        if (at >= json.size() || json[at] != ',') {
            break;
        }
        at = SkipBlanks(json, at + 1);
    }
    return {-1, -1};
}

// The code unit of the four hexadecimal digits of a \\u escape at at (moved past them); NotPlain
// for a surrogate or anything but four digits.
char16_t ReadUnitEscape(QByteArrayView json, qsizetype& at) {
    char16_t unit = 0;
    for (int k = 0; k < 4; ++k) {
        const char digit = at + k < json.size() ? json[at + k] : '\0';
        const int value = digit >= '0' && digit <= '9'   ? digit - '0'
                          : digit >= 'a' && digit <= 'f' ? digit - 'a' + 10
                          : digit >= 'A' && digit <= 'F' ? digit - 'A' + 10
                                                         : -1;
        if (value < 0) {
            throw NotPlain{};
        }
        unit = static_cast<char16_t>(unit * 16 + value);
    }
    if (QChar::isSurrogate(unit)) {
        throw NotPlain{};
    }
    at += 4;
    return unit;
}

// A count written as a JSON number (plain digits) at at (moved past it), as its decimal text;
// NotPlain for anything else.
QString ReadPlainNumber(QByteArrayView json, qsizetype& at) {
    const qsizetype begin = at;
    while (at < json.size() && json[at] >= '0' && json[at] <= '9') {
        ++at;
    }
    if (at == begin || (at < json.size() && (json[at] == '.' || json[at] == 'e' || json[at] == 'E'))) {
        throw NotPlain{};
    }
    return QString::fromLatin1(json.sliced(begin, at - begin));
}

// The text of the JSON string at at (moved past it): plain UTF-8 and the escapes of characters
// that are not surrogates; NotPlain for anything else.
QString ReadPlainString(QByteArrayView json, qsizetype& at) {
    if (at >= json.size() || json[at] != '"') {
        throw NotPlain{};
    }
    QString text;
    qsizetype run = ++at; // the start of the bytes not yet taken
    const auto take = [&] {
        const QByteArrayView bytes = json.sliced(run, at - run);
        if (!QUtf8StringView(bytes).isValidUtf8()) {
            throw NotPlain{};
        }
        text += QString::fromUtf8(bytes);
    };
    while (at < json.size()) {
        const auto c = static_cast<unsigned char>(json[at]);
        if (c == '"') {
            take();
            ++at;
            return text;
        }
        if (c < 0x20) {
            throw NotPlain{};
        }
        if (c != '\\') {
            ++at;
            continue;
        }
        take();
        if (at + 1 >= json.size()) {
            throw NotPlain{};
        }
        const char escaped = json[at + 1];
        at += 2;
        switch (escaped) {
        case '"':
        case '\\':
        case '/':
            text += QLatin1Char(escaped);
            break;
        case 'b':
            text += u'\b';
            break;
        case 'f':
            text += u'\f';
            break;
        case 'n':
            text += u'\n';
            break;
        case 'r':
            text += u'\r';
            break;
        case 't':
            text += u'\t';
            break;
        case 'u':
            text += QChar(ReadUnitEscape(json, at));
            break;
        default:
            throw NotPlain{};
        }
        run = at;
    }
    throw NotPlain{};
}
} // namespace

QString LetterRuleName(LetterRule letters) {
    return letters == LetterRule::AllLanguages ? QStringLiteral("all") : QStringLiteral("ascii");
}

QString StopWordsFingerprint(const QStringList& words, LetterRule letters) {
    const QSet<QByteArray> keys = StopWordKeys(words, letters);
    QList<QByteArray> sorted(keys.cbegin(), keys.cend());
    std::sort(sorted.begin(), sorted.end());
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QByteArray& key : std::as_const(sorted)) {
        hash.addData(key);
        hash.addData(QByteArrayView("\n"));
    }
    return QString::fromLatin1(hash.result().toHex());
}

namespace {

// Adds row i of the results, or throws Failure when it is not a word of the letter rule with its
// count (after the file, per file).
void AddRow(RunResults& run, QStringList&& row, qsizetype width, qsizetype i) {
    if (row.size() != width || (width == 3 && row[0].isEmpty()) || !IsWord(row[width - 2], run.letters) ||
        Count(row[width - 1]) == 0) {
        throw Failure(QStringLiteral("row ") + QString::number(i + 1) +
                      QStringLiteral(" is not a word with its count"));
    }
    run.rows.append(std::move(row));
}

// The rows of the results as JSON text (an array), read without a document of their own.
// numbers: the counts are JSON numbers (format 2), else texts.
void ReadPlainRows(QByteArrayView json, RunResults& run, qsizetype width, bool numbers) {
    qsizetype at = SkipBlanks(json, 0);
    if (at >= json.size() || json[at] != '[') {
        throw NotPlain{};
    }
    at = SkipBlanks(json, at + 1);
    if (at < json.size() && json[at] == ']') {
        return;
    }
    for (qsizetype i = 0;; ++i) {
        if (at >= json.size() || json[at] != '[') {
            throw NotPlain{};
        }
        QStringList row;
        row.reserve(width);
        at = SkipBlanks(json, at + 1);
        if (at < json.size() && json[at] == ']') {
            ++at;
        } else {
            for (;;) {
                const bool countCell = numbers && row.size() == width - 1;
                row << (countCell ? ReadPlainNumber(json, at) : ReadPlainString(json, at));
                at = SkipBlanks(json, at);
                if (at < json.size() && json[at] == ',') {
                    at = SkipBlanks(json, at + 1);
                } else if (at < json.size() && json[at] == ']') {
                    ++at;
                    break;
                } else {
                    throw NotPlain{};
                }
            }
        }
        AddRow(run, std::move(row), width, i);
        at = SkipBlanks(json, at);
        if (at < json.size() && json[at] == ',') {
            at = SkipBlanks(json, at + 1);
        } else if (at < json.size() && json[at] == ']') {
            if (SkipBlanks(json, at + 1) != json.size()) {
                throw NotPlain{};
            }
            return;
        } else {
            throw NotPlain{};
        }
    }
}

// The rows from the parsed document: texts, and counts as numbers (numbers) or as decimal texts.
void ReadDocumentRows(const QJsonArray& rows, RunResults& run, qsizetype width, bool numbers) {
    run.rows.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        QStringList row;
        row.reserve(width);
        for (const QJsonValue cell : rows[i].toArray()) {
            if (numbers && row.size() == width - 1) {
                const qint64 count = cell.toInteger(-1); // -1 for a text or a number that is no count
                row << (count > 0 ? QString::number(count) : QString());
            } else {
                row << cell.toString();
            }
        }
        AddRow(run, std::move(row), width, i);
    }
}

// The kind of an unreadable input by its stable name; Other for a name not known.
UnreadableKind KindNamed(const QString& name) {
    for (int k = 0; k <= static_cast<int>(UnreadableKind::Damaged); ++k) {
        if (UnreadableKindName(static_cast<UnreadableKind>(k)) == name) {
            return static_cast<UnreadableKind>(k);
        }
    }
    return UnreadableKind::Other;
}

void ReadUnreadable(const QJsonObject& object, RunResults& run) {
    FailIf(!object[QStringLiteral("unreadable")].isArray(), QStringLiteral("unreadable is not a list"));
    const QJsonArray unreadable = object[QStringLiteral("unreadable")].toArray();
    for (qsizetype i = 0; i < unreadable.size(); ++i) {
        const QJsonValue path = unreadable[i][QStringLiteral("path")];
        const QJsonValue reason = unreadable[i][QStringLiteral("reason")];
        if (!path.isString() || path.toString().isEmpty() || !reason.isString()) {
            throw Failure(QStringLiteral("unreadable entry ") + QString::number(i + 1) +
                          QStringLiteral(" is not a path with its reason"));
        }
        run.unreadable.append(
            {path.toString(), reason.toString(), KindNamed(unreadable[i][QStringLiteral("kind")].toString())});
    }
}

// The file summary of a per-file run, when it has one.
void ReadFiles(const QJsonObject& object, RunResults& run) {
    run.hasFiles = object.contains(QStringLiteral("files"));
    if (!run.hasFiles) {
        return;
    }
    FailIf(!object[QStringLiteral("files")].isArray(), QStringLiteral("files is not a list"));
    const QJsonArray files = object[QStringLiteral("files")].toArray();
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QJsonObject file = files[i].toObject();
        const QString inFile = QStringLiteral("files entry ") + QString::number(i + 1) + u' ';
        FileSummaryRow row;
        row.path = file[QStringLiteral("path")].toString();
        FailIf(row.path.isEmpty(), inFile + QStringLiteral("has no path"));
        row.reason = file[QStringLiteral("reason")].toString();
        row.kind = KindNamed(file[QStringLiteral("kind")].toString());
        row.counted = file.contains(QStringLiteral("words"));
        row.ocr = file[QStringLiteral("ocr")].toBool();
        if (row.counted) {
            Totals& t = row.counts.file.totals;
            t = {Total(file, "words", inFile), Total(file, "lines", inFile), Total(file, "chars_with_spaces", inFile),
                 Total(file, "chars_without_spaces", inFile)};
            t.stoppedWords = file.contains(QStringLiteral("stopped_words")) ? Total(file, "stopped_words", inFile) : 0;
            row.counts.file.pages = Total(file, "pages", inFile);
            row.counts.distinctWords = Total(file, "distinct_words", inFile);
        }
        run.files.append(row);
    }
}

// The results in the document; plainRows, when set, holds the text of the rows, which the
// document then holds as an empty array.
RunResults ReadResults(const QJsonDocument& document, QByteArrayView plainRows) {
    FailIf(!document.isObject(), QStringLiteral("not the JSON results of lexitally-cli"));
    const QJsonObject object = document.object();
    // The first layout has no format key; the second gives counts as numbers.
    const bool numbers = object.contains(QStringLiteral("format"));
    if (numbers) {
        const qint64 format = object[QStringLiteral("format")].toInteger(-1);
        FailIf(format != 2, QStringLiteral("format ") + object[QStringLiteral("format")].toVariant().toString() +
                                QStringLiteral(" is not one this version reads (2, or none)"));
    }
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
    if (object.contains(QStringLiteral("letters"))) {
        const QString letters = object[QStringLiteral("letters")].toString();
        FailIf(letters != QStringLiteral("ascii") && letters != QStringLiteral("all"),
               QStringLiteral("letters is not ascii or all"));
        run.letters = letters == QStringLiteral("all") ? LetterRule::AllLanguages : LetterRule::Ascii;
    }
    if (object.contains(QStringLiteral("word_options"))) {
        const QJsonObject words = object[QStringLiteral("word_options")].toObject();
        FailIf(!words[QStringLiteral("segment")].isBool() || !words[QStringLiteral("compat_forms")].isBool() ||
                   !words[QStringLiteral("stem")].isString(),
               QStringLiteral("word_options is not segment, compat_forms and stem"));
        run.words = {words[QStringLiteral("compat_forms")].toBool(), words[QStringLiteral("segment")].toBool(),
                     words[QStringLiteral("stem")].toString()};
    }
    FailIf(!object[QStringLiteral("totals")].isObject(), QStringLiteral("totals is missing"));
    const QJsonObject totals = object[QStringLiteral("totals")].toObject();
    const QString inTotals = QStringLiteral("totals.");
    run.totals = {Total(totals, "words", inTotals), Total(totals, "lines", inTotals),
                  Total(totals, "chars_with_spaces", inTotals), Total(totals, "chars_without_spaces", inTotals)};
    run.stopWords = object.contains(QStringLiteral("stopped_words"));
    if (run.stopWords) {
        run.totals.stoppedWords = Total(object, "stopped_words", {});
    }
    if (object.contains(QStringLiteral("stop_words"))) {
        const QJsonObject list = object[QStringLiteral("stop_words")].toObject();
        run.stopList = list[QStringLiteral("list")].toString();
        run.stopFingerprint = list[QStringLiteral("sha256")].toString();
        static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{64}$"));
        FailIf(run.stopList.isEmpty() || !hex.match(run.stopFingerprint).hasMatch(),
               QStringLiteral("stop_words is not a list with its sha256"));
        FailIf(!run.stopWords, QStringLiteral("stop_words is given without stopped_words"));
    }
    QStringList columns;
    for (const QJsonValue column : object[QStringLiteral("columns")].toArray()) {
        columns << column.toString();
    }
    FailIf(columns != ResultHeaders(run.mode), QStringLiteral("the columns are not those of mode ") + mode);
    const qsizetype width = columns.size();
    FailIf(!object[QStringLiteral("rows")].isArray(), QStringLiteral("rows is not a list"));
    if (!plainRows.isNull()) {
        ReadPlainRows(plainRows, run, width, numbers);
    } else {
        ReadDocumentRows(object[QStringLiteral("rows")].toArray(), run, width, numbers);
    }
    ReadUnreadable(object, run);
    ReadFiles(object, run);
    if (object.contains(QStringLiteral("errors"))) {
        FailIf(!object[QStringLiteral("errors")].isArray(), QStringLiteral("errors is not a list"));
        for (const QJsonValue report : object[QStringLiteral("errors")].toArray()) {
            FailIf(!report.isString(), QStringLiteral("errors holds something other than texts"));
            run.errors << report.toString();
        }
    }
    return run;
}

} // namespace

RunResults ReadRunResults(const QByteArray& json) {
    // The rows, nearly all of a large part, are read straight from the text: a document of them
    // would take many times their size. The rest is read as a document with the rows left out.
    const auto [begin, end] = TopLevelValue(json, "rows");
    if (begin >= 0 && json[begin] == '[') {
        QJsonParseError error;
        const QJsonDocument rest = QJsonDocument::fromJson(json.first(begin) + "[]" + json.sliced(end), &error);
        if (error.error == QJsonParseError::NoError && rest[QStringLiteral("rows")] == QJsonArray()) {
            try {
                return ReadResults(rest, QByteArrayView(json).sliced(begin, end - begin));
            } catch (const NotPlain&) {
                // read again below, from a document that says what is wrong
            }
        }
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    FailIf(error.error != QJsonParseError::NoError, QStringLiteral("not JSON (") + error.errorString() +
                                                        QStringLiteral(" at offset ") + QString::number(error.offset) +
                                                        u')');
    return ReadResults(document, {});
}

RunResults MergeRunResults(QList<RunResults> parts, const QStringList& names) {
    RunResults merged;
    if (parts.isEmpty()) {
        return merged;
    }
    const RunResults& first = parts.first();
    merged.mode = first.mode;
    merged.method = first.method;
    merged.ignoreCase = first.ignoreCase;
    merged.letters = first.letters;
    merged.stopWords = first.stopWords;
    merged.stopList = first.stopList;
    merged.stopFingerprint = first.stopFingerprint;
    merged.words = first.words;
    // A part shows each group of word forms by its own most frequent spelling, which another part
    // may not share: rows for all files together cannot be joined group by group.
    FailIf(merged.mode == CountMode::AllFiles && !first.words.stemLanguage.isEmpty() && parts.size() > 1,
           QStringLiteral("cannot merge results with word forms grouped (--stem) for all files together: count "
                          "them in one run, or merge results counted with --per-file"));
    QHash<QString, qsizetype> partOfFile; // per file: the part that counted each file
    qint64 allLines = 0;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const RunResults& part = parts[i];
        const QString name = names.value(i);
        if (!Alike(part, first)) {
            throw Failure(QStringLiteral("cannot merge ") + name + QStringLiteral(" (") + Describe(part) +
                          QStringLiteral(") with ") + names.value(0) + QStringLiteral(" (") + Describe(first) +
                          QStringLiteral("): the parts must be counted alike"));
        }
        if (merged.mode == CountMode::PerFile) {
            for (const QStringList& row : part.rows) {
                const qsizetype earlier = partOfFile.value(row[0], i);
                if (earlier != i) {
                    throw Failure(QStringLiteral("cannot merge ") + name + QStringLiteral(": the file ") + row[0] +
                                  QStringLiteral(" was counted in ") + names.value(earlier) +
                                  QStringLiteral(" too, and each file belongs in one part only"));
                }
                partOfFile.insert(row[0], i);
            }
        }
        merged.totals.words = Add(merged.totals.words, part.totals.words, name, QStringLiteral("the word count"));
        merged.totals.lines = Add(merged.totals.lines, part.totals.lines, name, QStringLiteral("the line count"));
        merged.totals.charsWithSpaces = Add(merged.totals.charsWithSpaces, part.totals.charsWithSpaces, name,
                                            QStringLiteral("the character count with spaces"));
        merged.totals.charsWithoutSpaces = Add(merged.totals.charsWithoutSpaces, part.totals.charsWithoutSpaces, name,
                                               QStringLiteral("the character count without spaces"));
        merged.totals.stoppedWords = Add(merged.totals.stoppedWords, part.totals.stoppedWords, name,
                                         QStringLiteral("the count of common words left out"));
        allLines = Add(allLines, AllLines(part, name), name, QStringLiteral("the line count"));
        merged.unreadable += part.unreadable;
        for (const QString& report : part.errors) {
            merged.errors << name + QStringLiteral(": ") + report;
        }
    }
    // A file summary is merged only when every part has one: a part without it would leave holes.
    merged.hasFiles = std::all_of(parts.cbegin(), parts.cend(), [](const RunResults& part) { return part.hasFiles; });
    for (const RunResults& part : parts) {
        merged.files += merged.hasFiles ? part.files : QList<FileSummaryRow>();
    }
    if (merged.mode == CountMode::PerFile) {
        for (RunResults& part : parts) {
            merged.rows += std::move(part.rows);
        }
    } else {
        merged.totals.lines = std::max<qint64>(allLines - 1, 0);
        merged.rows = merged.method == QStringLiteral("text") ? TextMethodRows(parts, names)
                                                              : DatabaseMethodRows(parts, names, merged.letters);
    }
    return merged;
}
