#include "workflow/LatencyTest.h"

#include <QFile>
#include <cmath>
#include <cstring>

#include "audio/WavWriter.h"
#include "base/Global.h"
#include "workflow/UserMessages.h"

namespace {

constexpr int kTailMs = 300;  // the last sound still on its way when the file ends

QString WorkFile(const char* name) { return TempFolder() + QLatin1String(name); }

bool WriteTones(const QString& path, const calibration::ToneSeries& tones) {
    WavHeader header{};
    InitWavHeader(header, 1, calibration::kRateHz, 16);
    WavWriter writer;
    if (!writer.create(path.toStdString(), header)) return false;
    writer.append(tones.samples.data(), tones.samples.size() * sizeof(int16_t));
    return writer.finish();
}

// The samples of a mono 16-bit work file the recorder wrote.
std::vector<int16_t> ReadVoice(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 44) return {};
    file.seek(44);
    const QByteArray bytes = file.readAll();
    std::vector<int16_t> samples(static_cast<size_t>(bytes.size()) / 2);
    std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
    return samples;
}

std::optional<int> WholeMs(std::optional<std::chrono::microseconds> us) {
    if (!us) return std::nullopt;
    return static_cast<int>(std::lround(us->count() / 1000.0));
}

}  // namespace

LatencyTest::LatencyTest(Session& session, LiveAidsView& view, TAudioRecord& recorder,
                         platform::WavPlayer& player, const MicrophoneChoice& microphones,
                         LiveAids& aids, LatencyCorrections& corrections)
    : s_(session),
      view_(view),
      recorder_(recorder),
      player_(player),
      microphones_(microphones),
      aids_(aids),
      corrections_(corrections),
      tones_(calibration::MakeToneSeries()) {
    done_.setSingleShot(true);
    done_.setInterval(static_cast<int>(tones_.samples.size() * 1000 / calibration::kRateHz) +
                      kTailMs);
    QObject::connect(&done_, &QTimer::timeout, [this] { Finish(); });
}

VoiceInput LatencyTest::ForTake() const {
    const auto correction =
        corrections_.forPair(microphones_.SinkName(), microphones_.SourceName());
    return {microphones_.InUse(), correction.value_or(std::chrono::microseconds(0))};
}

void LatencyTest::ShowCorrection() {
    view_.setLatencyCorrection(
        WholeMs(corrections_.forPair(microphones_.SinkName(), microphones_.SourceName())));
}

void LatencyTest::ClearCorrection() {
    if (running_) return;
    const Status cleared = corrections_.clear(microphones_.SinkName(), microphones_.SourceName());
    if (!cleared) ShowFailure(cleared.failure());
    ShowCorrection();
    view_.setLatencyNote(QString());
}

void LatencyTest::Run() {
    if (running_) return;
    if (s_.State.phase() != TakePhase::Idle || s_.State.accompanimentBusy()) {
        view_.setLatencyNote(QStringLiteral("录歌或试听时不能测试延迟"));
        return;
    }
    const QString tonesPath = WorkFile("latency-tones.wav");
    if (!WriteTones(tonesPath, tones_)) {
        view_.setLatencyNote(QStringLiteral("无法写入 ") + tonesPath);
        return;
    }
    aids_.HoldMonitor(true);
    player_.setFileName(tonesPath);
    Status begun = player_.open();
    if (begun) begun = player_.play();
    if (begun) {
        // As a take: the microphone in use, lined up by the server's word alone.
        recorder_.SetDevice(microphones_.InUse());
        recorder_.SetCaptureCorrection(std::chrono::microseconds(0));
        begun = recorder_.Start(WorkFile("latency.wav").toStdString(), 1, calibration::kRateHz,
                                16, &player_);
    }
    if (!begun) {
        player_.close();
        aids_.HoldMonitor(false);
        ShowFailure(begun.failure());
        return;
    }
    running_ = true;
    busy_ = std::make_unique<TakeState::BusyScope>(s_.State);
    view_.setLatencyTestRunning(true);
    view_.setLatencyNote(QStringLiteral("正在测试，请保持安静…"));
    done_.start();
}

void LatencyTest::Cancel() {
    if (!running_) return;
    done_.stop();
    (void)recorder_.Stop();
    player_.close();
    running_ = false;
    busy_.reset();
    aids_.HoldMonitor(false);
    view_.setLatencyTestRunning(false);
}

void LatencyTest::Finish() {
    const Status stopped = recorder_.Stop();
    player_.close();
    running_ = false;
    busy_.reset();
    aids_.HoldMonitor(false);
    view_.setLatencyTestRunning(false);
    if (!stopped) {
        Refuse(QStringLiteral("测试未成功"));
        ShowFailure(stopped.failure());
        return;
    }
    const calibration::ToneFinding found =
        calibration::FindTones(tones_, ReadVoice(WorkFile("latency.wav")));
    switch (found.verdict) {
        case calibration::ToneVerdict::NotHeard:
            return Refuse(QStringLiteral("没有听到测试音：请打开音箱、取下耳机，检查话筒"));
        case calibration::ToneVerdict::Inconsistent:
            return Refuse(QStringLiteral("测试音的延迟不一致，请在安静处重试"));
        case calibration::ToneVerdict::OutOfRange:
            return Refuse(QStringLiteral("测得的延迟超出 ±500 ms，未采用"));
        case calibration::ToneVerdict::Found:
            break;
    }
    const auto correction =
        std::chrono::microseconds(static_cast<int64_t>(std::lround(found.delayMs * 1000)));
    const Status kept =
        corrections_.store(microphones_.SinkName(), microphones_.SourceName(), correction);
    if (!kept) ShowFailure(kept.failure());
    ShowCorrection();
    view_.setLatencyNote(QStringLiteral("已测得延迟，之后的录歌按此校正"));
}

void LatencyTest::Refuse(const QString& note) {
    ShowCorrection();
    view_.setLatencyNote(note + QStringLiteral("（校正未改变）"));
}
