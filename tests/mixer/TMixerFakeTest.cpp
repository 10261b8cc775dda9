// The mixer control and the sliders against a fake mixer: the source
// selector rules, the volume scaling and the routing of change notifications.
#include <gtest/gtest.h>

#include <QSlider>

#include "app/MixerBinding.h"
#include "audio/TMixer.h"
#include "tests/mixer/FakeMixerBackend.h"

using platform::MixerControlKind;

namespace {

struct FakeMixer {
    FakeMixerBackend* backend = nullptr;
    std::unique_ptr<TMixer> mixer;

    explicit FakeMixer(const std::function<void(FakeMixerBackend&)>& setUp = {}) {
        auto owned = std::make_unique<FakeMixerBackend>();
        backend = owned.get();
        if (setUp) setUp(*backend);
        mixer = std::make_unique<TMixer>(std::move(owned));
    }
};

// A recording source selector with the given items and values, one channel.
void AddSelector(FakeMixerBackend& backend, MixerControlKind kind, std::vector<std::string> names,
                 std::vector<uint32_t> values) {
    const int items = static_cast<int>(names.size());
    backend.recording.controls.push_back(
        {{7, kind, true, items}, std::move(values), std::move(names)});
}

std::vector<uint32_t> SelectorAfterSelect(MixerControlKind kind, std::vector<std::string> names,
                                          std::vector<uint32_t> values) {
    FakeMixer fake([&](FakeMixerBackend& b) { AddSelector(b, kind, names, values); });
    fake.mixer->Open({});
    fake.mixer->SelectMicrophone();
    return fake.backend->control(fake.backend->recording, 7).values;
}

}  // namespace

TEST(SelectMicrophone, SingleChoiceTurnsOnlyTheMicrophoneOn) {
    EXPECT_EQ((std::vector<uint32_t>{0, 1, 0}),
              SelectorAfterSelect(MixerControlKind::SingleChoiceList,
                                  {"Line In", "Microphone", "CD Audio"}, {1, 0, 0}));
}

TEST(SelectMicrophone, MultipleChoiceKeepsTheOtherItems) {
    EXPECT_EQ((std::vector<uint32_t>{0, 1, 1}),
              SelectorAfterSelect(MixerControlKind::MultipleChoiceList,
                                  {"Line In", "Microphone", "CD Audio"}, {0, 0, 1}));
}

TEST(SelectMicrophone, NamesMatchExactlyWithLetterCase) {
    EXPECT_EQ((std::vector<uint32_t>{0, 0, 0}),
              SelectorAfterSelect(MixerControlKind::SingleChoiceList,
                                  {"microphone", "MICROPHONE", "Microphone 2"}, {0, 1, 0}));
    EXPECT_EQ((std::vector<uint32_t>{1, 0}),
              SelectorAfterSelect(MixerControlKind::MultipleChoiceList, {"Line In", "microphone"},
                                  {1, 0}));
}

TEST(SelectMicrophone, EachChannelOfASelectorListIsSetAlike) {
    FakeMixer fake([](FakeMixerBackend& b) {
        b.recording.controls.push_back(
            {{7, MixerControlKind::SingleChoiceList, false, 3},
             {1, 0, 0, 1, 0, 0},
             {"Line In", "Microphone", "CD Audio", "Line In", "Microphone", "CD Audio"}});
    });
    fake.mixer->Open({});
    fake.mixer->SelectMicrophone();
    EXPECT_EQ((std::vector<uint32_t>{0, 1, 0, 0, 1, 0}),
              fake.backend->control(fake.backend->recording, 7).values);
}

TEST(SelectMicrophone, NoSelectorOrNoMixerWritesNothing) {
    FakeMixer withoutSelector;
    withoutSelector.mixer->Open({});
    withoutSelector.mixer->SelectMicrophone();
    EXPECT_EQ(0, withoutSelector.backend->writes);

    FakeMixer none([](FakeMixerBackend& b) { b.recording.present = b.speakers.present = false; });
    EXPECT_FALSE(none.mixer->Open({}));
    none.mixer->SelectMicrophone();
    EXPECT_FALSE(none.mixer->SetMicVolume(0.5f));
    EXPECT_FALSE(none.mixer->SetMasterMute(0));
    EXPECT_EQ(0.0f, none.mixer->GetMicVolume());
    EXPECT_EQ(0.0f, none.mixer->GetMasterVolume());
}

TEST(MixerVolumes, FractionsTruncateOntoEveryChannel) {
    FakeMixer fake;
    ASSERT_TRUE(fake.mixer->Open({}));
    const auto mic = [&] { return fake.backend->control(fake.backend->recording, 2).values; };
    const std::vector<std::pair<float, uint32_t>> cases = {
        {1.0f, 65535}, {0.5f, 32767}, {0.3f, 19660}, {0.0f, 0}};
    for (const auto& [fraction, raw] : cases) {
        ASSERT_TRUE(fake.mixer->SetMicVolume(fraction));
        EXPECT_EQ((std::vector<uint32_t>{raw, raw}), mic()) << fraction;
    }
    fake.backend->control(fake.backend->recording, 2).values = {32767, 65535};
    EXPECT_NEAR(0.49999, fake.mixer->GetMicVolume(), 1e-5);  // the first channel counts
    ASSERT_TRUE(fake.mixer->SetMasterVolume(0.3f));
    EXPECT_EQ((std::vector<uint32_t>{19660, 19660}),
              fake.backend->control(fake.backend->speakers, 2).values);
}

