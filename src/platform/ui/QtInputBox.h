#pragma once

#include <optional>
#include <string>

class QWidget;

namespace dovrex::ui {

// The input box: one line of text asked with a prompt and a title. Nothing when the
// user cancelled.
std::optional<std::string> InputBox(QWidget* parent, const std::string& prompt, const std::string& title,
                                    const std::string& defaultText = {});

} // namespace dovrex::ui
