// The mixer control and the sliders against the test sound server
// (scripts/test-env): default source tavimo_sine_mic, default sink
// tavimo_speakers. Changes made with pactl play the part of the desktop's
// own volume panel.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QRegularExpression>
#include <QSlider>
#include <QTest>
#include <cstdlib>
#include <cstring>

#include "app/MixerBinding.h"
#include "audio/TMixer.h"
#include "platform/PulseMixerBackend.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/SilentSocket.h"
#include "tests/support/TempDir.h"

namespace {

const QString kSource = QStringLiteral("tavimo_sine_mic");
const QString kSink = QStringLiteral("tavimo_speakers");

QString Pactl(const QStringList& arguments) {
    return RunProgram(QStringLiteral("pactl"), arguments, 5000).output;
}

// The raw volume of the first channel, as pactl prints it; -1 if unreadable.
int ServerVolume(const QString& kind, const QString& name) {
    const QString text = Pactl({"get-" + kind + "-volume", name});
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral(R"(Volume:[^:]*:\s*(\d+))")).match(text);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

bool ServerMuted(const QString& kind, const QString& name) {
    return Pactl({"get-" + kind + "-mute", name}).contains(QStringLiteral("yes"));
}

void SetServer(const QString& what, const QString& name, const QString& value) {
    Pactl({"set-" + what, name, value});
}

// The mixer over a connection of its own to the server PULSE_SERVER names.
std::unique_ptr<platform::PulseMixerBackend> ServerMixer() {
    return std::make_unique<platform::PulseMixerBackend>(std::make_shared<platform::PulseServer>());
}

class MixerOnServer : public ::testing::Test {
protected:
    MixerOnServer() {
        in.setRange(0, 10);
        out.setRange(0, 10);
    }
    ~MixerOnServer() override {
        binding.reset();
        mixer.reset();
        // Leave the server as the other tests expect it.
        SetServer("source-volume", kSource, "65536");
        SetServer("sink-volume", kSink, "65536");
        SetServer("source-mute", kSource, "0");
        SetServer("sink-mute", kSink, "0");
    }

    // Opens the mixer as the main window does, up to positioned sliders.
    void OpenAndPosition() {
        auto owned = ServerMixer();
        backend = owned.get();
        mixer = std::make_unique<TMixer>(std::move(owned));
        binding = std::make_unique<MixerBinding>(&in, &out, *mixer);
        ASSERT_TRUE(mixer->Open(binding->NotificationTarget()));
        binding->PositionSliders();
    }

    QSlider in{Qt::Horizontal};
    QSlider out{Qt::Horizontal};
    platform::PulseMixerBackend* backend = nullptr;
    std::unique_ptr<TMixer> mixer;
    std::unique_ptr<MixerBinding> binding;
};

}  // namespace

TEST_F(MixerOnServer, SlidersStartAtTheServersVolumesAndMutesAreCleared) {
    SetServer("source-volume", kSource, "40000");  // 0.61: position 6
    SetServer("sink-volume", kSink, "20000");      // 0.305: position 3
    SetServer("source-mute", kSource, "1");
    SetServer("sink-mute", kSink, "1");
    OpenAndPosition();
    EXPECT_EQ(6, in.value());
    EXPECT_EQ(3, out.value());

    mixer->SelectMicrophone();  // the sine source has no ports: nothing to choose
    EXPECT_TRUE(mixer->SetMicMute(0));
    EXPECT_TRUE(mixer->SetMasterMute(0));
    EXPECT_FALSE(ServerMuted("source", kSource));
    EXPECT_FALSE(ServerMuted("sink", kSink));
    // Positioning wrote nothing back (a written-back position 6 would be 39321).
    EXPECT_EQ(40000, ServerVolume("source", kSource));
    EXPECT_EQ(20000, ServerVolume("sink", kSink));
}

