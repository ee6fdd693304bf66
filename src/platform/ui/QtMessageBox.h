#pragma once

#include "platform/IMessageBox.h"

#include <QPointer>
#include <QWidget>

namespace dovrex::ui {

// The core's message boxes and questions as Qt message boxes, owned by the owner window
// (else by the window that is active when they are shown). An empty title is the
// program's title.
class QtMessageBox final : public IMessageBox {
public:
    MsgResult Show(const std::string& text, const std::string& title, MsgButtons buttons, MsgIcon icon) override;
    void SetOwner(QWidget* owner) { mOwner = owner; }

private:
    QPointer<QWidget> mOwner;
};

} // namespace dovrex::ui
