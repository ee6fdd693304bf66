#pragma once

#include <QString>
#include <QStringList>

namespace dovrex::ui {

// The system text editor: $VISUAL, else $EDITOR, else the desktop's application for text
// files. The file always reaches it as one argument of its own, never through a shell,
// so a path with blanks or shell characters opens that file and runs nothing else.
class TextEditor {
public:
    // False when no editor could be started. An empty path starts the editor alone.
    static bool Open(const QString& path);
    // The editor's program and its own arguments from $VISUAL or $EDITOR; empty when
    // neither names one.
    static QStringList EditorCommand();
    // Words as a POSIX shell splits them: blanks between words, '...' literal, "..."
    // with backslash escapes, a backslash outside quotes taking the next character.
    static QStringList SplitWords(const QString& command);
};

} // namespace dovrex::ui
