#include "QtMessageBox.h"

#include "QtText.h"

#include <DovrexVersion.h>

#include <QApplication>
#include <QMessageBox>

namespace dovrex::ui {

namespace {

QMessageBox::Icon BoxIcon(MsgIcon icon) {
    switch (icon) {
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

struct ButtonSet {
    QMessageBox::StandardButtons Buttons;
    QMessageBox::StandardButton Default;
    QMessageBox::StandardButton Escape;
};

ButtonSet Buttons(MsgButtons buttons) {
    switch (buttons) {
    case MsgButtons::OKCancel: return {QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok, QMessageBox::Cancel};
    case MsgButtons::YesNo: return {QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, QMessageBox::No};
    case MsgButtons::YesNoCancel:
        return {QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes, QMessageBox::Cancel};
    case MsgButtons::AbortRetryIgnore:
        return {QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore, QMessageBox::Abort, QMessageBox::Abort};
    default: break;
    }
    return {QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok};
}

MsgResult Result(int pressed, MsgButtons buttons) {
    switch (pressed) {
    case QMessageBox::Ok: return MsgResult::OK;
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    case QMessageBox::Cancel: return MsgResult::Cancel;
    case QMessageBox::Abort: return MsgResult::Abort;
    case QMessageBox::Retry: return MsgResult::Retry;
    case QMessageBox::Ignore: return MsgResult::Ignore;
    default: break;
    }
    // Closed some other way: the answer the box's Escape key gives.
    switch (buttons) {
    case MsgButtons::OKCancel:
    case MsgButtons::YesNoCancel: return MsgResult::Cancel;
    case MsgButtons::YesNo: return MsgResult::No;
    case MsgButtons::AbortRetryIgnore: return MsgResult::Abort;
    default: return MsgResult::OK;
    }
}

} // namespace

MsgResult QtMessageBox::Show(const std::string& text, const std::string& title, MsgButtons buttons, MsgIcon icon) {
    const ButtonSet set = Buttons(buttons);
    QMessageBox box(BoxIcon(icon), FromCore(title.empty() ? std::string(version::Title) : title), MessageText(text),
                    set.Buttons, mOwner ? mOwner.data() : QApplication::activeWindow());
    box.setDefaultButton(set.Default);
    box.setEscapeButton(set.Escape);
    box.setTextFormat(Qt::PlainText);
    return Result(box.exec(), buttons);
}

} // namespace dovrex::ui
