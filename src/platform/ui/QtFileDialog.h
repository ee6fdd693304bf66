#pragma once

#include "platform/IFileDialog.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace dovrex::ui {

// The open and save dialogs over QFileDialog, also as the core's IFileDialog (owned by
// the given window). Tests answer them through SetNextAnswer, as a user would, without a
// dialog being shown.
class QtFileDialog final : public IFileDialog {
public:
    using Request = FileDialogRequest;
    using Answer = FileDialogAnswer;

    explicit QtFileDialog(QWidget* owner = nullptr) : mOwner(owner) {}
    std::optional<FileDialogAnswer> Ask(const FileDialogRequest& request) override { return Ask(mOwner, request); }

    // Nothing when the user cancelled.
    static std::optional<Answer> Ask(QWidget* parent, const Request& request);

    // The answer of the next dialog instead of showing it: a path, or nothing (cancelled).
    static void SetNextAnswer(std::optional<std::string> filename);
    // Filters as the dialog lists them ("Palm Database Files (*.pdb)"; "*.*" is every file).
    static QStringList NameFilters(const std::vector<std::pair<std::string, std::string>>& filters);

private:
    QPointer<QWidget> mOwner;
};

} // namespace dovrex::ui