TEST_F(MixerOnServer, OutsideChangesMoveTheirSliderWithoutWriteBack) {
    OpenAndPosition();
    ASSERT_EQ(10, in.value());
    ASSERT_EQ(10, out.value());
    ASSERT_TRUE(QTest::qWaitFor([&] { return backend->watching(); }, 3000));

    SetServer("source-volume", kSource, "45000");  // 0.687: position 7
    EXPECT_TRUE(QTest::qWaitFor([&] { return in.value() == 7; }, 3000)) << in.value();
    SetServer("sink-volume", kSink, "10000");  // 0.153: position 2
    EXPECT_TRUE(QTest::qWaitFor([&] { return out.value() == 2; }, 3000)) << out.value();
    EXPECT_EQ(7, in.value());
    QTest::qWait(200);  // room for a write back, if there were one
    EXPECT_EQ(45000, ServerVolume("source", kSource));
    EXPECT_EQ(10000, ServerVolume("sink", kSink));
}

TEST_F(MixerOnServer, MovingASliderChangesTheServersVolume) {
    OpenAndPosition();
    in.setValue(7);  // trunc(0.7 × 65535) = 45874
    EXPECT_NEAR(45874, ServerVolume("source", kSource), 1);
    in.setValue(0);
    EXPECT_EQ(0, ServerVolume("source", kSource));
    out.setValue(3);  // 19660
    EXPECT_NEAR(19660, ServerVolume("sink", kSink), 1);
    out.setValue(10);
    EXPECT_EQ(65536, ServerVolume("sink", kSink));  // full scale is the server's 100 %
    EXPECT_NEAR(1.0f, mixer->GetMasterVolume(), 1e-6);
    // The echo of our own writes leaves the sliders where they were put.
    QTest::qWait(200);
    EXPECT_EQ(0, in.value());
    EXPECT_EQ(10, out.value());
}

TEST_F(MixerOnServer, OneConnectionServesAllAndGoesWithTheMixer) {
    const auto clients = [] {
        return Pactl({"list", "clients"}).count(QStringLiteral("application.name = \"Tavimo\""));
    };
    ASSERT_EQ(0, clients());
    OpenAndPosition();
    ASSERT_TRUE(QTest::qWaitFor([&] { return backend->watching(); }, 3000));
    EXPECT_EQ(1, clients());  // reads, writes and notifications alike
    mixer->Close();
    EXPECT_FALSE(backend->watching());
    binding.reset();
    mixer.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return clients() == 0; }, 3000)) << clients();
}

TEST(MixerWithoutServer, OpenFailsQuietlyAndSlidersShowZero) {
    WithServerAddress("unix:/nonexistent/tavimo/native", [] {
        QSlider in(Qt::Horizontal), out(Qt::Horizontal);
        in.setRange(0, 10);
        out.setRange(0, 10);
        in.setValue(5);
        out.setValue(5);
        TMixer mixer(ServerMixer());
        MixerBinding binding(&in, &out, mixer);
        EXPECT_FALSE(mixer.Open(binding.NotificationTarget()));
        binding.PositionSliders();
        EXPECT_EQ(0, in.value());
        EXPECT_EQ(0, out.value());
        EXPECT_EQ(0.0f, mixer.GetMicVolume());
        EXPECT_FALSE(mixer.SetMicVolume(0.5f));
        EXPECT_FALSE(mixer.SetMasterMute(0));
        mixer.SelectMicrophone();
        mixer.Close();
    });
}

TEST(MixerWithoutServer, ServerThatNeverAnswersIsGivenUp) {
    const SilentSocket silent;
    ASSERT_TRUE(silent.listening());
    WithServerAddress(silent.address(), [] {
        TMixer mixer(ServerMixer());
        EXPECT_FALSE(mixer.Open([](platform::MixerHandle) {}));
        EXPECT_EQ(0.0f, mixer.GetMasterVolume());
        mixer.Close();
    });
}
