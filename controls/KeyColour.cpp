#include "controls/KeyColour.h"

#include <QVector>

namespace {

// Colours of one row as the picture's pixel() reports them. Plain 32-bit
// rows are read straight; other formats go through pixel() so that every
// format compares the same colour values.
void ReadRow(const QImage& picture, int y, QVector<QRgb>& row) {
    const int width = picture.width();
    row.resize(width);
    const QImage::Format format = picture.format();
    if (format == QImage::Format_ARGB32 || format == QImage::Format_RGB32) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        const QRgb opaque = format == QImage::Format_RGB32 ? 0xff000000u : 0u;
        for (int x = 0; x < width; ++x) row[x] = line[x] | opaque;
    } else {
        for (int x = 0; x < width; ++x) row[x] = picture.pixel(x, y);
    }
}

}  // namespace

QRgb KeyColour(const QImage& picture) { return picture.isNull() ? 0 : picture.pixel(0, 0); }

QRegion KeyColourRegion(const QImage& picture) {
    QRegion region;
    if (picture.isNull()) return region;
    const QRgb key = KeyColour(picture);
    QVector<QRgb> row;
    // Rows are added top to bottom and runs left to right, the order in which
    // a region grows by appending instead of merging.
    for (int y = 0; y < picture.height(); ++y) {
        ReadRow(picture, y, row);
        int x = 0;
        const int width = picture.width();
        while (x < width) {
            while (x < width && row[x] == key) ++x;
            const int start = x;
            while (x < width && row[x] != key) ++x;
            if (x > start) region += QRect(start, y, x - start, 1);
        }
    }
    return region;
}

QImage KeyColourTransparent(const QImage& picture) {
    if (picture.isNull()) return QImage();
    const QRgb key = KeyColour(picture);
    QImage result(picture.size(), QImage::Format_ARGB32);
    QVector<QRgb> row;
    for (int y = 0; y < picture.height(); ++y) {
        ReadRow(picture, y, row);
        auto* out = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) out[x] = row[x] == key ? 0u : row[x];
    }
    return result;
}
