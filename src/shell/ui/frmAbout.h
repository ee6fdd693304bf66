#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class frmAbout;
}

namespace dovrex::ui {

// The about box: the program's title, version, description and legal notice.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);
    ~frmAbout() override;

private:
    std::unique_ptr<Ui::frmAbout> ui;
};

} // namespace dovrex::ui
