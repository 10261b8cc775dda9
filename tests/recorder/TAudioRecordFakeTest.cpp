// The recorder against a fake input: the failures a real device gives only
// rarely, and the circulation of the blocks between input and recorder.
#include <gtest/gtest.h>

#include <QFile>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <numeric>

#include "audio/TAudioRecord.h"
#include "tests/support/FakeAudioInput.h"
#include "tests/support/FakeWavPlayer.h"
#include "tests/support/RecordedMessages.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"

namespace {

struct FakeRecorder {
    FakeAudioInput::Counts counts;
    FakeAudioInput* input = nullptr;
    std::unique_ptr<TAudioRecord> recorder;

    FakeRecorder() {
        auto owned = std::make_unique<FakeAudioInput>(&counts);
        input = owned.get();
        recorder = std::make_unique<TAudioRecord>(std::move(owned));
        recorder->setFailureHandler(ShowFailure);
    }
};

// One block of mono 16-bit samples numbered from `first`.
std::vector<char> Numbered(int first, size_t samples = TAudioRecord::kBlockBytes / 2) {
    std::vector<int16_t> values(samples);
    std::iota(values.begin(), values.end(), static_cast<int16_t>(first));
    const auto* bytes = reinterpret_cast<const char*>(values.data());
    return std::vector<char>(bytes, bytes + values.size() * 2);
}

constexpr int kBlockSamples = static_cast<int>(TAudioRecord::kBlockBytes / 2);

}  // namespace

using namespace std::chrono_literals;

TEST(RecorderFailures, NoDeviceShowsOpenErrorAndCreatesNoFile) {
    RecordedMessages shown;
    TempDir dir;
    FakeRecorder fake;
    fake.input->openResult =
        Failure{FailureCause::NoSound, QStringLiteral("no device"), FailureNotice::Simple, 2};
    EXPECT_FALSE(Told(fake.recorder->Start(dir.file("record.wav"), 1, 44100, 16)));
    EXPECT_EQ(QStringList{"waveInOpen Error 2 no device"}, shown.texts());
    EXPECT_FALSE(QFile::exists(dir.path("record.wav")));
}

TEST(RecorderFailures, RefusedPreparationAndQueueingHaveTheirOwnMessages) {
    TempDir dir;
    {
        RecordedMessages shown;
        FakeRecorder fake;
        fake.input->failPrepareAt = 3;
        EXPECT_FALSE(Told(fake.recorder->Start(dir.file("record.wav"), 1, 44100, 16)));
        EXPECT_EQ(QStringList{"waveInPrepareHeader Error the driver refused"}, shown.texts());
    }
    {
        RecordedMessages shown;
        FakeRecorder fake;
        fake.input->failQueueAt = 0;
        EXPECT_FALSE(Told(fake.recorder->Start(dir.file("record.wav"), 1, 44100, 16)));
        EXPECT_EQ(QStringList{"waveInAddBuffer Error the driver refused"}, shown.texts());
    }
    EXPECT_FALSE(QFile::exists(dir.path("record.wav")));
}

TEST(RecorderFailures, UncreatableFileNamesPathAndSystemText) {
    RecordedMessages shown;
    TempDir dir;
    FakeRecorder fake;
    const std::string path = dir.file("missing/record.wav");
    EXPECT_FALSE(Told(fake.recorder->Start(path, 1, 44100, 16)));
    EXPECT_EQ(QStringList{QStringLiteral("创建文件失败 ") + QString::fromStdString(path) + " " +
                          QString::fromLocal8Bit(std::strerror(ENOENT))},
              shown.texts());
}

