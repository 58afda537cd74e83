#include "show/SettingsStore.h"

#include "show/ShowFile.h"

#include <QSettings>

namespace settings {

namespace {
QSettings store(const QString& application) {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, application);
}
} // namespace

QString GetSetting(const QString& application, const QString& section, const QString& key,
                   const QString& defaultValue) {
    const QVariant value = store(application).value(section + u'/' + key);
    return value.isValid() ? value.toString() : defaultValue;
}

void SaveSetting(const QString& application, const QString& section, const QString& key,
                 const QString& value) {
    QSettings s = store(application);
    s.setValue(section + u'/' + key, value);
    s.sync();
}

int GetInt(const QString& application, const QString& key, int fallback, int min, int max) {
    const auto value = show_file::parseInt32(GetSetting(application, Section, key, QString()));
    return value && *value >= min && *value <= max ? *value : fallback;
}

bool GetBool(const QString& application, const QString& key, bool fallback) {
    const QString text = GetSetting(application, Section, key, QString());
    if (text == u"True")
        return true;
    if (text == u"False")
        return false;
    return fallback;
}

} // namespace settings
