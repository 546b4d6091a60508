#include "core/run/AnalysisRun.h"

#include "core/base/ErrorReport.h"
#include "core/base/Files.h"
#include "core/base/Paths.h"
#include "core/base/Places.h"
#include "core/count/SortingDb.h"
#include "core/count/SortingText.h"
#include "core/count/WordRule.h"
#include "core/extract/ConversionCache.h"
#include "core/extract/Converter.h"
#include "core/extract/TextFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <deque>
#include <memory>

namespace {

// Puts a text given in place of a PDF where the counting pass looks for the PDF's text; the
// reason why not, or an empty one. The user's own file is only read.
InputReason PlaceTextInput(const QString& path, const QString& workFolder) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return {QStringLiteral("file not found"), UnreadableKind::NotFound};
    }
    if (info.isDir()) {
        return {QStringLiteral("is a folder"), UnreadableKind::NotRegularFile};
    }
    if (!info.isReadable()) {
        return {QStringLiteral("cannot be read"), UnreadableKind::PermissionDenied};
    }
    const QString target = TextFileOf(path, workFolder);
    DeleteFileQuiet(target);
    QFile source(path);
    if (!source.copy(target)) {
        return {QStringLiteral("cannot be read: ") + source.errorString(), UnreadableKind::Other};
    }
    return {};
}

} // namespace

FrequencyMethodKind ChooseFrequencyMethod(bool databaseWanted, bool textWanted, bool providerAvailable) {
    if (databaseWanted) {
        return providerAvailable ? FrequencyMethodKind::Database : FrequencyMethodKind::Text;
    }
    return textWanted ? FrequencyMethodKind::Text : FrequencyMethodKind::None;
}

int DefaultJobs() {
    return std::max(1, QThread::idealThreadCount());
}

QString UnreadableList(const QList<UnreadableFile>& files) {
    QString list;
    for (const UnreadableFile& file : files) {
        list += QStringLiteral("\r\n") + file.path + file.reason;
    }
    return list;
}

