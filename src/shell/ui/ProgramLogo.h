#pragma once

#include <QPixmap>

namespace dovrex::ui {

// The program's logo, drawn at the size asked for (the splash, the about box, the
// window icon).
QPixmap ProgramLogo(int size);

} // namespace dovrex::ui
