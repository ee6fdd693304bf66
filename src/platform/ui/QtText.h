#pragma once

// The core's texts are single-byte Windows-1252; Qt's are Unicode. Every window converts
// at this boundary and nowhere else.

#include <QString>

#include <string>

namespace dovrex::ui {

QString FromCore(const std::string& text);
std::string ToCore(const QString& text);
// A message text for a Qt box: the core's CR LF line breaks as plain line feeds.
QString MessageText(const std::string& text);

} // namespace dovrex::ui
