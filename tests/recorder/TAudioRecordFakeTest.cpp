// The recorder against a fake input: the failures a real device gives only
// rarely, and the circulation of the blocks between input and recorder.
#include <gtest/gtest.h>

#include <QFile>
#include <cerrno>
#include <cstring>

#include "audio/TAudioRecord.h"
#include "tests/recorder/FakeAudioInput.h"
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
        recorder = std::make_unique<TAudioRecord>(2, std::move(owned));
    }
};

}  // namespace

TEST(RecorderFailures, NoDeviceShowsOpenErrorAndCreatesNoFile) {
    RecordedMessages shown;
    TempDir dir;
    FakeRecorder fake;
    fake.input->openResult = {2, QStringLiteral("no device")};
    EXPECT_FALSE(fake.recorder->Start(dir.file("record.wav"), 1, 44100, 16));
    EXPECT_EQ(QStringList{"waveInOpen Error 2 no device"}, shown.texts());
    EXPECT_FALSE(QFile::exists(dir.path("record.wav")));
}

TEST(RecorderFailures, RefusedPreparationAndQueueingHaveTheirOwnMessages) {
    TempDir dir;
    {
        RecordedMessages shown;
        FakeRecorder fake;
        fake.input->failPrepareAt = 3;
        EXPECT_FALSE(fake.recorder->Start(dir.file("record.wav"), 1, 44100, 16));
        EXPECT_EQ(QStringList{"waveInPrepareHeader Error the driver refused"}, shown.texts());
    }
    {
        RecordedMessages shown;
        FakeRecorder fake;
        fake.input->failQueueAt = 0;
        EXPECT_FALSE(fake.recorder->Start(dir.file("record.wav"), 1, 44100, 16));
        EXPECT_EQ(QStringList{"waveInAddBuffer Error the driver refused"}, shown.texts());
    }
    EXPECT_FALSE(QFile::exists(dir.path("record.wav")));
}

TEST(RecorderFailures, UncreatableFileNamesPathAndSystemText) {
    RecordedMessages shown;
    TempDir dir;
    FakeRecorder fake;
    const std::string path = dir.file("missing/record.wav");
    EXPECT_FALSE(fake.recorder->Start(path, 1, 44100, 16));
    EXPECT_EQ(QStringList{QStringLiteral("创建文件失败 ") + QString::fromStdString(path) + " " +
                          QString::fromLocal8Bit(std::strerror(ENOENT))},
              shown.texts());
}

TEST(RecorderBlocks, ReturnedBlocksAreWrittenInOrderAndQueuedAgain) {
    RecordedMessages shown;
    TempDir dir;
    FakeRecorder fake;
    ASSERT_TRUE(fake.recorder->Start(dir.file("record.wav"), 1, 22050, 16));
    EXPECT_EQ(TAudioRecord::kBlockBytes, fake.input->blockBytes());
    EXPECT_EQ(22050, fake.input->format().sampleRate);
    EXPECT_EQ(10u, fake.input->queuedCount());
    EXPECT_TRUE(fake.input->running());

    // More blocks than the queue holds: each one must have come back.
    for (int i = 0; i < 25; ++i) ASSERT_TRUE(fake.input->returnBlock(2646, char(i)));
    ASSERT_TRUE(fake.input->returnBlock(100, 'x'));  // a short block counts as it is
    EXPECT_EQ(10u, fake.input->queuedCount());
    fake.recorder->Stop();
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
    fake.recorder->Stop();  // never started
    EXPECT_EQ(0, fake.counts.opens);
    TempDir dir;
    ASSERT_TRUE(fake.recorder->Start(dir.file("record.wav"), 1, 44100, 16));
    fake.recorder->Stop();
    fake.recorder->Stop();  // the file is finished once; the second Stop changes nothing
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
        TAudioRecord recorder(2, std::move(owned));
        for (int take = 0; take < 100; ++take) {
            // Every tenth take the driver refuses a block half-way.
            input->failPrepareAt = take % 10 == 9 ? 5 : -1;
            const bool started = recorder.Start(dir.file("record.wav"), 1, 44100, 16);
            EXPECT_EQ(take % 10 != 9, started) << take;
            input->returnBlock(2646, 1);
            recorder.Stop();
            // One device at most, holding this take's blocks only.
            EXPECT_EQ(counts.opens - 1, counts.closes) << take;
            EXPECT_LE(input->preparedCount(), 10u) << take;
        }
        EXPECT_EQ(10, shown.texts().size());
    }
    EXPECT_EQ(counts.opens, counts.closes);
}
