#include "TextEditor.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace dovrex::ui {

QStringList TextEditor::EditorCommand() {
    for (const char* variable : {"VISUAL", "EDITOR"}) {
        // The variable is the user's own command ("emacs -nw"): split into program and
        // arguments as a shell would split words, without running a shell.
        const QStringList command = QProcess::splitCommand(qEnvironmentVariable(variable));
        if (!command.isEmpty()) return command;
    }
    return {};
}

bool TextEditor::Open(const QString& path) {
    QStringList command = EditorCommand();
    if (command.isEmpty()) return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    const QString program = command.takeFirst();
    command << path;
    return QProcess::startDetached(program, command);
}

} // namespace dovrex::ui
