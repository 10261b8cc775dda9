#pragma once
// The key colour of a button picture is the colour of its pixel (0, 0). These
// helpers find the picture's shape without it, comparing whole colour values
// (alpha included) exactly: no tolerance, every such pixel anywhere counts.
// Qt Gui only; safe on any thread for distinct images.

#include <QImage>
#include <QRegion>

// Colour of pixel (0, 0) as an ARGB value; 0 for a null picture.
QRgb KeyColour(const QImage& picture);

// Every pixel of `picture` whose colour differs from the key colour, in the
// picture's own coordinates. Empty for a null picture.
QRegion KeyColourRegion(const QImage& picture);

// A copy of `picture` (as ARGB32) in which the key-colour pixels are fully
// transparent and all others keep their colour.
QImage KeyColourTransparent(const QImage& picture);
