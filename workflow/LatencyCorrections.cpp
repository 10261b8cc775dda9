#include "workflow/LatencyCorrections.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>

namespace {

// Device names may hold any character; the key keeps them apart whatever they are.
QString Key(const std::string& sink, const std::string& source) {
    return QStringLiteral("corrections/") +
           QString::fromLatin1(QUrl::toPercentEncoding(QString::fromStdString(sink))) +
           QLatin1Char('+') +
           QString::fromLatin1(QUrl::toPercentEncoding(QString::fromStdString(source)));
}

Status Written(const QSettings& file, const QString& path) {
    if (file.status() != QSettings::NoError) {
        return Failure{FailureCause::Unwritable, QStringLiteral("无法保存延迟校正：") + path};
    }
    return {};
}

}  // namespace

QString LatencyCorrectionsPath() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(config)) config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/tavimo/latency.ini");
}

std::optional<std::chrono::microseconds> LatencyCorrections::forPair(
    const std::string& sink, const std::string& source) const {
    const QSettings file(path_, QSettings::IniFormat);
    bool ok = false;
    const qlonglong us = file.value(Key(sink, source)).toString().toLongLong(&ok);
    const auto limit = std::chrono::microseconds(kMaxCorrection).count();
    if (!ok || us < -limit || us > limit) return std::nullopt;
    return std::chrono::microseconds(us);
}

Status LatencyCorrections::store(const std::string& sink, const std::string& source,
                                 std::chrono::microseconds correction) {
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSettings file(path_, QSettings::IniFormat);
    file.setValue(Key(sink, source), static_cast<qlonglong>(correction.count()));
    file.sync();
    return Written(file, path_);
}

Status LatencyCorrections::clear(const std::string& sink, const std::string& source) {
    QSettings file(path_, QSettings::IniFormat);
    file.remove(Key(sink, source));
    file.sync();
    return Written(file, path_);
}
