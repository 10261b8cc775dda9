#pragma once
// The "调音" window: a small tool window beside the main window, in its
// look, with the singer's settings for the mix: the voice's and the
// accompaniment's volumes, a reverb, the key and even loudness; and the
// singing aids: the microphone, hearing oneself and the latency test. While
// it is shown the level meter runs (and hearing oneself, when on). Every
// control is reached with Tab and named for screen readers. Its handlers
// only pass the settings on to the StudioController; the window shows what
// the controller tells it (ShowSettings and the rest), without echoing it
// back. UI thread only.

#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <optional>

#include "workflow/StudioSettings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;
class QSpinBox;
class StudioController;
class MicrophoneChoice;
class LiveAids;
class LatencyTest;

// The handlers of the singing aids' controls.
struct StudioLiveControls {
    MicrophoneChoice& microphones;
    LiveAids& aids;
    LatencyTest& latency;
};

class TFormStudio final : public QWidget {
    Q_OBJECT
public:
    TFormStudio(StudioController& controller, StudioLiveControls live, QWidget* owner);

    QSlider* TrackBarVoice = nullptr;
    QSlider* TrackBarAccompaniment = nullptr;
    QComboBox* ComboReverb = nullptr;
    QSpinBox* SpinKey = nullptr;
    QCheckBox* CheckLoudness = nullptr;
    QProgressBar* ProgressKey = nullptr;
    QPushButton* ButtonCancelKey = nullptr;
    QLabel* LabelNote = nullptr;
    QLabel* LabelUnavailable = nullptr;
    QComboBox* ComboMicrophone = nullptr;
    QCheckBox* CheckMonitor = nullptr;
    QSlider* TrackBarMonitor = nullptr;
    QLabel* LabelMonitorHint = nullptr;
    QLabel* LabelLiveNote = nullptr;
    QPushButton* ButtonLatencyTest = nullptr;
    QLabel* LabelCorrection = nullptr;
    QPushButton* ButtonClearCorrection = nullptr;
    QLabel* LabelLatencyNote = nullptr;

    void ShowSettings(const StudioSettings& settings);
    void SetKeyEditable(bool editable);
    void SetKeyProgress(double shareDone);
    void SetNote(const QString& text);
    void ShowMicrophones(const QStringList& descriptions, int current);
    void SetLiveNote(const QString& text);
    void SetLatencyCorrection(std::optional<int> ms);
    void SetLatencyTestRunning(bool running);
    void SetLatencyNote(const QString& text);

    // Beside the owner, to its right where the screen has room.
    void ShowBesideOwner();

    // A key typed or stepped through is taken once it has rested this long.
    static constexpr int kKeySettleMs = 300;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void AddLiveControls(class QGridLayout* grid, int row);

    StudioController& controller_;
    StudioLiveControls live_;
    QLabel* monitorValue_ = nullptr;
    QTimer keySettle_;
    QLabel* voiceValue_ = nullptr;
    QLabel* accompanimentValue_ = nullptr;
    bool showing_ = false;  // ShowSettings is setting the controls
    bool keyEditable_ = true;
};