TEST(RecorderBlocks, ReturnedBlocksAreWrittenInOrderAndQueuedAgain) {
    RecordedMessages shown;
    TempDir dir;
    FakeRecorder fake;
    ASSERT_TRUE(Told(fake.recorder->Start(dir.file("record.wav"), 1, 22050, 16)));
    EXPECT_EQ(TAudioRecord::kBlockBytes, fake.input->blockBytes());
    EXPECT_EQ(22050, fake.input->format().sampleRate);
    EXPECT_EQ(10u, fake.input->queuedCount());
    EXPECT_TRUE(fake.input->running());

    // More blocks than the queue holds: each one must have come back.
    for (int i = 0; i < 25; ++i) ASSERT_TRUE(fake.input->returnBlock(2646, char(i)));
    ASSERT_TRUE(fake.input->returnBlock(100, 'x'));  // a short block counts as it is
    EXPECT_EQ(10u, fake.input->queuedCount());
    Told(fake.recorder->Stop());
    EXPECT_FALSE(fake.input->running());
    // The partly filled block that stopping releases is not written.
    ASSERT_TRUE(fake.input->returnBlock(2000, 'z'));

    QFile file(dir.path("record.wav"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(44 + 25 * 2646 + 100, bytes.size());
    for (int i = 0; i < 25; ++i) EXPECT_EQ(char(i), bytes[44 + i * 2646 + 1000]) << i;
    EXPECT_EQ('x', bytes.back());
    const WavContents wav = ReadWavFile(dir.path("record.wav"));
    EXPECT_EQ(22050u, wav.header.sampleRate);
    EXPECT_EQ(1u, wav.header.channels);
    EXPECT_EQ(uint32_t(bytes.size() - 44), wav.header.dataSize);
    EXPECT_EQ(uint32_t(bytes.size() - 8), wav.header.riffSize);
    EXPECT_TRUE(shown.texts().isEmpty());
}

TEST(RecorderBlocks, StopWithoutFileOnlyStopsTheDevice) {
    RecordedMessages shown;
    FakeRecorder fake;
    Told(fake.recorder->Stop());  // never started
    EXPECT_EQ(0, fake.counts.opens);
    TempDir dir;
    ASSERT_TRUE(Told(fake.recorder->Start(dir.file("record.wav"), 1, 44100, 16)));
    Told(fake.recorder->Stop());
    Told(fake.recorder->Stop());  // the file is finished once; the second Stop changes nothing
    EXPECT_EQ(44, QFile(dir.path("record.wav")).size());
    EXPECT_TRUE(shown.texts().isEmpty());
}

TEST(RecorderBlocks, EveryDeviceAndBlockIsReleasedAcrossTakesAndFailures) {
    RecordedMessages shown;
    TempDir dir;
    FakeAudioInput::Counts counts;
    {
        auto owned = std::make_unique<FakeAudioInput>(&counts);
        FakeAudioInput* input = owned.get();
        TAudioRecord recorder(std::move(owned));
        recorder.setFailureHandler(ShowFailure);
        for (int take = 0; take < 100; ++take) {
            // Every tenth take the driver refuses a block half-way.
            input->failPrepareAt = take % 10 == 9 ? 5 : -1;
            const bool started = Told(recorder.Start(dir.file("record.wav"), 1, 44100, 16));
            EXPECT_EQ(take % 10 != 9, started) << take;
            input->returnBlock(2646, 1);
            Told(recorder.Stop());
            // One device at most, holding this take's blocks only.
            EXPECT_EQ(counts.opens - 1, counts.closes) << take;
            EXPECT_LE(input->preparedCount(), 10u) << take;
        }
        EXPECT_EQ(10, shown.texts().size());
    }
    EXPECT_EQ(counts.opens, counts.closes);
}

TEST(RecorderTiming, SoundCapturedBeforeTheAccompanimentWasHeardIsDropped) {
    RecordedMessages shown;
    TempDir dir;
    FakeRecorder fake;
    FakeWavPlayer player;
    const platform::SoundTime captured = platform::SoundClock::now();
    fake.input->capturedAt = captured;
    ASSERT_TRUE(Told(fake.recorder->Start(dir.file("record.wav"), 1, 44100, 16, &player)));
    // Until the player has been heard the voice is held back.
    ASSERT_TRUE(fake.input->returnBytes(Numbered(0)));
    EXPECT_EQ(44, QFile(dir.path("record.wav")).size());
    player.heardAt = captured + 10ms;  // 441 frames after the first one captured
    ASSERT_TRUE(fake.input->returnBytes(Numbered(kBlockSamples)));
    ASSERT_TRUE(fake.input->returnBytes(Numbered(2 * kBlockSamples)));
    Told(fake.recorder->Stop());

    const WavContents wav = ReadWavFile(dir.path("record.wav"));
    ASSERT_EQ(size_t(3 * kBlockSamples - 441), wav.samples.size());
    EXPECT_EQ(441, wav.samples.front());
    EXPECT_EQ(3 * kBlockSamples - 1, wav.samples.back());
    EXPECT_EQ(wav.fileBytes - 44, wav.header.dataSize);
    EXPECT_TRUE(shown.texts().isEmpty());
}

TEST(RecorderTiming, CaptureThatBeganLateIsMadeUpWithSilence) {
    TempDir dir;
    FakeRecorder fake;
    FakeWavPlayer player;
    const platform::SoundTime heard = platform::SoundClock::now();
    player.heardAt = heard;
    fake.input->capturedAt = heard + 10ms;
    ASSERT_TRUE(Told(fake.recorder->Start(dir.file("record.wav"), 1, 44100, 16, &player)));
    ASSERT_TRUE(fake.input->returnBytes(Numbered(1, 100)));
    Told(fake.recorder->Stop());
    const WavContents wav = ReadWavFile(dir.path("record.wav"));
    ASSERT_EQ(size_t(441 + 100), wav.samples.size());
    EXPECT_EQ(std::vector<int16_t>(441, 0),
              std::vector<int16_t>(wav.samples.begin(), wav.samples.begin() + 441));
    EXPECT_EQ(1, wav.samples[441]);
}

TEST(RecorderTiming, WithoutAccompanimentOnlyTheInputsLatencyIsTakenOff) {
    TempDir dir;
    FakeRecorder fake;
    // The input's first sample was at the microphone a second before Start.
    fake.input->capturedAt = platform::SoundClock::now() - 1s;
    ASSERT_TRUE(Told(fake.recorder->Start(dir.file("record.wav"), 1, 8000, 16)));
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(fake.input->returnBytes(Numbered(i * kBlockSamples)));
    Told(fake.recorder->Stop());
    const WavContents wav = ReadWavFile(dir.path("record.wav"));
    // 8000 frames (a second) dropped, to within the time Start itself took.
    ASSERT_NEAR(double(10 * kBlockSamples - 8000), double(wav.samples.size()), 8);
    EXPECT_NEAR(8000, wav.samples.front(), 8);
}

TEST(RecorderTiming, WithoutReportsTheVoiceIsKeptAsCaptured) {
    TempDir dir;
    FakeRecorder fake;
    FakeWavPlayer player;  // never heard
    ASSERT_TRUE(Told(fake.recorder->Start(dir.file("record.wav"), 1, 8000, 16, &player)));
    // Three seconds at 8000 Hz are 48000 bytes: until then the voice waits
    // for the reports, then it goes to the file as it is.
    for (int i = 0; i < 18; ++i) ASSERT_TRUE(fake.input->returnBytes(Numbered(i * kBlockSamples)));
    EXPECT_EQ(44, QFile(dir.path("record.wav")).size());
    ASSERT_TRUE(fake.input->returnBytes(Numbered(18 * kBlockSamples)));
    EXPECT_EQ(44 + 19 * 2646, QFile(dir.path("record.wav")).size());

    // And a Stop before that writes what was held as it is, too.
    ASSERT_TRUE(Told(fake.recorder->Start(dir.file("record.wav"), 1, 8000, 16, &player)));
    ASSERT_TRUE(fake.input->returnBytes(Numbered(5)));
    Told(fake.recorder->Stop());
    const WavContents wav = ReadWavFile(dir.path("record.wav"));
    ASSERT_EQ(size_t(kBlockSamples), wav.samples.size());
    EXPECT_EQ(5, wav.samples.front());
}

TEST(RecorderTiming, StopWritesTheLastPartlyFilledBlockTheInputHandsOver) {
    TempDir dir;
    FakeRecorder fake;
    ASSERT_TRUE(Told(fake.recorder->Start(dir.file("record.wav"), 1, 44100, 16)));
    ASSERT_TRUE(fake.input->returnBytes(Numbered(0)));
    // An input hands its last block over from within stop(), partly filled.
    fake.input->onStop = [&] { fake.input->returnBytes(Numbered(kBlockSamples, 300)); };
    Told(fake.recorder->Stop());
    EXPECT_EQ(44 + 2646 + 600, QFile(dir.path("record.wav")).size());
}

TEST(RecorderFailures, CaptureBreakingOffFinishesTheFileAndIsShownOnce) {
    RecordedMessages shown;
    TempDir dir;
    FakeRecorder fake;
    ASSERT_TRUE(Told(fake.recorder->Start(dir.file("record.wav"), 1, 44100, 16)));
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(fake.input->returnBytes(Numbered(i * kBlockSamples)));
    fake.input->breakOff({FailureCause::NoSound,
                          QStringLiteral("the connection to the sound server broke off"),
                          FailureNotice::Simple, 11});
    EXPECT_EQ(QStringList{"录音中断 11 the connection to the sound server broke off"},
              shown.texts());
    // The file is complete already, before the user ends the take.
    WavContents wav = ReadWavFile(dir.path("record.wav"));
    EXPECT_EQ(size_t(4 * kBlockSamples), wav.samples.size());
    EXPECT_EQ(wav.fileBytes - 44, wav.header.dataSize);
    EXPECT_EQ(wav.fileBytes - 8, wav.header.riffSize);
    Told(fake.recorder->Stop());
    EXPECT_EQ(1, shown.texts().size());
    EXPECT_EQ(wav.fileBytes, QFile(dir.path("record.wav")).size());

    // The next take starts afresh.
    ASSERT_TRUE(Told(fake.recorder->Start(dir.file("record.wav"), 1, 44100, 16)));
    ASSERT_TRUE(fake.input->returnBytes(Numbered(0)));
    Told(fake.recorder->Stop());
    EXPECT_EQ(44 + 2646, QFile(dir.path("record.wav")).size());
    EXPECT_EQ(1, shown.texts().size());
}
