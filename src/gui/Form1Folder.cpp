// Adding many files at once: the folder scan, dropped files and folders, the bundled samples.

#include "core/base/ErrorReport.h"
#include "core/base/Files.h"
#include "core/filelist/FolderScan.h"
#include "core/filelist/Samples.h"
#include "gui/DesktopOpen.h"
#include "gui/Form1.h"

#include <QFileInfo>

void Form1::AddFileRows(const QStringList& paths) {
    QList<QTreeWidgetItem*> items;
    items.reserve(paths.size());
    for (const QString& path : paths) {
        auto* item = new QTreeWidgetItem;
        item->setText(0, path);
        items.append(item);
    }
    ListView1->addTopLevelItems(items);
}

void Form1::PushButton4_Click() {
    ErrorReport steps(m_ui, QString::fromLatin1(Source::AddFolderClick));
    QString lastFolder;
    QString chosen;
    steps(100, [&] { lastFolder = m_settings.Get(QStringLiteral("LastFolder")); });
    steps(102, [&] { chosen = m_ui.BrowseForFolder(QStringLiteral("Please select folder:"), lastFolder); });
    if (chosen.isEmpty()) {
        steps(106, [&] { CheckReadability(); });
        return;
    }
    steps(110, [&] { m_settings.Save(QStringLiteral("LastFolder"), chosen); });
    steps(112, [&] { SetBusy(true); });
    steps(114, [&] { AddFileRows(CollectFolderFiles(chosen, kPdfPattern, m_yield, m_ui, &m_skippedFolders)); });
    steps(116, [&] { SetBusy(false); });
    steps(118, [&] { CheckReadability(); });
}

void Form1::ListView1_OLEDragDrop(const QStringList& paths) {
    if (m_runInProgress) {
        return;
    }
    for (const QString& path : paths) {
        // A dropped folder (a drive root or "/" included) is searched with all its sub-folders and
        // gives files of every type; a dropped file is added as dropped.
        if (QFileInfo(path).isDir()) {
            AddFileRows(CollectFolderFiles(path, kAllFilesPattern, m_yield, m_ui, &m_skippedFolders));
        } else {
            AddFileRow(path);
        }
    }
    CheckReadability();
}

void Form1::PushButton7_Click() {
    ErrorReport steps(m_ui, QString::fromLatin1(Source::SamplesClick));
    QStringList samples;
    steps(100, [&] { samples = SampleListPaths(m_settings, m_yield); });
    steps(102, [&] { AddFileRows(SamplesToAdd(samples, FileListPaths())); });
    MsgAnswer answer = MsgAnswer::No;
    steps(104, [&] { answer = m_ui.Message(SampleFolderQuestion(), m_appTitle, MsgButtons::YesNo); });
    steps(106, [&] {
        if (answer == MsgAnswer::Yes) {
            OpenOrTell(m_ui, QUrl::fromLocalFile(SampleFolderToOpen()), m_appTitle);
        }
    });
    steps(108, [&] { CheckReadability(); });
}
