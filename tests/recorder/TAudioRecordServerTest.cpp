// The recorder against the test sound server (scripts/test-env): its default
// source is a 440 Hz sine, and tavimo_fifo_mic plays whatever is written to
// $TAVIMO_MIC_FIFO, which lets a test feed it in real time.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <numbers>
#include <thread>

#include "audio/TAudioRecord.h"
#include "platform/QtAudioInput.h"
#include "tests/support/OpenFiles.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/RecordedMessages.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavFiles.h"

namespace {

constexpr int kBlock = static_cast<int>(TAudioRecord::kBlockBytes);

// Recording streams the sound server has open, from any client.
int ServerRecordingStreams() {
    const ProgramRun pactl =
        RunProgram(QStringLiteral("pactl"), {"list", "short", "source-outputs"}, 5000);
    if (!pactl.finished) return -1;
    return pactl.output.count(QLatin1Char('\n'));
}

void ExpectSizesAgree(const WavContents& wav) {
    EXPECT_EQ(wav.fileBytes - 44, wav.header.dataSize);
    EXPECT_EQ(wav.fileBytes - 8, wav.header.riffSize);
}

// Writes a 440 Hz tone, 16-bit mono at 44100 Hz, into the FIFO source as the
// clock goes, for `duration` at most, until stopped.
class PacedToneWriter {
public:
    explicit PacedToneWriter(std::chrono::milliseconds duration) {
        const char* fifo = std::getenv("TAVIMO_MIC_FIFO");
        fd_ = fifo ? ::open(fifo, O_WRONLY | O_NONBLOCK) : -1;
        if (fd_ < 0) return;
        thread_ = std::thread([this, duration] { run(duration); });
    }
    ~PacedToneWriter() {
        stop();
        if (fd_ >= 0) ::close(fd_);
    }
    bool ok() const { return fd_ >= 0; }
    void stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    int64_t bytesWritten() const { return written_; }

private:
    void run(std::chrono::milliseconds duration) {
        using Clock = std::chrono::steady_clock;
        const auto begin = Clock::now();
        int64_t sent = 0;
        while (!stop_) {
            const auto elapsed = std::min<Clock::duration>(Clock::now() - begin, duration);
            const int64_t due =
                std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count() * 44100 /
                1000000;
            std::vector<int16_t> samples;
            for (int64_t i = sent; i < due; ++i) {
                samples.push_back(static_cast<int16_t>(
                    std::lround(12000 * std::sin(2 * std::numbers::pi * 440 * i / 44100.0))));
            }
            if (!samples.empty()) {
                const ssize_t n = ::write(fd_, samples.data(), samples.size() * 2);
                if (n > 0) written_ += n;
            }
            sent = due;
            if (elapsed >= duration) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    int fd_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int64_t> written_{0};
};

}  // namespace

TEST(RecorderOnServer, OneSecondTakeHoldsOneSecondOfTheInput) {
    RecordedMessages shown;
    TempDir dir;
    TAudioRecord recorder(2, std::make_unique<platform::QtAudioInput>("tavimo_fifo_mic"));
    ASSERT_TRUE(recorder.Start(dir.file("record.wav"), 1, 44100, 16))
        << shown.texts().join("|").toStdString();
    PacedToneWriter tone(std::chrono::milliseconds(1000));
    ASSERT_TRUE(tone.ok());
    EXPECT_TRUE(QTest::qWaitFor([&] { return tone.bytesWritten() >= 88200; }, 3000));
    tone.stop();
    QTest::qWait(200);  // the last pieces travel through the server
    recorder.Stop();

    const WavContents wav = ReadWavFile(dir.path("record.wav"));
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(88200, tone.bytesWritten());
    const int64_t data = wav.fileBytes - 44;
    EXPECT_EQ(0, data % kBlock) << "whole blocks only";
    EXPECT_LE(data, 88200);
    EXPECT_GE(data, 88200 - 3 * kBlock);
    ExpectSizesAgree(wav);
    EXPECT_EQ(1u, wav.header.channels);
    EXPECT_EQ(44100u, wav.header.sampleRate);
    EXPECT_EQ(16u, wav.header.bitsPerSample);
    EXPECT_NEAR(440, DominantFrequency(wav.samples, 44100), 5);
    EXPECT_TRUE(shown.texts().isEmpty());
}

TEST(RecorderOnServer, DefaultInputIsRecordedInTheGivenFormat) {
    RecordedMessages shown;
    TempDir dir;
    TAudioRecord recorder(2);
    for (const int rate : {44100, 22050}) {
        ASSERT_TRUE(recorder.Start(dir.file("record.wav"), 1, rate, 16));
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return QFile(dir.path("record.wav")).size() > 44 + 20 * kBlock; }, 3000));
        recorder.Stop();
        const WavContents wav = ReadWavFile(dir.path("record.wav"));
        ASSERT_TRUE(wav.ok);
        EXPECT_GT(wav.fileBytes, 44 + 20 * kBlock);
        EXPECT_EQ(0, (wav.fileBytes - 44) % kBlock);
        EXPECT_EQ(uint32_t(rate), wav.header.sampleRate);
        ExpectSizesAgree(wav);
        EXPECT_NEAR(440, DominantFrequency(wav.samples, rate), 5) << rate;
    }
    EXPECT_TRUE(shown.texts().isEmpty());
}

