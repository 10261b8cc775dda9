#pragma once
// The mixer control: keeps the microphone the selected recording source,
// unmutes the microphone and the playback line, and reads and writes their
// volumes as fractions 0.0 to 1.0 (0 to 65535 on the mixer). Nothing is
// reported to the user: a line or control that is not found leaves its
// handle or id at 0, after which its set operations return false and its
// get operations 0.0.
// UI thread only; change notifications reach the handler given to Open on
// the UI thread.

#include <cstdint>
#include <memory>

#include "platform/MixerBackend.h"

class TMixer {
public:
    using ChangeHandler = platform::MixerBackend::ChangeHandler;

    // Without a mixer: everything is 0 and every look-up fails, as on a
    // system without mixer devices, until a mixer is moved in.
    TMixer() = default;
    explicit TMixer(std::unique_ptr<platform::MixerBackend> backend);
    ~TMixer();
    TMixer(const TMixer&) = delete;
    TMixer& operator=(const TMixer&) = delete;
    // Closes this mixer's lines, then takes over the other's mixer and lines.
    TMixer& operator=(TMixer&& other) noexcept;

    // The four look-ups: mute and volume of the microphone line, mute and
    // volume of the playback line. `notify` receives the handle of the line
    // that changed. Returns the result of the last look-up.
    bool Open(ChangeHandler notify);

    // Turns the item named exactly "Microphone" of the recording line's
    // source selector on; a single-choice selector turns every other item off.
    void SelectMicrophone();

    bool SetMicVolume(float fraction);  // every channel = trunc(fraction × 65535)
    float GetMicVolume();               // first channel / 65535; 0 on failure
    bool SetMicMute(int mute);          // 0: on air, other: muted
    bool SetMasterVolume(float fraction);
    float GetMasterVolume();
    bool SetMasterMute(int mute);

    // Closes whichever lines are open; everything is 0 afterwards.
    void Close();

    platform::MixerHandle RecordingHandle() const { return recordingHandle_; }
    platform::MixerHandle PlaybackHandle() const { return playbackHandle_; }

private:
    // Finds the control of `control` kind on the line of `line` kind, opening
    // the line when `handle` is 0 and reusing it otherwise.
    bool FindLineControl(platform::MixerLineKind line, platform::MixerControlKind control,
                         const ChangeHandler& notify, platform::MixerHandle& handle,
                         platform::MixerControlId& id, uint32_t& channels);
    bool SetVolume(platform::MixerHandle handle, platform::MixerControlId id, uint32_t channels,
                   float fraction);
    float GetVolume(platform::MixerHandle handle, platform::MixerControlId id, uint32_t channels);
    bool SetMute(platform::MixerHandle handle, platform::MixerControlId id, int mute);

    std::unique_ptr<platform::MixerBackend> backend_;
    platform::MixerHandle recordingHandle_ = 0;
    platform::MixerHandle playbackHandle_ = 0;
    platform::MixerControlId micMuteId_ = 0;
    platform::MixerControlId micVolumeId_ = 0;
    uint32_t micChannels_ = 0;
    platform::MixerControlId playbackMuteId_ = 0;
    platform::MixerControlId playbackVolumeId_ = 0;
    uint32_t playbackChannels_ = 0;
};
