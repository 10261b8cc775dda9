#include "app/TFormMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QImageReader>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>
#include <QTimer>
#include <QUrl>

#include "app/ExitReport.h"
#include "app/FileDialogs.h"
#include "app/LyricsFolderHint.h"
#include "app/PaneFocusSwitch.h"
#include "app/SitePane.h"
#include "app/TFormMsg.h"
#include "app/TFormStudio.h"
#include "app/UpdaterLaunch.h"
#include "app/WindowAccessibility.h"
#include "app/WindowLook.h"
#include "controls/ClickableLabel.h"
#include "controls/LevelMeterBar.h"
#include "controls/LyricLabel.h"
#include "controls/TCGauge.h"
#include "controls/TEzRgnBtn.h"
#include "controls/TImageList.h"
#include "audio/ui/TFormWavToMp3.h"
#include "base/Global.h"
#include "base/SiteHosts.h"

namespace {

const QColor kBackground(234, 244, 254);
const QColor kTeal(0, 128, 128);
const QColor kNavy(0, 0, 128);
const QColor kGrey(128, 128, 128);
const QColor kBorder(223, 223, 223);
const QColor kGaugeFill(133, 206, 238);
// 50 frames a second: the lyric wipe moves smoothly, also when the timer
// comes late.
constexpr int kLyricsFrameMs = 20;

// The skin's pictures are our own PNG files: the toolkit's PNG reader reads
// them directly, instead of first loading every installed image plugin to ask
// whether it knows the file, which costs the start a millisecond or more.
QImage Skin(const char* name) {
    QImageReader reader(QStringLiteral(":/skin/%1.png").arg(QLatin1String(name)), "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QLabel* MakeLabel(QWidget* parent, const QString& text, QRect geometry, const QColor& colour) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    SetTextColour(label, colour);
    return label;
}

// Labels that are not of a fixed size take the size of their text at their
// place, at least the size they were given: our fonts' line height is taller
// than the 12 pixels the layout was drawn for, and underlines sit below it.
void AutoSize(QLabel* label) {
    const QSize fit = label->sizeHint();
    label->resize(qMax(label->width(), fit.width()), qMax(label->height(), fit.height()));
}

struct Faces {
    const char* idle;
    const char* up;  // null: hovering shows the idle face
    const char* down;
    const char* disabled;  // null: a disabled button shows the idle face
};

TEzRgnBtn* MakeButton(QWidget* parent, QPoint at, const QString& hint, const Faces& faces) {
    auto* button = new TEzRgnBtn(parent);
    button->move(at);
    button->SetPicIdle(Skin(faces.idle));
    if (faces.up) button->SetPicUp(Skin(faces.up));
    if (faces.down) button->SetPicDown(Skin(faces.down));
    if (faces.disabled) button->SetPicDsbld(Skin(faces.disabled));
    // Pictures first, then the mode, so the cut follows the loaded idle face.
    button->SetPaintMode(pmCrop);
    button->setCursor(Qt::PointingHandCursor);
    button->setToolTip(hint);
    return button;
}

QSlider* MakeVolumeSlider(QWidget* parent, QRect geometry, const QString& hint) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setGeometry(geometry);
    slider->setRange(0, 10);
    slider->setSingleStep(1);
    slider->setPageStep(1);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(1);
    slider->setToolTip(hint);
    return slider;
}

}  // namespace

