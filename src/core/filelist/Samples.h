#pragma once

#include "core/base/Yield.h"

#include <QString>
#include <QStringList>

class SettingsStore;

// The example files delivered in the sample folder (application folder + "/Samples"). Their
// list is recorded once, at the first start that finds none, in the setting "Snapshot": the
// full paths joined by "|", scrambled. The "Load Sample/Example Files" button works from that
// recorded list, not from what the folder holds today.

inline const QString kSnapshotKey = QStringLiteral("Snapshot");
// The key word under which the recorded list is scrambled.
inline const QString kSnapshotScrambleKey = QStringLiteral("lexicons");

// The question asked after adding the samples (Yes / No, no icon, application title).
QString SampleFolderQuestion();

// Records the list of sample files when "Snapshot" is empty (does nothing otherwise). With no
// sample files the saved value is empty, so the next start tries again.
// Throws Failure when the store cannot be written.
void RecordSampleList(SettingsStore& settings, const Yield& yield = {});

// The recorded sample paths, in recorded order; empty parts are dropped.
QStringList SampleListPaths(const SettingsStore& settings, const Yield& yield = {});

// The sample paths to append to a file list that holds currentRows: each path that exists and
// is not yet a row (exact text, letter case counts), each at most once.
QStringList SamplesToAdd(const QStringList& paths, const QStringList& currentRows);

// The sample folder as handed to the desktop to open it (ends in "/").
QString SampleFolderToOpen();
