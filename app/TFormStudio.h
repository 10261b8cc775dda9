#pragma once
// The "调音" window: a small tool window beside the main window, in its
// look, with the singer's settings for the mix: the voice's and the
// accompaniment's volumes, a reverb, the key and even loudness. Every
// control is reached with Tab and named for screen readers. Its handlers
// only pass the settings on to the StudioController; the window shows what
// the controller tells it (ShowSettings and the rest), without echoing it
// back. UI thread only.

#include <QTimer>
#include <QWidget>

#include "workflow/StudioSettings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;
class QSpinBox;
class StudioController;

class TFormStudio final : public QWidget {
    Q_OBJECT
public:
    TFormStudio(StudioController& controller, QWidget* owner);

    QSlider* TrackBarVoice = nullptr;
    QSlider* TrackBarAccompaniment = nullptr;
    QComboBox* ComboReverb = nullptr;
    QSpinBox* SpinKey = nullptr;
    QCheckBox* CheckLoudness = nullptr;
    QProgressBar* ProgressKey = nullptr;
    QPushButton* ButtonCancelKey = nullptr;
    QLabel* LabelNote = nullptr;
    QLabel* LabelUnavailable = nullptr;

    void ShowSettings(const StudioSettings& settings);
    void SetKeyEditable(bool editable);
    void SetKeyProgress(double shareDone);
    void SetNote(const QString& text);

    // Beside the owner, to its right where the screen has room.
    void ShowBesideOwner();

    // A key typed or stepped through is taken once it has rested this long.
    static constexpr int kKeySettleMs = 300;

private:
    StudioController& controller_;
    QTimer keySettle_;
    QLabel* voiceValue_ = nullptr;
    QLabel* accompanimentValue_ = nullptr;
    bool showing_ = false;  // ShowSettings is setting the controls
    bool keyEditable_ = true;
};
