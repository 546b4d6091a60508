#pragma once

#include "core/base/Ui.h"

#include <QList>
#include <QStringList>
#include <QVariant>
#include <functional>

// A Ui that records every call and answers from a queue. An empty queue answers OK / No /
// cancel. A box's answer may also be a function, run while the box is "open" (to act on a
// window in the middle of a flow).
class ScriptedUi : public Ui {
public:
    struct Call {
        QString kind; // "message", "input", "openFiles", "saveFile", "folder", "openUrl"
        QString caption;
        QString text; // the message, prompt, or the path a save dialog offers
        MsgButtons buttons = MsgButtons::Ok;
        MsgIcon icon = MsgIcon::None;
        QString extra; // filter, start folder or URL
    };

    MsgAnswer Message(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon) override;
    QString Input(const QString& prompt, const QString& title) override;
    QStringList OpenFiles(const QString& title, const QString& filter) override;
    QString SaveFile(const QString& title, const QString& filter) override;
    QString SaveFileAt(const QString& title, const QString& filter, const QString& suggested) override;
    QString BrowseForFolder(const QString& title, const QString& startFolder) override;
    bool OpenUrl(const QUrl& url) override;

    // Queue answers, in the order the calls will come.
    void Answer(MsgAnswer answer) { m_answers.append(QVariant::fromValue(static_cast<int>(answer))); }
    void Answer(const QString& text) { m_answers.append(text); }
    void Answer(const QStringList& paths) { m_answers.append(paths); }
    void AnswerCancel() { m_answers.append(QVariant()); }
    // Runs while the next box is open, then answers it with `answer`.
    void During(std::function<void()> action) { m_actions.append(std::move(action)); }

    // What OpenUrl answers: false stands for a desktop without an opener.
    bool openUrlWorks = true;
    // When set, OpenUrl answers what it answers (a real opener) instead.
    std::function<bool(const QUrl&)> opener;

    QList<Call> calls;
    QList<Call> Messages() const;
    QList<Call> Calls(const QString& kind) const;
    QStringList MessageTexts() const;
    void Clear() { calls.clear(); }
    int Pending() const { return static_cast<int>(m_answers.size()); }

private:
    QVariant Next();
    QList<QVariant> m_answers;
    QList<std::function<void()>> m_actions;
};