TFormMain::TFormMain(const QString& programPath, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      Session(static_cast<MainWindowView&>(*this)),
      sound_(OpenSoundDevices()),
      recorder_(std::make_unique<TAudioRecord>(std::move(sound_.input))),
      Recorder(recorder_.get()),
      MediaPlayer(sound_.player.get()),
      Take(*this, *recorder_, *sound_.player),
      Import(*this),
      Export(*this, Take),
      Studio(*this, StudioSettingsPath()),
      Corrections(LatencyCorrectionsPath()),
      Live(*this, *this, *sound_.liveInput, *sound_.monitor, [this] { Studio.KeepSettings(); }),
      Microphones(*this, *this, *sound_.sources, [this] { Studio.KeepSettings(); },
                  [this] {
                      Live.MicrophoneChanged();
                      Latency.ShowCorrection();
                  }),
      Latency(*this, *this, *recorder_, *sound_.player, Microphones, Live, Corrections) {
    Live.UseMicrophones(&Microphones);
    State.setPhaseHandler([this](TakePhase phase) { Live.PhaseChanged(phase); });
    VoiceInputForTake = [this] { return Latency.ForTake(); };
    OpenDialog = [this] { return ChooseAccompaniment(this); };
    // Beside the accompaniment, else in the user's music folder.
    SaveDialog = [this](const QString& proposed) {
        return ChooseMp3Destination(
            this, proposed, MusicFile.isEmpty() ? QString() : QFileInfo(MusicFile).absolutePath());
    };
    programFileName_ = FileNamePart(programPath);
    CreateComponents();
    Site = new SitePane(*this, Import, SitePaneHost);
    Construct(programPath);
    ConnectHandlers();
    MakeWindowAccessible(*this);
    LabelSelbanzou->setFocus();
    new PaneFocusSwitch(
        this, SitePaneHost, [this] { return Site->CppWebBrowser; }, LabelSelbanzou);
    LabelText->setText(LyricsFolderHint(TempFolder(), WorkFilesBesideProgram(), QDir::homePath(),
                                        LabelText->fontMetrics(), LabelText->width()));
}

void TFormMain::ConnectHandlers() {
    connect(EzRgnBtnRecord, &TEzRgnBtn::OnClick, this, [this] { Take.ButtonRecordClick(); });
    connect(EzRgnBtnPlay, &TEzRgnBtn::OnClick, this, [this] { Take.ButtonPlayClick(); });
    connect(TimerText, &QTimer::timeout, this, [this] { Take.TimerTextTimer(); });
    connect(TimerLyrics, &QTimer::timeout, this, [this] { Take.LyricsFrame(); });
    connect(LabelSelbanzou, &ClickableLabel::clicked, this,
            [this] { Import.ButtonImportBGsoundClick(); });
    connect(EzRgnBtnSave, &TEzRgnBtn::OnClick, this, [this] { Export.ButtonSaveMp3Click(); });
    connect(EzRgnBtnStudio, &TEzRgnBtn::OnClick, this, &TFormMain::ButtonStudioClick);
}

void TFormMain::CreateComponents() {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Quaviro Tavimo"));
    setFixedSize(600, 400);
    SetBackground(this, kBackground);
    setFont(WindowFont(12));

    LabelText = new LyricLabel(
        QStringLiteral("在本软件文件夹temp子目录中放入同名的LRC歌词文件，即可动态显示歌词"), this);
    LabelText->setGeometry(QRect(52, 364, 501, 17));
    SetTextColour(LabelText, kTeal);
    LabelText->setFillColour(kNavy);
    LabelText->setWordWrap(true);

    Image1 = new QLabel(this);
    Image1->setPixmap(QPixmap::fromImage(Skin("volume_master")));
    Image1->move(248, 279);
    Image1->adjustSize();
    Image1->setToolTip(QStringLiteral("主音量"));
    Image2 = new QLabel(this);
    Image2->setPixmap(QPixmap::fromImage(Skin("volume_mic")));
    Image2->move(112, 279);
    Image2->adjustSize();
    Image2->setToolTip(QStringLiteral("麦克风音量"));

    LabelCaption = MakeLabel(this, QStringLiteral("QUAVIRO录歌"), QRect(16, 8, 70, 14), Qt::black);
    // The title is Latin and Chinese in 70 pixels: a font with half-width
    // Latin letters keeps it clear of the version text beside it.
    QFont captionFont = WindowFont(14);
    captionFont.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                             QStringLiteral("Noto Sans Mono CJK SC")});
    captionFont.setBold(true);
    LabelCaption->setFont(captionFont);

    LabelSelbanzou = new ClickableLabel(QStringLiteral("选取本地伴奏"), this);
    LabelSelbanzou->setGeometry(24, 288, 72, 12);
    SetTextColour(LabelSelbanzou, kGrey);
    QFont underlined = font();
    underlined.setUnderline(true);
    LabelSelbanzou->setFont(underlined);
    LabelSelbanzou->setCursor(Qt::PointingHandCursor);

    LabelTimeTotal = MakeLabel(this, QStringLiteral("/00:00"), QRect(470, 334, 36, 12), kNavy);
    LabelTimeDone = MakeLabel(this, QStringLiteral("00:00"), QRect(438, 334, 30, 12), kNavy);
    LabelTextNext = MakeLabel(this, QStringLiteral("下一句"), QRect(76, 382, 421, 17), kTeal);
    LabelTextNext->setWordWrap(true);
    Label1 = MakeLabel(this, QStringLiteral("歌词："), QRect(16, 364, 36, 12), kTeal);
    Label3 = MakeLabel(this, QStringLiteral("版本: 2009.5.12"), QRect(102, 10, 90, 12), kGrey);
    LabelCur = MakeLabel(this, QStringLiteral("请先导入伴奏"), QRect(120, 316, 72, 12), kTeal);
    // The status line grows with its text up to the preview button.
    LabelCur->resize(514 - 4 - 120, LabelCur->height());
    for (QLabel* label : {LabelCaption, static_cast<QLabel*>(LabelSelbanzou), LabelTimeTotal,
                          LabelTimeDone, Label1, Label3, LabelCur}) {
        AutoSize(label);
    }

    TrackBarOut = MakeVolumeSlider(this, QRect(288, 283, 73, 25), QStringLiteral("主音量"));
    TrackBarIn = MakeVolumeSlider(this, QRect(144, 283, 73, 25), QStringLiteral("麦克风音量"));
    // In the free strip between the slider and the status line.
    MeterIn = new LevelMeterBar(this);
    MeterIn->setGeometry(146, 309, 69, 5);
    MeterIn->setAccessibleName(QStringLiteral("话筒电平"));
    MeterIn->setToolTip(QStringLiteral("话筒电平"));

    EzRgnBtnMini = MakeButton(this, {519, 6}, QStringLiteral("最小化"),
                              {"mini_idle", "mini_up", "mini_down", nullptr});
    EzRgnBtnHelp = MakeButton(this, {543, 7}, QStringLiteral("帮助"),
                              {"help_idle", "help_up", "help_down", nullptr});
    EzRgnBtnClose = MakeButton(this, {567, 7}, QStringLiteral("关闭"),
                               {"close_idle", "close_up", "close_down", nullptr});

    SitePaneHost = new QWidget(this);
    SitePaneHost->setGeometry(16, 36, 569, 242);

    Panel1 = new QFrame(this);
    Panel1->setFrameShape(QFrame::NoFrame);
    Panel1->setGeometry(120, 332, 313, 19);
    SetBackground(Panel1, QColor(160, 196, 228));
    ProgressBar = new TCGauge(Panel1);
    ProgressBar->setGeometry(1, 1, 311, 17);
    ProgressBar->SetForeColor(kGaugeFill);
    ProgressBar->setToolTip(QStringLiteral("歌曲进度"));

    // The preview and record buttons change faces, so hovering shows the
    // current face rather than a hover picture of the first one.
    EzRgnBtnPlay = MakeButton(this, {514, 328}, QStringLiteral("试听"),
                              {"play_0", nullptr, "play_down", "play_disabled"});
    EzRgnBtnPlay->SetEnabled(false);
    EzRgnBtnSave = MakeButton(this, {431, 282}, QStringLiteral("保存歌曲"),
                              {"save_idle", "save_up", "save_down", "save_disabled"});
    EzRgnBtnSave->SetEnabled(false);
    EzRgnBtnUpload = MakeButton(this, {514, 282}, QStringLiteral("上传歌曲"),
                                {"upload_idle", "upload_up", "upload_down", "upload_disabled"});
    EzRgnBtnRecord = MakeButton(this, {15, 315}, QStringLiteral("开始录歌"),
                                {"record_0", nullptr, "record_down", "record_disabled"});
    // In the free space between the playback volume and the save button.
    EzRgnBtnStudio = MakeButton(this, {368, 282}, QStringLiteral("调音"),
                                {"studio_idle", "studio_up", "studio_down", "studio_disabled"});

    TimerText = new QTimer(this);
    TimerText->setInterval(1000);
    TimerLyrics = new QTimer(this);
    TimerLyrics->setInterval(kLyricsFrameMs);
    TimerLyrics->setTimerType(Qt::PreciseTimer);

    imageListStart_ = std::make_unique<TImageList>(
        QList<QImage>{Skin("record_0"), Skin("record_1"), Skin("record_2")});
    imageListPlay_ = std::make_unique<TImageList>(QList<QImage>{Skin("play_0"), Skin("play_1")});
    ImageListStart = imageListStart_.get();
    ImageListPlay = imageListPlay_.get();

    TimerShow = new QTimer(this);
    TimerShow->setInterval(1000);
    connect(TimerShow, &QTimer::timeout, this, &TFormMain::TimerShowTimer);
    TimerShow->start();

    connect(EzRgnBtnMini, &TEzRgnBtn::OnClick, this, &TFormMain::EzRgnBtnMiniClick);
    connect(EzRgnBtnHelp, &TEzRgnBtn::OnClick, this, &TFormMain::EzRgnBtnHelpClick);
    connect(EzRgnBtnClose, &TEzRgnBtn::OnClick, this, &TFormMain::EzRgnBtnCloseClick);
    connect(EzRgnBtnUpload, &TEzRgnBtn::OnClick, this, &TFormMain::ButtonUploadClick);
}

