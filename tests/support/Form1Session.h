#pragma once

// What the main window's widget tests share: one started main window on a scripted Ui, and the
// exact texts of the boxes the file list and the run show.

#include "gui/Form1.h"
#include "support/ScriptedUi.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QStringList>
#include <QTest>
#include <QTreeWidget>
#include <memory>

// One start of the program: the main window loaded on a scripted Ui, with the end of the program
// counted instead of done. Boxes shown during start-up are forgotten.
struct Form1Session {
    explicit Form1Session(ProviderProbe probe = ProbeSqliteDriver) {
        Form1Options options;
        options.providerProbe = std::move(probe);
        options.endProgram = [this] { ++ended; };
        form = std::make_unique<Form1>(ui, options);
        form->Form_Load();
        loadCalls = ui.calls;
        ui.Clear();
    }
    Form1Session(const Form1Session&) = delete;
    Form1Session& operator=(const Form1Session&) = delete;

    Form1& operator*() { return *form; }
    Form1* operator->() { return form.get(); }

    // Shows the window so that the lists lay out their rows (for mouse events).
    bool Show() {
        form->show();
        return QTest::qWaitForWindowExposed(form.get());
    }

    QList<ScriptedUi::Call> Calls(const QString& kind) const {
        QList<ScriptedUi::Call> out;
        for (const ScriptedUi::Call& call : ui.calls) {
            if (call.kind == kind) {
                out << call;
            }
        }
        return out;
    }

    ScriptedUi ui;
    QList<ScriptedUi::Call> loadCalls;
    int ended = 0;
    std::unique_ptr<Form1> form; // last: goes before the Ui it talks to
};

inline const QString kCrLf = QStringLiteral("\r\n");
inline const QString kCaption = QStringLiteral("Lexitally");

// The box of the readability check naming the given paths.
inline QString UnreadableBox(const QStringList& paths) {
    QString list;
    for (const QString& path : paths) {
        list += path + kCrLf;
    }
    return QStringLiteral("These files could not be read:\r\n\r\n") + list +
           QStringLiteral("\r\nThis program will extract text from a PDF but this program will not extract text "
                          "within an image within a PDF.\r\n\r\nEmail support@quorvant.example if you have any "
                          "questions.");
}

// Each name prefixed with folder + "/".
inline QStringList InFolder(const QString& folder, const QStringList& names) {
    QStringList out;
    for (const QString& name : names) {
        out << folder + u'/' + name;
    }
    return out;
}

// Files the readability check left behind in the temporary folder.
inline QStringList LeftoverTexts(const QString& tempFolder) {
    return QDir(tempFolder).entryList({QStringLiteral("*.txt"), QStringLiteral("*.text")}, QDir::Files);
}

// A mouse event as the window system would deliver it to the widget.
inline void SendMouse(QWidget* widget, QEvent::Type type, const QPoint& pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// The middle of a row of the file list, in viewport coordinates.
inline QPoint RowCentre(QTreeWidget* list, int row) {
    return list->visualItemRect(list->topLevelItem(row)).center();
}
