#pragma once

#include "platform/ui/UserSettings.h"

class QWidget;

namespace dovrex::ui {

// A window's place and size kept per user, in the section named after the window
// (its objectName): "Top", "Left", "Height", "Width" and "WindowState" (0 normal,
// 2 maximized), as decimal texts.

// Restores what was stored. Missing values read as -1; with state 0, Top and Left are
// taken when 0 or more and Width and Height when 200 or more; state 2 maximizes; any
// other state leaves the window where the system puts it.
void LoadFormLayout(QWidget& window, const UserSettings& settings);
// Stores the normal window's place and size with state "0", only "2" for a maximized
// window, and nothing for a minimized one.
void SaveFormLayout(const QWidget& window, UserSettings& settings);

} // namespace dovrex::ui
