#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

namespace Ui {
class frmReports;
}

namespace dovrex::ui {

class UserSettings;

// The report selection window: which readings reports to print, or which one to preview.
// The ticked reports are remembered per user ("Reports", "Options").
class frmReports : public QDialog {
    Q_OBJECT

public:
    explicit frmReports(UserSettings& settings, QWidget* parent = nullptr);
    ~frmReports() override;

    // Shows the window modally: 0 nothing to do, the sum of the ticked report bits (print
    // them), or one report bit plus 1 (preview it).
    int16_t Display();

private:
    void Finish(int16_t result);

    std::unique_ptr<Ui::frmReports> ui;
    UserSettings& mSettings;
    int16_t mResult = 0;
};

} // namespace dovrex::ui
