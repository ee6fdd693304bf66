#pragma once

#include "QtReportSurface.h"

#include "reports/ReportInterfaces.h"

#include <QDialog>
#include <QPoint>

#include <memory>
#include <string>

class QScrollBar;

namespace Ui {
class frmPreview;
}

namespace dovrex::ui {

// The preview window: one rendered page, scrolled with the scroll bars, the keys or by
// dragging it, and a toolbar whose command goes back to the report engine.
class frmPreview : public QDialog, public IReportPreview {
    Q_OBJECT

public:
    // Pixels per inch of the page image.
    static constexpr double Dpi = 120;

    explicit frmPreview(QWidget* parent = nullptr);
    ~frmPreview() override;

    void PreparePage(double PageWidth, double PageLength) override;
    ReportSurface& Page() override;
    // Shows the page and waits for a toolbar command ("FIRST", "PREV", "NEXT", "LAST",
    // "PRINT", "CLOSE"; closing the window otherwise is "CLOSE"). For any command but
    // "CLOSE" the window stays on screen, disabled and blank, while the next page is made.
    std::string Display(const std::string& Title) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Scroll ranges for the visible part of the page, and the page placed by them.
    void Arrange();
    void PlacePage();
    static void Step(QScrollBar& bar, int direction, Qt::KeyboardModifiers modifiers);

    std::unique_ptr<Ui::frmPreview> ui;
    std::unique_ptr<QtPictureSurface> mPage;
    std::string mCommand;
    QPoint mDragFrom;
    int mDragH = 0;
    int mDragV = 0;
    bool mDragging = false;
};

// Preview windows owned by the report engine, on top of a parent window.
class QtReportPreviews final : public IReportPreviews {
public:
    explicit QtReportPreviews(QWidget* parent) : mParent(parent) {}
    std::unique_ptr<IReportPreview> CreatePreview() override;

private:
    QWidget* mParent;
};

} // namespace dovrex::ui
