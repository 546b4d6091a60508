#pragma once

#include <QString>
#include <memory>

// Where things live on disk, as the environment in use (core/base/Environment.h) places them.

// The temporary folder: a private folder lexitally-<uid> (mode 0700) inside $TEMP when set and
// not empty, otherwise inside the system's temporary folder; created when missing. Throws
// Failure when it is a link, not a folder, or belongs to someone else. A folder found open to
// others is made private again and emptied (anything in it may be someone else's), or refused
// when it cannot be emptied.
QString TempFolder();

// A new folder of one run inside the temporary folder, named prefix-<pid>-XXXXXX, removed with
// the object. Throws Failure when it cannot be made.
class QTemporaryDir;
std::unique_ptr<QTemporaryDir> NewWorkFolder(const QString& prefix);

// Removes the run folders of the temporary folder whose process no longer exists (runs that
// were killed or crashed). Never reports.
void RemoveAbandonedWorkFolders();

// The application folder: $LEXITALLY_APP_DIR when set; else the executable's folder when it
// holds the assets; else <executable folder>/../share/lexitally.
QString AppFolder();

// Per-user data folder + "/Quorvant/Lexitally".
QString DataFolder();
QString DataFolderFirstLevel();

QString WorkingDatabasePath();  // data folder + "/dbData.sqlite"
QString TemplateDatabasePath(); // application folder + "/dbBlank.sqlite"
QString ConverterPath();        // temporary folder + "/pdftotext"
QString HandCursorPath();       // application folder + "/HAND-M.CUR"
QString DragCursorPath();       // application folder + "/drag.ico"
QString SkinPath();             // application folder + "/x/o.cjs"
QString SampleFolder();         // application folder + "/Samples"

// The converter that start-up links into the temporary folder: $LEXITALLY_PDFTOTEXT, else the
// bundled build <app folder>/converter/<64|32>/pdftotext chosen by the address width, else
// pdftotext found on PATH. "" when none is found.
QString ConverterSource(const QString& addressWidth);

// Links source to target (a symbolic link, or a copy where links fail) unless target exists.
// Throws Failure when neither works.
void PlaceConverter(const QString& source, const QString& target);
