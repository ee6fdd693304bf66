#pragma once

#include "reports/ReportInterfaces.h"

#include <QDialog>

#include <memory>
#include <string>

namespace Ui {
class Dialog;
}

namespace dovrex::ui {

// The report status window: the engine's progress text and a cancel button. It stays on
// screen, without waiting, while a report runs.
class Dialog : public QDialog, public IReportStatus {
    Q_OBJECT

public:
    explicit Dialog(QWidget* parent = nullptr);
    ~Dialog() override;

    // A text shows the window (letting pending events run) and returns whether cancel was
    // asked for; an empty text closes it and clears the request.
    bool Status(const std::string& NewStatus) override;
    bool CancelRequested() const { return mCancel; }

public Q_SLOTS:
    // Escape and the close box ask to cancel, as the button does.
    void reject() override;

private:
    void Cancel();

    std::unique_ptr<Ui::Dialog> ui;
    bool mCancel = false;
};

} // namespace dovrex::ui
