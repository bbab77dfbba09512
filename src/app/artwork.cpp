#include "app/artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace velnorix {
namespace {

QPixmap TransparentPixmap(const QSize& size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace

void PaintApplicationIcon(QPainter& painter, int size) {
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 64-unit grid and scaled, so every size has the same proportions.
    painter.scale(size / 64.0, size / 64.0);

    QLinearGradient bezel(0, 0, 0, 64);
    bezel.setColorAt(0, QColor(70, 84, 104));
    bezel.setColorAt(1, QColor(28, 36, 48));
    painter.setPen(QPen(QColor(16, 20, 28), 1.5));
    painter.setBrush(bezel);
    painter.drawRoundedRect(QRectF(3, 5, 58, 44), 6, 6);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(10, 40, 30));
    painter.drawRoundedRect(QRectF(8, 10, 48, 34), 3, 3);

    QPainterPath pulse;
    pulse.moveTo(10, 30);
    pulse.lineTo(22, 30);
    pulse.lineTo(27, 17);
    pulse.lineTo(33, 40);
    pulse.lineTo(38, 24);
    pulse.lineTo(42, 30);
    pulse.lineTo(54, 30);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(60, 230, 120), 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(pulse);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(230, 40, 40));
    painter.drawEllipse(QPointF(50, 16), 3.2, 3.2);

    painter.setBrush(QColor(50, 60, 76));
    painter.drawRect(QRectF(27, 49, 10, 7));
    painter.drawRoundedRect(QRectF(17, 55, 30, 5), 2, 2);
}

QPixmap ApplicationPixmap(int size) {
    QPixmap pixmap = TransparentPixmap(QSize(size, size));
    QPainter painter(&pixmap);
    PaintApplicationIcon(painter, size);
    return pixmap;
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(ApplicationPixmap(size));
    return icon;
}

QPixmap MakerLogo(const QSize& size) {
    QPixmap pixmap = TransparentPixmap(size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size.width() / 57.0, size.height() / 65.0);

    // A shield with three rising bars.
    QPainterPath shield;
    shield.moveTo(28.5, 2);
    shield.lineTo(54, 10);
    shield.cubicTo(54, 38, 44, 54, 28.5, 63);
    shield.cubicTo(13, 54, 3, 38, 3, 10);
    shield.closeSubpath();
    QLinearGradient fill(0, 0, 57, 65);
    fill.setColorAt(0, QColor(40, 90, 170));
    fill.setColorAt(1, QColor(15, 45, 100));
    painter.setPen(QPen(QColor(10, 30, 70), 1.5));
    painter.setBrush(fill);
    painter.drawPath(shield);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(245, 200, 60));
    painter.drawRect(QRectF(15, 34, 7, 12));
    painter.drawRect(QRectF(25, 26, 7, 20));
    painter.drawRect(QRectF(35, 18, 7, 28));
    return pixmap;
}

} // namespace velnorix
