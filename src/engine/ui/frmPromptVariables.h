#pragma once

#include "engine/PromptVariables.h"
#include "platform/IMessageBox.h"

#include <QDialog>
#include <QPointer>

#include <memory>
#include <string>
#include <vector>

class QLineEdit;

namespace Ui {
class frmPromptVariables;
}

namespace dovrex::ui {

// "Runtime Variables": one row per prompted map field, a text box for text fields and a
// narrow numeric box for number fields. Display returns what the user did.
class frmPromptVariables : public QDialog {
    Q_OBJECT

public:
    explicit frmPromptVariables(IMessageBox& messages, QWidget* parent = nullptr);
    ~frmPromptVariables() override;

    // Shows the rows modally; the action is "OK", "CANCEL", or empty when the window was
    // closed with its close box. An empty row list shows nothing and gives "OK".
    PromptAnswer Display(const std::vector<PromptRow>& rows);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void LoadRows(const std::vector<PromptRow>& rows);
    QLineEdit* LoadBox(const PromptRow& row, int index);
    void btnAction_Click(int Index);

    std::unique_ptr<Ui::frmPromptVariables> ui;
    IMessageBox& mMessages;
    std::vector<PromptRow> mRows;
    std::vector<QLineEdit*> mBoxes; // per row; none for date and time fields
    std::string mAction;
};

// The prompt dialog as the engine asks for it: a new dialog for every conversion.
class QtPromptVariablesView final : public IPromptVariablesView {
public:
    explicit QtPromptVariablesView(IMessageBox& messages) : mMessages(messages) {}
    PromptAnswer ShowPrompts(const std::vector<PromptRow>& rows) override;
    // The window the dialog belongs to (none: the active window).
    void SetOwner(QWidget* owner) { mOwner = owner; }

private:
    IMessageBox& mMessages;
    QPointer<QWidget> mOwner;
};

} // namespace dovrex::ui
