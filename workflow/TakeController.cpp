#include "workflow/TakeController.h"

#include <QFile>

#include "base/Global.h"
#include "workflow/LyricsDisplay.h"
#include "workflow/TakeMix.h"
#include "workflow/UserMessages.h"

namespace {
QString WorkFile(const char* name) { return TempFolder() + QLatin1String(name); }
}  // namespace

TakeController::TakeController(Session& session, TAudioRecord& recorder,
                               platform::WavPlayer& player)
    : s_(session), view_(session.View), recorder_(recorder), player_(player) {
    // What breaks off during a take is told as it happens.
    recorder_.setFailureHandler([](const Failure& failure) { ShowFailure(failure); });
}

QString TakeController::SongName() const { return StripFileExt(s_.MusicFile); }

void TakeController::ButtonRecordClick() {
    if (s_.State.phase() == TakePhase::Recording) {
        EndTake();
        return;
    }
    // The accompaniment is about to change: the take waits for it.
    if (s_.State.accompanimentBusy()) return;
    StartTake();
}

void TakeController::ButtonPlayClick() {
    if (s_.State.phase() == TakePhase::Previewing) {
        EndPreview();
    } else {
        StartPreview();
    }
}

void TakeController::StartTake() {
    // The player is the take's now.
    if (s_.State.phase() == TakePhase::Previewing) EndPreview();
    std::optional<ParsedLyrics> lyrics;
    Status begun = StartAccompaniment(lyrics);
    if (begun) {
        const VoiceInput voice = s_.VoiceInputForTake ? s_.VoiceInputForTake() : VoiceInput{};
        recorder_.SetDevice(voice.source);
        recorder_.SetCaptureCorrection(voice.correction);
        // The voice is always mono, at the accompaniment's rate and width,
        // and in time with the accompaniment as the singer hears it.
        begun = recorder_.Start(WorkFile("record.wav").toStdString(), 1,
                                static_cast<int>(s_.CurrentFormat.sampleRate),
                                s_.CurrentFormat.bitsPerSample,
                                s_.MusicFile.isEmpty() ? nullptr : &player_);
        if (!begun) {
            player_.close();
            // record.wav may hold the take before no more: it is not offered.
            view_.setControlEnabled(WindowControl::Play, false);
            view_.setControlEnabled(WindowControl::Save, false);
        }
    }
    if (!begun) {
        // Nothing else of the take started: the window stays as it was.
        view_.setStatus(QStringLiteral("未能开始录制 ") + SongName());
        ShowFailure(begun.failure());
        return;
    }
    s_.State.setPhase(TakePhase::Recording);
    s_.SungKey = s_.MusicFile.isEmpty() ? 0 : s_.AccompanimentKey;
    view_.setKeyEditable(false);
    view_.setStudioNote(QString());
    view_.setControlHint(WindowControl::Record, QStringLiteral("停止录歌"));
    for (WindowControl control :
         {WindowControl::Import, WindowControl::Save, WindowControl::Upload, WindowControl::Play}) {
        view_.setControlEnabled(control, false);
    }
    view_.setButtonFace(WindowControl::Record, 1);
    view_.setStatus(QStringLiteral("正在录制 ") + SongName() + QStringLiteral("..."));
    s_.State.startClock();
    QFile::remove(WorkFile("mix.wav"));
    if (!s_.MusicFile.isEmpty()) ShowLyrics(s_, lyrics);
}

// With an accompaniment, its lyrics are read and it starts to play, before
// the voice is recorded against it.
Status TakeController::StartAccompaniment(std::optional<ParsedLyrics>& lyrics) {
    if (s_.MusicFile.isEmpty()) return {};
    Result<std::optional<ParsedLyrics>> read = ReadLyricsFile(LyricsPathFor(s_.MusicFile));
    if (!read) return read.failure();
    lyrics = std::move(read).value();
    return Play(TempFolder() + AccompanimentFile(s_.AccompanimentKey));
}

