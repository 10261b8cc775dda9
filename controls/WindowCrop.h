#pragma once
// Cutting a widget to the shape of a picture. A cut widget neither paints nor
// takes the mouse outside its region. UI thread only.

#include <QImage>

class QWidget;

// Gives `window` the region of `picture` without its key-colour pixels.
void CropWindow(QWidget* window, const QImage& picture);

// Gives `window` a plain rectangular region of the picture's size.
void UncropWindow(QWidget* window, const QImage& picture);
