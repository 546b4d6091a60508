#pragma once

#include <QString>

// Where things live on disk. Every function reads the environment afresh.

// The temporary folder: $TEMP when set and not empty (created when missing); otherwise a
// private per-user folder <system temp>/lexitally-<uid> with mode 0700. Throws Failure when
// that private folder belongs to someone else or cannot be made private.
QString TempFolder();

// The application folder: $LEXITALLY_APP_DIR when set; else the executable's folder when it
// holds the assets; else <executable folder>/../share/lexitally.
QString AppFolder();

// Per-user data folder + "/Quorvant/Lexitally".
QString DataFolder();
QString DataFolderFirstLevel();

QString WorkingDatabasePath();  // data folder + "/dbData.sqlite"
QString TemplateDatabasePath(); // application folder + "/dbBlank.sqlite"
QString ConverterPath();        // temporary folder + "/pdftotext"
// The work folder ("" = the temporary folder) + "/temp_total.text".
QString CombinedTextPath(const QString& workFolder = {});
QString HandCursorPath(); // application folder + "/HAND-M.CUR"
QString DragCursorPath(); // application folder + "/drag.ico"
QString SkinPath();       // application folder + "/x/o.cjs"
QString SampleFolder();   // application folder + "/Samples"

// The converter that start-up links into the temporary folder: $LEXITALLY_PDFTOTEXT, else the
// bundled build <app folder>/converter/<64|32>/pdftotext chosen by the address width, else
// pdftotext found on PATH. "" when none is found.
QString ConverterSource(const QString& addressWidth);

// Links source to target (a symbolic link, or a copy where links fail) unless target exists.
// Throws Failure when neither works.
void PlaceConverter(const QString& source, const QString& target);
