// Time to find the shape of a 98 x 39 face (the size of the main window's
// largest buttons) with its key colour around an ellipse and scattered inside
// it. The region is made when a button is cut, so it must stay well under
// the time of one frame at 60 Hz. For reference the pixel-by-pixel way of
// making it (one region difference per key-colour pixel) is timed as well.
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <cstdio>

#include "controls/KeyColour.h"

namespace {

constexpr double kFrameSeconds = 1.0 / 60.0;
constexpr double kTargetRatio = 0.1;

QImage Face() {
    QImage face(98, 39, QImage::Format_RGB32);
    face.fill(0xffff00ff);
    QPainter painter(&face);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(30, 90, 160));
    painter.drawEllipse(2, 2, 94, 35);
    painter.end();
    for (int i = 0; i < 60; ++i) face.setPixel(10 + (i * 37) % 78, 8 + (i * 11) % 24, 0xffff00ff);
    return face;
}

QRegion PixelByPixel(const QImage& face) {
    const QRgb key = face.pixel(0, 0);
    QRegion region(0, 0, face.width(), face.height());
    for (int x = 0; x < face.width(); ++x) {
        for (int y = 0; y < face.height(); ++y) {
            if (face.pixel(x, y) == key) region -= QRegion(x, y, 1, 1);
        }
    }
    return region;
}

template <typename F>
double SecondsPerRun(int runs, F&& run) {
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < runs; ++i) run();
    return timer.nsecsElapsed() / 1e9 / runs;
}

}  // namespace

int main() {
    const QImage face = Face();
    int rects = 0;
    const double ours = SecondsPerRun(2000, [&] { rects += KeyColourRegion(face).rectCount(); });
    const double perPixel = SecondsPerRun(20, [&] { rects += PixelByPixel(face).rectCount(); });
    if (KeyColourRegion(face) != PixelByPixel(face)) {
        std::printf("crop_region: the two regions differ\n");
        return 1;
    }
    std::printf("crop_region: pixel by pixel %.6f s (%d rects seen)\n", perPixel, rects);
    std::printf("bench crop_region: ours %.6f s, frame %.6f s, ratio %.4f (target %.1f)\n", ours,
                kFrameSeconds, ours / kFrameSeconds, kTargetRatio);
    return ours / kFrameSeconds <= kTargetRatio ? 0 : 1;
}
