#include "FormLayout.h"

#include "platform/modRuntime.h"

#include <QWidget>

#include <cmath>
#include <string>

namespace dovrex::ui {

namespace {

long StoredNumber(const UserSettings& settings, const std::string& section, const char* key) {
    const std::string text = settings.GetSetting(section, key, "-1");
    const double value = Val(text);
    // Values beyond any screen are as good as missing.
    if (!std::isfinite(value) || std::fabs(value) > 1000000) return -1;
    return std::lround(value);
}

} // namespace

void LoadFormLayout(QWidget& window, const UserSettings& settings) {
    const std::string section = window.objectName().toStdString();
    const long state = StoredNumber(settings, section, "WindowState");
    if (state == 2) {
        window.setWindowState(Qt::WindowMaximized);
        return;
    }
    if (state != 0) return;
    window.setWindowState(Qt::WindowNoState);
    const long top = StoredNumber(settings, section, "Top");
    const long left = StoredNumber(settings, section, "Left");
    const long height = StoredNumber(settings, section, "Height");
    const long width = StoredNumber(settings, section, "Width");
    if (top >= 0 || left >= 0) {
        QPoint place = window.pos();
        if (top >= 0) place.setY(static_cast<int>(top));
        if (left >= 0) place.setX(static_cast<int>(left));
        window.move(place);
    }
    QSize size = window.size();
    if (width >= 200) size.setWidth(static_cast<int>(width));
    if (height >= 200) size.setHeight(static_cast<int>(height));
    window.resize(size);
}

void SaveFormLayout(const QWidget& window, UserSettings& settings) {
    const std::string section = window.objectName().toStdString();
    if (window.isMinimized()) return;
    if (window.isMaximized()) {
        settings.SaveSetting(section, "WindowState", "2");
        return;
    }
    settings.SaveSetting(section, "Top", std::to_string(window.y()));
    settings.SaveSetting(section, "Left", std::to_string(window.x()));
    settings.SaveSetting(section, "Height", std::to_string(window.height()));
    settings.SaveSetting(section, "Width", std::to_string(window.width()));
    settings.SaveSetting(section, "WindowState", "0");
}

} // namespace dovrex::ui
