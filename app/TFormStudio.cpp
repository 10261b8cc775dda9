#include "app/TFormStudio.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

#include "app/WindowLook.h"
#include "effects/KeyShift.h"
#include "effects/VoiceReverb.h"
#include "workflow/LatencyTest.h"
#include "workflow/LiveAids.h"
#include "workflow/MicrophoneChoice.h"
#include "workflow/StudioController.h"

namespace {

const QColor kBackground(234, 244, 254);
const QColor kTeal(0, 128, 128);

constexpr effects::ReverbPreset kPresets[] = {effects::ReverbPreset::None,
                                              effects::ReverbPreset::Ktv,
                                              effects::ReverbPreset::Studio,
                                              effects::ReverbPreset::ConcertHall};

QSlider* PercentSlider(QWidget* parent, const QString& name) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(0, 200);
    slider->setSingleStep(5);
    slider->setPageStep(25);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(50);
    slider->setAccessibleName(name);
    slider->setToolTip(name);
    return slider;
}

QString Percent(int value) { return QString::number(value) + QLatin1Char('%'); }

}  // namespace

TFormStudio::TFormStudio(StudioController& controller, StudioLiveControls live, QWidget* owner)
    : QWidget(owner, Qt::Tool), controller_(controller), live_(live) {
    setObjectName(QStringLiteral("FormStudio"));
    setWindowTitle(QStringLiteral("调音"));
    SetBackground(this, kBackground);
    setFont(WindowFont(12));

    auto* grid = new QGridLayout(this);
    const auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        SetTextColour(l, kTeal);
        l->setBuddy(buddy);
        return l;
    };
    TrackBarVoice = PercentSlider(this, QStringLiteral("人声音量"));
    voiceValue_ = new QLabel(this);
    TrackBarAccompaniment = PercentSlider(this, QStringLiteral("伴奏音量"));
    accompanimentValue_ = new QLabel(this);
    ComboReverb = new QComboBox(this);
    for (effects::ReverbPreset preset : kPresets) ComboReverb->addItem(effects::ReverbPresetName(preset));
    ComboReverb->setAccessibleName(QStringLiteral("混响"));
    SpinKey = new QSpinBox(this);
    SpinKey->setRange(effects::kMinKeySemitones, effects::kMaxKeySemitones);
    SpinKey->setAccessibleName(QStringLiteral("升降调"));
    SpinKey->setKeyboardTracking(false);
    CheckLoudness = new QCheckBox(QStringLiteral("响度统一"), this);
    CheckLoudness->setAccessibleName(QStringLiteral("响度统一"));
    ProgressKey = new QProgressBar(this);
    ProgressKey->setRange(0, 1000);
    ProgressKey->setTextVisible(false);
    ProgressKey->setAccessibleName(QStringLiteral("变调进度"));
    ButtonCancelKey = new QPushButton(QStringLiteral("取消变调"), this);
    ButtonCancelKey->setAccessibleName(QStringLiteral("取消变调"));
    LabelNote = new QLabel(this);
    LabelUnavailable = new QLabel(this);
    for (QLabel* l : {LabelNote, LabelUnavailable}) {
        SetTextColour(l, kTeal);
        l->setWordWrap(true);
    }

    grid->addWidget(label(QStringLiteral("人声音量"), TrackBarVoice), 0, 0);
    grid->addWidget(TrackBarVoice, 0, 1);
    grid->addWidget(voiceValue_, 0, 2);
    grid->addWidget(label(QStringLiteral("伴奏音量"), TrackBarAccompaniment), 1, 0);
    grid->addWidget(TrackBarAccompaniment, 1, 1);
    grid->addWidget(accompanimentValue_, 1, 2);
    grid->addWidget(label(QStringLiteral("混响"), ComboReverb), 2, 0);
    grid->addWidget(ComboReverb, 2, 1, 1, 2);
    grid->addWidget(label(QStringLiteral("升降调"), SpinKey), 3, 0);
    grid->addWidget(SpinKey, 3, 1, 1, 2);
    grid->addWidget(ProgressKey, 4, 1);
    grid->addWidget(ButtonCancelKey, 4, 2);
    grid->addWidget(CheckLoudness, 5, 0, 1, 3);
    grid->addWidget(LabelNote, 6, 0, 1, 3);
    grid->addWidget(LabelUnavailable, 7, 0, 1, 3);
    AddLiveControls(grid, 8);
    setFixedWidth(320);

    // The plugin behind the reverb may be missing; the rest works without it.
    if (const auto reverb = effects::VoiceReverb::create(effects::ReverbPreset::Ktv, 44100, 1);
        !reverb) {
        ComboReverb->setEnabled(false);
        LabelUnavailable->setText(QStringLiteral("混响不可用：") + reverb.failure().text);
    }

    keySettle_.setSingleShot(true);
    keySettle_.setInterval(kKeySettleMs);
    connect(&keySettle_, &QTimer::timeout, this, [this] { controller_.SetKey(SpinKey->value()); });
    connect(TrackBarVoice, &QSlider::valueChanged, this, [this](int value) {
        voiceValue_->setText(Percent(value));
        if (!showing_) controller_.SetVoicePercent(value);
    });
    connect(TrackBarAccompaniment, &QSlider::valueChanged, this, [this](int value) {
        accompanimentValue_->setText(Percent(value));
        if (!showing_) controller_.SetAccompanimentPercent(value);
    });
    connect(ComboReverb, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!showing_ && index >= 0) controller_.SetReverb(kPresets[index]);
    });
    connect(SpinKey, &QSpinBox::valueChanged, this, [this] {
        if (!showing_) keySettle_.start();
    });
    connect(CheckLoudness, &QCheckBox::toggled, this, [this](bool on) {
        if (!showing_) controller_.SetEvenLoudness(on);
    });
    connect(ButtonCancelKey, &QPushButton::clicked, this, [this] { controller_.CancelKeyChange(); });
    SetKeyProgress(-1);
}

