#include "assets/artwork/FacePainter.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

QFont FaceFont(int pixels, bool bold) {
    QFont font;
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Serif CJK SC"),
                      QStringLiteral("SimSun")});
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

struct Palette {
    QColor top, bottom, border, text;
};

Palette PaletteFor(FaceState state) {
    switch (state) {
        case FaceState::Hover:
            return {QColor(150, 212, 248), QColor(84, 164, 226), QColor(40, 110, 180), Qt::white};
        case FaceState::Pressed:
            return {QColor(56, 130, 200), QColor(96, 168, 226), QColor(24, 80, 140), Qt::white};
        case FaceState::Disabled:
            return {QColor(226, 230, 234), QColor(196, 202, 208), QColor(160, 166, 172),
                    QColor(150, 150, 150)};
        case FaceState::Idle:
        default:
            return {QColor(124, 194, 240), QColor(64, 144, 212), QColor(36, 100, 168), Qt::white};
    }
}

// The shape is drawn without antialiasing: every pixel is either the key
// colour or the face, so the cut edge has no pink fringe.
void FillShape(QPainter& p, const QRectF& rect, qreal radius, const Palette& colours) {
    QPainterPath shape;
    shape.addRoundedRect(rect, radius, radius);
    QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
    fill.setColorAt(0, colours.top);
    fill.setColorAt(1, colours.bottom);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(colours.border, 1));
    p.setBrush(fill);
    p.drawPath(shape);
}

QImage FilledImage(int width, int height, const QColor& colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QImage KeyedImage(int width, int height) { return FilledImage(width, height, kKeyColour); }

// The volume icons: one blue, drawn smooth on the window's colour.
const QColor kIconColour(60, 120, 190);

void PrepareIconPainter(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(kIconColour);
}

void UseIconOutline(QPainter& p) {
    p.setPen(QPen(kIconColour, 2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
}

}  // namespace

QImage ButtonFace(int width, int height, const QString& caption, FaceState state, FaceIcon icon,
                  int captionPixels) {
    QImage image = KeyedImage(width, height);
    const Palette colours = PaletteFor(state);
    QPainter p(&image);
    FillShape(p, QRectF(0, 0, width - 1, height - 1), height / 4.0, colours);

    const int shift = state == FaceState::Pressed ? 1 : 0;
    QRect textRect(shift, shift, width, height);
    if (icon != FaceIcon::None) {
        const int mark = height / 3;
        const QRect markRect(height / 3 + shift, (height - mark) / 2 + shift, mark, mark);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(Qt::white, 1.5));
        if (icon == FaceIcon::GreenSquare) {
            p.setBrush(state == FaceState::Disabled ? QColor(170, 190, 170) : QColor(40, 190, 70));
            p.drawRect(markRect);
        } else {
            p.setBrush(state == FaceState::Disabled ? QColor(200, 170, 170) : QColor(230, 40, 40));
            p.drawEllipse(markRect);
        }
        textRect.setLeft(markRect.right() + 4);
    }
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setFont(FaceFont(captionPixels, true));
    p.setPen(colours.text);
    p.drawText(textRect, Qt::AlignCenter, caption);
    return image;
}

QImage TitleButton(int size, TitleGlyph glyph, FaceState state) {
    QImage image = KeyedImage(size, size);
    Palette colours = PaletteFor(state);
    if (glyph == TitleGlyph::Close && state != FaceState::Disabled) {
        colours.top = state == FaceState::Pressed ? QColor(180, 40, 40) : QColor(240, 120, 110);
        colours.bottom = state == FaceState::Hover ? QColor(230, 60, 50) : QColor(200, 50, 40);
        colours.border = QColor(150, 30, 30);
    }
    QPainter p(&image);
    FillShape(p, QRectF(0, 0, size - 1, size - 1), size / 2.0, colours);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(colours.text, 1.6, Qt::SolidLine, Qt::RoundCap));
    const qreal c = (size - 1) / 2.0;
    const qreal r = size / 4.5;
    switch (glyph) {
        case TitleGlyph::Minimise:
            p.drawLine(QPointF(c - r, c + r * 0.6), QPointF(c + r, c + r * 0.6));
            break;
        case TitleGlyph::Close:
            p.drawLine(QPointF(c - r, c - r), QPointF(c + r, c + r));
            p.drawLine(QPointF(c - r, c + r), QPointF(c + r, c - r));
            break;
        case TitleGlyph::Help:
            p.setFont(FaceFont(size - 5, true));
            p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QStringLiteral("?"));
            break;
    }
    return image;
}

QImage SpeakerIcon(int width, int height, const QColor& background) {
    QImage image = FilledImage(width, height, background);
    QPainter p(&image);
    PrepareIconPainter(p);
    const qreal cy = height / 2.0;
    p.drawRect(QRectF(4, cy - 4, 6, 8));
    QPolygonF cone;
    cone << QPointF(10, cy - 4) << QPointF(17, cy - 10) << QPointF(17, cy + 10) << QPointF(10, cy + 4);
    p.drawPolygon(cone);
    UseIconOutline(p);
    p.drawArc(QRectF(14, cy - 6, 8, 12), -50 * 16, 100 * 16);
    p.drawArc(QRectF(14, cy - 11, 14, 22), -50 * 16, 100 * 16);
    return image;
}

QImage MicrophoneIcon(int width, int height, const QColor& background) {
    QImage image = FilledImage(width, height, background);
    QPainter p(&image);
    PrepareIconPainter(p);
    const qreal cx = width / 2.0;
    p.drawRoundedRect(QRectF(cx - 4.5, 3, 9, 15), 4.5, 4.5);
    UseIconOutline(p);
    p.drawArc(QRectF(cx - 8, 6, 16, 16), 200 * 16, 140 * 16);
    p.drawLine(QPointF(cx, 22), QPointF(cx, 26));
    p.drawLine(QPointF(cx - 5, 26.5), QPointF(cx + 5, 26.5));
    return image;
}
