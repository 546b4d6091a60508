// Fuzzes the word rule of all languages: any bytes as a converted text. Every word must be
// whole UTF-8 with a letter and no blank, at most kMaxWordLetters characters, folded words must
// stay as they are when folded again, folding must not change where words begin and end, and
// both frequency methods must give the same rows. Each input must be done well within the time
// limit, however its marks are arranged.
//
//     build-fuzz/fuzz/fuzz_words -timeout=2 -max_total_time=60 fuzz/corpus

#include "core/count/Pass.h"
#include "core/count/SortingDb.h"
#include "core/count/SortingText.h"
#include "core/count/WordRule.h"
#include "core/count/WorkingDatabase.h"
#include "core/extract/TextFiles.h"
#include "core/results/ResultTable.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <vector>

namespace {

struct Setup {
    Setup() {
        qputenv("TEMP", QFile::encodeName(folder.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(folder.path() + QStringLiteral("/data")));
        EnsureWorkingDatabase();
    }
    QTemporaryDir folder;
};

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

void CheckWord(const QByteArray& word) {
    Check(!word.isEmpty() && !word.contains(' '));
    const QString text = QString::fromUtf8(word);
    Check(text.toUtf8() == word); // whole UTF-8
    Check(text.toUcs4().size() <= kMaxWordLetters);
    bool letter = false;
    for (const char32_t c : text.toUcs4()) {
        letter = letter || QChar::isLetter(c);
    }
    Check(letter);
}

std::map<QString, qint64> Rows(const QByteArray& text, bool database) {
    const QString pdf = QStringLiteral("/fuzz/input.pdf");
    QFile file(TextFileOf(pdf));
    Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size());
    file.close();
    ResultTable table;
    table.SetColumns(CountMode::PerFile);
    PassInputs inputs;
    inputs.mode = CountMode::PerFile;
    inputs.ignoreCase = [] { return true; };
    inputs.texts = ConvertedTexts({pdf});
    inputs.results = &table;
    inputs.letters = LetterRule::AllLanguages;
    if (database) {
        SortingDB(inputs);
    } else {
        SortingText(inputs);
    }
    std::map<QString, qint64> rows;
    for (int r = 0; r < table.RowCount(); ++r) {
        rows[table.Cell(r, 1)] += table.Cell(r, 2).toLongLong();
    }
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_words";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static Setup setup;
    if (size > 1 << 18) {
        return 0;
    }
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    std::vector<QByteArray> kept;
    std::vector<QByteArray> folded;
    std::vector<QByteArray> further; // dictionary words and compatibility forms
    WordOptions options;
    options.segment = true;
    options.compatibility = true;
    for (const QByteArray& line : text.split('\n')) {
        for (const QByteArray& token : line.split(' ')) {
            AllLanguageWords(token, true, further, options);
            for (const QByteArray& word : further) {
                CheckWord(word);
            }
            AllLanguageWords(token, false, kept);
            AllLanguageWords(token, true, folded);
            Check(kept.size() == folded.size());
            for (const QByteArray& word : kept) {
                CheckWord(word);
            }
            for (const QByteArray& word : folded) {
                CheckWord(word);
                Check(FoldCaseUtf8(word) == word);
            }
        }
    }
    // The whole pass, by both methods, on small inputs.
    if (size <= 1 << 12) {
        Check(Rows(text, false) == Rows(text, true));
    }
    return 0;
}
