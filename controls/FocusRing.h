#pragma once
// The keyboard focus mark of a skinned button: a dotted line that follows the
// shape of its picture a little inside the edge, so it fits round title
// buttons and rounded faces alike. Qt Gui only.

#include <QColor>
#include <QImage>

// How far inside the edge the ring runs, in pixels of the shape between the
// ring and the outside: up to 3, less on small pictures so the ring stays
// clear of their glyph.
int FocusRingInset(const QImage& picture);

// An image of the picture's size, transparent but for the dots of the ring,
// which alternate between `colour` and white so the mark shows on light and
// dark faces. The shape is every pixel of the picture, or with
// `keyColourCut` every pixel that is not of the key colour (pixel (0, 0)).
QImage FocusRing(const QImage& picture, bool keyColourCut, const QColor& colour);
