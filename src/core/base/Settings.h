#pragma once

#include <QString>

// The per-user settings store: application "Quorvant", section "Lexitally". Every value is
// text; a key never written reads as the default the caller supplies. The file lives in the
// user's configuration folder (usually ~/.config/Quorvant/Lexitally.conf).
class SettingsStore {
public:
    SettingsStore();

    QString Get(const QString& key, const QString& defaultValue = {}) const;
    void Save(const QString& key, const QString& value);
    bool Contains(const QString& key) const;

    const QString& FilePath() const { return m_path; }

    // "True", "False" or a number (non-zero is true). Throws Failure for anything else.
    static bool ReadBool(const QString& text);
    // A whole number. Throws Failure for anything else.
    static int ReadInt(const QString& text);
    static QString BoolText(bool value) { return value ? QStringLiteral("True") : QStringLiteral("False"); }

private:
    QString m_path;
};
