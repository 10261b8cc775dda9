#include "workflow/StudioSettings.h"

#include <QDir>
#include <QFileInfo>
#include <cstdlib>
#include <QSettings>

#include "effects/KeyShift.h"

namespace {

// The integer under `key`, or `fallback` when it is missing, not a number
// or outside [low, high].
int Bounded(const QSettings& file, const char* key, int low, int high, int fallback) {
    bool ok = false;
    const int value = file.value(QLatin1String(key)).toString().toInt(&ok);
    return ok && value >= low && value <= high ? value : fallback;
}

}  // namespace

QString StudioSettingsPath() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(config)) config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/tavimo/studio.ini");
}

StudioSettings LoadStudioSettings(const QString& path) {
    const QSettings file(path, QSettings::IniFormat);
    StudioSettings s;
    s.mix.voicePercent = Bounded(file, "voice", 0, 200, s.mix.voicePercent);
    s.mix.accompanimentPercent = Bounded(file, "accompaniment", 0, 200, s.mix.accompanimentPercent);
    s.mix.reverb = static_cast<effects::ReverbPreset>(
        Bounded(file, "reverb", 0, int(effects::ReverbPreset::ConcertHall), 0));
    s.mix.evenLoudness = Bounded(file, "evenLoudness", 0, 1, 0) == 1;
    s.keySemitones =
        Bounded(file, "key", effects::kMinKeySemitones, effects::kMaxKeySemitones, 0);
    s.microphone = file.value(QStringLiteral("microphone")).toString().toStdString();
    s.monitorOn = Bounded(file, "monitor", 0, 1, 0) == 1;
    s.monitorPercent = Bounded(file, "monitorVolume", 0, 100, s.monitorPercent);
    return s;
}

Status SaveStudioSettings(const QString& path, const StudioSettings& s) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSettings file(path, QSettings::IniFormat);
    file.setValue(QStringLiteral("voice"), s.mix.voicePercent);
    file.setValue(QStringLiteral("accompaniment"), s.mix.accompanimentPercent);
    file.setValue(QStringLiteral("reverb"), int(s.mix.reverb));
    file.setValue(QStringLiteral("evenLoudness"), s.mix.evenLoudness ? 1 : 0);
    file.setValue(QStringLiteral("key"), s.keySemitones);
    file.setValue(QStringLiteral("microphone"), QString::fromStdString(s.microphone));
    file.setValue(QStringLiteral("monitor"), s.monitorOn ? 1 : 0);
    file.setValue(QStringLiteral("monitorVolume"), s.monitorPercent);
    file.sync();
    if (file.status() != QSettings::NoError) {
        return Failure{FailureCause::Unwritable, QStringLiteral("无法保存调音设置：") + path};
    }
    return {};
}

QString AccompanimentFile(int semitones) {
    if (semitones == 0) return QStringLiteral("bgsound.wav");
    return QStringLiteral("bgsound%1%2.wav")
        .arg(QLatin1Char(semitones > 0 ? '+' : '-'))
        .arg(std::abs(semitones));
}