AnalysisSummary RunAnalysis(const AnalysisRequest& request, const AnalysisContext& given, ErrorReport& callerSteps) {
    AnalysisSummary summary;
    // Every failure is shown where it was shown before and kept in the summary.
    FailureLog callerUi(callerSteps.ReportsTo(), summary.failures);
    FailureLog procedureUi(given.ui, summary.failures);
    ErrorReport steps(&callerUi, callerSteps.SourceText());
    AnalysisContext context = given;
    context.ui = &procedureUi;
    RunObserver quiet;
    RunObserver& observer = context.observer ? *context.observer : quiet;
    ProgressSink* progress = context.progress;
    const ConversionPlace place{request.converter, request.workFolder, context.converters};
    int n = 0;
    steps(128, [&] { n = static_cast<int>(request.rows().size()); });
    summary.fileCount = n;

    // Conversions started and not yet recorded, in list order. With one job each file is
    // converted and recorded before the next one starts.
    // A file listed twice is converted once while its first conversion is still pending: the
    // later row takes the first one's verdict (two converters must never write one text).
    struct Pending {
        QString path;
        InputReason reason;
        std::unique_ptr<BackgroundConversion> conversion;
        QString output;                      // the text the conversion writes
        QString password;                    // given to the converter
        std::shared_ptr<InputReason> shared; // a conversion's verdict, for the rows that follow it
        std::shared_ptr<InputReason> follows;
    };
    std::deque<Pending> pending;
    const int jobs = request.textInput ? 1 : std::max(1, request.jobs);
    int recorded = 0;
    const auto analyzeText = [](const QString& pdf) {
        return QStringLiteral("Analyze file ") + FileNameFromPath(pdf) + QStringLiteral("... ");
    };
    // While converters work side by side, the bar speaks of the earliest file not yet recorded,
    // as a run of one converter at a time would, and once that file has taken five seconds it
    // counts "Please wait.. N" and creeps inside the file's share.
    const auto showFront = [&] {
        if (jobs == 1 || !progress || pending.empty()) {
            return;
        }
        Pending& front = pending.front();
        const int start = FileProgressPercent(recorded + 1, n, false);
        const int waited = front.conversion ? front.conversion->WaitedPolls() : -1;
        if (waited < 0) {
            progress->SetText(analyzeText(front.path));
            progress->SetValue(start);
            return;
        }
        progress->SetText(PleaseWaitText(analyzeText(front.path), waited));
        progress->SetValue(CreepingValue(start, n, waited / 150));
    };
    // Records the files at the front of the queue whose conversion has ended, in list order;
    // with `wait`, waits for the front one first.
    const auto record = [&](bool wait) {
        while (!pending.empty()) {
            Pending& front = pending.front();
            if (front.conversion) {
                while (wait && !front.conversion->Finished(20)) {
                    showFront();
                    YieldNow(context.yield);
                }
                if (!front.conversion->Finished()) {
                    return;
                }
                const Extraction verdict = front.conversion->Result(context.ui);
                front.reason = {verdict.reason, verdict.kind};
                front.conversion.reset();
                if (front.shared) {
                    *front.shared = front.reason;
                }
            } else if (front.follows) {
                front.reason = *front.follows;
            }
            steps(148, [&] {
                if (!front.reason.isEmpty()) {
                    const UnreadableFile file{front.path, front.reason.reason, front.reason.kind};
                    summary.unreadable.append(file);
                    observer.FileUnreadable(file);
                }
            });
            pending.pop_front();
            ++recorded;
            observer.FilesRecorded(recorded, n);
            if (jobs > 1 && progress) {
                progress->SetValue(FileProgressPercent(recorded, n, true)); // files done of all
            }
            wait = false;
            showFront();
        }
    };

    QString path;
    for (int i = 1; i <= n && !observer.Abandoned(); ++i) {
        steps(132, [&] { YieldNow(context.yield); });
        steps(134, [&] {
            const QStringList rows = request.rows();
            FailIf(i > rows.size(), QStringLiteral("Index out of bounds"));
            path = rows[i - 1];
        });
        steps(136, [&] {
            // The earliest file not yet recorded: file i itself when one converter works at a time.
            if (progress) {
                progress->SetValue(FileProgressPercent(recorded + 1, n, false));
            }
        });
        steps(138, [&] {
            if (progress) {
                progress->SetText(analyzeText(pending.empty() ? path : pending.front().path));
            }
        });
        steps(140, [&] { observer.FileStarting(i, n, path); });
        steps(142, [&] { YieldNow(context.yield); });
        QString password;
        steps(144, [&] { password = observer.Password(path); });
        Pending file;
        file.path = path;
        steps(146, [&] {
            try {
                if (request.textInput) {
                    file.reason = PlaceTextInput(path, request.workFolder);
                    return;
                }
                file.output = TextFileOf(path, request.workFolder);
                file.password = password;
                const auto same = [&file](const Pending& p) { return p.shared && p.output == file.output; };
                const auto leader = std::find_if(pending.begin(), pending.end(), same);
                if (leader != pending.end() && leader->password == password) {
                    file.follows = leader->shared;
                    return;
                }
                // The same file with another password: the earlier conversion is recorded first.
                while (std::any_of(pending.begin(), pending.end(), same)) {
                    record(true);
                }
                ConverterEnd end;
                bool reused = false;
                if (context.cache && InputProblem(path).isEmpty() &&
                    context.cache->Restore(path, password, file.output, end)) {
                    // Converted before (by the readability check). Only a conversion that gave
                    // text stands; any other outcome (a crash, a failure, no text) may have been
                    // passing, so the file is converted again.
                    const QString converter = request.converter.isEmpty() ? ConverterPath() : request.converter;
                    const Extraction kept =
                        JudgeConversion(end, converter, file.output, !password.isEmpty(), context.ui);
                    reused = kept.outcome == ExtractionOutcome::TextAvailable;
                    if (!reused) {
                        QFile::remove(file.output);
                    }
                }
                if (reused) {
                    file.reason = {};
                } else if (jobs == 1) {
                    const int start = progress ? RoundHalfEven(progress->Value()) : FileProgressPercent(i, n, false);
                    const Extraction verdict =
                        ConvertPdf(path, password, progress, start, n, context.yield, context.ui, place);
                    file.reason = {verdict.reason, verdict.kind};
                } else {
                    // A free converter first: no more than `jobs` run, or wait for the oldest.
                    WaitForFreeConverter(pending, jobs, context.yield, showFront);
                    file.shared = std::make_shared<InputReason>();
                    file.conversion = std::make_unique<BackgroundConversion>(path, password, place);
                }
            } catch (const Failure& failure) {
                file.reason = {QStringLiteral("  - ") + failure.Description(), UnreadableKind::Other};
            }
        });
        pending.push_back(std::move(file));
        record(false);
    }
    // The conversions still running end before the counting pass (or, when the run is given up,
    // are ended by it).
    while (!pending.empty() && !observer.Abandoned()) {
        record(true);
    }
    pending.clear();

    if (observer.Abandoned()) {
        return summary;
    }
    steps(152, [&] {
        PassInputs inputs;
        inputs.mode = request.mode;
        inputs.ignoreCase = request.ignoreCase;
        summary.paths = request.rows();
        inputs.pdfPaths = summary.paths;
        inputs.labels = request.labels;
        inputs.stopRequested = [&observer] { return observer.StopRequested(); };
        inputs.progress = progress;
        inputs.results = context.results;
        inputs.yield = context.yield;
        inputs.ui = context.ui;
        inputs.workFolder = request.workFolder;
        inputs.letters = request.letters;
        inputs.stopWords = StopWordKeys(request.stopWords, request.letters);
        summary.method = ChooseFrequencyMethod(request.databaseWanted, request.textWanted, request.providerAvailable);
        switch (summary.method) {
        case FrequencyMethodKind::Database:
            SortingDB(inputs);
            break;
        case FrequencyMethodKind::Text:
            SortingText(inputs);
            break;
        case FrequencyMethodKind::None:
            break;
        }
    });
    return summary;
}
