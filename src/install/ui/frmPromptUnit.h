#pragma once

#include "install/IUnitChooser.h"

#include <QDialog>
#include <QPointer>

#include <memory>
#include <string>
#include <vector>

namespace Ui {
class frmPromptUnit;
}

namespace dovrex::ui {

// "Install To Unit": the one unit a converted route database goes to.
class frmPromptUnit : public QDialog {
    Q_OBJECT

public:
    explicit frmPromptUnit(QWidget* parent = nullptr);
    ~frmPromptUnit() override;

    // The chosen unit's name; empty when the user cancelled.
    std::string Display(const std::vector<std::string>& Units);

private:
    std::unique_ptr<Ui::frmPromptUnit> ui;
};

// The engine's unit chooser: a new window for every question.
class QtUnitChooser final : public IUnitChooser {
public:
    std::string ChooseUnit(const std::vector<std::string>& Units) override;
    void SetOwner(QWidget* owner) { mOwner = owner; }

private:
    QPointer<QWidget> mOwner;
};

} // namespace dovrex::ui