Status TakeController::Play(const QString& path) {
    player_.setFileName(path);
    if (Status opened = player_.open(); !opened) return opened;
    Status playing = player_.play();
    if (!playing) player_.close();
    return playing;
}

void TakeController::EndTake() {
    s_.State.setPhase(TakePhase::Idle);
    view_.setControlHint(WindowControl::Record, QStringLiteral("重新录歌"));
    view_.setButtonFace(WindowControl::Record, 2);
    view_.setStatus(QStringLiteral("录制完毕 ") + SongName());
    const Status stopped = recorder_.Stop();
    player_.close();
    s_.State.stopClock();
    for (WindowControl control :
         {WindowControl::Import, WindowControl::Save, WindowControl::Upload, WindowControl::Play}) {
        view_.setControlEnabled(control, true);
    }
    view_.setKeyEditable(true);
    if (!stopped) ShowFailure(stopped.failure());
}

void TakeController::StartPreview() {
    std::optional<ParsedLyrics> lyrics;
    if (const Status begun = BeginPreview(lyrics); !begun) {
        ShowFailure(begun.failure());
        return;
    }
    s_.State.setPhase(TakePhase::Previewing);
    view_.setButtonFace(WindowControl::Play, 1);
    view_.setControlHint(WindowControl::Play, QStringLiteral("停止试听"));
    view_.setStatus(QStringLiteral("正在试听: ") + SongName() + QStringLiteral("..."));
    ShowLyrics(s_, lyrics);
    s_.State.startClock();
}

Status TakeController::BeginPreview(std::optional<ParsedLyrics>& lyrics) {
    // A mix is built once per take (the take's start deleted the last one),
    // and again when the singer's settings have changed since.
    if (!QFile::exists(WorkFile("mix.wav")) || !MixIsCurrent(s_)) {
        if (!QFile::exists(WorkFile("record.wav"))) {
            return Failure{FailureCause::Missing, QStringLiteral("请先录歌")};
        }
        if (Status mixed = MixDownTake(s_); !mixed) return mixed;
    }
    Result<std::optional<ParsedLyrics>> read = ReadLyricsFile(LyricsPathFor(s_.MusicFile));
    if (!read) return read.failure();
    lyrics = std::move(read).value();
    return Play(WorkFile("mix.wav"));
}

void TakeController::EndPreview() {
    s_.State.setPhase(TakePhase::Idle);
    view_.setButtonFace(WindowControl::Play, 0);
    view_.setControlHint(WindowControl::Play, QStringLiteral("试听"));
    view_.setStatus(QStringLiteral("停止试听: ") + SongName() + QStringLiteral("..."));
    s_.State.stopClock();
    if (const Status stopped = player_.stop(); !stopped) {
        ShowFailure(stopped.failure());
        return;
    }
    player_.close();
}

void TakeController::LyricsFrame() {
    const std::optional<platform::SoundTime> heard = player_.firstSampleHeardAt();
    std::optional<int> heardMs;
    if (heard && player_.isPlaying()) {
        heardMs = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                       platform::SoundClock::now() - *heard)
                                       .count());
    }
    FollowLyrics(s_, heardMs);
}

void TakeController::TimerTextTimer() {
    const int t = s_.State.tick();
    ShowLyricsAt(s_, t);
    view_.setElapsedTime(QString::asprintf("%02d:%02d", t / 60, t % 60));
    s_.State.setGaugeProgress(t);
    if (!s_.State.gaugeFull()) return;
    // The accompaniment is over; a take goes on recording until the user
    // ends it.
    s_.State.stopClock();
    if (const Status stopped = player_.stop(); !stopped) {
        ShowFailure(stopped.failure());
        return;
    }
    if (s_.State.phase() == TakePhase::Previewing) s_.State.setPhase(TakePhase::Idle);
    view_.setButtonFace(WindowControl::Play, 0);
}
