#pragma once

// The desktop program's per-user settings (window layouts, the viewer's last file, the
// chosen reports): section, key and text value, as the old program's settings area.

#include <QSettings>

#include <memory>
#include <string>

namespace dovrex::ui {

class UserSettings {
public:
    // The user's settings file of the desktop program.
    UserSettings();
    // A settings file of its own (tests, demos).
    explicit UserSettings(const QString& iniFile);

    std::string GetSetting(const std::string& section, const std::string& key, const std::string& defaultValue = {}) const;
    void SaveSetting(const std::string& section, const std::string& key, const std::string& value);
    // Writes pending changes to the file.
    void Sync() { mSettings->sync(); }

private:
    std::unique_ptr<QSettings> mSettings;
};

} // namespace dovrex::ui
