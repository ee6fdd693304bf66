#pragma once

#include <QFrame>

#include <memory>

class QTimer;

namespace Ui {
class frmSplash;
}

namespace dovrex::ui {

// The start-up window: the program's name and version, closed after three seconds or
// by a key.
class frmSplash : public QFrame {
    Q_OBJECT

public:
    explicit frmSplash(QWidget* parent = nullptr);
    ~frmSplash() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::unique_ptr<Ui::frmSplash> ui;
    QTimer* Timer1;
};

} // namespace dovrex::ui
