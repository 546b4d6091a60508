// Times the program's conversion of a folder of PDFs against pdftotext run alone.
//
//     bench_convert FOLDER_OF_PDFS [ROUNDS=3]
//
// Per round, on the same files:
//   alone        pdftotext -enc UTF-8 PDF OUT, started and waited for;
//   conversion   ConvertForAnalysis (RunAndWait polling and yielding, outcome with NoTextPDF);
//   (these two take turns file by file)
//   check        the readability check over the whole list (convert, size, delete), with one
//                converter, and with one converter per processor (the two take turns).
// The best round of each is reported, with the ratios to pdftotext alone; the check side by
// side also as the median of its paired rounds' ratios to the check with one converter.

#include "core/base/Places.h"
#include "core/base/System.h"
#include "core/base/Ui.h"
#include "core/extract/Converter.h"
#include "core/extract/Readability.h"
#include "core/extract/TextFiles.h"
#include "core/run/AnalysisRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

double Elapsed(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_convert FOLDER_OF_PDFS [ROUNDS=3]\n");
        return 2;
    }
    const int rounds = args.size() > 2 ? std::max(1, args[2].toInt()) : 3;
    QDir folder(args[1]);
    QStringList pdfs;
    for (const QString& name : folder.entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name)) {
        pdfs << folder.absoluteFilePath(name);
    }
    if (pdfs.isEmpty()) {
        std::fprintf(stderr, "bench_convert: no PDFs in %s\n", qPrintable(args[1]));
        return 2;
    }

    // A temporary folder of its own, with the converter placed the way start-up does it.
    QTemporaryDir temp;
    qputenv("TEMP", temp.path().toUtf8());
    const QString source = ConverterSource(ProcessorAddressWidth());
    try {
        PlaceConverter(source, ConverterPath());
    } catch (...) {
        std::fprintf(stderr, "bench_convert: no pdftotext found\n");
        return 1;
    }
    const QString alone = QDir(temp.path()).filePath(QStringLiteral("alone.txt"));
    const Yield yield = [] { QCoreApplication::processEvents(); };

    double bestAlone = std::numeric_limits<double>::max();
    double bestConversion = bestAlone;
    double bestCheck = bestAlone;
    double bestCheckParallel = bestAlone;
    const int cores = DefaultJobs();
    QList<double> pairedRatios;
    int unreadable = 0;
    const auto runAlone = [&](const QString& pdf) {
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(source, {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, alone});
        process.waitForFinished(-1);
    };
    for (int round = 0; round < rounds; ++round) {
        // The two ways take turns file by file (and swap places every file), so that a change
        // in the machine's load falls on both alike.
        ProgressMemory bar;
        QElapsedTimer timer;
        qint64 aloneNs = 0;
        qint64 conversionNs = 0;
        unreadable = 0;
        for (qsizetype i = 0; i < pdfs.size(); ++i) {
            const int start = RoundHalfEven(100.0 * static_cast<double>(i) / static_cast<double>(pdfs.size()));
            for (int turn = 0; turn < 2; ++turn) {
                const bool aloneTurn = (turn == 0) == (i % 2 == 0);
                timer.restart();
                if (aloneTurn) {
                    runAlone(pdfs[i]);
                    aloneNs += timer.nsecsElapsed();
                    continue;
                }
                bar.SetValue(start);
                if (ConvertForAnalysis(pdfs[i], QString(), &bar, start, static_cast<int>(pdfs.size()), yield,
                                       nullptr) != ExtractionOutcome::TextAvailable) {
                    ++unreadable;
                }
                conversionNs += timer.nsecsElapsed();
            }
        }
        bestAlone = std::min(bestAlone, static_cast<double>(aloneNs) / 1e6);
        bestConversion = std::min(bestConversion, static_cast<double>(conversionNs) / 1e6);
        for (const QString& pdf : std::as_const(pdfs)) {
            QFile::remove(TextFileOf(pdf));
        }

        SilentUi silent;
        double oneMs = 0;
        double coresMs = 0;
        for (int turn = 0; turn < 2; ++turn) {
            const bool oneTurn = (turn == 0) == (round % 2 == 0);
            ReadabilityContext context;
            context.paths = [&] { return pdfs; };
            context.ui = &silent;
            context.bar = &bar;
            context.yield = yield;
            context.appTitle = QStringLiteral("bench");
            context.jobs = [&] { return oneTurn ? 1 : cores; };
            timer.restart();
            CheckByCodeNotPreviewTextbox(context);
            (oneTurn ? oneMs : coresMs) = Elapsed(timer);
        }
        bestCheck = std::min(bestCheck, oneMs);
        bestCheckParallel = std::min(bestCheckParallel, coresMs);
        pairedRatios << coresMs / oneMs;
    }
    std::sort(pairedRatios.begin(), pairedRatios.end());
    const double medianRatio =
        pairedRatios.size() % 2 == 1
            ? pairedRatios[pairedRatios.size() / 2]
            : (pairedRatios[pairedRatios.size() / 2 - 1] + pairedRatios[pairedRatios.size() / 2]) / 2.0;

    const auto n = static_cast<double>(pdfs.size());
    std::printf("files: %lld, rounds: %d (best round shown), unreadable: %d\n", static_cast<long long>(pdfs.size()),
                rounds, unreadable);
    std::printf("pdftotext alone      %9.1f ms  %7.2f ms/file\n", bestAlone, bestAlone / n);
    std::printf("ConvertForAnalysis   %9.1f ms  %7.2f ms/file  ratio %.3f\n", bestConversion, bestConversion / n,
                bestConversion / bestAlone);
    std::printf("readability check    %9.1f ms  %7.2f ms/file  ratio %.3f\n", bestCheck, bestCheck / n,
                bestCheck / bestAlone);
    std::printf("check, %d converters %9.1f ms  %7.2f ms/file  ratio %.3f  paired median to one converter %.3f\n",
                cores, bestCheckParallel, bestCheckParallel / n, bestCheckParallel / bestAlone, medianRatio);
    return 0;
}
