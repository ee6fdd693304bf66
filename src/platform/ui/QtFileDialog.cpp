#include "QtFileDialog.h"

#include "QtText.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

namespace dovrex::ui {

namespace {

// Set by tests: the answer of the next dialog (outer optional: set at all).
std::optional<std::optional<std::string>> gNextAnswer;

} // namespace

void QtFileDialog::SetNextAnswer(std::optional<std::string> filename) { gNextAnswer = std::move(filename); }

QStringList QtFileDialog::NameFilters(const std::vector<std::pair<std::string, std::string>>& filters) {
    static const QRegularExpression trailingPattern(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    QStringList names;
    for (const auto& [description, pattern] : filters) {
        QString name = FromCore(description);
        name.remove(trailingPattern);
        QStringList patterns = FromCore(pattern).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& one : patterns) {
            one = one.trimmed();
            // "*.*" meant every file on the old platform, also names without a dot.
            if (one == QLatin1String("*.*")) one = QStringLiteral("*");
        }
        names << name.trimmed() + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return names;
}

std::optional<QtFileDialog::Answer> QtFileDialog::Ask(QWidget* parent, const Request& request) {
    if (gNextAnswer) {
        const std::optional<std::string> next = *gNextAnswer;
        gNextAnswer.reset();
        if (!next) return std::nullopt;
        return Answer{*next, request.FilterIndex};
    }
    QFileDialog dialog(parent, FromCore(request.Title));
    dialog.setAcceptMode(request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    QString ext = FromCore(request.DefaultExt);
    while (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
    if (!ext.isEmpty()) dialog.setDefaultSuffix(ext);
    const QStringList names = NameFilters(request.Filters);
    if (!names.isEmpty()) {
        dialog.setNameFilters(names);
        if (request.FilterIndex >= 1 && request.FilterIndex <= names.size()) dialog.selectNameFilter(names[request.FilterIndex - 1]);
    }
    const QString start = FromCore(request.Filename);
    const QString folder = FromCore(request.InitDir);
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) dialog.setDirectory(folder);
    if (!start.isEmpty()) {
        const QFileInfo info(start);
        if (info.isAbsolute() && info.dir().exists()) dialog.setDirectory(info.dir());
        dialog.selectFile(info.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    Answer answer;
    answer.Filename = ToCore(QDir::toNativeSeparators(dialog.selectedFiles().constFirst()));
    answer.FilterIndex = static_cast<int16_t>(names.indexOf(dialog.selectedNameFilter()) + 1);
    if (answer.FilterIndex < 1) answer.FilterIndex = request.FilterIndex;
    return answer;
}

} // namespace dovrex::ui
