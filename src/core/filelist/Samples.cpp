#include "core/filelist/Samples.h"

#include "core/base/ErrorReport.h"
#include "core/base/Files.h"
#include "core/base/Paths.h"
#include "core/base/Places.h"
#include "core/base/Scramble.h"
#include "core/base/Settings.h"
#include "core/filelist/FolderScan.h"

QString SampleFolderQuestion() {
    return QStringLiteral("Would you like this software to open the folder where these sample files are stored (so "
                          "that you can view them before working with them)?");
}

void RecordSampleList(SettingsStore& settings, const Yield& yield) {
    if (!settings.Get(kSnapshotKey).isEmpty()) {
        return;
    }
    const QString folder = SampleFolder();
    QStringList paths;
    for (const QString& name : ListFilesInFolder(folder, kAllFilesPattern)) {
        paths << folder + u'/' + name;
    }
    const QString joined = paths.join(u'|');
    settings.Save(kSnapshotKey, joined.isEmpty() ? QString() : ScrambleText(joined, kSnapshotScrambleKey, yield));
    FailIf(settings.Get(kSnapshotKey).isEmpty() != joined.isEmpty(),
           QStringLiteral("The list of sample files could not be stored in ") + settings.FilePath());
}

QStringList SampleListPaths(const SettingsStore& settings, const Yield& yield) {
    const QString stored = settings.Get(kSnapshotKey);
    if (stored.isEmpty()) {
        return {};
    }
    return UnscrambleText(stored, kSnapshotScrambleKey, yield).split(u'|', Qt::SkipEmptyParts);
}

QStringList SamplesToAdd(const QStringList& paths, const QStringList& currentRows) {
    QStringList rows = currentRows;
    QStringList added;
    for (const QString& path : paths) {
        if (FileExists(path) && !ListContainsText(rows, path)) {
            rows << path;
            added << path;
        }
    }
    return added;
}

QString SampleFolderToOpen() {
    return SampleFolder() + u'/';
}
