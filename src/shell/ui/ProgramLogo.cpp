#include "ProgramLogo.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace dovrex::ui {

QPixmap ProgramLogo(int size) {
    QPixmap logo(size, size);
    logo.fill(Qt::transparent);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(size * 0.04, size * 0.04, size * 0.92, size * 0.92);
    QLinearGradient fill(box.topLeft(), box.bottomRight());
    fill.setColorAt(0, QColor(0x1f, 0x6f, 0xb5));
    fill.setColorAt(1, QColor(0x0d, 0x3b, 0x66));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(box, size * 0.18, size * 0.18);
    // A meter dial: an arc and its needle.
    QPen dial(QColor(0xf2, 0xf6, 0xfa), size * 0.07, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(dial);
    const QRectF arc(size * 0.22, size * 0.26, size * 0.56, size * 0.56);
    painter.drawArc(arc, 30 * 16, 120 * 16);
    painter.setPen(QPen(QColor(0xff, 0xc1, 0x3b), size * 0.07, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(size * 0.5, size * 0.54), QPointF(size * 0.66, size * 0.36));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xf2, 0xf6, 0xfa));
    painter.drawEllipse(QPointF(size * 0.5, size * 0.54), size * 0.06, size * 0.06);
    // Two arrows below: the route goes out, the readings come back.
    painter.setPen(QPen(QColor(0xf2, 0xf6, 0xfa), size * 0.045, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(size * 0.28, size * 0.72), QPointF(size * 0.72, size * 0.72));
    painter.drawLine(QPointF(size * 0.62, size * 0.66), QPointF(size * 0.72, size * 0.72));
    painter.drawLine(QPointF(size * 0.28, size * 0.82), QPointF(size * 0.72, size * 0.82));
    painter.drawLine(QPointF(size * 0.28, size * 0.82), QPointF(size * 0.38, size * 0.88));
    return logo;
}

} // namespace dovrex::ui
