#include "workflow/StudioController.h"

#include <QDir>
#include <QFile>

#include "base/Global.h"
#include "effects/KeyShift.h"
#include "workflow/UserMessages.h"

namespace {

QString KeyName(int semitones) {
    return semitones == 0 ? QStringLiteral("原调") : QString::asprintf("%+d", semitones);
}

}  // namespace

StudioController::StudioController(Session& session, QString settingsPath)
    : s_(session), settingsPath_(std::move(settingsPath)) {
    s_.Studio = LoadStudioSettings(settingsPath_);
    s_.AccompanimentChanged = [this] { AccompanimentChanged(); };
}

StudioController::~StudioController() { s_.AccompanimentChanged = nullptr; }

void StudioController::Keep() {
    // The settings are the singer's convenience: a file that cannot be
    // written loses nothing of the take.
    (void)SaveStudioSettings(settingsPath_, s_.Studio);
    s_.View.setStudioNote(Note());
}

void StudioController::SetVoicePercent(int percent) {
    s_.Studio.mix.voicePercent = std::clamp(percent, 0, 200);
    Keep();
}

void StudioController::SetAccompanimentPercent(int percent) {
    s_.Studio.mix.accompanimentPercent = std::clamp(percent, 0, 200);
    Keep();
}

void StudioController::SetReverb(effects::ReverbPreset preset) {
    s_.Studio.mix.reverb = preset;
    Keep();
}

void StudioController::SetEvenLoudness(bool on) {
    s_.Studio.mix.evenLoudness = on;
    Keep();
}

void StudioController::SetKey(int semitones) {
    semitones = std::clamp(semitones, effects::kMinKeySemitones, effects::kMaxKeySemitones);
    // A take plays the key in force; the window does not offer a change then.
    if (s_.State.phase() == TakePhase::Recording) {
        s_.View.showStudioSettings(s_.Studio);
        return;
    }
    job_.reset();
    busy_.reset();
    s_.View.setKeyProgress(-1);
    s_.Studio.keySemitones = semitones;
    const QString copy = TempFolder() + AccompanimentFile(semitones);
    // Without an accompaniment, the key waits for one.
    if (s_.MusicFile.isEmpty() || effects::IsNeutralKey(semitones) || QFile::exists(copy)) {
        s_.AccompanimentKey = s_.MusicFile.isEmpty() ? 0 : semitones;
        Keep();
        return;
    }
    busy_ = std::make_unique<TakeState::BusyScope>(s_.State);
    s_.View.setKeyProgress(0);
    job_ = std::make_unique<KeyChangeJob>(
        TempFolder() + AccompanimentFile(0), copy, semitones,
        [this](double share) { s_.View.setKeyProgress(share); },
        [this, semitones](const Status& outcome) { KeyChangeEnded(semitones, outcome); });
    Keep();
}

void StudioController::KeyChangeEnded(int semitones, const Status& outcome) {
    busy_.reset();
    s_.View.setKeyProgress(-1);
    if (outcome) {
        s_.AccompanimentKey = semitones;
    } else {
        // The take goes on in the key whose copy there is.
        s_.Studio.keySemitones = s_.AccompanimentKey;
        s_.View.showStudioSettings(s_.Studio);
        ShowFailure(outcome.failure());
    }
    Keep();
    // Last: the job is being called from.
    job_.release()->deleteLater();
}

void StudioController::CancelKeyChange() {
    if (!job_) return;
    job_.reset();
    busy_.reset();
    s_.View.setKeyProgress(-1);
    s_.Studio.keySemitones = s_.AccompanimentKey;
    s_.View.showStudioSettings(s_.Studio);
    Keep();
}

void StudioController::AccompanimentChanged() {
    job_.reset();
    busy_.reset();
    const QDir temp(TempFolder());
    for (const QString& copy :
         temp.entryList({QStringLiteral("bgsound+*.wav"), QStringLiteral("bgsound-*.wav")})) {
        QFile::remove(temp.filePath(copy));
    }
    s_.AccompanimentKey = 0;
    SetKey(s_.Studio.keySemitones);
}

QString StudioController::Note() const {
    if (s_.SungKey == s_.Studio.keySemitones || !QFile::exists(TempFolder() + "record.wav")) {
        return QString();
    }
    return QStringLiteral("试听和保存用录歌时的音调（%1）").arg(KeyName(s_.SungKey));
}
