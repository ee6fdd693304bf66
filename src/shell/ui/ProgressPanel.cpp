#include "ProgressPanel.h"

#include <QPainter>

#include <algorithm>

namespace dovrex::ui {

namespace {

void DrawCaption(QWidget& widget, const QWidget& panel, const QString& caption, const QColor& colour) {
    QPainter painter(&widget);
    painter.setPen(colour);
    painter.setFont(panel.font());
    // The caption keeps its place on the panel however wide the bar is.
    painter.drawText(QRect(QPoint(0, 0), panel.size()), Qt::AlignCenter, caption);
}

} // namespace

class ProgressPanel::Bar : public QWidget {
public:
    explicit Bar(ProgressPanel& panel) : QWidget(&panel), mPanel(panel) {
        setObjectName(QStringLiteral("Picture1"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        {
            QPainter painter(this);
            painter.fillRect(rect(), palette().color(QPalette::Highlight));
        }
        DrawCaption(*this, mPanel, mPanel.Caption(), palette().color(QPalette::HighlightedText));
    }

private:
    ProgressPanel& mPanel;
};

ProgressPanel::ProgressPanel(QWidget* parent) : QFrame(parent), mBar(new Bar(*this)) {
    setObjectName(QStringLiteral("picPlace"));
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    hide();
}

void ProgressPanel::Start(const QString& caption) {
    mCaption = caption;
    mBar->setGeometry(0, 0, 1, height() + 30);
    update();
}

bool ProgressPanel::SetProgress(int32_t MaxValue, int32_t CurrentValue) {
    // A bar without a known end stays at its start rather than dividing by zero.
    const qint64 grown = MaxValue > 0 ? static_cast<qint64>(width()) * std::max<int32_t>(CurrentValue, 0) / MaxValue : 0;
    const int barWidth = static_cast<int>(std::min<qint64>(grown + 10, width()));
    if (barWidth == mBar->width() && mBar->height() == height() + 30) return false;
    mBar->setGeometry(0, 0, barWidth, height() + 30);
    return true;
}

int ProgressPanel::BarWidth() const { return mBar->width(); }

QSize ProgressPanel::sizeHint() const { return {0, 0}; }

QSize ProgressPanel::minimumSizeHint() const { return {0, 0}; }

void ProgressPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    DrawCaption(*this, *this, mCaption, palette().color(QPalette::Text));
}

} // namespace dovrex::ui