void TFormMain::Construct(const QString& programPath) {
    MusicFile.clear();
    LyricTitle.clear();
    LyricArtist.clear();
    OpenTime = QDateTime();
    // The work folder, the temp folder and the settings file's path; the
    // temp folder made now, a failure showing later, where work files are
    // written.
    SetWorkFolders(programPath);
    QDir().mkpath(TempFolder());
    // Until an accompaniment is imported, a take is recorded in this format.
    InitWavHeader(CurrentFormat, 1, 44100, 16);
    MainMixer = TMixer(std::move(sound_.mixer));
    // The mixer reports changes made outside the program to the sliders.
    mixerBinding_ = new MixerBinding(TrackBarIn, TrackBarOut, MainMixer, this);
    // A missing or unreadable settings file leaves the list empty.
    LyricLines.clear();
    Settings.LoadFromFile(SettingsListPath());
    // The lyric line under the hint, the gauge and the status line start empty.
    Dragging = false;
    LabelTextNext->setText(QString());
    State.setGaugeProgress(0);
    LabelCur->setText(QString());
    OpenTime = QDateTime::currentDateTime();
}

void TFormMain::FinishStart() {
    // Loading the icon's pictures, talking to the sound server and starting
    // the browser engine take a while: the window is on screen first, and
    // these follow a moment later.
    QApplication::setWindowIcon(ProgramIcon());
    ConnectSound();
    Microphones.Start();
    Latency.ShowCorrection();
    Site->FormShow();
    // The keyboard starts on the window's first control, not in the pane.
    QWidget* focus = QApplication::focusWidget();
    if (!focus || SitePaneHost->isAncestorOf(focus)) LabelSelbanzou->setFocus();
}

