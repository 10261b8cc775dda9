#pragma once
// The download window: the file being fetched in its caption, a progress
// line, a bar and a cancel button. It lives for one download; closing it with
// the window's close box cancels the download like the button does, and the
// window stays until the download has ended. UI thread only.

#include <QWidget>

class QCloseEvent;
class QLabel;
class QProgressBar;
class QPushButton;

class TFormDown final : public QWidget {
    Q_OBJECT
public:
    TFormDown();

    // Components, in creation order.
    QProgressBar* ProgressBar;
    QPushButton* ButtonCancel;
    QLabel* LabelProgress;
    QLabel* LabelTotal;

    // Set by the cancel button (or the close box); never reset.
    bool Cancelled = false;

    void ButtonCancelClick();

    // Places the window over the centre of the program's main window (or of
    // the screen when there is none).
    void CentreOnMainWindow();

protected:
    void closeEvent(QCloseEvent* event) override;
};
