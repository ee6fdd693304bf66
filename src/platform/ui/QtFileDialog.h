#pragma once

#include <QString>

#include <optional>
#include <string>
#include <utility>
#include <vector>

class QWidget;

namespace dovrex::ui {

// The open and save dialogs over QFileDialog. Tests answer them through SetNextAnswer,
// as a user would, without a dialog being shown.
class QtFileDialog {
public:
    struct Request {
        bool Save = false;
        std::string Title;
        std::string DefaultExt; // appended when the user gives a name without an extension
        std::string Filename;   // the name the dialog starts with
        std::string InitDir;    // the folder shown at start
        std::vector<std::pair<std::string, std::string>> Filters; // description, pattern
        int FilterIndex = 1;    // 1-based
    };
    struct Answer {
        std::string Filename;
        int FilterIndex = 1;
    };

    // Nothing when the user cancelled.
    static std::optional<Answer> Ask(QWidget* parent, const Request& request);

    // The answer of the next dialog instead of showing it: a path, or nothing (cancelled).
    static void SetNextAnswer(std::optional<std::string> filename);
    // Filters as the dialog lists them ("Palm Database Files (*.pdb)"; "*.*" is every file).
    static QStringList NameFilters(const std::vector<std::pair<std::string, std::string>>& filters);
};

} // namespace dovrex::ui
