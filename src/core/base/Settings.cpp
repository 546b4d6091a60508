#include "core/base/Settings.h"

#include "core/base/ErrorReport.h"

#include <QSettings>
#include <QStandardPaths>

#include <cmath>

namespace {
const QString kGroup = QStringLiteral("Lexitally");

QString GroupKey(const QString& key) {
    return kGroup + u'/' + key;
}
} // namespace

SettingsStore::SettingsStore()
    : m_path(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
             QStringLiteral("/Quorvant/Lexitally.conf")) {}

QString SettingsStore::Get(const QString& key, const QString& defaultValue) const {
    QSettings settings(m_path, QSettings::IniFormat);
    return settings.value(GroupKey(key), defaultValue).toString();
}

void SettingsStore::Save(const QString& key, const QString& value) {
    QSettings settings(m_path, QSettings::IniFormat);
    settings.setValue(GroupKey(key), value);
    settings.sync();
}

bool SettingsStore::Contains(const QString& key) const {
    QSettings settings(m_path, QSettings::IniFormat);
    return settings.contains(GroupKey(key));
}

bool SettingsStore::ReadBool(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (t.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    bool ok = false;
    const double number = t.toDouble(&ok);
    FailIf(!ok || !std::isfinite(number), QStringLiteral("Type mismatch"));
    return number != 0;
}

int SettingsStore::ReadInt(const QString& text) {
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    FailIf(!ok || !(number >= -2147483648.0 && number <= 2147483647.0), QStringLiteral("Type mismatch"));
    return static_cast<int>(qRound64(number));
}
