#include "audio/TMixer.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

using platform::MixerControlKind;
using platform::MixerLineKind;

namespace {

// At most this many controls of a line are looked at for the source selector.
constexpr size_t kMaxControlsSearched = 100;

}  // namespace

TMixer::TMixer(std::unique_ptr<platform::MixerBackend> backend) : backend_(std::move(backend)) {}

TMixer::~TMixer() { Close(); }

TMixer& TMixer::operator=(TMixer&& other) noexcept {
    if (this == &other) return *this;
    Close();
    backend_ = std::move(other.backend_);
    recordingHandle_ = std::exchange(other.recordingHandle_, 0);
    playbackHandle_ = std::exchange(other.playbackHandle_, 0);
    micMuteId_ = std::exchange(other.micMuteId_, 0);
    micVolumeId_ = std::exchange(other.micVolumeId_, 0);
    micChannels_ = std::exchange(other.micChannels_, 0);
    playbackMuteId_ = std::exchange(other.playbackMuteId_, 0);
    playbackVolumeId_ = std::exchange(other.playbackVolumeId_, 0);
    playbackChannels_ = std::exchange(other.playbackChannels_, 0);
    return *this;
}

bool TMixer::FindLineControl(MixerLineKind line, MixerControlKind control,
                             const ChangeHandler& notify, platform::MixerHandle& handle,
                             platform::MixerControlId& id, uint32_t& channels) {
    if (!backend_) return false;
    // Both controls of a line come from one opened line.
    if (handle == 0) handle = backend_->openLine(line, notify);
    if (handle == 0) return false;
    platform::MixerLine info;
    if (!backend_->describeLine(handle, info)) return false;
    const auto found =
        std::find_if(info.controls.begin(), info.controls.end(),
                     [control](const platform::MixerControl& c) { return c.kind == control; });
    if (found == info.controls.end()) return false;
    id = found->id;
    channels = found->uniform ? 1 : static_cast<uint32_t>(std::max(info.channelCount, 1));
    return true;
}

bool TMixer::Open(ChangeHandler notify) {
    Close();
    FindLineControl(MixerLineKind::Recording, MixerControlKind::Mute, notify, recordingHandle_,
                    micMuteId_, micChannels_);
    FindLineControl(MixerLineKind::Recording, MixerControlKind::Volume, notify, recordingHandle_,
                    micVolumeId_, micChannels_);
    FindLineControl(MixerLineKind::Speakers, MixerControlKind::Mute, notify, playbackHandle_,
                    playbackMuteId_, playbackChannels_);
    return FindLineControl(MixerLineKind::Speakers, MixerControlKind::Volume, notify,
                           playbackHandle_, playbackVolumeId_, playbackChannels_);
}

void TMixer::SelectMicrophone() {
    if (recordingHandle_ == 0) return;
    platform::MixerLine line;
    if (!backend_->describeLine(recordingHandle_, line)) return;
    const size_t searched = std::min(line.controls.size(), kMaxControlsSearched);
    const platform::MixerControl* list = nullptr;
    for (size_t i = 0; i < searched && !list; ++i) {
        const MixerControlKind kind = line.controls[i].kind;
        if (kind == MixerControlKind::SingleChoiceList ||
            kind == MixerControlKind::MultipleChoiceList) {
            list = &line.controls[i];
        }
    }
    if (!list || list->itemCount <= 0) return;

    const bool singleChoice = list->kind == MixerControlKind::SingleChoiceList;
    const int channels = list->uniform ? 1 : std::max(line.channelCount, 1);
    const int items = list->itemCount;
    std::vector<std::string> names;
    std::vector<uint32_t> values;
    if (!backend_->readItemNames(recordingHandle_, list->id, channels, items, names) ||
        !backend_->readValues(recordingHandle_, list->id, channels, items, values)) {
        return;
    }
    const size_t entries = static_cast<size_t>(channels) * static_cast<size_t>(items);
    if (names.size() < entries || values.size() < entries) return;

    // Each channel has a list of its own (all items of the first channel,
    // then all of the next); an item is set alike in every channel, and named
    // as in the first.
    for (int item = 0; item < items; ++item) {
        const bool microphone = names[static_cast<size_t>(item)] == "Microphone";
        if (!microphone && !singleChoice) continue;
        for (int channel = 0; channel < channels; ++channel) {
            values[static_cast<size_t>(channel * items + item)] = microphone ? 1 : 0;
        }
    }
    backend_->writeValues(recordingHandle_, list->id, channels, items, values);
}

bool TMixer::SetVolume(platform::MixerHandle handle, platform::MixerControlId id, uint32_t channels,
                       float fraction) {
    if (handle == 0 || id == 0) return false;
    const double clamped = std::clamp(static_cast<double>(fraction), 0.0, 1.0);
    const auto value = static_cast<uint32_t>(std::trunc(clamped * platform::kMixerVolumeMax));
    const std::vector<uint32_t> values(std::max<uint32_t>(channels, 1), value);
    return backend_->writeValues(handle, id, static_cast<int>(values.size()), 0, values);
}

float TMixer::GetVolume(platform::MixerHandle handle, platform::MixerControlId id,
                        uint32_t channels) {
    if (handle == 0 || id == 0) return 0.0f;
    std::vector<uint32_t> values;
    const int count = static_cast<int>(std::max<uint32_t>(channels, 1));
    if (!backend_->readValues(handle, id, count, 0, values) || values.empty()) return 0.0f;
    return static_cast<float>(values[0]) / static_cast<float>(platform::kMixerVolumeMax);
}

bool TMixer::SetMute(platform::MixerHandle handle, platform::MixerControlId id, int mute) {
    if (handle == 0 || id == 0) return false;
    return backend_->writeValues(handle, id, 1, 0, {mute != 0 ? 1u : 0u});
}

bool TMixer::SetMicVolume(float fraction) {
    return SetVolume(recordingHandle_, micVolumeId_, micChannels_, fraction);
}
float TMixer::GetMicVolume() { return GetVolume(recordingHandle_, micVolumeId_, micChannels_); }
bool TMixer::SetMicMute(int mute) { return SetMute(recordingHandle_, micMuteId_, mute); }

bool TMixer::SetMasterVolume(float fraction) {
    return SetVolume(playbackHandle_, playbackVolumeId_, playbackChannels_, fraction);
}
float TMixer::GetMasterVolume() {
    return GetVolume(playbackHandle_, playbackVolumeId_, playbackChannels_);
}
bool TMixer::SetMasterMute(int mute) { return SetMute(playbackHandle_, playbackMuteId_, mute); }

void TMixer::Close() {
    if (recordingHandle_ != 0) backend_->closeLine(recordingHandle_);
    if (playbackHandle_ != 0) backend_->closeLine(playbackHandle_);
    recordingHandle_ = playbackHandle_ = 0;
    micMuteId_ = micVolumeId_ = playbackMuteId_ = playbackVolumeId_ = 0;
    micChannels_ = playbackChannels_ = 0;
}
