#include "frmPreview.h"

#include "ui_frmPreview.h"

#include "platform/ui/QtText.h"

#include <QAction>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QScrollBar>

#include <algorithm>

namespace dovrex::ui {

frmPreview::frmPreview(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::frmPreview>()) {
    ui->setupUi(this);
    for (QAction* action : ui->Toolbar1->actions()) {
        connect(action, &QAction::triggered, this, [this, action] {
            mCommand = action->property("key").toString().toStdString();
            done(Accepted);
        });
    }
    for (QScrollBar* bar : {ui->HScroll1, ui->VScroll1}) {
        connect(bar, &QScrollBar::valueChanged, this, &frmPreview::PlacePage);
    }
    ui->Preview->installEventFilter(this);
    ui->Picture1->installEventFilter(this);
    QPalette paper = ui->Picture1->palette();
    paper.setColor(QPalette::Window, Qt::darkGray);
    ui->Picture1->setPalette(paper);
}

frmPreview::~frmPreview() = default;

void frmPreview::PreparePage(double PageWidth, double PageLength) {
    mPage = std::make_unique<QtPictureSurface>(PageWidth, PageLength, Dpi);
    mPage->SetScaleMode(smInches);
}

ReportSurface& frmPreview::Page() {
    if (!mPage) PreparePage(8.5, 11);
    return *mPage;
}

std::string frmPreview::Display(const std::string& Title) {
    setWindowTitle(FromCore(Title));
    mCommand.clear();
    setEnabled(true);
    if (mPage) {
        ui->Preview->setPixmap(QPixmap::fromImage(mPage->Picture()));
        ui->Preview->resize(ui->Preview->pixmap().size());
    }
    Arrange();
    // A window left on screen by the last command becomes modal again.
    if (isVisible()) hide();
    exec();
    if (mCommand.empty()) mCommand = "CLOSE";
    if (mCommand != "CLOSE") {
        setEnabled(false);
        ui->Preview->clear();
        show();
    }
    return mCommand;
}

void frmPreview::Arrange() {
    const QSize page = ui->Preview->size();
    const QSize visible = ui->Picture1->size();
    const auto set = [](QScrollBar& bar, int pageExtent, int visibleExtent) {
        bar.setMaximum(std::max(0, pageExtent - visibleExtent) * 100);
        bar.setPageStep(std::max(1, visibleExtent * 100));
        bar.setSingleStep(std::max(1, bar.pageStep() / 10));
    };
    set(*ui->HScroll1, page.width(), visible.width());
    set(*ui->VScroll1, page.height(), visible.height());
    PlacePage();
}

void frmPreview::PlacePage() { ui->Preview->move(-ui->HScroll1->value() / 100, -ui->VScroll1->value() / 100); }

void frmPreview::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Arrange();
}

void frmPreview::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Arrange();
}

void frmPreview::Step(QScrollBar& bar, int direction, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::ControlModifier) {
        bar.setValue(direction < 0 ? bar.minimum() : bar.maximum());
    } else {
        bar.setValue(bar.value() + direction * ((modifiers & Qt::ShiftModifier) ? bar.pageStep() : bar.singleStep()));
    }
}

void frmPreview::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Left: Step(*ui->HScroll1, -1, event->modifiers()); return;
    case Qt::Key_Right: Step(*ui->HScroll1, 1, event->modifiers()); return;
    case Qt::Key_Up: Step(*ui->VScroll1, -1, event->modifiers()); return;
    case Qt::Key_Down: Step(*ui->VScroll1, 1, event->modifiers()); return;
    case Qt::Key_PageUp: ui->VScroll1->setValue(ui->VScroll1->value() - ui->VScroll1->pageStep()); return;
    case Qt::Key_PageDown: ui->VScroll1->setValue(ui->VScroll1->value() + ui->VScroll1->pageStep()); return;
    default: QDialog::keyPressEvent(event);
    }
}

bool frmPreview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->Preview || watched == ui->Picture1) {
        // Only the mouse events below are QMouseEvents.
        const auto mouse = [event] { return static_cast<QMouseEvent*>(event); };
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (mouse()->button() == Qt::LeftButton) {
                mDragging = true;
                mDragFrom = mouse()->globalPosition().toPoint();
                mDragH = ui->HScroll1->value();
                mDragV = ui->VScroll1->value();
                ui->Preview->setCursor(Qt::ClosedHandCursor);
                return true;
            }
            break;
        case QEvent::MouseMove:
            if (mDragging && (mouse()->buttons() & Qt::LeftButton)) {
                // The page follows the pointer.
                const QPoint moved = mouse()->globalPosition().toPoint() - mDragFrom;
                ui->HScroll1->setValue(mDragH - 100 * moved.x());
                ui->VScroll1->setValue(mDragV - 100 * moved.y());
                return true;
            }
            break;
        case QEvent::MouseButtonRelease:
            if (mouse()->button() == Qt::LeftButton && mDragging) {
                mDragging = false;
                ui->Preview->setCursor(Qt::OpenHandCursor);
                return true;
            }
            break;
        default: break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

std::unique_ptr<IReportPreview> QtReportPreviews::CreatePreview() { return std::make_unique<frmPreview>(mParent); }

} // namespace dovrex::ui
