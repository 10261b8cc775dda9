#include "controls/WindowCrop.h"

#include <QWidget>

#include "controls/KeyColour.h"

namespace {

void SetRegion(QWidget* window, const QRegion& region) {
    // Qt reads an empty mask as "no mask", the whole widget. An empty region
    // (a null picture, or one all in the key colour) must leave nothing of the
    // widget, so it becomes a pixel outside the widget instead.
    window->setMask(region.isEmpty() ? QRegion(-1, -1, 1, 1) : region);
}

}  // namespace

void CropWindow(QWidget* window, const QImage& picture) {
    SetRegion(window, KeyColourRegion(picture));
}

void UncropWindow(QWidget* window, const QImage& picture) {
    SetRegion(window, QRegion(0, 0, picture.width(), picture.height()));
}