void TFormMain::ConnectSound() {
    MainMixer.Open(mixerBinding_->NotificationTarget());
    mixerBinding_->PositionSliders();
    // The microphone records, and neither it nor the speakers are muted.
    MainMixer.SelectMicrophone();
    MainMixer.SetMicMute(0);
    MainMixer.SetMasterMute(0);
}

TFormMain::~TFormMain() {
    FormDestroy();
    MediaPlayer = nullptr;
    sound_.player.reset();
    MainMixer.Close();
}

void TFormMain::FormDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    // A read-only program folder: the settings simply are not saved.
    Settings.SaveToFile(SettingsListPath());
    Settings.Lines.clear();
    LyricLines.clear();
    Latency.Cancel();
    // Releases the capture device and its blocks.
    Recorder = nullptr;
    recorder_.reset();
}

void TFormMain::FormCloseQuery(bool& canClose) {
    // The window always closes; the report goes first.
    canClose = true;
    SendExitReport(OpenTime, MusicFile);
}

void TFormMain::closeEvent(QCloseEvent* event) {
    bool canClose = true;
    FormCloseQuery(canClose);
    if (canClose) {
        event->accept();
    } else {
        event->ignore();
    }
}

void TFormMain::paintEvent(QPaintEvent*) {
    if (!painted_) {
        painted_ = true;
        QTimer::singleShot(0, this, &TFormMain::FinishStart);
    }
    // A one-pixel light grey frame around the borderless window.
    QPainter painter(this);
    painter.setPen(kBorder);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, width() - 1, height() - 1);
}