TEST(MixerVolumes, MutesAreWrittenAsOneValue) {
    FakeMixer fake;
    ASSERT_TRUE(fake.mixer->Open({}));
    ASSERT_TRUE(fake.mixer->SetMicMute(0));
    ASSERT_TRUE(fake.mixer->SetMasterMute(5));
    EXPECT_EQ(std::vector<uint32_t>{0}, fake.backend->control(fake.backend->recording, 1).values);
    EXPECT_EQ(std::vector<uint32_t>{1}, fake.backend->control(fake.backend->speakers, 1).values);
}

TEST(MixerVolumes, OpenUsesOneHandlePerLineAndCloseReleasesBoth) {
    FakeMixer fake;
    ASSERT_TRUE(fake.mixer->Open({}));
    EXPECT_EQ(2, fake.backend->opens);
    EXPECT_NE(fake.mixer->RecordingHandle(), fake.mixer->PlaybackHandle());
    ASSERT_TRUE(fake.mixer->Open({}));  // a second Open closes the first lines
    EXPECT_EQ(2u, fake.backend->openCount());
    fake.mixer->Close();
    EXPECT_EQ(0u, fake.backend->openCount());
    EXPECT_EQ(0u, fake.mixer->RecordingHandle());
    EXPECT_FALSE(fake.mixer->SetMicVolume(0.5f));
}

TEST(MixerVolumes, AMixerWithoutBackendIsClosedUntilOneIsMovedIn) {
    TMixer mixer;  // as the main window holds it before its construction
    EXPECT_FALSE(mixer.Open({}));
    EXPECT_EQ(0.0f, mixer.GetMasterVolume());
    mixer.SelectMicrophone();

    auto first = std::make_unique<FakeMixerBackend>();
    FakeMixerBackend* firstBackend = first.get();
    mixer = TMixer(std::move(first));
    ASSERT_TRUE(mixer.Open({}));
    EXPECT_EQ(2u, firstBackend->openCount());
    EXPECT_TRUE(mixer.SetMasterVolume(1.0f));

    // Another one moved in takes over; the mixer it came from holds nothing.
    TMixer second(std::make_unique<FakeMixerBackend>());
    ASSERT_TRUE(second.Open({}));
    mixer = std::move(second);
    EXPECT_NE(0u, mixer.PlaybackHandle());
    EXPECT_EQ(0u, second.PlaybackHandle());  // NOLINT(bugprone-use-after-move)
    EXPECT_FALSE(second.SetMasterVolume(1.0f));
    EXPECT_TRUE(mixer.SetMasterVolume(0.5f));
}

TEST(SliderScaling, VolumeToSliderPositionRoundsToTenths) {
    const std::vector<std::pair<uint32_t, int>> raw = {
        {0, 0}, {3276, 0}, {3277, 1}, {32767, 5}, {52428, 8}, {62258, 9}, {65535, 10}};
    for (const auto& [value, position] : raw) {
        EXPECT_EQ(position, VolumeToSliderPosition(value / 65535.0f)) << value;
    }
    EXPECT_EQ(9, VolumeToSliderPosition(0.94f));
    EXPECT_EQ(10, VolumeToSliderPosition(0.96f));
}

TEST(SliderBinding, SlidersSetVolumesAndNotificationsMoveOnlyTheirSlider) {
    QSlider in(Qt::Horizontal), out(Qt::Horizontal);
    in.setRange(0, 10);
    out.setRange(0, 10);
    FakeMixer fake;
    MixerBinding binding(&in, &out, *fake.mixer);
    ASSERT_TRUE(fake.mixer->Open(binding.NotificationTarget()));
    binding.PositionSliders();
    EXPECT_EQ(6, in.value());  // 40000 of 65535
    EXPECT_EQ(6, out.value());
    EXPECT_EQ(0, fake.backend->writes) << "positioning writes nothing back";

    in.setValue(10);
    EXPECT_EQ((std::vector<uint32_t>{65535, 65535}),
              fake.backend->control(fake.backend->recording, 2).values);
    out.setValue(0);
    EXPECT_EQ((std::vector<uint32_t>{0, 0}),
              fake.backend->control(fake.backend->speakers, 2).values);
    in.setValue(3);
    EXPECT_EQ(19660u, fake.backend->control(fake.backend->recording, 2).values[0]);

    const int writes = fake.backend->writes;
    fake.backend->control(fake.backend->recording, 2).values = {13107, 13107};
    fake.backend->announce(fake.mixer->RecordingHandle());
    EXPECT_EQ(2, in.value());
    EXPECT_EQ(0, out.value());
    fake.backend->control(fake.backend->speakers, 2).values = {58981, 58981};
    fake.backend->announce(fake.mixer->PlaybackHandle());
    EXPECT_EQ(9, out.value());
    EXPECT_EQ(2, in.value());
    EXPECT_EQ(writes, fake.backend->writes) << "a notification writes nothing back";

    // The handlers are attached again after each positioning.
    out.setValue(4);
    EXPECT_EQ(26214u, fake.backend->control(fake.backend->speakers, 2).values[0]);
}
