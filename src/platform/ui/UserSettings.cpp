#include "UserSettings.h"

#include "QtText.h"

namespace dovrex::ui {

namespace {

QString KeyOf(const std::string& section, const std::string& key) { return FromCore(section) + '/' + FromCore(key); }

} // namespace

UserSettings::UserSettings()
    : mSettings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Dovrex"),
                                            QStringLiteral("dovrex"))) {}

UserSettings::UserSettings(const QString& iniFile) : mSettings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

std::string UserSettings::GetSetting(const std::string& section, const std::string& key,
                                     const std::string& defaultValue) const {
    const QVariant value = mSettings->value(KeyOf(section, key));
    if (!value.isValid()) return defaultValue;
    return ToCore(value.toString());
}

void UserSettings::SaveSetting(const std::string& section, const std::string& key, const std::string& value) {
    mSettings->setValue(KeyOf(section, key), FromCore(value));
}

} // namespace dovrex::ui
