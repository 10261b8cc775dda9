#pragma once
// Drawing of the skinned button faces and icons.

#include <QColor>
#include <QImage>
#include <QString>

// The colour outside every button's shape; the button cuts it away.
inline const QColor kKeyColour(255, 0, 255);

enum class FaceState { Idle, Hover, Pressed, Disabled };

enum class FaceIcon { None, GreenSquare, RedDot };

// A rounded push-button face of the given size with a caption, drawn on the
// key colour so that the corners fall outside the shape.
QImage ButtonFace(int width, int height, const QString& caption, FaceState state,
                  FaceIcon icon = FaceIcon::None, int captionPixels = 12);

enum class TitleGlyph { Minimise, Help, Close };

// A small round title-bar button.
QImage TitleButton(int size, TitleGlyph glyph, FaceState state);

// The volume icons beside the sliders, on the window's background colour.
QImage SpeakerIcon(int width, int height, const QColor& background);
QImage MicrophoneIcon(int width, int height, const QColor& background);
