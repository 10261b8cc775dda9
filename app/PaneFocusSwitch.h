#pragma once
// F6 moves the keyboard focus between the site pane and the window's own
// controls, as a browser's F6 moves between its page and its bars: a page
// that keeps Tab to itself never traps a keyboard-only singer. Back from the
// pane the focus goes to the control that had it, else to the first one.
// UI thread only.

#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

class PaneFocusSwitch final : public QObject {
public:
    // `paneHost` holds the pane, `pane` gives its browser (null before it is
    // made); `firstControl` is the window's first control.
    PaneFocusSwitch(QWidget* window, QWidget* paneHost, std::function<QWidget*()> pane,
                    QWidget* firstControl);

    void Switch();

private:
    bool InPane(QWidget* widget) const;

    QWidget* window_;
    QWidget* paneHost_;
    std::function<QWidget*()> pane_;
    QWidget* firstControl_;
    QPointer<QWidget> lastControl_;
};
