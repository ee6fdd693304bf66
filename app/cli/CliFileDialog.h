#pragma once

#include "CliContext.h"

#include "platform/IFileDialog.h"

namespace dovrex::cli {

// The file dialog on the command line: the name is asked on the terminal; without one
// (no terminal, end of input, an empty line) the dialog counts as cancelled.
class CliFileDialog final : public IFileDialog {
public:
    explicit CliFileDialog(CliContext& context) : mContext(context) {}
    std::optional<FileDialogAnswer> Ask(const FileDialogRequest& request) override;

private:
    CliContext& mContext;
};

} // namespace dovrex::cli
