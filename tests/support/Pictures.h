#pragma once
// Button pictures for the tests of the skinned controls: plain colours and
// an ellipse on the key colour, the shape of the window's round buttons.

#include <QImage>
#include <QPainter>

inline constexpr QRgb kKeyColour = 0xffff00ff;

inline QImage Solid(QRgb colour, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// An ellipse of `colour` inset by `inset` on key-colour ground.
inline QImage EllipseOnKey(QRgb colour, QSize size, int inset = 0) {
    QImage face = Solid(kKeyColour, size);
    QPainter painter(&face);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgb(colour));
    painter.drawEllipse(QRect(QPoint(inset, inset), size - QSize(2 * inset, 2 * inset)));
    return face;
}
