#include "controls/FocusRing.h"

#include <algorithm>
#include <vector>

#include "controls/KeyColour.h"

namespace {

// The squared distance from (x, y) to the nearest pixel outside the shape
// (beyond the picture's edge counts as outside), looked for within `reach`.
int SquaredDistanceOut(const std::vector<bool>& shape, int width, int height, int x, int y,
                       int reach) {
    int best = (reach + 1) * (reach + 1);
    for (int dy = -reach; dy <= reach; ++dy) {
        for (int dx = -reach; dx <= reach; ++dx) {
            const int u = x + dx;
            const int v = y + dy;
            const bool outside = u < 0 || v < 0 || u >= width || v >= height ||
                                 !shape[static_cast<size_t>(v * width + u)];
            if (outside) best = std::min(best, dx * dx + dy * dy);
        }
    }
    return best;
}

}  // namespace

int FocusRingInset(const QImage& picture) {
    return std::clamp(std::min(picture.width(), picture.height()) / 8, 1, 3);
}

QImage FocusRing(const QImage& picture, bool keyColourCut, const QColor& colour) {
    if (picture.isNull()) return QImage();
    const int width = picture.width();
    const int height = picture.height();
    const QRgb key = KeyColour(picture);
    std::vector<bool> shape(static_cast<size_t>(width) * height, true);
    if (keyColourCut) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                shape[static_cast<size_t>(y * width + x)] = picture.pixel(x, y) != key;
            }
        }
    }
    QImage ring(width, height, QImage::Format_ARGB32);
    ring.fill(Qt::transparent);
    const QRgb dark = colour.rgba();
    const QRgb light = qRgba(255, 255, 255, 255);
    // The ring is the pixels whose distance to the outside lies just beyond
    // the inset: `inset` pixels of the shape between them and the edge.
    const int inset = FocusRingInset(picture);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (!shape[static_cast<size_t>(y * width + x)]) continue;
            const int d2 = SquaredDistanceOut(shape, width, height, x, y, inset + 1);
            if (d2 > inset * inset && d2 <= (inset + 1) * (inset + 1)) {
                ring.setPixel(x, y, (x + y) % 2 == 0 ? dark : light);
            }
        }
    }
    return ring;
}
