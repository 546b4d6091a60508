// Fuzzes the reader of merge parts: any bytes as the JSON results of a run. A part is either
// refused with a Failure or read; a part that is read is a JSON document that reads the same
// written out by the JSON parser, merges on its own (or is refused), and the merged results,
// written as JSON, read back as the same results and merge again to themselves.
//
//     build-fuzz/fuzz/fuzz_merge -max_total_time=60 fuzz/corpus-merge

#include "core/base/ErrorReport.h"
#include "core/export/DataExport.h"
#include "core/results/Merge.h"
#include "core/results/ResultTable.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QJsonDocument>

#include <cstdint>
#include <cstdlib>

namespace {

bool Same(const RunResults& a, const RunResults& b) {
    const auto sameTotals = [](const Totals& x, const Totals& y) {
        return x.words == y.words && x.lines == y.lines && x.charsWithSpaces == y.charsWithSpaces &&
               x.charsWithoutSpaces == y.charsWithoutSpaces && x.stoppedWords == y.stoppedWords;
    };
    if (a.unreadable.size() != b.unreadable.size()) {
        return false;
    }
    for (qsizetype i = 0; i < a.unreadable.size(); ++i) {
        if (a.unreadable[i].path != b.unreadable[i].path || a.unreadable[i].reason != b.unreadable[i].reason) {
            return false;
        }
    }
    return a.mode == b.mode && a.method == b.method && a.ignoreCase == b.ignoreCase && a.letters == b.letters &&
           a.stopWords == b.stopWords && a.stopList == b.stopList && a.stopFingerprint == b.stopFingerprint &&
           sameTotals(a.totals, b.totals) && a.rows == b.rows && a.errors == b.errors;
}

QByteArray Written(const RunResults& results) {
    ResultTable table;
    table.SetColumns(results.mode);
    for (const QStringList& row : results.rows) {
        table.AddRow(row);
    }
    table.SetTotals(results.totals);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    WriteJson(table,
              {results.mode, results.method, results.ignoreCase, results.errors, results.stopWords, results.letters,
               results.stopList, results.stopFingerprint, results.words},
              results.unreadable, buffer);
    return buffer.data();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_merge";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    if (size > 1 << 16) {
        return 0;
    }
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    RunResults part;
    RunResults merged;
    try {
        part = ReadRunResults(bytes);
        merged = MergeRunResults({part}, {QStringLiteral("part.json")});
    } catch (const Failure&) {
        return 0;
    }
    // The rows are read straight from the text; what is read so must be a JSON document too,
    // and read the same once written out again by the JSON parser.
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isObject()) {
        std::abort();
    }
    try {
        if (!Same(ReadRunResults(document.toJson(QJsonDocument::Compact)), part)) {
            std::abort();
        }
    } catch (const Failure&) {
        std::abort();
    }
    RunResults again;
    try {
        again = ReadRunResults(Written(merged));
    } catch (const Failure&) {
        std::abort(); // merged results that cannot be read again
    }
    // The errors of a merged part carry its name; merged again they carry it twice.
    RunResults remerged = MergeRunResults({again}, {QStringLiteral("part.json")});
    for (QString& report : remerged.errors) {
        report.remove(0, QStringLiteral("part.json: ").size());
    }
    if (!Same(again, merged) || !Same(remerged, merged)) {
        std::abort();
    }
    return 0;
}
