#include "support/ScriptedUi.h"

QVariant ScriptedUi::Next() {
    if (!m_actions.isEmpty()) {
        auto action = m_actions.takeFirst();
        action();
    }
    return m_answers.isEmpty() ? QVariant() : m_answers.takeFirst();
}

MsgAnswer ScriptedUi::Message(const QString& text, const QString& caption, MsgButtons buttons, MsgIcon icon) {
    calls.append({QStringLiteral("message"), caption, text, buttons, icon, {}});
    const QVariant answer = Next();
    if (answer.typeId() == QMetaType::Int) {
        return static_cast<MsgAnswer>(answer.toInt());
    }
    return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::No;
}

QString ScriptedUi::Input(const QString& prompt, const QString& title) {
    calls.append({QStringLiteral("input"), title, prompt, MsgButtons::Ok, MsgIcon::None, {}});
    return Next().toString();
}

QStringList ScriptedUi::OpenFiles(const QString& title, const QString& filter) {
    calls.append({QStringLiteral("openFiles"), title, {}, MsgButtons::Ok, MsgIcon::None, filter});
    return Next().toStringList();
}

QString ScriptedUi::SaveFile(const QString& title, const QString& filter) {
    calls.append({QStringLiteral("saveFile"), title, {}, MsgButtons::Ok, MsgIcon::None, filter});
    return Next().toString();
}

QString ScriptedUi::SaveFileAt(const QString& title, const QString& filter, const QString& suggested) {
    calls.append({QStringLiteral("saveFile"), title, suggested, MsgButtons::Ok, MsgIcon::None, filter});
    return Next().toString();
}

QString ScriptedUi::BrowseForFolder(const QString& title, const QString& startFolder) {
    calls.append({QStringLiteral("folder"), title, {}, MsgButtons::Ok, MsgIcon::None, startFolder});
    return Next().toString();
}

bool ScriptedUi::OpenUrl(const QUrl& url) {
    calls.append({QStringLiteral("openUrl"), {}, {}, MsgButtons::Ok, MsgIcon::None, url.toString()});
    return opener ? opener(url) : openUrlWorks;
}

QList<ScriptedUi::Call> ScriptedUi::Messages() const {
    return Calls(QStringLiteral("message"));
}

QList<ScriptedUi::Call> ScriptedUi::Calls(const QString& kind) const {
    QList<Call> out;
    for (const Call& c : calls) {
        if (c.kind == kind) {
            out.append(c);
        }
    }
    return out;
}

QStringList ScriptedUi::MessageTexts() const {
    QStringList out;
    for (const Call& c : Messages()) {
        out << c.text;
    }
    return out;
}
