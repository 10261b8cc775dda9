#include "assets/artwork/AppIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

QImage AppIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    const qreal s = size;

    // The square, with a margin that grows with the size as icon themes do.
    const qreal margin = size >= 32 ? s / 16 : 0.5;
    const QRectF square(margin, margin, s - 2 * margin, s - 2 * margin);
    QLinearGradient fill(square.topLeft(), square.bottomLeft());
    fill.setColorAt(0, QColor(124, 194, 240));
    fill.setColorAt(1, QColor(36, 100, 168));
    p.setPen(QPen(QColor(24, 80, 140), std::max<qreal>(1, s / 48)));
    p.setBrush(fill);
    p.drawRoundedRect(square, s * 0.2, s * 0.2);

    // The microphone: a capsule head, the cradle arc, the stand and its foot.
    const qreal cx = s / 2;
    const qreal headWidth = s * 0.26;
    const QRectF head(cx - headWidth / 2, s * 0.16, headWidth, s * 0.42);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(head, headWidth / 2, headWidth / 2);
    const qreal pen = std::max<qreal>(1.2, s / 16);
    p.setPen(QPen(Qt::white, pen, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const qreal cradle = s * 0.44;
    p.drawArc(QRectF(cx - cradle / 2, s * 0.30, cradle, cradle), 200 * 16, 140 * 16);
    p.drawLine(QPointF(cx, s * 0.52 + cradle / 2), QPointF(cx, s * 0.82));
    p.drawLine(QPointF(cx - s * 0.16, s * 0.84), QPointF(cx + s * 0.16, s * 0.84));
    return image;
}
