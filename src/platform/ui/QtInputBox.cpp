#include "QtInputBox.h"

#include "QtText.h"

#include <QInputDialog>

namespace dovrex::ui {

std::optional<std::string> InputBox(QWidget* parent, const std::string& prompt, const std::string& title,
                                    const std::string& defaultText) {
    bool confirmed = false;
    const QString text = QInputDialog::getText(parent, FromCore(title), FromCore(prompt), QLineEdit::Normal,
                                               FromCore(defaultText), &confirmed);
    if (!confirmed) return std::nullopt;
    return ToCore(text);
}

} // namespace dovrex::ui
