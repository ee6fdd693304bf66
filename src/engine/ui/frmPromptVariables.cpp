#include "frmPromptVariables.h"

#include "ui_frmPromptVariables.h"

#include "platform/ui/QtText.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

#include <cmath>

namespace dovrex::ui {

namespace {

const char* const kActionTag = "ActionTag";

} // namespace

frmPromptVariables::frmPromptVariables(IMessageBox& messages, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::frmPromptVariables>()), mMessages(messages) {
    ui->setupUi(this);
    // A fixed-size tool window: a title and a close box, no minimise or maximise.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // The templates only lend their look and size to the loaded rows.
    for (QWidget* templ : {static_cast<QWidget*>(ui->lPrompt_0), static_cast<QWidget*>(ui->cPrompt_0),
                           static_cast<QWidget*>(ui->nPrompt_0)}) {
        ui->layoutRows->removeWidget(templ);
        templ->hide();
    }
    ui->btnAction_0->setProperty(kActionTag, QStringLiteral("CANCEL"));
    ui->btnAction_1->setProperty(kActionTag, QStringLiteral("OK"));
    connect(ui->btnAction_0, &QPushButton::clicked, this, [this] { btnAction_Click(0); });
    connect(ui->btnAction_1, &QPushButton::clicked, this, [this] { btnAction_Click(1); });
}

frmPromptVariables::~frmPromptVariables() = default;

QLineEdit* frmPromptVariables::LoadBox(const PromptRow& row, int index) {
    const bool numeric = row.Entry == PromptRow::Box::Numeric;
    QLineEdit* templ = numeric ? ui->nPrompt_0 : ui->cPrompt_0;
    auto* box = new QLineEdit(this);
    box->setObjectName(QStringLiteral("%1_%2").arg(numeric ? "nPrompt" : "cPrompt").arg(index));
    box->setFont(templ->font());
    box->setProperty("Tag", FromCore(row.Tag()));
    if (numeric) {
        box->setMaxLength(row.MaxLength);
        // As wide as the widest number the field holds, and one digit more.
        QStyleOptionFrame option;
        option.initFrom(box);
        const QSize text(box->fontMetrics().horizontalAdvance(QLatin1Char('9')) * (row.MaxLength + 1),
                         box->fontMetrics().height());
        box->setFixedWidth(box->style()->sizeFromContents(QStyle::CT_LineEdit, &option, text, box).width());
        box->installEventFilter(this);
    } else {
        box->setMinimumWidth(templ->minimumWidth());
    }
    return box;
}

void frmPromptVariables::LoadRows(const std::vector<PromptRow>& rows) {
    mRows = rows;
    mBoxes.assign(rows.size(), nullptr);
    // Rows stand 1.25 box heights apart.
    const int boxHeight = ui->cPrompt_0->sizeHint().height();
    ui->layoutRows->setVerticalSpacing(static_cast<int>(std::lround(0.25 * boxHeight)));
    int textBoxes = 0;
    int numericBoxes = 0;
    QWidget* previous = nullptr;
    for (size_t i = 0; i < rows.size(); ++i) {
        const PromptRow& row = rows[i];
        const int line = static_cast<int>(i);
        auto* label = new QLabel(FromCore(row.FieldName), this);
        label->setObjectName(QStringLiteral("lPrompt_%1").arg(row.FieldNumber));
        label->setMinimumHeight(boxHeight);
        ui->layoutRows->addWidget(label, line, 0);
        if (row.Entry == PromptRow::Box::None) continue; // dates and times: the label only
        const bool numeric = row.Entry == PromptRow::Box::Numeric;
        QLineEdit* box = LoadBox(row, numeric ? ++numericBoxes : ++textBoxes);
        label->setBuddy(box);
        ui->layoutRows->addWidget(box, line, 1, numeric ? Qt::AlignLeft : Qt::Alignment());
        if (previous != nullptr) setTabOrder(previous, box);
        previous = box;
        mBoxes[i] = box;
    }
    // The buttons come last in the tab order, Cancel before OK.
    if (previous != nullptr) setTabOrder(previous, ui->btnAction_0);
    setTabOrder(ui->btnAction_0, ui->btnAction_1);
    for (QLineEdit* box : mBoxes) {
        if (box != nullptr) {
            box->setFocus();
            break;
        }
    }
}

PromptAnswer frmPromptVariables::Display(const std::vector<PromptRow>& rows) {
    PromptAnswer answer;
    if (rows.empty()) {
        answer.Action = PromptActionOK;
        return answer;
    }
    LoadRows(rows);
    mAction.clear();
    exec();
    answer.Action = mAction;
    answer.Texts.resize(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        if (mBoxes[i] != nullptr) answer.Texts[i] = ToCore(mBoxes[i]->text());
    }
    return answer;
}

void frmPromptVariables::btnAction_Click(int Index) {
    QPushButton* button = Index == 0 ? ui->btnAction_0 : ui->btnAction_1;
    const std::string action = ToCore(button->property(kActionTag).toString());
    if (action == PromptActionCancel) {
        mAction = action;
        hide();
        done(QDialog::Rejected);
        return;
    }
    if (action != PromptActionOK) return;
    std::vector<std::string> texts(mRows.size());
    for (size_t i = 0; i < mRows.size(); ++i) {
        if (mBoxes[i] != nullptr) texts[i] = ToCore(mBoxes[i]->text());
    }
    if (const auto missing = PromptVariables::FirstMissing(mRows, texts)) {
        mBoxes[*missing]->setFocus();
        mMessages.Inform(PromptVariables::RequiredMessage(mRows[*missing]));
        return;
    }
    mAction = action;
    done(QDialog::Accepted);
}

bool frmPromptVariables::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Keys that work the dialog (Enter, Escape, Tab) and keys without a character
        // (arrows, Delete) reach their usual handling; a character is kept only when the
        // numeric box accepts it.
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
        case Qt::Key_Tab:
        case Qt::Key_Backtab: return QDialog::eventFilter(watched, event);
        default: break;
        }
        const QString text = key->text();
        if (!text.isEmpty() && !PromptVariables::AcceptKey(text.at(0).unicode())) return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmPromptVariables::keyPressEvent(QKeyEvent* event) {
    // Escape presses Cancel; the close box alone closes without an action.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        ui->btnAction_0->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

PromptAnswer QtPromptVariablesView::ShowPrompts(const std::vector<PromptRow>& rows) {
    frmPromptVariables dialog(mMessages, mOwner ? mOwner.data() : QApplication::activeWindow());
    return dialog.Display(rows);
}

} // namespace dovrex::ui
