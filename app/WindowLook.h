#pragma once
// The look shared by the program's windows.

#include <QColor>
#include <QFont>
#include <QIcon>

class QWidget;

// "宋体" at the given pixel size, with the CJK fonts of Linux desktops as
// fallbacks.
QFont WindowFont(int pixels);

void SetBackground(QWidget* widget, const QColor& colour);
void SetTextColour(QWidget* widget, const QColor& colour);

// The program's icon, as the menu entry shows it, for the windows and the
// task bar.
QIcon ProgramIcon();
