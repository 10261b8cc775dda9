#pragma once
// The small message window shown during long work: one line of text, no
// buttons. Show it, let pending events run once so it paints, do the work,
// delete it.

#include <QWidget>

class QLabel;

class TFormMsg : public QWidget {
    Q_OBJECT
public:
    explicit TFormMsg(QWidget* owner);

    QLabel* LabelMsg = nullptr;

    // Shows the window centred over its owner without making it modal.
    void ShowCentred();
};
