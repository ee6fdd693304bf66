#pragma once

#include <QFrame>

namespace dovrex::ui {

// The progress panel that takes the place of a running command's button (`picPlace`):
// the command's caption centred on it and a bar (`Picture1`) growing from the left, over
// which the caption is drawn again in the bar's own text colour.
class ProgressPanel : public QFrame {
    Q_OBJECT

public:
    explicit ProgressPanel(QWidget* parent = nullptr);

    // Clears the panel and shows the caption with a bar one unit wide.
    void Start(const QString& caption);
    // The bar's width for CurrentValue of MaxValue: panel width x Current / Max + 10, at
    // most the panel's width. Only a change of width repaints; true when it changed.
    bool SetProgress(int32_t MaxValue, int32_t CurrentValue);
    int BarWidth() const;
    const QString& Caption() const { return mCaption; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    class Bar;
    Bar* mBar;
    QString mCaption;
};

} // namespace dovrex::ui
