#include "CliFileDialog.h"

#include "platform/Cp1252.h"
#include "platform/ProgramFolder.h"
#include "platform/modRuntime.h"

namespace dovrex::cli {

std::optional<FileDialogAnswer> CliFileDialog::Ask(const FileDialogRequest& request) {
    const auto typed = mContext.Terminal().AskLine(Cp1252ToUtf8(request.Title) + " (in " + Cp1252ToUtf8(request.InitDir) + "): ");
    if (!typed || Trim(*typed).empty()) return std::nullopt;
    FileDialogAnswer answer;
    // As the desktop dialogs do: a name is taken in the folder shown, and gets the
    // default extension when it has none.
    answer.Filename = ResolvePath(request.InitDir, Trim(*typed));
    const size_t slash = answer.Filename.find_last_of('/');
    const size_t dot = answer.Filename.rfind('.');
    if (!request.DefaultExt.empty() && (dot == std::string::npos || (slash != std::string::npos && dot < slash))) {
        answer.Filename += "." + request.DefaultExt;
    }
    answer.FilterIndex = request.FilterIndex;
    return answer;
}

} // namespace dovrex::cli