QWidget* TFormMain::Control(WindowControl control) const {
    if (control == WindowControl::Import) return LabelSelbanzou;
    return Button(control);
}

TEzRgnBtn* TFormMain::Button(WindowControl control) const {
    switch (control) {
        case WindowControl::Record:
            return EzRgnBtnRecord;
        case WindowControl::Play:
            return EzRgnBtnPlay;
        case WindowControl::Save:
            return EzRgnBtnSave;
        case WindowControl::Upload:
            return EzRgnBtnUpload;
        case WindowControl::Import:
            break;
    }
    return nullptr;
}

void TFormMain::setControlEnabled(WindowControl control, bool enabled) {
    if (TEzRgnBtn* button = Button(control)) {
        button->SetEnabled(enabled);
    } else {
        LabelSelbanzou->setEnabled(enabled);
    }
}

void TFormMain::setControlTag(WindowControl control, int tag) {
    if (TEzRgnBtn* button = Button(control)) button->SetTag(tag);
}

void TFormMain::setButtonFace(WindowControl control, int frame) {
    if (control == WindowControl::Record) EzRgnBtnRecord->SetFace(*ImageListStart, frame);
    if (control == WindowControl::Play) EzRgnBtnPlay->SetFace(*ImageListPlay, frame);
}

void TFormMain::setControlHint(WindowControl control, const QString& hint) {
    Control(control)->setToolTip(hint);
}

void TFormMain::setStatus(const QString& text) { LabelCur->setText(text); }

void TFormMain::setElapsedTime(const QString& text) { LabelTimeDone->setText(text); }

void TFormMain::setTotalTime(const QString& text) { LabelTimeTotal->setText(text); }

void TFormMain::setGauge(int progress, int maximum) {
    ProgressBar->SetMaxValue(maximum);
    ProgressBar->SetProgress(progress);
}

void TFormMain::setLyricLines(const QString& current, const QString& next) {
    LabelText->setText(current);
    LabelTextNext->setText(next);
}

void TFormMain::setNextLyricLine(const QString& next) { LabelTextNext->setText(next); }

void TFormMain::setLyricFill(double characters) { LabelText->setFill(characters); }

void TFormMain::ButtonStudioClick() {
    if (!FormStudio) {
        FormStudio = new TFormStudio(Studio, {Microphones, Live, Latency}, this);
        FormStudio->ShowSettings(Studio.Settings());
        FormStudio->SetKeyEditable(keyEditable_);
        FormStudio->SetKeyProgress(keyProgress_);
        FormStudio->SetNote(Studio.Note());
        FormStudio->ShowMicrophones(microphones_, microphoneInUse_);
        FormStudio->SetLiveNote(liveNote_);
        FormStudio->SetLatencyCorrection(correctionMs_);
        FormStudio->SetLatencyTestRunning(latencyTestRunning_);
        FormStudio->SetLatencyNote(latencyNote_);
    }
    FormStudio->ShowBesideOwner();
}

void TFormMain::setInputLevel(const LevelReading& reading) {
    MeterIn->SetLevel(reading.levelDb, reading.peakDb, reading.clipping);
}

void TFormMain::showMicrophones(const QStringList& descriptions, int current) {
    microphones_ = descriptions;
    microphoneInUse_ = current;
    if (FormStudio) FormStudio->ShowMicrophones(descriptions, current);
}

