#include <gtest/gtest.h>

#include <QPainter>

#include "controls/KeyColour.h"

namespace {

constexpr QRgb kKey = 0xffff00ff;

// A round button face on a key-colour ground, with key-colour pixels inside
// the artwork and colours that come close to the key without being it.
QImage RoundFace(QImage::Format format) {
    QImage face(98, 39, QImage::Format_ARGB32);
    face.fill(kKey);
    QPainter painter(&face);
    painter.setRenderHint(QPainter::Antialiasing);  // edge pixels near, not equal to, the key
    painter.setBrush(QColor(30, 90, 160));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(2, 2, 94, 35);
    painter.end();
    face.setPixel(40, 20, kKey);  // a hole inside the artwork
    face.setPixel(41, 20, kKey);
    face.setPixel(60, 20, 0xfffe00ff);  // one step off the key colour
    if (format == QImage::Format_ARGB32)
        face.setPixel(61, 20, 0x80ff00ff);  // key colour, other alpha
    return face.convertToFormat(format);
}

}  // namespace

TEST(KeyColour, RegionHoldsExactlyThePixelsOfOtherColours) {
    for (QImage::Format format :
         {QImage::Format_ARGB32, QImage::Format_RGB32, QImage::Format_RGB888}) {
        const QImage face = RoundFace(format);
        const QRegion region = KeyColourRegion(face);
        int cut = 0;
        for (int y = 0; y < face.height(); ++y) {
            for (int x = 0; x < face.width(); ++x) {
                const bool key = face.pixel(x, y) == face.pixel(0, 0);
                cut += key;
                ASSERT_EQ(!key, region.contains(QPoint(x, y))) << format << " at " << x << "," << y;
            }
        }
        EXPECT_GT(cut, 200) << format;
        EXPECT_FALSE(region.contains(QPoint(40, 20)));
        EXPECT_TRUE(region.contains(QPoint(60, 20)));
    }
    EXPECT_TRUE(KeyColourRegion(QImage()).isEmpty());
}

TEST(KeyColour, TransparentCopyClearsOnlyKeyPixels) {
    const QImage face = RoundFace(QImage::Format_RGB32);
    const QImage clear = KeyColourTransparent(face);
    ASSERT_EQ(face.size(), clear.size());
    for (int y = 0; y < face.height(); ++y) {
        for (int x = 0; x < face.width(); ++x) {
            const QRgb expected = face.pixel(x, y) == kKey ? 0u : face.pixel(x, y);
            ASSERT_EQ(expected, clear.pixel(x, y)) << x << "," << y;
        }
    }
}