void TFormStudio::ShowSettings(const StudioSettings& s) {
    showing_ = true;
    keySettle_.stop();
    TrackBarVoice->setValue(s.mix.voicePercent);
    voiceValue_->setText(Percent(s.mix.voicePercent));
    CheckMonitor->setChecked(s.monitorOn);
    TrackBarMonitor->setValue(s.monitorPercent);
    monitorValue_->setText(QString::number(s.monitorPercent) + QLatin1Char('%'));
    TrackBarAccompaniment->setValue(s.mix.accompanimentPercent);
    accompanimentValue_->setText(Percent(s.mix.accompanimentPercent));
    ComboReverb->setCurrentIndex(static_cast<int>(s.mix.reverb));
    SpinKey->setValue(s.keySemitones);
    CheckLoudness->setChecked(s.mix.evenLoudness);
    showing_ = false;
}

void TFormStudio::SetKeyEditable(bool editable) {
    keyEditable_ = editable;
    SpinKey->setEnabled(editable && !ProgressKey->isVisible());
}

void TFormStudio::SetKeyProgress(double shareDone) {
    const bool running = shareDone >= 0;
    ProgressKey->setVisible(running);
    ButtonCancelKey->setVisible(running);
    ProgressKey->setValue(running ? static_cast<int>(shareDone * 1000) : 0);
    // Another key only once this one is made (or cancelled).
    SpinKey->setEnabled(keyEditable_ && !running);
}

void TFormStudio::SetNote(const QString& text) { LabelNote->setText(text); }

void TFormStudio::ShowBesideOwner() {
    if (QWidget* owner = parentWidget()) {
        adjustSize();
        QPoint at = owner->frameGeometry().topRight() + QPoint(8, 0);
        if (const QScreen* screen = owner->screen();
            screen && at.x() + width() > screen->availableGeometry().right()) {
            at = owner->geometry().center() - rect().center();
        }
        move(at);
    }
    show();
    raise();
    activateWindow();
}

