// Fuzzes the word rule and the counting pass: any bytes as a converted text. Both frequency
// methods must agree with each other and with a plain restatement of the rule, and the totals
// with the text's own measure.
//
//     build-fuzz/fuzz/fuzz_counting -max_total_time=60 fuzz/corpus

#include "core/base/Places.h"
#include "core/count/Pass.h"
#include "core/count/SortingDb.h"
#include "core/count/SortingText.h"
#include "core/count/WorkingDatabase.h"
#include "core/extract/TextFiles.h"
#include "core/results/ResultTable.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

namespace {

// The word rule restated: lines end at LF, CR LF or CR; tokens end at a blank; a word is the
// token's ASCII letters, ligatures U+FB00..U+FB06 read as their letters.
std::map<std::string, long> ReferenceWords(const QByteArray& text, bool ignoreCase, long& total) {
    static const char* const ligatures[] = {"ff", "fi", "fl", "ffi", "ffl", "st", "st"};
    std::map<std::string, long> words;
    std::string word;
    const auto flush = [&] {
        if (!word.empty()) {
            ++words[word];
            ++total;
        }
        word.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n' || c == '\r' || c == ' ') {
            flush();
        } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            word += static_cast<char>(ignoreCase ? (c | 0x20) : c);
        } else if (c == 0xEF && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xAC &&
                   static_cast<unsigned char>(text[i + 2]) >= 0x80 && static_cast<unsigned char>(text[i + 2]) <= 0x86) {
            word += ligatures[static_cast<unsigned char>(text[i + 2]) - 0x80];
            i += 2;
        }
    }
    flush();
    return words;
}

struct Setup {
    Setup() {
        qputenv("TEMP", QFile::encodeName(folder.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(folder.path() + QStringLiteral("/data")));
        EnsureWorkingDatabase();
    }
    QTemporaryDir folder;
};

ResultTable Count(const QByteArray& text, bool database, bool ignoreCase) {
    const QString pdf = QStringLiteral("/fuzz/input.pdf");
    QFile file(TextFileOf(pdf));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size()) {
        std::abort();
    }
    file.close();
    ResultTable table;
    table.SetColumns(CountMode::PerFile);
    PassInputs inputs;
    inputs.mode = CountMode::PerFile;
    inputs.ignoreCase = [ignoreCase] { return ignoreCase; };
    inputs.texts = ConvertedTexts({pdf});
    inputs.results = &table;
    if (database) {
        SortingDB(inputs);
    } else {
        SortingText(inputs);
    }
    return table;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_counting";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static Setup setup;
    if (size > 1 << 16) {
        return 0;
    }
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const bool ignoreCase : {true, false}) {
        long total = 0;
        const std::map<std::string, long> expected = ReferenceWords(text, ignoreCase, total);
        const ResultTable byText = Count(text, false, ignoreCase);
        const ResultTable byDatabase = Count(text, true, ignoreCase);
        const CharCounts chars = CountCharacters(text);
        for (const ResultTable* table : {&byText, &byDatabase}) {
            const Totals& totals = table->LastTotals();
            if (totals.words != total || totals.lines != CountLines(text) - 1 ||
                totals.charsWithSpaces != chars.withSpaces || totals.charsWithoutSpaces != chars.withoutSpaces) {
                std::abort();
            }
            long sum = 0;
            for (int r = 0; r < table->RowCount(); ++r) {
                sum += table->Cell(r, 2).toLong();
            }
            if (sum != total) {
                std::abort();
            }
        }
        // The text method keeps every spelling apart when case matters; so does the reference.
        if (!ignoreCase) {
            std::map<std::string, long> counted;
            for (int r = 0; r < byText.RowCount(); ++r) {
                counted[byText.Cell(r, 1).toStdString()] += byText.Cell(r, 2).toLong();
            }
            if (counted != expected) {
                std::abort();
            }
        }
    }
    return 0;
}