void TFormMain::setLiveNote(const QString& text) {
    liveNote_ = text;
    if (FormStudio) FormStudio->SetLiveNote(text);
}

void TFormMain::setLatencyCorrection(std::optional<int> ms) {
    correctionMs_ = ms;
    if (FormStudio) FormStudio->SetLatencyCorrection(ms);
}

void TFormMain::setLatencyTestRunning(bool running) {
    latencyTestRunning_ = running;
    if (FormStudio) FormStudio->SetLatencyTestRunning(running);
}

void TFormMain::setLatencyNote(const QString& text) {
    latencyNote_ = text;
    if (FormStudio) FormStudio->SetLatencyNote(text);
}

void TFormMain::showStudioSettings(const StudioSettings& settings) {
    if (FormStudio) FormStudio->ShowSettings(settings);
}

void TFormMain::setKeyEditable(bool editable) {
    keyEditable_ = editable;
    if (FormStudio) FormStudio->SetKeyEditable(editable);
}

void TFormMain::setKeyProgress(double shareDone) {
    keyProgress_ = shareDone;
    if (FormStudio) FormStudio->SetKeyProgress(shareDone);
}

void TFormMain::setStudioNote(const QString& text) {
    if (FormStudio) FormStudio->SetNote(text);
}

void TFormMain::setLyricsBold(bool bold) {
    QFont font = LabelText->font();
    font.setBold(bold);
    LabelText->setFont(font);
}

void TFormMain::setCaption(const QString& caption) { setWindowTitle(caption); }

void TFormMain::setTimerRunning(bool running) {
    if (running) {
        TimerText->start();
        TimerLyrics->start();
    } else {
        TimerText->stop();
        TimerLyrics->stop();
    }
}

void TFormMain::setBusyCursor(bool busy) {
    if (busy) {
        setCursor(Qt::WaitCursor);
    } else {
        unsetCursor();
    }
}

std::unique_ptr<QObject> TFormMain::showNote(const QString& text) {
    auto note = std::make_unique<TFormMsg>(this);
    note->LabelMsg->setText(text);
    note->ShowCentred();
    return note;
}

QString TFormMain::chooseAccompaniment() { return OpenDialog ? OpenDialog() : QString(); }

QString TFormMain::chooseSongDestination(const QString& proposedName) {
    return SaveDialog ? SaveDialog(proposedName) : QString();
}

Status TFormMain::exportSong(const QString& mix, const QString& destination) {
    return ExportMp3(mix, destination, this);
}

// Window events reach the form only over its bare parts: a press over any
// child (label, picture, slider, button, the site pane) is not a drag.
void TFormMain::mousePressEvent(QMouseEvent* event) {
    if (childAt(event->position().toPoint()) == nullptr) ImageMouseDown();
    QWidget::mousePressEvent(event);
}

void TFormMain::mouseMoveEvent(QMouseEvent* event) {
    ImageMouseMove();
    QWidget::mouseMoveEvent(event);
}

void TFormMain::mouseReleaseEvent(QMouseEvent* event) {
    ImageMouseUp();
    QWidget::mouseReleaseEvent(event);
}

void TFormMain::ImageMouseDown() {
    Dragging = true;
    LastCursorPos = QCursor::pos();
}

void TFormMain::ImageMouseMove() {
    const QPoint p = QCursor::pos();
    if (Dragging && p != LastCursorPos) {
        move(x() + p.x() - LastCursorPos.x(), y() + p.y() - LastCursorPos.y());
    }
    LastCursorPos = p;
}

void TFormMain::ImageMouseUp() { Dragging = false; }

void TFormMain::EzRgnBtnMiniClick() { showMinimized(); }

void TFormMain::EzRgnBtnCloseClick() { close(); }

void TFormMain::EzRgnBtnHelpClick() { QDesktopServices::openUrl(QUrl(HelpPageUrl())); }

void TFormMain::ButtonUploadClick() { QDesktopServices::openUrl(QUrl(MemberPageUrl())); }

void TFormMain::TimerShowTimer() {
    // Once per run.
    TimerShow->stop();
    LaunchUpdater(WorkFolder(), programFileName_);
}
