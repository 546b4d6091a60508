#include "gui/SaveDialog.h"

#include "core/base/ErrorReport.h"
#include "core/base/Files.h"
#include "core/base/Settings.h"
#include "core/base/Texts.h"
#include "core/export/Export.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>

namespace {

// The folder of the last file saved through these dialogs.
const QString kLastSaveFolderKey = QStringLiteral("LastSaveFolder");

QString StartFolder(const SettingsStore& settings) {
    QString folder;
    try {
        folder = settings.Get(kLastSaveFolderKey);
    } catch (...) {
        folder.clear();
    }
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

} // namespace

QString WithExtension(const QString& path, const QString& extension) {
    const qsizetype nameStart = path.lastIndexOf(u'/') + 1;
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot > nameStart && dot < path.size() - 1) {
        return path;
    }
    if (dot > nameStart) {
        return path.left(dot) + u'.' + extension;
    }
    return path + u'.' + extension;
}

QString AskSavePath(Ui& ui, const QString& title, const QString& filter, const QString& fileName,
                    const QString& extension) {
    SettingsStore settings;
    const QString suggested = QDir(StartFolder(settings)).filePath(fileName);
    QString path = ui.SaveFileAt(title, filter, suggested);
    if (path.isEmpty()) {
        return {};
    }
    path = WithExtension(path, extension);
    try {
        settings.Save(kLastSaveFolderKey, QFileInfo(path).absolutePath());
    } catch (...) {
        // The file is saved all the same; the next dialog opens at home.
    }
    if (FileExists(path) &&
        ui.Message(QStringLiteral("Are you sure you wish to overwrite ") + path + QStringLiteral(" ?"), AppTitle(),
                   MsgButtons::YesNo, MsgIcon::None) != MsgAnswer::Yes) {
        return {};
    }
    return path;
}

void TellSaved(Ui& ui, const QString& what, const QString& path, bool saved, const QString& reason) {
    if (saved) {
        ui.Message(QStringLiteral("Done."), AppTitle());
        return;
    }
    ui.Message(what + QStringLiteral(" could not be saved as ") + path + QStringLiteral(": ") + reason, AppTitle(),
               MsgButtons::Ok, MsgIcon::Exclamation);
}

void WritePng(const QImage& image, const QString& path) {
    WriteThrough(path, {}, [&](QIODevice& device) {
        const bool written = image.save(&device, "PNG");
        FailIf(!written, QStringLiteral("the picture could not be written"));
    });
}
