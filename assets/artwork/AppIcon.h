#pragma once
// The program's icon for desktop menus and the task bar: a white microphone on
// a rounded square in the blue of the window's buttons. Drawn for each size
// on its own, so small icons stay sharp.

#include <QImage>

// The icon at `size` x `size` pixels, transparent around the square.
QImage AppIcon(int size);
