#include "QtText.h"

#include "platform/Cp1252.h"

namespace dovrex::ui {

QString FromCore(const std::string& text) { return QString::fromStdString(Cp1252ToUtf8(text)); }

std::string ToCore(const QString& text) { return Utf8ToCp1252(text.toStdString()); }

QString MessageText(const std::string& text) {
    QString shown = FromCore(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

} // namespace dovrex::ui
