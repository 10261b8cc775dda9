#pragma once
// A list of equal-size pictures ("frames"), such as the faces of a button cut
// from one horizontal strip of artwork. A value type; frames are shared
// copy-on-write images.

#include <QImage>
#include <QList>
#include <QSize>

class TImageList {
public:
    TImageList() = default;

    // Cuts `strip` from the left into frames `frameWidthPx` wide and as high as
    // the strip; a remainder narrower than one frame is dropped.
    TImageList(const QImage& strip, int frameWidthPx);

    // Takes the images in order; see add() for the ones refused.
    explicit TImageList(const QList<QImage>& images);

    // Appends `image` when it is not null and has the size of the frames
    // already held (any size for the first). Returns whether it was taken.
    bool add(const QImage& image);

    int count() const { return static_cast<int>(frames_.size()); }
    QSize frameSize() const { return frames_.isEmpty() ? QSize() : frames_.first().size(); }

    // Frame `index`, or a null image when there is no such frame.
    QImage frame(int index) const;

private:
    QList<QImage> frames_;
};
