#include "controls/TImageList.h"

TImageList::TImageList(const QImage& strip, int frameWidthPx) {
    if (strip.isNull() || frameWidthPx <= 0) return;
    const int frames = strip.width() / frameWidthPx;
    for (int i = 0; i < frames; ++i) {
        frames_.append(strip.copy(i * frameWidthPx, 0, frameWidthPx, strip.height()));
    }
}

TImageList::TImageList(const QList<QImage>& images) {
    for (const QImage& image : images) add(image);
}

bool TImageList::add(const QImage& image) {
    if (image.isNull()) return false;
    if (!frames_.isEmpty() && image.size() != frameSize()) return false;
    frames_.append(image);
    return true;
}

QImage TImageList::frame(int index) const {
    if (index < 0 || index >= count()) return QImage();
    return frames_.at(index);
}
