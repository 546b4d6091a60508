// Times the counting pass with each word-frequency method and counting mode.
//
//   bench_counting [--method db|text|both] [--mode all|per-file|both] [--no-sort]
//                  [--letters ascii|all] [--segment] [--compat-forms] [--stem LANGUAGE]
//                  [--generate MB] [--distinct N] [--seed S] [--files N] [--repeat N] [FILE...]
//   bench_counting --generate MB [--distinct N] [--seed S] --write FILE
//
// Inputs are the given text files, or a generated text of MB megabytes drawn from N distinct
// words (default 200,000, in natural frequencies: bench/RealisticText.h; split into --files parts
// in per-file mode; --seed picks another text). "counting" is the time spent walking over the
// words (in per-file mode the walks of all files added up). --no-sort requests a stop when the
// first walk ends, which leaves the text method's sort after one comparison: use it in
// all-files mode to time the text method's counting alone. The pass yields as the window's
// does: a clock is read on every call and the event queue gets a turn every 15 ms. The word
// options are those of the command line of the same names: compare a run with --segment against
// one without it on the same text for the cost of dictionary words.
// Runs in its own temporary folder and data folder; nothing of the user's is touched.

#include "core/base/ErrorReport.h"
#include "core/count/Pass.h"
#include "core/count/SortingDb.h"
#include "core/count/SortingText.h"
#include "core/count/WorkingDatabase.h"
#include "core/extract/TextFiles.h"

#include "RealisticText.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

struct Options {
    QStringList methods{QStringLiteral("db"), QStringLiteral("text")};
    QStringList modes{QStringLiteral("all"), QStringLiteral("per-file")};
    bool noSort = false;
    double generateMb = 0;
    int distinct = 200000;
    quint64 seed = 1;
    int files = 4;
    int repeat = 1;
    QString write;
    QStringList inputs;
    LetterRule letters = LetterRule::Ascii;
    WordOptions words;
};