void TFormStudio::AddLiveControls(QGridLayout* grid, int row) {
    const auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        SetTextColour(l, kTeal);
        l->setBuddy(buddy);
        return l;
    };
    ComboMicrophone = new QComboBox(this);
    ComboMicrophone->setAccessibleName(QStringLiteral("话筒"));
    CheckMonitor = new QCheckBox(QStringLiteral("耳返"), this);
    CheckMonitor->setAccessibleName(QStringLiteral("耳返"));
    TrackBarMonitor = new QSlider(Qt::Horizontal, this);
    TrackBarMonitor->setRange(0, 100);
    TrackBarMonitor->setSingleStep(5);
    TrackBarMonitor->setPageStep(10);
    TrackBarMonitor->setAccessibleName(QStringLiteral("耳返音量"));
    TrackBarMonitor->setToolTip(QStringLiteral("耳返音量"));
    monitorValue_ = new QLabel(this);
    LabelMonitorHint = new QLabel(QStringLiteral("耳返请戴耳机，以免啸叫"), this);
    LabelLiveNote = new QLabel(this);
    ButtonLatencyTest = new QPushButton(QStringLiteral("测试延迟"), this);
    ButtonLatencyTest->setAccessibleName(QStringLiteral("测试延迟"));
    LabelCorrection = new QLabel(this);
    ButtonClearCorrection = new QPushButton(QStringLiteral("清除校正"), this);
    ButtonClearCorrection->setAccessibleName(QStringLiteral("清除延迟校正"));
    LabelLatencyNote = new QLabel(this);
    for (QLabel* l : {LabelMonitorHint, LabelLiveNote, LabelCorrection, LabelLatencyNote}) {
        SetTextColour(l, kTeal);
        l->setWordWrap(true);
    }

    grid->addWidget(label(QStringLiteral("话筒"), ComboMicrophone), row, 0);
    grid->addWidget(ComboMicrophone, row, 1, 1, 2);
    grid->addWidget(LabelLiveNote, row + 1, 0, 1, 3);
    grid->addWidget(CheckMonitor, row + 2, 0);
    grid->addWidget(TrackBarMonitor, row + 2, 1);
    grid->addWidget(monitorValue_, row + 2, 2);
    grid->addWidget(LabelMonitorHint, row + 3, 0, 1, 3);
    grid->addWidget(ButtonLatencyTest, row + 4, 0);
    grid->addWidget(LabelCorrection, row + 4, 1);
    grid->addWidget(ButtonClearCorrection, row + 4, 2);
    grid->addWidget(LabelLatencyNote, row + 5, 0, 1, 3);

    connect(ComboMicrophone, &QComboBox::activated, this,
            [this](int index) { live_.microphones.Choose(index); });
    connect(CheckMonitor, &QCheckBox::toggled, this, [this](bool on) {
        if (!showing_) live_.aids.SetMonitor(on);
    });
    connect(TrackBarMonitor, &QSlider::valueChanged, this, [this](int value) {
        monitorValue_->setText(QString::number(value) + QLatin1Char('%'));
        if (!showing_) live_.aids.SetMonitorPercent(value);
    });
    connect(ButtonLatencyTest, &QPushButton::clicked, this, [this] { live_.latency.Run(); });
    connect(ButtonClearCorrection, &QPushButton::clicked, this,
            [this] { live_.latency.ClearCorrection(); });
    SetLatencyCorrection(std::nullopt);
}

void TFormStudio::ShowMicrophones(const QStringList& descriptions, int current) {
    const QSignalBlocker quiet(ComboMicrophone);
    ComboMicrophone->clear();
    ComboMicrophone->addItems(descriptions);
    ComboMicrophone->setCurrentIndex(current);
    ComboMicrophone->setEnabled(!descriptions.isEmpty());
}

void TFormStudio::SetLiveNote(const QString& text) { LabelLiveNote->setText(text); }

void TFormStudio::SetLatencyCorrection(std::optional<int> ms) {
    LabelCorrection->setText(ms ? QStringLiteral("延迟校正 %1 ms").arg(*ms)
                                : QStringLiteral("延迟校正：无"));
    ButtonClearCorrection->setEnabled(ms.has_value());
}

void TFormStudio::SetLatencyTestRunning(bool running) {
    ButtonLatencyTest->setEnabled(!running);
    if (running) ButtonClearCorrection->setEnabled(false);
}

void TFormStudio::SetLatencyNote(const QString& text) { LabelLatencyNote->setText(text); }

void TFormStudio::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    live_.aids.StudioWindowShown(true);
}

void TFormStudio::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    live_.aids.StudioWindowShown(false);
}
