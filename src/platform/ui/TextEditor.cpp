#include "TextEditor.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace dovrex::ui {

QStringList TextEditor::SplitWords(const QString& command) {
    QStringList words;
    QString word;
    bool inWord = false;
    QChar quote;
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command.at(i);
        if (quote == QLatin1Char('\'')) {
            if (c == quote) quote = QChar();
            else word += c;
        } else if (quote == QLatin1Char('"')) {
            if (c == quote) quote = QChar();
            else if (c == QLatin1Char('\\') && i + 1 < command.size() &&
                     QStringLiteral("\"\\$`").contains(command.at(i + 1))) word += command.at(++i);
            else word += c;
        } else if (c.isSpace()) {
            if (inWord) words << word;
            word.clear();
            inWord = false;
            continue;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
        } else if (c == QLatin1Char('\\') && i + 1 < command.size()) {
            word += command.at(++i);
        } else {
            word += c;
        }
        inWord = true;
    }
    if (inWord) words << word;
    return words;
}

QStringList TextEditor::EditorCommand() {
    for (const char* variable : {"VISUAL", "EDITOR"}) {
        // The variable is the user's own command ("emacs -nw"): its words as a shell
        // would split them, without running a shell.
        const QStringList command = SplitWords(qEnvironmentVariable(variable));
        if (!command.isEmpty()) return command;
    }
    return {};
}

bool TextEditor::Open(const QString& path) {
    QStringList command = EditorCommand();
    if (command.isEmpty()) return !path.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    const QString program = command.takeFirst();
    if (!path.isEmpty()) command << path;
    return QProcess::startDetached(program, command);
}

} // namespace dovrex::ui