// A text of about `bytes` bytes shaped like a converter's output of real documents, drawn from
// `distinct` words in natural frequencies (bench/RealisticText.h).
QByteArray GenerateText(qint64 bytes, int distinct, quint64 seed) {
    const std::vector<std::string> vocabulary = bench::Vocabulary(distinct, seed);
    return QByteArray::fromStdString(bench::RealisticText(static_cast<size_t>(bytes), vocabulary, seed + 1));
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// Adds up the time of the walks over the words: a walk starts with the first per-token text
// and ends with the next plain text (the method's own progress).
class TimingProgress : public ProgressMemory {
public:
    TimingProgress(const QElapsedTimer& clock, bool stopAtSort) : m_clock(clock), m_stopAtSort(stopAtSort) {}
    void SetText(const ProgressText& text) override {
        if (text.kind != ProgressText::Kind::Plain) {
            m_counters = text.a + text.b + text.c; // numbers only, as a window's sink keeps them
            if (m_walkStart < 0) {
                m_walkStart = m_clock.nsecsElapsed();
            }
            return;
        }
        ProgressMemory::SetText(text);
        if (m_walkStart >= 0) {
            m_walks += m_clock.nsecsElapsed() - m_walkStart;
            m_walkStart = -1;
            stop = m_stopAtSort;
        }
    }
    qint64 m_walks = 0;
    qint64 m_walkStart = -1;
    qint64 m_counters = 0;
    bool stop = false;

private:
    const QElapsedTimer& m_clock;
    bool m_stopAtSort;
};

class CountingSink : public ResultSink {
public:
    void AddRow(const WordRow&) override { ++rows; }
    void SetTotals(const Totals& t) override { totals = t; }
    qint64 rows = 0;
    Totals totals;
};

void RunOne(const QString& method, const QString& mode, const QList<QByteArray>& texts, const Options& options) {
    double best = 1e300;
    double bestWalk = 1e300;
    CountingSink sink;
    qint64 bytes = 0;
    for (const QByteArray& text : texts) {
        bytes += text.size();
    }
    for (int run = 0; run < options.repeat; ++run) {
        QStringList rows;
        for (qsizetype i = 0; i < texts.size(); ++i) {
            const QString row = QStringLiteral("/bench/input-%1.pdf").arg(i);
            if (!WriteFile(TextFileOf(row), texts[i])) {
                std::fprintf(stderr, "cannot write the text of %s\n", qPrintable(row));
                return;
            }
            rows << row;
        }
        QElapsedTimer clock;
        TimingProgress progress(clock, options.noSort);
        sink = CountingSink();
        PassInputs pass;
        pass.mode = mode == QStringLiteral("all") ? CountMode::AllFiles : CountMode::PerFile;
        pass.ignoreCase = [] { return true; };
        pass.texts = ConvertedTexts(rows);
        pass.stopRequested = [&progress] { return progress.stop; };
        pass.progress = &progress;
        pass.results = &sink;
        pass.letters = options.letters;
        pass.words = options.words;
        QElapsedTimer sinceTurn;
        pass.yield = [&sinceTurn] { // as the window's: one real turn every 15 ms at most
            if (!sinceTurn.isValid() || sinceTurn.elapsed() >= 15) {
                QCoreApplication::processEvents();
                sinceTurn.start();
            }
        };
        clock.start();
        if (method == QStringLiteral("db")) {
            SortingDB(pass);
        } else {
            SortingText(pass);
        }
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        best = std::min(best, seconds);
        if (progress.m_walks > 0) {
            bestWalk = std::min(bestWalk, static_cast<double>(progress.m_walks) / 1e9);
        }
    }
    const double mb = static_cast<double>(bytes) / 1e6;
    const double words = static_cast<double>(sink.totals.words);
    std::printf("%-5s %-9s %8.2f MB %10lld words %7lld rows | total %8.3f s %8.1f MB/s %10.0f words/s | "
                "counting %7.3f s %8.1f MB/s\n",
                qPrintable(method), qPrintable(mode), mb, static_cast<long long>(sink.totals.words),
                static_cast<long long>(sink.rows), best, mb / best, words / best, bestWalk, mb / bestWalk);
    std::fflush(stdout);
}

int Usage() {
    std::fprintf(stderr,
                 "usage: bench_counting [--method db|text|both] [--mode all|per-file|both] [--no-sort]\n"
                 "                      [--letters ascii|all] [--segment] [--compat-forms] [--stem LANGUAGE]\n"
                 "                      [--generate MB] [--distinct N] [--seed S] [--files N] [--repeat N] [FILE...]\n"
                 "       bench_counting --generate MB [--distinct N] [--seed S] --write FILE\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Options options;
    const QStringList args = app.arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto value = [&]() -> QString { return i + 1 < args.size() ? args[++i] : QString(); };
        if (a == QStringLiteral("--method")) {
            const QString v = value();
            options.methods = v == QStringLiteral("both") ? QStringList{QStringLiteral("db"), QStringLiteral("text")}
                                                          : QStringList{v};
        } else if (a == QStringLiteral("--mode")) {
            const QString v = value();
            options.modes = v == QStringLiteral("both") ? QStringList{QStringLiteral("all"), QStringLiteral("per-file")}
                                                        : QStringList{v};
        } else if (a == QStringLiteral("--no-sort")) {
            options.noSort = true;
        } else if (a == QStringLiteral("--letters")) {
            options.letters = value() == QStringLiteral("all") ? LetterRule::AllLanguages : LetterRule::Ascii;
        } else if (a == QStringLiteral("--segment")) {
            options.words.segment = true;
        } else if (a == QStringLiteral("--compat-forms")) {
            options.words.compatibility = true;
        } else if (a == QStringLiteral("--stem")) {
            options.words.stemLanguage = value();
        } else if (a == QStringLiteral("--generate")) {
            options.generateMb = value().toDouble();
        } else if (a == QStringLiteral("--distinct")) {
            options.distinct = std::max(1, value().toInt());
        } else if (a == QStringLiteral("--files")) {
            options.files = std::max(1, value().toInt());
        } else if (a == QStringLiteral("--repeat")) {
            options.repeat = std::max(1, value().toInt());
        } else if (a == QStringLiteral("--seed")) {
            options.seed = value().toULongLong();
        } else if (a == QStringLiteral("--write")) {
            options.write = value();
        } else if (a.startsWith(u'-')) {
            return Usage();
        } else {
            options.inputs << a;
        }
    }
    for (const QString& m : options.methods) {
        if (m != QStringLiteral("db") && m != QStringLiteral("text")) {
            return Usage();
        }
    }
    for (const QString& m : options.modes) {
        if (m != QStringLiteral("all") && m != QStringLiteral("per-file")) {
            return Usage();
        }
    }

    if (!options.write.isEmpty()) {
        if (options.generateMb <= 0) {
            return Usage();
        }
        const QByteArray text =
            GenerateText(static_cast<qint64>(options.generateMb * 1e6), options.distinct, options.seed);
        return WriteFile(options.write, text) ? 0 : 1;
    }

    QList<QByteArray> inputs;
    for (const QString& path : options.inputs) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 1;
        }
        inputs << file.readAll();
    }
    if (inputs.isEmpty()) {
        if (options.generateMb <= 0) {
            options.generateMb = 5;
        }
        inputs << GenerateText(static_cast<qint64>(options.generateMb * 1e6), options.distinct, options.seed);
    }

    QTemporaryDir scratch;
    qputenv("TEMP", QFile::encodeName(scratch.path() + QStringLiteral("/temp")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(scratch.path() + QStringLiteral("/data")));
    qputenv("LEXITALLY_APP_DIR", QFile::encodeName(scratch.path() + QStringLiteral("/app")));
    try {
        EnsureWorkingDatabase();
    } catch (const Failure& failure) {
        std::fprintf(stderr, "working database: %s\n", qPrintable(failure.Description()));
        return 1;
    }

    for (const QString& mode : options.modes) {
        QList<QByteArray> texts = inputs;
        if (mode == QStringLiteral("per-file") && inputs.size() == 1 && options.files > 1) {
            // Split the one text into parts at line ends.
            texts.clear();
            const QByteArray& whole = inputs.first();
            qsizetype start = 0;
            for (int part = 1; part <= options.files; ++part) {
                qsizetype cut = part == options.files ? whole.size() : whole.size() * part / options.files;
                while (cut < whole.size() && whole[cut - 1] != '\n') {
                    ++cut;
                }
                texts << whole.mid(start, cut - start);
                start = cut;
            }
        }
        for (const QString& method : options.methods) {
            RunOne(method, mode, texts, options);
        }
    }
    return 0;
}