TEST(RecorderOnServer, StopRightAfterStartLeavesAnEmptyValidFile) {
    RecordedMessages shown;
    TempDir dir;
    TAudioRecord recorder(2);
    ASSERT_TRUE(recorder.Start(dir.file("record.wav"), 1, 44100, 16));
    recorder.Stop();
    QTest::qWait(100);  // blocks that come back now must not reach the file
    const WavContents wav = ReadWavFile(dir.path("record.wav"));
    ASSERT_TRUE(wav.ok);
    EXPECT_EQ(44, wav.fileBytes);
    EXPECT_EQ(36u, wav.header.riffSize);
    EXPECT_EQ(0u, wav.header.dataSize);
}

TEST(RecorderOnServer, FullDiskAtTheHeaderIsShownOnce) {
    RecordedMessages shown;
    TAudioRecord recorder(2);
    // /dev/full takes the open and refuses every write.
    EXPECT_FALSE(recorder.Start("/dev/full", 1, 44100, 16));
    QTest::qWait(100);
    recorder.Stop();
    EXPECT_EQ(QStringList{QStringLiteral("写入文件失败 /dev/full ") +
                          QString::fromLocal8Bit(std::strerror(ENOSPC))},
              shown.texts());
}

TEST(RecorderOnServer, DiskFullingDuringATakeIsShownOnceAndKeepsWhatWasWritten) {
    SmallDisk disk(64);
    if (!disk.available()) GTEST_SKIP() << "no permission to mount a small tmpfs";
    RecordedMessages shown;
    const std::string path = disk.path("record.wav").toStdString();
    TAudioRecord recorder(2);
    ASSERT_TRUE(recorder.Start(path, 1, 44100, 16));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !shown.texts().isEmpty(); }, 5000));
    QTest::qWait(200);  // blocks keep arriving; none may add a second message
    recorder.Stop();

    EXPECT_EQ(QStringList{QStringLiteral("写入文件失败 ") + QString::fromStdString(path) + " " +
                          QString::fromLocal8Bit(std::strerror(ENOSPC))},
              shown.texts());
    const WavContents wav = ReadWavFile(QString::fromStdString(path));
    ASSERT_TRUE(wav.ok);
    EXPECT_GT(wav.fileBytes, 44 + 10 * kBlock);
    EXPECT_LE(wav.fileBytes, 64 * 1024);
    ExpectSizesAgree(wav);
    EXPECT_NEAR(440, DominantFrequency(wav.samples, 44100), 5);
}

TEST(RecorderOnServer, HundredTakesLeaveNoFileDescriptorOrDeviceOpen) {
    RecordedMessages shown;
    TempDir dir;
    TAudioRecord recorder(2);
    // The toolkit's connection to the server is made once, by the first take.
    ASSERT_TRUE(recorder.Start(dir.file("record.wav"), 1, 44100, 16));
    recorder.Stop();
    const int before = OpenFileCount();
    // The last take's device stays open, paused, until the next Start.
    const int streams = ServerRecordingStreams();
    EXPECT_GE(streams, 1);
    for (int take = 0; take < 100; ++take) {
        ASSERT_TRUE(recorder.Start(dir.file("record.wav"), 1, 44100, 16)) << take;
        QCoreApplication::processEvents();
        recorder.Stop();
    }
    EXPECT_EQ(before, OpenFileCount());
    EXPECT_EQ(streams, ServerRecordingStreams());
    EXPECT_TRUE(ReadWavFile(dir.path("record.wav")).ok);
    EXPECT_TRUE(shown.texts().isEmpty());
}

// Run by NoServerMeansOpenErrorAndNoFile in a child process whose sound
// server address leads nowhere; not run on its own.
TEST(RecorderWithoutServer, DISABLED_ChildStartFails) {
    RecordedMessages shown;
    const QString folder = qEnvironmentVariable("TAVIMO_RECORDER_CHILD_DIR");
    ASSERT_FALSE(folder.isEmpty());
    TAudioRecord recorder(2);
    EXPECT_FALSE(recorder.Start((folder + "/record.wav").toStdString(), 1, 44100, 16));
    for (const QString& text : shown.texts()) std::printf("shown: %s\n", qPrintable(text));
}

TEST(RecorderWithoutServer, NoServerMeansOpenErrorAndNoFile) {
    TempDir dir;
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PULSE_SERVER", "unix:" + dir.path("no-server/native"));
    env.insert("TAVIMO_RECORDER_CHILD_DIR", dir.path());
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_also_run_disabled_tests",
                 "--gtest_filter=RecorderWithoutServer.DISABLED_ChildStartFails"});
    ASSERT_TRUE(child.waitForFinished(30000));
    const QString output = QString::fromLocal8Bit(child.readAllStandardOutput());
    EXPECT_EQ(0, child.exitCode()) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("shown: waveInOpen Error ")))
        << output.toStdString();
    EXPECT_EQ(1, output.count(QStringLiteral("shown: "))) << output.toStdString();
    EXPECT_FALSE(QFile::exists(dir.path("record.wav")));
}
